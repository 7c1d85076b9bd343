// The message box the operator sees now, for the tests that answer real dialogs (they link the
// window's layer).
#pragma once

#include <QApplication>
#include <QMessageBox>

namespace testsupport {

inline QMessageBox* openMessageBox() {
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (auto* box = qobject_cast<QMessageBox*>(widget); box && box->isVisible()) return box;
    return nullptr;
}

} // namespace testsupport
