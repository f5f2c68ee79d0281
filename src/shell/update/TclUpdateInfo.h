#pragma once

#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QStringList>

#include "TransferTypes.h"

// Progress of one update; the words are stored in the XML files.
enum class TclUpdateStatus { Download = 0, Ready = 1, Success = 2, Failed = 3 };

// The downloader's resume state of an interrupted download.
struct TclResourceState {
    qint64 resourceSize = 0;
    QList<TransferPart> segments;  // start, length and bytes done of each part

    // True when the state describes a file of `resourceSize` bytes cut into
    // segments that lie inside it, so the downloader may continue from it.
    bool isUsable() const;
};

// One entry of an update list or of the local record.
struct TclUpdateInfoItem {
    QString url;
    QString version;
    QString size;        // the list's size text, shown only
    QString localFile;   // where the file was saved; set when its download starts
    QString updateDate;  // last change of status, the system's short date
    TclUpdateStatus status = TclUpdateStatus::Download;
    QStringList script;
    bool terminate = false;  // the program must close to apply the update
    QString sha256;          // hex digest of the file; empty when the list names none
    TclResourceState resourceState;
};

// An update list or the local record, oldest entry first.
using TclUpdateInfo = QList<TclUpdateInfoItem>;

// Reads "updateinfo/update" entries. A document that is not well-formed, or
// whose root is not "updateinfo", gives an empty list.
TclUpdateInfo readUpdateInfo(QByteArrayView xml);
// Reads an update list as published on the server. The fields only the local
// record may carry (status, local file, update date, resume state) are
// ignored: every listed entry starts to be downloaded.
TclUpdateInfo readPublishedList(QByteArrayView xml);
// True for a SHA-256 digest written as 64 hexadecimal digits.
bool isSha256Digest(const QString& text);
// The record as written: UTF-8, indented, scripts as CDATA with CR LF lines.
QByteArray writeUpdateInfo(const TclUpdateInfo& info);

// A missing, unreadable, oversized or malformed file gives an empty list.
TclUpdateInfo loadUpdateInfo(const QString& path);
// Replaces the file as a whole; the system's error text on failure, else empty.
QString saveUpdateInfo(const TclUpdateInfo& info, const QString& path);

// Splits a text into lines at CR LF, LF or CR; a final line break adds no
// empty line.
QStringList splitLines(const QString& text);
