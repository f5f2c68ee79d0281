#pragma once

#include <QString>

// Where the suite's files live on this machine.
namespace Paths {

// The folder of the running executable.
QString programFolder();

// A folder of read-only content ("Images", "Data"): beside the executable
// when it is there (a build folder, a portable copy), else where an
// installation puts it (share/corvanta, found relative to the executable so
// that an installed tree works wherever it is unpacked).
QString contentFolder(const QString& name);
QString contentFolderIn(const QString& programFolder, const QString& name);
QString imagesFolder();
QString dataFolder();
// The icon themes' folder of an installation (share/icons).
QString installedIconsFolder();

// $XDG_DATA_HOME/Corvanta (default ~/.local/share/Corvanta), created on demand,
// owner-only: it keeps cookies, history and downloaded updates.
QString userDataFolder();

// $XDG_CONFIG_HOME/Corvanta (default ~/.config/Corvanta), created on demand,
// owner-only: its stores keep passwords.
QString userConfigFolder();

// Makes `folder` and its missing parents; the folder itself, when made here,
// is owner-only (0700) from the start. False when it is not a folder after.
bool makePrivateFolder(const QString& folder);

// Creates `file` empty and owner-only (0600) unless something is there
// already, so a store then opened on it never has wider rights, not even for
// a moment (SQLite gives its journal files the rights of the store). False
// when it can be neither created nor found.
bool createOwnerOnlyFile(const QString& file);

// A file that belongs in the program's folder but that the program writes
// ("Favorites.Config", "myip.txt", the update files). Installed programs do not
// write beside their executable on Linux, so this is the user data folder;
// a portable copy (a writable program folder holding "Corvanta.portable")
// keeps its files beside the executable.
QString writableProgramFile(const QString& fileName);

}  // namespace Paths
