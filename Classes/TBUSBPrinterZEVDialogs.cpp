// What the printer puts before the operator: the general alert, the firmware-update warning with its
// "I Agree" box, and the two notices of the serial-number switch. Alerts are built on the calling
// thread and shown on the main thread by the current presenter (platform/dialogs.h).
#include "Classes/Edition.h"
#include "Classes/TBPrintQueues.h"
#include "Classes/TBUSBPrinterZEV.h"
#include "Classes/UpdateSession.h"

#include "platform/application.h"
#include "platform/platformlog.h"
#include "platform/strings.h"

namespace {

const QString kCustomerDidAgreeProperty = QStringLiteral("customerDidAgree");

// How long the print system gets for each of its commands before the clean-up gives up on it.
constexpr int kPrintSystemTimeoutMs = 10000;

using platform::localized;

bool isEmptyText(const std::optional<QString>& text) {
    return !text || text->isEmpty();
}

// An alert about `printer`: its picture as icon, the printer kept alive while the alert is up.
// No buttons means the presenter's own default button.
std::shared_ptr<platform::Alert> alertAbout(const std::shared_ptr<TBUSBPrinter>& printer,
                                            const QString& headline, const QString& message = {},
                                            const QStringList& buttons = {}) {
    auto alert = std::make_shared<platform::Alert>();
    alert->icon = printer ? printer->image() : QImage();
    alert->messageText = headline;
    alert->informativeText = message;
    alert->buttons = buttons;
    alert->keepAlive = printer;
    if (printer) alert->subject = printer->keyUSBdevice();
    return alert;
}

// The general alert's defaults: "Alert" for a missing title, the single button "OK" for none.
std::shared_ptr<platform::Alert> generalAlert(const std::shared_ptr<TBUSBPrinter>& printer,
                                              const std::optional<QString>& title,
                                              const std::optional<QString>& message,
                                              const std::optional<QStringList>& buttonTitles) {
    return alertAbout(printer, title ? *title : localized(QT_TRANSLATE_NOOP("TBPrinters", "Alert")),
                      message.value_or(QString()),
                      buttonTitles && !buttonTitles->isEmpty() ? *buttonTitles
                                                               : QStringList{QStringLiteral("OK")});
}

} // namespace

void TBUSBPrinterZEV::showAlertWithTitle(const std::optional<QString>& title,
                                         const std::optional<QString>& message,
                                         const std::optional<QStringList>& buttonTitles,
                                         AlertCompletion completion, const platform::AlertIntent& intent) {
    showCustomAlertWithTitle(title ? *title : localized(QT_TRANSLATE_NOOP("TBPrinters", "Alert")),
                             message ? *message : QString(),
                             buttonTitles ? *buttonTitles : QStringList{QStringLiteral("OK")}, std::nullopt,
                             platform::kAlertStyleWarning, {}, std::move(completion), intent);
}

void TBUSBPrinterZEV::showCustomAlertWithTitle(const std::optional<QString>& title,
                                               const std::optional<QString>& message,
                                               const std::optional<QStringList>& buttonTitles,
                                               std::optional<platform::AlertCheckBox> accessoryView,
                                               quint64 alertStyle, AlertLayout customLayout,
                                               AlertCompletion completion,
                                               const platform::AlertIntent& intent) {
    platform::platformLog(
        "%s",
        methodName(
            "showCustomAlertWithTitle:message:buttonTitles:accessoryView:alertStyle:customLayout:completion:")
            .c_str());
    if (isEmptyText(title) && isEmptyText(message)) return;

    auto alert = generalAlert(self(), title, message, buttonTitles);
    alert->accessory = std::move(accessoryView);
    alert->style = alertStyle;
    alert->layout = std::move(customLayout);
    alert->completion = std::move(completion);
    alert->intent = intent;
    platform::showAlert(alert);
}

void TBUSBPrinterZEV::old_showAlertWithTitle(const std::optional<QString>& title,
                                             const std::optional<QString>& message,
                                             const std::optional<QStringList>& buttonTitles,
                                             AlertCompletion completion) {
    platform::platformLog("%s",
                          methodName("old_showAlertWithTitle:message:buttonTitles:completion:").c_str());
    if (isEmptyText(title) && isEmptyText(message)) return;
    auto printer = zevSelf();
    if (!printer) return;
    onMainThread([printer, title, message, buttonTitles, completion = std::move(completion)]() mutable {
        auto alert = generalAlert(printer, title, message, buttonTitles);
        alert->completion = std::move(completion);
        platform::showAlert(alert);
    });
}

QString TBUSBPrinterZEV::QXAUpdateWarningText() const {
    return localized(
               QT_TRANSLATE_NOOP("TBPrinters",
                                 "This update tool is for the ZEV QXA printer. It will upgrade the printer "
                                 "firmware to version %1.\n\nOnce updated, the QXA printer will REQUIRE the "
                                 "use of QXAHS media packs. Please use up all QXA media before using this "
                                 "update tool. This process cannot be undone."))
        .arg(Edition::current().qxaWarningFirmwareVersion());
}

QString TBUSBPrinterZEV::genericUpdateWarningText() {
    return updateWarningText(newFirmwareVersion().value_or(QString()));
}

QString TBUSBPrinterZEV::updateWarningText(const QString& version) {
    return localized(QT_TRANSLATE_NOOP("TBPrinters", "This update tool will upgrade the printer firmware to "
                                                     "version %1. This process cannot be undone"))
        .arg(version);
}

QString TBUSBPrinterZEV::updateConfirmationTitle() {
    return localized(
        QT_TRANSLATE_NOOP("TBPrinters", "-- Warning --\n\nAre you certain you want to update the firmware?"));
}

QString TBUSBPrinterZEV::updateConfirmationWarning() {
    return localized(QT_TRANSLATE_NOOP("TBPrinters",
                                       "The printer may be permanently damaged if it is unplugged "
                                       "or loses power during the update process."));
}

bool TBUSBPrinterZEV::customerDidAgree() const {
    return customerDidAgree_.load();
}

void TBUSBPrinterZEV::setToggleAgreed(std::optional<int> senderState) {
    if (!senderState) return;
    customerDidAgree_.store(*senderState == 1);
    announce(kCustomerDidAgreeProperty);
}

void TBUSBPrinterZEV::ShowQXAWarning() {
    auto printer = zevSelf();
    if (!printer) return; // being destroyed: nobody is left to agree for
    platform::AlertCheckBox agree;
    agree.title = localized(QT_TRANSLATE_NOOP("TBPrinters", "I Agree"));
    agree.size = QSize(72, 18);
    agree.action = [printer](int state) { printer->setToggleAgreed(state); };
    // Every warning starts unticked; nobody is told, the alert is not up yet.
    customerDidAgree_.store(false);

    const bool qxaText = Edition::current().isSerialSwitcher() || printerModel() == zev::Model::HVQXA;
    const QString message = qxaText ? QXAUpdateWarningText() : genericUpdateWarningText();

    // "Continue" follows the box while the alert is up: the connection ends with the alert.
    AlertLayout bindContinue = [printer](platform::AlertView& alert) {
        if (alert.buttonCount() < 2) return;
        alert.setButtonEnabled(1, printer->customerDidAgree());
        QObject::connect(printer.get(), &TBUSBPrinter::valueChanged, alert.context(),
                         [printer, &alert](const QString& key) {
                             if (key == kCustomerDidAgreeProperty)
                                 alert.setButtonEnabled(1, printer->customerDidAgree());
                         });
    };
    showCustomAlertWithTitle(
        localized(QT_TRANSLATE_NOOP("TBPrinters", "Attention:")), message,
        QStringList{localized(QT_TRANSLATE_NOOP("TBPrinters", "Quit")),
                    localized(QT_TRANSLATE_NOOP("TBPrinters", "Continue"))},
        agree, platform::kAlertStyleCritical, bindContinue,
        [printer](qint64 response) {
            const auto session = UpdateSession::find(printer->keyUSBdevice());
            if (response == platform::kAlertFirstButtonReturn + 1 && printer->customerDidAgree()) {
                if (session && session->step() == UpdateSession::Step::Request)
                    session->advance(UpdateSession::Event::Passed);
                const auto current = session && !session->hasEnded() ? session->printer() : printer;
                (current ? current : printer)->proceedWithUpdateWhenReady();
            } else if (response == platform::kAlertFirstButtonReturn) {
                if (session) session->end(UpdateSession::Outcome::Cancelled);
                platform::requestTermination();
            }
        },
        platform::AlertIntent{.accept = 1, .abandon = 0});
}

// ---- the serial-number switch's notices and clean-up --------------------------------------------------

void TBUSBPrinterZEV::showPrinterBusyAlert() {
    auto alert = alertAbout(
        self(), localized(QT_TRANSLATE_NOOP("TBPrinters", "The Selected Printer is Unavailable. (Busy)")));
    alert->modality = platform::AlertModality::Application;
    alert->intent.outcome = platform::AlertIntent::Outcome::Failed;
    platform::showAlert(alert);
}

void TBUSBPrinterZEV::showPowerCycleAlert() {
    auto alert = alertAbout(
        self(), localized(QT_TRANSLATE_NOOP(
                    "TBPrinters", "Please power-cycle the selected printer now to complete the process!")));
    alert->modality = platform::AlertModality::Application;
    // The switch's read-back is stored on the main thread; deciding there, after it, compares the
    // setting the printer really has with the USB identity it shows.
    auto printer = zevSelf();
    if (!printer) return;
    onMainThread([printer, alert] {
        const bool showsSerialNumber = !printer->serialNumberUSB().isEmpty();
        if (printer->usbISerial() != showsSerialNumber) platform::showAlert(alert);
    });
}

void TBUSBPrinterZEV::deleteExistingPrinterQueues() {
    platform::platformLog("%s", methodName("deleteExistingPrinterQueues").c_str());
    const QString model = this->model();
    if (model.isEmpty()) {
        platform::platformLog("print queues left alone: %s has no model name", descriptionUTF8().constData());
        return;
    }
    const printqueues::Outcome outcome = printqueues::removeQueuesForModel(model, kPrintSystemTimeoutMs);
    if (!outcome.listed) {
        // No print system here, or it did not answer: there is nothing the operator can act on.
        platform::platformLog("print queues of %s not checked: %s", model.toUtf8().constData(),
                              outcome.listingProblem.toUtf8().constData());
        return;
    }
    if (outcome.failed.isEmpty()) return;
    QStringList lines;
    for (const printqueues::Failure& failure : outcome.failed)
        lines << QStringLiteral("%1: %2").arg(failure.queue, failure.reason);
    showAlertWithTitle(
        localized(QT_TRANSLATE_NOOP("TBPrinters", "Old print queues could not be removed")),
        localized(
            QT_TRANSLATE_NOOP("TBPrinters",
                              "The printer will appear to the print system as a new device. These print "
                              "queues for it could not be removed:\n\n%1\n\nRemove them in the printer "
                              "settings, or ask your administrator to remove them."))
            .arg(lines.join(QLatin1Char('\n'))),
        std::nullopt, {});
}
