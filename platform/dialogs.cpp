#include "platform/dialogs.h"

#include "base/threadsafety.h"
#include "platform/platformlog.h"
#include "platform/queue.h"

#include <QObject>

#include <deque>

namespace platform {

namespace {

base::Mutex gPresenterMutex;
std::shared_ptr<AlertPresenter> gPresenter GUARDED_BY(gPresenterMutex);

} // namespace

void setAlertPresenter(std::shared_ptr<AlertPresenter> presenter) {
    base::MutexLocker lock(gPresenterMutex);
    gPresenter = std::move(presenter);
}

std::shared_ptr<AlertPresenter> alertPresenter() {
    base::MutexLocker lock(gPresenterMutex);
    return gPresenter;
}

void showAlert(std::shared_ptr<Alert> alert) {
    mainqueue::async([alert] {
        if (const auto presenter = alertPresenter()) {
            presenter->present(alert);
            return;
        }
        platformLog("no one to show the alert \"%s\" to; dropped", alert->messageText.toUtf8().constData());
    });
}

ButtonListView::ButtonListView(const QStringList& titles)
    : titles_(titles), enabled_(titles.size(), true), context_(std::make_unique<QObject>()) {}
ButtonListView::~ButtonListView() = default;
int ButtonListView::buttonCount() const {
    return int(titles_.size());
}
QString ButtonListView::buttonTitle(int index) const {
    return titles_.value(index);
}
bool ButtonListView::isButtonEnabled(int index) const {
    return enabled_.value(index, false);
}
void ButtonListView::setButtonEnabled(int index, bool enabled) {
    if (index >= 0 && index < enabled_.size()) enabled_[index] = enabled;
}
QObject* ButtonListView::context() {
    return context_.get();
}
QList<bool> ButtonListView::enabled() const {
    return enabled_;
}

// ---- scripted presenter ----

namespace {

struct Waiting {
    std::shared_ptr<Alert> alert;
    std::unique_ptr<ButtonListView> view;
    bool checked = false;
};

} // namespace

struct ScriptedAlertPresenter::Private {
    std::deque<Answer> answers;
    std::deque<Waiting> waiting;
    QList<Shown> shown;
};

ScriptedAlertPresenter::ScriptedAlertPresenter() : d(std::make_unique<Private>()) {}
ScriptedAlertPresenter::~ScriptedAlertPresenter() = default;

void ScriptedAlertPresenter::present(std::shared_ptr<Alert> alert) {
    Waiting entry;
    entry.alert = alert;
    // The default button is the one the operator would see.
    entry.view = std::make_unique<ButtonListView>(alert->buttons.isEmpty() ? QStringList{QStringLiteral("OK")}
                                                                           : alert->buttons);
    entry.checked = alert->accessory && alert->accessory->checked;
    if (alert->layout) alert->layout(*entry.view);

    Shown shown;
    shown.messageText = alert->messageText;
    shown.informativeText = alert->informativeText;
    shown.buttons = alert->buttons;
    shown.checkBoxTitle = alert->accessory ? alert->accessory->title : QString();
    shown.style = alert->style;
    shown.modality = alert->modality;
    shown.hasIcon = !alert->icon.isNull();
    shown.enabledAtShow = entry.view->enabled();
    shown.intent = alert->intent;
    d->shown << shown;
    d->waiting.push_back(std::move(entry));

    if (!d->answers.empty()) {
        const Answer next = d->answers.front();
        d->answers.pop_front();
        answer(next);
    }
}

void ScriptedAlertPresenter::queueAnswer(Answer answer) {
    d->answers.push_back(answer);
}

bool ScriptedAlertPresenter::tick(bool on) {
    if (d->waiting.empty()) return false;
    Waiting& front = d->waiting.front();
    if (!front.alert->accessory) return false;
    if (front.checked != on) {
        front.checked = on;
        if (front.alert->accessory->action) front.alert->accessory->action(on ? 1 : 0);
    }
    return true;
}

bool ScriptedAlertPresenter::answer(Answer answer) {
    if (d->waiting.empty()) return false;
    if (answer.tick) tick(*answer.tick);
    Waiting done = std::move(d->waiting.front());
    d->waiting.pop_front();
    // A disabled button cannot be pressed: the alert stays up.
    const int index = int(answer.response - kAlertFirstButtonReturn);
    if (!done.view->isButtonEnabled(index)) {
        d->waiting.push_front(std::move(done));
        return false;
    }
    done.view.reset(); // the alert goes, with its bindings
    if (done.alert->completion) done.alert->completion(answer.response);
    return true;
}

QList<bool> ScriptedAlertPresenter::enabledNow() const {
    return d->waiting.empty() ? QList<bool>() : d->waiting.front().view->enabled();
}

int ScriptedAlertPresenter::waiting() const {
    return int(d->waiting.size());
}

QList<ScriptedAlertPresenter::Shown> ScriptedAlertPresenter::shown() const {
    return d->shown;
}

QStringList ScriptedAlertPresenter::headlines() const {
    QStringList list;
    for (const Shown& s : d->shown)
        list << s.messageText;
    return list;
}

} // namespace platform
