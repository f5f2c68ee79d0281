#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QtGlobal>

// Status of a part and of an item; the values are stored and shown by the
// transfer lists, so their numbers are fixed.
enum class TransferStatus : int {
    Ready = 0,
    Done = 1,
    Failed = 2,
    Warnings = 3,
    Process = 4,
    Stopped = 5,
};

// "Ready", "Done", "Failed", "Warnings", "Process", "Stopped".
QString transferStatusText(TransferStatus status);

// The code an error event carries beside its text. A server that refused the
// request gives its own answer instead: the HTTP status or the FTP reply code
// (400 to 599). -1 is left to the engine's owners for failures of their own.
enum class TransferError : int {
    Address = -2,        // the address cannot be used
    Network = -3,        // no connection, or the connection ended early
    TimedOut = -4,       // no byte moved within the time-out
    LocalFile = -5,      // the local file cannot be created, written or read
    DataSource = -6,     // an upload has no local file to send
    Answer = -7,         // the server's answer cannot be used (encoding, range, status)
    Changed = -8,        // the resource kept changing while it was fetched
    Decompression = -9,  // the compressed data cannot be unpacked
};

// Thread priority of an item's workers ("Lower", "Normal", "Higher").
enum class TransferPriority : int { Lower = 0, Normal = 1, Higher = 2 };

// Settings of one engine. The owner changes them on its own thread; each run
// of an item works on the copy taken when the item is admitted.
struct TransferSettings {
    int tryCount = 5;              // tries in a row without progress per part; 0 counts as 1
    int batchSize = 8192;          // bytes per read and per write; the split unit
    int timeOut = 5000;            // ms, limit of each network operation
    int reconnectAfter = 5000;     // ms to wait before a new try
    int previewCharCount = 256;    // 0: the whole stream
    char defaultChar = char(128);  // replaces control bytes in the preview
    bool correctResourceTime = true;
    bool doNotGetResourceInfo = false;
    qint64 minResourceSize = 0;  // 0: no limit
    qint64 maxResourceSize = 0;  // 0: no limit
    int maxStartedItems = 5;
    QString localFolder;
    bool passiveFtp = false;
    QString httpProxy;
    int httpProxyPort = 0;
    QString ftpProxy;
    int ftpProxyPort = 0;
    QString proxyUser;
    QString proxyPassword;
    QStringList proxyBypass;
    QString userAgent = QStringLiteral("Corvanta-Transfer/1.0");
    // PEM file of the authorities that https servers are checked against
    // instead of the system's; empty: the system's.
    QString certificateAuthorities;
    bool httpsOnly = false;       // https alone, redirects included
    bool forceRemoteDir = false;  // uploader: create missing remote folders
    // Endings of file names the owner keeps for files of its own: a name
    // the engine chooses (from the address or the server's offer) that ends
    // in one gets "_" appended.
    QStringList reservedSuffixes;
};

// What the server told about a resource; its texts hold no control bytes.
struct TransferResourceInfo {
    QString name;     // the offered file name, else the last segment of the address
    qint64 size = 0;  // 0 when unknown
    QDateTime date;   // invalid when unknown
    QString contentType;
    int statusCode = 0;
    bool compressed = false;    // the content encoding contains "gzip"
    bool randomAccess = false;  // the transfer can start at an offset
    QString fileName;           // "filename=" of the content disposition
    QString etag;               // the validators of an HTTP answer, as sent
    QString lastModified;
};

// One part of an item. `length` is -1 while the resource size is unknown.
struct TransferPart {
    qint64 start = 0;
    qint64 length = -1;
    qint64 bytesDone = 0;
    TransferStatus status = TransferStatus::Ready;

    qint64 offset() const { return start + bytesDone; }
    bool complete() const { return length >= 0 && bytesDone >= length; }
};

// Split rule: the part list for a resource of `size` bytes (-1 or 0 when
// unknown/empty) fetched with up to `threadCount` parts of at least
// `batchSize` bytes.
QList<TransferPart> splitIntoParts(qint64 size, bool randomAccess, int batchSize, int threadCount);
