#pragma once

#include <QString>

// The desktop's special folders by their numbers on the system the suite was
// first written for (0 the desktop, 5 the documents, 16 the desktop folder,
// 40 the home folder, ...), each mapped to its place on this desktop: the XDG
// user folders (Desktop, Documents, Music, Pictures, Videos, Templates, the
// public share), the XDG base folders, and the favorites, cookies and history
// folders of the settings store.
namespace SpecialFolders {

// Numbers range over 0 to 255.
inline constexpr int kCount = 256;

// The folder of special folder `number`; empty when this desktop has none.
// Never creates anything.
QString path(int number);

// The first number, from 0 up, whose folder is `folder` (compared after
// resolving links and dots); -1 when it is none of them.
int numberOf(const QString& folder);

}  // namespace SpecialFolders
