#include "platform/resources.h"

#include "base/threadsafety.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace platform::resources {

namespace {

base::Mutex gOverrideMutex;
QStringList gOverride GUARDED_BY(gOverrideMutex);
QString gProgram GUARDED_BY(gOverrideMutex);

QString executableDirectory() {
    // /proc/self/exe works before (and without) a QCoreApplication.
    const QFileInfo exe(QStringLiteral("/proc/self/exe"));
    const QString target = exe.canonicalFilePath();
    return target.isEmpty() ? QString() : QFileInfo(target).absolutePath();
}

bool isPlainFileName(const QString& fileName) {
    return !fileName.isEmpty() && fileName != QLatin1String(".") && fileName != QLatin1String("..") &&
           !fileName.contains(QLatin1Char('/')) && !fileName.contains(QChar(0));
}

// The folders of a package, in the order they are looked into: the package's top, then the folders
// the program's files are kept in. A lookup names the file in each directly; nothing is walked.
constexpr const char* kResourceFolders[] = {"", "firmware/", "images/", "translations/"};

QString findIn(const QString& root, const QString& fileName) {
    for (const char* folder : kResourceFolders) {
        const QFileInfo candidate(root + QLatin1Char('/') + QLatin1String(folder) + fileName);
        if (candidate.isFile()) return candidate.absoluteFilePath();
    }
    return {};
}

// True when this program runs from the build tree it was built in (tests, a developer's run), not
// from an installed copy: only then is the source tree's resources/ one of its packages.
bool runsFromBuildTree(const QString& exeDir) {
#ifdef PRINTER_TOOLS_BINARY_DIR
    const QString build = QFileInfo(QStringLiteral(PRINTER_TOOLS_BINARY_DIR)).canonicalFilePath();
    return !build.isEmpty() && !exeDir.isEmpty() &&
           (exeDir == build || exeDir.startsWith(build + QLatin1Char('/')));
#else
    (void)exeDir;
    return false;
#endif
}

} // namespace

void setProgramName(const QString& program) {
    base::MutexLocker lock(gOverrideMutex);
    gProgram = program;
}

QString programName() {
    {
        base::MutexLocker lock(gOverrideMutex);
        if (!gProgram.isEmpty()) return gProgram;
    }
    return QCoreApplication::applicationName();
}

void setSearchDirectoriesOverride(const QStringList& directories) {
    base::MutexLocker lock(gOverrideMutex);
    gOverride = directories;
}

QStringList searchDirectories() {
    QStringList candidates;
    {
        base::MutexLocker lock(gOverrideMutex);
        candidates = gOverride;
    }
    if (!candidates.isEmpty()) {
        QStringList existing;
        for (const QString& candidate : candidates)
            if (QFileInfo(candidate).isDir()) existing.append(QFileInfo(candidate).canonicalFilePath());
        return existing;
    }
    // An override is the whole package: nothing else is searched beside it.
    const QString fromEnvironment = qEnvironmentVariable(kResourcesEnvironmentVariable);
    const QString program = programName();
    const QString exeDir = executableDirectory();
    if (!fromEnvironment.isEmpty()) {
        candidates.append(fromEnvironment);
    } else {
#ifdef PRINTER_TOOLS_SOURCE_DIR
        if (runsFromBuildTree(exeDir))
            candidates.append(QStringLiteral(PRINTER_TOOLS_SOURCE_DIR "/resources"));
#endif
        if (!exeDir.isEmpty()) candidates.append(exeDir + QStringLiteral("/../share/") + program);
#ifdef PRINTER_TOOLS_INSTALL_DATADIR
        candidates.append(QStringLiteral(PRINTER_TOOLS_INSTALL_DATADIR "/") + program);
#endif
    }
    QStringList existing;
    for (const QString& candidate : candidates) {
        const QFileInfo info(candidate);
        if (!info.isDir()) continue;
        const QString clean = info.canonicalFilePath();
        if (!existing.contains(clean)) existing.append(clean);
    }
    return existing;
}

QString pathForResource(const QString& name, const QString& type) {
    const QString fileName = type.isEmpty() ? name : name + QLatin1Char('.') + type;
    if (!isPlainFileName(fileName)) return {};
    for (const QString& directory : searchDirectories()) {
        QString found = findIn(directory, fileName);
        if (!found.isEmpty()) return found;
    }
    return {};
}

QString pathForResourceFile(const QString& fileName) {
    const qsizetype dot = fileName.lastIndexOf(QLatin1Char('.'));
    if (dot <= 0) return pathForResource(fileName, QString());
    return pathForResource(fileName.left(dot), fileName.mid(dot + 1));
}

namespace {

QByteArray readResource(const QString& found, QString* path) {
    if (path) path->clear();
    if (found.isEmpty()) return {};
    if (path) *path = found;
    QFile file(found);
    if (!file.open(QIODevice::ReadOnly)) return {};
    QByteArray contents = file.readAll();
    // readAll() cannot tell an empty file from a failed read; a short read means failure.
    if (file.error() != QFileDevice::NoError) return {};
    // An empty file is found and read: keep it distinct from "missing" (a null array).
    if (contents.isNull()) contents = QByteArray("", 0);
    return contents;
}

} // namespace

QByteArray dataForResource(const QString& name, const QString& type, QString* path) {
    return readResource(pathForResource(name, type), path);
}

QByteArray dataForResourceFile(const QString& fileName, QString* path) {
    return readResource(pathForResourceFile(fileName), path);
}

} // namespace platform::resources
