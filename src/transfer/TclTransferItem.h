#pragma once

#include <QElapsedTimer>
#include <QList>
#include <QString>
#include <QStringList>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>

#include "TransferTypes.h"

class TclMultiTransfer;

// What a stopped or failed item needs to continue in a later run of the
// program: the parts with their bytes done, the resource's size and the
// validator of the bytes on disk.
struct TransferResumeState {
    qint64 resourceSize = 0;
    QString validator;
    QList<TransferPart> parts;
};

// One entry of an engine's list: what to transfer, its parts and progress.
// Threading: every accessor may be called from any thread (fields are guarded
// by the item's lock); setters are meant for the owner while the item is not
// running.
class TclTransferItem {
public:
    virtual ~TclTransferItem();

    QString url() const;
    virtual void setUrl(const QString& url);
    QString localFile() const;
    // The owner's file: a download replaces a file of that name once it is complete.
    virtual void setLocalFile(const QString& localFile);
    // A file that the engine chose in an earlier run (kept by the owner, as
    // in a state file): continued like a name chosen now, so a download into
    // it never replaces another file of that name but takes "name (n).ext".
    void setOwnLocalFile(const QString& localFile);
    QString userName() const;
    void setUserName(const QString& userName);
    QString password() const;
    void setPassword(const QString& password);
    int port() const;
    void setPort(int port);  // 0: the scheme's default
    TransferPriority priority() const;
    void setPriority(TransferPriority priority);
    int threadCount() const;
    void setThreadCount(int count);

    // Derived status: Process, Stopped, Failed, Warnings, Done, Ready by
    // precedence over the parts; an item-wide status replaces Ready and Done.
    TransferStatus status() const;
    // True while the item has running workers (not while it waits for admission).
    bool isRunning() const { return m_running.load(); }
    bool isWaiting() const { return m_waiting; }
    // True while one of its workers waits out the pause before trying again.
    bool isPausedBeforeRetry() const { return m_retryPauses.load() > 0; }

    std::optional<TransferResourceInfo> resourceInfo() const;
    QStringList errors() const;
    QList<TransferPart> parts() const;

    // Progress figures (monotonic clock); seconds and bytes per second.
    qint64 resourceSize() const;
    qint64 bytesDone() const;
    double speed() const;
    double elapsed() const;
    double remaining() const;

    // The resume state (what a web update record, a kept queue or a download's
    // state file holds): replaces the parts and the validator (ETag or
    // Last-Modified of the bytes on disk; for FTP size and date) that a resumed
    // run must find again, else the file starts over; only for an item that is
    // not running.
    void setResumeState(qint64 resourceSize, const QList<TransferPart>& parts,
                        const QString& validator = QString());
    // The validator of the bytes on disk when it can prove on a later run that
    // the resource is unchanged: an ETag or Last-Modified date, for FTP the
    // size with a known modification time. Empty when there is no such proof.
    QString resumeValidator() const;
    // One consistent snapshot of the parts, size and validator, taken at any
    // time (also while running: every byte it counts is in the file).
    TransferResumeState resumeState() const;

protected:
    TclTransferItem() = default;

    friend class TclMultiTransfer;
    friend class TclMultiDownLoader;
    friend class TclMultiUploader;

    TransferStatus statusLocked() const;
    void setPartStatus(int part, TransferStatus status);  // takes m_lock
    void addError(const QString& message);

    mutable std::mutex m_lock;  // the item's stream and progress
    QString m_url;              // guarded by m_lock
    QString m_localFile;        // guarded by m_lock
    // The local file is the engine's choice (from the address), not the
    // owner's: a run may name it after the server's offer and avoids clashes.
    bool m_localFileDerived = false;  // guarded by m_lock
    // A complete download never replaces a file of its name (names the
    // engine chose); it takes the next free one instead.
    bool m_keepExisting = false;                             // guarded by m_lock
    QString m_userName;                                      // guarded by m_lock
    QString m_password;                                      // guarded by m_lock
    int m_port = 0;                                          // guarded by m_lock
    TransferPriority m_priority = TransferPriority::Normal;  // guarded by m_lock
    int m_threadCount = 5;                                   // guarded by m_lock
    QList<TransferPart> m_parts;                             // guarded by m_lock
    std::optional<TransferResourceInfo> m_info;              // guarded by m_lock
    QStringList m_errors;                                    // guarded by m_lock
    std::optional<TransferStatus> m_wholeStatus;             // guarded by m_lock
    // The local file is open and not yet in place: parts that are all done
    // do not make the item done until it is.
    bool m_finishing = false;    // guarded by m_lock
    qint64 m_resourceSize = 0;   // guarded by m_lock; 0 when unknown
    qint64 m_bytesAtStart = 0;   // guarded by m_lock
    QElapsedTimer m_runClock;    // guarded by m_lock
    double m_finalElapsed = 0;   // guarded by m_lock; frozen when the run ends
    QString m_validator;         // guarded by m_lock; ETag or Last-Modified of the bytes on disk
    bool m_randomAccess = true;  // guarded by m_lock

    // Run control, owned by the engine.
    TclMultiTransfer* m_engine = nullptr;  // the engine that made the item
    std::atomic<bool> m_running{false};
    std::atomic<bool> m_stopRequested{false};
    std::atomic<bool> m_deleted{false};
    std::atomic<bool> m_priorityRefused{false};  // noted once per run
    bool m_waiting = false;                      // owner thread only
    std::thread m_controller;                    // owner thread only
    TransferSettings m_runSettings;              // written before the controller starts, read by it
    std::mutex m_waitLock;
    std::condition_variable m_waitWake;  // ends a reconnect wait at a stop
    std::atomic<int> m_retryPauses{0};   // workers in a reconnect wait
};
