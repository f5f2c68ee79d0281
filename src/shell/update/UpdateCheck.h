#pragma once

#include <QObject>
#include <QString>

#include "UpdateSignature.h"

class Prompts;
class QLabel;
class QWidget;
class TclWebUpdate;
class UpdateStatusBar;

// The frame's side of looking for a newer program: the web update component
// `clWebUpdate` with the frame's configuration and event handlers, the update
// status bar with Cancel and Resume, and the release check, which reports in
// the frame's release label.
//
// UI thread only.
class UpdateCheck : public QObject {
    Q_OBJECT
public:
    static constexpr const char* kProductName = "Corvanta :  Main Application Update";
    static constexpr int kRelease = 8;  // the release a release file is compared with

    // Release label texts, rows 1 to 5: at start, checking, fetch failed,
    // this release is the latest, a newer release exists.
    static QString releaseText(int row);

    // `statusBar` and `releaseLabel` belong to the frame; `dialogParent` owns
    // the update information dialog. Update lists must be signed with the
    // secret half of `trustedKey`.
    UpdateCheck(Prompts& prompts, UpdateStatusBar& statusBar, QLabel& releaseLabel,
                QWidget* dialogParent,
                const QByteArray& trustedKey = UpdateSignature::projectKey());
    ~UpdateCheck() override;

    TclWebUpdate& clWebUpdate() { return *m_webUpdate; }

    // The frame has been shown: the first no-updates outcome from now on is
    // silent.
    void frameShown() { m_quietNoUpdates = true; }
    bool quietNoUpdates() const { return m_quietNoUpdates; }

    void DoClUpdate();
    void DoCheck4Updates();
    void TBXCancelClick();
    void TBXResumeClick();
    void SetUpdateStatus(const QString& text);

    // "Update.config", the release file.
    static QString releaseFilePath();

private:
    void clWebUpdateDownloadProgress(int updateNo, qint64 downloaded, qint64 total);
    void clWebUpdateError(const QString& error);
    void clWebUpdateNoUpdatesFound();
    static QString updateServer();

    Prompts& m_prompts;
    UpdateStatusBar& m_statusBar;
    QLabel& m_releaseLabel;
    TclWebUpdate* m_webUpdate;
    bool m_quietNoUpdates = false;
};
