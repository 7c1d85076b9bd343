// Each language the programs speak, as its operator sees it: the window and the dialogs of an update
// laid out at that language's texts with nothing cut off (their pictures are kept under
// screenshots/<language>/ beside this test), menus whose mnemonics do not clash, and the command
// line's refusal to ask a question it cannot ask, in that language.
#include "common/messagebox.h"
#include "common/programrun.h"
#include "window/simfixture.h"

#include "platform/application.h"
#include "platform/dialogs.h"
#include "platform/listselection.h"
#include "platform/strings.h"
#include "ui/qtalertpresenter.h"
#include "ui/simulationmenu.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QHeaderView>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QPointer>
#include <QProcess>
#include <QSet>
#include <QTableView>
#include <QTemporaryDir>
#include <QtTest>

using namespace testsupport;

namespace {

const QStringList kLanguages{"de", "es", "fr", "it", "ja", "pt_BR", "zh_CN"};

// Every visible button, one-line label and column title of `top` is given the room its text needs.
QStringList cutTexts(QWidget* top) {
    QStringList cut;
    for (QAbstractButton* button : top->findChildren<QAbstractButton*>())
        if (button->isVisible() && !button->text().isEmpty() && button->width() < button->sizeHint().width())
            cut << button->text();
    for (QLabel* label : top->findChildren<QLabel*>())
        if (label->isVisible() && !label->wordWrap() && label->width() < label->sizeHint().width())
            cut << label->text();
    for (QHeaderView* header : top->findChildren<QHeaderView*>()) {
        if (!header->isVisible()) continue;
        for (int section = 0; section < header->count(); ++section)
            if (header->sectionSize(section) < header->sectionSizeHint(section))
                cut << QStringLiteral("%1 (%2 of %3 pixels)")
                           .arg(header->model()->headerData(section, header->orientation()).toString())
                           .arg(header->sectionSize(section))
                           .arg(header->sectionSizeHint(section));
    }
    return cut;
}

// Titles whose mnemonic letter another title of the same menu (or of the menu bar) already has.
QStringList clashingMnemonics(const QList<QAction*>& actions) {
    QStringList clashes;
    QSet<QChar> taken;
    for (QAction* action : actions) {
        if (action->isSeparator()) continue;
        const QString text = QString(action->text()).remove(QStringLiteral("&&"));
        const qsizetype mark = text.indexOf(QLatin1Char('&'));
        if (mark >= 0 && mark + 1 < text.size()) {
            const QChar letter = text.at(mark + 1).toLower();
            if (taken.contains(letter)) clashes << action->text();
            taken.insert(letter);
        }
        if (action->menu()) clashes << clashingMnemonics(action->menu()->actions());
    }
    return clashes;
}

void save(QWidget* widget, const QString& language, const QString& name) {
    const QString folder =
        QCoreApplication::applicationDirPath() + QStringLiteral("/screenshots/") + language;
    QVERIFY(QDir().mkpath(folder));
    QVERIFY(widget->grab().save(folder + QLatin1Char('/') + name + QStringLiteral(".png")));
}

} // namespace

class LanguagesTest : public QObject {
    Q_OBJECT

    static void languages() {
        QTest::addColumn<QString>("language");
        for (const QString& language : kLanguages)
            QTest::newRow(qPrintable(language)) << language;
    }

private slots:
    void cleanup() {
        platform::setAlertPresenter(nullptr);
        platform::removeTranslations();
    }

    void windowAndUpdateDialogs_data() { languages(); }
    void windowAndUpdateDialogs() {
        QFETCH(QString, language);
        QVERIFY(platform::installTranslations(QLocale(language)));
        SimFixture f;
        app::Simulation simulation;
        f.window->menuBar()->addMenu(ui::createSimulationMenu(&simulation, f.window.get()));
        const SimPrinter first = f.attach(sim::SimZEVModel::HVC, f.port(1));
        f.attach(sim::SimZEVModel::HVC, f.port(2)); // the demo's two printers
        f.controller->awakeFromNib();
        f.controller->applicationDidFinishLaunching(f.window.get());
        f.window->show();
        QVERIFY(QTest::qWaitForWindowExposed(f.window.get()));
        QTRY_VERIFY_WITH_TIMEOUT(f.probed(f.port(1)) && f.probed(f.port(2)), 10000);
        f.settle();
        QVERIFY(f.window->fileMenu()->title() != QStringLiteral("&Printer"));

        // (The header lays its sections out again a moment after the rows change.)
        QTRY_VERIFY2(cutTexts(f.window.get()).isEmpty(), qPrintable(cutTexts(f.window.get()).join(" | ")));
        // Nor is a column scrolled out of sight: the window is as wide as its columns.
        QTableView* table = f.window->tableView();
        QTRY_VERIFY2(table->horizontalHeader()->length() <= table->viewport()->width(),
                     qPrintable(QStringLiteral("%1 > %2")
                                    .arg(table->horizontalHeader()->length())
                                    .arg(table->viewport()->width())));
        QVERIFY2(clashingMnemonics(f.window->menuBar()->actions()).isEmpty(),
                 qPrintable(clashingMnemonics(f.window->menuBar()->actions()).join(" | ")));
        save(f.window.get(), language, QStringLiteral("window"));

        // The warning, agreed to, then the confirmation, declined: nothing reaches the printer.
        platform::setAlertPresenter(std::make_shared<ui::QtAlertPresenter>(f.window.get()));
        f.window->selection()->selectRow(0);
        f.window->updateFirmwareAction()->trigger();
        QTRY_VERIFY(openMessageBox());
        QMessageBox* warning = openMessageBox();
        QVERIFY(warning->checkBox());
        QVERIFY2(cutTexts(warning).isEmpty(), qPrintable(cutTexts(warning).join(" | ")));
        save(warning, language, QStringLiteral("warning"));
        warning->checkBox()->click();
        QTRY_VERIFY(warning->buttons().constLast()->isEnabled());
        for (QAbstractButton* button : warning->buttons())
            if (button->text() == platform::localizedString(QStringLiteral("Continue"))) button->click();
        // (A box is deleted once closed; the next may take its address.)
        const QPointer<QMessageBox> warned = warning;
        QTRY_VERIFY(!warned && openMessageBox());
        QMessageBox* confirmation = openMessageBox();
        QVERIFY2(cutTexts(confirmation).isEmpty(), qPrintable(cutTexts(confirmation).join(" | ")));
        save(confirmation, language, QStringLiteral("confirmation"));
        confirmation->escapeButton()->click();
        QTRY_VERIFY(!openMessageBox());
        f.settle();
        QVERIFY(!first.commandSet->receivedCommands().contains("FW_UPDFLASH_REWRITE"));
    }

    void commandLineRefusal_data() { languages(); }
    void commandLineRefusal() {
        QFETCH(QString, language);
        QTemporaryDir home;
        QProcessEnvironment environment = programEnvironment(home.path());
        for (const char* name : {"LANGUAGE", "LC_ALL", "LC_MESSAGES"})
            environment.remove(QString::fromLatin1(name));
        environment.insert(QStringLiteral("LANG"), language + QStringLiteral(".UTF-8"));
        QProcess process;
        process.setProcessEnvironment(environment);
        process.setStandardInputFile(QProcess::nullDevice());
        process.start(QStringLiteral(PRINTER_FLASHER_EXECUTABLE),
                      {"--simulate=hvc", "--simulate-pace=instant", "--update", "--all"});
        QVERIFY(process.waitForFinished(60000));
        const QString err = QString::fromUtf8(process.readAllStandardError());
        QCOMPARE(process.exitCode(), 2);

        QVERIFY(platform::installTranslations(QLocale(language)));
        const QString english =
            QStringLiteral("Run this on a terminal to answer it, or pass --yes to accept the warning and the "
                           "confirmation.");
        const QString refusal = platform::localizedString(english);
        QVERIFY(refusal != english);
        QVERIFY2(err.contains(refusal), qPrintable(err));
        QVERIFY2(err.contains(platform::localizedString(
                                  QStringLiteral("%1: cannot ask this question: there is no terminal to "
                                                 "answer it on."))
                                  .arg(QStringLiteral("printer-flasher"))),
                 qPrintable(err));
    }
};

QTEST_MAIN(LanguagesTest)
#include "test_languages.moc"
