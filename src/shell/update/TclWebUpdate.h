#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>

#include "TclUpdateInfo.h"
#include "UpdateRules.h"
#include "UpdateSignature.h"

class UpdateDownloader;
class UpdateScriptRunner;
struct TransferSettings;

// What the update information dialog shows.
struct TclUpdateInfoText {
    QString sentence;  // "The system detected that you are using version ..."
    QString author;
    QString productName;
    QString email;
    QStringList updates;   // "Version: %s, Size: %s, URL: %s" per entry of the list
    QStringList commands;  // per update to be made: its version, then its commands
};

// Keeps the program up to date from the maker's server: fetches the update
// list and its signature, compares the list with the local record of known
// updates, asks the user (showing the commands that will run), downloads each
// new update file (resuming interrupted ones), checks it against the SHA-256
// digest the list names, runs its script through the command interpreter and
// records every outcome, so an interruption at any point leaves a record the
// next check continues from.
//
// What the server sends is run, so nothing is taken on the word of the
// connection alone: the list must carry a valid Ed25519 signature made with
// the secret half of the trusted key, every entry must name the digest of its
// file, the file is checked when it arrives and again just before its script
// runs, and the fields only the local record may carry are ignored in the
// list. Only https addresses are fetched. Scripts run only when the user (or
// the host, when no dialog is wanted) agreed. An update that must be made
// while the program is closed is refused: nothing here could run it then or
// tell whether it worked.
//
// Owner thread only; every event is emitted on it. Parameters passed by
// non-const reference may be changed by a handler (connect directly).
class TclWebUpdate : public QObject {
    Q_OBJECT
public:
    // Lists are trusted when signed with the secret half of `trustedKey` (32
    // raw Ed25519 bytes); the program passes none and so trusts only the key
    // it was built with.
    explicit TclWebUpdate(QObject* parent = nullptr,
                          const QByteArray& trustedKey = UpdateSignature::projectKey());
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
    // Update lists are a few kilobytes; a larger answer is not one.
    static constexpr qint64 kMaximumListSize = 4 * 1024 * 1024;

signals:
    void OnGetUpdateInfo(TclUpdateInfo& actualInfo, TclUpdateInfo& updateInfo);
    void OnHasUpdate(const QString& newVersion, const QString& actualVersion, bool& canUpdate);
    void OnShowInfo(bool& canUpdate);
    void OnBeforeDownload(const QString& downloadUrl, const QString& downloadFile);
    void OnAfterDownload(const QString& downloadUrl, const QString& downloadFile);
    void OnRunUpdate(const QStringList& updateScript, bool needTerminate, bool& canRun,
                     QString& errors);
    void OnDownloadProgress(int updateNo, qint64 downloaded, qint64 total);
    void OnError(const QString& error, int errorCode);
    void OnNoUpdatesFound();

private:
    enum class Phase { Idle, List, Signature, Entry };

    void fetchList();
    void downloadFinished(bool success);
    void listDownloaded(bool success);
    void signatureDownloaded(bool success);
    void refuseList(const QString& reason);
    void compareWithRecord();
    bool checkedBeforeRun(TclUpdateInfoItem& entry);
    TclUpdateInfoText infoText() const;
    void downloadEntry();
    void entryDownloaded(bool success);
    void runUpdates();
    void runNext();
    void runEntry(int index);
    void scriptFinished(int status);
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
    const QByteArray m_trustedKey;

    UpdateDownloader* m_downloader;
    UpdateScriptRunner* m_runner;

    bool m_busy = false;
    bool m_stopRequested = false;
    bool m_startPending = false;
    bool m_downloading = false;  // the downloading phase: progress is reported
    bool m_destroying = false;
    Phase m_phase = Phase::Idle;
    QString m_listFile;
    QString m_signatureError;  // why the signature could not be fetched
    int m_index = 0;           // the entry being downloaded or run
    QString m_shownActualVersion;
    TclUpdateInfo m_actualInfo;
    TclUpdateInfo m_updateInfo;
};
