#pragma once

#include <functional>
#include <memory>

#include "ImageStrip.h"
#include "ListSortKey.h"
#include "RemoteTree.h"
#include "ToolWindow.h"

class ConnectionLogPanel;
class FavoriteSitesPage;
class FileInfoPage;
class FtpClient;
class FtpStatusBar;
class LocalFoldersPage;
class PreviewPages;
class QAction;
class QMenu;
class QProgressBar;
class QSplitter;
class QTabWidget;
class QToolBar;
class QTreeView;
class QWidget;
class QueueCommands;
class QuickConnectBar;
class RemoteSession;
class SingleFileTransfers;
class SitePropertiesPage;
class TclTransferItem;
class TransferOptionsPage;
class TransferQueue;
class TransfersPage;

// The FTP Client tool window. It holds the menus, the toolbars and the status
// bar and wires its pages: the site pages (Site Properties, Local Folders,
// Favorite Sites), the session with its remote tree and files list, the
// connection log, and the bottom pages (Transfers, File Info, Options, Editor,
// File Browser) over the transfer queue. The queue's unfinished items are kept
// when the window goes and come back, stopped, in the next FTP window.
class TFTPfrm : public ToolWindow {
    Q_OBJECT
public:
    explicit TFTPfrm(ToolHost& host, QWidget* parent = nullptr);
    ~TFTPfrm() override;

    // Address hand-off: shows the quick-connect bar and fills its server box.
    void handOffAddress(const QString& address);
    // An ftp:// address (from the command line): entered in the quick-connect
    // bar as the hand-off enters it, with its user (anonymous when it names
    // none), password (asked for when it names a user but no password) and
    // port; logged in; then its path is shown: a folder listed as the root,
    // a file selected in its listed folder.
    void openAddress(const QString& address);

    // The two dialogs of this window, replaceable so that a test can answer
    // them: the "File Exists Dialog" and the name prompt.
    void setFileExistsAsker(std::function<FileExistsChoice(const QString&)> asker);
    void setNameAsker(std::function<QString(const QString&, const QString&)> asker);

    FtpClient& client();
    TransferQueue& queue() { return *m_queue; }
    // "Open Download Folder" opens folders through this; replaceable for tests.
    void setFolderOpener(std::function<bool(const QString&)> opener);
    bool queryClose() override;

public slots:
    // Session (log-in, log-out, remote commands).
    void DoLogIn();
    void TBXQConnectClick();
    void TBXFIanonymousClick();
    void DoLogOut();
    void DoOpenDir();
    void DoRefreshRemote();
    void btnMakeDirClick();
    void DoRenameRemote();
    void DoDeleteRemote();
    void TBXRSortClick();
    // Single-file transfers and the listing export.
    void btnDownloadClick();
    void btnUploadClick();
    void TBXFICreateListClick();
    // Favorites.
    void RebuildFavorites();
    void FillSiteFields();
    void TBXAddToFavClick();
    void TBXQuickToFavClick();
    void DoEditSite();
    void DoRemoveFromFav();
    void DoExportFav();
    void TBXClearTextClick();
    void DoExpandNode();
    // A site entry of the Favorites menu: connects to the site of `section`.
    void DoFavNode(const QString& section);
    void TVFavDblClick();
    // The transfer queue.
    void DoAddToDownloads();
    void DoAddToUpload();
    void DoMResumeAll();
    void DoMStopAll();
    void DoFindDownloadFolder();
    // ShowItemDetails: the File Info, Options, Editor and File Browser pages
    // for `item` (none: emptied), then the enabling rule.
    void ShowItemDetails(TclTransferItem* item);

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void buildActions();
    void buildToolBars();
    QWidget* buildBottomPages();
    void applyConnectionState();
    void toggleView(QAction* action);
    bool filterRemoteKeys(QObject* watched, QEvent* event);
    bool filterDrags(QObject* watched, QEvent* event);
    void wireQueue();
    void applyEnabling();
    TclTransferItem* selectedItem() const;
    // Stops the running call and closes the window, or the program's frame,
    // once the call's handler has returned.
    void closeAfterCall(bool program);

    ImageList m_images{16};
    ListSortKey m_sortKey;  // shared by the files list and the transfers list
    std::unique_ptr<FtpStatusBar> m_status;
    bool m_shownOnce = false;
    bool m_closingItself = false;  // a close of this window, not of the program
    enum class PendingClose { None, Window, Program };
    PendingClose m_pendingClose = PendingClose::None;

    // File menu
    QAction* TBXConnect = nullptr;
    QAction* TBXDisconnect = nullptr;
    QAction* TBXFIanonymous = nullptr;
    QAction* TBXUpload = nullptr;
    QAction* TBXDownload = nullptr;
    QAction* TBXFICreateList = nullptr;
    QAction* TBXOpenDownloadFolder = nullptr;
    QAction* TBXExit = nullptr;
    // View menu
    QAction* TBXVShowQuick = nullptr;
    QAction* TBXVHideLog = nullptr;
    QAction* TBXVHideStatus = nullptr;
    QAction* TBXVHideFiles = nullptr;
    QAction* TBXVShowEditor = nullptr;
    QAction* TBXVShowBrowser = nullptr;
    // Commands menu
    QAction* TBXRefresh = nullptr;
    QAction* TBXRename = nullptr;
    QAction* TBXDelete = nullptr;
    QAction* TBXMakeDir = nullptr;
    QAction* TBXStopAll = nullptr;
    QAction* TBXResumeAll = nullptr;
    // Favorites menu
    QMenu* m_favoritesMenu = nullptr;
    QAction* TBXAddToFav = nullptr;
    QAction* TBXRemoveFromFav = nullptr;
    QAction* TBXExportFav = nullptr;
    QAction* TBXClearText = nullptr;
    QAction* TBXFavHeader = nullptr;
    // Main toolbar buttons and quick connect
    QAction* btnLogin = nullptr;
    QAction* btnLogout = nullptr;
    QAction* TBXQConnect = nullptr;
    QAction* TBXQuickToFav = nullptr;

    QToolBar* m_mainBar = nullptr;
    QuickConnectBar* m_quickBar = nullptr;
    QTabWidget* PCtrlSites = nullptr;
    SitePropertiesPage* SiteProper = nullptr;
    LocalFoldersPage* LocalFolders = nullptr;
    FavoriteSitesPage* FavSites = nullptr;
    QSplitter* m_rightPane = nullptr;
    ConnectionLogPanel* m_logPanel = nullptr;
    QTabWidget* m_bottomPages = nullptr;
    TransfersPage* tabTransfers = nullptr;
    FileInfoPage* tabDetails = nullptr;
    TransferOptionsPage* tabOptions = nullptr;

    // Destroyed before the widgets they use; the queue last, after what
    // listens to it.
    std::unique_ptr<TransferQueue> m_queue;
    std::unique_ptr<RemoteSession> m_session;
    std::unique_ptr<QueueCommands> m_queueCommands;
    std::unique_ptr<SingleFileTransfers> m_singleTransfers;
    std::unique_ptr<PreviewPages> m_previews;
};
