#pragma once

#include <QString>

// The desktop's special folders as the suite knows them: the text values
// "Favorites", "History" and "Cookies" of the key below, in the settings
// store. On first use a value is seeded with a folder of that name under
// the user data folder ($XDG_DATA_HOME/Corvanta), which is created.
namespace ShellFolders {

inline constexpr const char* kKey =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

// The folder stored under `name`, seeded first when absent or empty. Returns
// an empty text when the store cannot be used.
QString path(const QString& name);

}  // namespace ShellFolders
