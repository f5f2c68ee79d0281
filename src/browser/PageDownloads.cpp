#include "PageDownloads.h"

#include <QDir>
#include <QStandardPaths>

#include "AppError.h"
#include "LocalFileName.h"
#include "TclMultiDownLoader.h"

PageDownloads::PageDownloads(QObject* parent)
    : QObject(parent), m_engine(new TclMultiDownLoader(this)) {
    auto changedItem = [this](TclTransferItem* item) {
        emit changed(static_cast<TclDownLoadItem*>(item));
    };
    connect(m_engine, &TclMultiTransfer::statusChanged, this, changedItem);
    connect(m_engine, &TclMultiTransfer::resourceInfoObtained, this, changedItem);
    connect(m_engine, &TclMultiTransfer::dataProceeded, this, changedItem);
    connect(m_engine, &TclMultiTransfer::processCompleted, this, [this](TclTransferItem* item) {
        emit finished(static_cast<TclDownLoadItem*>(item), item->status() == TransferStatus::Done);
    });
}

PageDownloads::~PageDownloads() = default;

QString PageDownloads::downloadFolder() {
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::DownloadLocation);
    if (folder.isEmpty() || !QDir().mkpath(folder))
        return QString();
    return folder;
}

TransferSettings& PageDownloads::settings() {
    return m_engine->settings();
}

const TclDownLoadItem* PageDownloads::start(const QString& url) {
    if (!isAcceptableUrl(url))
        throw AppError(QStringLiteral("This address cannot be downloaded: ") + url);
    const QString folder = downloadFolder();
    if (folder.isEmpty())
        throw AppError(QStringLiteral("There is no download folder to save the file in."));
    m_engine->settings().localFolder = folder;
    TclDownLoadItem* item = m_engine->addItem();
    item->setUrl(url);
    m_engine->start(item);
    return item;
}

TclDownLoadItem* PageDownloads::find(const TclDownLoadItem* item) const {
    const int index = m_engine->indexOf(item);
    return index >= 0 ? m_engine->downloadItem(index) : nullptr;
}

void PageDownloads::stop(const TclDownLoadItem* item) {
    if (TclDownLoadItem* own = find(item))
        m_engine->stop(own);
}

void PageDownloads::remove(const TclDownLoadItem* item) {
    TclDownLoadItem* own = find(item);
    if (own && !own->isRunning() && !own->isWaiting())
        m_engine->deleteItem(own);
}

int PageDownloads::count() const {
    return m_engine->count();
}

bool PageDownloads::isBusy() const {
    return m_engine->isBusy();
}
