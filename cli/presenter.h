// The operator's side of a run without a window. Alerts about the printer being worked on are
// printed on standard error (and as JSON events); `--yes` accepts what an alert marks as acceptable
// (a warning, the agreement, a confirmation: never "Quit", never a retry); any other question goes to
// the terminal through the console presenter, which refuses it when there is none. A notice that
// tells how the task ended, an answer that gives it up, and a refused question each end the printer's
// task. Alerts about printers not followed are logged and left unanswered. Main thread.
#pragma once

#include "platform/dialogs.h"

#include <QJsonObject>
#include <QString>

#include <functional>
#include <memory>

namespace cli {

// How a printer's task ended.
struct Ending {
    QString result; // "updated", "failed", ... (the JSON outcome's "result")
    QString title;
    QString message;
    int exitCode = 0;
};

class HeadlessPresenter : public platform::AlertPresenter {
public:
    explicit HeadlessPresenter(bool yes);
    ~HeadlessPresenter() override;

    // The printers (device keys) whose alerts are handled, and the subjects of alerts about several at
    // once; empty: none.
    void follow(const QStringList& subjects);
    void follow(const QString& key) { follow(key.isEmpty() ? QStringList() : QStringList{key}); }
    // Told when the followed printer's task ends.
    void setEndings(std::function<void(const QString& key, const Ending& ending)> endings);
    // Told each "alert" and "answer" event (without "key") with the alert's subject.
    void setEvents(std::function<void(const QString& subject, const QJsonObject& event)> events);
    // Ends `key`'s task from outside an alert.
    void end(const QString& key, const Ending& ending);

    void present(std::shared_ptr<platform::Alert> alert) override;

private:
    void answer(const std::shared_ptr<platform::Alert>& alert, int index, const QString& by);

    bool yes_;
    QStringList followed_;
    std::function<void(const QString&, const Ending&)> endings_;
    std::function<void(const QString&, const QJsonObject&)> events_;
    std::unique_ptr<platform::ConsoleAlertPresenter> console_;
};

} // namespace cli
