#pragma once

#include <QString>

// Opens a folder in the desktop's file manager (what the shell's "open" and
// "explore" verbs did on the system the suite was first written for). False
// when the desktop reports that it could not.
bool openFolderInFileManager(const QString& folder);
