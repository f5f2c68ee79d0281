// corvanta-get: downloads addresses with the suite's transfer engine.
#include <unistd.h>

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QTimer>
#include <QUrl>
#include <cstdio>

#include "AppError.h"
#include "TclMultiDownLoader.h"

namespace {

QString sizeText(double bytes) {
    const char* units[] = {"B", "KiB", "MiB", "GiB", "TiB"};
    int unit = 0;
    while (bytes >= 1024 && unit < 4) {
        bytes /= 1024;
        ++unit;
    }
    return QString::number(bytes, 'f', unit == 0 ? 0 : 1) + QLatin1Char(' ') +
           QLatin1String(units[unit]);
}

QString progressLine(const TclTransferItem* item) {
    const qint64 size = item->resourceSize();
    const qint64 done = item->bytesDone();
    QString line = QStringLiteral("%1  %2")
                       .arg(transferStatusText(item->status()), -8)
                       .arg(sizeText(double(done)));
    if (size > 0)
        line += QStringLiteral(" / %1 (%2%)").arg(sizeText(double(size))).arg(done * 100 / size);
    line += QStringLiteral("  %1/s  ").arg(sizeText(item->speed()));
    QString name = item->localFile().isEmpty() ? item->url() : item->localFile();
    if (name.size() > 40)
        name = QStringLiteral("...") + name.right(37);
    return line + name;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("corvanta-get"));
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Downloads each URL in parallel parts."));
    parser.addHelpOption();
    parser.addOption({QStringLiteral("threads"), QStringLiteral("Parts per file (default 5)."),
                      QStringLiteral("N"), QStringLiteral("5")});
    parser.addOption({QStringLiteral("dir"),
                      QStringLiteral("Folder for the files (default: the current one)."),
                      QStringLiteral("DIR"), QStringLiteral(".")});
    parser.addOption(
        {QStringLiteral("no-info"),
         QStringLiteral("Skip the resource information request (one part per file).")});
    parser.addOption({QStringLiteral("batch-size"),
                      QStringLiteral("Bytes per read (default 262144)."), QStringLiteral("BYTES"),
                      QStringLiteral("262144")});
    parser.addOption({QStringLiteral("tries"), QStringLiteral("Tries per part (default 5)."),
                      QStringLiteral("N"), QStringLiteral("5")});
    parser.addPositionalArgument(QStringLiteral("URL"), QStringLiteral("Addresses to download."),
                                 QStringLiteral("URL..."));
    parser.process(app);
    const QStringList urls = parser.positionalArguments();
    if (urls.isEmpty())
        parser.showHelp(2);

    TclMultiDownLoader engine;
    TransferSettings& settings = engine.settings();
    settings.localFolder = QDir(parser.value(QStringLiteral("dir"))).absolutePath();
    settings.doNotGetResourceInfo = parser.isSet(QStringLiteral("no-info"));
    settings.batchSize = qMax(1024, parser.value(QStringLiteral("batch-size")).toInt());
    settings.tryCount = qMax(1, parser.value(QStringLiteral("tries")).toInt());
    settings.reconnectAfter = 2000;
    settings.timeOut = 30000;
    const int threads = qBound(1, parser.value(QStringLiteral("threads")).toInt(), 64);

    QList<TclDownLoadItem*> items;
    for (const QString& url : urls) {
        TclDownLoadItem* item = engine.addItem();
        // Blanks and other bytes a shell lets through are percent-encoded.
        item->setUrl(QUrl(url).toString(QUrl::FullyEncoded));
        item->setThreadCount(threads);
        items << item;
    }

    const bool terminal = ::isatty(STDERR_FILENO);
    int linesShown = 0;
    auto draw = [&] {
        if (!terminal)
            return;
        QByteArray out;
        if (linesShown > 0)
            out += "\x1b[" + QByteArray::number(linesShown) + "F";
        for (const TclDownLoadItem* item : items)
            out += "\x1b[2K" + progressLine(item).toLocal8Bit() + '\n';
        linesShown = int(items.size());
        std::fwrite(out.constData(), 1, size_t(out.size()), stderr);
    };
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, draw);
    QObject::connect(&engine, &TclMultiTransfer::busyStateChanged, [&](bool busy) {
        if (!busy)
            QTimer::singleShot(0, &app, &QCoreApplication::quit);
    });
    if (terminal)
        timer.start(250);
    try {
        engine.startAll();
    } catch (const AppError& error) {
        std::fprintf(stderr, "%s\n", qPrintable(error.message()));
        return 1;
    }
    if (engine.isBusy())
        app.exec();
    timer.stop();
    draw();

    int failures = 0;
    for (int i = 0; i < items.size(); ++i) {
        const TclDownLoadItem* item = items[i];
        if (item->status() == TransferStatus::Done)
            continue;
        ++failures;
        QStringList errors = item->errors();
        if (errors.isEmpty())
            errors << transferStatusText(item->status());
        for (const QString& error : errors)
            std::fprintf(stderr, "corvanta-get: %s: %s\n", qPrintable(urls[i]), qPrintable(error));
    }
    return failures == 0 ? 0 : 1;
}
