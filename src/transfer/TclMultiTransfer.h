#pragma once

#include <QByteArrayView>
#include <QList>
#include <QObject>
#include <QStringList>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "TclTransferItem.h"
#include "TransferTypes.h"

// What the downloader and the uploader share: the item list, admission of at
// most `maxStartedItems` running items with a waiting list, the busy count,
// stop and delete, and the synchronous delivery of events.
//
// Threading: every public function is called on the thread that owns the
// engine. Every signal is emitted on that thread while the reporting worker
// waits, in the order the workers sent them. Handlers must not block.
class TclMultiTransfer : public QObject {
    Q_OBJECT
public:
    ~TclMultiTransfer() override;

    TransferSettings& settings() { return m_settings; }
    const TransferSettings& settings() const { return m_settings; }

    int count() const { return int(m_items.size()); }
    TclTransferItem* item(int index) const { return m_items.at(index).get(); }
    int indexOf(const TclTransferItem* item) const;

    // Throws AppError("Operation is in progress") while the item runs; an item
    // already waiting for admission stays where it is.
    void start(TclTransferItem* item);
    void startAll();
    // Asynchronous: the item's workers end soon after, each part "Stopped".
    void stop(TclTransferItem* item);
    void stopAll();
    // Stops the item if running and removes it from the list.
    void deleteItem(TclTransferItem* item);
    void clear();

    bool isBusy() const { return m_busyCount > 0; }
    int runningCount() const { return m_runningCount; }

    // The local file of every item that is not running becomes `folder` +
    // "/" + its old file name; a running item keeps the file it writes.
    void setLocalFolder(const QString& folder);

signals:
    void resourceInfoObtained(TclTransferItem* item, const TransferResourceInfo& info);
    void statusChanged(TclTransferItem* item, TransferStatus status);
    // `block` is valid only during the call; for an upload `offset` is the
    // count of bytes sent so far.
    void dataProceeded(TclTransferItem* item, int part, qint64 blockSize, QByteArrayView block,
                       qint64 offset);
    void previewTextObtained(TclTransferItem* item, const QStringList& lines);
    // `code`: a TransferError, or the server's refusing status (400 to 599).
    void errorOccurred(TclTransferItem* item, const QString& message, int code);
    void processCompleted(TclTransferItem* item);
    void busyStateChanged(bool busy);
    void changed(TclTransferItem* item);
    // The server asked to wait `seconds` (429 or 503 with Retry-After); the
    // item waits that long before its next try, which does not count.
    void serverBusy(TclTransferItem* item, int seconds);

protected:
    explicit TclMultiTransfer(QObject* parent);

    TclTransferItem* addItemObject(std::unique_ptr<TclTransferItem> item);
    // Stops every worker and joins it without waiting for the owner's thread;
    // called by the most derived destructor, before the hooks its workers use go.
    void shutdown();

    // Runs on the item's controller thread: the whole transfer of one run.
    virtual void runItem(TclTransferItem* item) = 0;
    // Owner thread, at the end of a run before the busy count falls.
    virtual void completeItem(TclTransferItem*) {}

    // Worker side: runs `function` on the owner's thread and waits for it.
    // Skipped once the engine is being destroyed, and for a deleted item
    // unless `evenIfDeleted`.
    void deliver(TclTransferItem* item, const std::function<void()>& function,
                 bool evenIfDeleted = false);

    // Worker-side event helpers.
    void reportStatus(TclTransferItem* item, int part, TransferStatus status);
    void reportError(TclTransferItem* item, const QString& message, int code);
    void reportData(TclTransferItem* item, int part, QByteArrayView block, qint64 offset);
    bool wantsData() const;

    // Waits `ms` or until the item is stopped; false when stopped.
    static bool waitUnlessStopped(TclTransferItem* item, int ms);
    // Applies the item's priority to the calling thread. A priority the
    // system refuses is noted once per run in the item's error list (not as
    // an error event: the transfer goes on).
    static void applyPriority(TclTransferItem* item);

private:
    void launch(TclTransferItem* item);
    void finishRun(TclTransferItem* item);  // owner thread
    void reap();                            // owner thread
    void setBusyCount(int count);

    TransferSettings m_settings;
    std::vector<std::unique_ptr<TclTransferItem>> m_items;
    std::vector<std::unique_ptr<TclTransferItem>> m_retired;  // deleted while running
    QList<TclTransferItem*> m_waitingList;
    std::vector<std::thread> m_finishedThreads;
    int m_runningCount = 0;
    int m_busyCount = 0;

    // One waiting worker per delivery, woken alone when its call has run: a
    // wake-up of every waiting worker per event cost each run a context
    // switch per event of every other running item.
    struct Delivery {
        std::condition_variable done;
        bool ran = false;  // guarded by m_deliveryLock
    };
    std::mutex m_deliveryLock;
    std::vector<Delivery*> m_deliveries;  // guarded by m_deliveryLock; those waiting
    bool m_shuttingDown = false;          // guarded by m_deliveryLock
};
