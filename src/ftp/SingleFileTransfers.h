#pragma once

#include <QObject>
#include <functional>

#include "RemoteTree.h"

class FtpStatusBar;
class Prompts;
class QProgressBar;
class RemoteSession;

// The foreground transfers over the session's own connection: "Save A File To
// Download ..", "Open A File To Upload .." (each may resume, asking through the
// "File Exists Dialog") and "Create Detailed FTP Files List". The progress bar
// on the "Transfers" page advances while one runs.
class SingleFileTransfers : public QObject {
    Q_OBJECT
public:
    struct Places {
        RemoteSession* session;
        FtpStatusBar* status;
        QProgressBar* progress;
    };
    SingleFileTransfers(const Places& places, Prompts& prompts, QWidget* dialogParent,
                        QObject* parent = nullptr);

    void setFileExistsAsker(std::function<FileExistsChoice(const QString&)> asker) {
        m_askFileExists = std::move(asker);
    }

    void btnDownloadClick();
    void btnUploadClick();
    void TBXFICreateListClick();

private:
    void onDataProceeded(qint64 bytes);
    void startProgress(qint64 total, qint64 done);
    void endProgress();

    Places m_places;
    Prompts& m_prompts;
    std::function<FileExistsChoice(const QString&)> m_askFileExists;
    bool m_foregroundTransfer = false;
    qint64 m_progressBytes = 0;
    int m_progressShift = 0;
};
