#include "TransferQueueStore.h"

#include <sqlite3.h>

#include <QDir>
#include <QFile>

#include "AppError.h"
#include "Paths.h"
#include "SqliteStatement.h"

namespace {

const char* const kSchema =
    "CREATE TABLE IF NOT EXISTS transfers("
    " id INTEGER PRIMARY KEY, upload INTEGER NOT NULL, url TEXT NOT NULL,"
    " local_file TEXT NOT NULL, user_name TEXT NOT NULL, password TEXT NOT NULL,"
    " port INTEGER NOT NULL, priority INTEGER NOT NULL, threads INTEGER NOT NULL,"
    " resource_size INTEGER NOT NULL, validator TEXT NOT NULL, parts TEXT NOT NULL);";

AppError storeError(const QString& file, const QString& message) {
    return AppError(
        QStringLiteral("The kept transfer queue %1 cannot be used: %2").arg(file, message));
}

}  // namespace

QString TransferQueueStore::defaultFile() {
    return QDir(Paths::userConfigFolder()).filePath("FtpQueue.db");
}

TransferQueueStore::TransferQueueStore(const QString& file)
    : m_file(file),
      m_fail([this](bool, const QString& message) { throw storeError(m_file, message); }) {
    QDir().mkpath(QFileInfo(m_file).path());
    // Queued items carry passwords: owner-only before SQLite writes a byte.
    Paths::createOwnerOnlyFile(m_file);
    if (sqlite3_open_v2(QFile::encodeName(m_file).constData(), &m_database,
                        SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_FULLMUTEX,
                        nullptr) != SQLITE_OK) {
        const AppError error = storeError(m_file, QString::fromUtf8(sqlite3_errmsg(m_database)));
        sqlite3_close(m_database);
        throw error;
    }
    sqlite3_busy_timeout(m_database, 5000);
    try {
        execute(kSchema);
    } catch (const AppError&) {
        sqlite3_close(m_database);
        throw;
    }
}

TransferQueueStore::~TransferQueueStore() {
    sqlite3_close(m_database);
}

void TransferQueueStore::execute(const char* sql) {
    if (sqlite3_exec(m_database, sql, nullptr, nullptr, nullptr) != SQLITE_OK) {
        throw storeError(m_file, QString::fromUtf8(sqlite3_errmsg(m_database)));
    }
}

QList<SavedTransfer> TransferQueueStore::take() {
    QList<SavedTransfer> transfers;
    execute("BEGIN IMMEDIATE");
    try {
        SqliteStatement query(m_database,
                              "SELECT upload, url, local_file, user_name, password, port, "
                              "priority, threads, resource_size, validator, parts "
                              "FROM transfers ORDER BY id",
                              m_fail);
        while (query.step()) {
            SavedTransfer transfer;
            transfer.upload = query.integer(0) != 0;
            transfer.url = query.text(1);
            transfer.localFile = query.text(2);
            transfer.userName = query.text(3);
            transfer.password = query.text(4);
            transfer.port = int(query.integer(5));
            transfer.priority = int(query.integer(6));
            transfer.threadCount = int(qBound<qint64>(qint64(1), query.integer(7), qint64(10)));
            transfer.resourceSize = query.integer(8);
            transfer.validator = query.text(9);
            // Parts are worth nothing without their proof.
            if (!transfer.validator.isEmpty()) {
                transfer.parts = partsFromText(query.text(10), transfer.resourceSize);
            }
            transfers.append(transfer);
        }
        execute("DELETE FROM transfers");
        execute("COMMIT");
    } catch (const AppError&) {
        sqlite3_exec(m_database, "ROLLBACK", nullptr, nullptr, nullptr);
        throw;
    }
    return transfers;
}

void TransferQueueStore::append(const QList<SavedTransfer>& transfers) {
    if (transfers.isEmpty()) {
        return;
    }
    execute("BEGIN IMMEDIATE");
    try {
        for (const SavedTransfer& transfer : transfers) {
            SqliteStatement insert(
                m_database,
                "INSERT INTO transfers(upload, url, local_file, user_name, password, port, "
                "priority, threads, resource_size, validator, parts) "
                "VALUES(?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)",
                m_fail);
            insert.bind(1, qint64(transfer.upload))
                .bind(2, transfer.url)
                .bind(3, transfer.localFile)
                .bind(4, transfer.userName)
                .bind(5, transfer.password)
                .bind(6, qint64(transfer.port))
                .bind(7, qint64(transfer.priority))
                .bind(8, qint64(transfer.threadCount))
                .bind(9, transfer.resourceSize)
                .bind(10, transfer.validator)
                .bind(11, partsText(transfer.parts));
            insert.step();
        }
        execute("COMMIT");
    } catch (const AppError&) {
        sqlite3_exec(m_database, "ROLLBACK", nullptr, nullptr, nullptr);
        throw;
    }
}

QString partsText(const QList<TransferPart>& parts) {
    QStringList pieces;
    for (const TransferPart& part : parts) {
        pieces << QStringLiteral("%1,%2,%3").arg(part.start).arg(part.length).arg(part.bytesDone);
    }
    return pieces.join(QLatin1Char(';'));
}

QList<TransferPart> partsFromText(const QString& text, qint64 resourceSize) {
    QList<TransferPart> parts;
    if (text.isEmpty() || resourceSize <= 0) {
        return parts;
    }
    qint64 end = 0;
    for (const QString& piece : text.split(QLatin1Char(';'))) {
        const QStringList numbers = piece.split(QLatin1Char(','));
        bool ok[3] = {};
        if (numbers.size() != 3) {
            return {};
        }
        TransferPart part;
        part.start = numbers[0].toLongLong(&ok[0]);
        part.length = numbers[1].toLongLong(&ok[1]);
        part.bytesDone = numbers[2].toLongLong(&ok[2]);
        // Parts follow each other without gaps or overlaps, each done within itself.
        if (!ok[0] || !ok[1] || !ok[2] || part.start != end || part.length < 0 ||
            part.bytesDone < 0 || part.bytesDone > part.length) {
            return {};
        }
        end = part.start + part.length;
        parts.append(part);
    }
    return end == resourceSize ? parts : QList<TransferPart>();
}
