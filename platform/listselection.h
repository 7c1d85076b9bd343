// The selection of a list view as the application controller sees it: the rows of one list, at most
// one of them selected. The controller keeps its selection rule through this interface and never
// sees a widget; ItemSelection is the implementation over a Qt item selection model. Main thread only.
#pragma once

#include <QObject>
#include <QPointer>

class QItemSelectionModel;

namespace platform {

class ListSelection : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    virtual int rowCount() const = 0;
    // The first selected row, or -1 when nothing is selected.
    virtual int selectedRow() const = 0;
    // Selects `row` alone; nothing for a row the list does not have.
    virtual void selectRow(int row) = 0;

signals:
    // The selection changed, whoever changed it.
    void selectionChanged();
};

// A list view's selection over its QItemSelectionModel: rows are the model's rows, a row is selected
// as a whole and becomes the current index.
class ItemSelection : public ListSelection {
    Q_OBJECT
public:
    explicit ItemSelection(QItemSelectionModel* selection, QObject* parent = nullptr);

    int rowCount() const override;
    int selectedRow() const override;
    void selectRow(int row) override;

private:
    QPointer<QItemSelectionModel> selection_;
};

} // namespace platform
