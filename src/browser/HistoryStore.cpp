#include "HistoryStore.h"

#include <sqlite3.h>

#include <QDir>
#include <QLocale>

#include "AppError.h"
#include "ShellFolders.h"

namespace {

constexpr const char* kSchema =
    "CREATE TABLE IF NOT EXISTS visits("
    " id INTEGER PRIMARY KEY, day INTEGER NOT NULL, site TEXT NOT NULL, url TEXT NOT NULL,"
    " title TEXT NOT NULL, visited INTEGER NOT NULL);"
    "CREATE INDEX IF NOT EXISTS visits_by_day ON visits(day, site, url, visited);"
    // The days with visits, so that listing them reads a few hundred rows
    // rather than looking each one up in the index of all visits.
    "CREATE TABLE IF NOT EXISTS days(day INTEGER PRIMARY KEY);";

AppError storeError(sqlite3* database, const QString& file) {
    return AppError(QStringLiteral("The browsing history %1 cannot be used: %2")
                        .arg(file, QString::fromUtf8(sqlite3_errmsg(database))));
}

// A prepared statement that finalises itself.
class Query {
public:
    Query(sqlite3* database, const QString& file, const char* sql)
        : m_database(database), m_file(file) {
        if (sqlite3_prepare_v2(database, sql, -1, &m_statement, nullptr) != SQLITE_OK)
            throw storeError(database, file);
    }
    ~Query() { sqlite3_finalize(m_statement); }
    Query(const Query&) = delete;
    Query& operator=(const Query&) = delete;

    Query& bind(int index, qint64 value) {
        sqlite3_bind_int64(m_statement, index, value);
        return *this;
    }
    Query& bind(int index, const QString& value) {
        const QByteArray utf8 = value.toUtf8();
        sqlite3_bind_text(m_statement, index, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
        return *this;
    }
    bool next() {
        const int result = sqlite3_step(m_statement);
        if (result == SQLITE_ROW)
            return true;
        if (result == SQLITE_DONE)
            return false;
        throw storeError(m_database, m_file);
    }
    qint64 integer(int column) { return sqlite3_column_int64(m_statement, column); }
    QString text(int column) {
        return QString::fromUtf8(
            reinterpret_cast<const char*>(sqlite3_column_text(m_statement, column)),
            sqlite3_column_bytes(m_statement, column));
    }

private:
    sqlite3* m_database;
    const QString& m_file;
    sqlite3_stmt* m_statement = nullptr;
};

}  // namespace

HistoryStore::HistoryStore(const QString& folder) : m_file(fileIn(folder)) {
    QDir().mkpath(folder);
    if (sqlite3_open_v2(QFile::encodeName(m_file).constData(), &m_database,
                        SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_FULLMUTEX,
                        nullptr) != SQLITE_OK) {
        const AppError error = storeError(m_database, m_file);
        sqlite3_close(m_database);
        m_database = nullptr;
        throw error;
    }
    // Windows of one program write while others read.
    sqlite3_busy_timeout(m_database, 5000);
    try {
        execute("PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL;");
        execute(kSchema);
    } catch (const AppError&) {
        sqlite3_close(m_database);
        m_database = nullptr;
        throw;
    }
}

QString HistoryStore::fileIn(const QString& folder) {
    return QDir(folder).filePath(QStringLiteral("History.db"));
}

QString HistoryStore::folder() {
    return ShellFolders::path(QStringLiteral("History"));
}

HistoryStore::~HistoryStore() {
    sqlite3_close(m_database);
}

void HistoryStore::execute(const char* sql) {
    if (sqlite3_exec(m_database, sql, nullptr, nullptr, nullptr) != SQLITE_OK)
        throw storeError(m_database, m_file);
}

qint64 HistoryStore::recordVisit(const QUrl& url, const QString& title, const QDateTime& when) {
    if (!isRecordable(url))
        return 0;
    const qint64 day = when.date().toJulianDay();
    execute("BEGIN IMMEDIATE");
    try {
        Query insert(m_database, m_file,
                     "INSERT INTO visits(day, site, url, title, visited) VALUES(?, ?, ?, ?, ?)");
        insert.bind(1, day)
            .bind(2, siteOf(url))
            .bind(3, url.toString())
            .bind(4, title)
            .bind(5, when.toMSecsSinceEpoch());
        insert.next();
        const qint64 visit = sqlite3_last_insert_rowid(m_database);
        Query known(m_database, m_file, "INSERT OR IGNORE INTO days(day) VALUES(?)");
        known.bind(1, day).next();
        execute("COMMIT");
        return visit;
    } catch (const AppError&) {
        sqlite3_exec(m_database, "ROLLBACK", nullptr, nullptr, nullptr);
        throw;
    }
}

void HistoryStore::updateTitle(qint64 visit, const QString& title) {
    Query update(m_database, m_file, "UPDATE visits SET title = ? WHERE id = ?");
    update.bind(1, title).bind(2, visit);
    update.next();
}

QList<QDate> HistoryStore::days() {
    Query query(m_database, m_file, "SELECT day FROM days ORDER BY day DESC");
    QList<QDate> days;
    while (query.next())
        days.append(QDate::fromJulianDay(query.integer(0)));
    return days;
}

QStringList HistoryStore::sites(const QDate& day) {
    // One index look-up per site rather than a scan of the day's visits.
    Query query(m_database, m_file,
                "WITH RECURSIVE s(site) AS (SELECT MIN(site) FROM visits WHERE day = ?1"
                " UNION ALL SELECT (SELECT MIN(site) FROM visits WHERE day = ?1 AND site > s.site)"
                " FROM s WHERE s.site IS NOT NULL) SELECT site FROM s WHERE site IS NOT NULL");
    query.bind(1, day.toJulianDay());
    QStringList sites;
    while (query.next())
        sites.append(query.text(0));
    return sites;
}

QList<HistoryStore::Page> HistoryStore::pages(const QDate& day, const QString& site) {
    // The bare title column takes the row of the latest visit.
    Query query(m_database, m_file,
                "SELECT url, title, MAX(visited) FROM visits WHERE day = ? AND site = ?"
                " GROUP BY url ORDER BY title COLLATE NOCASE, url");
    query.bind(1, day.toJulianDay()).bind(2, site);
    QList<Page> pages;
    while (query.next()) {
        pages.append({query.text(0), query.text(1),
                      QDateTime::fromMSecsSinceEpoch(query.integer(2)).toLocalTime()});
    }
    return pages;
}

qint64 HistoryStore::visitCount() {
    Query query(m_database, m_file, "SELECT COUNT(*) FROM visits");
    return query.next() ? query.integer(0) : 0;
}

void HistoryStore::clear() {
    execute("BEGIN IMMEDIATE; DELETE FROM visits; DELETE FROM days; COMMIT;");
}

bool HistoryStore::isRecordable(const QUrl& url) {
    static const QStringList schemes{"http", "https", "ftp", "file"};
    return url.isValid() && schemes.contains(url.scheme().toLower());
}

QString HistoryStore::siteOf(const QUrl& url) {
    if (url.isLocalFile() || url.host().isEmpty())
        return QStringLiteral("My Computer");
    return url.host();
}

QString HistoryStore::dayCaption(const QDate& day, const QDate& today) {
    const qint64 age = day.daysTo(today);
    if (age == 0)
        return QStringLiteral("Today");
    if (age > 0 && age < 7)
        return QLocale::c().dayName(day.dayOfWeek());
    return day.toString(Qt::ISODate);
}

QString HistoryStore::infoTip(const Page& page) {
    // A line break in the title would be taken for the start of the address.
    QString title = page.title;
    title.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
    return title + QLatin1Char('\n') + page.url;
}

QString HistoryStore::addressFromInfoTip(const QString& tip) {
    const qsizetype lineFeed = tip.indexOf(QLatin1Char('\n'));
    return (lineFeed < 0 ? tip : tip.mid(lineFeed + 1)).trimmed();
}
