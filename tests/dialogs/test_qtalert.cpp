// The firmware-update warning in a real QMessageBox: "Continue" follows the "I Agree" box, the
// answers reach the printer, and a second warning starts unticked.
#include "common/messagebox.h"
#include "common/testsupport.h"
#include "platform/application.h"
#include "platform/dialogs.h"
#include "protocol/zevrig.h"
#include "ui/qtalertpresenter.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QMessageBox>
#include <QTest>

namespace {

QAbstractButton* button(QMessageBox* box, const QString& text) {
    for (QAbstractButton* b : box->buttons())
        if (b->text() == text) return b;
    return nullptr;
}

} // namespace

class QtAlertTest : public QObject {
    Q_OBJECT

private slots:
    void continueFollowsTheAgreement() {
        testsupport::LogCapture log;
        int terminations = 0;
        platform::setTerminationHandler([&terminations] { ++terminations; });
        platform::setAlertPresenter(std::make_shared<ui::QtAlertPresenter>());
        ZEVRig rig(sim::SimZEVModel::HVC);

        rig.printer->ShowQXAWarning();
        QTRY_VERIFY(testsupport::openMessageBox());
        QMessageBox* box = testsupport::openMessageBox();
        QCOMPARE(box->text(), QStringLiteral("Attention:"));
        QCOMPARE(box->textFormat(), Qt::PlainText);
        QVERIFY(!box->iconPixmap().isNull());
        QAbstractButton* proceed = button(box, "Continue");
        QVERIFY(proceed && button(box, "Quit"));
        QCOMPARE(box->checkBox()->text(), QStringLiteral("I Agree"));
        QVERIFY(!proceed->isEnabled());
        box->checkBox()->click();
        QVERIFY(proceed->isEnabled());
        box->checkBox()->click();
        QVERIFY(!proceed->isEnabled());
        box->checkBox()->click();
        proceed->click();
        QTRY_VERIFY(!testsupport::openMessageBox());
        QVERIFY(log.contains("-[TBUSBPrinterZEV proceedWithUpdateWhenReady]"));

        rig.printer->ShowQXAWarning();
        QTRY_VERIFY(testsupport::openMessageBox());
        box = testsupport::openMessageBox();
        QVERIFY(!box->checkBox()->isChecked());
        QVERIFY(!button(box, "Continue")->isEnabled());
        button(box, "Quit")->click();
        QTRY_COMPARE(terminations, 1);

        platform::setAlertPresenter(nullptr);
        platform::setTerminationHandler(nullptr);
    }
};

QTEST_MAIN(QtAlertTest)
#include "test_qtalert.moc"
