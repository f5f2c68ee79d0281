#include "SpecialFolders.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include "Registry.h"
#include "ShellFolders.h"

namespace {

QString standard(QStandardPaths::StandardLocation location) {
    return QStandardPaths::writableLocation(location);
}

QString underHome(const char* variable, const QString& fallback) {
    const QString value = qEnvironmentVariable(variable);
    return QDir::isAbsolutePath(value) ? value : QDir::homePath() + "/" + fallback;
}

// What the settings store holds for a shell folder, without seeding it.
QString storedShellFolder(const QString& name) {
    QString value;
    ignoringStoreFailures([&] {
        Registry registry;
        if (registry.openKey(ShellFolders::kKey, false))
            value = registry.readString(name);
    });
    return value;
}

QString publicShare() {
    // user-dirs.dirs names it; QStandardPaths has no location for it.
    QFile file(underHome("XDG_CONFIG_HOME", ".config") + "/user-dirs.dirs");
    if (!file.open(QIODevice::ReadOnly))
        return {};
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        if (!line.startsWith(QLatin1String("XDG_PUBLICSHARE_DIR=")))
            continue;
        QString value = line.mid(20);
        if (value.size() >= 2 && value.startsWith(u'"') && value.endsWith(u'"'))
            value = value.mid(1, value.size() - 2);
        value.replace(QLatin1String("$HOME"), QDir::homePath());
        return QDir::isAbsolutePath(value) ? value : QString();
    }
    return {};
}

QString comparable(const QString& folder) {
    const QString canonical = QFileInfo(folder).canonicalFilePath();
    return canonical.isEmpty() ? QDir::cleanPath(folder) : canonical;
}

}  // namespace

namespace SpecialFolders {

QString path(int number) {
    switch (number) {
        case 0:   // the desktop
        case 16:  // the desktop's folder
            return standard(QStandardPaths::DesktopLocation);
        case 2:  // the programs of the start menu
            return underHome("XDG_DATA_HOME", ".local/share") + "/applications";
        case 5:  // the documents
            return standard(QStandardPaths::DocumentsLocation);
        case 6:
            return storedShellFolder(QStringLiteral("Favorites"));
        case 7:  // programs started at log-in
            return underHome("XDG_CONFIG_HOME", ".config") + "/autostart";
        case 13:
            return standard(QStandardPaths::MusicLocation);
        case 14:
            return standard(QStandardPaths::MoviesLocation);
        case 20:
            return underHome("XDG_DATA_HOME", ".local/share") + "/fonts";
        case 21:
            return standard(QStandardPaths::TemplatesLocation);
        case 26:  // the programs' settings
            return underHome("XDG_CONFIG_HOME", ".config");
        case 28:  // the programs' local data
            return underHome("XDG_DATA_HOME", ".local/share");
        case 32:  // the internet cache
            return underHome("XDG_CACHE_HOME", ".cache");
        case 33:
            return storedShellFolder(QStringLiteral("Cookies"));
        case 34:
            return storedShellFolder(QStringLiteral("History"));
        case 39:
            return standard(QStandardPaths::PicturesLocation);
        case 40:  // the user's profile
            return QDir::homePath();
        case 46:  // the documents shared by all users
            return publicShare();
        default:
            return {};
    }
}

int numberOf(const QString& folder) {
    if (folder.isEmpty())
        return -1;
    const QString wanted = comparable(folder);
    for (int number = 0; number < kCount; ++number) {
        const QString candidate = path(number);
        if (!candidate.isEmpty() && comparable(candidate) == wanted)
            return number;
    }
    return -1;
}

}  // namespace SpecialFolders
