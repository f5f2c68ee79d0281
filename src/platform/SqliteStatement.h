#pragma once

#include <QByteArray>
#include <QString>
#include <functional>

struct sqlite3;
struct sqlite3_stmt;

// A prepared SQLite statement that finalises itself. Its failures throw what
// the store's `fail` makes of them, so that each store keeps its own error
// type and wording. Used on the thread that owns the connection.
class SqliteStatement {
public:
    // Called with whether preparing (rather than running) failed and SQLite's
    // message; it throws.
    using Failure = std::function<void(bool preparing, const QString& message)>;

    SqliteStatement(sqlite3* database, const char* sql, const Failure& fail);
    ~SqliteStatement();
    SqliteStatement(const SqliteStatement&) = delete;
    SqliteStatement& operator=(const SqliteStatement&) = delete;

    SqliteStatement& bind(int index, qint64 value);
    SqliteStatement& bind(int index, const QString& value);
    SqliteStatement& bindBlob(int index, const QByteArray& value);
    // True while a row is available.
    bool step();
    qint64 integer(int column);
    QString text(int column);
    QByteArray blob(int column);

private:
    sqlite3_stmt* m_statement = nullptr;
    const Failure& m_fail;
};
