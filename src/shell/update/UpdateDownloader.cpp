#include "UpdateDownloader.h"

#include "LocalFileName.h"
#include "TclMultiDownLoader.h"

UpdateDownloader::UpdateDownloader(QObject* parent)
    : QObject(parent), m_engine(new TclMultiDownLoader(this)) {
    connect(m_engine, &TclMultiTransfer::dataProceeded, this,
            [this](TclTransferItem* item, int, qint64, QByteArrayView, qint64) {
                if (item != m_item || m_tooLarge)
                    return;
                if (m_maximumSize > 0 &&
                    (item->resourceSize() > m_maximumSize || item->bytesDone() > m_maximumSize)) {
                    m_tooLarge = true;
                    m_engine->stop(item);
                    emit error(QStringLiteral("%1 is larger than %2 bytes; it was not taken")
                                   .arg(item->url().left(200))
                                   .arg(m_maximumSize),
                               int(TransferError::Answer));
                    return;
                }
                emit progress(item->bytesDone(), item->resourceSize());
            });
    connect(m_engine, &TclMultiTransfer::errorOccurred, this,
            [this](TclTransferItem* item, const QString& text, int code) {
                if (item == m_item)
                    emit error(text, code);
            });
    connect(m_engine, &TclMultiTransfer::processCompleted, this, [this](TclTransferItem* item) {
        if (item != m_item)
            return;
        const bool success = item->status() == TransferStatus::Done && !m_tooLarge;
        // Reported once the engine has finished with the item.
        QMetaObject::invokeMethod(
            this,
            [this, success] {
                m_busy = false;
                emit finished(success);
            },
            Qt::QueuedConnection);
    });
}

UpdateDownloader::~UpdateDownloader() = default;

TransferSettings& UpdateDownloader::settings() {
    return m_engine->settings();
}

void UpdateDownloader::setCredentials(const QString& userName, const QString& password, int port) {
    m_userName = userName;
    m_password = password;
    m_port = port;
}

QString UpdateDownloader::localFileFor(const QString& url, const QString& folder) {
    QString base = folder;
    if (!base.isEmpty() && !base.endsWith(QLatin1Char('/')))
        base += QLatin1Char('/');
    return base + fileNameFromUrl(url);
}

void UpdateDownloader::start(const QString& url, const QString& localFile,
                             const TclResourceState& resume, qint64 maximumSize) {
    m_maximumSize = maximumSize;
    m_tooLarge = false;
    m_engine->clear();
    m_item = m_engine->addItem();
    m_item->setUrl(url);
    m_item->setLocalFile(localFile);
    m_item->setUserName(m_userName);
    m_item->setPassword(m_password);
    m_item->setPort(m_port);
    if (resume.isUsable())
        m_item->setResumeState(resume.resourceSize, resume.segments);
    m_busy = true;
    m_engine->start(m_item);
}

void UpdateDownloader::stop() {
    if (m_item)
        m_engine->stop(m_item);
}

TclResourceState UpdateDownloader::resumeState() const {
    TclResourceState state;
    if (!m_item)
        return state;
    state.resourceSize = m_item->resourceSize();
    state.segments = m_item->parts();
    for (TransferPart& part : state.segments)
        part.status = TransferStatus::Ready;
    if (!state.isUsable())
        return {};
    return state;
}
