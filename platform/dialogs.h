// Operator dialogs: one description of an alert, and the presenters that put it before the operator.
//
// An Alert says what to show (icon, bold headline, informative text, buttons in order, an optional
// check box, a style, a layout hook) and what to do with the answer. Buttons answer 1000 + their
// index in add order; the first is the default. No buttons means the presenter's single default
// button ("OK"), which answers 1000. Texts are shown as they stand: never rich text, never format
// strings, no mnemonics.
//
// Presenters run on the main thread. showAlert() may be called from any thread: it posts the alert
// to the current presenter. An alert holds its callbacks and `keepAlive` until it is dismissed.
#pragma once

#include <QImage>
#include <QList>
#include <QSize>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>

class QObject;

namespace platform {

inline constexpr qint64 kAlertFirstButtonReturn = 1000;

enum AlertStyle : quint64 { kAlertStyleWarning = 0, kAlertStyleInformational = 1, kAlertStyleCritical = 2 };

// A window-modal sheet on the main window, or a panel that holds the whole application.
enum class AlertModality { Sheet, Application };

// The alert on screen, handed to the layout hook once the alert has its final buttons (main thread).
// It lives as long as the alert is shown; context() goes away with it, so a connection made with
// context() as its receiver ends when the alert is dismissed.
class AlertView {
public:
    virtual ~AlertView() = default;
    virtual int buttonCount() const = 0;
    virtual QString buttonTitle(int index) const = 0;
    virtual bool isButtonEnabled(int index) const = 0;
    virtual void setButtonEnabled(int index, bool enabled) = 0;
    virtual QObject* context() = 0;
};

// An alert's buttons without widgets, for presenters that draw none (console, scripted).
class ButtonListView : public AlertView {
public:
    explicit ButtonListView(const QStringList& titles);
    ~ButtonListView() override;
    int buttonCount() const override;
    QString buttonTitle(int index) const override;
    bool isButtonEnabled(int index) const override;
    void setButtonEnabled(int index, bool enabled) override;
    QObject* context() override;
    QList<bool> enabled() const;

private:
    QStringList titles_;
    QList<bool> enabled_;
    std::unique_ptr<QObject> context_;
};

// The accessory check box. `action` runs on the main thread with the new state (0 unticked,
// 1 ticked) each time the operator toggles it.
struct AlertCheckBox {
    QString title;
    QSize size{72, 18};
    bool checked = false;
    std::function<void(int state)> action;
};

// What an alert means to a run that nobody watches (the command line): which answer says yes to it,
// which gives up what was asked, and whether it tells how the task ended.
struct AlertIntent {
    enum class Outcome { None, Succeeded, NothingToDo, Failed, Lost }; // Lost: the printer never came back
    int accept = -1;  // the button that accepts a warning, the agreement (ticking the check box) or a
                      // confirmation; -1 when nothing may be accepted without a person
    int abandon = -1; // the button that gives up the task ("Cancel", "Quit", "Ignore"); -1 for none
    Outcome outcome = Outcome::None; // a notice that ends the task, and how
};

struct Alert {
    QImage icon;
    QString messageText;     // the bold headline
    QString informativeText; // may be empty
    QStringList buttons;     // in add order; empty: the presenter's single default button
    std::optional<AlertCheckBox> accessory;
    quint64 style = kAlertStyleWarning;
    AlertModality modality = AlertModality::Sheet;
    std::function<void(AlertView&)> layout;          // main thread, before the alert is shown
    std::function<void(qint64 response)> completion; // main thread, once, when a button is pressed
    std::shared_ptr<const void> keepAlive;           // whatever must live while the alert is up
    QString subject;                                 // whom it is about (a printer's device key), or empty
    AlertIntent intent;
};

class AlertPresenter {
public:
    virtual ~AlertPresenter() = default;
    // Main thread. Puts `alert` before the operator and returns at once.
    virtual void present(std::shared_ptr<Alert> alert) = 0;
};

// The presenter alerts go to; none at start (alerts are then logged and dropped).
void setAlertPresenter(std::shared_ptr<AlertPresenter> presenter);
std::shared_ptr<AlertPresenter> alertPresenter();
// Any thread: posts `alert` to the main thread and presents it there with the current presenter.
void showAlert(std::shared_ptr<Alert> alert);

// For runs without a display: the alert is printed on standard error and answered on the terminal,
// one alert at a time, without blocking the main thread. With no terminal on standard input an
// alert that asks a question is refused: it is printed with the reason, its completion is never
// called, and `refused` (when set) is told. A notice with only the default button needs no answer.
class ConsoleAlertPresenter : public AlertPresenter {
public:
    explicit ConsoleAlertPresenter(std::function<void(const Alert&)> refused = {});
    ~ConsoleAlertPresenter() override;
    void present(std::shared_ptr<Alert> alert) override;
    // For tests: read answers from `fd` instead of standard input, as a terminal or not.
    void setInput(int fd, bool isTerminal);

private:
    struct Private;
    std::unique_ptr<Private> d;
};

// For tests: records every alert and answers from a queue of answers. An alert that finds the queue
// empty waits until answer() is called. An answer may tick or untick the check box first (through
// the alert's own action, as the operator would).
class ScriptedAlertPresenter : public AlertPresenter {
public:
    struct Answer {
        qint64 response = kAlertFirstButtonReturn;
        std::optional<bool> tick; // toggle the check box to this state before answering
    };
    // What was shown, as the operator saw it.
    struct Shown {
        QString messageText;
        QString informativeText;
        QStringList buttons;
        QString checkBoxTitle; // empty when there was none
        quint64 style = 0;
        AlertModality modality = AlertModality::Sheet;
        bool hasIcon = false;
        QList<bool> enabledAtShow; // each button's enabled state once laid out
        AlertIntent intent;
    };

    ScriptedAlertPresenter();
    ~ScriptedAlertPresenter() override;
    void present(std::shared_ptr<Alert> alert) override;

    void queueAnswer(Answer answer);
    // Answers the oldest waiting alert (main thread). False when none is waiting.
    bool answer(Answer answer);
    // Toggles the oldest waiting alert's check box without answering; false when there is none.
    bool tick(bool on);
    // The oldest waiting alert's button states now (empty when none waits).
    QList<bool> enabledNow() const;
    int waiting() const;
    QList<Shown> shown() const;
    QStringList headlines() const;

private:
    struct Private;
    std::unique_ptr<Private> d;
};

} // namespace platform
