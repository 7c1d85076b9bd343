#include "Classes/UpdateBatch.h"

#include "Classes/TBUSBPrinterZEV.h"
#include "Classes/ZEVModels.h"

#include "platform/application.h"
#include "platform/dialogs.h"
#include "platform/platformlog.h"
#include "platform/queue.h"
#include "platform/strings.h"

#include <QPointer>
#include <QSet>

namespace {

using Outcome = UpdateSession::Outcome;
using Standing = UpdateBatch::Standing;
using Kind = TBUSBPrinterZEV::Readiness::Kind;
using platform::localized;

// The batches that have not finished. Main thread only.
QList<std::shared_ptr<UpdateBatch>>& batches() {
    static QList<std::shared_ptr<UpdateBatch>> running;
    return running;
}

bool isOpen(Standing standing) {
    return standing != Standing::Apart && standing != Standing::Ended;
}

QString nameOf(TBUSBPrinterZEV& printer) {
    const QString model = zev::modelName(printer.printerModel());
    const QString serial = printer.serialNumber();
    if (serial.isEmpty()) return model.isEmpty() ? printer.keyUSBdevice() : model;
    return model.isEmpty() ? serial : model + QLatin1Char(' ') + serial;
}

QString orUnknown(const QString& version) {
    return version.isEmpty() ? localized(QT_TRANSLATE_NOOP("TBPrinters", "unknown")) : version;
}

// One line of a list: the printer's name, then what is said about it.
QString line(const UpdateBatch::Member& m, const QString& text) {
    return localized(QT_TRANSLATE_NOOP("TBPrinters", "%1: %2")).arg(m.name, text);
}

QString fromTo(const UpdateBatch::Member& m) {
    return localized(QT_TRANSLATE_NOOP("TBPrinters", "from %1 to %2")).arg(orUnknown(m.installed), m.target);
}

// A notice's title and message on one line.
QString oneLine(const QString& title, const QString& message) {
    QString text = message.isEmpty() ? title : title + QLatin1Char(' ') + message;
    text.replace(QStringLiteral("\n\n"), QStringLiteral(" "));
    text.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return text.simplified();
}

QString section(const char* heading, const QStringList& lines) {
    if (lines.isEmpty()) return {};
    return localized(heading) + QLatin1Char('\n') + lines.join(QLatin1Char('\n'));
}

} // namespace

QString UpdateBatch::alertSubject() {
    return QStringLiteral("update-all");
}

int UpdateBatch::running() {
    return int(batches().size());
}

std::shared_ptr<UpdateBatch> UpdateBatch::start(const QList<std::shared_ptr<TBUSBPrinterZEV>>& printers,
                                                Observer observer) {
    Q_ASSERT(platform::mainqueue::isMainThread());
    std::shared_ptr<UpdateBatch> batch(new UpdateBatch(std::move(observer)));
    batches().append(batch);
    batch->assembling_ = true;
    QList<std::shared_ptr<TBUSBPrinterZEV>> asked;
    for (const auto& printer : printers) {
        if (!printer) continue;
        Member m;
        m.key = printer->keyUSBdevice();
        m.name = nameOf(*printer);
        m.installed = printer->firmwareVersion();
        m.target = printer->newFirmwareVersion().value_or(QString());
        batch->members_.append(m);
        batch->printers_.append(printer);
        batch->found_.append(Kind::NotResponding);
        Member& added = batch->members_.last();
        if (printer->isUpdatedElsewhere()) {
            batch->setApart(added, Outcome::Failed,
                            localized(QT_TRANSLATE_NOOP("TBPrinters", "being updated by another program")));
        } else if (!printer->updateCanStart()) {
            // Its update runs already (carried on after a restart, or asked for on its own): its
            // outcome is awaited, nothing is asked about it.
            added.followed = true;
            added.standing = Standing::Running;
        } else {
            asked << printer;
        }
    }
    batch->assembling_ = false;
    platform::platformLog("update of %d printers begins (%d asked about)", int(batch->members_.size()),
                          int(asked.size()));
    for (const auto& printer : asked)
        UpdateSession::start(printer, UpdateSession::Step::Request, false,
                             printer->newFirmwareVersion().value_or(QString()));
    if (asked.isEmpty()) {
        // Nothing to ask: the summary comes once the caller holds the batch.
        std::weak_ptr<UpdateBatch> weak = batch;
        platform::mainqueue::async([weak] {
            if (const auto self = weak.lock()) self->finishIfDone();
        });
        return batch;
    }
    batch->warn();
    return batch;
}

UpdateBatch::Member* UpdateBatch::member(const QString& key) {
    for (Member& m : members_)
        if (m.key == key) return &m;
    return nullptr;
}

// ---- the warning ----------------------------------------------------------------------------------

void UpdateBatch::warn() {
    QStringList versions;
    QString qxaText;
    std::shared_ptr<TBUSBPrinterZEV> first;
    for (qsizetype i = 0; i < members_.size(); ++i) {
        if (members_.at(i).standing != Standing::Asked) continue;
        const auto printer = printers_.at(i).lock();
        if (!printer) continue;
        if (!first) first = printer;
        if (!versions.contains(members_.at(i).target)) versions << members_.at(i).target;
        if (printer->printerModel() == zev::Model::HVQXA && qxaText.isEmpty())
            qxaText = printer->QXAUpdateWarningText();
    }
    QString message =
        versions.size() == 1
            ? TBUSBPrinterZEV::updateWarningText(versions.first())
            : localized(QT_TRANSLATE_NOOP("TBPrinters",
                                          "This update tool will upgrade the firmware of these printers to "
                                          "versions %1. This process cannot be undone"))
                  .arg(versions.join(QStringLiteral(", ")));
    if (!qxaText.isEmpty()) message = qxaText + QStringLiteral("\n\n") + message;

    // "Continue" follows the box while the alert is up.
    struct Agreement {
        bool agreed = false;
        platform::AlertView* view = nullptr;
        QPointer<QObject> alive;
    };
    auto agreement = std::make_shared<Agreement>();
    auto alert = std::make_shared<platform::Alert>();
    alert->icon = first ? first->image() : QImage();
    alert->messageText = localized(QT_TRANSLATE_NOOP("TBPrinters", "Attention:"));
    alert->informativeText = message;
    alert->buttons = QStringList{localized(QT_TRANSLATE_NOOP("TBPrinters", "Quit")),
                                 localized(QT_TRANSLATE_NOOP("TBPrinters", "Continue"))};
    platform::AlertCheckBox agree;
    agree.title = localized(QT_TRANSLATE_NOOP("TBPrinters", "I Agree"));
    agree.size = QSize(72, 18);
    agree.action = [agreement](int state) {
        agreement->agreed = state == 1;
        if (agreement->alive) agreement->view->setButtonEnabled(1, agreement->agreed);
    };
    alert->accessory = agree;
    alert->style = platform::kAlertStyleCritical;
    alert->layout = [agreement](platform::AlertView& view) {
        if (view.buttonCount() < 2) return;
        agreement->view = &view;
        agreement->alive = view.context();
        view.setButtonEnabled(1, agreement->agreed);
    };
    std::weak_ptr<UpdateBatch> weak = weak_from_this();
    alert->completion = [weak, agreement](qint64 response) {
        const auto self = weak.lock();
        if (!self) return;
        if (response == platform::kAlertFirstButtonReturn + 1 && agreement->agreed) {
            self->check();
            return;
        }
        self->cancel();
        if (response == platform::kAlertFirstButtonReturn) platform::requestTermination();
    };
    alert->subject = alertSubject();
    alert->intent = platform::AlertIntent{.accept = 1, .abandon = 0};
    platform::showAlert(alert);
}

// ---- the checks ----------------------------------------------------------------------------------

void UpdateBatch::check() {
    QStringList keys;
    for (Member& m : members_) {
        if (m.standing != Standing::Asked) continue;
        m.standing = Standing::Checking;
        keys << m.key;
    }
    std::weak_ptr<UpdateBatch> weak = weak_from_this();
    // A printer in its update mode answers at once: the confirmation waits for the loop's end.
    launching_ = true;
    for (const QString& key : std::as_const(keys)) {
        const auto session = UpdateSession::find(key);
        const auto printer = session && !session->hasEnded() ? session->printer() : nullptr;
        if (!printer || !session->advance(UpdateSession::Event::Passed)) {
            if (Member* m = member(key); m && isOpen(m->standing))
                setApart(*m, Outcome::Failed,
                         localized(QT_TRANSLATE_NOOP("TBPrinters", "it left the USB bus")));
            continue;
        }
        printer->assessUpdate([weak, key](const TBUSBPrinterZEV::Readiness& readiness) {
            if (const auto self = weak.lock()) self->checked(key, readiness);
        });
    }
    launching_ = false;
    if (std::none_of(members_.begin(), members_.end(),
                     [](const Member& m) { return m.standing == Standing::Checking; }))
        confirm();
}

void UpdateBatch::checked(const QString& key, const TBUSBPrinterZEV::Readiness& readiness) {
    Member* m = member(key);
    if (!m || m->standing != Standing::Checking) return;
    if (!readiness.target.isEmpty()) m->target = readiness.target;
    found_[m - members_.data()] = readiness.kind;
    // One printer may be given its firmware again on purpose; a set is not: a printer that runs the
    // package's version already has nothing to gain, so running the same set twice changes nothing.
    const bool current = readiness.kind == Kind::Idle && readiness.installed > 0.0 &&
                         readiness.installed == TBFirmwarePackage::versionNumber(readiness.target);
    switch (current ? Kind::NotNeeded : readiness.kind) {
    case Kind::Idle:
    case Kind::InUpdateMode:
        m->standing = Standing::Ready;
        break;
    case Kind::NotNeeded:
        setApart(
            *m, Outcome::NotNeeded,
            localized(QT_TRANSLATE_NOOP("TBPrinters", "no update needed (firmware %1 installed)"))
                .arg(m->installed.isEmpty() ? QString::number(readiness.installed, 'f', 2) : m->installed));
        break;
    case Kind::DamagedPackage:
        setApart(*m, Outcome::Failed,
                 localized(QT_TRANSLATE_NOOP("TBPrinters", "the firmware files are damaged")));
        break;
    case Kind::Busy:
        setApart(*m, Outcome::Failed,
                 localized(QT_TRANSLATE_NOOP("TBPrinters", "busy: another application is using it")));
        break;
    case Kind::NotResponding:
        setApart(*m, Outcome::Failed, localized(QT_TRANSLATE_NOOP("TBPrinters", "not responding")));
        break;
    case Kind::NotReady:
        setApart(*m, Outcome::Failed,
                 localized(QT_TRANSLATE_NOOP("TBPrinters", "not ready: %1"))
                     .arg(platform::localizedString(
                         TBUSBPrinterZEV::stringForHVStatusString(readiness.statusCode))));
        break;
    }
    if (!launching_ && std::none_of(members_.begin(), members_.end(),
                                    [](const Member& each) { return each.standing == Standing::Checking; }))
        confirm();
}

// ---- the confirmation ----------------------------------------------------------------------------

void UpdateBatch::confirm() {
    QStringList going;
    QStringList apart;
    QString target;
    for (const Member& m : std::as_const(members_)) {
        if (m.standing == Standing::Ready) {
            going << line(m, fromTo(m));
            target = m.target;
        } else if (m.standing == Standing::Apart) {
            apart << line(m, m.message);
        } else if (m.followed && m.standing == Standing::Running) {
            apart << line(m, localized(QT_TRANSLATE_NOOP("TBPrinters", "its update is already under way")));
        }
    }
    if (going.isEmpty()) {
        finishIfDone();
        return;
    }
    QString message = TBUSBPrinterZEV::updateConfirmationWarning();
    message += QStringLiteral("\n\n") +
               section(QT_TRANSLATE_NOOP("TBPrinters", "These printers will be updated:"), going);
    if (!apart.isEmpty())
        message += QStringLiteral("\n\n") +
                   section(QT_TRANSLATE_NOOP("TBPrinters", "These printers will not be updated:"), apart);
    auto alert = std::make_shared<platform::Alert>();
    alert->messageText = TBUSBPrinterZEV::updateConfirmationTitle();
    alert->informativeText = message;
    alert->buttons =
        QStringList{localized(QT_TRANSLATE_NOOP("TBPrinters", "Cancel")),
                    going.size() == 1
                        ? localized(QT_TRANSLATE_NOOP("TBPrinters", "Update Firmware to %1")).arg(target)
                        : localized(QT_TRANSLATE_NOOP("TBPrinters", "Update %1 Printers")).arg(going.size())};
    std::weak_ptr<UpdateBatch> weak = weak_from_this();
    alert->completion = [weak](qint64 response) {
        const auto self = weak.lock();
        if (!self) return;
        if (response == platform::kAlertFirstButtonReturn + 1)
            self->go();
        else
            self->cancel();
    };
    alert->subject = alertSubject();
    alert->intent = platform::AlertIntent{.accept = 1, .abandon = 0};
    platform::showAlert(alert);
}

void UpdateBatch::go() {
    for (qsizetype i = 0; i < members_.size(); ++i) {
        if (members_.at(i).standing != Standing::Ready) continue;
        members_[i].standing = Standing::Running;
        const QString key = members_.at(i).key;
        const auto session = UpdateSession::find(key);
        const auto printer = session && !session->hasEnded() ? session->printer() : nullptr;
        if (!printer) {
            if (Member* m = member(key); m && isOpen(m->standing))
                endMember(*m, Outcome::Failed,
                          localized(QT_TRANSLATE_NOOP("TBPrinters", "it left the USB bus")), {});
            continue;
        }
        if (found_.at(i) == Kind::InUpdateMode) {
            session->advance(UpdateSession::Event::InUpdateMode);
            printer->uploadFirmware();
        } else {
            // The confirmation was given for all: each printer goes on from its own.
            session->advance(UpdateSession::Event::Passed);
            printer->updateFirmwareAndColorTables();
        }
    }
}

void UpdateBatch::cancel() {
    QStringList keys;
    for (const Member& m : std::as_const(members_))
        if (m.standing == Standing::Asked || m.standing == Standing::Checking ||
            m.standing == Standing::Ready)
            keys << m.key;
    for (const QString& key : std::as_const(keys)) {
        const auto session = UpdateSession::find(key);
        if (session && !session->hasEnded())
            session->end(Outcome::Cancelled);
        else if (Member* m = member(key); m && isOpen(m->standing))
            endMember(*m, Outcome::Cancelled, {}, {});
    }
}

// ---- the endings ----------------------------------------------------------------------------------

void UpdateBatch::setApart(Member& m, Outcome outcome, const QString& reason) {
    m.standing = Standing::Apart;
    m.outcome = outcome;
    m.title.clear();
    m.message = reason;
    platform::platformLog("update of %s left apart: %s", qUtf8Printable(m.key), qUtf8Printable(reason));
    const Member told = m;
    // Its session (if it has one) ends without a notice of its own: the summary tells the reason.
    if (const auto session = UpdateSession::find(m.key); session && !session->hasEnded())
        session->end(outcome, {}, UpdateSession::Record::Keep, reason);
    if (observer_.ended) observer_.ended(told);
    finishIfDone();
}

bool UpdateBatch::takeEnding(const QString& key, Outcome outcome, const UpdateNotice& notice) {
    Q_ASSERT(platform::mainqueue::isMainThread());
    const auto running = batches();
    for (const auto& batch : running) {
        Member* m = batch->member(key);
        if (!m || batch->finished_) continue;
        if (m->standing == Standing::Apart) return true; // its reason is told already
        if (m->standing == Standing::Ended) continue;
        batch->endMember(*m, outcome, notice.title, notice.message);
        return true;
    }
    return false;
}

void UpdateBatch::endMember(Member& m, Outcome outcome, const QString& title, const QString& message) {
    m.standing = Standing::Ended;
    m.outcome = outcome;
    m.title = title;
    m.message = message;
    const Member told = m;
    if (observer_.ended) observer_.ended(told);
    finishIfDone();
}

void UpdateBatch::finishIfDone() {
    if (finished_ || assembling_) return;
    if (std::any_of(members_.begin(), members_.end(), [](const Member& m) { return isOpen(m.standing); }))
        return;
    finished_ = true;
    const auto self = shared_from_this();
    batches().removeAll(self);
    platform::platformLog("update of %d printers ended", int(members_.size()));
    if (!members_.isEmpty()) {
        auto alert = std::make_shared<platform::Alert>();
        alert->messageText = summaryTitle(members_);
        alert->informativeText = summaryMessage(members_);
        alert->subject = alertSubject();
        const bool failed = std::any_of(members_.begin(), members_.end(), [](const Member& m) {
            return m.outcome == Outcome::Failed || m.outcome == Outcome::Lost;
        });
        const bool allUpdated = std::all_of(members_.begin(), members_.end(),
                                            [](const Member& m) { return m.outcome == Outcome::Succeeded; });
        using Told = platform::AlertIntent::Outcome;
        alert->intent.outcome = failed ? Told::Failed : allUpdated ? Told::Succeeded : Told::NothingToDo;
        alert->style = failed ? platform::kAlertStyleWarning : platform::kAlertStyleInformational;
        platform::showAlert(alert);
    }
    if (observer_.finished) observer_.finished();
}

QString UpdateBatch::summaryTitle(const QList<Member>& members) {
    const auto updated = std::count_if(members.begin(), members.end(),
                                       [](const Member& m) { return m.outcome == Outcome::Succeeded; });
    return localized(QT_TRANSLATE_NOOP("TBPrinters", "%1 of %2 printers updated"))
        .arg(updated)
        .arg(members.size());
}

QString UpdateBatch::summaryMessage(const QList<Member>& members) {
    QStringList updated;
    QStringList failed;
    QStringList notUpdated;
    for (const Member& m : members) {
        switch (m.outcome) {
        case Outcome::Succeeded:
            updated << line(m, fromTo(m));
            break;
        case Outcome::Failed:
        case Outcome::Lost:
            failed << line(m, m.standing == Standing::Apart ? m.message : oneLine(m.title, m.message));
            break;
        case Outcome::NotNeeded:
            notUpdated << line(m, m.message.isEmpty() ? oneLine(m.title, {}) : m.message);
            break;
        case Outcome::Cancelled:
            notUpdated << line(m, localized(QT_TRANSLATE_NOOP("TBPrinters", "cancelled")));
            break;
        }
    }
    QStringList sections;
    for (const QString& s : {section(QT_TRANSLATE_NOOP("TBPrinters", "Updated:"), updated),
                             section(QT_TRANSLATE_NOOP("TBPrinters", "Failed:"), failed),
                             section(QT_TRANSLATE_NOOP("TBPrinters", "Not updated:"), notUpdated)})
        if (!s.isEmpty()) sections << s;
    return sections.join(QStringLiteral("\n\n"));
}
