#include "SqliteStatement.h"

#include <sqlite3.h>

SqliteStatement::SqliteStatement(sqlite3* database, const char* sql, const Failure& fail)
    : m_fail(fail) {
    if (sqlite3_prepare_v2(database, sql, -1, &m_statement, nullptr) != SQLITE_OK)
        m_fail(true, QString::fromUtf8(sqlite3_errmsg(database)));
}

SqliteStatement::~SqliteStatement() {
    sqlite3_finalize(m_statement);
}

SqliteStatement& SqliteStatement::bind(int index, qint64 value) {
    sqlite3_bind_int64(m_statement, index, value);
    return *this;
}

SqliteStatement& SqliteStatement::bind(int index, const QString& value) {
    const QByteArray utf8 = value.toUtf8();
    sqlite3_bind_text(m_statement, index, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
    return *this;
}

SqliteStatement& SqliteStatement::bindBlob(int index, const QByteArray& value) {
    sqlite3_bind_blob(m_statement, index, value.constData(), int(value.size()), SQLITE_TRANSIENT);
    return *this;
}

bool SqliteStatement::step() {
    const int rc = sqlite3_step(m_statement);
    if (rc == SQLITE_ROW)
        return true;
    if (rc != SQLITE_DONE)
        m_fail(false, QString::fromUtf8(sqlite3_errstr(rc)));
    return false;
}

qint64 SqliteStatement::integer(int column) {
    return sqlite3_column_int64(m_statement, column);
}

QString SqliteStatement::text(int column) {
    return QString::fromUtf8(
        reinterpret_cast<const char*>(sqlite3_column_text(m_statement, column)),
        sqlite3_column_bytes(m_statement, column));
}

QByteArray SqliteStatement::blob(int column) {
    const void* data = sqlite3_column_blob(m_statement, column);
    return QByteArray(static_cast<const char*>(data), sqlite3_column_bytes(m_statement, column));
}
