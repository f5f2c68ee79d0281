#pragma once

#include "TclTransferItem.h"

// An item of the uploader: one local file sent to an "ftp://" address in one
// part. Setting the local file replaces the last segment of the URL by the
// file's name.
class TclUploadItem : public TclTransferItem {
public:
    TclUploadItem() { m_threadCount = 1; }

    void setLocalFile(const QString& localFile) override;
    // Sets the local file without touching the URL (loading a saved design).
    void loadLocalFile(const QString& localFile) { TclTransferItem::setLocalFile(localFile); }
};
