#include "TransferQueue.h"

#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QLocale>
#include <QStandardPaths>

#include "ListSortKey.h"
#include "LocalFileName.h"
#include "ServerText.h"
#include "TransferUrl.h"

TransferQueue::TransferQueue(const ListSortKey& sortKey, QObject* parent)
    : QObject(parent), m_model(sortKey) {
    TransferSettings& settings = m_downloader.settings();
    settings.timeOut = 7000;
    settings.localFolder = QStandardPaths::writableLocation(QStandardPaths::DownloadLocation);
    copyEngineSettings(settings, m_uploader.settings());
    wire(m_downloader);
    wire(m_uploader);
    connect(&m_downloader, &TclMultiTransfer::previewTextObtained, this,
            [this](TclTransferItem* item) { emit detailsChanged(item); });
    connect(&m_uploader, &TclMultiTransfer::processCompleted, this,
            &TransferQueue::uploadCompleted);
    m_refresh.setInterval(kRefreshMs);
    connect(&m_refresh, &QTimer::timeout, this, &TransferQueue::refreshRunning);
}

TransferQueue::~TransferQueue() = default;

void TransferQueue::wire(TclMultiTransfer& engine) {
    connect(&engine, &TclMultiTransfer::statusChanged, this,
            [this](TclTransferItem* item, TransferStatus status) {
                m_model.showStatus(item, status);
                m_model.showProgress(item);
            });
    connect(&engine, &TclMultiTransfer::errorOccurred, this,
            [this](TclTransferItem* item) { emit detailsChanged(item); });
    connect(&engine, &TclMultiTransfer::resourceInfoObtained, this,
            [this](TclTransferItem* item) { emit detailsChanged(item); });
    // The figures the run ended with (its clock stops at the end).
    connect(&engine, &TclMultiTransfer::processCompleted, this,
            [this](TclTransferItem* item) { m_model.showProgress(item); });
    connect(&engine, &TclMultiTransfer::busyStateChanged, this, [this] {
        if (isBusy()) {
            m_refresh.start();
        } else {
            m_refresh.stop();
        }
        emit busyChanged();
    });
}

void TransferQueue::refreshRunning() {
    for (TclMultiTransfer* engine : {static_cast<TclMultiTransfer*>(&m_downloader),
                                     static_cast<TclMultiTransfer*>(&m_uploader)}) {
        for (int i = 0; i < engine->count(); ++i) {
            if (engine->item(i)->isRunning()) {
                m_model.showProgress(engine->item(i));
            }
        }
    }
}

void TransferQueue::fill(TclTransferItem* item, const Entry& entry) {
    item->setUrl(entry.url);
    if (!entry.localFile.isEmpty()) {
        item->setLocalFile(entry.localFile);
    }
    item->setUserName(entry.userName);
    item->setPassword(entry.password);
    item->setPort(entry.port);
}

TclDownLoadItem* TransferQueue::addDownload(const Entry& entry) {
    TclDownLoadItem* item = m_downloader.addItem();
    fill(item, entry);
    m_model.appendItem(item, false);
    return item;
}

TclUploadItem* TransferQueue::addUpload(const Entry& entry) {
    TclUploadItem* item = m_uploader.addItem();
    fill(item, entry);
    m_model.appendItem(item, true);
    return item;
}

bool TransferQueue::isUpload(const TclTransferItem* item) const {
    return m_uploader.indexOf(item) >= 0;
}

bool TransferQueue::holds(const TclTransferItem* item) const {
    return item && (m_downloader.indexOf(item) >= 0 || m_uploader.indexOf(item) >= 0);
}

TclMultiTransfer& TransferQueue::engineOf(const TclTransferItem* item) {
    if (isUpload(item)) {
        return m_uploader;
    }
    return m_downloader;
}

void TransferQueue::startAll() {
    for (int row = m_model.rowCount() - 1; row >= 0; --row) {
        TclTransferItem* item = m_model.itemAt(row);
        if (item && item->status() != TransferStatus::Done && !item->isRunning()) {
            engineOf(item).start(item);
        }
    }
    removeFinished();
}

void TransferQueue::startItem(TclTransferItem* item) {
    if (holds(item) && item->status() != TransferStatus::Done && !item->isRunning()) {
        engineOf(item).start(item);
    }
}

void TransferQueue::stopItem(TclTransferItem* item) {
    if (holds(item)) {
        engineOf(item).stop(item);
    }
}

void TransferQueue::stopAll() {
    m_downloader.stopAll();
    m_uploader.stopAll();
}

void TransferQueue::removeItem(TclTransferItem* item) {
    if (!holds(item)) {
        return;
    }
    emit itemRemoving(item);
    m_restored.removeOne(item);
    m_model.removeItem(item);
    engineOf(item).deleteItem(item);
}

void TransferQueue::removeFinished() {
    for (int row = m_model.rowCount() - 1; row >= 0; --row) {
        TclTransferItem* item = m_model.itemAt(row);
        if (item && item->status() == TransferStatus::Done) {
            removeItem(item);
        }
    }
}

void TransferQueue::clear() {
    stopAll();
    for (int row = m_model.rowCount() - 1; row >= 0; --row) {
        emit itemRemoving(m_model.itemAt(row));
    }
    m_restored.clear();
    m_model.clear();
    m_downloader.clear();
    m_uploader.clear();
}

bool TransferQueue::isBusy() const {
    return m_downloader.isBusy() || m_uploader.isBusy();
}

bool TransferQueue::stopAndWait(int milliseconds) {
    QElapsedTimer clock;
    clock.start();
    for (TclMultiTransfer* engine : {static_cast<TclMultiTransfer*>(&m_downloader),
                                     static_cast<TclMultiTransfer*>(&m_uploader)}) {
        engine->stopAll();
        while (engine->isBusy() && clock.elapsed() < milliseconds) {
            // The workers end once the events they wait for have been handled.
            QEventLoop loop;
            QTimer::singleShot(10, &loop, &QEventLoop::quit);
            loop.exec();
        }
    }
    return !isBusy();
}

QList<SavedTransfer> TransferQueue::unfinished() const {
    QList<SavedTransfer> saved;
    for (const TclMultiTransfer* engine : {static_cast<const TclMultiTransfer*>(&m_downloader),
                                           static_cast<const TclMultiTransfer*>(&m_uploader)}) {
        const bool upload = engine == &m_uploader;
        for (int i = 0; i < engine->count(); ++i) {
            const TclTransferItem* item = engine->item(i);
            if (item->status() == TransferStatus::Done) {
                continue;
            }
            SavedTransfer transfer;
            transfer.upload = upload;
            transfer.url = item->url();
            transfer.localFile = item->localFile();
            transfer.userName = item->userName();
            transfer.password = item->password();
            transfer.port = item->port();
            transfer.priority = int(item->priority());
            transfer.threadCount = item->threadCount();
            // Parts only with the proof that lets a later run continue them.
            const QString validator = upload ? QString() : item->resumeValidator();
            if (!validator.isEmpty() && item->resourceSize() > 0) {
                transfer.validator = validator;
                transfer.resourceSize = item->resourceSize();
                transfer.parts = item->parts();
            }
            saved.append(transfer);
        }
    }
    return saved;
}

void TransferQueue::restore(const QList<SavedTransfer>& saved) {
    for (const SavedTransfer& transfer : saved) {
        const Entry entry{transfer.url, transfer.localFile, transfer.userName, transfer.password,
                          transfer.port};
        TclTransferItem* item =
            transfer.upload ? static_cast<TclTransferItem*>(addUpload(entry)) : addDownload(entry);
        item->setPriority(TransferPriority(qBound(0, transfer.priority, 2)));
        item->setThreadCount(transfer.threadCount);
        if (!transfer.upload && !transfer.parts.isEmpty()) {
            item->setResumeState(transfer.resourceSize, transfer.parts, transfer.validator);
            m_model.showProgress(item);
        }
        m_model.showStatus(item, TransferStatus::Stopped);
        m_restored.append(item);
    }
}

void TransferQueue::removeRestored() {
    const QList<TclTransferItem*> restored = m_restored;
    for (TclTransferItem* item : restored) {
        removeItem(item);
    }
}

void copyEngineSettings(const TransferSettings& from, TransferSettings& to) {
    to.timeOut = from.timeOut;
    to.passiveFtp = from.passiveFtp;
    to.httpProxy = from.httpProxy;
    to.httpProxyPort = from.httpProxyPort;
    to.proxyUser = from.proxyUser;
    to.proxyPassword = from.proxyPassword;
    to.ftpProxy = from.ftpProxy;
    to.ftpProxyPort = from.ftpProxyPort;
    to.batchSize = from.batchSize;
    to.reconnectAfter = from.reconnectAfter;
    to.tryCount = from.tryCount;
}

QString queueDownloadFolder(const QString& localPath, bool localIsFolder,
                            const QString& remoteFolderText, const QString& engineFolder) {
    if (localPath.isEmpty()) {
        return engineFolder;
    }
    if (!localIsFolder) {
        return QDir::cleanPath(QFileInfo(localPath).path() + "/FTP Downloads");
    }
    QString folder = localPath + "/FTP Downloads";
    // The remote folder's name as one safe local name: a server's ".." or
    // "a/b" never leads out of "FTP Downloads".
    const QString name = safeFileName(printableText(remoteFolderText.mid(1)));
    if (!name.isEmpty()) {
        folder += "/" + name;
    }
    return QDir::cleanPath(folder);
}

QString queuedFileUrl(const QString& host, const QString& folder, const QString& name) {
    const QString path = folder.endsWith('/') ? folder + name : folder + "/" + name;
    return urlWithPath("ftp://" + host.trimmed(), path);
}

QStringList transferInformationLines(const std::optional<TransferResourceInfo>& info) {
    if (!info) {
        return {"There are no any info available yet."};
    }
    const QLocale locale;
    QStringList lines{"Resource " + info->name,
                      "Size " + locale.toString(double(info->size), 'f', 2) + " Bytes",
                      "Date " + locale.toString(info->date.toLocalTime(), QLocale::ShortFormat),
                      "Type " + info->contentType};
    if (info->compressed) {
        lines << "Compressed";
    }
    return lines;
}
