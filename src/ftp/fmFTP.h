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
    void DoFavNode(const QString& server);
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
    void configureClient(const QString& server, const QString& user, const QString& password,
                         const QString& port);
    void showStartFolder();
    void ListRemoteFolder(QTreeWidgetItem* node);
    void clearRemoteTree();
    void refillFilesList();
    QTreeWidgetItem* selectedRemoteNode() const;
    QString nodePath(QTreeWidgetItem* node) const;
    QTreeWidgetItem* containingFolder(QTreeWidgetItem* node) const;
    QIcon iconForEntry(const QString& text) const;
    void remoteContextMenu(QWidget* view, const QPoint& position, bool filesList);
    void onRemoteNodeClicked(QTreeWidgetItem* node);

    void fillFieldsFromFile();
    TFavoriteSite siteFromFields() const;
    QTreeWidgetItem* favoriteSiteNode(QTreeWidgetItem* node) const;
    void favoritesContextMenu(const QPoint& position);

    void appendLog(const QString& line);
    void onDataProceeded(qint64 bytes);
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
    QString m_exportFolder;

    // File menu
    QAction* TBXConnect;
    QAction* TBXDisconnect;
    QAction* TBXFIanonymous;
    QAction* TBXUpload;
    QAction* TBXDownload;
    QAction* TBXFICreateList;
    QAction* TBXOpenDownloadFolder;
    QAction* TBXExit;
    // View menu
    QAction* TBXVShowQuick;
    QAction* TBXVHideLog;
    QAction* TBXVHideStatus;
    QAction* TBXVHideFiles;
    QAction* TBXVShowEditor;
    QAction* TBXVShowBrowser;
    // Commands menu
    QAction* TBXRefresh;
    QAction* TBXRename;
    QAction* TBXDelete;
    QAction* TBXMakeDir;
    QAction* TBXStopAll;
    QAction* TBXResumeAll;
    // Favorites menu
    QMenu* m_favoritesMenu;
    QAction* TBXAddToFav;
    QAction* TBXRemoveFromFav;
    QAction* TBXExportFav;
    QAction* TBXClearText;
    QAction* TBXFavHeader;
    QList<QAction*> m_favoriteEntries;
    // Main toolbar buttons
    QAction* btnLogin;
    QAction* btnLogout;

    QToolBar* m_mainBar;
    QToolBar* m_quickBar;
    QLineEdit* TBXedtServer;
    QLineEdit* TBXedtUser;
    QLineEdit* TBXedtPassword;
    QLineEdit* TBXedtPort;
    QAction* TBXQConnect;
    QAction* TBXQuickToFav;

    QTabWidget* PCtrlSites;
    QWidget* SiteProper;
    QWidget* LocalFolders;
    QWidget* FavSites;
    QLineEdit* edtServer;
    QLineEdit* edtUser;
    QLineEdit* edtPassword;
    QLineEdit* edtDesc;
    QLineEdit* edtStartDir;
    QLineEdit* edtPort;
    QLineEdit* edtTimeO;
    QCheckBox* cbPassiveMode;
    QCheckBox* cbAsciiMode;
    QCheckBox* cbAnonymous;
    QComboBox* m_folderCombo;
    QFileSystemModel* m_localModel;
    QTreeView* ShellTree;
    QTreeWidget* TVFav;

    QToolBar* m_remoteBar;
    QAction* TBXRSort;
    QAction* TBXRRefresh;
    QAction* TBXViewIcons;
    QAction* TBXViewList;
    QAction* TBXViewDetails;
    QTreeWidget* tvList;

    QWidget* m_rightPane;
    QStackedWidget* m_filesStack;
    QStandardItemModel* m_filesModel;
    QTreeView* LVFiles;
    QListView* m_filesIconView;
    QWidget* m_logPanel;
    QLabel* m_logCaption;
    QCheckBox* cbColoredLog;
    QTextEdit* memLog;

    QTabWidget* m_bottomPages;
    QWidget* tabTransfers;
    QTreeWidget* LVTransfer;
    QProgressBar* m_progress;
    QWidget* tabDetails;
    QWidget* tabOptions;
    QWidget* TabEditor;
    QWidget* TabBrowser;

    QLabel* m_statusIcon;
    QLabel* m_statusText;
    QLabel* m_statusKind;
    QLineEdit* m_statusName;
};
