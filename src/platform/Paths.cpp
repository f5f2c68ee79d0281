#include "Paths.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <cerrno>

namespace {

QString xdgFolder(const char* variable, const QString& fallbackBelowHome) {
    QString base = qEnvironmentVariable(variable);
    if (base.isEmpty() || !QDir::isAbsolutePath(base)) {
        base = QDir::homePath() + "/" + fallbackBelowHome;
    }
    const QString folder = base + "/Corvanta";
    Paths::makePrivateFolder(folder);
    return folder;
}

}  // namespace

namespace Paths {

QString programFolder() {
    if (QCoreApplication::instance()) {
        return QCoreApplication::applicationDirPath();
    }
    return QDir::currentPath();
}

QString contentFolder(const QString& name) {
    return contentFolderIn(programFolder(), name);
}

QString contentFolderIn(const QString& programFolder, const QString& name) {
    const QString beside = programFolder + QLatin1Char('/') + name;
    if (QFileInfo(beside).isDir())
        return beside;
    return QDir::cleanPath(programFolder + QStringLiteral("/" CORVANTA_INSTALLED_CONTENT "/") +
                           name);
}

QString installedIconsFolder() {
    return QDir::cleanPath(programFolder() +
                           QStringLiteral("/" CORVANTA_INSTALLED_CONTENT "/../icons"));
}

QString imagesFolder() {
    return contentFolder(QStringLiteral("Images"));
}

QString dataFolder() {
    return contentFolder(QStringLiteral("Data"));
}

QString userDataFolder() {
    return xdgFolder("XDG_DATA_HOME", ".local/share");
}

QString userConfigFolder() {
    return xdgFolder("XDG_CONFIG_HOME", ".config");
}

bool makePrivateFolder(const QString& folder) {
    const QString clean = QDir::cleanPath(folder);
    if (QFileInfo(clean).isDir())
        return true;
    QDir().mkpath(QFileInfo(clean).absolutePath());
    if (::mkdir(QFile::encodeName(clean).constData(), 0700) == 0)
        return true;
    return errno == EEXIST && QFileInfo(clean).isDir();
}

bool createOwnerOnlyFile(const QString& file) {
    const int descriptor = ::open(QFile::encodeName(file).constData(),
                                  O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (descriptor >= 0) {
        ::close(descriptor);
        return true;
    }
    return errno == EEXIST;
}

QString writableProgramFile(const QString& fileName) {
    const QFileInfo program(programFolder());
    if (program.isWritable() && QFileInfo::exists(programFolder() + "/Corvanta.portable")) {
        return programFolder() + "/" + fileName;
    }
    return userDataFolder() + "/" + fileName;
}

}  // namespace Paths
