#pragma once

#include <QObject>
#include <QString>

#include "TransferTypes.h"

class TclDownLoadItem;
class TclMultiDownLoader;
class TclTransferItem;

// Files that pages offer for download, fetched by the suite's transfer engine
// (in parallel parts) into the user's download folder.
//
// Owner thread only; the engine's events arrive there. An item stays valid
// until it is removed or this object goes.
class PageDownloads : public QObject {
    Q_OBJECT
public:
    explicit PageDownloads(QObject* parent = nullptr);
    ~PageDownloads() override;

    // The user's download folder, created when missing; empty when there is
    // none to be had.
    static QString downloadFolder();

    // Copied into each download when it starts.
    TransferSettings& settings();

    // Starts fetching `url` into the download folder, under the name the
    // server offers or the address ends with, never over an existing file.
    // Throws AppError for an address the engine cannot fetch or when there is
    // no download folder.
    const TclDownLoadItem* start(const QString& url);
    // The download ends soon after, "Stopped".
    void stop(const TclDownLoadItem* item);
    // Forgets a download that no longer runs (its file stays).
    void remove(const TclDownLoadItem* item);

    int count() const;
    bool isBusy() const;

signals:
    // Progress or state of a download changed; many times a second.
    void changed(const TclDownLoadItem* item);
    void finished(const TclDownLoadItem* item, bool success);

private:
    TclDownLoadItem* find(const TclDownLoadItem* item) const;

    TclMultiDownLoader* m_engine;
};
