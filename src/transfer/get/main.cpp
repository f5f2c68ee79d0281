// corvanta-get: downloads addresses with the suite's transfer engine, and
// continues what an interrupted run left.
#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSocketNotifier>
#include <QTimer>
#include <QUrl>
#include <csignal>
#include <cstdio>

#include "AppError.h"
#include "DownloadFile.h"
#include "DownloadState.h"
#include "GetProgress.h"
#include "TclMultiDownLoader.h"

namespace {

// Exit codes (also in --help and the manual page); a stop by a signal exits
// with 128 + the signal's number, as shells report it.
enum ExitCode { kComplete = 0, kFailed = 1, kUsage = 2, kLocalFile = 3 };

int g_signalPipe[2] = {-1, -1};

void onSignal(int signal) {
    const char number = char(signal);
    [[maybe_unused]] const ssize_t written = ::write(g_signalPipe[1], &number, 1);
}

int usageError(const QString& text) {
    std::fprintf(stderr, "corvanta-get: %s\nTry 'corvanta-get --help' for more.\n",
                 qPrintable(text));
    return kUsage;
}

struct Download {
    QString url;
    TclDownLoadItem* item = nullptr;
    bool localFileError = false;
    QStringList errors;
};

// The state of an unfinished download, written for its partial file; a
// download that left no partial file leaves no state either.
void saveState(const Download& download) {
    const QString file = download.item->localFile();
    if (file.isEmpty())
        return;
    const QString absolute = QFileInfo(file).absoluteFilePath();
    DownloadState state{download.url, absolute, DownloadState::partialFileOf(absolute),
                        download.item->resumeState()};
    if (state.partialFile.isEmpty() || state.resume.parts.isEmpty()) {
        QFile::remove(DownloadState::pathFor(absolute));
        return;
    }
    QString error;
    if (!writeDownloadState(state, &error))
        std::fprintf(stderr, "corvanta-get: %s\n", qPrintable(error));
}

int terminalWidth() {
    winsize size{};
    if (::ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0)
        return size.ws_col;
    return 80;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("corvanta-get"));
    QCoreApplication::setApplicationVersion(QStringLiteral(CORVANTA_VERSION));
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Downloads each URL in parallel parts with Corvanta's transfer engine.\n\n"
        "A file is written as NAME.corvanta-part and renamed to NAME once complete; a file\n"
        "already there keeps its name and the download takes \"NAME (1)\" (--output\n"
        "replaces it).\n\n"
        "Ctrl+C stops cleanly: the data so far stays in NAME.corvanta-part, with a state\n"
        "file NAME.corvanta-get beside it. The same command continues each part where it\n"
        "stopped, when the server proves (If-Range) that the file has not changed;\n"
        "otherwise it starts the file again. The state file goes once the file is\n"
        "complete. A state file counts only beside the partial file it was written for.\n\n"
        "Exit codes: 0 every file complete, 1 a download failed, 2 wrong command line,\n"
        "3 a local file could not be written, 130 stopped by Ctrl+C (SIGINT),\n"
        "143 stopped by SIGTERM."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addOption({{QStringLiteral("o"), QStringLiteral("output")},
                      QStringLiteral("Save the file as NAME (one URL only)."),
                      QStringLiteral("NAME")});
    parser.addOption({{QStringLiteral("q"), QStringLiteral("quiet")},
                      QStringLiteral("Print nothing but errors.")});
    parser.addOption({QStringLiteral("dir"),
                      QStringLiteral("Folder for the files (default: the current one)."),
                      QStringLiteral("DIR"), QStringLiteral(".")});
    parser.addOption({QStringLiteral("threads"), QStringLiteral("Parts per file (default 5)."),
                      QStringLiteral("N"), QStringLiteral("5")});
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
    if (!parser.parse(app.arguments()))
        return usageError(parser.errorText());
    if (parser.isSet(QStringLiteral("help")))
        parser.showHelp(kComplete);
    if (parser.isSet(QStringLiteral("version")))
        parser.showVersion();

    const auto number = [&](const char* option, int low, int high, int* value) {
        bool ok = false;
        *value = parser.value(QLatin1String(option)).toInt(&ok);
        return ok && *value >= low && *value <= high;
    };
    int threads = 0, batchSize = 0, tries = 0;
    if (!number("threads", 1, 64, &threads))
        return usageError(QStringLiteral("--threads takes a number from 1 to 64"));
    if (!number("batch-size", 1024, 64 * 1024 * 1024, &batchSize))
        return usageError(QStringLiteral("--batch-size takes a number from 1024 to 67108864"));
    if (!number("tries", 1, 1000, &tries))
        return usageError(QStringLiteral("--tries takes a number from 1 to 1000"));
    const QStringList urls = parser.positionalArguments();
    if (urls.isEmpty())
        return usageError(QStringLiteral("no URL given"));
    const QString output = parser.value(QStringLiteral("output"));
    if (parser.isSet(QStringLiteral("output")) && (output.isEmpty() || urls.size() > 1))
        return usageError(QStringLiteral("--output names the file of exactly one URL"));
    if (output.endsWith(QLatin1String(DownloadState::kSuffix)))
        return usageError(QStringLiteral("names ending in %1 are kept for state files")
                              .arg(QLatin1String(DownloadState::kSuffix)));
    const bool quiet = parser.isSet(QStringLiteral("quiet"));

    TclMultiDownLoader engine;
    TransferSettings& settings = engine.settings();
    settings.localFolder = QDir(parser.value(QStringLiteral("dir"))).absolutePath();
    settings.doNotGetResourceInfo = parser.isSet(QStringLiteral("no-info"));
    settings.batchSize = batchSize;
    settings.tryCount = tries;
    settings.reconnectAfter = 2000;
    settings.timeOut = 30000;
    // A server never names a file that a later run would take for a state file.
    settings.reservedSuffixes = {QLatin1String(DownloadState::kSuffix)};

    QList<Download> downloads;
    QStringList claimedFiles;  // two URLs never continue into the same file
    for (const QString& given : urls) {
        Download download;
        // Blanks and other bytes a shell lets through are percent-encoded.
        download.url = QUrl(given).toString(QUrl::FullyEncoded);
        download.item = engine.addItem();
        download.item->setUrl(download.url);
        download.item->setThreadCount(threads);
        std::optional<DownloadState> earlier;
        if (!output.isEmpty()) {
            const QString file = QFileInfo(output).absoluteFilePath();
            download.item->setLocalFile(file);
            earlier = readDownloadState(DownloadState::pathFor(file));
            if (earlier && (earlier->url != DownloadState::addressOf(download.url) ||
                            !earlier->describesPartialFile()))
                earlier.reset();
        } else {
            for (const DownloadState& state :
                 findDownloadStates(settings.localFolder, download.url)) {
                if (!claimedFiles.contains(state.file)) {
                    earlier = state;
                    break;
                }
            }
        }
        if (earlier) {
            // The same file again: continued where the proof allows, else from
            // byte 0 in its own partial file.
            claimedFiles << earlier->file;
            if (output.isEmpty())
                download.item->setOwnLocalFile(earlier->file);
            if (earlier->canContinue() &&
                DownloadFile::partialSize(earlier->file) == earlier->resume.resourceSize) {
                download.item->setResumeState(earlier->resume.resourceSize, earlier->resume.parts,
                                              earlier->resume.validator);
            }
        }
        downloads << download;
    }
    const auto downloadOf = [&](TclTransferItem* item) -> Download* {
        for (Download& download : downloads) {
            if (download.item == item)
                return &download;
        }
        return nullptr;
    };
    QObject::connect(&engine, &TclMultiTransfer::errorOccurred,
                     [&](TclTransferItem* item, const QString& text, int code) {
                         if (Download* download = downloadOf(item)) {
                             download->errors << text;
                             if (code == int(TransferError::LocalFile))
                                 download->localFileError = true;
                         }
                     });

    // Progress: one line per item, redrawn in place, on a terminal only.
    const bool terminal = !quiet && ::isatty(STDOUT_FILENO);
    int linesShown = 0;
    const auto draw = [&] {
        if (!terminal)
            return;
        QByteArray out;
        if (linesShown > 0)
            out += "\x1b[" + QByteArray::number(linesShown) + "F";
        const int width = terminalWidth() - 1;
        for (const Download& download : downloads)
            out += "\x1b[2K" + progressLine(*download.item, width).toLocal8Bit() + '\n';
        linesShown = int(downloads.size());
        std::fwrite(out.constData(), 1, size_t(out.size()), stdout);
        std::fflush(stdout);
    };
    QTimer progressTimer;
    QObject::connect(&progressTimer, &QTimer::timeout, draw);
    // The state files follow the running items, so even a run that is
    // killed outright leaves what it had one second before.
    QTimer stateTimer;
    QObject::connect(&stateTimer, &QTimer::timeout, [&] {
        for (const Download& download : downloads) {
            if (download.item->isRunning())
                saveState(download);
        }
    });
    QObject::connect(&engine, &TclMultiTransfer::busyStateChanged, [&](bool busy) {
        if (!busy)
            QTimer::singleShot(0, &app, &QCoreApplication::quit);
    });

    // Ctrl+C and SIGTERM stop every item; a second one ends the program at once.
    int stoppedBy = 0;
    if (::pipe2(g_signalPipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        std::perror("corvanta-get: pipe");
        return kFailed;
    }
    QSocketNotifier signalNotifier(g_signalPipe[0], QSocketNotifier::Read);
    QObject::connect(&signalNotifier, &QSocketNotifier::activated, [&] {
        char number = 0;
        while (::read(g_signalPipe[0], &number, 1) == 1) {
            if (stoppedBy == 0) {
                stoppedBy = number;
                std::signal(SIGINT, SIG_DFL);
                std::signal(SIGTERM, SIG_DFL);
                engine.stopAll();
            }
        }
    });
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);

    if (terminal)
        progressTimer.start(250);
    stateTimer.start(1000);
    try {
        engine.startAll();
    } catch (const AppError& error) {
        std::fprintf(stderr, "corvanta-get: %s\n", qPrintable(error.message()));
        return kFailed;
    }
    if (engine.isBusy())
        app.exec();
    progressTimer.stop();
    stateTimer.stop();
    draw();

    int failures = 0;
    bool localFileError = false;
    for (const Download& download : downloads) {
        TclDownLoadItem* item = download.item;
        const QString file = item->localFile();
        const TransferStatus status = item->status();
        if (status == TransferStatus::Done || status == TransferStatus::Warnings) {
            QFile::remove(DownloadState::pathFor(file));
            if (!quiet)
                std::printf("%s\n", qPrintable(savedLine(*item)));
            continue;
        }
        saveState(download);
        if (status == TransferStatus::Stopped || (stoppedBy && download.errors.isEmpty())) {
            if (!quiet && DownloadFile::partialSize(file) >= 0)
                std::printf("%s\n", qPrintable(stoppedLine(*item)));
            continue;
        }
        ++failures;
        localFileError = localFileError || download.localFileError;
        QStringList errors = download.errors;
        if (errors.isEmpty())
            errors << transferStatusText(status);
        errors.removeDuplicates();
        for (const QString& error : errors)
            std::fprintf(stderr, "corvanta-get: %s: %s\n", qPrintable(download.url),
                         qPrintable(error));
    }
    std::fflush(stdout);
    if (stoppedBy)
        return 128 + stoppedBy;
    if (failures == 0)
        return kComplete;
    return localFileError ? kLocalFile : kFailed;
}
