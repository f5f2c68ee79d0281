#pragma once

#include "TclMultiTransfer.h"
#include "TclUploadItem.h"

// The uploader: sends each item's local file to its "ftp://" address in one
// part on a worker thread. Threading as TclMultiTransfer.
class TclMultiUploader : public TclMultiTransfer {
    Q_OBJECT
public:
    explicit TclMultiUploader(QObject* parent = nullptr);
    ~TclMultiUploader() override;

    TclUploadItem* addItem();
    TclUploadItem* uploadItem(int index) const { return static_cast<TclUploadItem*>(item(index)); }

protected:
    void runItem(TclTransferItem* item) override;
};
