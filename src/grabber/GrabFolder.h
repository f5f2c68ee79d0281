#pragma once

#include <QByteArray>
#include <QSet>
#include <QString>

// File operations of a grab inside its folder. Every file is written under a
// temporary name beside it and renamed over its target, so a reader never
// sees half a file and a link planted at the target is replaced, not
// followed; no symbolic link found below the folder is ever followed.
// Reentrant; the grabber calls them on its own thread and on page workers.
namespace GrabFolder {

// Makes the folders from `folder` down to the one holding `file` (which must
// lie below `folder`). Returns an error text when one of them is a symbolic
// link or not a folder, or cannot be made; empty on success. `folder`
// itself is the user's choice and may be a link. Folders in `verified` are
// taken as checked, and those checked now are added to it.
QString prepare(const QString& folder, const QString& file, QSet<QString>* verified = nullptr);

// A name beside `file` for writing it: hidden, unique with `serial`, and
// not to be guessed (a link planted at it beforehand would be written through).
QString temporaryName(const QString& file, quint64 serial);

// The identity of the regular file at `path` (not through a link); 0 when
// there is none.
quint64 fileIdentity(const QString& path);

// True when `path` is a regular file itself, not a link to one.
bool isPlainFile(const QString& path);

// Reads a regular file (not through a link) of at most `limit` bytes; false
// when it is missing, a link, larger, or unreadable.
bool read(const QString& path, qint64 limit, QByteArray* bytes);

// Writes `bytes` to a temporary file beside `path` and renames it over
// `path`; the old file stays whole when anything fails. Error text, or empty.
QString write(const QString& path, const QByteArray& bytes);

// Replaces the content of a file the grab itself made (`identity` as
// fileIdentity() gave it then): in place while the file at `path` is still
// that one with no other name (a new file per page costs the file system
// far more than new bytes in an old one), else as write(). A write in place
// that fails puts `before` back. Error text, or empty.
QString replace(const QString& path, quint64 identity, const QByteArray& before,
                const QByteArray& after);

}  // namespace GrabFolder
