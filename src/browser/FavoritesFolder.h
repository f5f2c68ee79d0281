#pragma once

#include <QList>
#include <QString>

#include "BookmarkFile.h"

// The Favorites folder: a tree of folders and Internet Shortcut files. Every
// operation that takes a name from outside keeps what it writes inside the
// folder it was given. Operations that fail throw AppError.
namespace FavoritesFolder {

// The Favorites folder path from the Shell Folders store (seeded under the
// user data folder on first use); empty when the store cannot be read.
QString path();

// Export, collecting: one folder record per subfolder (none for a folder
// with the system attribute, whose content is still collected one level
// deeper) and one bookmark per ".url" file (its name without the extension,
// "no path" as the address of a shortcut without one). Hidden entries
// included, other files ignored. Records are in directory order: sort them.
QList<TUrlRec> collect(const QString& root);

// The whole bookmark file for the folder `root`.
QByteArray exportBookmarks(const QString& root);

// Import, the subfolder: creates `favorites`/`name` (one level, as a
// directory is made) and answers its path, or an empty text when the name
// is empty, leaves the Favorites folder, names the folder itself or does not
// name a folder afterwards.
QString prepareImportFolder(const QString& favorites, const QString& name);

// Import, writing: records in sorted order become folders and shortcuts below
// `target`. A folder that cannot be made is passed over; a bookmark whose
// shortcut cannot be written (or whose path would leave `target`) is returned
// in the failures. Two bookmarks of one name in one folder are both kept,
// the second as "Name (2)".
QList<TUrlRec> importRecords(const QList<TUrlRec>& sortedRecords, const QString& target);

// The name a person sees for an entry: a shortcut's name without ".url".
QString displayName(const QString& path);

// The shortcut file for a favorite called `name` in `folder`: the name made
// safe for a file name, ".url" added. Throws when it would not be in `root`.
QString shortcutFile(const QString& root, const QString& folder, const QString& name);

// Organizing (the edit dialog and the tree's menu). Each refuses paths
// outside `root` and names with "/" or that are "." or "..".
QString createFolder(const QString& root, const QString& parent, const QString& name);
// Renames a folder, or a shortcut to `newName` + ".url"; answers the new path.
QString rename(const QString& root, const QString& path, const QString& newName);
// Moves an entry into `folder`; answers the new path.
QString moveInto(const QString& root, const QString& path, const QString& folder);
// Deletes a shortcut, or a folder with everything in it.
void remove(const QString& root, const QString& path);

// True when `path` lies strictly below `root` (by its cleaned, absolute form).
bool isInside(const QString& root, const QString& path);

}  // namespace FavoritesFolder
