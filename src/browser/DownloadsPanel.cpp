#include "DownloadsPanel.h"

#include <QAction>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QToolBar>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <QWebEngineDownloadRequest>
#include <QWebEngineProfile>

#include "AppError.h"
#include "BrowserHost.h"
#include "ImageStrip.h"
#include "LocalFileName.h"
#include "Prompts.h"
#include "TclDownLoadItem.h"
#include "ToolHost.h"
#include "TransferDisplay.h"
#include "TransferProgressDelegate.h"

namespace {

enum Column { FileColumn, ProgressColumn, SizeColumn, StatusColumn };

bool fetchedByTransferEngine(const QUrl& url) {
    const QString scheme = url.scheme().toLower();
    return scheme == QLatin1String("http") || scheme == QLatin1String("https") ||
           scheme == QLatin1String("ftp");
}

QString sizeText(qint64 done, qint64 total) {
    return total > 0 ? formatTransferSize(double(done)) + QStringLiteral(" of ") +
                           formatTransferSize(double(total))
                     : formatTransferSize(double(done));
}

TransferStatus engineStatus(QWebEngineDownloadRequest::DownloadState state) {
    switch (state) {
        case QWebEngineDownloadRequest::DownloadCompleted:
            return TransferStatus::Done;
        case QWebEngineDownloadRequest::DownloadCancelled:
            return TransferStatus::Stopped;
        case QWebEngineDownloadRequest::DownloadInterrupted:
            return TransferStatus::Failed;
        default:
            return TransferStatus::Process;
    }
}

}  // namespace

DownloadsPanel::DownloadsPanel(BrowserHost& browser, ToolHost& host, const ImageList& images,
                               QWidget* parent)
    : QWidget(parent), m_browser(browser), m_host(host) {
    setObjectName(QStringLiteral("PnlDownloads"));
    auto* bar = new QToolBar(QStringLiteral("Downloads"));
    bar->setIconSize(QSize(16, 16));
    bar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    auto* title = new QLabel(QStringLiteral(" Downloads "));
    title->setStyleSheet(QStringLiteral("font-weight: bold"));
    bar->addWidget(title);
    const struct {
        const char* name;
        const char* caption;
        int image;
        void (DownloadsPanel::*handler)();
    } items[] = {
        {"TBXDownloadsFolder", "Open Folder", 26, &DownloadsPanel::openFolder},
        {"TBXDownloadStop", "Stop", 4, &DownloadsPanel::stopSelected},
        {"TBXDownloadsClear", "Clear", 51, &DownloadsPanel::clearFinished},
    };
    for (const auto& item : items) {
        QAction* action = bar->addAction(images.icon(item.image), QLatin1String(item.caption));
        action->setObjectName(QLatin1String(item.name));
        connect(action, &QAction::triggered, this, item.handler);
    }
    QAction* closeItem = bar->addAction(images.icon(15), QStringLiteral("Close"));
    closeItem->setObjectName(QStringLiteral("TBXDownloadsClose"));
    connect(closeItem, &QAction::triggered, this, &QWidget::hide);

    m_list = new QTreeWidget;
    m_list->setObjectName(QStringLiteral("LVDownloads"));
    m_list->setAccessibleName(QStringLiteral("Downloads"));
    m_list->setRootIsDecorated(false);
    m_list->setHeaderLabels({QStringLiteral("File"), QStringLiteral("Progress"),
                             QStringLiteral("Size"), QStringLiteral("Status")});
    m_list->header()->resizeSection(FileColumn, 260);
    m_list->header()->resizeSection(ProgressColumn, 160);
    m_list->header()->resizeSection(SizeColumn, 160);
    m_list->setItemDelegateForColumn(
        ProgressColumn, new TransferProgressDelegate(
                            [this](const QModelIndex& index) -> const TclTransferItem* {
                                const int row = index.row();
                                return row >= 0 && row < m_rows.size() ? m_rows[row].transfer
                                                                       : nullptr;
                            },
                            TransferProgressDelegate::queuePalette(), m_list));

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(bar);
    layout->addWidget(m_list);

    m_downloads.settings().userAgent = BrowserHost::profile()->httpUserAgent();
    m_refresh.setInterval(100);
    connect(&m_refresh, &QTimer::timeout, this, &DownloadsPanel::updateRows);
    connect(&m_downloads, &PageDownloads::changed, this, [this] {
        if (!m_refresh.isActive())
            m_refresh.start();
    });
    connect(&m_downloads, &PageDownloads::finished, this, &DownloadsPanel::updateRows);
}

void DownloadsPanel::take(QWebEngineDownloadRequest* request) {
    if (request->isSavePageDownload()) {
        takeSavedPage(request);
        return;
    }
    const QUrl url = request->url();
    show();
    Row row;
    if (fetchedByTransferEngine(url)) {
        // The browser engine's own download of it stays unused.
        request->cancel();
        if (m_browser.offline()) {
            row.failure = QStringLiteral("The browser works offline.");
        } else {
            try {
                row.transfer = m_downloads.start(url.toString(QUrl::FullyEncoded));
            } catch (const AppError& error) {
                row.failure = error.message();
            }
        }
        addRow(row, transferCaption(url.toString()));
        return;
    }
    // Only the page holds it: the browser engine writes it into the folder.
    const QString folder = PageDownloads::downloadFolder();
    const QString name = safeFileName(request->downloadFileName());
    if (folder.isEmpty()) {
        request->cancel();
        row.failure = QStringLiteral("There is no download folder to save the file in.");
        addRow(row, name);
        return;
    }
    row.localFile = claimLocalFile(folder, name.isEmpty() ? QStringLiteral("download") : name);
    request->setDownloadDirectory(folder);
    request->setDownloadFileName(QFileInfo(row.localFile).fileName());
    row.request = request;
    connect(request, &QWebEngineDownloadRequest::receivedBytesChanged, this, [this] {
        if (!m_refresh.isActive())
            m_refresh.start();
    });
    connect(request, &QWebEngineDownloadRequest::isFinishedChanged, this,
            [this, file = row.localFile] {
                releaseLocalFile(file);
                updateRows();
            });
    request->accept();
    addRow(row, QFileInfo(row.localFile).fileName());
}

void DownloadsPanel::takeSavedPage(QWebEngineDownloadRequest* request) {
    connect(request, &QWebEngineDownloadRequest::isFinishedChanged, this, [this, request] {
        if (request->state() == QWebEngineDownloadRequest::DownloadInterrupted) {
            m_host.prompts().errorBox(QStringLiteral("The page could not be saved: ") +
                                      request->interruptReasonString());
        }
    });
    request->accept();
}

void DownloadsPanel::addRow(Row row, const QString& caption) {
    row.item = new QTreeWidgetItem(m_list);
    row.item->setText(FileColumn, caption);
    m_rows.append(row);
    updateRow(m_rows.last());
    m_list->scrollToItem(row.item);
}

bool DownloadsPanel::running(const Row& row) const {
    if (row.transfer)
        return row.transfer->isRunning() || row.transfer->isWaiting();
    return row.request && !row.request->isFinished();
}

void DownloadsPanel::updateRow(const Row& row) {
    if (!row.failure.isEmpty()) {
        row.item->setText(StatusColumn, transferStatusText(TransferStatus::Failed) +
                                            QStringLiteral(": ") + row.failure);
        return;
    }
    if (row.transfer) {
        const QString file = row.transfer->localFile();
        if (!file.isEmpty())
            row.item->setText(FileColumn, QFileInfo(file).fileName());
        row.item->setToolTip(FileColumn, file);
        row.item->setText(SizeColumn,
                          sizeText(row.transfer->bytesDone(), row.transfer->resourceSize()));
        QString status = transferStatusText(row.transfer->status());
        const QStringList errors = row.transfer->errors();
        if (row.transfer->status() == TransferStatus::Failed && !errors.isEmpty())
            status += QStringLiteral(": ") + errors.last();
        row.item->setText(StatusColumn, status);
        return;
    }
    if (!row.request)
        return;
    const qint64 total = row.request->totalBytes();
    const qint64 received = row.request->receivedBytes();
    row.item->setToolTip(FileColumn, row.localFile);
    row.item->setText(
        ProgressColumn,
        total > 0 ? QString::number(received * 100 / total) + QStringLiteral(" %") : QString());
    row.item->setText(SizeColumn, sizeText(received, total));
    QString status = transferStatusText(engineStatus(row.request->state()));
    if (row.request->state() == QWebEngineDownloadRequest::DownloadInterrupted)
        status += QStringLiteral(": ") + row.request->interruptReasonString();
    row.item->setText(StatusColumn, status);
}

void DownloadsPanel::updateRows() {
    bool anyRunning = false;
    for (const Row& row : m_rows) {
        updateRow(row);
        anyRunning = anyRunning || running(row);
    }
    m_list->viewport()->update();
    if (!anyRunning)
        m_refresh.stop();
}

QString DownloadsPanel::localFile(int row) const {
    if (row < 0 || row >= m_rows.size())
        return QString();
    return m_rows[row].transfer ? m_rows[row].transfer->localFile() : m_rows[row].localFile;
}

QString DownloadsPanel::statusText(int row) const {
    return row >= 0 && row < m_rows.size() ? m_rows[row].item->text(StatusColumn) : QString();
}

void DownloadsPanel::openFolder() {
    const QString folder = PageDownloads::downloadFolder();
    if (!folder.isEmpty())
        m_host.exploreFolder(folder);
}

void DownloadsPanel::stopSelected() {
    const int row = m_list->indexOfTopLevelItem(m_list->currentItem());
    if (row < 0)
        return;
    if (m_rows[row].transfer)
        m_downloads.stop(m_rows[row].transfer);
    else if (m_rows[row].request)
        m_rows[row].request->cancel();
}

void DownloadsPanel::clearFinished() {
    for (int row = m_rows.size() - 1; row >= 0; --row) {
        if (running(m_rows[row]))
            continue;
        if (m_rows[row].transfer)
            m_downloads.remove(m_rows[row].transfer);
        delete m_rows[row].item;
        m_rows.removeAt(row);
    }
}
