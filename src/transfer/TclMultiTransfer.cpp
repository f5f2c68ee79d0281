#include "TclMultiTransfer.h"

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <QFileInfo>
#include <QMetaMethod>
#include <algorithm>
#include <cstring>

#include "AppError.h"
#include "ServerText.h"

TclMultiTransfer::TclMultiTransfer(QObject* parent) : QObject(parent) {}

TclMultiTransfer::~TclMultiTransfer() {
    shutdown();
}

void TclMultiTransfer::shutdown() {
    {
        // Workers waiting for a delivery return at once from now on, so the
        // joins below cannot wait for this (busy) thread.
        std::lock_guard<std::mutex> lock(m_deliveryLock);
        m_shuttingDown = true;
        for (Delivery* delivery : m_deliveries)
            delivery->done.notify_one();
    }
    for (auto* list : {&m_items, &m_retired}) {
        for (auto& item : *list) {
            item->m_stopRequested = true;
            item->m_waitWake.notify_all();
        }
    }
    for (auto* list : {&m_items, &m_retired}) {
        for (auto& item : *list) {
            if (item->m_controller.joinable())
                item->m_controller.join();
        }
    }
    for (std::thread& thread : m_finishedThreads) {
        if (thread.joinable())
            thread.join();
    }
}

int TclMultiTransfer::indexOf(const TclTransferItem* item) const {
    for (size_t i = 0; i < m_items.size(); ++i) {
        if (m_items[i].get() == item)
            return int(i);
    }
    return -1;
}

TclTransferItem* TclMultiTransfer::addItemObject(std::unique_ptr<TclTransferItem> item) {
    item->m_engine = this;
    m_items.push_back(std::move(item));
    return m_items.back().get();
}

void TclMultiTransfer::setBusyCount(int count) {
    const bool wasBusy = m_busyCount > 0;
    m_busyCount = count;
    if (wasBusy != (m_busyCount > 0))
        emit busyStateChanged(m_busyCount > 0);
}

void TclMultiTransfer::start(TclTransferItem* item) {
    if (!item || indexOf(item) < 0)
        return;
    if (item->isRunning())
        throw AppError(QStringLiteral("Operation is in progress"));
    if (item->m_waiting)
        return;
    setBusyCount(m_busyCount + 1);
    if (m_runningCount < qMax(1, m_settings.maxStartedItems)) {
        launch(item);
    } else {
        item->m_waiting = true;
        m_waitingList.append(item);
    }
}

void TclMultiTransfer::startAll() {
    // Copy: a handler may change the list while items start.
    std::vector<TclTransferItem*> items;
    for (auto& item : m_items)
        items.push_back(item.get());
    for (TclTransferItem* item : items) {
        if (indexOf(item) >= 0 && !item->isRunning())
            start(item);
    }
}

void TclMultiTransfer::launch(TclTransferItem* item) {
    ++m_runningCount;
    item->m_waiting = false;
    {
        std::lock_guard<std::mutex> lock(item->m_lock);
        item->m_errors.clear();
        item->m_info.reset();
        item->m_wholeStatus.reset();
        item->m_finishing = false;
        for (TransferPart& part : item->m_parts)
            part.status = TransferStatus::Ready;
        qint64 sum = 0;
        for (const TransferPart& part : item->m_parts)
            sum += part.bytesDone;
        item->m_bytesAtStart = sum;
        item->m_runClock.start();
    }
    item->m_runSettings = m_settings;
    item->m_stopRequested = false;
    item->m_priorityRefused = false;
    item->m_running = true;
    if (item->m_controller.joinable())
        m_finishedThreads.push_back(std::move(item->m_controller));
    item->m_controller = std::thread([this, item] {
        applyPriority(item);
        runItem(item);
        deliver(
            item, [this, item] { finishRun(item); }, true);
    });
}

void TclMultiTransfer::finishRun(TclTransferItem* item) {
    {
        std::lock_guard<std::mutex> lock(item->m_lock);
        item->m_finalElapsed =
            item->m_runClock.isValid() ? item->m_runClock.nsecsElapsed() / 1e9 : 0;
        item->m_runClock.invalidate();
    }
    --m_runningCount;
    item->m_running = false;
    // The controller thread ends right after this delivery; it is joined later.
    m_finishedThreads.push_back(std::move(item->m_controller));
    QMetaObject::invokeMethod(
        this, [this] { reap(); }, Qt::QueuedConnection);
    const bool deleted = item->m_deleted;
    if (!deleted)
        completeItem(item);
    --m_busyCount;
    if (!deleted)
        emit processCompleted(item);
    if (m_busyCount == 0)
        emit busyStateChanged(false);
    while (!m_waitingList.isEmpty() && m_runningCount < qMax(1, m_settings.maxStartedItems))
        launch(m_waitingList.takeFirst());
}

void TclMultiTransfer::reap() {
    for (std::thread& thread : m_finishedThreads) {
        if (thread.joinable())
            thread.join();
    }
    m_finishedThreads.clear();
    std::erase_if(m_retired, [](const std::unique_ptr<TclTransferItem>& item) {
        return !item->isRunning() && !item->m_controller.joinable();
    });
}

void TclMultiTransfer::stop(TclTransferItem* item) {
    if (!item)
        return;
    if (item->m_waiting) {
        item->m_waiting = false;
        m_waitingList.removeOne(item);
        {
            std::lock_guard<std::mutex> lock(item->m_lock);
            item->m_wholeStatus = TransferStatus::Stopped;
        }
        emit statusChanged(item, item->status());
        setBusyCount(m_busyCount - 1);
        return;
    }
    if (item->isRunning()) {
        {
            std::lock_guard<std::mutex> lock(item->m_waitLock);
            item->m_stopRequested = true;
        }
        item->m_waitWake.notify_all();
    }
}

void TclMultiTransfer::stopAll() {
    // Waiting items first, so that stopping running ones admits nobody new.
    const QList<TclTransferItem*> waiting = m_waitingList;
    for (TclTransferItem* item : waiting)
        stop(item);
    for (auto& item : m_items)
        stop(item.get());
}

void TclMultiTransfer::deleteItem(TclTransferItem* item) {
    const int index = indexOf(item);
    if (index < 0)
        return;
    stop(item);
    std::unique_ptr<TclTransferItem> owned = std::move(m_items[size_t(index)]);
    m_items.erase(m_items.begin() + index);
    if (owned->isRunning()) {
        // Its workers still use it: kept until its run has ended, silent.
        owned->m_deleted = true;
        m_retired.push_back(std::move(owned));
    } else if (owned->m_controller.joinable()) {
        owned->m_controller.join();
    }
}

void TclMultiTransfer::clear() {
    while (!m_items.empty())
        deleteItem(m_items.back().get());
}

void TclMultiTransfer::setLocalFolder(const QString& folder) {
    if (folder == m_settings.localFolder)
        return;
    m_settings.localFolder = folder;
    QString base = folder;
    if (!base.isEmpty() && !base.endsWith(QLatin1Char('/')))
        base += QLatin1Char('/');
    for (auto& item : m_items) {
        // A running item keeps the file it writes; it is unpacked and dated there.
        if (item->isRunning())
            continue;
        std::lock_guard<std::mutex> lock(item->m_lock);
        const QString name = QFileInfo(item->m_localFile).fileName();
        if (!name.isEmpty())
            item->m_localFile = base + name;
    }
}

void TclMultiTransfer::deliver(TclTransferItem* item, const std::function<void()>& function,
                               bool evenIfDeleted) {
    // The owner's thread receives a queued call and this worker waits for its
    // end, as a blocking queued connection would; unlike one, the wait also
    // ends when the engine is being destroyed, so its joins cannot deadlock.
    Delivery delivery;
    {
        std::lock_guard<std::mutex> lock(m_deliveryLock);
        if (m_shuttingDown)
            return;
        m_deliveries.push_back(&delivery);
    }
    QMetaObject::invokeMethod(
        this,
        [this, item, &function, &delivery, evenIfDeleted] {
            {
                std::lock_guard<std::mutex> lock(m_deliveryLock);
                if (m_shuttingDown)
                    return;
            }
            if (evenIfDeleted || !item->m_deleted)
                function();
            // Woken under the lock: the waiter's Delivery lives until it sees `ran`.
            std::lock_guard<std::mutex> lock(m_deliveryLock);
            delivery.ran = true;
            delivery.done.notify_one();
        },
        Qt::QueuedConnection);
    std::unique_lock<std::mutex> lock(m_deliveryLock);
    delivery.done.wait(lock, [&] { return delivery.ran || m_shuttingDown; });
    m_deliveries.erase(std::find(m_deliveries.begin(), m_deliveries.end(), &delivery));
}

void TclMultiTransfer::reportStatus(TclTransferItem* item, int part, TransferStatus status) {
    item->setPartStatus(part, status);
    deliver(item, [this, item] {
        emit statusChanged(item, item->status());
        emit changed(item);
    });
}

void TclMultiTransfer::reportError(TclTransferItem* item, const QString& message, int code) {
    // Messages carry servers' texts (reason phrases, replies): shown safely.
    const QString text = printableText(message);
    item->addError(text);
    deliver(item, [this, item, &text, code] { emit errorOccurred(item, text, code); });
}

bool TclMultiTransfer::wantsData() const {
    static const QMetaMethod data = QMetaMethod::fromSignal(&TclMultiTransfer::dataProceeded);
    static const QMetaMethod change = QMetaMethod::fromSignal(&TclMultiTransfer::changed);
    return isSignalConnected(data) || isSignalConnected(change);
}

void TclMultiTransfer::reportData(TclTransferItem* item, int part, QByteArrayView block,
                                  qint64 offset) {
    // Nobody listening: no round trip to the owner's thread per block.
    if (!wantsData())
        return;
    deliver(item, [this, item, part, block, offset] {
        emit dataProceeded(item, part, block.size(), block, offset);
        emit changed(item);
    });
}

bool TclMultiTransfer::waitUnlessStopped(TclTransferItem* item, int ms) {
    std::unique_lock<std::mutex> lock(item->m_waitLock);
    ++item->m_retryPauses;
    item->m_waitWake.wait_for(lock, std::chrono::milliseconds(qMax(0, ms)),
                              [item] { return item->m_stopRequested.load(); });
    --item->m_retryPauses;
    return !item->m_stopRequested;
}

void TclMultiTransfer::applyPriority(TclTransferItem* item) {
    // Linux keeps a nice value per thread; raising it back above the
    // process's own needs a privilege.
    const TransferPriority priority = item->priority();
    const int base = getpriority(PRIO_PROCESS, getpid());  // the main thread's value
    const int nice = priority == TransferPriority::Lower    ? base + 5
                     : priority == TransferPriority::Higher ? base - 5
                                                            : base;
    // Set even when equal: a new thread inherits its creator's value.
    if (setpriority(PRIO_PROCESS, pid_t(syscall(SYS_gettid)), qBound(-20, nice, 19)) != 0 &&
        !item->m_priorityRefused.exchange(true)) {
        item->addError(QStringLiteral("The system refused the priority \"%1\" (%2); the "
                                      "transfer runs at its normal priority.")
                           .arg(priority == TransferPriority::Higher  ? "Higher"
                                : priority == TransferPriority::Lower ? "Lower"
                                                                      : "Normal",
                                QString::fromLocal8Bit(std::strerror(errno))));
    }
}
