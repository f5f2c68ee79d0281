#include "TclMultiDownLoader.h"

#include <curl/curl.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstring>
#include <optional>
#include <thread>
#include <utility>
#include <vector>

#include "CurlSession.h"
#include "DownloadFile.h"
#include "GzipFile.h"
#include "LocalFileName.h"
#include "ServerText.h"
#include "TransferUrl.h"

namespace {

using Lock = std::lock_guard<std::mutex>;

enum class Outcome { Done, Retry, Fatal, Stopped, Restart };

// What ended a try or a run: the error event's text and code.
struct Failure {
    QString text;
    int code = int(TransferError::Network);
    int retryAfter = 0;  // seconds a busy server asked to wait (429, 503)
};

// A busy server's Retry-After is waited out this often per part, for at most
// this long each, without counting as tries.
constexpr int kBusyWaits = 10;
constexpr int kLongestBusyWait = 300;

// Seconds of a Retry-After value (delta seconds or an HTTP date); 0 when none.
int retryAfterSeconds(const QByteArray& value) {
    bool number = false;
    const qint64 seconds = value.trimmed().toLongLong(&number);
    if (number)
        return int(qBound(qint64(0), seconds, qint64(kLongestBusyWait)));
    const QDateTime date =
        QDateTime::fromString(QString::fromLatin1(value.trimmed()), Qt::RFC2822Date);
    if (!date.isValid())
        return 0;
    return int(
        qBound(qint64(0), QDateTime::currentDateTimeUtc().secsTo(date), qint64(kLongestBusyWait)));
}

QString systemError() {
    return QString::fromLocal8Bit(std::strerror(errno));
}

// A validator that If-Range accepts: a strong ETag, else the Last-Modified date.
QByteArray validatorOf(const CurlSession& session) {
    const QByteArray etag = session.header("etag");
    if (!etag.isEmpty() && !etag.startsWith("W/"))
        return etag;
    return session.header("last-modified");
}

// A refusal that asking again cannot change ends the item at once: a client
// error other than those credentials answer (401, 407) and those that say
// "later" (408, 429). Every other one is tried again.
Outcome refusalOutcome(long status) {
    const bool definitive = status >= 400 && status < 500 && status != 401 && status != 407 &&
                            status != 408 && status != 429;
    return definitive ? Outcome::Fatal : Outcome::Retry;
}

Failure refusal(const CurlSession& session) {
    const long status = session.statusCode();
    return {QStringLiteral("The server answered %1 %2")
                .arg(status)
                .arg(QString::fromUtf8(session.reasonPhrase())),
            status >= 400 && status < 600 ? int(status) : int(TransferError::Answer),
            status == 429 || status == 503 ? retryAfterSeconds(session.header("retry-after")) : 0};
}

bool isHeaderSafe(const QByteArray& value) {
    for (char c : value) {
        if (uchar(c) < 32 && c != '\t')
            return false;
    }
    return true;
}

// What a server tells about a resource, shown in windows: no control bytes.
// Its name is the server's offer, else the last segment of the address that
// served it.
void makePrintable(TransferResourceInfo& info, const CurlSession& session) {
    info.contentType = printableText(info.contentType);
    info.fileName = printableText(info.fileName);
    info.name = safeFileName(info.fileName);
    if (info.name.isEmpty()) {
        char* served = nullptr;
        curl_easy_getinfo(session.handle(), CURLINFO_EFFECTIVE_URL, &served);
        info.name = printableText(urlDisplayName(QString::fromUtf8(served)));
    }
}

}  // namespace

// One run of one item, on its controller thread and its part workers.
class TclMultiDownLoader::Run {
public:
    Run(TclMultiDownLoader* engine, TclDownLoadItem* item)
        : m_engine(engine), m_item(item), m_settings(item->m_runSettings) {}

    // The whole run; every end of it reports a preview, a file name the run
    // claimed is given back, and a partial file it leaves keeps only data.
    void execute();

private:
    struct Sink {
        Run* run = nullptr;
        CurlSession* session = nullptr;
        int index = 0;
        qint64 offset = 0;      // where the next byte goes
        qint64 remaining = -1;  // bytes still wanted, -1 when unknown
        bool validated = false;
        bool complete = false;
        Outcome decision = Outcome::Retry;
        bool decided = false;
        Failure error;

        // Settles how the part ends; false, so a write callback returning it
        // stops the transfer.
        bool decide(Outcome outcome, const Failure& failure) {
            decided = true;
            decision = outcome;
            error = failure;
            return false;
        }
    };

    // Where the first answer of an HTTP item stands: it tells what the
    // resource is, and its body becomes the item's first part.
    enum class Lead { None, Pending, Planned, Ended };

    void transfer();
    void reportPreview(const QByteArray& head);
    bool probe();
    Outcome probeOnce(CurlSession& session, Failure* error);
    bool fetchWithLead();
    void startAfresh();
    bool planFromLead(Sink& sink);
    void claimName();
    bool admit();
    bool openLocalFile();
    void runParts();
    void partWorker(int index);
    void runPart(CurlSession& session, int index, std::optional<Outcome> made, Failure error,
                 qint64 furthest);
    Outcome fetchOnce(CurlSession& session, int index, Failure* error);
    bool validateResponse(Sink& sink);
    size_t consume(Sink& sink, const char* data, size_t size);
    void finishFile();
    void failWhole(const Failure& failure);
    QList<QByteArray> conditionHeaders();
    bool notModified(Sink& sink);
    bool waitForServer(const Failure& error, int* waits);
    bool stopped() const { return m_item->m_stopRequested.load(); }
    static size_t onBody(char* data, size_t size, size_t count, void* sink);

    TclMultiDownLoader* m_engine;
    TclDownLoadItem* m_item;
    const TransferSettings& m_settings;
    QString m_url;
    QString m_userName;
    QString m_password;
    int m_port = 0;
    bool m_ftp = false;
    bool m_probed = false;
    bool m_compressedMode = false;  // the partial file holds the gzip stream
    QString m_localFile;            // the item's file as this run started it; kept to the end
    QString m_claimed;              // a name this run claimed for the item, released at its end
    QByteArray m_validator;         // sent as If-Range; guarded by the item's lock once parts run
    DownloadFile m_file;            // written by the parts at their own offsets
    std::mutex m_writeLock;         // one write to m_file at a time
    std::atomic<bool> m_abort{false};    // the siblings of a part that asked for a restart stop
    std::atomic<bool> m_restart{false};  // the server proved the resource is not the one on disk
    std::atomic<bool> m_infoReported{false};
    bool m_emptyKnown = false;   // the server announced 0 bytes
    bool m_conditional = false;  // the first request asked "only if changed"
    bool m_previewReported = false;
    Lead m_lead = Lead::None;            // written by the lead's thread alone
    int m_leadIndex = -1;                // the lead's part; -1 while none is planned
    qint64 m_leadStart = 0;              // the lead part's bytes done when it was planned
    std::vector<std::thread> m_workers;  // the parts started beside the lead
};

TclMultiDownLoader::TclMultiDownLoader(QObject* parent) : TclMultiTransfer(parent) {}

TclMultiDownLoader::~TclMultiDownLoader() {
    shutdown();
}

TclDownLoadItem* TclMultiDownLoader::addItem() {
    return static_cast<TclDownLoadItem*>(addItemObject(std::make_unique<TclDownLoadItem>()));
}

void TclMultiDownLoader::runItem(TclTransferItem* item) {
    Run run(this, static_cast<TclDownLoadItem*>(item));
    run.execute();
}

void TclMultiDownLoader::completeItem(TclTransferItem* item) {
    if (m_completionHook)
        m_completionHook(static_cast<TclDownLoadItem*>(item));
}

bool TclMultiDownLoader::passesGate(TclDownLoadItem* item, const TransferSettings& settings) {
    const TransferStatus status = item->status();
    if (status == TransferStatus::Failed || status == TransferStatus::Stopped ||
        item->m_stopRequested)
        return false;
    const auto info = item->resourceInfo();
    const qint64 size = info ? info->size : 0;
    if (size > 0 && settings.minResourceSize > 0 && size < settings.minResourceSize)
        return false;
    if (size > 0 && settings.maxResourceSize > 0 && size > settings.maxResourceSize)
        return false;
    bool accepted = true;
    if (m_filter)
        deliver(item, [&] { accepted = m_filter(item); });
    return accepted;
}

void TclMultiDownLoader::Run::failWhole(const Failure& failure) {
    {
        Lock lock(m_item->m_lock);
        m_item->m_wholeStatus = TransferStatus::Failed;
    }
    m_engine->reportError(m_item, failure.text, failure.code);
    m_engine->deliver(m_item, [this] {
        emit m_engine->statusChanged(m_item, m_item->status());
        emit m_engine->changed(m_item);
    });
}

QList<QByteArray> TclMultiDownLoader::Run::conditionHeaders() {
    QList<QByteArray> headers;
    Lock lock(m_item->m_lock);
    if (!m_item->m_ifNoneMatch.isEmpty() && isHeaderSafe(m_item->m_ifNoneMatch))
        headers << "If-None-Match: " + m_item->m_ifNoneMatch;
    if (!m_item->m_ifModifiedSince.isEmpty() && isHeaderSafe(m_item->m_ifModifiedSince))
        headers << "If-Modified-Since: " + m_item->m_ifModifiedSince;
    m_conditional = !headers.isEmpty();
    return headers;
}

// A 304 to a conditional request: the owner's copy is current. The run ends
// "Done" with nothing written; the information shows the 304.
bool TclMultiDownLoader::Run::notModified(Sink& sink) {
    CurlSession& session = *sink.session;
    if (!m_infoReported.exchange(true)) {
        TransferResourceInfo info;
        info.statusCode = 304;
        info.etag = printableText(QString::fromUtf8(session.header("etag")));
        info.lastModified = printableText(QString::fromUtf8(session.header("last-modified")));
        makePrintable(info, session);
        {
            Lock lock(m_item->m_lock);
            m_item->m_info = info;
        }
        m_engine->deliver(m_item,
                          [this, info] { emit m_engine->resourceInfoObtained(m_item, info); });
    }
    {
        Lock lock(m_item->m_lock);
        m_item->m_wholeStatus = TransferStatus::Done;
    }
    m_engine->deliver(m_item, [this] {
        emit m_engine->statusChanged(m_item, m_item->status());
        emit m_engine->changed(m_item);
    });
    sink.complete = true;
    return sink.decide(Outcome::Done, {});
}

// A busy server that said how long to wait is told to the owner and waited
// for (a stop ends the wait); true when this try does not count.
bool TclMultiDownLoader::Run::waitForServer(const Failure& error, int* waits) {
    if (error.retryAfter <= 0 || *waits >= kBusyWaits || stopped())
        return false;
    ++*waits;
    const int seconds = error.retryAfter;
    m_engine->deliver(m_item, [this, seconds] { emit m_engine->serverBusy(m_item, seconds); });
    waitUnlessStopped(m_item, 1000 * seconds);
    return true;
}

void TclMultiDownLoader::Run::execute() {
    transfer();
    // Done is told only now, with the file in place (or the run ended otherwise).
    bool wasFinishing = false;
    {
        Lock lock(m_item->m_lock);
        wasFinishing = std::exchange(m_item->m_finishing, false);
    }
    if (wasFinishing && m_item->status() == TransferStatus::Done) {
        m_engine->deliver(m_item, [this] {
            emit m_engine->statusChanged(m_item, m_item->status());
            emit m_engine->changed(m_item);
        });
    }
    if (!m_previewReported)
        reportPreview({});
    // A gzip stream is always fetched whole again: nothing of it is kept.
    if (m_file.isOpen())
        m_file.leave(m_item->parts(), !m_compressedMode);
    if (!m_claimed.isEmpty())
        releaseLocalFile(m_claimed);
}

void TclMultiDownLoader::Run::transfer() {
    {
        Lock lock(m_item->m_lock);
        m_url = m_item->m_url.trimmed();
        m_userName = m_item->m_userName;
        m_password = m_item->m_password;
        m_port = m_item->m_port;
    }
    if (!isAcceptableUrl(m_url)) {
        failWhole({QStringLiteral("The address cannot be used: %1").arg(m_url.left(200)),
                   int(TransferError::Address)});
        return;
    }
    m_ftp = m_url.startsWith(QLatin1String("ftp"), Qt::CaseInsensitive);

    if (!m_ftp && !m_settings.doNotGetResourceInfo) {
        // One request tells what the resource is and brings its first part.
        if (!fetchWithLead())
            return;
    } else {
        if (!m_settings.doNotGetResourceInfo) {
            if (!probe())
                return;
        } else {
            Lock lock(m_item->m_lock);
            // Without the resource phase nothing is known: one part, as fetched.
            if (m_item->m_parts.size() != 1 || m_item->m_validator.isEmpty()) {
                m_item->m_parts.clear();
                m_item->m_resourceSize = 0;
            }
            m_validator = m_item->m_validator.toUtf8();
        }
        claimName();
        if (!admit() || !openLocalFile())
            return;
        runParts();
    }

    for (int restarts = 0; m_restart && !stopped(); ++restarts) {
        if (restarts == 2) {
            failWhole({QStringLiteral("The resource changed while it was being fetched"),
                       int(TransferError::Changed)});
            break;
        }
        m_restart = false;
        m_abort = false;
        {
            Lock lock(m_item->m_lock);
            // Fetched again from its first byte in one part, taking whatever
            // the server now sends as the resource.
            TransferPart part;
            m_item->m_parts = {part};
            m_item->m_randomAccess = false;
            m_item->m_validator.clear();
            m_validator.clear();
            QString error;
            if (!m_file.truncate(&error))
                m_restart = false;
        }
        runParts();
    }
    finishFile();
}

void TclMultiDownLoader::Run::claimName() {
    Lock lock(m_item->m_lock);
    if (m_item->m_localFileDerived || m_item->m_localFile.isEmpty()) {
        // A name the engine chose: the server's offer wins over the
        // address, and a clash with any file gets " (n)". Once chosen it
        // is the item's own, so a restart continues into it.
        QString name = m_item->m_info ? safeFileName(m_item->m_info->fileName) : QString();
        if (name.isEmpty())
            name = fileNameFromUrl(m_url);
        // Never a name the engine or the owner keeps for files of its own.
        name = unreservedFileName(name, m_settings.reservedSuffixes);
        const QString folder = m_item->m_localFile.isEmpty()
                                   ? m_settings.localFolder
                                   : QFileInfo(m_item->m_localFile).path();
        m_claimed = claimLocalFile(folder, name);
        m_item->m_localFile = m_claimed;
        m_item->m_localFileDerived = false;
        m_item->m_keepExisting = true;
    }
    m_localFile = m_item->m_localFile;
}

bool TclMultiDownLoader::Run::admit() {
    if (stopped()) {
        Lock lock(m_item->m_lock);
        m_item->m_wholeStatus = TransferStatus::Stopped;
    }
    if (!m_engine->passesGate(m_item, m_settings)) {
        if (stopped())
            m_engine->reportStatus(m_item, -1, TransferStatus::Stopped);
        return false;
    }
    return true;
}

bool TclMultiDownLoader::Run::fetchWithLead() {
    {
        Lock lock(m_item->m_lock);
        // Parts of an earlier run go on only in the file they were written
        // to, at its full size; the lead is then the first unfinished one.
        const bool resumable =
            !m_item->m_parts.isEmpty() && m_item->m_resourceSize > 0 &&
            !m_item->m_localFileDerived &&
            DownloadFile::partialSize(m_item->m_localFile) == m_item->m_resourceSize;
        m_leadIndex = -1;
        if (resumable) {
            for (int i = 0; i < m_item->m_parts.size() && m_leadIndex < 0; ++i) {
                if (!m_item->m_parts[i].complete())
                    m_leadIndex = i;
            }
            if (m_leadIndex < 0) {
                // All there: the last byte is asked again, to learn that the
                // resource is still the one on disk.
                m_leadIndex = int(m_item->m_parts.size()) - 1;
                --m_item->m_parts[m_leadIndex].bytesDone;
            }
            m_validator = m_item->m_validator.toUtf8();
        }
    }
    if (m_leadIndex < 0)
        startAfresh();
    m_lead = Lead::Pending;

    CurlSession session(m_settings, &m_item->m_stopRequested, &m_abort);
    const int tries = qMax(1, m_settings.tryCount);
    Failure error;
    Outcome outcome = Outcome::Retry;
    int restarts = 0;
    int busyWaits = 0;
    for (int attempt = 0;;) {
        if (stopped()) {
            outcome = Outcome::Stopped;
            break;
        }
        outcome = fetchOnce(session, m_leadIndex, &error);
        if (m_lead != Lead::Pending)
            break;
        if (outcome == Outcome::Restart && restarts++ < 2) {
            startAfresh();
            continue;
        }
        if (outcome == Outcome::Retry && waitForServer(error, &busyWaits))
            continue;
        if (outcome != Outcome::Retry || stopped() || ++attempt >= tries)
            break;
        if (!waitUnlessStopped(m_item, m_settings.reconnectAfter)) {
            outcome = Outcome::Stopped;
            break;
        }
    }
    if (m_lead == Lead::Planned) {
        // The lead goes on as its part's worker, beside the others.
        runPart(session, m_leadIndex, outcome, error, m_leadStart);
        for (std::thread& worker : m_workers)
            worker.join();
        m_workers.clear();
        return true;
    }
    if (m_lead == Lead::Ended)
        return false;  // refused by the gate, or failed and reported
    m_lead = Lead::Ended;
    if (stopped()) {
        {
            Lock lock(m_item->m_lock);
            m_item->m_wholeStatus = TransferStatus::Stopped;
        }
        m_engine->reportStatus(m_item, -1, TransferStatus::Stopped);
        return false;
    }
    if (outcome == Outcome::Restart)
        error = {QStringLiteral("The resource changed while it was being fetched"),
                 int(TransferError::Changed)};
    failWhole(error);
    return false;
}

void TclMultiDownLoader::Run::startAfresh() {
    Lock lock(m_item->m_lock);
    m_item->m_parts.clear();
    m_item->m_resourceSize = 0;
    m_item->m_validator.clear();
    m_validator.clear();
    m_leadIndex = -1;
}

bool TclMultiDownLoader::Run::planFromLead(Sink& sink) {
    CurlSession& session = *sink.session;
    const bool fresh = sink.index < 0;  // asked "bytes=0-", gzip when allowed
    const long status = session.statusCode();
    const QByteArray encoding = session.header("content-encoding").toLower();
    const bool gzip = encoding.contains("gzip");
    qint64 first = 0, last = 0, total = -1;
    bool empty = false;
    if (status == 304 && m_conditional) {
        m_lead = Lead::Ended;
        return notModified(sink);
    }
    if (status == 416 && fresh) {
        // An empty resource has no byte 0 to serve.
        const QByteArray range = session.header("content-range");
        empty = range.isEmpty() || range.endsWith("/0");
    }
    if (!empty) {
        if (status >= 400 && status < 600)
            return sink.decide(refusalOutcome(status), refusal(session));
        if (status != 200 && status != 206)
            return sink.decide(Outcome::Retry, {QStringLiteral("Unexpected answer %1").arg(status),
                                                int(TransferError::Answer)});
        if (status == 206 &&
            !parseContentRange(session.header("content-range"), &first, &last, &total))
            return sink.decide(Outcome::Retry,
                               {QStringLiteral("The server sent an unreadable Content-Range"),
                                int(TransferError::Answer)});
        if (!encoding.isEmpty() && encoding != "identity" &&
            !(fresh && gzip && m_item->allowCompression()))
            return sink.decide(Outcome::Retry,
                               {QStringLiteral("The server sent the data encoded as "
                                               "\"%1\" though it was not asked to")
                                    .arg(QString::fromUtf8(encoding)),
                                int(TransferError::Answer)});
        if (fresh && status == 206 && first != 0)
            return sink.decide(
                Outcome::Retry,
                {QStringLiteral("The server sent bytes from %1 instead of 0").arg(first),
                 int(TransferError::Answer)});
    }
    const QByteArray validator = validatorOf(session);
    bool keep = false;
    if (!fresh && status == 206) {
        // The kept parts go on only where this answer proves them the same
        // resource; anything else is asked again from its first byte.
        Lock lock(m_item->m_lock);
        keep = first == sink.offset && total == m_item->m_resourceSize &&
               (m_validator.isEmpty() || validator.isEmpty() || validator == m_validator);
        if (!keep)
            return sink.decide(Outcome::Restart, {});
    }

    TransferResourceInfo info;
    // The 416 answers the range; the resource itself is there, empty.
    info.statusCode = empty ? 200 : int(status);
    info.contentType = QString::fromUtf8(session.header("content-type"));
    info.fileName = contentDispositionFileName(session.header("content-disposition"));
    info.compressed = gzip;
    info.etag = printableText(QString::fromUtf8(session.header("etag")));
    info.lastModified = printableText(QString::fromUtf8(session.header("last-modified")));
    curl_off_t fileTime = -1;
    curl_easy_getinfo(session.handle(), CURLINFO_FILETIME_T, &fileTime);
    if (fileTime >= 0)
        info.date = QDateTime::fromSecsSinceEpoch(fileTime);
    qint64 size = -1;  // of the identity representation; -1 when unknown
    if (empty) {
        size = 0;
    } else if (status == 206) {
        size = gzip ? -1 : total;
    } else if (!gzip) {
        curl_off_t length = -1;
        curl_easy_getinfo(session.handle(), CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length);
        size = length;
    }
    info.size = qMax<qint64>(0, size);
    info.randomAccess =
        !gzip && size > 0 &&
        (status == 206 || session.header("accept-ranges").toLower().contains("bytes"));
    makePrintable(info, session);
    m_probed = true;
    m_compressedMode = gzip;
    {
        Lock lock(m_item->m_lock);
        m_item->m_info = info;
        if (!keep) {
            m_item->m_parts.clear();
            m_item->m_resourceSize = qMax<qint64>(0, size);
            m_item->m_validator = QString::fromUtf8(validator);
        } else if (!validator.isEmpty()) {
            m_item->m_validator = QString::fromUtf8(validator);
        }
        m_item->m_randomAccess = info.randomAccess;
        m_validator = m_item->m_validator.toUtf8();
        m_emptyKnown = size == 0;
    }
    m_infoReported = true;
    m_engine->deliver(m_item, [this, info] { emit m_engine->resourceInfoObtained(m_item, info); });

    claimName();
    if (!admit() || !openLocalFile()) {
        m_lead = Lead::Ended;
        return sink.decide(Outcome::Fatal, {});
    }
    int count = 0;
    {
        Lock lock(m_item->m_lock);
        count = int(m_item->m_parts.size());
        // A 200 brings the resource from its first byte, into a fresh split.
        const int lead = keep ? sink.index : 0;
        if (lead >= count || m_item->m_parts[lead].offset() != (keep ? sink.offset : 0)) {
            // The file changed under the kept parts meanwhile: asked again.
            return sink.decide(Outcome::Restart, {});
        }
        const TransferPart& part = m_item->m_parts[lead];
        sink.index = lead;
        sink.offset = part.offset();
        sink.remaining = part.length < 0 ? -1 : part.length - part.bytesDone;
        m_leadIndex = lead;
        m_leadStart = part.bytesDone;
    }
    if (sink.remaining == 0)
        sink.complete = true;
    m_lead = Lead::Planned;
    m_engine->reportStatus(m_item, m_leadIndex, TransferStatus::Process);
    for (int i = 0; i < count; ++i) {
        if (i != m_leadIndex)
            m_workers.emplace_back([this, i] { partWorker(i); });
    }
    return true;
}

bool TclMultiDownLoader::Run::probe() {
    CurlSession session(m_settings, &m_item->m_stopRequested);
    const int tries = qMax(1, m_settings.tryCount);
    Failure error;
    for (int attempt = 0; attempt < tries; ++attempt) {
        if (stopped())
            break;
        const Outcome outcome = probeOnce(session, &error);
        if (outcome == Outcome::Done)
            return true;
        if (outcome != Outcome::Retry || stopped())
            break;
        if (attempt + 1 < tries && !waitUnlessStopped(m_item, m_settings.reconnectAfter))
            break;
    }
    if (stopped()) {
        {
            Lock lock(m_item->m_lock);
            m_item->m_wholeStatus = TransferStatus::Stopped;
        }
        m_engine->reportStatus(m_item, -1, TransferStatus::Stopped);
        return false;
    }
    failWhole(error);
    return false;
}

// FTP: the size (SIZE) and the date (MDTM) of the file, without its data.
Outcome TclMultiDownLoader::Run::probeOnce(CurlSession& session, Failure* error) {
    TransferResourceInfo info;
    QByteArray validator;
    CURL* curl = session.handle();
    curl_off_t headLength = -1;
    curl_off_t fileTime = -1;
    session.prepare(m_url, m_port, m_userName, m_password);
    curl_easy_setopt(curl, CURLOPT_NOBODY, 1L);
    const int code = session.perform();
    if (code != CURLE_OK) {
        *error = {session.errorText(code), session.errorCode(code)};
        return Outcome::Retry;
    }
    curl_easy_getinfo(curl, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &headLength);
    curl_easy_getinfo(curl, CURLINFO_FILETIME_T, &fileTime);
    info.statusCode = int(session.statusCode());
    info.size = qMax<qint64>(0, headLength);
    info.randomAccess = info.size > 0;
    validator = QByteArray::number(info.size) + ':' + QByteArray::number(qint64(fileTime));
    if (fileTime >= 0)
        info.date = QDateTime::fromSecsSinceEpoch(fileTime);
    makePrintable(info, session);
    m_probed = true;
    {
        Lock lock(m_item->m_lock);
        m_item->m_info = info;
        const qint64 knownSize = headLength >= 0 ? qint64(headLength) : -1;
        const bool sameResource = m_item->m_validator.isEmpty() || validator.isEmpty() ||
                                  m_item->m_validator.toUtf8() == validator;
        // Kept parts must belong to this very resource and be positionable.
        if (!sameResource || knownSize <= 0 || knownSize != m_item->m_resourceSize ||
            !info.randomAccess)
            m_item->m_parts.clear();
        m_item->m_resourceSize = qMax<qint64>(0, knownSize);
        m_item->m_randomAccess = info.randomAccess;
        m_item->m_validator = QString::fromUtf8(validator);
        m_validator = validator;
        m_emptyKnown = knownSize == 0;
    }
    m_infoReported = true;
    m_engine->deliver(m_item, [this, info] { emit m_engine->resourceInfoObtained(m_item, info); });
    return Outcome::Done;
}

bool TclMultiDownLoader::Run::openLocalFile() {
    QString error;
    if (!m_file.open(m_settings.localFolder, m_localFile, &error)) {
        failWhole({error, int(TransferError::LocalFile)});
        return false;
    }
    {
        Lock lock(m_item->m_lock);
        m_item->m_finishing = true;
    }
    qint64 size = 0, present = 0;
    bool keepParts = false;
    {
        Lock lock(m_item->m_lock);
        size = m_item->m_resourceSize;
        keepParts =
            !m_item->m_parts.isEmpty() && size > 0 && !m_file.isDirect() && m_file.size() == size;
        if (!keepParts)
            m_item->m_parts.clear();
        for (const TransferPart& part : m_item->m_parts)
            present += part.bytesDone;
    }
    // A partial file that cannot be continued is this download's own: emptied.
    if ((!keepParts && !m_file.truncate(&error)) || !m_file.reserve(size, present, &error)) {
        failWhole({error, int(TransferError::LocalFile)});
        return false;
    }
    Lock lock(m_item->m_lock);
    if (m_item->m_parts.isEmpty()) {
        const qint64 splitSize = m_emptyKnown ? 0 : (size > 0 ? size : -1);
        m_item->m_parts = splitIntoParts(splitSize, m_item->m_randomAccess && !m_compressedMode,
                                         m_settings.batchSize, m_item->m_threadCount);
    }
    return true;
}

void TclMultiDownLoader::Run::runParts() {
    int count = 0;
    {
        Lock lock(m_item->m_lock);
        count = int(m_item->m_parts.size());
    }
    std::vector<std::thread> workers;
    workers.reserve(size_t(count));
    for (int i = 0; i < count; ++i)
        workers.emplace_back([this, i] { partWorker(i); });
    for (std::thread& worker : workers)
        worker.join();
}

void TclMultiDownLoader::Run::partWorker(int index) {
    applyPriority(m_item);
    m_engine->reportStatus(m_item, index, TransferStatus::Process);
    CurlSession session(m_settings, &m_item->m_stopRequested, &m_abort);
    qint64 furthest = 0;
    {
        Lock lock(m_item->m_lock);
        furthest = m_item->m_parts[index].bytesDone;
    }
    runPart(session, index, std::nullopt, {}, furthest);
}

// The tries of one part, after `made` when a try was made already.
void TclMultiDownLoader::Run::runPart(CurlSession& session, int index, std::optional<Outcome> made,
                                      Failure error, qint64 furthest) {
    // TryCount bounds the tries in a row that bring no byte beyond the
    // furthest point reached: a link that breaks every few MiB still
    // finishes, a dead one (or one that always breaks at the same byte) ends.
    const int tries = qMax(1, m_settings.tryCount);
    int triesWithoutProgress = 0;
    int busyWaits = 0;
    Outcome outcome = Outcome::Retry;
    for (;;) {
        if (made) {
            outcome = *made;
            made.reset();
        } else if (stopped() || m_abort) {
            outcome = Outcome::Stopped;
            break;
        } else {
            outcome = fetchOnce(session, index, &error);
        }
        if (outcome != Outcome::Retry)
            break;
        if (waitForServer(error, &busyWaits))
            continue;
        qint64 reached = 0;
        {
            Lock lock(m_item->m_lock);
            reached = m_item->m_parts[index].bytesDone;
        }
        if (reached > furthest) {
            furthest = reached;
            triesWithoutProgress = 0;
        } else if (++triesWithoutProgress >= tries) {
            break;
        }
        if (!waitUnlessStopped(m_item, m_settings.reconnectAfter)) {
            outcome = Outcome::Stopped;
            break;
        }
    }
    switch (outcome) {
        case Outcome::Done:
            m_engine->reportStatus(m_item, index, TransferStatus::Done);
            break;
        case Outcome::Restart:
            m_restart = true;
            m_abort = true;
            m_item->setPartStatus(index, TransferStatus::Ready);
            break;
        case Outcome::Stopped:
            if (stopped() || !m_restart) {
                m_engine->reportStatus(m_item, index, TransferStatus::Stopped);
            } else {
                m_item->setPartStatus(index, TransferStatus::Ready);
            }
            break;
        case Outcome::Retry:
        case Outcome::Fatal:
            m_engine->reportError(m_item, error.text, error.code);
            m_engine->reportStatus(m_item, index, TransferStatus::Failed);
            break;
    }
}

size_t TclMultiDownLoader::Run::onBody(char* data, size_t size, size_t count, void* sink) {
    auto* state = static_cast<Sink*>(sink);
    return state->run->consume(*state, data, size * count);
}

Outcome TclMultiDownLoader::Run::fetchOnce(CurlSession& session, int index, Failure* error) {
    Sink sink;
    sink.run = this;
    sink.session = &session;
    sink.index = index;
    QByteArray validator;
    if (index < 0) {
        // The lead of a fresh run: the resource from its first byte, compressed
        // when that is allowed and the server likes.
        sink.offset = 0;
        sink.remaining = -1;
    } else {
        Lock lock(m_item->m_lock);
        TransferPart& part = m_item->m_parts[index];
        if (m_compressedMode && part.bytesDone > 0) {
            // A gzip stream is fetched whole again, into an emptied file: a
            // shorter stream must not leave the old one's tail behind.
            part.bytesDone = 0;
            part.length = -1;
            QString text;
            if (!m_file.truncate(&text)) {
                *error = {text, int(TransferError::LocalFile)};
                return Outcome::Fatal;
            }
        }
        if (part.complete())
            return Outcome::Done;
        sink.offset = part.offset();
        sink.remaining = part.length < 0 ? -1 : part.length - part.bytesDone;
        validator = m_validator;
    }
    session.prepare(m_url, m_port, m_userName, m_password);
    CURL* curl = session.handle();
    if (m_ftp) {
        curl_easy_setopt(curl, CURLOPT_RESUME_FROM_LARGE, curl_off_t(sink.offset));
    } else if (index < 0) {
        session.setHeaders(
            QList<QByteArray>{"Range: bytes=0-", m_item->allowCompression()
                                                     ? QByteArray("Accept-Encoding: gzip")
                                                     : QByteArray("Accept-Encoding: identity")} +
            conditionHeaders());
    } else if (m_compressedMode) {
        session.setHeaders({"Accept-Encoding: gzip"});
    } else {
        QList<QByteArray> headers{"Accept-Encoding: identity"};
        headers << (sink.remaining < 0 ? "Range: bytes=" + QByteArray::number(sink.offset) + '-'
                                       : "Range: bytes=" + QByteArray::number(sink.offset) + '-' +
                                             QByteArray::number(sink.offset + sink.remaining - 1));
        if (!validator.isEmpty() && isHeaderSafe(validator))
            headers << "If-Range: " + validator;
        // Without the resource phase the first request of a fresh file may
        // learn that the owner's copy is current.
        if (!m_probed && sink.offset == 0 && !m_infoReported)
            headers << conditionHeaders();
        session.setHeaders(headers);
    }
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &Run::onBody);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &sink);
    const int code = session.perform();
    if (sink.decided) {
        *error = sink.error;
        return sink.decision;
    }
    if (sink.complete)
        return Outcome::Done;
    if (code == CURLE_OK) {
        if (!sink.validated) {
            sink.validated = true;
            if (!validateResponse(sink)) {
                *error = sink.error;
                return sink.decision;
            }
            if (sink.complete)
                return Outcome::Done;
        }
        if (sink.remaining > 0) {
            *error = {QStringLiteral("The connection ended %1 bytes before the end of the part")
                          .arg(sink.remaining),
                      int(TransferError::Network)};
            return Outcome::Retry;
        }
        if (sink.remaining < 0) {
            // The length was unknown: the end of the stream ends the part.
            Lock lock(m_item->m_lock);
            TransferPart& part = m_item->m_parts[sink.index];
            part.length = part.bytesDone;
            if (m_item->m_parts.size() == 1 && !m_compressedMode)
                m_item->m_resourceSize = part.length;
        }
        return Outcome::Done;
    }
    if (stopped() || m_abort)
        return Outcome::Stopped;
    *error = {session.errorText(code), session.errorCode(code)};
    return Outcome::Retry;
}

bool TclMultiDownLoader::Run::validateResponse(Sink& sink) {
    CurlSession& session = *sink.session;
    if (m_ftp)
        return true;
    if (m_lead == Lead::Pending)
        return planFromLead(sink);
    const long status = session.statusCode();
    int partCount = 0;
    qint64 knownSize = 0;
    {
        Lock lock(m_item->m_lock);
        partCount = int(m_item->m_parts.size());
        knownSize = m_item->m_resourceSize;
    }
    if (!m_probed && !m_infoReported.exchange(true)) {
        // Without the resource phase the first answer tells what there is.
        TransferResourceInfo info;
        info.statusCode = int(status);
        info.contentType = QString::fromUtf8(session.header("content-type"));
        info.fileName = contentDispositionFileName(session.header("content-disposition"));
        info.etag = printableText(QString::fromUtf8(session.header("etag")));
        info.lastModified = printableText(QString::fromUtf8(session.header("last-modified")));
        curl_off_t fileTime = -1;
        curl_easy_getinfo(session.handle(), CURLINFO_FILETIME_T, &fileTime);
        if (fileTime >= 0)
            info.date = QDateTime::fromSecsSinceEpoch(fileTime);
        qint64 first = 0, last = 0, total = -1;
        curl_off_t length = -1;
        curl_easy_getinfo(session.handle(), CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length);
        if (status == 206 &&
            parseContentRange(session.header("content-range"), &first, &last, &total))
            length = total;
        info.size = qMax<qint64>(0, length);
        info.randomAccess = status == 206;
        makePrintable(info, session);
        {
            Lock lock(m_item->m_lock);
            m_item->m_info = info;
            m_item->m_validator = QString::fromUtf8(validatorOf(session));
        }
        m_engine->deliver(m_item,
                          [this, info] { emit m_engine->resourceInfoObtained(m_item, info); });
    }
    if (status == 304 && m_conditional)
        return notModified(sink);
    if (status == 416 && sink.offset == 0 && sink.remaining < 0) {
        // "bytes=0-" of an empty resource.
        Lock lock(m_item->m_lock);
        m_item->m_parts[sink.index].length = 0;
        sink.complete = true;
        return sink.decide(Outcome::Done, {});
    }
    if (status == 416)
        return sink.decide(Outcome::Restart, {});  // the resource is shorter now
    if (status >= 400 || status < 200 || (status >= 300 && status != 304))
        return sink.decide(refusalOutcome(status), refusal(session));
    const QByteArray encoding = session.header("content-encoding").toLower();
    if (!m_compressedMode && !encoding.isEmpty() && encoding != "identity") {
        return sink.decide(
            Outcome::Retry,
            {QStringLiteral("The server sent the data encoded as \"%1\" though it was not asked to")
                 .arg(QString::fromUtf8(encoding)),
             int(TransferError::Answer)});
    }
    curl_off_t contentLength = -1;
    curl_easy_getinfo(session.handle(), CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &contentLength);
    if (status == 206) {
        qint64 first = 0, last = 0, total = -1;
        if (!parseContentRange(session.header("content-range"), &first, &last, &total))
            return sink.decide(Outcome::Retry,
                               {QStringLiteral("The server sent an unreadable Content-Range"),
                                int(TransferError::Answer)});
        if (first != sink.offset || (total >= 0 && knownSize > 0 && total != knownSize) ||
            (sink.remaining >= 0 && last > sink.offset + sink.remaining - 1))
            return sink.decide(Outcome::Restart, {});
        if (sink.remaining < 0 && total >= 0) {
            Lock lock(m_item->m_lock);
            TransferPart& part = m_item->m_parts[sink.index];
            part.length = total - part.start;
            sink.remaining = part.length - part.bytesDone;
            if (partCount == 1)
                m_item->m_resourceSize = total;
        }
        return true;
    }
    if (status != 200)
        return sink.decide(Outcome::Retry, {QStringLiteral("Unexpected answer %1").arg(status),
                                            int(TransferError::Answer)});
    // 200: the whole resource from its first byte.
    if (partCount > 1)
        return sink.decide(Outcome::Restart, {});
    Lock lock(m_item->m_lock);
    TransferPart& part = m_item->m_parts[sink.index];
    if (sink.offset > 0) {
        // The server ignored the range or the resource changed: the file
        // starts again instead of getting a foreign tail appended.
        part.bytesDone = 0;
        sink.offset = 0;
        QString error;
        if (!m_file.truncate(&error))
            return sink.decide(Outcome::Fatal, {error, int(TransferError::LocalFile)});
    }
    m_item->m_validator = QString::fromUtf8(validatorOf(session));
    m_validator = m_item->m_validator.toUtf8();
    const qint64 length = m_compressedMode ? -1 : qint64(contentLength);
    if (length != part.length) {
        part.length = length;
        if (length >= 0) {
            m_item->m_resourceSize = length;
            QString error;
            if (!m_file.reserve(length, 0, &error))
                return sink.decide(Outcome::Fatal, {error, int(TransferError::LocalFile)});
        }
    }
    sink.remaining = length;
    if (length == 0)
        sink.complete = true;
    return true;
}

size_t TclMultiDownLoader::Run::consume(Sink& sink, const char* data, size_t size) {
    if (!sink.validated) {
        sink.validated = true;
        if (!validateResponse(sink))
            return 0;
    }
    // An owner that follows the blocks gets each one written and reported
    // before the next; without one, all that the socket gave goes to the
    // file in one write: a write of a few KiB costs a system call and the
    // zeroing of the page cache page it leaves half-filled.
    const bool perBlock = m_engine->wantsData();
    const qint64 unit = perBlock ? qMax(1, m_settings.batchSize) : qint64(size);
    size_t used = 0;
    while (used < size) {
        qint64 chunk = qMin<qint64>(qint64(size - used), unit);
        if (sink.remaining >= 0)
            chunk = qMin(chunk, sink.remaining);
        if (chunk <= 0) {
            // More than the part asked for: the part is complete, the rest is not ours.
            sink.complete = true;
            return 0;
        }
        const qint64 offset = sink.offset;
        // Positioned writes of parts never overlap, and the file is only
        // ever emptied while one part runs: the item's lock guards the count
        // alone, so the window reading the figures never waits for the disk.
        // The writes go one at a time: the file system takes them in turn
        // anyway, and waiting here costs less than its spinning.
        std::unique_lock<std::mutex> writing(m_writeLock);
        qint64 written = 0;
        while (written < chunk) {
            const ssize_t n = ::pwrite(m_file.fd(), data + used + written, size_t(chunk - written),
                                       offset + written);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0) {
                sink.decided = true;
                sink.decision = Outcome::Fatal;
                sink.error = {
                    QStringLiteral("Cannot write to %1: %2").arg(m_file.path(), systemError()),
                    int(TransferError::LocalFile)};
                return 0;
            }
            written += n;
        }
        writing.unlock();
        {
            // Counted once written: a snapshot of the parts never claims a byte
            // the file does not hold.
            Lock lock(m_item->m_lock);
            m_item->m_parts[sink.index].bytesDone += chunk;
        }
        sink.offset += chunk;
        if (sink.remaining >= 0)
            sink.remaining -= chunk;
        if (perBlock)
            m_engine->reportData(m_item, sink.index, QByteArrayView(data + used, chunk), offset);
        used += size_t(chunk);
        if (sink.remaining == 0)
            sink.complete = true;
        if (stopped() || m_abort)
            return 0;
    }
    return size;
}

void TclMultiDownLoader::Run::reportPreview(const QByteArray& bytes) {
    // The first bytes as written, control bytes replaced; no line at all
    // when the run ended before it had a file.
    QByteArray head = bytes;
    for (char& c : head) {
        if (uchar(c) < 32 && c != '\t' && c != '\n' && c != '\r')
            c = m_settings.defaultChar;
    }
    QStringList lines;
    if (m_file.isOpen() || !head.isEmpty()) {
        lines = QString::fromLatin1(head).split(QLatin1Char('\n'));
        for (QString& line : lines) {
            if (line.endsWith(QLatin1Char('\r')))
                line.chop(1);
        }
    }
    {
        Lock lock(m_item->m_lock);
        m_item->m_previewText = lines;
    }
    m_previewReported = true;
    m_engine->deliver(m_item, [this, lines] { emit m_engine->previewTextObtained(m_item, lines); });
}

void TclMultiDownLoader::Run::finishFile() {
    const int count = m_settings.previewCharCount;
    QByteArray head;
    if (m_file.isOpen() && !m_file.isDirect()) {
        const qint64 want = count > 0 ? count : qMax<qint64>(0, m_file.size());
        head.resize(qMin<qint64>(want, 64 * 1024 * 1024));
        const ssize_t got = ::pread(m_file.fd(), head.data(), size_t(head.size()), 0);
        head.resize(got > 0 ? got : 0);
    }
    reportPreview(head);

    if (!m_file.isOpen() || !m_engine->passesGate(m_item, m_settings))
        return;
    QString error;
    if (m_compressedMode) {
        const qint64 packed = m_file.size();
        qint64 limit = qMax(kInflateFloor, packed * kInflateRatio);
        if (m_settings.maxResourceSize > 0)
            limit = qMin(limit, m_settings.maxResourceSize);
        const QString& name = m_localFile;
        if (!m_file.transform([&](int from, int to) { return gunzipFile(from, to, name, limit); },
                              &error)) {
            failWhole({error, int(TransferError::Decompression)});
            return;
        }
    }
    const auto info = m_item->resourceInfo();
    if (m_settings.correctResourceTime && info && info->date.isValid())
        m_file.setTime(info->date.toSecsSinceEpoch());
    bool keepExisting = false;
    {
        Lock lock(m_item->m_lock);
        keepExisting = m_item->m_keepExisting;
    }
    QString saved;
    if (!m_file.commit(keepExisting, &saved, &error)) {
        failWhole({error, int(TransferError::LocalFile)});
        return;
    }
    m_file.close();
    if (saved != m_localFile) {
        Lock lock(m_item->m_lock);
        m_item->m_localFile = saved;
    }
}
