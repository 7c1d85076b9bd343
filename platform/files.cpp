#include "platform/files.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <thread>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform::files {

namespace {

QString errnoText(const char* what, int error) {
    return QStringLiteral("%1: %2").arg(QLatin1String(what), QString::fromLocal8Bit(std::strerror(error)));
}

void setError(QString* error, const QString& text) {
    if (error) *error = text;
}

// A rename or unlink is on the disk only once its folder is.
bool syncFolder(const QString& folder, QString* error) {
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        setError(error, errnoText("open folder", errno));
        return false;
    }
    const bool ok = ::fsync(fd) == 0;
    if (!ok) setError(error, errnoText("fsync folder", errno));
    ::close(fd);
    return ok;
}

bool writeAll(int fd, const QByteArray& data, QString* error) {
    const char* p = data.constData();
    qsizetype left = data.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, p, std::size_t(left));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            setError(error, errnoText("write", n < 0 ? errno : EIO));
            return false;
        }
        p += n;
        left -= n;
    }
    return true;
}

// What the user keeps here is theirs alone.
bool makeFolder(const QString& folder, QString* error) {
    if (QDir().exists(folder)) return true;
    if (!QDir().mkpath(folder)) {
        setError(error, QStringLiteral("cannot create %1").arg(folder));
        return false;
    }
    QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return true;
}

} // namespace

bool replaceAtomically(const QString& path, const QByteArray& data, QString* error) {
    const QFileInfo info(path);
    const QString folder = info.absolutePath();
    if (!makeFolder(folder, error)) return false;
    QByteArray temporary = QFile::encodeName(info.absoluteFilePath()) + ".XXXXXX";
    const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0) {
        setError(error, errnoText("create temporary file", errno));
        return false;
    }
    bool ok = writeAll(fd, data, error);
    if (ok && ::fsync(fd) != 0) {
        setError(error, errnoText("fsync", errno));
        ok = false;
    }
    if (::close(fd) != 0 && ok) {
        setError(error, errnoText("close", errno));
        ok = false;
    }
    if (ok && ::rename(temporary.constData(), QFile::encodeName(info.absoluteFilePath()).constData()) != 0) {
        setError(error, errnoText("rename", errno));
        ok = false;
    }
    if (!ok) {
        ::unlink(temporary.constData());
        return false;
    }
    return syncFolder(folder, error);
}

bool removeDurably(const QString& path, QString* error) {
    if (::unlink(QFile::encodeName(path).constData()) != 0) {
        if (errno == ENOENT) return true;
        setError(error, errnoText("unlink", errno));
        return false;
    }
    return syncFolder(QFileInfo(path).absolutePath(), error);
}

QString setAside(const QString& path) {
    const QString stem = path + QStringLiteral(".damaged-") +
                         QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QString target = stem;
    for (int n = 2; QFile::exists(target) && n < 100; ++n)
        target = stem + QLatin1Char('-') + QString::number(n);
    return QFile::rename(path, target) ? target : QString();
}

ExclusiveFileLock::ExclusiveFileLock(const QString& path, std::chrono::milliseconds patience) {
    if (!makeFolder(QFileInfo(path).absolutePath(), &error_)) return;
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) {
        error_ = errnoText("open lock file", errno);
        return;
    }
    // Polled rather than a blocking flock(): a holder that hangs must not hang us with it.
    constexpr std::chrono::milliseconds kPoll{20};
    const auto deadline = std::chrono::steady_clock::now() + patience;
    for (;;) {
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
            fd_ = fd;
            return;
        }
        const int failure = errno;
        if (failure == EINTR) continue;
        if (failure != EWOULDBLOCK || std::chrono::steady_clock::now() >= deadline) {
            error_ = failure == EWOULDBLOCK
                         ? QStringLiteral("held by another process for more than %1 ms").arg(patience.count())
                         : errnoText("flock", failure);
            ::close(fd);
            return;
        }
        std::this_thread::sleep_for(kPoll);
    }
}

ExclusiveFileLock::~ExclusiveFileLock() {
    if (fd_ >= 0) ::close(fd_); // closing the last descriptor releases the lock
}

namespace {

QString xdgHome(const char* variable, const char* fallback) {
    const QString configured = qEnvironmentVariable(variable);
    if (!configured.isEmpty() && QDir::isAbsolutePath(configured)) return QDir::cleanPath(configured);
    return QDir::homePath() + QLatin1String(fallback);
}

} // namespace

QString stateHome() {
    return xdgHome("XDG_STATE_HOME", "/.local/state");
}

QString dataHome() {
    return xdgHome("XDG_DATA_HOME", "/.local/share");
}

} // namespace platform::files
