// The application's second, minimal delegate: it knows the main window and does nothing at launch
// (TBPrinters carries the launch steps).
#pragma once

#include <QObject>
#include <QPointer>

class AppDelegate : public QObject {
    Q_OBJECT
public:
    explicit AppDelegate(QObject* parent = nullptr);

    QObject* window() const { return window_; }
    void setWindow(QObject* window) { window_ = window; }

    void applicationDidFinishLaunching();

private:
    QPointer<QObject> window_; // the main window; not owned
};
