#pragma once

#include <QByteArrayView>
#include <QString>

// Rules for local file names taken from outside (a URL, a server's offer):
// the result is one plain name that stays inside the folder it is joined to.

// Keeps the last path segment, drops control bytes and characters the file
// system refuses, refuses "." and ".."; empty when nothing usable is left.
QString safeFileName(const QString& offered);

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
