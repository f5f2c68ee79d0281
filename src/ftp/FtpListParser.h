#pragma once

#include <QByteArrayView>
#include <QDate>
#include <QDateTime>
#include <QString>
#include <optional>

// One entry of a remote folder listing.
struct FtpListEntry {
    // Byte for byte as the server sent it (see ServerText.h): a name in a
    // legacy encoding goes back unchanged in CWD, RETR and DELE. Shown
    // through printableText().
    QString name;
    bool folder = false;
    bool link = false;
    qint64 size = 0;     // 0 for folders and devices
    QDateTime date;      // invalid when the line gave none that could be read
    QString attributes;  // the permission field ("-rw-r--r--"), or MLSD's mode or perm fact
    QString raw;         // the line as the server sent it, without its line end
};

// parseFtpListLine: one line of a LIST reply.
//
// UNIX "ls -l" form: a line is an entry when its structure says so: a
// permission field, the link count and owner fields, a size (digits, or with
// a unit: "33.5k"), a date, a name. The date is read in the forms servers
// send ("Mar 15 2019", "Jun 02 13:45", "3 29 03:26", "09-26 2000",
// "2005-06-07 21:22", "1999/10/12 17:12", "2004.07.15", "24-04-2003 17:12",
// "26. Juli, 20:10", "2. Okt. 2003", "Oct 08, 2002 09:47", month names of
// other languages, numbers with CJK characters between them in any
// encoding); one it cannot read leaves the entry without a date. A year-less
// date more than a day ahead of `today` belongs to the year before. Links
// ("name -> target") keep their size.
//
// DOS/IIS form: "mm-dd-yy hh:mmAM", four-digit years ("2002-09-02",
// "09-02-2002"), 24-hour times, "<DIR>" or a size with thousands separators.
//
// Lines that are not entries ("total 12", blank lines, garbage) give nothing,
// and so do entries whose name could address anything outside the listed
// folder: "", ".", "..", or a name holding "/" or a line break.
std::optional<FtpListEntry> parseFtpListLine(QByteArrayView line,
                                             QDate today = QDate::currentDate());

// parseMlsdLine: one line of an MLSD reply (RFC 3659): "fact=value;... name".
// Reads the facts type, size, modify (UTC, given in local time) and the mode
// or perm (an entry without a type is a file); the name is everything after
// the blank that ends the facts. Lines without facts, the folder's own
// entries (cdir, pdir) and unsafe names give nothing.
std::optional<FtpListEntry> parseMlsdLine(QByteArrayView line);
