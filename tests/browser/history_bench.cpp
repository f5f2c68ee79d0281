// Times the history of visits at a given size: filling it, opening the
// history view (the days, then today's sites and one site's pages) and
// recording one more visit. Prints key=value lines for bench/history.sh.
//
//   history_bench FOLDER VISITS
#include <QCoreApplication>
#include <QElapsedTimer>
#include <algorithm>
#include <cstdio>

#include "HistoryStore.h"

namespace {

// Microseconds of the median of `rounds` runs of `work`.
template <typename Work>
double medianMicroseconds(int rounds, Work&& work) {
    QList<qint64> times;
    for (int i = 0; i < rounds; ++i) {
        QElapsedTimer timer;
        timer.start();
        work();
        times.append(timer.nsecsElapsed());
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2] / 1000.0;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: history_bench FOLDER VISITS\n");
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    const int visits = QByteArray(argv[2]).toInt();
    // A year of browsing: today 50 visits to 10 sites of 5 pages, whatever
    // the size, so that the view shows the same at every size; the other
    // visits spread over the 364 days before, 400 sites of 20 pages.
    const QDateTime now = QDateTime::currentDateTime();
    const QDateTime today(now.date(), QTime(0, 0));
    QElapsedTimer fill;
    fill.start();
    {
        HistoryStore store(folder);
        for (int i = 0; i < visits; ++i) {
            const bool recent = i < 50;
            const int site = recent ? i % 10 : (i * 7919) % 400;
            const int page = recent ? i % 5 : i % 20;
            const QDateTime when =
                recent ? today.addSecs(i) : today.addDays(-1 - (i % 364)).addSecs(i % 3600);
            store.recordVisit(
                QUrl(QStringLiteral("https://site%1.example/page%2").arg(site).arg(page)),
                QStringLiteral("Page %1 of site %2").arg(page).arg(site), when);
        }
    }
    const qint64 fillMs = fill.elapsed();

    HistoryStore store(folder);
    const double openUs = medianMicroseconds(21, [&] {
        HistoryStore opened(folder);
        const QList<QDate> days = opened.days();
        const QStringList sites = opened.sites(days.value(0));
        opened.pages(days.value(0), sites.value(0));
    });
    const double connectUs = medianMicroseconds(21, [&] { HistoryStore opened(folder); });
    const double daysUs = medianMicroseconds(21, [&] { store.days(); });
    const QDate newest = store.days().value(0);
    const double sitesUs = medianMicroseconds(21, [&] { store.sites(newest); });
    const QString site = store.sites(newest).value(0);
    const double pagesUs = medianMicroseconds(21, [&] { store.pages(newest, site); });
    int extra = 0;
    const double recordUs = medianMicroseconds(201, [&] {
        store.recordVisit(QUrl(QStringLiteral("https://new.example/%1").arg(extra++)),
                          QStringLiteral("New page"), now);
    });
    std::printf(
        "visits=%d\nfill_ms=%lld\nopen_view_us=%.1f\nconnect_us=%.1f\ndays_us=%.1f\nsites_us=%.1f\n"
        "pages_us=%.1f\nrecord_us=%.1f\n",
        visits, fillMs, openUs, connectUs, daysUs, sitesUs, pagesUs, recordUs);
    return 0;
}
