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

// $XDG_DATA_HOME/Corvanta (default ~/.local/share/Corvanta), created on demand.
QString userDataFolder();

// $XDG_CONFIG_HOME/Corvanta (default ~/.config/Corvanta), created on demand.
QString userConfigFolder();

// A file that belongs in the program's folder but that the program writes
// ("Favorites.Config", "myip.txt", the update files). Installed programs do not
// write beside their executable on Linux, so this is the user data folder;
// a portable copy (a writable program folder holding "Corvanta.portable")
// keeps its files beside the executable.
QString writableProgramFile(const QString& fileName);

}  // namespace Paths
