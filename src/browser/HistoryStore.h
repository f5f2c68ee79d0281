#pragma once

#include <QDate>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>
#include <QUrl>

#include "SqliteStatement.h"

struct sqlite3;

// The browser's history of visits: one row per finished page load of any
// browser window, kept in an SQLite file. Read as a history folder shows it:
// days (newest first), the sites visited that day, the pages of a site.
//
// Indexed by (day, site, url), with a table of the days: listing the days
// reads one row per day, listing a day's sites one index look-up per site,
// and recording a visit is one insertion, whatever the number of visits.
//
// One store per thread; several stores (windows) may share the file.
// Operations that fail throw AppError.
class HistoryStore {
public:
    struct Page {
        QString url;
        QString title;
        QDateTime lastVisit;  // local time
    };

    // Opens (creating) the store file "History.db" in `folder`.
    explicit HistoryStore(const QString& folder);
    ~HistoryStore();
    HistoryStore(const HistoryStore&) = delete;
    HistoryStore& operator=(const HistoryStore&) = delete;

    QString file() const { return m_file; }

    // The folder of the browser's own store: the Shell Folders value
    // "History" (seeded under the user data folder); empty when the settings
    // store cannot be read.
    static QString folder();
    // The store file in `folder`.
    static QString fileIn(const QString& folder);

    // Records a visit at `when` (now by default); answers its row id, or 0
    // when the address is not one a history keeps (see isRecordable).
    qint64 recordVisit(const QUrl& url, const QString& title,
                       const QDateTime& when = QDateTime::currentDateTime());
    // A page's title known only after its load finished.
    void updateTitle(qint64 visit, const QString& title);

    // Days with visits, newest first.
    QList<QDate> days();
    // The sites visited on `day`, in name order.
    QStringList sites(const QDate& day);
    // The pages of `site` visited on `day`: one per address, with the title
    // of its latest visit, in title order.
    QList<Page> pages(const QDate& day, const QString& site);
    qint64 visitCount();

    // Forgets every visit.
    void clear();

    // Web pages, FTP and local files; not blank, data or script addresses.
    static bool isRecordable(const QUrl& url);
    // The site node a visit belongs to: the host, or "My Computer" for files.
    static QString siteOf(const QUrl& url);
    // "Today", the weekday for the six days before, the date before that.
    static QString dayCaption(const QDate& day, const QDate& today);
    // A page's information tip: its title, a line feed and its address.
    static QString infoTip(const Page& page);
    // The address in an information tip: the text after its first line feed,
    // trimmed; the whole tip, trimmed, when it has none.
    static QString addressFromInfoTip(const QString& tip);

private:
    void execute(const char* sql);
    sqlite3* m_database = nullptr;
    QString m_file;
    SqliteStatement::Failure m_fail;  // throws AppError naming the file
};
