// The window without a mouse and without sight: a whole update and the USB serial switch driven by
// key presses alone, each sent to whatever has the focus; and what assistive technology reads through
// Qt's accessibility interfaces: names, one sentence per row, the update's progress and its phases.
#include "common/messagebox.h"
#include "window/simfixture.h"

#include "Classes/Edition.h"
#include "platform/dialogs.h"
#include "platform/listselection.h"
#include "platform/strings.h"
#include "ui/qtalertpresenter.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QContextMenuEvent>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QTableView>
#include <QtTest>

using namespace testsupport;
using Column = ui::PrinterListModel::Column;

namespace {

QString say(const char* text) {
    return platform::localizedString(QString::fromUtf8(text));
}

// One key press to whatever has the focus, as a keyboard would send it.
void press(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QWidget* focus =
        QApplication::activePopupWidget() ? QApplication::activePopupWidget() : QApplication::focusWidget();
    QVERIFY2(focus, "nothing has the keyboard focus");
    QTest::keyClick(focus, Qt::Key(key), modifiers);
}

// Tab until `target` has the focus; fails when it never comes.
void tabTo(QWidget* target) {
    QVERIFY(target);
    for (int presses = 0; presses < 8 && QApplication::focusWidget() != target; ++presses)
        press(Qt::Key_Tab);
    QVERIFY2(QApplication::focusWidget() == target,
             qPrintable(target->objectName() + " never had the focus"));
}

QAbstractButton* buttonTitled(QMessageBox* box, const QString& prefix) {
    for (QAbstractButton* button : box->buttons())
        if (button->text().startsWith(prefix)) return button;
    return nullptr;
}

// The box that opens once `after` is gone (a box is deleted once closed, and the next may take its
// address).
QMessageBox* nextBox(QMessageBox* after) {
    const QPointer<QMessageBox> before = after;
    QMessageBox* box = nullptr;
    [[maybe_unused]] const bool shown =
        QTest::qWaitFor([&] { return !before && (box = openMessageBox()); }, 10000);
    if (box) QApplication::setActiveWindow(box);
    return box;
}

} // namespace

class WindowAccessTest : public QObject {
    Q_OBJECT

    void showAndFocus(SimFixture& f) {
        f.controller->awakeFromNib();
        f.controller->applicationDidFinishLaunching(f.window.get());
        f.window->show();
        QApplication::setActiveWindow(f.window.get());
        QVERIFY(QTest::qWaitForWindowActive(f.window.get()));
        QTRY_VERIFY_WITH_TIMEOUT(f.probed(f.port(1)), 10000);
        f.settle();
        QCOMPARE(QApplication::focusWidget(), f.window->tableView());
    }

private slots:
    void init() { Edition::setCurrent(Edition::printerFlasher()); }
    void cleanup() {
        platform::setAlertPresenter(nullptr);
        platform::removeTranslations();
        Edition::setCurrent(Edition::printerFlasher());
    }

    // The menu by its mnemonic, the warning, "I Agree", a retry question and the confirmation, all
    // answered from the keyboard; the safe answer is where Return and Escape land.
    void updateByKeyboardAlone_data() {
        QTest::addColumn<QLocale>("locale");
        QTest::newRow("German") << QLocale(QLocale::German, QLocale::Germany);
        QTest::newRow("Japanese") << QLocale(QLocale::Japanese, QLocale::Japan);
    }
    void updateByKeyboardAlone() {
        QFETCH(QLocale, locale);
        QVERIFY(platform::installTranslations(locale));
        SimFixture f;
        const SimPrinter printer = f.attach(sim::SimZEVModel::HVC, f.port(1));
        printer.commandSet->update([](sim::SimZEVPrinterState& state) {
            state.statusCode = QString::fromLatin1(sim::kSimZEVStatusPaperEnd);
        });
        platform::setAlertPresenter(std::make_shared<ui::QtAlertPresenter>(f.window.get()));
        showAndFocus(f);

        const QString title = f.window->fileMenu()->title();
        const QChar mnemonic = title.at(title.indexOf(QLatin1Char('&')) + 1);
        QTest::keyClick(f.window.get(), mnemonic.toLatin1(), Qt::AltModifier);
        QTRY_VERIFY(f.window->fileMenu()->isVisible());
        if (!f.window->fileMenu()->activeAction()) press(Qt::Key_Down);
        QCOMPARE(f.window->fileMenu()->activeAction(), f.window->updateFirmwareAction());
        press(Qt::Key_Return);

        QMessageBox* warning = nextBox(nullptr);
        QVERIFY(warning);
        QAbstractButton* proceed = buttonTitled(warning, say("Continue"));
        QCOMPARE(static_cast<QAbstractButton*>(warning->defaultButton()), buttonTitled(warning, say("Quit")));
        tabTo(warning->checkBox());
        press(Qt::Key_Space);
        QTRY_VERIFY(proceed->isEnabled());
        tabTo(proceed);
        press(Qt::Key_Space);

        // Paper end: Return retries once the paper is in.
        QMessageBox* notReady = nextBox(warning);
        QVERIFY(notReady);
        QCOMPARE(notReady->text(), say("Printer Not Ready"));
        QCOMPARE(notReady->escapeButton(), buttonTitled(notReady, say("Cancel")));
        printer.commandSet->update([](sim::SimZEVPrinterState& state) {
            state.statusCode = QString::fromLatin1(sim::kSimZEVStatusIdle);
        });
        press(Qt::Key_Return);

        QMessageBox* confirmation = nextBox(notReady);
        QVERIFY(confirmation);
        QCOMPARE(static_cast<QAbstractButton*>(confirmation->defaultButton()),
                 buttonTitled(confirmation, say("Cancel")));
        QCOMPARE(confirmation->escapeButton(), static_cast<QAbstractButton*>(confirmation->defaultButton()));
        QAbstractButton* update = nullptr; // "Update Firmware to …", the one that is not the default
        for (QAbstractButton* button : confirmation->buttons())
            if (button != confirmation->defaultButton()) update = button;
        tabTo(update);
        press(Qt::Key_Space);

        QMessageBox* outcome = nextBox(confirmation);
        QVERIFY(outcome);
        QCOMPARE(outcome->text(), say("Firmware update was successful!"));
        // The outcome is announced as an alert, by its headline.
        QAccessibleInterface* told = QAccessible::queryAccessibleInterface(outcome);
        QCOMPARE(told->role(), QAccessible::AlertMessage);
        QCOMPARE(told->text(QAccessible::Name), outcome->text());
        press(Qt::Key_Return);
        QTRY_VERIFY(!openMessageBox());
        QCOMPARE(printer.commandSet->state().firmwareVersion, QStringLiteral("HVC 01.41"));
    }

    // The menu key opens the menu of the row the arrow keys are on, not of the row under the mouse.
    void rowMenuByKeyboard() {
        SimFixture f;
        f.attach(sim::SimZEVModel::HVC, f.port(1));
        const SimPrinter second = f.makePrinter(sim::SimZEVModel::HVC, f.port(2));
        second.commandSet->update([](sim::SimZEVPrinterState& state) { state.serialNumber = "HVC-0002"; });
        f.bus->attach(second.device);
        showAndFocus(f);
        QTRY_VERIFY(f.probed(f.port(2)));
        f.settle();
        press(Qt::Key_Down);
        // What the window system makes of the menu key (or Shift+F10), wherever the mouse is.
        QContextMenuEvent menuKey(QContextMenuEvent::Keyboard, QPoint(1, 1), QPoint(1, 1));
        QApplication::sendEvent(QApplication::focusWidget(), &menuKey);
        QTRY_VERIFY(f.window->openRowMenu());
        QVERIFY2(f.window->openRowMenu()->actions().first()->text().contains("HVC-0002"),
                 qPrintable(f.window->openRowMenu()->actions().first()->text()));
        press(Qt::Key_Escape);
        QTRY_VERIFY(!f.window->openRowMenu());
    }

    // serial-switcher: the arrow keys reach the USB serial-number cell, Space switches it.
    void serialSwitchByKeyboard() {
        Edition::setCurrent(Edition::serialSwitcher());
        SimFixture f(true);
        const SimPrinter printer = f.attach(sim::SimZEVModel::HVC, f.port(1));
        platform::setAlertPresenter(std::make_shared<ui::QtAlertPresenter>(f.window.get()));
        showAndFocus(f);
        QTableView* table = f.window->tableView();
        for (int presses = 0;
             presses < Column::ColumnCount && table->currentIndex().column() != Column::UsbSerialColumn;
             ++presses)
            press(Qt::Key_Right);
        QCOMPARE(table->currentIndex().column(), int(Column::UsbSerialColumn));
        press(Qt::Key_Space);
        QMessageBox* notice = nextBox(nullptr);
        QVERIFY(notice);
        press(Qt::Key_Escape);
        QTRY_VERIFY(!openMessageBox());
        QVERIFY(printer.commandSet->state().usbISerialSwitch);
    }

    // Names and descriptions of the window's controls, each row as one sentence, and, during an
    // update, the progress bar's value and phase and the announcement of each new phase, read through
    // the accessibility interfaces after each change of the list. (Qt tells a screen reader of a
    // label's new name and a bar's new value itself.)
    void whatAssistiveTechnologyReads() {
        SimFixture f;
        f.attach(sim::SimZEVModel::HVC, f.port(1));
        auto presenter = std::make_shared<platform::ScriptedAlertPresenter>();
        platform::setAlertPresenter(presenter);
        showAndFocus(f);

        QAccessibleInterface* table = QAccessible::queryAccessibleInterface(f.window->tableView());
        QCOMPARE(table->text(QAccessible::Name), QStringLiteral("Printers"));
        QVERIFY(!table->text(QAccessible::Description).isEmpty());
        const QString sentence = QStringLiteral("ZEV HVP-HVC: Idle, firmware HVC 01.21");
        for (int column = 0; column < Column::ColumnCount; ++column)
            QCOMPARE(table->tableInterface()->cellAt(0, column)->text(QAccessible::Description), sentence);
        QCOMPARE(table->tableInterface()->cellAt(0, Column::PictureColumn)->text(QAccessible::Name),
                 QStringLiteral("ZEV HVP-HVC"));
        QAccessibleInterface* menu = QAccessible::queryAccessibleInterface(f.window->fileMenu());
        for (int item = 0; item < menu->childCount(); ++item) {
            if (menu->child(item)->role() == QAccessible::Separator) continue;
            QVERIFY(!menu->child(item)->text(QAccessible::Name).isEmpty());
        }
        QAccessibleInterface* bar = QAccessible::queryAccessibleInterface(f.window->updateProgressBar());
        QAccessibleInterface* announcement =
            QAccessible::queryAccessibleInterface(f.window->announcementLabel());
        QCOMPARE(bar->text(QAccessible::Name), QStringLiteral("Update progress"));
        QVERIFY(bar->valueInterface());

        struct Heard {
            int value;
            QString phase;
            QString cell;
        };
        QList<Heard> heard;
        QStringList announced;
        connect(f.model(), &QAbstractItemModel::dataChanged, this, [&] {
            if (f.window->updateProgressBar()->isVisible())
                heard.append({bar->valueInterface()->currentValue().toInt(),
                              bar->text(QAccessible::Description),
                              table->tableInterface()
                                  ->cellAt(0, Column::PrinterStatusColumn)
                                  ->text(QAccessible::Name)});
        });
        connect(f.window.get(), &ui::PrinterWindow::announced, this,
                [&] { announced << announcement->text(QAccessible::Name); });
        presenter->queueAnswer({platform::kAlertFirstButtonReturn + 1, true}); // "I Agree", "Continue"
        presenter->queueAnswer({platform::kAlertFirstButtonReturn + 1, {}});   // "Update Firmware to …"
        presenter->queueAnswer({platform::kAlertFirstButtonReturn, {}});       // the outcome
        f.window->updateFirmwareAction()->trigger();
        QTRY_COMPARE_WITH_TIMEOUT(presenter->shown().size(), 3, 20000);
        f.settle();
        disconnect(f.model(), nullptr, this, nullptr);
        disconnect(f.window.get(), nullptr, this, nullptr);

        const auto during = std::find_if(heard.begin(), heard.end(),
                                         [](const Heard& h) { return h.value > 0 && h.value < 100; });
        QVERIFY2(during != heard.end(), "no progress between 0 and 100 % was read");
        QVERIFY2(during->phase.startsWith(QStringLiteral("ZEV HVP-HVC: ")), qPrintable(during->phase));
        QVERIFY2(during->cell.startsWith(ui::PrinterListModel::progressPercent(during->value * 10)),
                 qPrintable(during->cell));
        // Each new phase once as the list shows it (at the test's pace some pass unseen), from the
        // start through the upload; neither the status before it nor the outcome (its notice's).
        const QString said = announced.join(" | ");
        QVERIFY2(announced.value(0) == "ZEV HVP-HVC: Updating firmware ..." &&
                     announced.contains("ZEV HVP-HVC: Writing firmware ...") &&
                     !announced.contains("ZEV HVP-HVC: Idle"),
                 qPrintable(said));
        for (qsizetype i = 1; i < announced.size(); ++i)
            QVERIFY2(announced.at(i) != announced.at(i - 1), qPrintable(said));
        QVERIFY(!f.window->updateProgressBar()->isVisible());
        // (The row is the printer that came back from its restarts: a new row, which the table's
        // interface learns of only while a screen reader listens; the model says what it will read.)
        QCOMPARE(f.model()->index(0, 0).data(Qt::AccessibleDescriptionRole).toString(),
                 QStringLiteral("ZEV HVP-HVC: Idle, firmware HVC 01.41"));
    }
};

QTEST_MAIN(WindowAccessTest)
#include "test_window.moc"
