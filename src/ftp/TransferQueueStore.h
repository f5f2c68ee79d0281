#pragma once

#include <QList>
#include <QString>
#include <functional>

#include "TransferQueue.h"

struct sqlite3;

// The transfer queues kept between FTP windows: an SQLite file beside the
// settings store ("FtpQueue.db" in $XDG_CONFIG_HOME/Corvanta), readable by its
// owner only since it holds the sites' passwords as the favorites do. A window
// takes what is kept when it opens and adds its unfinished items when it
// closes, so windows open at once never lose each other's items.
//
// Used on the UI thread; several windows may share the file. Operations that
// fail throw AppError.
class TransferQueueStore {
public:
    explicit TransferQueueStore(const QString& file = defaultFile());
    ~TransferQueueStore();
    TransferQueueStore(const TransferQueueStore&) = delete;
    TransferQueueStore& operator=(const TransferQueueStore&) = delete;

    static QString defaultFile();

    // Every kept transfer, in the order kept; the store is empty afterwards.
    QList<SavedTransfer> take();
    void append(const QList<SavedTransfer>& transfers);

private:
    void execute(const char* sql);

    QString m_file;
    sqlite3* m_database = nullptr;
    std::function<void(bool, const QString&)> m_fail;
};

// Kept parts as text ("start,length,done;...") and back; a text that is not
// such a list, or parts that do not cover the resource's `resourceSize` bytes
// one after the other, give no parts.
QString partsText(const QList<TransferPart>& parts);
QList<TransferPart> partsFromText(const QString& text, qint64 resourceSize);
