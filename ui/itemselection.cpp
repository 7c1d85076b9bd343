#include "ui/itemselection.h"

#include <QAbstractItemModel>
#include <QItemSelectionModel>

namespace ui {

ItemSelection::ItemSelection(QItemSelectionModel* selection, QObject* parent)
    : ListSelection(parent), selection_(selection) {
    if (selection)
        connect(selection, &QItemSelectionModel::selectionChanged, this, &ListSelection::selectionChanged);
}

int ItemSelection::rowCount() const {
    return selection_ && selection_->model() ? selection_->model()->rowCount() : 0;
}

int ItemSelection::selectedRow() const {
    if (!selection_) return -1;
    int first = -1;
    for (const QModelIndex& index : selection_->selectedRows()) {
        if (first < 0 || index.row() < first) first = index.row();
    }
    return first;
}

void ItemSelection::selectRow(int row) {
    if (!selection_ || !selection_->model()) return;
    const QModelIndex index = selection_->model()->index(row, 0);
    if (!index.isValid()) return;
    // The keyboard's place in the list stays where the operator moved it (its row's own menu opens
    // from there); it starts on the selected row.
    if (!selection_->currentIndex().isValid())
        selection_->setCurrentIndex(index, QItemSelectionModel::NoUpdate);
    selection_->select(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

} // namespace ui
