#pragma once

#include <QDate>
#include <QString>
#include <QStringList>
#include <memory>

#include "AppError.h"

struct sqlite3;

// Raised for every failed read of an integer, Boolean or date (absent value or
// value of another type) and for a store that cannot be used.
class RegistryError : public AppError {
public:
    using AppError::AppError;
};

// A short-lived accessor over the suite's typed settings tree, the Linux home of
// the per-user registry: an SQLite file at $XDG_CONFIG_HOME/Corvanta/registry.db.
//
// Keys are absolute paths such as "\Software\Corvanta\Editor" (the leading
// backslash is optional, letters compare without case as in the registry).
// One accessor serves one block of reads or writes: all writes made through it
// form one transaction that is committed when the key is closed or the accessor
// is destroyed, so a crash never leaves half a block written.
//
// Not thread-safe: create one per block on the thread that uses it.
class Registry {
public:
    // Booleans are 32-bit numbers like integers (written 0/1, read non-zero as
    // true), so either reads the other; a date is 8 raw bytes.
    enum class ValueType { Integer = 1, Text = 2, Date = 3 };

    // Opens the store at the default location, or at `databaseFile` when given.
    explicit Registry(const QString& databaseFile = QString());
    ~Registry();
    Registry(const Registry&) = delete;
    Registry& operator=(const Registry&) = delete;

    // Opens a key (always an absolute path) as the current key. Returns false when the key does not
    // exist and `canCreate` is false.
    bool openKey(const QString& path, bool canCreate);
    // Commits the pending writes and forgets the current key.
    void closeKey();
    QString currentPath() const { return m_currentPath; }

    bool keyExists(const QString& path);
    // Deletes a key with all its sub-keys and values; a bare name (no
    // backslash) names a sub-key of the current key ("Corvanta" below
    // "\Software"), anything else an absolute path.
    bool deleteKey(const QString& path);
    QStringList getKeyNames();    // sub-key names of the current key
    QStringList getValueNames();  // value names of the current key, in name order

    bool valueExists(const QString& name);
    ValueType valueType(const QString& name);  // throws when absent
    bool deleteValue(const QString& name);

    qint32 readInteger(const QString& name);
    bool readBool(const QString& name);
    QString readString(const QString& name);  // absent -> empty text
    QDate readDate(const QString& name);

    void writeInteger(const QString& name, qint32 value);
    void writeBool(const QString& name, bool value);
    void writeString(const QString& name, const QString& value);
    void writeDate(const QString& name, const QDate& value);

    // The default store file.
    static QString defaultDatabaseFile();

    // When the store file was found corrupt and moved aside, the path it was moved
    // to; reported once: the call clears it.
    static QString takeRecoveryNotice();

    // Normalised form of a key path: no leading or trailing backslash, single
    // separators ("Software\Corvanta\Editor").
    static QString normalisePath(const QString& path);

private:
    struct Value;
    void requireKey() const;
    void beginWrite();
    void commit();
    qint64 keyId(const QString& normalisedPath, bool create);
    bool readValue(const QString& name, Value& value);
    void writeValue(const QString& name, ValueType type, const QByteArray& data);
    qint32 readNumber(const QString& name, ValueType type);

    sqlite3* m_database = nullptr;
    QString m_file;
    QString m_currentPath;
    qint64 m_currentKey = -1;
    bool m_inTransaction = false;
};

// Runs one block of store reads or writes whose failure the program ignores
// (stored settings are a convenience, never a reason to stop a window).
// Returns false when the block failed.
template <typename Block>
bool ignoringStoreFailures(Block&& block) {
    try {
        block();
        return true;
    } catch (const AppError&) {
        return false;
    }
}
