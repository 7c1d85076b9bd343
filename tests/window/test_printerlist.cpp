// The printer list over the simulated bus: rows follow arrivals and removals, cells follow the
// printers' answers, and the selection always ends on the first row.
#include "platform/application.h"
#include "platform/dialogs.h"
#include "simfixture.h"

#include "Classes/Edition.h"
#include "ui/screenshot.h"

#include <QAction>
#include <QFileInfo>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QMenu>
#include <QMessageBox>
#include <QSignalSpy>
#include <QStyleOptionViewItem>
#include <QTableView>
#include <QTemporaryDir>
#include <QtTest>

#include <atomic>
#include <future>
#include <optional>
#include <thread>

using namespace testsupport;
using Column = ui::PrinterListModel::Column;

class PrinterListTest : public QObject {
    Q_OBJECT

private slots:
    void init() { Edition::setCurrent(Edition::printerFlasher()); }

    void rowsFollowArrivalAndRemoval() {
        SimFixture f;
        f.controller->awakeFromNib();
        QCOMPARE(f.rows(), 0);
        QVERIFY(!f.controller->hasPrinterList());

        f.attach(sim::SimZEVModel::HVC, f.port(1));
        QTRY_COMPARE(f.rows(), 1);
        f.attach(sim::SimZEVModel::HVC, f.port(2));
        QTRY_COMPARE(f.rows(), 2);

        f.bus->detach(f.port(1));
        QTRY_COMPARE(f.rows(), 1);
        QCOMPARE(f.controller->printerAt(0)->locationID(), f.port(2));

        f.bus->detach(f.port(2));
        QTRY_COMPARE(f.rows(), 0);
        // The last removal leaves an empty list, not a missing one.
        QVERIFY(f.controller->hasPrinterList());
        QVERIFY(f.controller->printers().isEmpty());
    }

    void rowShowsWhatThePrinterReports() {
        SimFixture f;
        f.attach(sim::SimZEVModel::HVC, f.port(1));
        f.controller->awakeFromNib();
        QTRY_VERIFY(f.probed(f.port(1)));
        QTRY_COMPARE(f.cell(0, Column::FirmwareColumn), QStringLiteral("HVC 01.21"));

        QCOMPARE(f.cell(0, Column::PrinterColumn), QStringLiteral("ZEV HVP-HVC"));
        QCOMPARE(f.cell(0, Column::PrinterStatusColumn), QStringLiteral("Idle"));
        QCOMPARE(f.cell(0, Column::LifetimeCounterColumn), QStringLiteral("1234"));
        QCOMPARE(f.cell(0, Column::SerialNumberColumn), QStringLiteral("HVC-0001"));
        QVERIFY(!f.cell(0, Column::PackageFirmwareColumn).isEmpty());
        QCOMPARE(f.cell(0, Column::UsbStatusColumn), QStringLiteral("USB Available"));
        QVERIFY(!f.model()->data(f.model()->index(0, Column::PictureColumn), Qt::DecorationRole).isNull());
        // printer-flasher shows the serial-number setting as text, without a check box.
        QVERIFY(f.model()->data(f.model()->index(0, Column::UsbSerialColumn), Qt::CheckStateRole).isNull());

        // The row lists the three tables the HVC reported, one per line, with their full form as tool tip.
        QCOMPARE(f.cell(0, Column::ColourTablesColumn),
                 QStringLiteral("300: 0100 / 4D21\n600: 0100 / B870\n610: 0100 / 0E5F"));
        const QString tip =
            f.model()->data(f.model()->index(0, Column::ColourTablesColumn), Qt::ToolTipRole).toString();
        QVERIFY2(tip.contains(QStringLiteral("Colour table 600: version 0100, checksum B870")),
                 qPrintable(tip));
    }

    void cellsFollowStatusChanges() {
        SimFixture f;
        const SimPrinter printer = f.attach(sim::SimZEVModel::HVC, f.port(1));
        f.controller->awakeFromNib();
        QTRY_VERIFY(f.probed(f.port(1)));
        QSignalSpy changed(f.model(), &QAbstractItemModel::dataChanged);

        printer.commandSet->update(
            [](sim::SimZEVPrinterState& s) { s.statusCode = QStringLiteral("01100"); });
        f.controller->printerAt(0)->updateInfo();
        QTRY_COMPARE(f.cell(0, Column::PrinterStatusColumn), QStringLiteral("Paper End"));
        QVERIFY(!changed.isEmpty());
    }

    // Changes that arrive together are announced to the view in one go (each announcement has the
    // view measure every row), and none is lost: the cells show the new values at once, and a later
    // change is announced again.
    void changesArrivingTogetherAreAnnouncedOnce() {
        SimFixture f;
        f.controller->awakeFromNib();
        for (int n : {1, 2, 3})
            f.attach(sim::SimZEVModel::HVC, f.port(n));
        QTRY_VERIFY(f.rows() == 3 && f.probed(f.port(1)) && f.probed(f.port(2)) && f.probed(f.port(3)));
        f.settle();
        QSignalSpy changed(f.model(), &QAbstractItemModel::dataChanged);
        const auto setCounter = [&](int row, const QString& value) {
            f.controller->printerAt(row)->setDeviceInfoValue(QRVX_TBPrinterLifetimeCounter, value);
        };

        for (int row : {0, 1, 2})
            setCounter(row, QStringLiteral("%1").arg(1000 + row));
        QCOMPARE(f.cell(2, Column::LifetimeCounterColumn), QStringLiteral("1002"));
        f.settle();
        QCOMPARE(changed.size(), 1);
        QCOMPARE(changed.at(0).at(0).toModelIndex().row(), 0);
        QCOMPARE(changed.at(0).at(1).toModelIndex().row(), 2);

        setCounter(1, QStringLiteral("2001"));
        f.settle();
        QCOMPARE(changed.size(), 2);
        QCOMPARE(changed.at(1).at(0).toModelIndex().row(), 1);
        QCOMPARE(changed.at(1).at(1).toModelIndex().row(), 1);
        QCOMPARE(f.cell(1, Column::LifetimeCounterColumn), QStringLiteral("2001"));
    }

    void selectionEndsOnFirstRow() {
        SimFixture f;
        f.controller->awakeFromNib();
        for (std::uint32_t port : {f.port(1), f.port(2), f.port(3)})
            f.attach(sim::SimZEVModel::HVC, port);
        QTRY_COMPARE(f.rows(), 3);
        QTRY_VERIFY(f.probed(f.port(1)) && f.probed(f.port(2)) && f.probed(f.port(3)));
        QCOMPARE(f.controller->selectedRow(), 0);

        // An operator's click on the third row ends on the first.
        QItemSelectionModel* selection = f.window->tableView()->selectionModel();
        selection->select(f.model()->index(2, 0),
                          QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        QCOMPARE(f.controller->selectedRow(), 0);

        // So does a cleared selection, and a firmware version that becomes known for another row.
        selection->clearSelection();
        QCOMPARE(f.controller->selectedRow(), 0);
        f.controller->printerAt(2)->setDeviceInfoValue(QRVX_TBPrinterFirmwareVersion,
                                                       QStringLiteral("HVC 09.99"));
        f.settle();
        QCOMPARE(f.controller->selectedRow(), 0);

        // Removing the selected first row selects the new first row.
        f.bus->detach(f.port(1));
        QTRY_COMPARE(f.rows(), 2);
        QCOMPARE(f.controller->selectedRow(), 0);
        QCOMPARE(f.controller->selectedPrinter()->locationID(), f.port(2));
    }

    void removalWaitsForWorkQueuedOnThePrinter() {
        SimFixture f;
        f.attach(sim::SimZEVModel::HVC, f.port(1));
        f.controller->awakeFromNib();
        QTRY_VERIFY(f.probed(f.port(1)));

        // Work already on the printer's queue runs before the list lets go of the printer.
        std::promise<void> release;
        std::atomic<bool> finished{false};
        f.controller->printerAt(0)->printerCommandQueue()->async(
            [&finished, released = release.get_future().share()] {
                released.wait();
                finished = true;
            });
        f.bus->detach(f.port(1));
        SimFixture::drain(); // not the printer's queue: it is held on purpose
        QCOMPARE(f.rows(), 1);
        release.set_value();
        QTRY_COMPARE(f.rows(), 0);
        QVERIFY(finished);
    }

    void actionsApplyToTheSelectedPrinter() {
        SimFixture f;
        QVERIFY(!f.window->refreshAction()->isEnabled());
        QVERIFY(!f.window->updateFirmwareAction()->isEnabled());
        const SimPrinter printer = f.attach(sim::SimZEVModel::HVC, f.port(1));
        f.controller->awakeFromNib();
        QTRY_VERIFY(f.probed(f.port(1)));
        QVERIFY(f.window->refreshAction()->isEnabled());

        // Refresh asks the printer again.
        printer.commandSet->clearReceived();
        f.window->refreshAction()->trigger();
        QTRY_VERIFY(printer.commandSet->receivedCommands().size() >= 2);

        // An update starts with the warning; nothing reaches the printer before it is accepted.
        QTRY_VERIFY(f.probed(f.port(1)));
        printer.commandSet->clearReceived();
        auto presenter = std::make_shared<platform::ScriptedAlertPresenter>();
        platform::setAlertPresenter(presenter);
        f.window->updateFirmwareAction()->trigger();
        QTRY_COMPARE(presenter->headlines(), QStringList{"Attention:"});
        QVERIFY(printer.commandSet->receivedCommands().isEmpty());
        bool quitAsked = false;
        platform::setTerminationHandler([&quitAsked] { quitAsked = true; });
        QVERIFY(presenter->answer({1000, std::nullopt})); // "Quit"
        QTRY_VERIFY(quitAsked);
        platform::setTerminationHandler(nullptr);
        platform::setAlertPresenter(nullptr);
    }

    // The selection always returns to the first row; every other row still shows its colour tables
    // and its context menu acts on that row's printer.
    void otherRowsShowTheirTablesAndTakeTheirOwnActions() {
        Edition::setCurrent(Edition::serialSwitcher());
        {
            SimFixture f(true);
            const SimPrinter qxa = f.attach(sim::SimZEVModel::HVQXA, f.port(1));
            const SimPrinter hvc = f.attach(sim::SimZEVModel::HVC, f.port(2));
            const SimPrinter eight = f.attach(sim::SimZEVModel::EightTable, f.port(3));
            f.controller->awakeFromNib();
            QTRY_COMPARE(f.rows(), 3);
            QTRY_VERIFY(f.probed(f.port(1)) && f.probed(f.port(2)) && f.probed(f.port(3)));
            QCOMPARE(f.controller->selectedRow(), 0);
            QCOMPARE(f.controller->printerAt(2)->locationID(), f.port(3));

            QCOMPARE(f.cell(1, Column::ColourTablesColumn),
                     QStringLiteral("300: 0100 / 4D21\n600: 0100 / B870\n610: 0100 / 0E5F"));
            const QStringList lines = f.cell(2, Column::ColourTablesColumn).split(QLatin1Char('\n'));
            QCOMPARE(lines.size(), 4);
            QCOMPARE(lines.at(0), QStringLiteral("300: 0100 / 1000\t300 HD: 0200 / 2000"));

            // The table is laid out for its rows: the colour-table column takes the room that is left,
            // and the eight-table row is tall enough for its four lines.
            f.window->resize(1600, 500);
            f.window->show();
            QVERIFY(QTest::qWaitForWindowExposed(f.window.get()));
            QTableView* table = f.window->tableView();
            QHeaderView* header = table->horizontalHeader();
            const int last = Column::ColourTablesColumn;
            QTRY_COMPARE(header->sectionViewportPosition(last) + header->sectionSize(last),
                         table->viewport()->width());
            QStyleOptionViewItem option;
            option.initFrom(table->viewport());
            const QModelIndex tables = f.model()->index(2, last);
            const QSize needed = table->itemDelegateForIndex(tables)->sizeHint(option, tables);
            QVERIFY(header->sectionSize(last) >= needed.width());
            QVERIFY(table->rowHeight(2) >= needed.height());
            QVERIFY(table->rowHeight(2) > table->rowHeight(1));

            // A right click on the third row opens that printer's menu.
            auto openMenuOn = [&](int row) -> QMenu* {
                const QRect cell = table->visualRect(f.model()->index(row, Column::PrinterColumn));
                emit table->customContextMenuRequested(cell.center());
                return f.window->openRowMenu();
            };
            auto action = [](QMenu* menu, const char* name) {
                return menu ? menu->findChild<QAction*>(QLatin1String(name)) : nullptr;
            };
            auto clearReceived = [&] {
                for (const SimPrinter* p : {&qxa, &hvc, &eight})
                    p->commandSet->clearReceived();
            };
            QMenu* menu = openMenuOn(2);
            QVERIFY(menu);
            // Its first line names the printer it acts on.
            QCOMPARE(menu->actions().first()->text(),
                     QStringLiteral("ZEV HVP-HV8T (%1)").arg(f.cell(2, Column::SerialNumberColumn)));
            clearReceived();
            action(menu, "refresh")->trigger();
            QTRY_VERIFY(eight.commandSet->receivedCommands().size() >= 2);
            f.settle();
            QVERIFY(qxa.commandSet->receivedCommands().isEmpty());
            QVERIFY(hvc.commandSet->receivedCommands().isEmpty());
            QCOMPARE(f.controller->selectedRow(), 0);
            menu->close();

            QTRY_VERIFY(f.probed(f.port(3)));
            auto presenter = std::make_shared<platform::ScriptedAlertPresenter>();
            platform::setAlertPresenter(presenter);
            action(openMenuOn(2), "updateFirmware")->trigger();
            // serial-switcher warns for the HV-QXA only; this row's printer has no newer firmware.
            QTRY_COMPARE(presenter->headlines(), QStringList{"Firmware update not needed"});
            QVERIFY(presenter->answer({1000, std::nullopt}));
            platform::setAlertPresenter(nullptr);

            // A menu left open while its printer is unplugged does nothing.
            QTRY_VERIFY(f.probed(f.port(2)));
            menu = openMenuOn(1);
            QVERIFY(menu);
            QAction* refreshGone = action(menu, "refresh");
            f.bus->detach(f.port(2));
            QTRY_COMPARE(f.rows(), 2);
            clearReceived();
            refreshGone->trigger();
            f.settle();
            for (const SimPrinter* p : {&qxa, &hvc, &eight})
                QVERIFY(p->commandSet->receivedCommands().isEmpty());
            menu->close();

            // Below the last row there is no printer, and no menu.
            QTRY_VERIFY(!f.window->openRowMenu());
            emit table->customContextMenuRequested(QPoint(5, table->viewport()->height() - 5));
            QVERIFY(!f.window->openRowMenu());
        }
        Edition::setCurrent(Edition::printerFlasher());
    }

    // --screenshot takes its picture once every printer's probe has finished, not at its first answer.
    void screenshotWaitsForEveryProbe() {
        Edition::setCurrent(Edition::serialSwitcher());
        {
            SimFixture f(true);
            for (auto [model, n] : {std::pair{sim::SimZEVModel::HVQXA, 1},
                                    {sim::SimZEVModel::HVC, 2},
                                    {sim::SimZEVModel::EightTable, 3}})
                f.attach(model, f.port(n));
            f.controller->awakeFromNib();
            f.window->show();
            QTemporaryDir dir;
            const QString picture = dir.filePath(QStringLiteral("window.png"));
            std::optional<bool> result;
            QStringList shown;
            ui::saveScreenshotWhenReady(f.window.get(), 3, picture, 10000, [&](bool ok) {
                result = ok;
                for (int row = 0; row < f.rows(); ++row) {
                    for (int column : {Column::PrinterStatusColumn, Column::LifetimeCounterColumn,
                                       Column::SerialNumberColumn, Column::ColourTablesColumn})
                        shown << f.cell(row, column);
                }
            });
            QTRY_VERIFY_WITH_TIMEOUT(result.has_value(), 15000);
            QVERIFY(*result);
            QCOMPARE(shown.size(), 12);
            QVERIFY2(!shown.contains(QString()), qPrintable(shown.join(QLatin1Char('|'))));
            QVERIFY(QFileInfo(picture).size() > 0);

            // A printer that never shows up: the picture is still saved after the time limit, and the
            // run reports the failure.
            result.reset();
            const QString late = dir.filePath(QStringLiteral("late.png"));
            ui::saveScreenshotWhenReady(f.window.get(), 4, late, 200, [&](bool ok) { result = ok; });
            QTRY_VERIFY(result.has_value());
            QVERIFY(!*result);
            QVERIFY(QFileInfo(late).size() > 0);
        }
        Edition::setCurrent(Edition::printerFlasher());
    }

    void terminationEmptiesTheListAndStopsDiscovery() {
        SimFixture f;
        f.controller->awakeFromNib();
        f.attach(sim::SimZEVModel::HVC, f.port(1));
        f.attach(sim::SimZEVModel::HVC, f.port(2));
        QTRY_COMPARE(f.rows(), 2);

        QVERIFY(f.controller->applicationShouldTerminate());
        QCOMPARE(f.rows(), 0);
        QVERIFY(f.controller->printers().isEmpty());

        // No further notices: a new printer is not listed.
        f.attach(sim::SimZEVModel::HVC, f.port(3));
        f.settle();
        QCOMPARE(f.rows(), 0);
    }

    void demoMenuDrivesTheList() {
        SimFixture f;
        app::Simulation simulation;
        usb::setCurrentBus(simulation.bus());
        {
            TBPrinters controller;
            ui::PrinterWindow window(&controller, false);
            controller.setController(window.selection());
            simulation.followWith(&controller);
            controller.awakeFromNib();
            ui::PrinterListModel* model = window.listModel();
            auto cell = [model](int column) { return model->data(model->index(0, column)).toString(); };

            const std::uint32_t hvc = simulation.plugIn(sim::SimZEVModel::HVC);
            QTRY_COMPARE(model->rowCount(), 1);
            QTRY_COMPARE(cell(Column::PrinterStatusColumn), QStringLiteral("Idle"));
            // A model printer-flasher does not drive is plugged in, and stays out of the list.
            const std::uint32_t hva = simulation.plugIn(sim::SimZEVModel::HVA);
            QVERIFY(hva != 0 && hva != hvc);

            simulation.setPaperEnd(hvc, true);
            QTRY_COMPARE(cell(Column::PrinterStatusColumn), QStringLiteral("Paper End"));
            simulation.setPaperEnd(hvc, false);
            QTRY_COMPARE(cell(Column::PrinterStatusColumn), QStringLiteral("Idle"));

            QTRY_COMPARE(cell(Column::UsbStatusColumn), QStringLiteral("USB Available"));
            // The refresh that followed the paper has let go of the printer (its close notice would
            // otherwise land after the other program's claim).
            SimFixture::drain(&controller);
            simulation.setHeldByOtherProgram(hvc, true);
            QTRY_COMPARE(cell(Column::UsbStatusColumn), QStringLiteral("USB Busy"));
            simulation.setHeldByOtherProgram(hvc, false);
            QTRY_COMPARE(cell(Column::UsbStatusColumn), QStringLiteral("USB Available"));

            simulation.unplug(hvc);
            QTRY_COMPARE(model->rowCount(), 0);
            QCOMPARE(simulation.locations(), std::vector<std::uint32_t>{hva});
            controller.prepareForTermination();
        }
        SimFixture::drain();
    }

    void serialSwitcherShowsACheckBoxAndEveryTable() {
        Edition::setCurrent(Edition::serialSwitcher());
        {
            SimFixture f(true);
            const SimPrinter sim = f.attach(sim::SimZEVModel::EightTable, f.port(1));
            f.controller->awakeFromNib();
            QTRY_VERIFY(f.probed(f.port(1)));

            const QModelIndex cell = f.model()->index(0, Column::UsbSerialColumn);
            QVERIFY(f.model()->flags(cell) & Qt::ItemIsUserCheckable);
            QCOMPARE(f.model()->data(cell, Qt::CheckStateRole).toInt(), int(Qt::Unchecked));
            QCOMPARE(f.model()->data(cell).toString(), QStringLiteral("Disabled"));

            // Ticking the box switches the printer; the cell then shows the printer's own answer.
            QVERIFY(f.model()->setData(cell, Qt::Checked, Qt::CheckStateRole));
            QTRY_VERIFY(sim.commandSet->state().usbISerialSwitch);
            QTRY_COMPARE(f.model()->data(cell, Qt::CheckStateRole).toInt(), int(Qt::Checked));
            QCOMPARE(f.model()->data(cell).toString(), QStringLiteral("Enabled"));

            // Four slots for each of the two media kinds: one line per slot, its HD table beside it.
            const QStringList lines = f.cell(0, Column::ColourTablesColumn).split(QLatin1Char('\n'));
            QCOMPARE(lines.size(), 4);
            QCOMPARE(lines.at(3), QStringLiteral("620: 0100 / 1000\t620 HD: 0200 / 2000"));
        }
        Edition::setCurrent(Edition::printerFlasher());
    }
};

QTEST_MAIN(PrinterListTest)
#include "test_printerlist.moc"
