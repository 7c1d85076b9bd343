#include "cli/presenter.h"

#include "cli/options.h"
#include "cli/output.h"
#include "platform/platformlog.h"

#include <QCoreApplication>
#include <QJsonArray>

namespace cli {

namespace {

// As the console presenter shows an alert.
void printAlert(const platform::Alert& alert) {
    QString text = QStringLiteral("\n") + alert.messageText + QLatin1Char('\n');
    if (!alert.informativeText.isEmpty()) text += alert.informativeText + QLatin1Char('\n');
    printErr(text);
}

Ending endingOf(const platform::Alert& alert) {
    using Outcome = platform::AlertIntent::Outcome;
    switch (alert.intent.outcome) {
    case Outcome::Succeeded:
        return {QStringLiteral("updated"), alert.messageText, alert.informativeText, kExitDone};
    case Outcome::NothingToDo:
        return {QStringLiteral("not-needed"), alert.messageText, alert.informativeText, kExitNothingToDo};
    case Outcome::Lost:
        return {QStringLiteral("lost"), alert.messageText, alert.informativeText, kExitFailed};
    case Outcome::Failed:
    case Outcome::None:
        break;
    }
    return {QStringLiteral("failed"), alert.messageText, alert.informativeText, kExitFailed};
}

} // namespace

HeadlessPresenter::HeadlessPresenter(bool yes) : yes_(yes) {
    console_ = std::make_unique<platform::ConsoleAlertPresenter>([this](const platform::Alert& alert) {
        if (alert.intent.accept < 0) {
            // Nobody may answer this one but a person (try again?): the run ends with its reason.
            end(alert.subject,
                Ending{QStringLiteral("failed"), alert.messageText, alert.informativeText, kExitFailed});
            return;
        }
        printErr(say(QT_TRANSLATE_NOOP(
                     "TBPrinters",
                     "Run this on a terminal to answer it, or pass --yes to accept the warning and the "
                     "confirmation.")) +
                 QLatin1Char('\n'));
        end(alert.subject,
            Ending{
                QStringLiteral("refused"), alert.messageText,
                say(QT_TRANSLATE_NOOP(
                    "TBPrinters", "The question could not be asked: there is no terminal to answer it on.")),
                kExitUsage});
    });
}

HeadlessPresenter::~HeadlessPresenter() = default;

void HeadlessPresenter::follow(const QStringList& subjects) {
    followed_ = subjects;
}

void HeadlessPresenter::setEndings(std::function<void(const QString&, const Ending&)> endings) {
    endings_ = std::move(endings);
}

void HeadlessPresenter::setEvents(std::function<void(const QString&, const QJsonObject&)> events) {
    events_ = std::move(events);
}

void HeadlessPresenter::end(const QString& key, const Ending& ending) {
    if (endings_) endings_(key, ending);
}

void HeadlessPresenter::present(std::shared_ptr<platform::Alert> alert) {
    if (alert->subject.isEmpty() || !followed_.contains(alert->subject)) {
        platform::platformLog("not asked (no window): %s", alert->messageText.toUtf8().constData());
        return;
    }
    const bool notice = alert->buttons.size() <= 1 && !alert->accessory;
    if (events_)
        events_(alert->subject,
                QJsonObject{{QStringLiteral("event"), QStringLiteral("alert")},
                            {QStringLiteral("title"), alert->messageText},
                            {QStringLiteral("message"), alert->informativeText},
                            {QStringLiteral("buttons"),
                             notice ? QJsonArray() : QJsonArray::fromStringList(alert->buttons)}});

    if (alert->intent.outcome != platform::AlertIntent::Outcome::None) {
        // The task ends here; its own answer (a "Quit" among them) is the run's to give.
        printAlert(*alert);
        end(alert->subject, endingOf(*alert));
        return;
    }
    const int accept = alert->intent.accept;
    if (yes_ && accept >= 0 && accept < alert->buttons.size()) {
        printAlert(*alert);
        if (alert->accessory) {
            printErr(QStringLiteral("[x] %1\n").arg(alert->accessory->title));
            if (alert->accessory->action) alert->accessory->action(1);
        }
        printErr(QStringLiteral("-> %1 (--yes)\n").arg(alert->buttons.at(accept)));
        answer(alert, accept, QStringLiteral("yes"));
        return;
    }
    if (notice) {
        printAlert(*alert);
        if (alert->completion) alert->completion(platform::kAlertFirstButtonReturn);
        return;
    }
    // A question for the person at the terminal: its answer is told, and giving up ends the task.
    auto asked = std::make_shared<platform::Alert>(*alert);
    asked->completion = [this, alert](qint64 response) {
        answer(alert, int(response - platform::kAlertFirstButtonReturn), QStringLiteral("terminal"));
    };
    // The console writes the question itself: the progress lines stay above it.
    leaveProgressLines();
    console_->present(asked);
}

void HeadlessPresenter::answer(const std::shared_ptr<platform::Alert>& alert, int index, const QString& by) {
    if (events_)
        events_(alert->subject, QJsonObject{{QStringLiteral("event"), QStringLiteral("answer")},
                                            {QStringLiteral("title"), alert->messageText},
                                            {QStringLiteral("button"), alert->buttons.value(index)},
                                            {QStringLiteral("by"), by}});
    const QString subject = alert->subject;
    const bool givesUp = index == alert->intent.abandon;
    if (alert->completion) alert->completion(platform::kAlertFirstButtonReturn + index);
    if (givesUp)
        end(subject, Ending{QStringLiteral("cancelled"), alert->messageText,
                            say(QT_TRANSLATE_NOOP("TBPrinters", "The operator answered \"%1\"."))
                                .arg(alert->buttons.value(index)),
                            kExitFailed});
}

} // namespace cli
