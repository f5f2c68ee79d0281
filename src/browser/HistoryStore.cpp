#include "HistoryStore.h"

#include <sqlite3.h>

#include <QDir>
#include <QLocale>

#include "AppError.h"
#include "Paths.h"
#include "ShellFolders.h"
#include "SqliteStatement.h"

namespace {

constexpr const char* kSchema =
    "CREATE TABLE IF NOT EXISTS visits("
    " id INTEGER PRIMARY KEY, day INTEGER NOT NULL, site TEXT NOT NULL, url TEXT NOT NULL,"
    " title TEXT NOT NULL, visited INTEGER NOT NULL);"
    "CREATE INDEX IF NOT EXISTS visits_by_day ON visits(day, site, url, visited);"
    // The days with visits, so that listing them reads a few hundred rows
    // rather than looking each one up in the index of all visits.
    "CREATE TABLE IF NOT EXISTS days(day INTEGER PRIMARY KEY);";

AppError storeError(const QString& file, const QString& message) {
    return AppError(
        QStringLiteral("The browsing history %1 cannot be used: %2").arg(file, message));
}

AppError storeError(sqlite3* database, const QString& file) {
    return storeError(file, QString::fromUtf8(sqlite3_errmsg(database)));
}

}  // namespace

HistoryStore::HistoryStore(const QString& folder)
    : m_file(fileIn(folder)),
      m_fail([this](bool, const QString& message) { throw storeError(m_file, message); }) {
    QDir().mkpath(folder);
    // What was visited is the user's own: owner-only before SQLite writes a byte.
    Paths::createOwnerOnlyFile(m_file);
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
        SqliteStatement insert(
            m_database, "INSERT INTO visits(day, site, url, title, visited) VALUES(?, ?, ?, ?, ?)",
            m_fail);
        insert.bind(1, day)
            .bind(2, siteOf(url))
            .bind(3, url.toString())
            .bind(4, title)
            .bind(5, when.toMSecsSinceEpoch());
        insert.step();
        const qint64 visit = sqlite3_last_insert_rowid(m_database);
        SqliteStatement known(m_database, "INSERT OR IGNORE INTO days(day) VALUES(?)", m_fail);
        known.bind(1, day).step();
        execute("COMMIT");
        return visit;
    } catch (const AppError&) {
        sqlite3_exec(m_database, "ROLLBACK", nullptr, nullptr, nullptr);
        throw;
    }
}

void HistoryStore::updateTitle(qint64 visit, const QString& title) {
    SqliteStatement update(m_database, "UPDATE visits SET title = ? WHERE id = ?", m_fail);
    update.bind(1, title).bind(2, visit);
    update.step();
}

QList<QDate> HistoryStore::days() {
    SqliteStatement query(m_database, "SELECT day FROM days ORDER BY day DESC", m_fail);
    QList<QDate> days;
    while (query.step())
        days.append(QDate::fromJulianDay(query.integer(0)));
    return days;
}

QStringList HistoryStore::sites(const QDate& day) {
    // One index look-up per site rather than a scan of the day's visits.
    SqliteStatement query(
        m_database,
        "WITH RECURSIVE s(site) AS (SELECT MIN(site) FROM visits WHERE day = ?1"
        " UNION ALL SELECT (SELECT MIN(site) FROM visits WHERE day = ?1 AND site > s.site)"
        " FROM s WHERE s.site IS NOT NULL) SELECT site FROM s WHERE site IS NOT NULL",
        m_fail);
    query.bind(1, day.toJulianDay());
    QStringList sites;
    while (query.step())
        sites.append(query.text(0));
    return sites;
}

QList<HistoryStore::Page> HistoryStore::pages(const QDate& day, const QString& site) {
    // The bare title column takes the row of the latest visit.
    SqliteStatement query(m_database,
                          "SELECT url, title, MAX(visited) FROM visits WHERE day = ? AND site = ?"
                          " GROUP BY url ORDER BY title COLLATE NOCASE, url",
                          m_fail);
    query.bind(1, day.toJulianDay()).bind(2, site);
    QList<Page> pages;
    while (query.step()) {
        pages.append({query.text(0), query.text(1),
                      QDateTime::fromMSecsSinceEpoch(query.integer(2)).toLocalTime()});
    }
    return pages;
}

qint64 HistoryStore::visitCount() {
    SqliteStatement query(m_database, "SELECT COUNT(*) FROM visits", m_fail);
    return query.step() ? query.integer(0) : 0;
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
