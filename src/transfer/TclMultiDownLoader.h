#pragma once

#include <functional>

#include "TclDownLoadItem.h"
#include "TclMultiTransfer.h"

// The segmented downloader: fetches HTTP(S) and FTP resources in parallel
// parts, each on a worker thread of its own. Threading as TclMultiTransfer.
class TclMultiDownLoader : public TclMultiTransfer {
    Q_OBJECT
public:
    explicit TclMultiDownLoader(QObject* parent = nullptr);
    ~TclMultiDownLoader() override;

    TclDownLoadItem* addItem();
    TclDownLoadItem* downloadItem(int index) const {
        return static_cast<TclDownLoadItem*>(item(index));
    }

    // The owner's gate, run on the owner's thread once the resource is known
    // (and again before the file is finished); false completes the item
    // without data.
    void setFilter(std::function<bool(TclDownLoadItem*)> filter) { m_filter = std::move(filter); }
    // Run on the owner's thread when an item's run ends, before the busy count falls.
    void setCompletionHook(std::function<void(TclDownLoadItem*)> hook) {
        m_completionHook = std::move(hook);
    }

    // Upper bound of a gzip download's expansion: output bytes per input byte
    // (with a floor of kInflateFloor) before decompression stops with an error.
    static constexpr qint64 kInflateRatio = 100;
    static constexpr qint64 kInflateFloor = 16 * 1024 * 1024;

protected:
    void runItem(TclTransferItem* item) override;
    void completeItem(TclTransferItem* item) override;

private:
    class Run;
    bool passesGate(TclDownLoadItem* item, const TransferSettings& settings);

    std::function<bool(TclDownLoadItem*)> m_filter;
    std::function<void(TclDownLoadItem*)> m_completionHook;
};
