#include "TclMultiUploader.h"

#include <curl/curl.h>
#include <fcntl.h>
#include <unistd.h>

#include <QFile>
#include <QFileInfo>

#include "CurlSession.h"
#include "LocalFileName.h"

namespace {

using Lock = std::lock_guard<std::mutex>;

struct Source {
    TclMultiUploader* engine = nullptr;
    TclTransferItem* item = nullptr;
    std::mutex* lock = nullptr;
    int fd = -1;
    qint64 size = 0;
    qint64 offset = 0;
    int batchSize = 8192;
    const std::atomic<bool>* stop = nullptr;
    bool readFailed = false;
    std::function<void(QByteArrayView, qint64)> report;
};

size_t readBlock(char* buffer, size_t size, size_t count, void* userData) {
    auto* source = static_cast<Source*>(userData);
    if (source->stop->load())
        return CURL_READFUNC_ABORT;
    const qint64 want = qMin<qint64>(
        qint64(size * count), qMin<qint64>(source->batchSize, source->size - source->offset));
    if (want <= 0)
        return 0;
    ssize_t got = 0;
    {
        // The data source is read only while the item's lock is held.
        Lock lock(*source->lock);
        do {
            got = ::pread(source->fd, buffer, size_t(want), source->offset);
        } while (got < 0 && errno == EINTR);
    }
    if (got <= 0) {
        source->readFailed = true;
        return CURL_READFUNC_ABORT;
    }
    source->offset += got;
    source->report(QByteArrayView(buffer, got), source->offset);
    return size_t(got);
}

}  // namespace

TclMultiUploader::TclMultiUploader(QObject* parent) : TclMultiTransfer(parent) {}

TclMultiUploader::~TclMultiUploader() {
    shutdown();
}

TclUploadItem* TclMultiUploader::addItem() {
    return static_cast<TclUploadItem*>(addItemObject(std::make_unique<TclUploadItem>()));
}

void TclMultiUploader::runItem(TclTransferItem* item) {
    const TransferSettings& settings = item->m_runSettings;
    QString url, localFile, userName, password;
    int port = 0;
    {
        Lock lock(item->m_lock);
        url = item->m_url.trimmed();
        localFile = item->m_localFile;
        userName = item->m_userName;
        password = item->m_password;
        port = item->m_port;
    }
    // The data source: the local file, when it exists.
    const QByteArray path = QFile::encodeName(localFile);
    const int fd = localFile.isEmpty() ? -1 : ::open(path.constData(), O_RDONLY | O_CLOEXEC);
    const qint64 size = fd >= 0 ? QFileInfo(localFile).size() : 0;
    {
        Lock lock(item->m_lock);
        // An upload never resumes: one part over the whole file, from 0.
        TransferPart part;
        part.length = size;
        item->m_parts = {part};
        if (!item->m_info) {
            TransferResourceInfo info;
            info.size = size;
            item->m_info = info;
        }
        item->m_resourceSize = size;
        item->m_bytesAtStart = 0;
    }
    reportStatus(item, 0, TransferStatus::Process);
    CurlSession session(settings, &item->m_stopRequested);
    const int tries = qMax(1, settings.tryCount);
    QString error;
    int errorCode = int(TransferError::Network);
    enum { Done, Stopped, Failed } outcome = Failed;
    for (int attempt = 0; attempt < tries; ++attempt) {
        if (item->m_stopRequested) {
            outcome = Stopped;
            break;
        }
        if (!isAcceptableUrl(url)) {
            error = QStringLiteral("The address cannot be used: %1").arg(url.left(200));
            errorCode = int(TransferError::Address);
            break;
        }
        if (fd < 0) {
            error = QStringLiteral("The data source stream is not assigned");
            errorCode = int(TransferError::DataSource);
        } else {
            {
                Lock lock(item->m_lock);
                item->m_parts[0].bytesDone = 0;
            }
            Source source;
            source.engine = this;
            source.item = item;
            source.lock = &item->m_lock;
            source.fd = fd;
            source.size = size;
            source.batchSize = qMax(1, settings.batchSize);
            source.stop = &item->m_stopRequested;
            source.report = [this, item](QByteArrayView block, qint64 sent) {
                {
                    Lock lock(item->m_lock);
                    item->m_parts[0].bytesDone = sent;
                }
                reportData(item, 0, block, sent);
            };
            session.prepare(url, port, userName, password);
            CURL* curl = session.handle();
            curl_easy_setopt(curl, CURLOPT_UPLOAD, 1L);
            curl_easy_setopt(curl, CURLOPT_INFILESIZE_LARGE, curl_off_t(size));
            curl_easy_setopt(curl, CURLOPT_READFUNCTION, &readBlock);
            curl_easy_setopt(curl, CURLOPT_READDATA, &source);
            curl_easy_setopt(curl, CURLOPT_UPLOAD_BUFFERSIZE,
                             long(qBound(16 * 1024, settings.batchSize, 2 * 1024 * 1024)));
            const int code = session.perform();
            if (code == CURLE_OK && source.offset == size) {
                outcome = Done;
                break;
            }
            if (item->m_stopRequested) {
                outcome = Stopped;
                break;
            }
            error = source.readFailed ? QStringLiteral("Cannot read %1").arg(localFile)
                                      : session.errorText(code);
            errorCode = source.readFailed ? int(TransferError::LocalFile) : session.errorCode(code);
        }
        if (attempt + 1 < tries && !waitUnlessStopped(item, settings.reconnectAfter)) {
            outcome = Stopped;
            break;
        }
    }
    if (fd >= 0)
        ::close(fd);
    if (outcome == Done) {
        reportStatus(item, 0, TransferStatus::Done);
    } else if (outcome == Stopped) {
        reportStatus(item, 0, TransferStatus::Stopped);
    } else {
        reportError(item, error, errorCode);
        reportStatus(item, 0, TransferStatus::Failed);
    }
}
