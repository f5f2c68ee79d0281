#pragma once

#include <functional>

#include "FavoriteSites.h"
#include "FtpClient.h"
#include "ImageStrip.h"
#include "RemoteTree.h"
#include "ToolWindow.h"

class QAction;
class QCheckBox;
class QComboBox;
class QFileSystemModel;
class QLabel;
class QLineEdit;
class QListView;
class QMenu;
class QProgressBar;
class QStackedWidget;
class QStandardItemModel;
class QTabWidget;
class QTextEdit;
class QToolBar;
class QTreeView;
class QTreeWidget;
class QTreeWidgetItem;
class QWidget;

// The FTP Client tool window: favorite sites, one FTP session with its remote
// tree and files list, the local folders, the connection log and the
// single-file transfers. The transfer queue's pages have their places here.
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
    void setFileExistsAsker(std::function<FileExistsChoice(const QString&)> asker) {
        m_askFileExists = std::move(asker);
    }
    void setNameAsker(std::function<QString(const QString&, const QString&)> asker) {
        m_askName = std::move(asker);
    }

    FtpClient& client() { return m_client; }
    bool queryClose() override;

    // Images of the window's strip (Ftp.bmp).
    enum Image {
        ImageSite,
        ImageDetail,
        ImageOn,
        ImageOff,
        ImageFile,
        ImageFolder,
        ImageFolderOpen,
        ImageWebPage,
        ImageArchive,
        ImagePicture,
        ImageSound,
        ImageText,
        ImageXml,
        ImageConnected,
        ImageDisconnected,
        ImageError,
        ImageDownload,
        ImageUpload,
    };

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
    // The queue's add operations; the drag gestures already call them.
    void DoAddToDownloads();
    void DoAddToUpload();

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildActions();
    void buildToolBars();
    QWidget* buildSitePages();
    QWidget* buildRemotePane();
    QWidget* buildRightPane();
    QWidget* buildBottomPages();
    void buildStatusBar();
    void wireClient();

    // Runs a handler body: an AppError ends it and is shown in the error box.
    void guarded(const std::function<void()>& work);
    void helpMessage(const QString& text, int milliseconds);
    QIcon image(Image index) const { return m_images.icon(index); }

    void applyConnectionState();
    void finishLogIn();
    void logInWith(const std::function<void()>& steps);
    void configureClient(const QString& server, const QString& user, const QString& password,
                         const QString& port);
    // Starts the session's browsing at `root` (listed when it begins with "/").
    void showStartFolder(const QString& root);
    void ListRemoteFolder(QTreeWidgetItem* node);
    void clearRemoteTree();
    // True while `node` is an item of the remote tree. Server waits and dialogs
    // run the event loop, and a dropped connection clears the tree meanwhile,
    // so an item taken before them is checked (by address only) after them.
    bool treeHolds(const QTreeWidgetItem* node) const;
    void refillFilesList();
    QTreeWidgetItem* selectedRemoteNode() const;
    QString nodePath(QTreeWidgetItem* node) const;
    // A node's text as the server named it (the tree shows it printable).
    QString remoteText(const QTreeWidgetItem* node) const;
    QTreeWidgetItem* containingFolder(QTreeWidgetItem* node) const;
    QIcon iconForEntry(const QString& text) const;
    void remoteContextMenu(QWidget* view, const QPoint& position, bool filesList);
    void onRemoteNodeClicked(QTreeWidgetItem* node);

    void fillFieldsFromFile();
    void setStartFolderField(const QString& folder);
    TFavoriteSite siteFromFields() const;
    QTreeWidgetItem* favoriteSiteNode(QTreeWidgetItem* node) const;
    void favoritesContextMenu(const QPoint& position);

    void appendLog(const QString& line);
    void onDataProceeded(qint64 bytes);
    void startProgress(qint64 total, qint64 done);
    void toggleView(QAction* action);
    void setFilesViewMode(int mode);

    FavoritesFile m_favorites;
    FtpClient m_client;
    ImageList m_images{16};
    std::function<FileExistsChoice(const QString&)> m_askFileExists;
    std::function<QString(const QString&, const QString&)> m_askName;
    bool m_shownOnce = false;
    bool m_destroying = false;
    bool m_closeWhenIdle = false;
    bool m_foregroundTransfer = false;
    qint64 m_progressBytes = 0;
    int m_progressShift = 0;
    QString m_exportFolder;
    // The session's current root: what ".." stands for and every remote path
    // starts from. The "Web Site Start Folder:" field shows it while
    // connected but is never read back, since favorites refill that field.
    QString m_root;
    // The favorites section whose site the Site Properties fields were last
    // filled from; they are filled again only when another site is selected.
    QString m_filledSection;

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
    QList<QAction*> m_favoriteEntries;
    // Main toolbar buttons
    QAction* btnLogin = nullptr;
    QAction* btnLogout = nullptr;

    QToolBar* m_mainBar = nullptr;
    QToolBar* m_quickBar = nullptr;
    QLineEdit* TBXedtServer = nullptr;
    QLineEdit* TBXedtUser = nullptr;
    QLineEdit* TBXedtPassword = nullptr;
    QLineEdit* TBXedtPort = nullptr;
    QAction* TBXQConnect = nullptr;
    QAction* TBXQuickToFav = nullptr;

    QTabWidget* PCtrlSites = nullptr;
    QWidget* SiteProper = nullptr;
    QWidget* LocalFolders = nullptr;
    QWidget* FavSites = nullptr;
    QLineEdit* edtServer = nullptr;
    QLineEdit* edtUser = nullptr;
    QLineEdit* edtPassword = nullptr;
    QLineEdit* edtDesc = nullptr;
    QLineEdit* edtStartDir = nullptr;
    QLineEdit* edtPort = nullptr;
    QLineEdit* edtTimeO = nullptr;
    QCheckBox* cbPassiveMode = nullptr;
    QCheckBox* cbAsciiMode = nullptr;
    QCheckBox* cbAnonymous = nullptr;
    QComboBox* m_folderCombo = nullptr;
    QFileSystemModel* m_localModel = nullptr;
    QTreeView* ShellTree = nullptr;
    QTreeWidget* TVFav = nullptr;

    QToolBar* m_remoteBar = nullptr;
    QAction* TBXRSort = nullptr;
    QAction* TBXRRefresh = nullptr;
    QAction* TBXViewIcons = nullptr;
    QAction* TBXViewList = nullptr;
    QAction* TBXViewDetails = nullptr;
    QTreeWidget* tvList = nullptr;

    QWidget* m_rightPane = nullptr;
    QStackedWidget* m_filesStack = nullptr;
    QStandardItemModel* m_filesModel = nullptr;
    QTreeView* LVFiles = nullptr;
    QListView* m_filesIconView = nullptr;
    QWidget* m_logPanel = nullptr;
    QLabel* m_logCaption = nullptr;
    QCheckBox* cbColoredLog = nullptr;
    QTextEdit* memLog = nullptr;

    QTabWidget* m_bottomPages = nullptr;
    QWidget* tabTransfers = nullptr;
    QTreeWidget* LVTransfer = nullptr;
    QProgressBar* m_progress = nullptr;
    QWidget* tabDetails = nullptr;
    QWidget* tabOptions = nullptr;
    QWidget* TabEditor = nullptr;
    QWidget* TabBrowser = nullptr;

    QLabel* m_statusIcon = nullptr;
    QLabel* m_statusText = nullptr;
    QLabel* m_statusKind = nullptr;
    QLineEdit* m_statusName = nullptr;
};
