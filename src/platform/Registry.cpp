#include "Registry.h"

#include <sqlite3.h>

#include <QDateTime>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QMutex>
#include <QThread>
#include <QtEndian>
#include <cmath>
#include <cstring>

#include "Paths.h"
#include "SqliteStatement.h"

namespace {

constexpr int kBusyTimeoutMs = 10000;

constexpr const char* kSchema =
    "CREATE TABLE IF NOT EXISTS keys("
    " id INTEGER PRIMARY KEY, parent INTEGER NOT NULL, name TEXT NOT NULL COLLATE NOCASE,"
    " UNIQUE(parent, name));"
    "CREATE TABLE IF NOT EXISTS vals("
    " key INTEGER NOT NULL, name TEXT NOT NULL COLLATE NOCASE, type INTEGER NOT NULL,"
    " data BLOB, PRIMARY KEY(key, name));";

QMutex g_checkLock;
// Files found sound, with the size and time they had then: a file is checked
// again only when something else changed it.
QHash<QString, QPair<qint64, QDateTime>> g_soundFiles;  // guarded by g_checkLock
QString g_recoveryNotice;                               // guarded by g_checkLock

const SqliteStatement::Failure kStoreFailure = [](bool preparing, const QString& message) {
    throw RegistryError((preparing ? QStringLiteral("The settings store cannot be read: %1")
                                   : QStringLiteral("The settings store cannot be used: %1"))
                            .arg(message));
};

// A statement of the settings store.
class Statement : public SqliteStatement {
public:
    Statement(sqlite3* db, const char* sql) : SqliteStatement(db, sql, kStoreFailure) {}
};

void execute(sqlite3* db, const char* sql) {
    char* error = nullptr;
    if (sqlite3_exec(db, sql, nullptr, nullptr, &error) != SQLITE_OK) {
        const QString message = QString::fromUtf8(error ? error : "unknown error");
        sqlite3_free(error);
        throw RegistryError(QStringLiteral("The settings store cannot be used: %1").arg(message));
    }
}

// Runs `sql` as `execute` does, waiting while another copy holds the store:
// switching the journal mode answers "busy" at once, without the busy handler,
// while another copy opens or closes the store.
void executeWhenFree(sqlite3* db, const char* sql) {
    const QDeadlineTimer deadline(kBusyTimeoutMs);
    int rc = sqlite3_exec(db, sql, nullptr, nullptr, nullptr);
    while (rc == SQLITE_BUSY && !deadline.hasExpired()) {
        QThread::msleep(5);
        rc = sqlite3_exec(db, sql, nullptr, nullptr, nullptr);
    }
    if (rc != SQLITE_OK)
        execute(db, sql);  // says what still fails
}

sqlite3* openDatabase(const QString& file) {
    sqlite3* db = nullptr;
    const int rc = sqlite3_open_v2(file.toUtf8().constData(), &db,
                                   SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    if (rc != SQLITE_OK) {
        const QString message = QString::fromUtf8(sqlite3_errstr(rc));
        sqlite3_close(db);
        throw RegistryError(
            QStringLiteral("The settings store %1 cannot be opened: %2").arg(file, message));
    }
    sqlite3_busy_timeout(db, kBusyTimeoutMs);  // another running copy may hold the write lock
    return db;
}

bool isCorruption(int rc) {
    const int primary = rc & 0xFF;
    return primary == SQLITE_NOTADB || primary == SQLITE_CORRUPT;
}

// False only when the file is certainly not a usable store; a file that is
// merely busy (another running copy writing) counts as sound.
bool storeIsSound(const QString& file) {
    if (!QFileInfo::exists(file)) {
        return true;
    }
    sqlite3* db = nullptr;
    int rc = sqlite3_open_v2(file.toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr);
    if (rc != SQLITE_OK) {
        sqlite3_close(db);
        return !isCorruption(rc);
    }
    sqlite3_busy_timeout(db, kBusyTimeoutMs);
    bool sound = true;
    sqlite3_stmt* statement = nullptr;
    rc = sqlite3_prepare_v2(db, "PRAGMA quick_check", -1, &statement, nullptr);
    if (rc == SQLITE_OK) {
        rc = sqlite3_step(statement);
    }
    if (rc == SQLITE_ROW) {
        const char* result = reinterpret_cast<const char*>(sqlite3_column_text(statement, 0));
        sound = result && std::strcmp(result, "ok") == 0;
    } else if (rc != SQLITE_OK && rc != SQLITE_DONE) {
        sound = !isCorruption(rc);
    }
    sqlite3_finalize(statement);
    sqlite3_close(db);
    return sound;
}

// Moves a corrupt store aside so the program starts as on a first run and
// nothing of the old file is destroyed.
void recoverIfCorrupt(const QString& file) {
    QMutexLocker locker(&g_checkLock);
    const QFileInfo info(file);
    const QPair<qint64, QDateTime> stamp{info.size(), info.lastModified()};
    if (info.exists() && g_soundFiles.value(file) == stamp) {
        return;
    }
    if (storeIsSound(file)) {
        g_soundFiles.insert(file, stamp);
        return;
    }
    g_soundFiles.remove(file);
    const QString aside =
        file + ".corrupt-" + QDateTime::currentDateTime().toString("yyyyMMdd-HHmmss");
    QFile::remove(file + "-wal");
    QFile::remove(file + "-shm");
    if (QFile::rename(file, aside)) {
        g_recoveryNotice = aside;
    } else {
        QFile::remove(file);
        g_recoveryNotice = file;
    }
}

QByteArray encodeNumber(qint32 value) {
    QByteArray data(4, '\0');
    qToLittleEndian<qint32>(value, data.data());
    return data;
}

}  // namespace

struct Registry::Value {
    ValueType type;
    QByteArray data;
};

QString Registry::defaultDatabaseFile() {
    return Paths::userConfigFolder() + "/registry.db";
}

QString Registry::takeRecoveryNotice() {
    QMutexLocker locker(&g_checkLock);
    return std::exchange(g_recoveryNotice, QString());
}

QString Registry::normalisePath(const QString& path) {
    const QStringList parts = path.split(u'\\', Qt::SkipEmptyParts);
    return parts.join(u'\\');
}

Registry::Registry(const QString& databaseFile)
    : m_file(databaseFile.isEmpty() ? defaultDatabaseFile() : databaseFile) {
    Paths::makePrivateFolder(QFileInfo(m_file).absolutePath());
    recoverIfCorrupt(m_file);
    // It keeps passwords: owner-only before SQLite writes a byte.
    Paths::createOwnerOnlyFile(m_file);
    m_database = openDatabase(m_file);
    try {
        executeWhenFree(m_database, "PRAGMA journal_mode=WAL");
        execute(m_database, kSchema);
    } catch (...) {
        sqlite3_close(m_database);
        m_database = nullptr;
        throw;
    }
}

Registry::~Registry() {
    try {
        commit();
    } catch (...) {
        // A failed commit at release rolls back; nothing of the block is written.
    }
    sqlite3_close(m_database);
}

void Registry::requireKey() const {
    if (m_currentKey < 0) {
        throw RegistryError(QStringLiteral("No settings key is open"));
    }
}

void Registry::beginWrite() {
    if (!m_inTransaction) {
        execute(m_database, "BEGIN IMMEDIATE");
        m_inTransaction = true;
    }
}

void Registry::commit() {
    if (m_inTransaction) {
        m_inTransaction = false;
        try {
            execute(m_database, "COMMIT");
        } catch (...) {
            sqlite3_exec(m_database, "ROLLBACK", nullptr, nullptr, nullptr);
            throw;
        }
    }
}

qint64 Registry::keyId(const QString& normalisedPath, bool create) {
    qint64 id = 0;  // the hive root
    if (normalisedPath.isEmpty())
        return id;
    const auto find = [this](qint64 parent, const QString& name) -> qint64 {
        Statement statement(m_database, "SELECT id FROM keys WHERE parent = ? AND name = ?");
        statement.bind(1, parent).bind(2, name);
        return statement.step() ? statement.integer(0) : -1;
    };
    for (const QString& name : normalisedPath.split(u'\\')) {
        qint64 found = find(id, name);
        if (found < 0 && create && !m_inTransaction) {
            beginWrite();
            // Another running copy may have made the key after the look-up
            // and before this one held the write lock.
            found = find(id, name);
        }
        if (found >= 0) {
            id = found;
            continue;
        }
        if (!create)
            return -1;
        Statement insert(m_database, "INSERT INTO keys(parent, name) VALUES(?, ?)");
        insert.bind(1, id).bind(2, name);
        insert.step();
        id = sqlite3_last_insert_rowid(m_database);
    }
    return id;
}

bool Registry::openKey(const QString& path, bool canCreate) {
    const QString full = normalisePath(path);
    // Creating a key on open is a block of its own: a reading block that
    // created its key must not hold the write lock while it reads.
    const bool ownTransaction = !m_inTransaction;
    const qint64 id = keyId(full, canCreate);
    if (ownTransaction) {
        commit();
    }
    if (id < 0)
        return false;
    m_currentKey = id;
    m_currentPath = full;
    return true;
}

void Registry::closeKey() {
    commit();
    m_currentKey = -1;
    m_currentPath.clear();
}

bool Registry::keyExists(const QString& path) {
    return keyId(normalisePath(path), false) >= 0;
}

bool Registry::deleteKey(const QString& path) {
    // A bare name deletes below the current key, as in the registry.
    QString full = normalisePath(path);
    if (!path.contains(u'\\') && m_currentKey >= 0 && !m_currentPath.isEmpty()) {
        full = normalisePath(m_currentPath + "\\" + path);
    }
    const qint64 id = keyId(full, false);
    if (id <= 0)
        return false;
    beginWrite();
    // Collect the key and everything below it, then remove values and keys.
    Statement remove(m_database,
                     "WITH RECURSIVE tree(id) AS (SELECT ? UNION ALL "
                     " SELECT keys.id FROM keys JOIN tree ON keys.parent = tree.id) "
                     "SELECT id FROM tree");
    remove.bind(1, id);
    QList<qint64> ids;
    while (remove.step())
        ids.append(remove.integer(0));
    for (qint64 each : ids) {
        Statement values(m_database, "DELETE FROM vals WHERE key = ?");
        values.bind(1, each).step();
        Statement key(m_database, "DELETE FROM keys WHERE id = ?");
        key.bind(1, each).step();
    }
    if (ids.contains(m_currentKey)) {
        m_currentKey = -1;
        m_currentPath.clear();
    }
    return true;
}

QStringList Registry::getKeyNames() {
    requireKey();
    Statement list(m_database, "SELECT name FROM keys WHERE parent = ? ORDER BY id");
    list.bind(1, m_currentKey);
    QStringList names;
    while (list.step())
        names.append(list.text(0));
    return names;
}

QStringList Registry::getValueNames() {
    requireKey();
    Statement list(m_database, "SELECT name FROM vals WHERE key = ? ORDER BY name");
    list.bind(1, m_currentKey);
    QStringList names;
    while (list.step())
        names.append(list.text(0));
    return names;
}

bool Registry::readValue(const QString& name, Value& value) {
    requireKey();
    Statement read(m_database, "SELECT type, data FROM vals WHERE key = ? AND name = ?");
    read.bind(1, m_currentKey).bind(2, name);
    if (!read.step())
        return false;
    value.type = ValueType(read.integer(0));
    value.data = read.blob(1);
    return true;
}

bool Registry::valueExists(const QString& name) {
    Value value;
    return readValue(name, value);
}

Registry::ValueType Registry::valueType(const QString& name) {
    Value value;
    if (!readValue(name, value)) {
        throw RegistryError(QStringLiteral("Settings value \"%1\" does not exist").arg(name));
    }
    return value.type;
}

bool Registry::deleteValue(const QString& name) {
    requireKey();
    beginWrite();
    Statement remove(m_database, "DELETE FROM vals WHERE key = ? AND name = ?");
    remove.bind(1, m_currentKey).bind(2, name).step();
    return sqlite3_changes(m_database) > 0;
}

qint32 Registry::readNumber(const QString& name, ValueType type) {
    Value value;
    if (!readValue(name, value)) {
        throw RegistryError(QStringLiteral("Settings value \"%1\" does not exist").arg(name));
    }
    if (value.type != type || value.data.size() != 4) {
        throw RegistryError(QStringLiteral("Invalid data type for \"%1\"").arg(name));
    }
    return qFromLittleEndian<qint32>(value.data.constData());
}

qint32 Registry::readInteger(const QString& name) {
    return readNumber(name, ValueType::Integer);
}

bool Registry::readBool(const QString& name) {
    return readNumber(name, ValueType::Integer) != 0;
}

QString Registry::readString(const QString& name) {
    Value value;
    if (!readValue(name, value))
        return QString();
    if (value.type != ValueType::Text) {
        throw RegistryError(QStringLiteral("Invalid data type for \"%1\"").arg(name));
    }
    return QString::fromUtf8(value.data);
}

QDate Registry::readDate(const QString& name) {
    Value value;
    if (!readValue(name, value)) {
        throw RegistryError(QStringLiteral("Settings value \"%1\" does not exist").arg(name));
    }
    if (value.type != ValueType::Date || value.data.size() != 8) {
        throw RegistryError(QStringLiteral("Invalid data type for \"%1\"").arg(name));
    }
    const double days = qFromLittleEndian<double>(value.data.constData());
    if (!std::isfinite(days) || std::abs(days) > 3.0e6) {  // beyond year 10000
        throw RegistryError(QStringLiteral("Invalid date in \"%1\"").arg(name));
    }
    return QDate(1899, 12, 30).addDays(qint64(days));
}

void Registry::writeValue(const QString& name, ValueType type, const QByteArray& data) {
    requireKey();
    beginWrite();
    Statement write(m_database,
                    "INSERT INTO vals(key, name, type, data) VALUES(?, ?, ?, ?) "
                    "ON CONFLICT(key, name) DO UPDATE SET type = excluded.type, "
                    "data = excluded.data");
    write.bind(1, m_currentKey).bind(2, name).bind(3, qint64(type)).bindBlob(4, data);
    write.step();
}

void Registry::writeInteger(const QString& name, qint32 value) {
    writeValue(name, ValueType::Integer, encodeNumber(value));
}

void Registry::writeBool(const QString& name, bool value) {
    writeValue(name, ValueType::Integer, encodeNumber(value ? 1 : 0));
}

void Registry::writeString(const QString& name, const QString& value) {
    writeValue(name, ValueType::Text, value.toUtf8());
}

void Registry::writeDate(const QString& name, const QDate& value) {
    QByteArray data(8, '\0');
    qToLittleEndian<double>(double(QDate(1899, 12, 30).daysTo(value)), data.data());
    writeValue(name, ValueType::Date, data);
}
