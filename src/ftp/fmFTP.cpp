#include "fmFTP.h"

#include <QAction>
#include <QCoreApplication>
#include <QDragEnterEvent>
#include <QFileInfo>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QProgressBar>
#include <QSplitter>
#include <QStatusBar>
#include <QTabBar>
#include <QTabWidget>
#include <QTextEdit>
#include <QThread>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QTreeView>
#include <QTreeWidget>
#include <QUrl>
#include <QVBoxLayout>
#include <numeric>

#include "AppError.h"
#include "ConnectionLogPanel.h"
#include "FavoriteSitesPage.h"
#include "FileInfoPage.h"
#include "FtpImages.h"
#include "FtpPrompts.h"
#include "FtpStatusBar.h"
#include "LocalFoldersPage.h"
#include "PreviewPages.h"
#include "Prompts.h"
#include "QueueCommands.h"
#include "QuickConnectBar.h"
#include "Registry.h"
#include "RemoteFilesList.h"
#include "RemoteSession.h"
#include "SingleFileTransfers.h"
#include "SitePropertiesPage.h"
#include "ToolHost.h"
#include "TransferOptionsPage.h"
#include "TransferQueue.h"
#include "TransferQueueStore.h"
#include "TransfersPage.h"

namespace {

constexpr int kEditorPage = 3;
constexpr int kBrowserPage = 4;

}  // namespace

TFTPfrm::TFTPfrm(ToolHost& host, QWidget* parent) : ToolWindow(host, ToolKind::FtpClient, parent) {
    LoadImageStrip(m_images, "Ftp.bmp");
    // As low as the frame's client area on a first run (824 x 543 frame), so the
    // maximized window needs no scrolling there.
    setMinimumSize(626, 440);
    setAcceptDrops(true);  // files from the desktop
    m_queue = std::make_unique<TransferQueue>(m_sortKey);
    m_status = std::make_unique<FtpStatusBar>(statusBar(), m_images);
    buildActions();
    buildToolBars();

    PCtrlSites = new QTabWidget;
    PCtrlSites->setObjectName("PCtrlSites");
    SiteProper = new SitePropertiesPage({btnLogin, btnLogout});
    LocalFolders = new LocalFoldersPage;
    FavSites = new FavoriteSitesPage(
        {SiteProper, PCtrlSites, m_favoritesMenu, TBXFavHeader, TBXRemoveFromFav, TBXExportFav},
        m_images, prompts(), [this] { return client().isConnected(); });
    PCtrlSites->addTab(SiteProper, "Site Properties");
    PCtrlSites->addTab(LocalFolders, "Local Folders");
    PCtrlSites->addTab(FavSites, "Favorite Sites");
    // All three tabs stay readable side by side.
    PCtrlSites->setMinimumWidth(PCtrlSites->tabBar()->sizeHint().width() + 8);
    connect(FavSites, &FavoriteSitesPage::logInRequested, this, &TFTPfrm::DoLogIn);
    connect(FavSites, &FavoriteSitesPage::logOutRequested, this, &TFTPfrm::DoLogOut);

    m_session = std::make_unique<RemoteSession>(
        RemoteSession::Places{SiteProper, m_quickBar, m_status.get(), &m_sortKey}, m_images,
        prompts());
    m_logPanel = new ConnectionLogPanel;
    m_rightPane = new QSplitter(Qt::Vertical);
    m_rightPane->addWidget(m_session->filesList());
    m_rightPane->addWidget(m_logPanel);
    m_rightPane->setSizes({300, 93});

    auto* panes = new QSplitter(Qt::Horizontal);
    panes->addWidget(PCtrlSites);
    panes->addWidget(m_session->remotePane());
    panes->addWidget(m_rightPane);
    panes->setStretchFactor(0, 0);
    panes->setStretchFactor(1, 1);
    panes->setStretchFactor(2, 2);
    panes->setSizes({300, 380, 420});
    auto* vertical = new QSplitter(Qt::Vertical);
    vertical->addWidget(panes);
    vertical->addWidget(buildBottomPages());
    vertical->setStretchFactor(0, 3);
    vertical->setStretchFactor(1, 1);
    setCentralWidget(vertical);

    m_singleTransfers = std::make_unique<SingleFileTransfers>(
        SingleFileTransfers::Places{m_session.get(), m_status.get(), tabTransfers->progressBar()},
        prompts(), this);
    m_session->setTransferCommands([this] { DoAddToDownloads(); }, [this] { btnDownloadClick(); });
    m_queueCommands = std::make_unique<QueueCommands>(
        QueueCommands::Places{m_queue.get(), m_session.get(), LocalFolders}, prompts());
    wireQueue();

    FtpClient& ftp = client();
    connect(&ftp, &FtpClient::replyTextRead, m_logPanel,
            [this](const QString& text) { m_logPanel->appendLine("Status: " + text.trimmed()); });
    connect(&ftp, &FtpClient::commandSent, m_logPanel,
            [this](const QString& text) { m_logPanel->appendLine("Command: " + text); });
    connect(m_session.get(), &RemoteSession::logInFinished, this, [this] {
        applyConnectionState();
        PCtrlSites->setCurrentWidget(LocalFolders);
    });
    connect(m_session.get(), &RemoteSession::loggedOut, this, [this] {
        applyConnectionState();
        PCtrlSites->setCurrentWidget(FavSites);
    });
    connect(m_session.get(), &RemoteSession::connectionLost, this, &TFTPfrm::applyConnectionState);

    for (QAbstractItemView* view : m_session->filesList()->views()) {
        view->viewport()->installEventFilter(this);
        view->installEventFilter(this);
    }
    m_session->tree()->viewport()->installEventFilter(this);
    m_session->tree()->installEventFilter(this);
    LocalFolders->tree()->viewport()->installEventFilter(this);
    tabTransfers->list()->viewport()->installEventFilter(this);

    applyConnectionState();
    m_status->setText("Ready");
}

TFTPfrm::~TFTPfrm() {
    // What did not finish waits for the next FTP window.
    const QList<SavedTransfer> unfinished = m_queue->unfinished();
    ignoringStoreFailures([&] { TransferQueueStore().append(unfinished); });
}

FtpClient& TFTPfrm::client() {
    return m_session->client();
}

void TFTPfrm::setFileExistsAsker(std::function<FileExistsChoice(const QString&)> asker) {
    m_singleTransfers->setFileExistsAsker(std::move(asker));
}

void TFTPfrm::setFolderOpener(std::function<bool(const QString&)> opener) {
    m_queueCommands->setFolderOpener(std::move(opener));
}

void TFTPfrm::setNameAsker(std::function<QString(const QString&, const QString&)> asker) {
    m_session->setNameAsker(std::move(asker));
}

// ------------------------------------------------------------------ layout

void TFTPfrm::buildActions() {
    auto make = [this](const char* name, const QString& caption, auto slot) {
        auto* action = new QAction(caption, this);
        action->setObjectName(name);
        connect(action, &QAction::triggered, this, slot);
        return action;
    };
    TBXConnect = make("TBXConnect", "Connect", &TFTPfrm::DoLogIn);
    TBXDisconnect = make("TBXDisconnect", "Disconnect", &TFTPfrm::DoLogOut);
    TBXFIanonymous =
        make("TBXFIanonymous", "Connect As Anonymous To FTP", &TFTPfrm::TBXFIanonymousClick);
    TBXUpload = make("TBXUpload", "Open A File To Upload ..", &TFTPfrm::btnUploadClick);
    TBXDownload = make("TBXDownload", "Save A File To Download ..", &TFTPfrm::btnDownloadClick);
    TBXFICreateList =
        make("TBXFICreateList", "Create Detailed FTP Files List", &TFTPfrm::TBXFICreateListClick);
    TBXOpenDownloadFolder =
        make("TBXOpenDownloadFolder", "Open Download Folder", &TFTPfrm::DoFindDownloadFolder);
    TBXExit = make("TBXExit", "Exit", [this] { close(); });

    auto check = [this](const char* name, const QString& caption, bool checked) {
        auto* action = new QAction(caption, this);
        action->setObjectName(name);
        action->setCheckable(true);
        action->setChecked(checked);
        connect(action, &QAction::triggered, this, [this, action] { toggleView(action); });
        return action;
    };
    TBXVShowQuick = check("TBXVShowQuick", "Show Quick Connect Toolbar", false);
    TBXVHideLog = check("TBXVHideLog", "Hide Log Window", true);
    TBXVHideStatus = check("TBXVHideStatus", "Hide The Status Bar", true);
    TBXVHideFiles = check("TBXVHideFiles", "Hide The Files List View", true);
    TBXVShowEditor = check("TBXVShowEditor", "Show The Editor", false);
    TBXVShowBrowser = check("TBXVShowBrowser", "Show The File Browser", false);

    TBXRefresh = make("TBXRefresh", "Refresh The Remote Site", &TFTPfrm::DoRefreshRemote);
    TBXRename = make("TBXRename", "Rename", &TFTPfrm::DoRenameRemote);
    TBXDelete = make("TBXDelete", "Delete", &TFTPfrm::DoDeleteRemote);
    TBXMakeDir = make("TBXMakeDir", "Make A New Folder", &TFTPfrm::btnMakeDirClick);
    TBXStopAll = make("TBXStopAll", "Stop All Transfers", &TFTPfrm::DoMStopAll);
    TBXResumeAll = make("TBXResumeAll", "Resume All Transfers", &TFTPfrm::DoMResumeAll);

    TBXAddToFav = make("TBXAddToFav", "Add To Favorites", &TFTPfrm::TBXAddToFavClick);
    TBXRemoveFromFav = make("TBXRemoveFromFav", "Remove From Favorites", &TFTPfrm::DoRemoveFromFav);
    TBXExportFav = make("TBXExportFav", "Export Favorites To A Text File", &TFTPfrm::DoExportFav);
    TBXClearText =
        make("TBXClearText", "Clear Site Manneger Text Boxes", &TFTPfrm::TBXClearTextClick);
    TBXFavHeader = new QAction("My Favorites FTP Sites:", this);
    TBXFavHeader->setObjectName("TBXFavHeader");
    TBXFavHeader->setEnabled(false);
    TBXFavHeader->setVisible(false);
    QFont bold = TBXFavHeader->font();
    bold.setBold(true);
    TBXFavHeader->setFont(bold);

    btnLogin = make("btnLogin", "Login", &TFTPfrm::DoLogIn);
    btnLogout = make("btnLogout", "Logout", &TFTPfrm::DoLogOut);
    TBXQConnect = make("TBXQConnect", "Connect", &TFTPfrm::TBXQConnectClick);
    TBXQuickToFav =
        make("TBXQuickToFav", "Add Quick Connect Site To Favorites", &TFTPfrm::TBXQuickToFavClick);

    const QIcon connected = ftpIcon(m_images, FtpImage::Connected);
    const QIcon disconnected = ftpIcon(m_images, FtpImage::Disconnected);
    TBXConnect->setIcon(connected);
    btnLogin->setIcon(connected);
    TBXDisconnect->setIcon(disconnected);
    btnLogout->setIcon(disconnected);
    TBXDownload->setIcon(ftpIcon(m_images, FtpImage::Download));
    TBXUpload->setIcon(ftpIcon(m_images, FtpImage::Upload));
    TBXAddToFav->setIcon(ftpIcon(m_images, FtpImage::Site));
}

void TFTPfrm::buildToolBars() {
    m_mainBar = new QToolBar("Main", this);
    m_mainBar->setObjectName("tbMain");
    m_mainBar->setMovable(false);
    m_mainBar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    auto addMenu = [this](const QString& caption, const QList<QAction*>& actions) {
        auto* menu = new QMenu(caption, this);
        for (QAction* action : actions) {
            if (action) {
                menu->addAction(action);
            } else {
                menu->addSeparator();
            }
        }
        auto* button = new QToolButton(m_mainBar);
        button->setText(caption);
        button->setMenu(menu);
        button->setPopupMode(QToolButton::InstantPopup);
        m_mainBar->addWidget(button);
        return menu;
    };
    addMenu("File", {TBXConnect, TBXDisconnect, TBXFIanonymous, nullptr, TBXUpload, TBXDownload,
                     nullptr, TBXFICreateList, TBXOpenDownloadFolder, nullptr, TBXExit});
    addMenu("View", {TBXVShowQuick, TBXVHideLog, TBXVHideStatus, TBXVHideFiles, nullptr,
                     TBXVShowEditor, TBXVShowBrowser});
    addMenu("Commands",
            {TBXRefresh, TBXRename, TBXDelete, TBXMakeDir, nullptr, TBXStopAll, TBXResumeAll});
    m_favoritesMenu = addMenu("Favorites", {TBXAddToFav, TBXRemoveFromFav, TBXExportFav,
                                            TBXClearText, nullptr, TBXFavHeader, nullptr});
    m_mainBar->addAction(btnLogin);
    m_mainBar->addAction(btnLogout);
    addToolBar(Qt::TopToolBarArea, m_mainBar);
    addToolBarBreak();

    m_quickBar = new QuickConnectBar(TBXQConnect, TBXQuickToFav, this);
    addToolBar(Qt::TopToolBarArea, m_quickBar);
    m_quickBar->hide();
}

QWidget* TFTPfrm::buildBottomPages() {
    m_bottomPages = new QTabWidget;
    m_bottomPages->setObjectName("pcBottom");
    m_bottomPages->setTabPosition(QTabWidget::South);
    tabTransfers = new TransfersPage(*m_queue, m_sortKey, m_images);
    tabDetails = new FileInfoPage(*m_queue);
    tabOptions = new TransferOptionsPage(*m_queue, prompts());
    m_previews = std::make_unique<PreviewPages>(*m_logPanel);
    m_bottomPages->addTab(tabTransfers, "Transfers");
    m_bottomPages->addTab(tabDetails, "File Info");
    m_bottomPages->addTab(tabOptions, "Options");
    m_bottomPages->addTab(m_previews->editorPage(), "Editor");
    m_bottomPages->addTab(m_previews->browserPage(), "File Browser");
    m_bottomPages->setTabVisible(kEditorPage, false);
    m_bottomPages->setTabVisible(kBrowserPage, false);
    return m_bottomPages;
}

void TFTPfrm::wireQueue() {
    // The pages always show the selected item: their fields change the item they show.
    connect(tabTransfers, &TransfersPage::selectionChanged, this,
            [this] { ShowItemDetails(selectedItem()); });
    connect(tabTransfers, &TransfersPage::detailsRequested, this, [this] {
        if (m_bottomPages->currentWidget() == tabDetails) {
            ShowItemDetails(selectedItem());
        } else {
            m_bottomPages->setCurrentWidget(tabDetails);  // shows the details as a page change
        }
    });
    connect(tabTransfers, &TransfersPage::startAllRequested, this, &TFTPfrm::DoMResumeAll);
    connect(tabTransfers, &TransfersPage::stopAllRequested, this, &TFTPfrm::DoMStopAll);
    connect(tabTransfers, &TransfersPage::logOutRequested, this, &TFTPfrm::DoLogOut);
    connect(m_bottomPages, &QTabWidget::currentChanged, this,
            [this] { ShowItemDetails(selectedItem()); });
    TransferQueue& queue = *m_queue;
    // Only the selected item's events refresh the pages, whose fields change it.
    connect(&queue, &TransferQueue::detailsChanged, this, [this](TclTransferItem* item) {
        if (item == selectedItem()) {
            ShowItemDetails(item);
        }
    });
    connect(&queue, &TransferQueue::busyChanged, this, &TFTPfrm::applyEnabling);
    for (TclMultiTransfer* engine : {static_cast<TclMultiTransfer*>(&queue.downloader()),
                                     static_cast<TclMultiTransfer*>(&queue.uploader())}) {
        connect(engine, &TclMultiTransfer::statusChanged, this, [this](TclTransferItem* item) {
            if (item == selectedItem()) {
                applyEnabling();
            }
        });
    }
    connect(&queue, &TransferQueue::itemRemoving, this, [this](TclTransferItem* item) {
        if (item == tabDetails->shownItem() || item == tabOptions->shownItem()) {
            tabDetails->clear();
            tabOptions->clearItemFields();
        }
    });
    connect(&queue, &TransferQueue::uploadCompleted, this, [this](TclTransferItem* item) {
        const TransferStatus status = item->status();
        if (status != TransferStatus::Done && status != TransferStatus::Warnings) {
            return;  // nothing new there; a failure is told by the item alone
        }
        // After the engine's event: listing waits for the server, and the
        // engine's worker waits for this handler.
        QTimer::singleShot(0, this, [this] {
            // The folder that received the file shows it.
            QTreeWidgetItem* node = m_session->selectedRemoteNode();
            if (!client().isReady() || !node) {
                return;
            }
            QTreeWidgetItem* folder = isRemoteFolderText(node->text(0)) ? node : node->parent();
            runGuarded(prompts(), [this, folder] { m_session->ListRemoteFolder(folder); });
        });
    });
}

TclTransferItem* TFTPfrm::selectedItem() const {
    return tabTransfers->selectedItem();
}

void TFTPfrm::ShowItemDetails(TclTransferItem* item) {
    tabDetails->clear();
    tabOptions->clearItemFields();
    if (item) {
        auto* download = m_queue->isUpload(item) ? nullptr : static_cast<TclDownLoadItem*>(item);
        QWidget* page = m_bottomPages->currentWidget();
        if (page == tabDetails) {
            tabDetails->showItem(item);
            m_bottomPages->setTabVisible(kEditorPage, download);
            m_bottomPages->setTabVisible(kBrowserPage, download);
        } else if (page == tabOptions) {
            tabOptions->showItem(item);
        } else if (page == m_previews->editorPage() && download) {
            m_previews->showPreview(download->previewText());
        } else if (page == m_previews->browserPage() && download) {
            m_previews->showFile(download->localFile());
        }
    }
    applyEnabling();
}

void TFTPfrm::applyEnabling() {
    TclTransferItem* item = selectedItem();
    tabDetails->enableFor(item);
    tabOptions->enableFor(item);
}

// ------------------------------------------------------------------- state

void TFTPfrm::showEvent(QShowEvent* event) {
    ToolWindow::showEvent(event);
    if (m_shownOnce) {
        return;
    }
    m_shownOnce = true;
    FavSites->showFirstTime();
    m_bottomPages->setCurrentWidget(tabTransfers);
    tabTransfers->restoreKeptTransfers();
    tabOptions->fillFromEngines();
    applyEnabling();
}

void TFTPfrm::closeEvent(QCloseEvent* event) {
    m_closingItself = true;
    ToolWindow::closeEvent(event);
    m_closingItself = false;
}

bool TFTPfrm::queryClose() {
    if (m_pendingClose != PendingClose::None) {
        return false;  // a stopped call is still unwinding; the close follows it
    }
    if (client().isBusy()) {
        // The window cannot go while a call waits inside one of its handlers.
        if (prompts().message(Prompts::Kind::Warning, "Warning",
                              "A command is still running on the server. Do you wish to stop it?",
                              Prompts::Ok | Prompts::Cancel) == Prompts::Ok) {
            closeAfterCall(!m_closingItself);
        }
        return false;
    }
    return m_queueCommands->mayClose();
}

void TFTPfrm::closeAfterCall(bool program) {
    m_pendingClose = program ? PendingClose::Program : PendingClose::Window;
    const int level = client().callLoopLevel();
    auto* poll = new QTimer(this);
    connect(poll, &QTimer::timeout, this, [this, poll, level] {
        // Run by an event loop no deeper than the call's: its handler has returned.
        if (client().isBusy() || QThread::currentThread()->loopLevel() > level) {
            return;
        }
        poll->deleteLater();
        const bool closeProgram = m_pendingClose == PendingClose::Program;
        m_pendingClose = PendingClose::None;
        if (!closeProgram) {
            close();
            return;
        }
        // The frame asks every window again; a hidden one (in the tray) ends
        // the program only when told to, as its own "Exit" does.
        QWidget* frame = window();
        const bool hidden = !frame->isVisible();
        if (frame->close() && hidden) {
            QCoreApplication::quit();
        }
    });
    poll->start(20);
    client().abort();
}

void TFTPfrm::applyConnectionState() {
    const bool connected = client().isConnected();
    QList<QAction*> actions{TBXRefresh, TBXUpload,  TBXDownload,  TBXRename,      TBXMakeDir,
                            TBXDelete,  TBXStopAll, TBXResumeAll, TBXFICreateList};
    actions += m_session->connectedActions();
    for (QAction* action : actions) {
        action->setEnabled(connected);
    }
    m_session->toolBar()->setEnabled(connected);
    btnLogout->setVisible(connected);
    TBXDisconnect->setVisible(connected);
    TBXQConnect->setVisible(!connected);
    btnLogin->setVisible(!connected);
    TBXConnect->setVisible(!connected);
    // The window keeps its kind caption (the frame saves it at exit); the
    // connection state shows in the status bar and the frame's caption.
    m_status->setText(connected ? "Ftp Clinet - Connected." : "Ftp Clinet - Disconnected.");
    m_status->setIcon(connected ? FtpImage::Connected : FtpImage::Disconnected);
    host().setFrameCaption(connected ? "FTP Client Connected To Server: " + client().server()
                                     : QString("FTP Client - Ready"));
}

void TFTPfrm::toggleView(QAction* action) {
    const bool on = action->isChecked();
    if (action == TBXVShowQuick) {
        m_quickBar->setVisible(on);
        action->setText(on ? "Hide Quick Connect Toolbar" : "Show Quick Connect Toolbar");
    } else if (action == TBXVHideLog) {
        m_logPanel->setVisible(on);
        action->setText(on ? "Hide The Log Window" : "Show The Log Window");
    } else if (action == TBXVHideStatus) {
        statusBar()->setVisible(on);
        action->setText(on ? "Hide The Status Bar" : "Show The Status Bar");
    } else if (action == TBXVHideFiles) {
        m_session->filesList()->setVisible(on);
        if (on) {
            // The log goes back to its place at the bottom, 93 px high.
            const QList<int> sizes = m_rightPane->sizes();
            const int total = std::accumulate(sizes.begin(), sizes.end(), 0);
            m_rightPane->setSizes({qMax(0, total - 93), 93});
        }
        action->setText(on ? "Hide The Files List Window" : "Show The Files List Window");
    } else if (action == TBXVShowEditor || action == TBXVShowBrowser) {
        const int index = action == TBXVShowEditor ? kEditorPage : kBrowserPage;
        m_bottomPages->setTabVisible(index, on);
        m_bottomPages->setCurrentIndex(on ? index : 0);
        if (action == TBXVShowEditor) {
            action->setText(on ? "Hide The Editor" : "Show The Editor");
        } else {
            action->setText(on ? "Hide The File Browser" : "Show The File Browser");
        }
    }
}

void TFTPfrm::handOffAddress(const QString& address) {
    TBXVShowQuick->setChecked(true);
    toggleView(TBXVShowQuick);
    m_quickBar->TBXedtServer->setText(address);
}

void TFTPfrm::openAddress(const QString& address) {
    const QUrl url(address);
    handOffAddress(url.host());
    const QString user = url.userName(QUrl::FullyDecoded);
    QString password = url.password(QUrl::FullyDecoded);
    m_quickBar->TBXedtUser->setText(user.isEmpty() ? QStringLiteral("anonymous") : user);
    m_quickBar->TBXedtPort->setText(QString::number(url.port(21)));
    if (!user.isEmpty() && user != QLatin1String("anonymous") && password.isEmpty() &&
        !prompts().passwordQuery(QStringLiteral("Corvanta : FTP Client"),
                                 QStringLiteral("Password of %1 at %2:").arg(user, url.host()),
                                 password)) {
        return;  // the bar stays filled for a Connect by hand
    }
    m_quickBar->TBXedtPassword->setText(password);
    TBXQConnectClick();
    m_session->showAddressPath(url.path(QUrl::FullyDecoded));
}

// ------------------------------------------------------------- gestures

bool TFTPfrm::eventFilter(QObject* watched, QEvent* event) {
    if (!m_session || !LocalFolders) {
        return ToolWindow::eventFilter(watched, event);  // still being built
    }
    if (filterRemoteKeys(watched, event) || filterDrags(watched, event)) {
        return true;
    }
    return ToolWindow::eventFilter(watched, event);
}

bool TFTPfrm::filterRemoteKeys(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress) {
        return false;
    }
    const QList<QAbstractItemView*> views = m_session->filesList()->views();
    if (watched != m_session->tree() && !views.contains(watched)) {
        return false;
    }
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_F2) {
        DoRenameRemote();
        return true;
    }
    if (key == Qt::Key_Delete) {
        DoDeleteRemote();
        return true;
    }
    return false;
}

bool TFTPfrm::filterDrags(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (type != QEvent::DragEnter && type != QEvent::DragMove && type != QEvent::Drop) {
        return false;
    }
    QTreeWidget* tree = m_session->tree();
    const bool remoteTree = watched == tree->viewport();
    bool filesList = false;
    bool fromFiles = false;
    auto* drop = static_cast<QDropEvent*>(event);
    for (QAbstractItemView* view : m_session->filesList()->views()) {
        filesList = filesList || watched == view->viewport();
        fromFiles = fromFiles || drop->source() == view;
    }
    const bool localTree = watched == LocalFolders->tree()->viewport();
    const bool transfersList = watched == tabTransfers->list()->viewport();
    if (!remoteTree && !filesList && !localTree && !transfersList) {
        return false;
    }
    if (!drop->source()) {
        return false;  // from the desktop: the window takes them (dropEvent)
    }
    const bool fromRemote = drop->source() == tree || fromFiles;
    const bool fromLocal = drop->source() == LocalFolders->tree();
    // Remote files dropped on the local tree or on the queue are downloads.
    const bool accepted =
        ((localTree || transfersList) && fromRemote) || ((remoteTree || filesList) && fromLocal);
    if (type != QEvent::Drop) {
        accepted ? drop->acceptProposedAction() : drop->ignore();
        return true;
    }
    if (localTree || transfersList) {
        DoAddToDownloads();
    } else {
        if (remoteTree) {
            if (QTreeWidgetItem* node = tree->itemAt(drop->position().toPoint())) {
                tree->setCurrentItem(node);
            }
        }
        DoAddToUpload();
    }
    drop->acceptProposedAction();
    return true;
}

void TFTPfrm::dragEnterEvent(QDragEnterEvent* event) {
    if (!event->source() && event->mimeData()->hasUrls()) {
        event->acceptProposedAction();
    }
}

void TFTPfrm::dropEvent(QDropEvent* event) {
    QStringList files;
    for (const QUrl& url : event->mimeData()->urls()) {
        if (url.isLocalFile()) {
            files << url.toLocalFile();
        }
    }
    event->acceptProposedAction();
    m_queueCommands->addDroppedFiles(files);
    update();
}

// ------------------------------------------------------- forwarded handlers

void TFTPfrm::DoLogIn() {
    m_session->DoLogIn();
}
void TFTPfrm::TBXQConnectClick() {
    m_session->TBXQConnectClick();
}
void TFTPfrm::TBXFIanonymousClick() {
    m_session->TBXFIanonymousClick();
}
void TFTPfrm::DoLogOut() {
    m_session->DoLogOut();
}
void TFTPfrm::DoOpenDir() {
    m_session->DoOpenDir();
}
void TFTPfrm::DoRefreshRemote() {
    m_session->DoRefreshRemote();
}
void TFTPfrm::btnMakeDirClick() {
    m_session->btnMakeDirClick();
}
void TFTPfrm::DoRenameRemote() {
    m_session->DoRenameRemote();
}
void TFTPfrm::DoDeleteRemote() {
    m_session->DoDeleteRemote();
}
void TFTPfrm::TBXRSortClick() {
    m_session->TBXRSortClick();
}
void TFTPfrm::btnDownloadClick() {
    m_singleTransfers->btnDownloadClick();
}
void TFTPfrm::btnUploadClick() {
    m_singleTransfers->btnUploadClick();
}
void TFTPfrm::TBXFICreateListClick() {
    m_singleTransfers->TBXFICreateListClick();
}
void TFTPfrm::RebuildFavorites() {
    FavSites->RebuildFavorites();
}
void TFTPfrm::FillSiteFields() {
    FavSites->FillSiteFields();
}
void TFTPfrm::TBXAddToFavClick() {
    FavSites->TBXAddToFavClick();
}
void TFTPfrm::TBXQuickToFavClick() {
    TFavoriteSite site = SiteProper->site();
    site.server = m_quickBar->TBXedtServer->text();
    site.user = m_quickBar->TBXedtUser->text();
    site.password = m_quickBar->TBXedtPassword->text();
    site.port = m_quickBar->TBXedtPort->text();
    FavSites->addSite(site);
}
void TFTPfrm::DoEditSite() {
    FavSites->DoEditSite();
}
void TFTPfrm::DoRemoveFromFav() {
    FavSites->DoRemoveFromFav();
}
void TFTPfrm::DoExportFav() {
    FavSites->DoExportFav();
}
void TFTPfrm::TBXClearTextClick() {
    SiteProper->clearText();
}
void TFTPfrm::DoExpandNode() {
    FavSites->DoExpandNode();
}
void TFTPfrm::DoFavNode(const QString& section) {
    FavSites->DoFavNode(section);
}
void TFTPfrm::TVFavDblClick() {
    FavSites->TVFavDblClick();
}

void TFTPfrm::DoAddToDownloads() {
    m_queueCommands->DoAddToDownloads();
}
void TFTPfrm::DoAddToUpload() {
    m_queueCommands->DoAddToUpload();
}
void TFTPfrm::DoMResumeAll() {
    m_queueCommands->DoMResumeAll();
}
void TFTPfrm::DoMStopAll() {
    m_queueCommands->DoMStopAll();
}
void TFTPfrm::DoFindDownloadFolder() {
    m_queueCommands->DoFindDownloadFolder();
}
