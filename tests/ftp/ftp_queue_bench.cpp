// ftp_queue_bench: the FTP window's transfer queue for bench/ftp.sh.
//
//   ftp_queue_bench fetch HOST PORT PATH FOLDER
//       downloads PATH from the FTP server at HOST:PORT (anonymous) into
//       FOLDER through a TransferQueue with the window's defaults (five parts,
//       8 KiB buffers, rows refreshed while it runs); exit code 0 when Done.
//   ftp_queue_bench rows COUNT
//       a Transfers page of COUNT rows: prints the milliseconds of a sort by
//       each column and of drawing every screenful while scrolling through.
#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QHeaderView>
#include <QScrollBar>
#include <QTreeView>
#include <cstdio>

#include "ImageStrip.h"
#include "ListSortKey.h"
#include "TransferQueue.h"
#include "TransfersPage.h"

namespace {

int fetch(const QStringList& arguments) {
    if (arguments.size() != 4) {
        return 2;
    }
    ListSortKey key;
    TransferQueue queue(key);
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

int rows(int count) {
    ListSortKey key;
    TransferQueue queue(key);
    ImageList images;
    TransfersPage page(queue, key, images);
    page.resize(822, 400);
    page.show();
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

}  // namespace

int main(int argc, char** argv) {
    const QString mode = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString();
    if (mode == "fetch") {
        // The queue itself needs no window system.
        QCoreApplication app(argc, argv);
        return fetch(app.arguments().mid(2));
    }
    if (mode == "rows") {
        QApplication app(argc, argv);
        return rows(qMax(1, app.arguments().value(2).toInt()));
    }
    std::fprintf(stderr, "usage: ftp_queue_bench fetch HOST PORT PATH FOLDER | rows COUNT\n");
    return 2;
}
