#include "FavoritesFolder.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>

#include "AppError.h"
#include "FileAttributes.h"
#include "InternetShortcut.h"
#include "ShellFolders.h"

namespace {

constexpr QLatin1StringView kSeparator("\\");

void collectFolder(const QString& root, const QString& folder, int level, QSet<QString>& visited,
                   QList<TUrlRec>& records) {
    // A link back up the tree would never end.
    if (visited.contains(QFileInfo(folder).canonicalFilePath()))
        return;
    visited.insert(QFileInfo(folder).canonicalFilePath());
    const QDir rootDir(root);
    const QString relativeFolder =
        folder == root ? QString() : rootDir.relativeFilePath(folder).replace('/', kSeparator);
    const QFileInfoList entries = QDir(folder).entryInfoList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::NoSort);
    for (const QFileInfo& entry : entries) {
        if (entry.isDir()) {
            if (!FileAttributes::isSystem(entry.filePath())) {
                records.append({rootDir.relativeFilePath(entry.filePath()).replace('/', kSeparator),
                                QString(), QString(), level});
            }
            collectFolder(root, entry.filePath(), level + 1, visited, records);
        } else if (InternetShortcut::isShortcutName(entry.fileName())) {
            const QString url = InternetShortcut::readUrl(entry.filePath());
            records.append({relativeFolder, entry.fileName().chopped(4),
                            url.isEmpty() ? QStringLiteral("no path") : url, level});
        }
    }
}

// One component of a path that a record or a person names.
bool isPlainName(const QString& name) {
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String("..") ||
        name.contains(QLatin1Char('/')))
        return false;
    for (QChar c : name) {
        if (c.unicode() == 0)
            return false;
    }
    return name.toUtf8().size() <= 255 - 4;
}

void requireInside(const QString& root, const QString& path) {
    if (!FavoritesFolder::isInside(root, path))
        throw AppError(QStringLiteral("%1 is not in the Favorites folder.").arg(path));
}

void requirePlainName(const QString& name) {
    if (!isPlainName(name.trimmed()))
        throw AppError(
            QStringLiteral("\"%1\" cannot be the name of a favorite or folder.").arg(name));
}

void requireFree(const QString& path) {
    if (QFileInfo::exists(path) || QFileInfo(path).isSymLink())
        throw AppError(QStringLiteral("%1 is already there.").arg(QFileInfo(path).fileName()));
}

}  // namespace

namespace FavoritesFolder {

QString path() {
    return ShellFolders::path(QStringLiteral("Favorites"));
}

QList<TUrlRec> collect(const QString& root) {
    QList<TUrlRec> records;
    QSet<QString> visited;
    if (QFileInfo(root).isDir())
        collectFolder(QDir::cleanPath(root), QDir::cleanPath(root), 1, visited, records);
    return records;
}

QByteArray exportBookmarks(const QString& root) {
    QList<TUrlRec> records = collect(root);
    BookmarkFile::sortRecords(records);
    return BookmarkFile::writeBookmarkFile(records);
}

QString prepareImportFolder(const QString& favorites, const QString& name) {
    if (name.isEmpty() || favorites.isEmpty())
        return QString();
    const QString target = QDir::cleanPath(favorites + QLatin1Char('/') + name);
    if (!isInside(favorites, target))
        return QString();
    QDir().mkdir(target);
    return QFileInfo(target).isDir() ? target : QString();
}

QList<TUrlRec> importRecords(const QList<TUrlRec>& sortedRecords, const QString& target) {
    QList<TUrlRec> failures;
    QSet<QString> written;
    for (const TUrlRec& record : sortedRecords) {
        const QStringList components =
            record.Folder.isEmpty() ? QStringList() : record.Folder.split(kSeparator);
        bool sound = true;
        for (const QString& component : components)
            sound = sound && isPlainName(component);
        const QString folder =
            components.isEmpty() ? target : target + QLatin1Char('/') + components.join('/');
        if (record.isFolder()) {
            if (sound && !components.isEmpty())
                QDir().mkdir(folder);
            continue;
        }
        if (!sound || !isPlainName(record.Name) ||
            !isInside(target, folder + QStringLiteral("/x"))) {
            failures.append(record);
            continue;
        }
        QString file =
            folder + QLatin1Char('/') + record.Name + QLatin1String(InternetShortcut::kExtension);
        for (int n = 2; written.contains(file); ++n) {
            file = folder + QLatin1Char('/') + record.Name + QStringLiteral(" (%1)").arg(n) +
                   QLatin1String(InternetShortcut::kExtension);
        }
        try {
            InternetShortcut::write(file, record.Url);
            written.insert(file);
        } catch (const AppError&) {
            failures.append(record);
        }
    }
    return failures;
}

QString displayName(const QString& path) {
    const QString name = QFileInfo(path).fileName();
    return InternetShortcut::isShortcutName(name) && QFileInfo(path).isFile() ? name.chopped(4)
                                                                              : name;
}

QString shortcutFile(const QString& root, const QString& folder, const QString& name) {
    const QString file = QDir(folder).filePath(BookmarkFile::safeName(name.trimmed()) +
                                               QLatin1String(InternetShortcut::kExtension));
    requireInside(root, file);
    return file;
}

QString createFolder(const QString& root, const QString& parent, const QString& name) {
    requirePlainName(name);
    const QString folder = QDir(parent).filePath(name.trimmed());
    requireInside(root, folder);
    requireFree(folder);
    if (!QDir().mkdir(folder))
        throw AppError(QStringLiteral("The folder %1 cannot be made.").arg(folder));
    return folder;
}

QString rename(const QString& root, const QString& path, const QString& newName) {
    requireInside(root, path);
    requirePlainName(newName);
    const QFileInfo entry(path);
    QString name = newName.trimmed();
    if (entry.isFile() && InternetShortcut::isShortcutName(entry.fileName()))
        name += QLatin1String(InternetShortcut::kExtension);
    const QString renamed = entry.dir().filePath(name);
    if (renamed == path)
        return path;
    requireFree(renamed);
    if (!QDir().rename(path, renamed))
        throw AppError(QStringLiteral("%1 cannot be renamed.").arg(entry.fileName()));
    return renamed;
}

QString moveInto(const QString& root, const QString& path, const QString& folder) {
    requireInside(root, path);
    if (QDir::cleanPath(folder) != QDir::cleanPath(root))
        requireInside(root, folder);
    const QString source = QDir::cleanPath(path);
    const QString destination = QDir::cleanPath(folder);
    if (destination == source || destination.startsWith(source + QLatin1Char('/')))
        throw AppError(QStringLiteral("A folder cannot be moved into itself."));
    const QString moved = QDir(destination).filePath(QFileInfo(source).fileName());
    if (moved == source)
        return source;
    requireFree(moved);
    if (!QDir().rename(source, moved))
        throw AppError(QStringLiteral("%1 cannot be moved.").arg(QFileInfo(source).fileName()));
    return moved;
}

void remove(const QString& root, const QString& path) {
    requireInside(root, path);
    const QFileInfo entry(path);
    const bool removed =
        entry.isDir() && !entry.isSymLink() ? QDir(path).removeRecursively() : QFile::remove(path);
    if (!removed)
        throw AppError(QStringLiteral("%1 cannot be deleted.").arg(entry.fileName()));
}

bool isInside(const QString& root, const QString& path) {
    if (root.isEmpty() || path.isEmpty())
        return false;
    const QString base = QDir::cleanPath(QFileInfo(root).absoluteFilePath());
    const QString candidate = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    return candidate.startsWith(base + QLatin1Char('/'));
}

}  // namespace FavoritesFolder
