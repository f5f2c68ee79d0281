#include "QueueCommands.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTreeWidgetItem>
#include <QUrl>

#include "FtpPrompts.h"
#include "LocalFileName.h"
#include "LocalFoldersPage.h"
#include "Prompts.h"
#include "RemoteSession.h"
#include "RemoteTree.h"
#include "TransferQueue.h"

namespace {

bool isRootNode(const QTreeWidgetItem* node) {
    return node && !node->parent() && node->text(0) == "..";
}

}  // namespace

QueueCommands::QueueCommands(const Places& places, Prompts& prompts, QObject* parent)
    : QObject(parent), m_places(places), m_prompts(prompts) {
    m_openFolder = [](const QString& folder) {
        return QDesktopServices::openUrl(QUrl::fromLocalFile(folder));
    };
    connect(m_places.local, &LocalFoldersPage::nodeClicked, this, [this](const QString& path) {
        const QFileInfo node(path);
        m_downloadFolder = (node.isDir() ? path : node.path()) + "/FTP Downloads/";
    });
}

void QueueCommands::message(const QString& text) {
    m_prompts.message(Prompts::Kind::Plain, QString(), text);
}

void QueueCommands::DoAddToDownloads() {
    RemoteSession& session = *m_places.session;
    if (!session.client().isReady()) {
        return;
    }
    QTreeWidgetItem* node = session.selectedRemoteNode();
    if (!node || node->text(0).isEmpty()) {
        return;
    }
    const QString localPath = m_places.local->selectedPath();
    TransferQueue& queue = *m_places.queue;
    const QString folder =
        queueDownloadFolder(localPath, QFileInfo(localPath).isDir(),
                            isRemoteFolderText(node->text(0)) ? node->text(0) : QString(),
                            queue.downloader().settings().localFolder);
    runGuarded(m_prompts, [&] {
        // The session's files are fetched from its own site, whatever the
        // Site Properties fields show meanwhile.
        const FtpClient::Site& site = session.client().site();
        const auto add = [&](QTreeWidgetItem* file) {
            const QString url = queuedFileUrl(site.server, session.nodePath(file->parent()),
                                              RemoteSession::remoteText(file));
            queue.addDownload({url, QDir(folder).filePath(fileNameFromUrl(url)), site.userName,
                               site.password, site.port});
        };
        // ".." stands for the root folder, whose files are its children.
        if (!isRemoteFolderText(node->text(0)) && !isRootNode(node)) {
            add(node);
            message("The file " + node->text(0) + " was added to the Downloads");
            DoMResumeAll();
            return;
        }
        int count = 0;
        for (int i = 0; i < node->childCount(); ++i) {
            if (!isRemoteFolderText(node->child(i)->text(0))) {
                add(node->child(i));
                ++count;
            }
        }
        if (count > 0) {
            message(QString::number(count) + " files were added to the Downloads");
            DoMResumeAll();
        }
    });
}

QString QueueCommands::uploadFolder() const {
    RemoteSession& session = *m_places.session;
    QTreeWidgetItem* node = session.selectedRemoteNode();
    if (node && isRemoteFolderText(node->text(0))) {
        return session.nodePath(node);
    }
    return session.nodePath(node ? node->parent() : nullptr);
}

void QueueCommands::queueUpload(const QString& localFile, const QString& remoteFolder) {
    const FtpClient::Site& site = m_places.session->client().site();
    const QString url = queuedFileUrl(site.server, remoteFolder, QFileInfo(localFile).fileName());
    m_places.queue->addUpload({url, localFile, site.userName, site.password, site.port});
}

void QueueCommands::DoAddToUpload() {
    RemoteSession& session = *m_places.session;
    QTreeWidgetItem* node = session.selectedRemoteNode();
    if (!session.client().isReady() || !node || node->text(0).isEmpty()) {
        return;
    }
    runGuarded(m_prompts, [&] {
        const QString remoteFolder = uploadFolder();
        const QString localPath = m_places.local->selectedPath();
        const QFileInfo local(localPath);
        if (!localPath.isEmpty() && local.isDir()) {
            m_places.local->expandSelected();
            const QDir folder(localPath);
            int count = 0;
            for (const QString& name : folder.entryList(QDir::Files | QDir::Hidden, QDir::Name)) {
                queueUpload(folder.filePath(name), remoteFolder);
                ++count;
            }
            if (count > 0) {
                message(QString::number(count) + " files were added to the Uploads");
            }
        } else if (!localPath.isEmpty() && local.isFile()) {
            queueUpload(localPath, remoteFolder);
            message("The file " + local.fileName() + " was added to the Uploads");
        }
        DoMResumeAll();
    });
}

void QueueCommands::addDroppedFiles(const QStringList& paths) {
    if (!m_places.session->client().isReady()) {
        return;
    }
    runGuarded(m_prompts, [&] {
        const QString remoteFolder = uploadFolder();
        for (const QString& path : paths) {
            if (!QFileInfo(path).isFile()) {
                continue;
            }
            queueUpload(path, remoteFolder);
            message("The file " + path + " was added to the Uploads");
        }
    });
}

void QueueCommands::DoMResumeAll() {
    runGuarded(m_prompts, [this] { m_places.queue->startAll(); });
}

void QueueCommands::DoMStopAll() {
    m_places.queue->stopAll();
}

void QueueCommands::DoFindDownloadFolder() {
    const QString folder = m_downloadFolder.isEmpty()
                               ? QStandardPaths::writableLocation(QStandardPaths::DownloadLocation)
                               : m_downloadFolder;
    // A folder that is not there is a failure the desktop would report late.
    if (!QFileInfo(folder).isDir() || !m_openFolder(folder)) {
        message(
            "We fail to launch The file browser.\n\rYou should select the download folder "
            "first.");
    }
}

bool QueueCommands::mayClose() {
    TransferQueue& queue = *m_places.queue;
    if (!queue.isBusy()) {
        return true;
    }
    if (m_prompts.message(Prompts::Kind::Warning, "Warning",
                          "The file transferring is in progress. Do you wish to stop the process?",
                          Prompts::Ok | Prompts::Cancel) != Prompts::Ok) {
        return false;
    }
    queue.stopAndWait(15000);
    m_places.session->DoLogOut();
    return true;
}
