#pragma once

#include <QObject>
#include <QTimer>
#include <memory>

#include "TclMultiDownLoader.h"
#include "TclMultiUploader.h"
#include "TransferQueueModel.h"

class ListSortKey;

// One queued transfer as kept between windows: what the item was made from,
// and for a download its parts with the validator that proves them.
struct SavedTransfer {
    bool upload = false;
    QString url;
    QString localFile;
    QString userName;
    QString password;
    int port = 0;
    int priority = int(TransferPriority::Normal);
    int threadCount = 1;
    qint64 resourceSize = 0;
    QString validator;  // empty: the parts are not kept
    QList<TransferPart> parts;
};

// The FTP window's transfer queue: one downloader and one uploader, the rows
// of the "Transfers" list, and the rules of the queue's commands (start all,
// start selected, stop, remove). The rows show progress at most ten times a
// second per row, read from the items while they run: the workers never wait
// for the window for a block of data.
//
// UI thread only.
class TransferQueue : public QObject {
    Q_OBJECT
public:
    // What a new item is made from.
    struct Entry {
        QString url;
        QString localFile;
        QString userName;
        QString password;
        int port = 0;
    };

    static constexpr int kRefreshMs = 100;

    explicit TransferQueue(const ListSortKey& sortKey, QObject* parent = nullptr);
    ~TransferQueue() override;

    TclMultiDownLoader& downloader() { return m_downloader; }
    TclMultiUploader& uploader() { return m_uploader; }
    TransferQueueModel& model() { return m_model; }

    TclDownLoadItem* addDownload(const Entry& entry);
    TclUploadItem* addUpload(const Entry& entry);
    bool isUpload(const TclTransferItem* item) const;
    // True while the item is in one of the two lists.
    bool holds(const TclTransferItem* item) const;

    // DoMResumeAll: from the last row to the first, starts every item that is
    // neither "Done" nor running; then, again from the last row, removes
    // every "Done" item with its row.
    void startAll();
    // DoMResumeSelected: starts the item unless it is "Done" or running.
    void startItem(TclTransferItem* item);
    void stopItem(TclTransferItem* item);
    void stopAll();
    void removeItem(TclTransferItem* item);
    void removeFinished();
    // Stops both engines and removes every item and row.
    void clear();
    bool isBusy() const;
    // Stops everything and lets events run until both engines are idle or
    // `milliseconds` have passed. True when idle.
    bool stopAndWait(int milliseconds);

    // The items that are not "Done", downloads first, each in list order.
    QList<SavedTransfer> unfinished() const;
    // New items from `saved`, shown "Stopped" with their progress.
    void restore(const QList<SavedTransfer>& saved);
    // Removes the items restore() made that are still queued.
    void removeRestored();

signals:
    // An error, the resource information or the preview text of `item` came.
    void detailsChanged(TclTransferItem* item);
    void busyChanged();
    void uploadCompleted(TclTransferItem* item);
    // `item` is about to go with its row.
    void itemRemoving(TclTransferItem* item);

private:
    void wire(TclMultiTransfer& engine);
    void refreshRunning();
    TclMultiTransfer& engineOf(const TclTransferItem* item);
    void fill(TclTransferItem* item, const Entry& entry);

    QList<TclTransferItem*> m_restored;  // made by restore(), still queued
    TclMultiDownLoader m_downloader;
    TclMultiUploader m_uploader;
    TransferQueueModel m_model;
    QTimer m_refresh;
};

// The engine settings the "Options" page copies from the downloader to the
// uploader: time-out, passive mode, HTTP proxy (server, port, user, password),
// FTP proxy (server, port), buffer size, reconnect delay and try count.
void copyEngineSettings(const TransferSettings& from, TransferSettings& to);

// The local folder of DoAddToDownloads. With a selected local node at
// `localPath`: a file gives its folder + "/FTP Downloads"; a folder gives
// itself + "/FTP Downloads", followed by `remoteFolderText` (the selected
// remote node's text, "/" + name) when the remote node is a folder. Without a
// local node: `engineFolder`.
QString queueDownloadFolder(const QString& localPath, bool localIsFolder,
                            const QString& remoteFolderText, const QString& engineFolder);

// The address of a remote file: "ftp://" + host + the folder's path + "/" +
// name, encoded (see urlWithPath); no port, user or password inside.
QString queuedFileUrl(const QString& host, const QString& folder, const QString& name);

// "Resource ...", "Size %n Bytes", "Date ...", "Type ..." and "Compressed" for
// the File Info page's "Information", or "There are no any info available yet.".
QStringList transferInformationLines(const std::optional<TransferResourceInfo>& info);
