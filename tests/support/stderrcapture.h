// Points file descriptor 2 at a temporary file while it lives, so a test can read what was written
// to standard error.
#pragma once

#include <QByteArray>
#include <QFile>
#include <QTemporaryFile>

#include <unistd.h>

class StderrCapture {
public:
    StderrCapture() {
        file_.open();
        saved_ = ::dup(STDERR_FILENO);
        ::dup2(file_.handle(), STDERR_FILENO);
    }
    ~StderrCapture() { restore(); }
    StderrCapture(const StderrCapture&) = delete;
    StderrCapture& operator=(const StderrCapture&) = delete;

    // Everything written so far.
    QByteArray text() {
        QFile reader(file_.fileName());
        if (!reader.open(QIODevice::ReadOnly)) return {};
        return reader.readAll();
    }
    void restore() {
        if (saved_ < 0) return;
        ::dup2(saved_, STDERR_FILENO);
        ::close(saved_);
        saved_ = -1;
    }

private:
    QTemporaryFile file_;
    int saved_ = -1;
};
