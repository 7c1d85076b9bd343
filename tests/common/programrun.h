// What the tests that run the real executables share: the environment of a run (no display, a home
// and XDG folders of the test's own) and what a run left behind.
#pragma once

#include <QByteArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QList>
#include <QProcessEnvironment>
#include <QString>

namespace testsupport {

struct ProgramRun {
    int exitCode = -1; // -1: crashed, killed or did not finish
    QByteArray out;
    QByteArray err;
    QString describe() const {
        return QStringLiteral("exit %1\n--- stdout:\n%2\n--- stderr:\n%3")
            .arg(exitCode)
            .arg(QString::fromUtf8(out), QString::fromUtf8(err));
    }
    // The JSON objects of standard output, one per line.
    QList<QJsonObject> events() const {
        QList<QJsonObject> objects;
        for (const QByteArray& line : out.split('\n'))
            if (!line.isEmpty()) objects << QJsonDocument::fromJson(line).object();
        return objects;
    }
};

// This process's environment without a display, with HOME and the XDG folders under `home`.
inline QProcessEnvironment programEnvironment(const QString& home) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        environment.remove(QString::fromLatin1(name));
    environment.insert(QStringLiteral("HOME"), home);
    for (const char* name : {"XDG_STATE_HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME"})
        environment.insert(QString::fromLatin1(name), home + QLatin1Char('/') + QString::fromLatin1(name));
    return environment;
}

} // namespace testsupport
