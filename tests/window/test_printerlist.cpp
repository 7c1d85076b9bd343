// The printer list over the simulated bus: rows follow arrivals and removals, cells follow the
// printers' answers, and the selection always ends on the first row.
#include "simfixture.h"

#include "Classes/Edition.h"

#include <QAction>
#include <QItemSelectionModel>
#include <QMessageBox>
#include <QSignalSpy>
#include <QTableWidget>
#include <QtTest>

#include <atomic>
#include <thread>

using namespace testsupport;
using Column = platform::PrinterListModel::Column;

class PrinterListTest : public QObject {
    Q_OBJECT

private slots:
    void init() { Edition::setCurrent(Edition::printerFlasher()); }

    void rowsFollowArrivalAndRemoval() {
        SimFixture f;
        f.controller->awakeFromNib();
        QCOMPARE(f.rows(), 0);
        QVERIFY(!f.controller->hasPrinterList());

        f.attach(zev::Model::HVC, f.port(1));
        QTRY_COMPARE(f.rows(), 1);
        f.attach(zev::Model::HVC, f.port(2));
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
        f.attach(zev::Model::HVC, f.port(1));
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

        // The details pane lists the three tables the HVC reported, readable at a glance.
        QTableWidget* tables = f.window->colourTableView();
        QTRY_COMPARE(tables->rowCount(), 3);
        QStringList seen;
        for (int row = 0; row < tables->rowCount(); ++row) {
            seen << tables->item(row, 0)->text() + QLatin1Char('=') + tables->item(row, 1)->text() +
                        QLatin1Char('/') + tables->item(row, 2)->text();
        }
        QCOMPARE(seen, (QStringList{"300=0100/4D21", "600=0100/B870", "610=0100/0E5F"}));
    }

    void cellsFollowStatusChanges() {
        SimFixture f;
        const SimPrinter printer = f.attach(zev::Model::HVC, f.port(1));
        f.controller->awakeFromNib();
        QTRY_VERIFY(f.probed(f.port(1)));
        QSignalSpy changed(f.model(), &QAbstractItemModel::dataChanged);

        printer.commandSet->update(
            [](sim::SimZEVPrinterState& s) { s.statusCode = QStringLiteral("01100"); });
        f.controller->printerAt(0)->updateInfo();
        QTRY_COMPARE(f.cell(0, Column::PrinterStatusColumn), QStringLiteral("Paper End"));
        QVERIFY(!changed.isEmpty());
    }

    void selectionEndsOnFirstRow() {
        SimFixture f;
        f.controller->awakeFromNib();
        for (std::uint32_t port : {f.port(1), f.port(2), f.port(3)})
            f.attach(zev::Model::HVC, port);
        QTRY_COMPARE(f.rows(), 3);
        QTRY_VERIFY(f.probed(f.port(1)) && f.probed(f.port(2)) && f.probed(f.port(3)));
        QCOMPARE(f.controller->selectedRow(), 0);

        // An operator's click on the third row ends on the first.
        QItemSelectionModel* selection = f.controller->controller();
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
        f.attach(zev::Model::HVC, f.port(1));
        f.controller->awakeFromNib();
        QTRY_VERIFY(f.probed(f.port(1)));

        // Work already on the printer's queue runs before the list lets go of the printer.
        std::atomic<bool> release{false};
        std::atomic<bool> finished{false};
        f.controller->printerAt(0)->printerCommandQueue()->async([&] {
            while (!release)
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            finished = true;
        });
        f.bus->detach(f.port(1));
        f.settle(100);
        QCOMPARE(f.rows(), 1);
        release = true;
        QTRY_COMPARE(f.rows(), 0);
        QVERIFY(finished);
    }

    void actionsApplyToTheSelectedPrinter() {
        SimFixture f;
        QVERIFY(!f.window->refreshAction()->isEnabled());
        QVERIFY(!f.window->updateFirmwareAction()->isEnabled());
        const SimPrinter printer = f.attach(zev::Model::HVC, f.port(1));
        f.controller->awakeFromNib();
        QTRY_VERIFY(f.probed(f.port(1)));
        QVERIFY(f.window->refreshAction()->isEnabled());

        // Refresh asks the printer again.
        printer.commandSet->clearReceived();
        f.window->refreshAction()->trigger();
        QTRY_VERIFY(printer.commandSet->receivedCommands().size() >= 2);

        // The update flow is not in this build: the operator is told so, nothing is sent.
        QTRY_VERIFY(f.probed(f.port(1)));
        printer.commandSet->clearReceived();
        QSignalSpy notice(f.window.get(), &platform::PrinterWindow::noticeShown);
        f.window->updateFirmwareAction()->trigger();
        QCOMPARE(notice.count(), 1);
        QVERIFY(f.window->openNotice());
        f.settle();
        QVERIFY(printer.commandSet->receivedCommands().isEmpty());
        f.window->openNotice()->close();
    }

    void terminationEmptiesTheListAndStopsDiscovery() {
        SimFixture f;
        f.controller->awakeFromNib();
        f.attach(zev::Model::HVC, f.port(1));
        f.attach(zev::Model::HVC, f.port(2));
        QTRY_COMPARE(f.rows(), 2);

        QVERIFY(f.controller->applicationShouldTerminate());
        QCOMPARE(f.rows(), 0);
        QVERIFY(f.controller->printers().isEmpty());

        // No further notices: a new printer is not listed.
        f.attach(zev::Model::HVC, f.port(3));
        f.settle(100);
        QCOMPARE(f.rows(), 0);
    }

    void demoMenuDrivesTheList() {
        SimFixture f;
        platform::Simulation simulation;
        usb::setCurrentBus(simulation.bus());
        {
            TBPrinters controller;
            platform::PrinterWindow window(&controller, false);
            controller.setTableview(window.tableView());
            simulation.followWith(&controller);
            controller.awakeFromNib();
            platform::PrinterListModel* model = window.listModel();
            auto cell = [model](int column) { return model->data(model->index(0, column)).toString(); };

            const std::uint32_t hvc = simulation.plugIn(zev::Model::HVC);
            QTRY_COMPARE(model->rowCount(), 1);
            QTRY_COMPARE(cell(Column::PrinterStatusColumn), QStringLiteral("Idle"));
            // A model printer-flasher does not drive is plugged in, and stays out of the list.
            const std::uint32_t hva = simulation.plugIn(zev::Model::HVA);
            QVERIFY(hva != 0 && hva != hvc);

            simulation.setPaperEnd(hvc, true);
            QTRY_COMPARE(cell(Column::PrinterStatusColumn), QStringLiteral("Paper End"));
            simulation.setPaperEnd(hvc, false);
            QTRY_COMPARE(cell(Column::PrinterStatusColumn), QStringLiteral("Idle"));

            QTRY_COMPARE(cell(Column::UsbStatusColumn), QStringLiteral("USB Available"));
            simulation.setHeldByOtherProgram(hvc, true);
            QTRY_COMPARE(cell(Column::UsbStatusColumn), QStringLiteral("USB Busy"));
            simulation.setHeldByOtherProgram(hvc, false);
            QTRY_COMPARE(cell(Column::UsbStatusColumn), QStringLiteral("USB Available"));

            simulation.unplug(hvc);
            QTRY_COMPARE(model->rowCount(), 0);
            QCOMPARE(simulation.locations(), std::vector<std::uint32_t>{hva});
            controller.prepareForTermination();
        }
        SimFixture::settle();
    }

    void serialSwitcherShowsACheckBoxAndEveryTable() {
        Edition::setCurrent(Edition::serialSwitcher());
        {
            SimFixture f(true);
            const SimPrinter sim = f.attach(zev::Model::EightTable, f.port(1));
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

            // Four slots for each of the two media kinds.
            QTRY_COMPARE(f.window->colourTableView()->rowCount(), 8);
            QCOMPARE(f.window->colourTableView()->item(7, 0)->text(), QStringLiteral("620 HD"));
            QCOMPARE(f.window->colourTableView()->item(7, 1)->text(), QStringLiteral("0200"));
        }
        Edition::setCurrent(Edition::printerFlasher());
    }
};

QTEST_MAIN(PrinterListTest)
#include "test_printerlist.moc"
