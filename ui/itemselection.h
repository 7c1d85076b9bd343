// The controller's list selection over a list view's Qt item selection model.
#pragma once

#include "platform/listselection.h"

#include <QPointer>

class QItemSelectionModel;

namespace ui {

// A list view's selection over its QItemSelectionModel: rows are the model's rows, a row is selected
// as a whole and becomes the current index.
class ItemSelection : public platform::ListSelection {
    Q_OBJECT
public:
    explicit ItemSelection(QItemSelectionModel* selection, QObject* parent = nullptr);

    int rowCount() const override;
    int selectedRow() const override;
    void selectRow(int row) override;

private:
    QPointer<QItemSelectionModel> selection_;
};

} // namespace ui
