#pragma once

#include <QByteArrayView>
#include <QString>
#include <QStringList>

// Rules for local file names taken from outside (a URL, a server's offer):
// the result is one plain name that stays inside the folder it is joined to.

// Keeps the last path segment, drops control characters (C0 and C1), the marks
// that reorder how text is shown, halves of surrogate pairs and characters the
// file system refuses, refuses "." and ".." and drops leading dots (a server
// does not get to write hidden files), and cuts the name to 255 bytes of
// UTF-8 between whole characters; empty when nothing usable is left. Linear in
// the length of `offered`.
QString safeFileName(const QString& offered);

// A path in `folder` for a name the engine chose itself (from the address or
// the server's offer) that neither an existing file nor another download of
// this process holds: "name (1).ext", "name (2).ext", ... on a clash. Two
// addresses that end alike never write into one file, and a server never
// names a file that is already there. The path stays claimed until released.
QString claimLocalFile(const QString& folder, const QString& name);
// Gives a claimed path back when its download has ended: from then on the
// file on disk (if any) is what keeps the name taken.
void releaseLocalFile(const QString& path);

// A download is written to a partial file beside its target and renamed into
// place once complete, so the target never holds a half-written file and an
// existing one is replaced only by a whole download. Names ending in this
// suffix are the engine's: it never chooses one for a download.
inline constexpr char kPartialSuffix[] = ".corvanta-part";
// The partial file of `file`, in its folder: the name followed by
// kPartialSuffix, a long name shortened (and told apart by a digest) so the
// result stays within the file system's limit.
QString partialFileName(const QString& file);
// `name` unless it ends in kPartialSuffix or one of `reservedSuffixes`
// (names that an owner keeps for files of its own), else `name` + "_".
QString unreservedFileName(const QString& name, const QStringList& reservedSuffixes = {});

// The decoded last segment of the URL's path, made safe; "index.html" when
// the address names no file.
QString fileNameFromUrl(const QString& url);

// The file name of a Content-Disposition value ("filename*=" preferred over
// "filename="), not yet made safe; empty when there is none.
QString contentDispositionFileName(QByteArrayView value);

// Parses "bytes FIRST-LAST/TOTAL" (TOTAL may be "*": -1). False on garbage.
bool parseContentRange(QByteArrayView value, qint64* first, qint64* last, qint64* total);

// True when the text is a URL this engine may request: no control bytes,
// blanks or non-ASCII bytes, and a scheme of http, https or ftp.
bool isAcceptableUrl(const QString& url);
