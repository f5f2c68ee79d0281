#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>

#include "TclUpdateInfo.h"
#include "UpdateRules.h"

class UpdateDownloader;
class UpdateScriptRunner;
struct TransferSettings;

// What the update information dialog shows.
struct TclUpdateInfoText {
    QString sentence;  // "The system detected that you are using version ..."
    QString author;
    QString productName;
    QString email;
    QStringList updates;  // "Version: %s, Size: %s, URL: %s" per entry of the list
};

// Keeps the program up to date from the maker's server: fetches the update
// list, compares it with the local record of known updates, asks the user,
// downloads each new update file (resuming interrupted ones), checks its
// SHA-256 when the list gives one, runs its script through the command
// interpreter and records every outcome, so an interruption at any point
// leaves a record the next check continues from.
//
// Only https addresses are fetched: what the server sends is run. Scripts run
// only when the user (or the host, when no dialog is wanted) agreed.
//
// Owner thread only; every event is emitted on it. Parameters passed by
// non-const reference may be changed by a handler (connect directly).
class TclWebUpdate : public QObject {
    Q_OBJECT
public:
    explicit TclWebUpdate(QObject* parent = nullptr);
    // Stops a check and waits (handling queued events, not user input) until
    // its download and its script have ended and the record is written. No
    // event is emitted from here on.
    ~TclWebUpdate() override;

    QString productName() const { return m_productName; }
    void setProductName(const QString& text) { m_productName = text; }
    QString author() const { return m_author; }
    void setAuthor(const QString& text) { m_author = text; }
    QString productUrl() const { return m_productUrl; }
    void setProductUrl(const QString& text) { m_productUrl = text; }
    QString email() const { return m_email; }
    void setEmail(const QString& text) { m_email = text; }
    QString updateUrl() const { return m_updateUrl; }
    void setUpdateUrl(const QString& url) { m_updateUrl = url; }
    QString updateDir() const { return m_updateDir; }
    // Moves the local record into the new folder, keeping its file name.
    void setUpdateDir(const QString& folder);
    QString actualUpdateInfoFile() const { return m_actualUpdateInfoFile; }
    void setActualUpdateInfoFile(const QString& path) { m_actualUpdateInfoFile = path; }
    TclVersionFormat versionFormat() const { return m_versionFormat; }
    void setVersionFormat(TclVersionFormat format) { m_versionFormat = format; }
    void setUserName(const QString& userName);
    void setPassword(const QString& password);
    void setPort(int port);
    int batchSize() const;
    void setBatchSize(int bytes);
    bool needShowInfo() const { return m_needShowInfo; }
    void setNeedShowInfo(bool show) { m_needShowInfo = show; }
    QStringList errorWords() const { return m_errorWords; }
    void setErrorWords(const QStringList& words) { m_errorWords = words; }

    // Where "B1BD76091FF7.cmd" and its log are written, and what "$(app)"
    // names; both default to the program's folder.
    void setScriptFolder(const QString& folder) { m_scriptFolder = folder; }
    QString scriptFolder() const { return m_scriptFolder; }
    void setApplicationFolder(const QString& folder) { m_applicationFolder = folder; }
    // The command interpreter ("/bin/sh").
    void setShell(const QString& path);

    // The transfer settings of every download (tries, time-outs, the
    // authorities https servers are checked against).
    TransferSettings& downloaderSettings();

    // Shows the update information dialog modally; true for "&Update Now".
    // Without one, an update that needs the dialog is not made.
    void setInfoDialog(std::function<bool(const TclUpdateInfoText&)> dialog) {
        m_infoDialog = std::move(dialog);
    }
    // Ends the application once the user agreed to close it for an update
    // (default: leave the event loop at once, without the frame's close query).
    void setApplicationEnd(std::function<void()> end) { m_applicationEnd = std::move(end); }

    // Begins a check; nothing while one runs. A check asked for while the
    // previous one still winds down starts when it has.
    void StartCheck();
    // Ends the check: a running download stops and its resume state is
    // recorded; a running script is left to end and its outcome recorded.
    void StopCheck();
    bool isBusy() const { return m_busy; }

    // The two lists of the last check.
    const TclUpdateInfo& actualInfo() const { return m_actualInfo; }
    const TclUpdateInfo& updateInfo() const { return m_updateInfo; }

    static constexpr const char* kScriptFileName = "B1BD76091FF7.cmd";
    static constexpr const char* kLogFileName = "B1BD76091FF7.log";

signals:
    void OnGetUpdateInfo(TclUpdateInfo& actualInfo, TclUpdateInfo& updateInfo);
    void OnHasUpdate(const QString& newVersion, const QString& actualVersion, bool& canUpdate);
    void OnShowInfo(bool& canUpdate);
    void OnBeforeDownload(const QString& downloadUrl, const QString& downloadFile);
    void OnAfterDownload(const QString& downloadUrl, const QString& downloadFile);
    void OnRunUpdate(const QStringList& updateScript, bool needTerminate, bool& canRun,
                     QString& errors);
    void OnTerminating(bool& canTerminate);
    void OnDownloadProgress(int updateNo, qint64 downloaded, qint64 total);
    void OnError(const QString& error, int errorCode);
    void OnNoUpdatesFound();

private:
    enum class Phase { Idle, List, Entry };

    void fetchList();
    void downloadFinished(bool success);
    void listDownloaded(bool success);
    TclUpdateInfoText infoText() const;
    void downloadEntry();
    void entryDownloaded(bool success);
    void runUpdates();
    void runNext();
    void runEntry(int index);
    void scriptFinished();
    void completeRun(int index, const QString& errors);
    void finishRuns();
    bool writeRecord();
    bool refuseInsecure(const QString& url);
    void endCheck();

    QString m_productName;
    QString m_author;
    QString m_productUrl;
    QString m_email;
    QString m_updateUrl;
    QString m_updateDir = QStringLiteral("./");
    QString m_actualUpdateInfoFile = QStringLiteral("lastupdate.xml");
    TclVersionFormat m_versionFormat = TclVersionFormat::vfStandard;
    bool m_needShowInfo = true;
    QStringList m_errorWords{QStringLiteral("fatal"), QStringLiteral("failed"),
                             QStringLiteral("error")};
    QString m_userName;
    QString m_password;
    int m_port = 0;
    QString m_scriptFolder;
    QString m_applicationFolder;
    std::function<bool(const TclUpdateInfoText&)> m_infoDialog;
    std::function<void()> m_applicationEnd;

    UpdateDownloader* m_downloader;
    UpdateScriptRunner* m_runner;

    bool m_busy = false;
    bool m_stopRequested = false;
    bool m_startPending = false;
    bool m_downloading = false;  // the downloading phase: progress is reported
    bool m_terminateRequested = false;
    bool m_destroying = false;
    Phase m_phase = Phase::Idle;
    QString m_listFile;
    int m_index = 0;  // the entry being downloaded or run
    QString m_shownActualVersion;
    TclUpdateInfo m_actualInfo;
    TclUpdateInfo m_updateInfo;
};
