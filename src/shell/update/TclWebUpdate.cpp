#include "TclWebUpdate.h"

#include <fcntl.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QUrl>
#include <cerrno>

#include "Paths.h"
#include "UpdateDownloader.h"
#include "UpdateScriptRunner.h"

namespace {

// A script's log is read up to this size; the first error line is near its top.
constexpr qint64 kMaximumLogSize = 16 * 1024 * 1024;

QString today() {
    return QLocale::system().toString(QDate::currentDate(), QLocale::ShortFormat);
}

QString joinPath(const QString& folder, const QString& name) {
    if (folder.isEmpty())
        return name;
    return folder.endsWith(QLatin1Char('/')) ? folder + name : folder + QLatin1Char('/') + name;
}

QString fileSha256(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QCryptographicHash hash(QCryptographicHash::Sha256);
    if (!hash.addData(&file))
        return {};
    return QString::fromLatin1(hash.result().toHex());
}

// Writes the script for the command interpreter: LF line ends, as sh reads
// them. 0 or the system's error number.
int writeScriptFile(const QString& path, const QStringList& lines) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QByteArray text = lines.join(QLatin1Char('\n')).toLocal8Bit();
    if (!text.isEmpty())
        text += '\n';
    const int fd = ::open(QFile::encodeName(path).constData(),
                          O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0)
        return errno;
    qsizetype written = 0;
    int error = 0;
    while (written < text.size()) {
        const ssize_t n = ::write(fd, text.constData() + written, size_t(text.size() - written));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            error = n < 0 ? errno : EIO;
            break;
        }
        written += n;
    }
    if (::close(fd) != 0 && error == 0)
        error = errno;
    return error;
}

}  // namespace

TclWebUpdate::TclWebUpdate(QObject* parent, const QByteArray& trustedKey)
    : QObject(parent),
      m_scriptFolder(QFileInfo(Paths::writableProgramFile(QLatin1String(kScriptFileName))).path()),
      m_applicationFolder(Paths::programFolder()),
      m_trustedKey(trustedKey),
      m_downloader(new UpdateDownloader(this)),
      m_runner(new UpdateScriptRunner(this)) {
    m_downloader->settings().httpsOnly = true;
    connect(m_downloader, &UpdateDownloader::progress, this, [this](qint64 received, qint64 total) {
        if (m_downloading && m_phase == Phase::Entry)
            emit OnDownloadProgress(m_index, received, total);
    });
    connect(m_downloader, &UpdateDownloader::error, this, [this](const QString& text, int code) {
        // A signature that cannot be fetched is told as an unsigned list.
        if (m_phase == Phase::Signature)
            m_signatureError = text;
        else
            emit OnError(text, code);
    });
    connect(m_downloader, &UpdateDownloader::finished, this, &TclWebUpdate::downloadFinished);
    connect(m_runner, &UpdateScriptRunner::finished, this, &TclWebUpdate::scriptFinished);
}

TclWebUpdate::~TclWebUpdate() {
    m_destroying = true;
    blockSignals(true);
    m_infoDialog = nullptr;
    StopCheck();
    if (!QCoreApplication::instance())
        return;
    while (m_phase != Phase::Idle || m_runner->isRunning()) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents |
                                        QEventLoop::ExcludeUserInputEvents);
    }
}

void TclWebUpdate::setUpdateDir(const QString& folder) {
    m_updateDir = folder;
    m_actualUpdateInfoFile = joinPath(folder, QFileInfo(m_actualUpdateInfoFile).fileName());
}

void TclWebUpdate::setUserName(const QString& userName) {
    m_userName = userName;
    m_downloader->setCredentials(m_userName, m_password, m_port);
}

void TclWebUpdate::setPassword(const QString& password) {
    m_password = password;
    m_downloader->setCredentials(m_userName, m_password, m_port);
}

void TclWebUpdate::setPort(int port) {
    m_port = port;
    m_downloader->setCredentials(m_userName, m_password, m_port);
}

int TclWebUpdate::batchSize() const {
    return m_downloader->settings().batchSize;
}

void TclWebUpdate::setBatchSize(int bytes) {
    m_downloader->settings().batchSize = bytes;
}

void TclWebUpdate::setShell(const QString& path) {
    m_runner->setShell(path);
}

TransferSettings& TclWebUpdate::downloaderSettings() {
    return m_downloader->settings();
}

// ---- the check -------------------------------------------------------------

void TclWebUpdate::StartCheck() {
    if (m_busy)
        return;
    m_busy = true;
    if (m_phase != Phase::Idle || m_runner->isRunning()) {
        m_startPending = true;  // the stopped check still winds down
        return;
    }
    fetchList();
}

void TclWebUpdate::StopCheck() {
    m_busy = false;
    m_stopRequested = true;
    m_startPending = false;
    m_downloader->stop();
}

void TclWebUpdate::endCheck() {
    m_downloading = false;
    if (m_startPending && !m_destroying) {
        m_startPending = false;
        fetchList();
        return;
    }
    m_busy = false;
}

void TclWebUpdate::fetchList() {
    m_stopRequested = false;
    m_downloading = false;
    if (refuseInsecure(m_updateUrl)) {
        endCheck();
        return;
    }
    m_phase = Phase::List;
    m_listFile = UpdateDownloader::localFileFor(m_updateUrl, m_updateDir);
    // A list or signature of an earlier check never stands in for this one's.
    QFile::remove(m_listFile);
    QFile::remove(m_listFile + QStringLiteral(".sig"));
    m_downloader->start(m_updateUrl, m_listFile, {}, kMaximumListSize);
}

bool TclWebUpdate::refuseInsecure(const QString& url) {
    if (QUrl(url.trimmed()).scheme().compare(QLatin1String("https"), Qt::CaseInsensitive) == 0)
        return false;
    emit OnError(QStringLiteral("The address %1 is not an https address; updates are fetched "
                                "over https only")
                     .arg(url.left(200)),
                 int(TransferError::Address));
    return true;
}

void TclWebUpdate::downloadFinished(bool success) {
    const Phase phase = m_phase;
    m_phase = Phase::Idle;
    if (phase == Phase::List) {
        listDownloaded(success);
    } else if (phase == Phase::Signature) {
        signatureDownloaded(success);
    } else if (phase == Phase::Entry) {
        entryDownloaded(success);
    }
}

void TclWebUpdate::listDownloaded(bool success) {
    if (!success || m_stopRequested) {
        QFile::remove(m_listFile);
        endCheck();
        return;
    }
    m_phase = Phase::Signature;
    m_signatureError.clear();
    m_downloader->start(UpdateSignature::signatureUrl(m_updateUrl),
                        m_listFile + QStringLiteral(".sig"), {}, 1024);
}

void TclWebUpdate::signatureDownloaded(bool success) {
    const QString signatureFile = m_listFile + QStringLiteral(".sig");
    if (m_stopRequested) {
        endCheck();
        return;
    }
    if (!success) {
        refuseList(
            QStringLiteral("it is not signed (%1 could not be fetched: %2)")
                .arg(UpdateSignature::signatureUrl(m_updateUrl).left(200),
                     m_signatureError.isEmpty() ? QStringLiteral("stopped") : m_signatureError));
        return;
    }
    // The list is read once and the bytes checked are the bytes parsed.
    QByteArray list;
    QByteArray signature;
    QFile listFile(m_listFile);
    if (listFile.open(QIODevice::ReadOnly))
        list = listFile.read(kMaximumListSize + 1);
    QFile file(signatureFile);
    if (file.open(QIODevice::ReadOnly))
        signature = file.read(UpdateSignature::kSignatureSize + 1);
    if (!UpdateSignature::verify(list, signature, m_trustedKey)) {
        refuseList(QStringLiteral("its signature does not check against Corvanta's update key"));
        return;
    }
    m_updateInfo = readPublishedList(list);
    for (const TclUpdateInfoItem& entry : std::as_const(m_updateInfo)) {
        if (!isSha256Digest(entry.sha256)) {
            refuseList(QStringLiteral("the %1 update names no SHA-256 digest of its file")
                           .arg(entry.version.left(100)));
            return;
        }
    }
    compareWithRecord();
}

void TclWebUpdate::refuseList(const QString& reason) {
    QFile::remove(m_listFile);
    QFile::remove(m_listFile + QStringLiteral(".sig"));
    m_updateInfo.clear();
    emit OnError(QStringLiteral("The update list was refused: %1. No update was made").arg(reason),
                 -1);
    endCheck();
}

void TclWebUpdate::compareWithRecord() {
    m_actualInfo = loadUpdateInfo(m_actualUpdateInfoFile);
    emit OnGetUpdateInfo(m_actualInfo, m_updateInfo);

    m_shownActualVersion = m_actualInfo.isEmpty() ? QString() : m_actualInfo.last().version;
    bool refused = false;
    for (const TclUpdateInfoItem& entry : std::as_const(m_updateInfo)) {
        const QString actual = m_actualInfo.isEmpty() ? QString() : m_actualInfo.last().version;
        bool canUpdate = actual.isEmpty() || isNewerVersion(entry.version, actual, m_versionFormat);
        emit OnHasUpdate(entry.version, actual, canUpdate);
        // Appended, so the next entry of the list is compared with this one.
        if (!canUpdate)
            continue;
        m_actualInfo.append(entry);
        if (entry.terminate) {
            // Nothing runs once the program has closed, so such an update
            // could be neither made nor checked: it is recorded as failed.
            TclUpdateInfoItem& refusedEntry = m_actualInfo.last();
            refusedEntry.status = TclUpdateStatus::Failed;
            refusedEntry.updateDate = today();
            refused = true;
            emit OnError(QStringLiteral("The %1 update must be made while Corvanta is closed, "
                                        "which Corvanta cannot do; it was not made")
                             .arg(entry.version),
                         -1);
        }
    }
    if (m_stopRequested) {
        endCheck();
        return;
    }

    auto firstWith = [this](TclUpdateStatus status) {
        for (int i = 0; i < m_actualInfo.size(); ++i) {
            if (m_actualInfo[i].status == status)
                return i;
        }
        return -1;
    };
    const int firstDownload = firstWith(TclUpdateStatus::Download);
    if (firstDownload < 0 && firstWith(TclUpdateStatus::Ready) < 0) {
        if (refused) {
            // Told once: the next check finds it in the record.
            writeRecord();
            endCheck();
            return;
        }
        endCheck();
        emit OnNoUpdatesFound();
        return;
    }
    // Downloaded but not yet run updates are asked for as well: nothing runs
    // without the user's yes.
    bool canUpdate = true;
    emit OnShowInfo(canUpdate);
    if (m_needShowInfo)
        canUpdate = m_infoDialog && m_infoDialog(infoText());
    if (!canUpdate || m_stopRequested) {
        endCheck();
        return;
    }
    if (firstDownload < 0) {
        runUpdates();
        return;
    }
    m_index = firstDownload;
    m_downloading = true;
    if (!writeRecord()) {
        endCheck();
        return;
    }
    downloadEntry();
}

TclUpdateInfoText TclWebUpdate::infoText() const {
    TclUpdateInfoText text;
    const QString newVersion = m_updateInfo.isEmpty() ? QString() : m_updateInfo.last().version;
    text.sentence = QStringLiteral(
                        "The system detected that you are using version '%1', but "
                        "version '%2' is available for downloading from the web at %3.")
                        .arg(m_shownActualVersion, newVersion, m_productUrl);
    text.author = m_author;
    text.productName = m_productName;
    text.email = m_email;
    for (const TclUpdateInfoItem& entry : m_updateInfo)
        text.updates.append(QStringLiteral("Version: %1, Size: %2, URL: %3")
                                .arg(entry.version, entry.size, entry.url));
    for (const TclUpdateInfoItem& entry : m_actualInfo) {
        if (entry.status != TclUpdateStatus::Download && entry.status != TclUpdateStatus::Ready)
            continue;
        text.commands.append(QStringLiteral("Update %1:").arg(entry.version));
        const QStringList script =
            expandScriptMacros(entry.script, m_applicationFolder, m_updateDir);
        if (script.isEmpty())
            text.commands.append(QStringLiteral("    (no commands)"));
        for (const QString& line : script)
            text.commands.append(QStringLiteral("    ") + line);
    }
    return text;
}

void TclWebUpdate::downloadEntry() {
    TclUpdateInfoItem& entry = m_actualInfo[m_index];
    if (refuseInsecure(entry.url)) {
        endCheck();
        return;
    }
    entry.localFile = UpdateDownloader::localFileFor(entry.url, m_updateDir);
    emit OnBeforeDownload(entry.url, entry.localFile);
    m_phase = Phase::Entry;
    m_downloader->start(entry.url, entry.localFile, entry.resourceState);
}

void TclWebUpdate::entryDownloaded(bool success) {
    TclUpdateInfoItem& entry = m_actualInfo[m_index];
    if (!success) {
        // The next check asks again and continues from here.
        entry.resourceState = m_downloader->resumeState();
        writeRecord();
        endCheck();
        return;
    }
    entry.resourceState = {};
    if (fileSha256(entry.localFile).compare(entry.sha256, Qt::CaseInsensitive) != 0) {
        // Not what the maker published: never run. The entry stays to be
        // downloaded again by the next check.
        QFile::remove(entry.localFile);
        writeRecord();
        emit OnError(QStringLiteral("The file %1 of the %2 update does not match its SHA-256 "
                                    "digest; it was deleted and the update is not run")
                         .arg(entry.localFile, entry.version),
                     -1);
        endCheck();
        return;
    }
    entry.status = TclUpdateStatus::Ready;
    entry.updateDate = today();
    if (!writeRecord()) {
        endCheck();
        return;
    }
    emit OnAfterDownload(entry.url, entry.localFile);
    if (m_stopRequested) {
        endCheck();
        return;
    }
    // Entries already run (or failed) are never touched again.
    for (int next = m_index + 1; next < m_actualInfo.size(); ++next) {
        if (m_actualInfo[next].status == TclUpdateStatus::Download) {
            m_index = next;
            downloadEntry();
            return;
        }
    }
    m_downloading = false;
    runUpdates();
}

// ---- running the updates --------------------------------------------------------

void TclWebUpdate::runUpdates() {
    m_index = 0;
    runNext();
}

void TclWebUpdate::runNext() {
    for (; m_index < m_actualInfo.size() && !m_stopRequested; ++m_index) {
        if (m_actualInfo[m_index].status == TclUpdateStatus::Ready) {
            runEntry(m_index);
            return;
        }
    }
    finishRuns();
}

// The file of a downloaded update is checked again just before its script
// runs: it sat on the disk since it arrived.
bool TclWebUpdate::checkedBeforeRun(TclUpdateInfoItem& entry) {
    if (!isSha256Digest(entry.sha256) || entry.terminate) {
        // A record from before digests were required, or one edited by hand.
        entry.status = TclUpdateStatus::Failed;
        entry.updateDate = today();
        writeRecord();
        emit OnError(QStringLiteral("The %1 update was not made: its record names no SHA-256 "
                                    "digest or needs Corvanta closed")
                         .arg(entry.version),
                     -1);
        return false;
    }
    if (fileSha256(entry.localFile).compare(entry.sha256, Qt::CaseInsensitive) == 0)
        return true;
    // Fetched again by the next check.
    QFile::remove(entry.localFile);
    entry.status = TclUpdateStatus::Download;
    entry.updateDate = today();
    writeRecord();
    emit OnError(QStringLiteral("The file %1 of the %2 update no longer matches its SHA-256 "
                                "digest; it was deleted and the update is not run")
                     .arg(entry.localFile, entry.version),
                 -1);
    return false;
}

void TclWebUpdate::runEntry(int index) {
    TclUpdateInfoItem& entry = m_actualInfo[index];
    if (!checkedBeforeRun(entry)) {
        finishRuns();
        return;
    }
    const QStringList script = expandScriptMacros(entry.script, m_applicationFolder, m_updateDir);
    bool canRun = true;
    QString errors;
    emit OnRunUpdate(script, false, canRun, errors);
    if (!canRun || !errors.isEmpty()) {
        completeRun(index, errors);
        return;
    }
    const QString scriptFile = joinPath(m_scriptFolder, QLatin1String(kScriptFileName));
    const QString logFile = joinPath(m_scriptFolder, QLatin1String(kLogFileName));
    int error = writeScriptFile(scriptFile, script);
    if (error == 0)
        error = m_runner->start(scriptFile, logFile);
    if (error != 0) {
        QFile::remove(scriptFile);
        QFile::remove(logFile);
        emit OnError(QStringLiteral("Can not run cmd file, error %1").arg(error), error);
        endCheck();
    }
}

void TclWebUpdate::scriptFinished(int status) {
    const QString scriptFile = joinPath(m_scriptFolder, QLatin1String(kScriptFileName));
    const QString logFile = joinPath(m_scriptFolder, QLatin1String(kLogFileName));
    QByteArray log;
    QFile file(logFile);
    if (file.open(QIODevice::ReadOnly))
        log = file.read(kMaximumLogSize);
    file.close();
    QFile::remove(scriptFile);
    QFile::remove(logFile);
    // The log's error line and a failing exit both fail the update.
    QStringList problems;
    const QString errorLine = firstErrorLine(QString::fromLocal8Bit(log), m_errorWords);
    if (!errorLine.isEmpty())
        problems << errorLine;
    const QString exitProblem = UpdateScriptRunner::exitProblem(status);
    if (!exitProblem.isEmpty())
        problems << exitProblem;
    completeRun(m_index, problems.join(QStringLiteral("; ")));
}

void TclWebUpdate::completeRun(int index, const QString& errors) {
    TclUpdateInfoItem& entry = m_actualInfo[index];
    entry.updateDate = today();
    const bool failed = !errors.isEmpty();
    entry.status = failed ? TclUpdateStatus::Failed : TclUpdateStatus::Success;
    if (failed) {
        emit OnError(QStringLiteral("The executing of %1 update was returned with errors (%2). ")
                         .arg(entry.version, errors),
                     -1);
    }
    if (!writeRecord() || failed) {
        finishRuns();
        return;
    }
    ++m_index;
    runNext();
}

void TclWebUpdate::finishRuns() {
    endCheck();
}

bool TclWebUpdate::writeRecord() {
    QDir().mkpath(QFileInfo(m_actualUpdateInfoFile).absolutePath());
    const QString error = saveUpdateInfo(m_actualInfo, m_actualUpdateInfoFile);
    if (error.isEmpty())
        return true;
    emit OnError(
        QStringLiteral("Can not write the update record %1: %2").arg(m_actualUpdateInfoFile, error),
        -1);
    return false;
}
