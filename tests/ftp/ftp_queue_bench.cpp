// ftp_queue_bench: the FTP window's transfer queue for bench/ftp.sh.
//
//   ftp_queue_bench fetch HOST PORT PATH FOLDER
//       downloads PATH from the FTP server at HOST:PORT (anonymous) into
//       FOLDER through a TransferQueue with the window's defaults (five parts,
//       8 KiB buffers, active mode), shown in its Transfers page, whose row
//       and progress bar are redrawn while it runs; exit code 0 when Done.
//   ftp_queue_bench idle
//       the same Transfers page, shown for half a second with no transfer:
//       what the page costs before the queue moves a byte.
//   ftp_queue_bench rows COUNT
//       a Transfers page of COUNT rows: prints the milliseconds of a sort by
//       each column and of drawing every screenful while scrolling through.
//
// Built without CORVANTA_BENCH_PAGE as ftp_queue_fetch: "fetch" alone, the
// queue and its rows' model without any widget (and without Qt's widget
// libraries in the process).
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTimer>
#include <cstdio>

#include "ListSortKey.h"
#include "TransferQueue.h"

#ifdef CORVANTA_BENCH_PAGE
#include <QApplication>
#include <QHeaderView>
#include <QScrollBar>
#include <QTreeView>

#include "ImageStrip.h"
#include "TransfersPage.h"
#else
#include <QCoreApplication>
#endif

namespace {

int fetch(TransferQueue& queue, const QStringList& arguments) {
    if (arguments.size() != 4) {
        return 2;
    }
    queue.downloader().setLocalFolder(arguments[3]);
    const QString url = queuedFileUrl(arguments[0], "/", arguments[2].mid(1));
    TclDownLoadItem* item =
        queue.addDownload({url, arguments[3] + "/" + QFileInfo(arguments[2]).fileName(),
                           "anonymous", QString(), arguments[1].toInt()});
    QObject::connect(&queue, &TransferQueue::busyChanged, [&] {
        if (!queue.isBusy()) {
            QCoreApplication::quit();
        }
    });
    queue.startAll();
    QCoreApplication::exec();
    if (item->status() != TransferStatus::Done) {
        std::fprintf(stderr, "%s\n", qPrintable(item->errors().join('\n')));
        return 1;
    }
    return 0;
}

#ifdef CORVANTA_BENCH_PAGE
int rows(TransferQueue& queue, TransfersPage& page, int count) {
    for (int i = 0; i < count; ++i) {
        const QString name =
            QString("file %1 %2.bin").arg((i * 7919) % count).arg(QChar('a' + i % 26));
        queue.addDownload({queuedFileUrl("127.0.0.1", "/pub", name), "/tmp/" + name, "u", "p", 21});
    }
    QApplication::processEvents();
    QTreeView* list = page.list();
    QElapsedTimer clock;
    std::printf("rows %d\n", count);
    for (int column : {0, 4, 8, 10}) {
        clock.start();
        page.LVTransferColumnClick(column);
        list->viewport()->repaint();
        std::printf("sort by column %d: %.1f ms\n", column, clock.nsecsElapsed() / 1e6);
    }
    clock.start();
    QScrollBar* bar = list->verticalScrollBar();
    int screens = 0;
    for (int value = 0; value <= bar->maximum(); value += qMax(1, bar->pageStep())) {
        bar->setValue(value);
        list->viewport()->repaint();
        ++screens;
    }
    std::printf("scroll through %d screens: %.1f ms (%.2f ms each)\n", screens,
                clock.nsecsElapsed() / 1e6, clock.nsecsElapsed() / 1e6 / qMax(1, screens));
    return 0;
}
#endif

}  // namespace

int main(int argc, char** argv) {
    const QString mode = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString();
#ifdef CORVANTA_BENCH_PAGE
    QApplication app(argc, argv);
    ListSortKey key;
    TransferQueue queue(key);
    ImageList images;
    TransfersPage page(queue, key, images);
    page.resize(822, 400);
    page.show();
    if (mode == "fetch") {
        return fetch(queue, app.arguments().mid(2));
    }
    if (mode == "idle") {
        QTimer::singleShot(500, &app, &QCoreApplication::quit);
        return app.exec();
    }
    if (mode == "rows") {
        return rows(queue, page, qMax(1, app.arguments().value(2).toInt()));
    }
    std::fprintf(stderr,
                 "usage: ftp_queue_bench fetch HOST PORT PATH FOLDER | idle | rows COUNT\n");
#else
    QCoreApplication app(argc, argv);
    ListSortKey key;
    TransferQueue queue(key);
    if (mode == "fetch") {
        return fetch(queue, app.arguments().mid(2));
    }
    std::fprintf(stderr, "usage: ftp_queue_fetch fetch HOST PORT PATH FOLDER\n");
#endif
    return 2;
}
