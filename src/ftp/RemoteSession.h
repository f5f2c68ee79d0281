#pragma once

#include <QObject>
#include <functional>

#include "FtpClient.h"
#include "ImageStrip.h"

class FtpStatusBar;
class ListSortKey;
class Prompts;
class QAction;
class QToolBar;
class QTreeWidget;
class QTreeWidgetItem;
class QWidget;
class QuickConnectBar;
class RemoteFilesList;
class SitePropertiesPage;

// The FTP session of one window: log-in (from the site fields, quick connect
// or as anonymous user) and log-out, the remote tree (`tvList`) with its
// toolbar, the remote files list, and the remote commands (open, one level up,
// refresh, make folder, rename, delete). UI thread only.
class RemoteSession : public QObject {
    Q_OBJECT
public:
    struct Places {
        SitePropertiesPage* site;
        QuickConnectBar* quick;
        FtpStatusBar* status;
        ListSortKey* sortKey;  // shared by the window's lists
    };
    RemoteSession(const Places& places, const ImageList& images, Prompts& prompts,
                  QObject* parent = nullptr);
    ~RemoteSession() override;

    FtpClient& client() { return m_client; }
    // The remote pane (toolbar and tree) and the files list, for the window's layout.
    QWidget* remotePane() const { return m_pane; }
    RemoteFilesList* filesList() const { return m_files; }
    QTreeWidget* tree() const { return tvList; }
    // Enabled only while connected.
    QList<QAction*> connectedActions() const;
    QToolBar* toolBar() const { return m_remoteBar; }

    // The name prompt of make folder and rename, replaceable for tests.
    void setNameAsker(std::function<QString(const QString&, const QString&)> asker) {
        m_askName = std::move(asker);
    }
    // The queue's and the single-file transfer's items of the context menus.
    void setTransferCommands(std::function<void()> addToDownloads, std::function<void()> saveAs);

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
    // The path of an ftp:// address once logged in: a folder is listed as the
    // root, a file is selected in its listed folder; empty or "/" keeps the
    // folder the server logged in to.
    void showAddressPath(QString path);
    // ListRemoteFolder: lists `node`'s folder into it (no node: the root).
    void ListRemoteFolder(QTreeWidgetItem* node);

    // The current root: what ".." stands for and every remote path starts from.
    QString root() const { return m_root; }
    QTreeWidgetItem* selectedRemoteNode() const;
    // The remote path of a node (the root for ".." or none).
    QString nodePath(QTreeWidgetItem* node) const;
    // A node's text as the server named it (the tree shows it printable).
    static QString remoteText(const QTreeWidgetItem* node);
    // True while `node` is an item of the remote tree. Server waits and
    // dialogs run the event loop, and a dropped connection clears the tree
    // meanwhile, so an item taken before them is checked (by address only)
    // after them.
    bool treeHolds(const QTreeWidgetItem* node) const;

signals:
    // A log-in attempt ended (failed or not) or the connection was lost: the
    // window's state follows the connection.
    void logInFinished();
    void loggedOut();
    void connectionLost();

private:
    QWidget* buildPane();
    void wireClient();
    void logInWith(const std::function<void()>& steps);
    void configureClient(const QString& server, const QString& user, const QString& password,
                         const QString& port);
    // Starts the session's browsing at `root` (listed when it begins with "/").
    void showStartFolder(const QString& root);
    void clearRemoteTree();
    void refillFilesList();
    QIcon iconForEntry(const QString& text) const;
    void contextMenu(QWidget* view, const QPoint& position, bool filesList);
    void onNodeClicked(QTreeWidgetItem* node);

    Places m_places;
    const ImageList& m_images;
    Prompts& m_prompts;
    FtpClient m_client;
    std::function<QString(const QString&, const QString&)> m_askName;
    std::function<void()> m_addToDownloads;
    std::function<void()> m_saveAs;
    bool m_destroying = false;
    QString m_root;

    QWidget* m_pane = nullptr;
    QToolBar* m_remoteBar = nullptr;
    QAction* TBXRSort = nullptr;
    QAction* TBXRRefresh = nullptr;
    QAction* TBXViewIcons = nullptr;
    QAction* TBXViewList = nullptr;
    QAction* TBXViewDetails = nullptr;
    QTreeWidget* tvList = nullptr;
    RemoteFilesList* m_files = nullptr;
};
