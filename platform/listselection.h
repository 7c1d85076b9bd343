// The selection of a list view as the application controller sees it: the rows of one list, at most
// one of them selected. The controller keeps its selection rule through this interface and never
// sees a widget; ui::ItemSelection is the implementation over a Qt item selection model. Main thread
// only.
#pragma once

#include <QObject>

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

} // namespace platform
