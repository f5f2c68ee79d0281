#pragma once

#include <QNetworkCookie>
#include <QUrl>
#include <QWidget>
#include <functional>
#include <memory>

#include "BrowserSettings.h"

class BrowserHost;
class HistoryStore;
class ImageList;
class Prompts;
class QAction;
class QModelIndex;
class QStandardItem;
class QStandardItemModel;
class QToolBar;
class QTreeView;
class ToolHost;

// The browser window's side panel (PnlFav): one tree (ShellTVF) that shows
// the Favorites folder, the history of visits or the engine's cookies, with
// the favorites toolbar or the history-and-cookies toolbar above it. It also
// records every finished page load of its window's browser in the history.
//
// The window places the view items on its accessories toolbar, the linked
// items and "View Cookie" in its "View" menu, and stores the linked items'
// states. UI thread only.
class SidePanel : public QWidget {
    Q_OBJECT
public:
    enum class View { None, Favorites, History, Cookies };

    SidePanel(ToolHost& host, BrowserHost& browser, const ImageList& images,
              QWidget* parent = nullptr);
    ~SidePanel() override;

    // "View Favorites", "View History", "View Cookies" (accessories toolbar).
    QList<QAction*> viewItems() const;
    // "Show Favorites Toolbar", "Show The History Toolbar", "Show The Cookies
    // Toolbar" ("View" menu).
    QList<QAction*> linkedItems() const;
    QAction* viewCookieItem() const { return TBXCookie; }

    // Start-up: each linked item takes its stored state and, when set, runs
    // its view item. At destruction the window stores the states again.
    void restore(const BrowserSettings& settings);
    void store(BrowserSettings& settings) const;

    View view() const;
    QString root() const { return SidePanelRoot; }
    QTreeView* tree() const { return ShellTVF; }
    QStandardItemModel* model() const { return m_model; }
    QWidget* favoritesToolbar() const { return TBXFavTB; }
    QWidget* cookiesToolbar() const { return TBXTBCookies; }
    QSize sizeHint() const override;

    // Commands, named after their items.
    void TBXFavoritesClick(bool checked);
    void TBXHistClick(bool checked);
    void TBXCookiesClick(bool checked);
    void DoAddToFav();
    void TBXEditFavClick();
    void TBXFavImpClick();
    void TBXExportFavClick();
    void TBXMozillaClick();
    void TBXHelpClick();
    void TBXHAddToFavClick();
    void TBXDelCookieClick();
    void TBXCookieClick();
    void ShellTVFDblClick(const QModelIndex& index);

signals:
    // A history entry was opened in a new window.
    void historyEntryOpened(const QString& address);

private:
    QAction* makeItem(const char* name, const QString& caption, int image, bool checkable = false);
    QWidget* makeToolbar(const char* name, const QString& caption, QToolBar** bar,
                         const std::function<void()>& onClose);
    void buildItems();
    void buildLayout();

    // The tree's content.
    QStandardItem* addNode(QStandardItem* parent, const QString& text, const QString& path,
                           bool folder);
    void showFavorites();
    void showHistory();
    void showCookies();
    void fillChildren(QStandardItem* item);
    void fillFavorites(QStandardItem* item);
    void fillHistory(QStandardItem* item);
    // `known`: the cookie may have a node already, which it then updates.
    void addCookie(const QNetworkCookie& cookie, bool known);
    void refreshFavorites();
    QStandardItem* selectedItem() const;
    bool isFolder(const QStandardItem* item) const;
    void showContextMenu(const QPoint& position);
    void openAddFavorite(const QString& address, const QString& title);

    // History of visits.
    HistoryStore* history();
    void recordVisit(bool ok);
    void recordTitle(const QString& title);

    // Runs a command; a failure shows the application's error box.
    void guarded(const std::function<void()>& work);
    Prompts& prompts() const;

    ToolHost& m_host;
    BrowserHost& m_browser;
    const ImageList& m_images;

    QWidget* TBXFavTB = nullptr;
    QWidget* TBXTBCookies = nullptr;
    QTreeView* ShellTVF = nullptr;
    QStandardItemModel* m_model = nullptr;

    QAction* TBXFavorites = nullptr;
    QAction* TBXHist = nullptr;
    QAction* TBXCookies = nullptr;
    QAction* TBXFavoritesTB = nullptr;
    QAction* TBXHistoryTB = nullptr;
    QAction* TBXCookiesTB = nullptr;
    QAction* TBXHAddToFav = nullptr;
    QAction* TBXDelCookie = nullptr;
    QAction* TBXCookie = nullptr;

    QString SidePanelRoot;
    QString m_historyFolder;
    bool m_historyFolderRead = false;
    std::unique_ptr<HistoryStore> m_history;
    qint64 m_lastVisit = 0;  // the row of this window's latest recorded visit
    QUrl m_lastVisitUrl;
    QList<QNetworkCookie> m_pendingDeletes;  // deleted here, awaiting the engine's word
};
