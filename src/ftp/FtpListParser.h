#pragma once

#include <QByteArrayView>
#include <QDate>
#include <QDateTime>
#include <QString>
#include <optional>

// One entry of a remote folder listing.
struct FtpListEntry {
    QString name;
    bool folder = false;
    bool link = false;
    qint64 size = 0;     // 0 for folders and devices
    QDateTime date;      // invalid when the line gave none that made sense
    QString attributes;  // the permission field ("-rw-r--r--"), empty when none
    QString raw;         // the line as the server sent it, without its line end
};

// parseFtpListLine: one line of a LIST reply, in UNIX "ls -l" form (files,
// folders, links "name -> target", devices, names with blanks, "Mon dd hh:mm"
// and "Mon dd yyyy" dates) or DOS/IIS form ("mm-dd-yy hh:mmAM <DIR> name").
// `today` dates the year-less UNIX form (a date more than a day ahead of it
// belongs to the year before).
//
// Lines that are not entries ("total 12", blank lines, garbage) give nothing,
// and so do entries whose name could address anything outside the listed
// folder: "", ".", "..", or a name holding "/" or a line break.
std::optional<FtpListEntry> parseFtpListLine(QByteArrayView line,
                                             QDate today = QDate::currentDate());
