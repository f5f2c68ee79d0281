#pragma once

#include <QObject>
#include <QStringList>
#include <functional>

class LocalFoldersPage;
class Prompts;
class RemoteSession;
class TransferQueue;

// The window's commands that feed and drive the transfer queue: add the
// selected remote files to the downloads and the selected local files to the
// uploads (also by dragging between the trees and from the desktop), start
// and stop all, and open the download folder.
class QueueCommands : public QObject {
    Q_OBJECT
public:
    struct Places {
        TransferQueue* queue;
        RemoteSession* session;
        LocalFoldersPage* local;
    };
    QueueCommands(const Places& places, Prompts& prompts, QObject* parent = nullptr);

    // Opens a folder in the desktop's file manager; replaceable for tests.
    void setFolderOpener(std::function<bool(const QString&)> opener) {
        m_openFolder = std::move(opener);
    }
    QString downloadFolder() const { return m_downloadFolder; }

    void DoAddToDownloads();
    void DoAddToUpload();
    // Files dropped from the desktop: queued as uploads to the selected remote
    // folder, not started.
    void addDroppedFiles(const QStringList& paths);
    void DoMResumeAll();
    void DoMStopAll();
    void DoFindDownloadFolder();
    // The close query's part: false when transfers run and the user keeps them.
    bool mayClose();

private:
    // The remote folder uploads go to: the selected folder node's path, a
    // selected file's folder, or the root.
    QString uploadFolder() const;
    void queueUpload(const QString& localFile, const QString& remoteFolder);
    void message(const QString& text);

    Places m_places;
    Prompts& m_prompts;
    std::function<bool(const QString&)> m_openFolder;
    QString m_downloadFolder;
};
