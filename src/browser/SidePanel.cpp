#include "SidePanel.h"

#include <QAction>
#include <QDir>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QMenu>
#include <QPointer>
#include <QStandardItemModel>
#include <QToolBar>
#include <QToolButton>
#include <QTreeView>
#include <QVBoxLayout>
#include <QWebEngineProfile>
#include <QWebEngineScript>

#include "AddFavoriteDialog.h"
#include "AppError.h"
#include "BookmarkFile.h"
#include "BrowserHost.h"
#include "EngineCookies.h"
#include "FavoritesFolder.h"
#include "HistoryStore.h"
#include "ImageStrip.h"
#include "InternetShortcut.h"
#include "OrganizeFavoritesDialog.h"
#include "Prompts.h"
#include "Registry.h"
#include "ToolHost.h"
#include "dlgExporter.h"
#include "dlgImporter.h"

namespace {

constexpr int kPathRole = Qt::UserRole + 1;
constexpr int kFolderRole = Qt::UserRole + 2;
constexpr int kPlaceholderRole = Qt::UserRole + 3;
constexpr int kDayRole = Qt::UserRole + 4;
constexpr int kSiteRole = Qt::UserRole + 5;
constexpr int kCookieRole = Qt::UserRole + 6;

constexpr int kImagePage = 3;
constexpr int kImageHistory = 36;
constexpr int kImageCookies = 46;

constexpr const char* kHelpCaption = "Corvanta Help Message";
constexpr const char* kNoUrl = "No URL was selected.";
constexpr const char* kCookiesNode = "Cookies";

// The name of a cookie's node: name, "@", the domain and path it belongs to.
QString cookieNodeText(const QNetworkCookie& cookie) {
    return QString::fromUtf8(cookie.name()) + QLatin1Char('@') + cookie.domain() + cookie.path();
}

QStandardItem* child(QStandardItem* parent, const QString& text) {
    for (int row = 0; row < parent->rowCount(); ++row) {
        if (parent->child(row)->text() == text)
            return parent->child(row);
    }
    return nullptr;
}

QString cookieTip(const QNetworkCookie& cookie) {
    QString tip = QStringLiteral("Value: ") + QString::fromUtf8(cookie.value());
    tip += QStringLiteral("\nExpires: ") + (cookie.isSessionCookie()
                                                ? QStringLiteral("at the end of the session")
                                                : cookie.expirationDate().toString(Qt::ISODate));
    if (cookie.isSecure())
        tip += QStringLiteral("\nSecure connections only");
    return tip;
}

}  // namespace

SidePanel::SidePanel(ToolHost& host, BrowserHost& browser, const ImageList& images, QWidget* parent)
    : QWidget(parent), m_host(host), m_browser(browser), m_images(images) {
    setObjectName(QStringLiteral("PnlFav"));
    buildItems();
    buildLayout();
    connect(m_browser.page(), &QWebEnginePage::loadFinished, this, &SidePanel::recordVisit);
    connect(m_browser.page(), &QWebEnginePage::titleChanged, this, &SidePanel::recordTitle);
    EngineCookies& cookies = EngineCookies::of(BrowserHost::profile());
    connect(&cookies, &EngineCookies::added, this, [this](const QNetworkCookie& cookie) {
        if (view() != View::Cookies || !m_model->item(0))
            return;
        addCookie(cookie, true);
        m_model->item(0)->sortChildren(0);
    });
    connect(&cookies, &EngineCookies::removed, this, [this](const QNetworkCookie& removed) {
        for (qsizetype i = 0; i < m_pendingDeletes.size(); ++i) {
            if (m_pendingDeletes[i].hasSameIdentifier(removed)) {
                m_pendingDeletes.removeAt(i);
                prompts().message(Prompts::Kind::Information, QString(),
                                  QStringLiteral("The cookie was deleted."));
                return;
            }
        }
    });
}

SidePanel::~SidePanel() = default;

Prompts& SidePanel::prompts() const {
    return m_host.prompts();
}

QSize SidePanel::sizeHint() const {
    return QSize(250, QWidget::sizeHint().height());
}

QAction* SidePanel::makeItem(const char* name, const QString& caption, int image, bool checkable) {
    auto* action = new QAction(m_images.icon(image), caption, this);
    action->setObjectName(QLatin1String(name));
    action->setCheckable(checkable);
    return action;
}

void SidePanel::buildItems() {
    TBXFavorites = makeItem("TBXFavorites", QStringLiteral("View Favorites"), 17, true);
    TBXHist = makeItem("TBXHist", QStringLiteral("View History"), kImageHistory, true);
    TBXCookies = makeItem("TBXCookies", QStringLiteral("View Cookies"), kImageCookies, true);
    connect(TBXFavorites, &QAction::triggered, this, &SidePanel::TBXFavoritesClick);
    connect(TBXHist, &QAction::triggered, this, &SidePanel::TBXHistClick);
    connect(TBXCookies, &QAction::triggered, this, &SidePanel::TBXCookiesClick);

    TBXFavoritesTB = makeItem("TBXFavoritesTB", QStringLiteral("Show Favorites Toolbar"), -1, true);
    TBXHistoryTB = makeItem("TBXHistoryTB", QStringLiteral("Show The History Toolbar"), -1, true);
    TBXCookiesTB = makeItem("TBXCookiesTB", QStringLiteral("Show The Cookies Toolbar"), -1, true);
    connect(TBXFavoritesTB, &QAction::triggered, TBXFavorites, &QAction::trigger);
    connect(TBXHistoryTB, &QAction::triggered, TBXHist, &QAction::trigger);
    connect(TBXCookiesTB, &QAction::triggered, TBXCookies, &QAction::trigger);

    TBXCookie = makeItem("TBXCookie", QStringLiteral("View Cookie"), kImageCookies);
    connect(TBXCookie, &QAction::triggered, this, &SidePanel::TBXCookieClick);
}

QWidget* SidePanel::makeToolbar(const char* name, const QString& caption, QToolBar** bar,
                                const std::function<void()>& onClose) {
    auto* frame = new QWidget;
    frame->setObjectName(QLatin1String(name));
    auto* layout = new QHBoxLayout(frame);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    *bar = new QToolBar(caption);
    (*bar)->setIconSize(QSize(16, 16));
    (*bar)->setToolButtonStyle(Qt::ToolButtonIconOnly);
    layout->addWidget(*bar, 1);
    auto* close = new QToolButton;
    close->setObjectName(QLatin1String(name) + QStringLiteral("Close"));
    close->setText(QStringLiteral("\u00D7"));
    close->setToolTip(QStringLiteral("Close"));
    close->setAccessibleName(QStringLiteral("Close ") + caption);
    close->setAutoRaise(true);
    connect(close, &QToolButton::clicked, this, [frame, onClose] {
        frame->hide();
        onClose();
    });
    layout->addWidget(close, 0, Qt::AlignTop);
    return frame;
}

void SidePanel::buildLayout() {
    QToolBar* favorites = nullptr;
    TBXFavTB = makeToolbar("TBXFavTB", QStringLiteral("Favorites toolbar"), &favorites,
                           [this] { TBXFavoritesTB->trigger(); });
    const struct {
        const char* name;
        const char* caption;
        int image;
        void (SidePanel::*handler)();
    } favoriteItems[] = {
        {"TBXAddToFav", "Add To Favorites", 38, &SidePanel::DoAddToFav},
        {"TBXEditFav", "Edit Favorites", 33, &SidePanel::TBXEditFavClick},
        {"TBXFavImp", "Import Favorites", 63, &SidePanel::TBXFavImpClick},
        {"TBXExportFav", "Export Favorites", 39, &SidePanel::TBXExportFavClick},
        {"TBXMozilla", "Mozilla Bookmarks", 27, &SidePanel::TBXMozillaClick},
        {"TBXBHelpF", "Help", 7, &SidePanel::TBXHelpClick},
    };
    for (const auto& item : favoriteItems) {
        QAction* action = makeItem(item.name, QLatin1String(item.caption), item.image);
        connect(action, &QAction::triggered, this, item.handler);
        favorites->addAction(action);
    }

    QToolBar* cookies = nullptr;
    TBXTBCookies = makeToolbar("TBXTBCookies", QStringLiteral("History and cookies toolbar"),
                               &cookies, [this] { TBXCookiesTB->trigger(); });
    TBXHAddToFav = makeItem("TBXHAddToFav", QStringLiteral("Add To Favorites"), 38);
    TBXDelCookie = makeItem("TBXDelCookie", QStringLiteral("Delete"), 47);
    QAction* help = makeItem("TBXHelp", QStringLiteral("Help"), 7);
    connect(TBXHAddToFav, &QAction::triggered, this, &SidePanel::TBXHAddToFavClick);
    connect(TBXDelCookie, &QAction::triggered, this, &SidePanel::TBXDelCookieClick);
    connect(help, &QAction::triggered, this, &SidePanel::TBXHelpClick);
    cookies->addActions({TBXHAddToFav, TBXDelCookie, help});
    TBXTBCookies->hide();

    m_model = new QStandardItemModel(this);
    ShellTVF = new QTreeView;
    ShellTVF->setObjectName(QStringLiteral("ShellTVF"));
    ShellTVF->setAccessibleName(QStringLiteral("Side panel"));
    ShellTVF->setModel(m_model);
    ShellTVF->setHeaderHidden(true);
    ShellTVF->setIndentation(19);
    ShellTVF->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ShellTVF->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(ShellTVF, &QTreeView::expanded, this,
            [this](const QModelIndex& index) { fillChildren(m_model->itemFromIndex(index)); });
    connect(ShellTVF, &QTreeView::doubleClicked, this, &SidePanel::ShellTVFDblClick);
    connect(ShellTVF, &QWidget::customContextMenuRequested, this, &SidePanel::showContextMenu);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(TBXFavTB);
    layout->addWidget(TBXTBCookies);
    layout->addWidget(ShellTVF, 1);
}

QList<QAction*> SidePanel::viewItems() const {
    return {TBXFavorites, TBXHist, TBXCookies};
}

QList<QAction*> SidePanel::linkedItems() const {
    return {TBXFavoritesTB, TBXHistoryTB, TBXCookiesTB};
}

void SidePanel::restore(const BrowserSettings& settings) {
    const std::pair<bool, QAction*> views[] = {{settings.favoritesPanel, TBXFavorites},
                                               {settings.historyPanel, TBXHist},
                                               {settings.cookiesPanel, TBXCookies}};
    for (int i = 0; i < 3; ++i) {
        linkedItems()[i]->setChecked(views[i].first);
        if (views[i].first)
            views[i].second->trigger();
    }
}

void SidePanel::store(BrowserSettings& settings) const {
    settings.favoritesPanel = TBXFavoritesTB->isChecked();
    settings.historyPanel = TBXHistoryTB->isChecked();
    settings.cookiesPanel = TBXCookiesTB->isChecked();
}

SidePanel::View SidePanel::view() const {
    if (TBXFavorites->isChecked())
        return View::Favorites;
    if (TBXHist->isChecked())
        return View::History;
    if (TBXCookies->isChecked())
        return View::Cookies;
    return View::None;
}

// Switching views ---------------------------------------------------------------

void SidePanel::TBXFavoritesClick(bool checked) {
    if (!checked) {
        hide();
        return;
    }
    ShellTVF->setRootIsDecorated(false);
    TBXHist->setChecked(false);
    TBXCookies->setChecked(false);
    TBXTBCookies->hide();
    TBXFavTB->show();
    show();
    TBXFavoritesTB->setChecked(true);
    TBXCookiesTB->setChecked(false);
    TBXHistoryTB->setChecked(false);
    SidePanelRoot = FavoritesFolder::path();
    showFavorites();
}

void SidePanel::TBXHistClick(bool checked) {
    if (!checked) {
        hide();
        TBXFavTB->show();
        TBXTBCookies->hide();
        TBXDelCookie->setVisible(true);
        return;
    }
    TBXHAddToFav->setVisible(true);
    ShellTVF->setRootIsDecorated(false);
    TBXFavorites->setChecked(false);
    TBXCookies->setChecked(false);
    TBXFavTB->hide();
    TBXTBCookies->show();
    show();
    TBXFavoritesTB->setChecked(false);
    TBXCookiesTB->setChecked(false);
    TBXHistoryTB->setChecked(true);
    SidePanelRoot = HistoryStore::folder();
    m_historyFolder = SidePanelRoot;
    m_historyFolderRead = true;
    showHistory();
    TBXDelCookie->setVisible(false);
}

void SidePanel::TBXCookiesClick(bool checked) {
    if (!checked) {
        hide();
        TBXFavTB->show();
        TBXTBCookies->hide();
        return;
    }
    TBXHAddToFav->setVisible(false);
    ShellTVF->setRootIsDecorated(false);
    TBXFavorites->setChecked(false);
    TBXHist->setChecked(false);
    TBXFavTB->hide();
    TBXTBCookies->show();
    TBXFavoritesTB->setChecked(false);
    TBXHistoryTB->setChecked(false);
    TBXCookiesTB->setChecked(true);
    show();
    SidePanelRoot = BrowserHost::profile()->persistentStoragePath();
    showCookies();
    TBXDelCookie->setVisible(true);
}

// The tree ------------------------------------------------------------------------

QStandardItem* SidePanel::addNode(QStandardItem* parent, const QString& text, const QString& path,
                                  bool folder) {
    auto* item = new QStandardItem(text);
    item->setData(path, kPathRole);
    item->setData(folder, kFolderRole);
    if (folder) {
        auto* placeholder = new QStandardItem;
        placeholder->setData(true, kPlaceholderRole);
        item->appendRow(placeholder);
    }
    (parent ? parent : m_model->invisibleRootItem())->appendRow(item);
    return item;
}

void SidePanel::showFavorites() {
    m_model->clear();
    if (SidePanelRoot.isEmpty())
        return;
    QStandardItem* top = addNode(nullptr, QFileInfo(SidePanelRoot).fileName(), SidePanelRoot, true);
    top->setIcon(QFileIconProvider().icon(QFileIconProvider::Folder));
    ShellTVF->expand(top->index());
}

void SidePanel::showHistory() {
    m_model->clear();
    if (SidePanelRoot.isEmpty())
        return;
    QStandardItem* top = addNode(nullptr, QFileInfo(SidePanelRoot).fileName(), QString(), true);
    top->setIcon(m_images.icon(kImageHistory));
    ShellTVF->expand(top->index());
}

void SidePanel::showCookies() {
    m_model->clear();
    // Deletions the engine never confirmed (the cookie was gone already).
    m_pendingDeletes.clear();
    QStandardItem* top = addNode(nullptr, QLatin1String(kCookiesNode), SidePanelRoot, true);
    top->removeRows(0, top->rowCount());
    top->setIcon(QFileIconProvider().icon(QFileIconProvider::Folder));
    for (const QNetworkCookie& cookie : EngineCookies::of(BrowserHost::profile()).cookies())
        addCookie(cookie, false);
    top->sortChildren(0);
    ShellTVF->expand(top->index());
}

void SidePanel::fillChildren(QStandardItem* item) {
    if (!item || item->rowCount() != 1 || !item->child(0)->data(kPlaceholderRole).toBool())
        return;
    item->removeRows(0, 1);
    if (view() == View::Favorites)
        fillFavorites(item);
    else if (view() == View::History)
        fillHistory(item);
}

void SidePanel::fillFavorites(QStandardItem* item) {
    const QFileIconProvider icons;
    const QFileInfoList entries =
        QDir(item->data(kPathRole).toString())
            .entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                           QDir::DirsFirst | QDir::Name | QDir::IgnoreCase);
    for (const QFileInfo& entry : entries) {
        QStandardItem* child = addNode(item, FavoritesFolder::displayName(entry.filePath()),
                                       entry.filePath(), entry.isDir());
        const bool favorite = entry.isFile() && InternetShortcut::isShortcutName(entry.fileName());
        child->setIcon(favorite ? m_images.icon(kImagePage) : icons.icon(entry));
    }
}

void SidePanel::fillHistory(QStandardItem* item) {
    guarded([&] {
        HistoryStore* store = history();
        if (!store)
            return;
        const QVariant day = item->data(kDayRole);
        const QVariant site = item->data(kSiteRole);
        const QFileIconProvider icons;
        if (!day.isValid()) {
            const QDate today = QDate::currentDate();
            for (const QDate& visited : store->days()) {
                QStandardItem* node =
                    addNode(item, HistoryStore::dayCaption(visited, today), QString(), true);
                node->setData(visited, kDayRole);
                node->setIcon(icons.icon(QFileIconProvider::Folder));
            }
        } else if (!site.isValid()) {
            for (const QString& name : store->sites(day.toDate())) {
                QStandardItem* node = addNode(item, name, QString(), true);
                node->setData(day, kDayRole);
                node->setData(name, kSiteRole);
                node->setIcon(icons.icon(QFileIconProvider::Network));
            }
        } else {
            for (const HistoryStore::Page& page : store->pages(day.toDate(), site.toString())) {
                QStandardItem* node =
                    addNode(item, page.title.isEmpty() ? page.url : page.title, page.url, false);
                node->setToolTip(HistoryStore::infoTip(page));
                node->setIcon(m_images.icon(kImagePage));
            }
        }
    });
}

void SidePanel::addCookie(const QNetworkCookie& cookie, bool known) {
    QStandardItem* top = m_model->item(0);
    if (!top)
        return;
    // The node's text names the cookie: a cookie set anew updates its node.
    const QString text = cookieNodeText(cookie);
    QStandardItem* node = known ? child(top, text) : nullptr;
    if (!node)
        node = addNode(top, text, text, false);
    node->setData(cookie.toRawForm(), kCookieRole);
    node->setToolTip(cookieTip(cookie));
    node->setIcon(m_images.icon(kImageCookies));
}

void SidePanel::refreshFavorites() {
    if (view() == View::Favorites)
        showFavorites();
}

QStandardItem* SidePanel::selectedItem() const {
    return m_model->itemFromIndex(ShellTVF->currentIndex());
}

bool SidePanel::isFolder(const QStandardItem* item) const {
    return item->data(kFolderRole).toBool();
}

void SidePanel::ShellTVFDblClick(const QModelIndex& index) {
    QStandardItem* item = m_model->itemFromIndex(index);
    if (!item || isFolder(item))
        return;
    const QString path = item->data(kPathRole).toString();
    if (view() == View::Favorites) {
        if (InternetShortcut::isShortcutName(path))
            m_host.browseUrl(InternetShortcut::readUrl(path));
    } else if (view() == View::History && !path.isEmpty()) {
        const QString address = HistoryStore::addressFromInfoTip(item->toolTip());
        emit historyEntryOpened(address);
        m_host.browseUrl(address);
    }
}

void SidePanel::showContextMenu(const QPoint& position) {
    const QModelIndex index = ShellTVF->indexAt(position);
    if (!index.isValid())
        return;
    ShellTVF->setCurrentIndex(index);
    QStandardItem* item = m_model->itemFromIndex(index);
    const QString path = item->data(kPathRole).toString();
    const bool folder = isFolder(item);
    QMenu menu;
    if (!folder && view() != View::Cookies) {
        menu.addAction(QStringLiteral("Open"), this, [this, index] { ShellTVFDblClick(index); });
    }
    if (view() == View::Favorites) {
        menu.addAction(QStringLiteral("New Folder..."), this, [this, folder, path] {
            QString name = QStringLiteral("New Folder");
            if (!prompts().inputQuery(QStringLiteral("New Folder"), QStringLiteral("Folder name:"),
                                      name))
                return;
            const QString parent = folder ? path : QFileInfo(path).absolutePath();
            guarded([&] { FavoritesFolder::createFolder(SidePanelRoot, parent, name); });
            refreshFavorites();
        });
        if (path != SidePanelRoot) {
            menu.addAction(QStringLiteral("Rename..."), this, [this, path] {
                QString name = FavoritesFolder::displayName(path);
                if (!prompts().inputQuery(QStringLiteral("Rename"), QStringLiteral("New name:"),
                                          name))
                    return;
                guarded([&] { FavoritesFolder::rename(SidePanelRoot, path, name); });
                refreshFavorites();
            });
            menu.addAction(QStringLiteral("Delete"), this, [this, path] {
                if (prompts().message(
                        Prompts::Kind::Question, QStringLiteral("Delete"),
                        QStringLiteral("Delete \"%1\"?").arg(FavoritesFolder::displayName(path)),
                        Prompts::Yes | Prompts::No) != Prompts::Yes)
                    return;
                guarded([&] { FavoritesFolder::remove(SidePanelRoot, path); });
                refreshFavorites();
            });
        }
    } else if (view() == View::History) {
        menu.addAction(TBXHAddToFav);
    } else if (view() == View::Cookies) {
        menu.addAction(TBXDelCookie);
    }
    if (!menu.isEmpty())
        menu.exec(ShellTVF->viewport()->mapToGlobal(position));
}

// Commands of the toolbars ------------------------------------------------------

void SidePanel::openAddFavorite(const QString& address, const QString& title) {
    const QString favorites = FavoritesFolder::path();
    if (favorites.isEmpty())
        return;
    AddFavoriteDialog dialog(prompts(), favorites, address, title, window());
    if (dialog.exec() == QDialog::Accepted)
        refreshFavorites();
}

void SidePanel::DoAddToFav() {
    QStandardItem* item = selectedItem();
    if (!item || isFolder(item))
        return;
    const QString path = item->data(kPathRole).toString();
    QString title;
    if (!path.isEmpty())
        title = item->text().trimmed();
    const QString address = InternetShortcut::readUrl(path);
    if (address.isEmpty()) {
        prompts().message(Prompts::Kind::Information, QString(), QLatin1String(kNoUrl));
        return;
    }
    openAddFavorite(address, title);
}

void SidePanel::TBXEditFavClick() {
    const QString favorites = FavoritesFolder::path();
    if (favorites.isEmpty())
        return;
    QDir().mkpath(favorites);
    OrganizeFavoritesDialog dialog(prompts(), favorites, m_images.icon(kImagePage), window());
    dialog.exec();
    refreshFavorites();
}

void SidePanel::TBXFavImpClick() {
    TImportFrm dialog(m_host, window());
    dialog.setWindowTitle(QStringLiteral("Import Favorites"));
    dialog.exec();
    refreshFavorites();
}

void SidePanel::TBXExportFavClick() {
    TExportFrm dialog(m_host, window());
    dialog.setWindowTitle(QStringLiteral("Export Favorites"));
    dialog.exec();
}

void SidePanel::TBXMozillaClick() {
    const QString file = BookmarkFile::defaultBookmarkFile();
    if (!QFileInfo::exists(file)) {
        prompts().message(Prompts::Kind::Information, QString(),
                          QStringLiteral("We can not locate the file, sorry.\n\rPlease use \"Open "
                                         "URL\" in the toolbar to locate the file"));
        return;
    }
    m_host.browseUrl(file);
}

void SidePanel::TBXHelpClick() {
    prompts().timedMessage(QLatin1String(kHelpCaption),
                           QStringLiteral("Double click on the item to open and surf to the "
                                          "address.\n\rRight Click Menu Is Avaliable!"),
                           2000);
}

void SidePanel::TBXHAddToFavClick() {
    QStandardItem* item = selectedItem();
    if (!item)
        return;
    if (isFolder(item)) {
        prompts().message(Prompts::Kind::Information, QString(), QLatin1String(kNoUrl));
        return;
    }
    if (item->data(kPathRole).toString().isEmpty())
        return;
    openAddFavorite(HistoryStore::addressFromInfoTip(item->toolTip()), QString());
}

void SidePanel::TBXDelCookieClick() {
    QStandardItem* item = selectedItem();
    if (view() != View::Cookies || !item)
        return;
    if (item->text() == QLatin1String(kCookiesNode)) {
        prompts().message(Prompts::Kind::Information, QString(),
                          QStringLiteral("Please select a file before pressing delete ;)"));
        return;
    }
    const QList<QNetworkCookie> cookies =
        QNetworkCookie::parseCookies(item->data(kCookieRole).toByteArray());
    if (cookies.isEmpty())
        return;
    // The engine confirms through cookieRemoved; a cookie already gone is
    // never confirmed and so gets no message.
    m_pendingDeletes.append(cookies.first());
    EngineCookies::of(BrowserHost::profile()).remove(cookies.first());
}

void SidePanel::TBXCookieClick() {
    if (m_browser.busy())
        return;
    QPointer<SidePanel> self(this);
    m_browser.page()->runJavaScript(
        QStringLiteral("document.cookie"), QWebEngineScript::ApplicationWorld,
        [self](const QVariant& result) {
            if (!self)
                return;
            const QString text = result.toString();
            self->prompts().message(
                Prompts::Kind::Plain, QString(),
                text.isEmpty() ? QStringLiteral("There are no cookies in this webpage.") : text);
        });
}

// History of visits ---------------------------------------------------------------

HistoryStore* SidePanel::history() {
    // The folder is read once for recording; the history view reads it anew
    // each time it is switched on.
    if (!m_historyFolderRead) {
        m_historyFolder = HistoryStore::folder();
        m_historyFolderRead = true;
    }
    if (m_historyFolder.isEmpty())
        return nullptr;
    if (!m_history || m_history->file() != HistoryStore::fileIn(m_historyFolder)) {
        m_lastVisit = 0;  // a row of the store left behind
        m_history = std::make_unique<HistoryStore>(m_historyFolder);
    }
    return m_history.get();
}

void SidePanel::recordVisit(bool ok) {
    m_lastVisit = 0;
    if (!ok || !m_browser.pageInHistory())
        return;
    // A history that cannot be written must not get in the way of browsing.
    ignoringStoreFailures([this] {
        if (HistoryStore* store = history()) {
            m_lastVisitUrl = m_browser.url();
            m_lastVisit = store->recordVisit(m_lastVisitUrl, m_browser.title());
        }
    });
}

void SidePanel::recordTitle(const QString& title) {
    if (m_lastVisit == 0 || m_browser.url() != m_lastVisitUrl)
        return;
    ignoringStoreFailures([&] {
        HistoryStore* store = history();
        if (store && m_lastVisit != 0)
            store->updateTitle(m_lastVisit, title);
    });
}

void SidePanel::guarded(const std::function<void()>& work) {
    try {
        work();
    } catch (const AppError& error) {
        prompts().errorBox(error.message());
    }
}
