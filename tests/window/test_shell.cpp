// The application shell at launch: localised menus, headers and texts, the window title, the
// version in the user defaults, and quitting with the last window.
#include "simfixture.h"

#include "Classes/Edition.h"
#include "platform/strings.h"
#include "platform/userdefaults.h"
#include "ui/simulationmenu.h"

#include <QAction>
#include <QApplication>
#include <QFileInfo>
#include <QHeaderView>
#include <QLibraryInfo>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QSettings>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTimer>
#include <QtTest>

using namespace testsupport;
using Column = ui::PrinterListModel::Column;

namespace {

QMenu* menuNamed(QMenuBar* bar, const QString& objectName) {
    for (QAction* action : bar->actions()) {
        if (action->menu() && action->menu()->objectName() == objectName) return action->menu();
    }
    return nullptr;
}

QAction* actionNamed(QMenu* menu, const QString& objectName) {
    for (QAction* action : menu->actions()) {
        if (action->objectName() == objectName) return action;
    }
    return nullptr;
}

} // namespace

class ShellTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        QStandardPaths::setTestModeEnabled(true);
        QCoreApplication::setOrganizationName(QStringLiteral("printer-tools-tests"));
        QCoreApplication::setApplicationName(QStringLiteral("printer-flasher"));
    }
    void init() { QSettings().clear(); }
    void cleanup() {
        platform::removeTranslations();
        QSettings().clear();
    }

    void germanMenusHeadersAndStatusTexts() {
        QVERIFY(platform::installTranslations(QLocale(QLocale::German, QLocale::Germany)));
        SimFixture f;
        app::Simulation simulation;
        QMenuBar* bar = f.window->menuBar();
        bar->addMenu(ui::createSimulationMenu(&simulation, f.window.get()));
        QMenu* file = f.window->fileMenu();
        // An item without a translation keeps its title.
        QAction* untranslated = file->addAction(QStringLiteral("Frobnicate"));
        auto countSeparators = [file] {
            const QList<QAction*> actions = file->actions();
            return int(std::count_if(actions.begin(), actions.end(),
                                     [](QAction* a) { return a->isSeparator() && a->text().isEmpty(); }));
        };
        const int separators = countSeparators();

        f.attach(sim::SimZEVModel::HVC, f.port(1));
        f.controller->awakeFromNib();
        f.controller->applicationDidFinishLaunching(f.window.get());

        QCOMPARE(file->title(), QStringLiteral("&Drucker"));
        QCOMPARE(f.window->updateFirmwareAction()->text(), QStringLiteral("Firmware aktualisieren…"));
        QCOMPARE(f.window->refreshAction()->text(), QStringLiteral("Neu einlesen"));
        QCOMPARE(actionNamed(file, QStringLiteral("quit"))->text(), QStringLiteral("Beenden"));
        QCOMPARE(f.window->refreshAction()->toolTip(),
                 QStringLiteral("Angaben des ausgewählten Druckers neu einlesen"));
        QCOMPARE(untranslated->text(), QStringLiteral("Frobnicate"));
        QCOMPARE(countSeparators(), separators);
        // Submenus are localised too.
        QMenu* simulationMenu = menuNamed(bar, QStringLiteral("simulationMenu"));
        QVERIFY(simulationMenu);
        QCOMPARE(simulationMenu->title(), QStringLiteral("&Simulation"));
        QCOMPARE(simulationMenu->findChild<QMenu*>(QStringLiteral("unplugMenu"))->title(),
                 QStringLiteral("Trennen"));
        QCOMPARE(simulationMenu->findChild<QMenu*>(QStringLiteral("otherModelsMenu"))->title(),
                 QStringLiteral("Weitere Modelle (von diesem Programm ignoriert)"));
        // So are the tool tips of the menu bar's own items.
        QCOMPARE(simulationMenu->menuAction()->toolTip(),
                 QStringLiteral("Simulierte Drucker anschließen, trennen oder stören"));
        // An item without a tool tip of its own keeps following its title.
        QCOMPARE(file->menuAction()->toolTip(), QStringLiteral("Drucker"));
        file->setTitle(QStringLiteral("&Gerät"));
        QCOMPARE(file->menuAction()->toolTip(), QStringLiteral("Gerät"));
        file->setTitle(QStringLiteral("&Drucker"));

        QCOMPARE(f.model()->headerData(Column::PrinterStatusColumn, Qt::Horizontal).toString(),
                 QStringLiteral("Druckerstatus"));
        QCOMPARE(f.model()->headerData(Column::LifetimeCounterColumn, Qt::Horizontal).toString(),
                 QStringLiteral("Gesamtzähler"));
        QCOMPARE(f.model()->headerData(Column::PictureColumn, Qt::Horizontal).toString(), QString());

        // The printer's English texts are shown in German.
        QTRY_COMPARE(f.cell(0, Column::PrinterStatusColumn), QStringLiteral("Bereit"));
        QTRY_COMPARE(f.cell(0, Column::UsbStatusColumn), QStringLiteral("USB verfügbar"));
        QTRY_COMPARE(f.cell(0, Column::UsbSerialColumn), QStringLiteral("Deaktiviert"));
    }

    // Qt's own texts (standard buttons) come from Qt's catalogue in Qt's translations folder when the
    // system has it; without it they stay English and nothing else changes.
    void standardButtonsFollowTheLanguage() {
        const QString catalogue =
            QLibraryInfo::path(QLibraryInfo::TranslationsPath) + QStringLiteral("/qtbase_de.qm");
        QVERIFY(platform::installTranslations(QLocale(QLocale::German, QLocale::Germany)));
        QMessageBox box(QMessageBox::Information, QString(), QString(),
                        QMessageBox::Ok | QMessageBox::Cancel);
        const QString cancel = box.button(QMessageBox::Cancel)->text().remove(QLatin1Char('&'));
        QCOMPARE(platform::localizedString(QStringLiteral("Refresh")), QStringLiteral("Neu einlesen"));
        if (!QFileInfo::exists(catalogue)) {
            QCOMPARE(cancel, QStringLiteral("Cancel"));
            QSKIP("Qt's German catalogue is not installed (qt6-translations-l10n)");
        }
        QCOMPARE(cancel, QStringLiteral("Abbrechen"));
        platform::removeTranslations();
        QMessageBox english(QMessageBox::Information, QString(), QString(), QMessageBox::Cancel);
        QCOMPARE(english.button(QMessageBox::Cancel)->text().remove(QLatin1Char('&')),
                 QStringLiteral("Cancel"));
    }

    // The demo's Plug In menu offers every model; those the running program does not list stand apart.
    void plugInMenuSetsApartWhatTheListIgnores() {
        Edition::setCurrent(Edition::printerFlasher());
        auto directAndOther = [] {
            app::Simulation simulation;
            QWidget parent;
            QMenu* menu = ui::createSimulationMenu(&simulation, &parent);
            QMenu* plug = menu->findChild<QMenu*>(QStringLiteral("plugInMenu"));
            QMenu* others = plug->findChild<QMenu*>(QStringLiteral("otherModelsMenu"));
            auto titles = [](QMenu* m) {
                QStringList result;
                for (QAction* a : m->actions()) {
                    if (!a->isSeparator() && !a->menu()) result << a->text();
                }
                return result;
            };
            return std::pair{titles(plug), others ? titles(others) : QStringList()};
        };
        auto names = [](std::initializer_list<sim::SimZEVModel> models) {
            QStringList result;
            for (sim::SimZEVModel m : models)
                result
                    << QStringLiteral("%1 printer").arg(QString::fromLatin1(sim::simZEVModelFacts(m).name));
            return result;
        };
        const auto flasher = directAndOther();
        QCOMPARE(flasher.first, names({sim::SimZEVModel::HVC}));
        QCOMPARE(flasher.second,
                 names({sim::SimZEVModel::HVQXA, sim::SimZEVModel::EightTable, sim::SimZEVModel::HVA,
                        sim::SimZEVModel::HVB, sim::SimZEVModel::HVBD}));
        Edition::setCurrent(Edition::serialSwitcher());
        const auto switcher = directAndOther();
        Edition::setCurrent(Edition::printerFlasher());
        QCOMPARE(switcher.first,
                 names({sim::SimZEVModel::HVC, sim::SimZEVModel::HVQXA, sim::SimZEVModel::EightTable}));
        QCOMPARE(switcher.second,
                 names({sim::SimZEVModel::HVA, sim::SimZEVModel::HVB, sim::SimZEVModel::HVBD}));
    }

    void englishWithoutATranslation() {
        QVERIFY(!platform::installTranslations(QLocale(QLocale::Korean, QLocale::SouthKorea)));
        SimFixture f;
        f.controller->applicationDidFinishLaunching(f.window.get());
        QCOMPARE(f.window->fileMenu()->title(), QStringLiteral("&Printer"));
        QCOMPARE(f.model()->headerData(Column::PrinterStatusColumn, Qt::Horizontal).toString(),
                 QStringLiteral("Printer Status"));
    }

    void launchSetsTitleAndStoresTheVersion() {
        QCoreApplication::setApplicationVersion(QStringLiteral("1.2.3"));
        SimFixture f;
        QCOMPARE(f.window->windowTitle(), QStringLiteral("Printers"));
        f.controller->applicationDidFinishLaunching(f.window.get());
        QCOMPARE(f.window->windowTitle(), QCoreApplication::applicationName());
        QCOMPARE(QSettings().value(QStringLiteral("CFBundleShortVersionString")).toString(),
                 QStringLiteral("1.2.3"));
    }

    void noVersionNoUserDefault() {
        QCoreApplication::setApplicationVersion(QString());
        SimFixture f;
        f.controller->applicationDidFinishLaunching(f.window.get());
        QVERIFY(!platform::userdefaults::contains(QStringLiteral("CFBundleShortVersionString")));
    }

    void closingTheLastWindowQuitsAndEmptiesTheList() {
        SimFixture f;
        QVERIFY(f.controller->applicationShouldTerminateAfterLastWindowClosed(QCoreApplication::instance()));
        QVERIFY(!f.controller->applicationShouldTerminateAfterLastWindowClosed(f.window.get()));
        QVERIFY(qApp->quitOnLastWindowClosed());

        f.attach(sim::SimZEVModel::HVC, f.port(1));
        f.controller->awakeFromNib();
        QTRY_COMPARE(f.rows(), 1);
        f.window->show();
        QVERIFY(QTest::qWaitForWindowExposed(f.window.get()));
        QSignalSpy quitting(qApp, &QCoreApplication::aboutToQuit);
        // The real main loop: closing the only window must end it.
        QTimer::singleShot(0, f.window.get(), [&f] { f.window->close(); });
        QTimer guard;
        guard.setSingleShot(true);
        connect(&guard, &QTimer::timeout, qApp, [] { QCoreApplication::exit(1); });
        guard.start(10000);
        QCOMPARE(QCoreApplication::exec(), 0);
        QCOMPARE(quitting.count(), 1);
        QCOMPARE(f.rows(), 0);
    }
};

QTEST_MAIN(ShellTest)
#include "test_shell.moc"
