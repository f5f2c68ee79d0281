#pragma once

#include <QObject>
#include <QString>

#include "TclUpdateInfo.h"
#include "TransferTypes.h"

class TclMultiDownLoader;
class TclDownLoadItem;

// What the web update engine needs of the transfer engine: one file at a
// time, saved in a folder under the name its address ends with, started from
// a resume state and giving one back when it stops or fails.
//
// Owner thread only. `finished` is queued after the transfer engine's run of
// the item has ended, so its handler may start the next download.
class UpdateDownloader : public QObject {
    Q_OBJECT
public:
    explicit UpdateDownloader(QObject* parent = nullptr);
    ~UpdateDownloader() override;

    // Copied into each download when it starts.
    TransferSettings& settings();
    void setCredentials(const QString& userName, const QString& password, int port);

    // The file a download of `url` into `folder` writes.
    static QString localFileFor(const QString& url, const QString& folder);

    // Starts fetching `url` into `localFile`, continuing from `resume` when
    // it is usable. A file that is announced or arrives larger than
    // `maximumSize` bytes (when above 0) is stopped with an error.
    void start(const QString& url, const QString& localFile, const TclResourceState& resume,
               qint64 maximumSize = 0);
    // The running download ends soon after, unsuccessful, its state kept.
    void stop();
    // From start until `finished` has been delivered.
    bool isBusy() const { return m_busy; }
    // The state of the last download, for resuming it later.
    TclResourceState resumeState() const;

signals:
    void progress(qint64 received, qint64 total);
    void error(const QString& text, int code);
    void finished(bool success);

private:
    TclMultiDownLoader* m_engine;
    TclDownLoadItem* m_item = nullptr;
    QString m_userName;
    QString m_password;
    int m_port = 0;
    qint64 m_maximumSize = 0;
    bool m_tooLarge = false;
    bool m_busy = false;
};
