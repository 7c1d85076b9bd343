// The console presenter: alerts on standard error, answers typed on the terminal. Input is read from
// a socket notifier, so the main thread never waits for the operator.
#include "platform/dialogs.h"

#include "platform/strings.h"

#include <QCoreApplication>
#include <QObject>
#include <QSocketNotifier>

#include <cstdio>
#include <deque>
#include <unistd.h>

namespace platform {

namespace {

void print(const QString& text) {
    const QByteArray bytes = text.toLocal8Bit();
    std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), stderr);
    std::fflush(stderr);
}

} // namespace

struct ConsoleAlertPresenter::Private {
    std::function<void(const Alert&)> refused;
    int fd = STDIN_FILENO;
    std::optional<bool> inputIsTerminal;
    std::unique_ptr<QSocketNotifier> notifier;
    QByteArray pendingInput;

    struct Current {
        std::shared_ptr<Alert> alert;
        std::unique_ptr<ButtonListView> view;
        bool askingCheckBox = false;
    };
    std::deque<std::shared_ptr<Alert>> queue;
    std::optional<Current> current;

    bool haveTerminal() const { return inputIsTerminal ? *inputIsTerminal : ::isatty(fd) == 1; }

    void next() {
        while (!current && !queue.empty()) {
            std::shared_ptr<Alert> alert = queue.front();
            queue.pop_front();
            begin(std::move(alert));
        }
    }

    void begin(std::shared_ptr<Alert> alert) {
        QString text = QStringLiteral("\n") + alert->messageText + QLatin1Char('\n');
        if (!alert->informativeText.isEmpty()) text += alert->informativeText + QLatin1Char('\n');
        print(text);
        // A notice with the single default button asks nothing.
        if (alert->buttons.size() <= 1 && !alert->accessory) {
            print(QStringLiteral("[%1]\n").arg(
                alert->buttons.value(0, localized(QT_TRANSLATE_NOOP("TBPrinters", "OK")))));
            if (alert->completion) alert->completion(kAlertFirstButtonReturn);
            return;
        }
        if (!haveTerminal()) {
            print(localized(QT_TRANSLATE_NOOP(
                                "TBPrinters",
                                "%1: cannot ask this question: there is no terminal to answer it on."))
                      .arg(QCoreApplication::applicationName()) +
                  QLatin1Char('\n'));
            if (refused) refused(*alert);
            return;
        }
        Current c;
        c.view = std::make_unique<ButtonListView>(alert->buttons);
        if (alert->layout) alert->layout(*c.view);
        c.askingCheckBox = alert->accessory.has_value();
        c.alert = std::move(alert);
        current = std::move(c);
        listen();
        prompt();
    }

    void prompt() {
        const Alert& alert = *current->alert;
        if (current->askingCheckBox) {
            print(QStringLiteral("%1? [y/N] ").arg(alert.accessory->title));
            return;
        }
        QString text;
        for (int i = 0; i < alert.buttons.size(); ++i)
            text += QStringLiteral("  %1) %2%3\n")
                        .arg(i + 1)
                        .arg(alert.buttons[i],
                             current->view->isButtonEnabled(i)
                                 ? QString()
                                 : QLatin1Char(' ') +
                                       localized(QT_TRANSLATE_NOOP("TBPrinters", "(not available)")));
        text += localized(QT_TRANSLATE_NOOP("TBPrinters", "Choose 1-%1 [1]:")).arg(alert.buttons.size()) +
                QLatin1Char(' ');
        print(text);
    }

    void listen() {
        if (notifier) return;
        notifier = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
        QObject::connect(notifier.get(), &QSocketNotifier::activated, notifier.get(),
                         [this] { readInput(); });
    }

    void readInput() {
        char buffer[256];
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n <= 0) {
            // End of input: nobody is left to answer.
            notifier.reset();
            if (current) {
                auto alert = current->alert;
                current.reset();
                print(QLatin1Char('\n') +
                      localized(QT_TRANSLATE_NOOP("TBPrinters", "%1: no answer (end of input)."))
                          .arg(QCoreApplication::applicationName()) +
                      QLatin1Char('\n'));
                if (refused) refused(*alert);
            }
            return;
        }
        pendingInput.append(buffer, int(n));
        qsizetype end;
        while (current && (end = pendingInput.indexOf('\n')) >= 0) {
            const QString line = QString::fromLocal8Bit(pendingInput.left(end)).trimmed();
            pendingInput.remove(0, end + 1);
            answerLine(line);
        }
        next();
    }

    void answerLine(const QString& line) {
        Alert& alert = *current->alert;
        if (current->askingCheckBox) {
            const bool on = line.startsWith(QLatin1Char('y'), Qt::CaseInsensitive);
            if (alert.accessory->action) alert.accessory->action(on ? 1 : 0);
            current->askingCheckBox = false;
            prompt();
            return;
        }
        bool ok = true;
        const int choice = line.isEmpty() ? 1 : line.toInt(&ok);
        if (!ok || choice < 1 || choice > alert.buttons.size() ||
            !current->view->isButtonEnabled(choice - 1)) {
            print(localized(QT_TRANSLATE_NOOP("TBPrinters", "Please choose one of the available answers.")) +
                  QLatin1Char('\n'));
            if (alert.accessory) current->askingCheckBox = true;
            prompt();
            return;
        }
        auto done = current->alert;
        current.reset();
        if (done->completion) done->completion(kAlertFirstButtonReturn + choice - 1);
    }
};

ConsoleAlertPresenter::ConsoleAlertPresenter(std::function<void(const Alert&)> refused)
    : d(std::make_unique<Private>()) {
    d->refused = std::move(refused);
}

ConsoleAlertPresenter::~ConsoleAlertPresenter() = default;

void ConsoleAlertPresenter::setInput(int fd, bool isTerminal) {
    d->notifier.reset();
    d->fd = fd;
    d->inputIsTerminal = isTerminal;
}

void ConsoleAlertPresenter::present(std::shared_ptr<Alert> alert) {
    d->queue.push_back(std::move(alert));
    d->next();
}

} // namespace platform
