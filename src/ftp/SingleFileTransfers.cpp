#include "SingleFileTransfers.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProgressBar>
#include <QSaveFile>
#include <QScopeGuard>
#include <QTreeWidgetItem>
#include <limits>

#include "AppError.h"
#include "FtpPrompts.h"
#include "FtpStatusBar.h"
#include "Prompts.h"
#include "RemoteSession.h"
#include "fileDlg.h"

namespace {

void writeFile(const QString& path, const QByteArray& content) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        throw AppError("Cannot write " + path + ": " + file.errorString());
    }
    file.write(content);
    if (!file.commit()) {
        throw AppError("Cannot write " + path + ": " + file.errorString());
    }
}

}  // namespace

SingleFileTransfers::SingleFileTransfers(const Places& places, Prompts& prompts,
                                         QWidget* dialogParent, QObject* parent)
    : QObject(parent), m_places(places), m_prompts(prompts) {
    m_askFileExists = [dialogParent](const QString& name) {
        return TFileExistsDialog::ask(name, dialogParent);
    };
    connect(&m_places.session->client(), &FtpClient::dataProceeded, this,
            &SingleFileTransfers::onDataProceeded);
}

void SingleFileTransfers::onDataProceeded(qint64 bytes) {
    QProgressBar* progress = m_places.progress;
    if (!m_foregroundTransfer) {
        progress->hide();
        return;
    }
    progress->show();
    m_progressBytes += bytes;
    progress->setValue(int(qMin<qint64>(m_progressBytes >> m_progressShift, progress->maximum())));
}

void SingleFileTransfers::startProgress(qint64 total, qint64 done) {
    // Bytes while they fit the bar's int range, KiB beyond 2 GiB.
    m_progressShift = total > std::numeric_limits<int>::max() ? 10 : 0;
    m_progressBytes = done;
    m_places.progress->setRange(0, int(qMax<qint64>(0, total) >> m_progressShift));
    m_places.progress->setValue(int(qMax<qint64>(0, done) >> m_progressShift));
    m_foregroundTransfer = true;
}

void SingleFileTransfers::endProgress() {
    m_places.progress->hide();
    m_foregroundTransfer = false;
}

void SingleFileTransfers::btnDownloadClick() {
    RemoteSession& session = *m_places.session;
    QTreeWidgetItem* node = session.selectedRemoteNode();
    if (!session.client().isReady() || !node || node->text(0).isEmpty() ||
        isRemoteFolderText(node->text(0)) || !node->parent()) {
        return;
    }
    const QString name = RemoteSession::remoteText(node);
    const QString parentPath = session.nodePath(node->parent());
    // The "File Exists" question below is the only one about an existing file.
    const QString local = m_prompts.saveFileNameOwnOverwriteQuestion(
        "Save A File To Download ..", QDir::homePath() + "/" + node->text(0), "All files (*)");
    if (local.isEmpty()) {
        return;
    }
    QFile file(local);
    runGuarded(m_prompts, [&] {
        // The file closes and the bar goes whatever the transfer's outcome.
        const auto cleanup = qScopeGuard([&] {
            file.close();
            endProgress();
        });
        FtpClient& client = session.client();
        client.changeFolder(parentPath);
        const qint64 size = client.fileSize(name);
        qint64 offset = 0;
        if (file.exists()) {
            const FileExistsChoice choice = m_askFileExists(local);
            offset = downloadStartOffset(choice, file.size(), size);
            if (offset < 0) {
                return;
            }
        }
        const QIODevice::OpenMode mode =
            offset > 0 ? QIODevice::ReadWrite : QIODevice::WriteOnly | QIODevice::Truncate;
        if (!file.open(mode)) {
            throw AppError("Cannot open " + local + ": " + file.errorString());
        }
        startProgress(size, offset);
        client.retrieve(name, file, offset);
        m_places.status->setText("Done Transferring " + local);
    });
}

void SingleFileTransfers::btnUploadClick() {
    RemoteSession& session = *m_places.session;
    if (!session.client().isReady()) {
        return;
    }
    const QString local = m_prompts.openFileName(" Upload...", QDir::homePath(), "All files (*)");
    if (local.isEmpty()) {
        return;
    }
    QTreeWidgetItem* selected = session.selectedRemoteNode();
    QTreeWidgetItem* target = nullptr;
    if (selected) {
        const bool isRoot = selected->text(0) == ".." && !selected->parent();
        target = isRemoteFolderText(selected->text(0)) || isRoot ? selected : selected->parent();
    }
    QFile file(local);
    runGuarded(m_prompts, [&] {
        // The file closes and the bar goes whatever the transfer's outcome.
        const auto cleanup = qScopeGuard([&] {
            file.close();
            endProgress();
        });
        FtpClient& client = session.client();
        client.changeFolder(target ? session.nodePath(target) : session.root());
        if (!file.open(QIODevice::ReadOnly)) {
            throw AppError("Cannot open " + local + ": " + file.errorString());
        }
        const QString name = QFileInfo(local).fileName();
        qint64 offset = 0;
        if (client.fileExists(name)) {
            const FileExistsChoice choice = m_askFileExists(name);
            if (choice == FileExistsChoice::Cancel) {
                return;
            }
            if (choice == FileExistsChoice::Resume) {
                offset = uploadStartOffset(choice, client.fileSize(name), file.size());
            }
        }
        startProgress(file.size(), offset);
        client.store(name, file, offset);
        m_places.status->setText("Done Transferring " + name);
    });
    if (session.client().isReady()) {
        runGuarded(m_prompts, [&] { session.ListRemoteFolder(target); });
    }
}

void SingleFileTransfers::TBXFICreateListClick() {
    RemoteSession& session = *m_places.session;
    if (!session.client().isReady()) {
        return;
    }
    runGuarded(m_prompts, [this, &session] {
        const QList<QByteArray> lines = session.client().detailedList();
        const QString path = chooseExportFile(
            m_prompts, "FTP Client = Export FTP Files List",
            QDir::homePath() + "/" + session.client().site().server + "_Files_List.txt");
        if (path.isEmpty()) {
            return;
        }
        // The server's lines byte for byte: names in other encodings stay as sent.
        QByteArray text;
        for (const QByteArray& line : lines) {
            text += line + "\r\n";
        }
        writeFile(path, text);
    });
}
