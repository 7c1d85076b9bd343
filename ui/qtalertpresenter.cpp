// The Qt presenter: one QMessageBox per alert, opened with open() (never exec()), deleted on close.
#include "ui/qtalertpresenter.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QMessageBox>
#include <QPixmap>
#include <QPointer>
#include <QPushButton>

#include <vector>

namespace ui {

using namespace platform;

namespace {

constexpr int kIconSize = 64;

// A title as a button shows it: "&" is a mnemonic marker to Qt, so it is doubled to stay a character.
QString plainButtonText(const QString& title) {
    QString text = title;
    return text.replace(QLatin1Char('&'), QStringLiteral("&&"));
}

QMessageBox::Icon iconForStyle(quint64 style) {
    switch (style) {
    case kAlertStyleInformational:
        return QMessageBox::Information;
    case kAlertStyleCritical:
        return QMessageBox::Critical;
    default:
        return QMessageBox::Warning;
    }
}

// The buttons in add order (QMessageBox::buttons() is ordered by role, not by addition).
class QtAlertView : public QObject, public AlertView {
public:
    QtAlertView(QMessageBox* box, std::vector<QAbstractButton*> buttons)
        : QObject(box), buttons_(std::move(buttons)) {}
    int buttonCount() const override { return int(buttons_.size()); }
    QString buttonTitle(int index) const override {
        return valid(index) ? buttons_[std::size_t(index)]->text() : QString();
    }
    bool isButtonEnabled(int index) const override {
        return valid(index) && buttons_[std::size_t(index)]->isEnabled();
    }
    void setButtonEnabled(int index, bool enabled) override {
        if (valid(index)) buttons_[std::size_t(index)]->setEnabled(enabled);
    }
    QObject* context() override { return this; }
    int indexOf(const QAbstractButton* button) const {
        for (std::size_t i = 0; i < buttons_.size(); ++i)
            if (buttons_[i] == button) return int(i);
        return -1;
    }

private:
    bool valid(int index) const { return index >= 0 && std::size_t(index) < buttons_.size(); }
    std::vector<QAbstractButton*> buttons_;
};

} // namespace

struct QtAlertPresenter::Private {
    QPointer<QWidget> mainWindow;
};

QtAlertPresenter::QtAlertPresenter(QWidget* mainWindow) : d(std::make_unique<Private>()) {
    d->mainWindow = mainWindow;
}

QtAlertPresenter::~QtAlertPresenter() = default;

void QtAlertPresenter::setMainWindow(QWidget* mainWindow) {
    d->mainWindow = mainWindow;
}

void QtAlertPresenter::present(std::shared_ptr<Alert> alert) {
    QWidget* window = d->mainWindow;
    const bool sheet = alert->modality == AlertModality::Sheet && window && window->isVisible();
    auto* box = new QMessageBox(sheet ? window : nullptr);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(sheet ? Qt::WindowModal : Qt::ApplicationModal);
    box->setWindowTitle(QCoreApplication::applicationName());
    box->setTextFormat(Qt::PlainText);
    box->setText(alert->messageText);
    box->setInformativeText(alert->informativeText);
    if (!alert->icon.isNull()) {
        box->setIconPixmap(QPixmap::fromImage(
            alert->icon.scaled(kIconSize, kIconSize, Qt::KeepAspectRatio, Qt::SmoothTransformation)));
    } else {
        box->setIcon(iconForStyle(alert->style));
    }

    std::vector<QAbstractButton*> buttons;
    if (alert->buttons.isEmpty()) {
        // The toolkit's own default button, in the operator's language.
        box->setStandardButtons(QMessageBox::Ok);
        buttons.push_back(box->button(QMessageBox::Ok));
        box->setDefaultButton(QMessageBox::Ok);
        box->setEscapeButton(QMessageBox::Ok);
    } else {
        for (const QString& title : alert->buttons)
            buttons.push_back(box->addButton(plainButtonText(title), QMessageBox::AcceptRole));
        box->setDefaultButton(static_cast<QPushButton*>(buttons.front()));
        // Escape answers with the button that gives up what was asked, when there is one.
        if (alert->intent.abandon >= 0 && std::size_t(alert->intent.abandon) < buttons.size())
            box->setEscapeButton(buttons[std::size_t(alert->intent.abandon)]);
    }
    // A screen reader opening the box reads its headline and then what it explains.
    box->setAccessibleName(alert->messageText);
    box->setAccessibleDescription(alert->informativeText);

    if (alert->accessory) {
        auto* check = new QCheckBox(plainButtonText(alert->accessory->title));
        check->setMinimumSize(alert->accessory->size);
        check->setChecked(alert->accessory->checked);
        // What is agreed to, for whoever cannot see the text above the box.
        check->setAccessibleDescription(alert->informativeText.isEmpty() ? alert->messageText
                                                                         : alert->informativeText);
        box->setCheckBox(check);
        if (alert->accessory->action) {
            QObject::connect(check, &QCheckBox::toggled, box,
                             [action = alert->accessory->action](bool on) { action(on ? 1 : 0); });
        }
    }

    auto* view = new QtAlertView(box, buttons);
    QObject::connect(box, &QMessageBox::buttonClicked, box, [alert, view](QAbstractButton* button) {
        const int index = view->indexOf(button);
        if (index < 0 || !alert->completion) return;
        // Once only, even if the toolkit reports a second click while the box closes.
        auto completion = std::move(alert->completion);
        alert->completion = nullptr;
        completion(kAlertFirstButtonReturn + index);
    });
    if (alert->layout) {
        box->ensurePolished();
        box->adjustSize();
        alert->layout(*view);
    }
    box->open();
}

} // namespace ui
