// The application's second, minimal delegate: it knows the main window and does nothing at launch
// (TBPrinters carries the launch steps).
#pragma once

#include <QMainWindow>
#include <QObject>
#include <QPointer>

class AppDelegate : public QObject {
    Q_OBJECT
public:
    explicit AppDelegate(QObject* parent = nullptr);

    QMainWindow* window() const { return window_; }
    void setWindow(QMainWindow* window) { window_ = window; }

    void applicationDidFinishLaunching();

private:
    QPointer<QMainWindow> window_; // not owned
};
