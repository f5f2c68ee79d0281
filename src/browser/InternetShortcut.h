#pragma once

#include <QString>

// Internet Shortcut files (".url"): INI text whose section "InternetShortcut"
// holds the address under the key "URL". Section and key names compare
// without regard to case, as the INI readers that write them do.
namespace InternetShortcut {

inline constexpr const char* kExtension = ".url";

// The address, or an empty text when the file cannot be read or has no URL.
QString readUrl(const QString& path);

// True when the name ends in ".url", compared without regard to case.
bool isShortcutName(const QString& fileName);

// Writes a new shortcut (replacing a file of that name). Line breaks in the
// address become blanks, since they would start new keys. Throws AppError
// when the file cannot be written.
void write(const QString& path, const QString& url);

}  // namespace InternetShortcut
