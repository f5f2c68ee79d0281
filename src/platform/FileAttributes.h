#pragma once

#include <QString>

// The DOS "system" attribute of a file or folder, as Linux keeps it: the
// extended attribute "user.DOSATTRIB" whose text starts with the attribute
// bits in hexadecimal ("0x4"), written that way by the file servers and
// compatibility layers that share folders with Windows. File systems without
// user extended attributes have no system files.
namespace FileAttributes {

inline constexpr unsigned kSystem = 0x4;

bool isSystem(const QString& path);

// Sets or clears the bit, keeping the others. False when the file system
// refuses extended attributes.
bool setSystem(const QString& path, bool system);

}  // namespace FileAttributes
