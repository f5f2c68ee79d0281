#pragma once

#include <QString>

// Where the suite's files live on this machine.
namespace Paths {

// The folder of the running executable; read-only content ("Images", "Data")
// ships here.
QString programFolder();
QString imagesFolder();
QString dataFolder();

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
