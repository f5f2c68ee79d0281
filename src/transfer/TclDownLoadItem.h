#pragma once

#include "TclTransferItem.h"

// An item of the segmented downloader.
class TclDownLoadItem : public TclTransferItem {
public:
    TclDownLoadItem() = default;

    // Also names the local file after the address's last segment in the
    // engine's local folder (the run may still take the server's offer and
    // avoids clashes) until the owner sets a local file of its own.
    void setUrl(const QString& url) override;

    bool allowCompression() const { return m_allowCompression.load(); }
    void setAllowCompression(bool allow) { m_allowCompression = allow; }
    int level() const { return m_level; }  // owner thread (the grabber's depth)
    void setLevel(int level) { m_level = level; }
    QStringList previewText() const;

    // Validators of a copy the owner holds (an ETag, a Last-Modified date):
    // the first request of a run carries them as If-None-Match and
    // If-Modified-Since, and a server that answers 304 ends the run "Done"
    // with nothing written (its resource information shows the 304).
    void setConditions(const QString& etag, const QString& lastModified);

private:
    friend class TclMultiDownLoader;
    std::atomic<bool> m_allowCompression{true};
    int m_level = 0;
    QStringList m_previewText;     // guarded by m_lock
    QByteArray m_ifNoneMatch;      // guarded by m_lock
    QByteArray m_ifModifiedSince;  // guarded by m_lock
};
