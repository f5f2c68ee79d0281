#include "RemoteSession.h"

#include <QActionGroup>
#include <QApplication>
#include <QCheckBox>
#include <QIconEngine>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QStyle>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>
#include <QVBoxLayout>

#include "AppError.h"
#include "FtpImages.h"
#include "FtpPrompts.h"
#include "FtpStatusBar.h"
#include "Prompts.h"
#include "QuickConnectBar.h"
#include "RemoteFilesList.h"
#include "RemoteTree.h"
#include "ServerText.h"
#include "SitePropertiesPage.h"
#include "newDlg.h"

namespace {

// "Alpha Sort" as a picture: A over Z beside a downward arrow, drawn in the
// button text colour of the palette at hand, so it follows the theme.
class AlphaSortIconEngine : public QIconEngine {
public:
    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State) override {
        const QPalette palette = QApplication::palette();
        const QColor ink = palette.color(
            mode == QIcon::Disabled ? QPalette::Disabled : QPalette::Active, QPalette::ButtonText);
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing);
        painter->setRenderHint(QPainter::TextAntialiasing);
        painter->translate(rect.topLeft());
        painter->scale(rect.width() / 16.0, rect.height() / 16.0);
        QFont font = QApplication::font();
        font.setPixelSize(8);
        font.setBold(true);
        painter->setFont(font);
        painter->setPen(ink);
        painter->drawText(QRectF(0, 0, 9, 8), Qt::AlignCenter, QStringLiteral("A"));
        painter->drawText(QRectF(0, 8, 9, 8), Qt::AlignCenter, QStringLiteral("Z"));
        painter->setPen(QPen(ink, 1.5));
        painter->drawLine(QPointF(12.5, 1.5), QPointF(12.5, 14));
        painter->drawLine(QPointF(10, 11), QPointF(12.5, 14));
        painter->drawLine(QPointF(15, 11), QPointF(12.5, 14));
        painter->restore();
    }
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        QPixmap pixmap(size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        paint(&painter, pixmap.rect(), mode, state);
        return pixmap;
    }
    QIconEngine* clone() const override { return new AlphaSortIconEngine; }
};

}  // namespace

RemoteSession::RemoteSession(const Places& places, const ImageList& images, Prompts& prompts,
                             QObject* parent)
    : QObject(parent), m_places(places), m_images(images), m_prompts(prompts) {
    m_askName = [this](const QString& prompt, const QString& proposed) {
        return TNewDialog::ask(m_prompts, prompt, proposed, m_pane);
    };
    m_pane = buildPane();
    m_files = new RemoteFilesList(*m_places.sortKey);
    connect(m_files, &RemoteFilesList::nodeClicked, this, [this](QTreeWidgetItem* node) {
        // The row's tree node becomes the selected node.
        tvList->setCurrentItem(node);
        onNodeClicked(node);
    });
    connect(m_files, &RemoteFilesList::doubleClicked, this, &RemoteSession::DoOpenDir);
    connect(m_files, &RemoteFilesList::contextMenuRequested, this,
            [this](QWidget* view, const QPoint& position) { contextMenu(view, position, true); });
    wireClient();
}

RemoteSession::~RemoteSession() {
    m_destroying = true;
    m_client.close();
}

QList<QAction*> RemoteSession::connectedActions() const {
    return {TBXViewIcons, TBXViewList, TBXViewDetails};
}

void RemoteSession::setTransferCommands(std::function<void()> addToDownloads,
                                        std::function<void()> saveAs) {
    m_addToDownloads = std::move(addToDownloads);
    m_saveAs = std::move(saveAs);
}

QWidget* RemoteSession::buildPane() {
    auto* pane = new QWidget;
    auto* layout = new QVBoxLayout(pane);
    layout->setContentsMargins(0, 0, 0, 0);
    m_remoteBar = new QToolBar("Remote Site");
    m_remoteBar->setObjectName("tbRemote");
    m_remoteBar->addWidget(new QLabel("Remote Site:     "));
    // Pictures only, the captions in their tool tips and accessible names:
    // beside the site pages and the files list the pane is narrow.
    m_remoteBar->setToolButtonStyle(Qt::ToolButtonIconOnly);
    m_remoteBar->setIconSize(QSize(16, 16));
    const QStyle* style = QApplication::style();
    TBXRSort = m_remoteBar->addAction(QIcon(new AlphaSortIconEngine), "Alpha Sort", this,
                                      &RemoteSession::TBXRSortClick);
    TBXRSort->setObjectName("TBXRSort");
    TBXRSort->setCheckable(true);
    TBXRRefresh = m_remoteBar->addAction(style->standardIcon(QStyle::SP_BrowserReload), "Refresh",
                                         this, &RemoteSession::DoRefreshRemote);
    TBXRRefresh->setObjectName("TBXRRefresh");
    auto* viewMenu = new QMenu(pane);
    auto* group = new QActionGroup(this);
    auto mode = [&](const char* name, const QString& caption, int index) {
        QAction* action =
            viewMenu->addAction(caption, this, [this, index] { m_files->setViewMode(index); });
        action->setObjectName(name);
        action->setCheckable(true);
        group->addAction(action);
        return action;
    };
    TBXViewIcons = mode("TBXViewIcons", "Icons", 0);
    TBXViewList = mode("TBXViewList", "List", 1);
    TBXViewDetails = mode("TBXViewDetails", "Details", 2);
    TBXViewDetails->setChecked(true);
    auto* viewButton = new QToolButton;
    viewButton->setObjectName("btnViewFilesAs");
    viewButton->setText("View Files As ...");
    viewButton->setToolTip(viewButton->text());
    viewButton->setAccessibleName(viewButton->text());
    viewButton->setIcon(style->standardIcon(QStyle::SP_FileDialogDetailedView));
    viewButton->setMenu(viewMenu);
    viewButton->setPopupMode(QToolButton::InstantPopup);
    m_remoteBar->addWidget(viewButton);
    layout->addWidget(m_remoteBar);

    tvList = new QTreeWidget;
    tvList->setObjectName("tvList");
    tvList->setAccessibleName("Remote Site");
    tvList->setHeaderHidden(true);
    tvList->setSortingEnabled(true);
    tvList->sortByColumn(0, Qt::AscendingOrder);
    tvList->setExpandsOnDoubleClick(false);
    tvList->setContextMenuPolicy(Qt::CustomContextMenu);
    tvList->setDragEnabled(true);
    tvList->setAcceptDrops(true);
    connect(tvList, &QTreeWidget::itemDoubleClicked, this, &RemoteSession::DoOpenDir);
    connect(tvList, &QTreeWidget::itemClicked, this, &RemoteSession::onNodeClicked);
    connect(tvList, &QTreeWidget::itemExpanded, this, [this](QTreeWidgetItem* item) {
        if (isRemoteFolderText(item->text(0))) {
            item->setIcon(0, ftpIcon(m_images, FtpImage::FolderOpen));
        }
    });
    connect(tvList, &QTreeWidget::itemCollapsed, this, [this](QTreeWidgetItem* item) {
        if (isRemoteFolderText(item->text(0))) {
            item->setIcon(0, ftpIcon(m_images, FtpImage::Folder));
        }
    });
    connect(tvList, &QTreeWidget::customContextMenuRequested, this,
            [this](const QPoint& position) { contextMenu(tvList, position, false); });
    layout->addWidget(tvList);
    return pane;
}

void RemoteSession::wireClient() {
    FtpStatusBar& status = *m_places.status;
    connect(&m_client, &FtpClient::statusChanged, this, [this, &status] {
        if (!m_client.lastReplyText().isEmpty()) {
            status.setText(m_client.lastReplyText());
        }
    });
    connect(&m_client, &FtpClient::errorOccurred, this, [&status] {
        status.setIcon(FtpImage::Error);
        status.setText("Error");
    });
    connect(&m_client, &FtpClient::connectionClosed, this, [this] {
        if (m_destroying) {
            return;
        }
        clearRemoteTree();
        emit connectionLost();
    });
}

// ------------------------------------------------------------------ log-in

void RemoteSession::logInWith(const std::function<void()>& steps) {
    runGuarded(m_prompts, [&] {
        // The state follows the attempt, failed or not, before any error box.
        const auto finish = [this] {
            m_places.site->edtStartDir->setEnabled(!m_client.isConnected());
            emit logInFinished();
        };
        try {
            steps();
        } catch (const AppError&) {
            finish();
            throw;
        }
        finish();
    });
}

void RemoteSession::configureClient(const QString& server, const QString& user,
                                    const QString& password, const QString& port) {
    m_client.setPort(integerFromText(port));
    m_client.setServer(server);
    m_client.setUserName(user);
    m_client.setPassword(password);
    m_client.setTimeOut(integerFromText(m_places.site->edtTimeO->text()));
    m_client.setPassiveMode(m_places.site->cbPassiveMode->isChecked());
    m_client.setTransferType(m_places.site->cbAsciiMode->isChecked()
                                 ? FtpClient::TransferType::Ascii
                                 : FtpClient::TransferType::Binary);
}

void RemoteSession::showStartFolder(const QString& root) {
    m_root = root;
    m_places.site->edtStartDir->setText(root);
    if (root.startsWith('/')) {
        ListRemoteFolder(nullptr);
    }
}

void RemoteSession::showAddressPath(QString path) {
    while (path.size() > 1 && path.endsWith(QLatin1Char('/')))
        path.chop(1);
    if (!m_client.isConnected() || path.isEmpty() || path == QLatin1String("/"))
        return;
    runGuarded(m_prompts, [&] {
        bool folder = true;
        try {
            m_client.changeFolder(path);
        } catch (const AppError&) {
            folder = false;
        }
        if (folder) {
            showStartFolder(path);
            return;
        }
        const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
        const QString name = path.mid(slash + 1);
        showStartFolder(slash > 0 ? path.left(slash) : QStringLiteral("/"));
        QTreeWidgetItem* root = tvList->topLevelItemCount() ? tvList->topLevelItem(0) : nullptr;
        for (int i = 0; root && i < root->childCount(); ++i) {
            if (root->child(i)->data(0, RemoteNodeRole::Name).toString() == name) {
                tvList->setCurrentItem(root->child(i));
                onNodeClicked(root->child(i));
                return;
            }
        }
    });
}

void RemoteSession::DoLogIn() {
    if (m_client.isBusy()) {
        return;  // a connect is still running
    }
    if (m_client.isConnected()) {
        ftpHelpMessage(m_prompts, "You are already connected. Please click Logout to disconnect.",
                       1200);
        return;
    }
    SitePropertiesPage& site = *m_places.site;
    if (site.edtServer->text().isEmpty()) {
        return;
    }
    logInWith([this, &site] {
        configureClient(site.edtServer->text(), site.edtUser->text(), site.edtPassword->text(),
                        site.edtPort->text());
        m_client.open();
        const QString startFolder = site.edtStartDir->text();
        showStartFolder(startFolder.isEmpty() ? m_client.currentFolder() : startFolder);
    });
}

void RemoteSession::TBXQConnectClick() {
    if (m_client.isBusy()) {
        return;  // a connect is still running
    }
    if (m_client.isConnected()) {
        ftpHelpMessage(m_prompts, "You are already connected. Please Logout to disconnect.", 1200);
        return;
    }
    QuickConnectBar& quick = *m_places.quick;
    if (quick.TBXedtServer->text().isEmpty()) {
        ftpHelpMessage(m_prompts, "You must enter a valid FTP address to connect.", 1200);
        return;
    }
    logInWith([this, &quick] {
        SitePropertiesPage& site = *m_places.site;
        site.edtPort->setText(quick.TBXedtPort->text());
        site.edtServer->setText(quick.TBXedtServer->text());
        site.edtUser->setText(quick.TBXedtUser->text());
        site.edtDesc->setText("Quick Connect");
        site.edtPassword->setText(quick.TBXedtPassword->text());
        configureClient(quick.TBXedtServer->text(), quick.TBXedtUser->text(),
                        quick.TBXedtPassword->text(), quick.TBXedtPort->text());
        m_client.open();
        showStartFolder(m_client.currentFolder());
    });
}

void RemoteSession::TBXFIanonymousClick() {
    if (m_client.isBusy()) {
        return;  // a connect is still running
    }
    if (m_client.isConnected()) {
        ftpHelpMessage(m_prompts, "You are already connected. Please Logout to disconnect.", 1200);
        return;
    }
    QString address;
    m_prompts.inputQuery("Connect To Anonymous FTP",
                         "Please Enter A Valid FTP Address and press OK. You will be logged on "
                         "as \"Anonymous\" user.",
                         address);
    if (address.isEmpty()) {
        ftpHelpMessage(m_prompts, "You must enter a valid FTP address to connect.", 1200);
        return;
    }
    logInWith([this, address] {
        SitePropertiesPage& site = *m_places.site;
        site.edtPort->setText("21");
        site.edtServer->setText(address);
        site.edtUser->setText("anonymous");
        site.edtDesc->setText("Anonymous FTP Login");
        site.edtPassword->clear();
        configureClient(address, "anonymous", QString(), "21");
        m_client.open();
        showStartFolder(m_client.currentFolder());
    });
}

void RemoteSession::DoLogOut() {
    m_places.status->setText("Disconnected (User Request).");
    m_client.close();
    clearRemoteTree();
    m_places.site->edtStartDir->setEnabled(true);
    emit loggedOut();
}

// ------------------------------------------------------------- remote tree

bool RemoteSession::treeHolds(const QTreeWidgetItem* node) const {
    for (QTreeWidgetItemIterator it(tvList); *it; ++it) {
        if (*it == node) {
            return true;
        }
    }
    return false;
}

void RemoteSession::clearRemoteTree() {
    tvList->clear();
    m_files->clear();
}

QTreeWidgetItem* RemoteSession::selectedRemoteNode() const {
    return tvList->currentItem();
}

QString RemoteSession::nodePath(QTreeWidgetItem* node) const {
    QStringList folders;
    for (QTreeWidgetItem* item = node; item && item->parent(); item = item->parent()) {
        if (isRemoteFolderText(item->text(0))) {
            folders.prepend(remoteText(item));
        }
    }
    return remoteNodePath(m_root, folders);
}

QString RemoteSession::remoteText(const QTreeWidgetItem* node) {
    const QVariant exact = node->data(0, RemoteNodeRole::Name);
    return exact.isValid() ? exact.toString() : node->text(0);
}

QIcon RemoteSession::iconForEntry(const QString& text) const {
    if (isRemoteFolderText(text)) {
        return ftpIcon(m_images, FtpImage::Folder);
    }
    switch (remoteFileIcon(text)) {
        case RemoteFileIcon::WebPage:
            return ftpIcon(m_images, FtpImage::WebPage);
        case RemoteFileIcon::Archive:
            return ftpIcon(m_images, FtpImage::Archive);
        case RemoteFileIcon::Picture:
            return ftpIcon(m_images, FtpImage::Picture);
        case RemoteFileIcon::Sound:
            return ftpIcon(m_images, FtpImage::Sound);
        case RemoteFileIcon::Text:
            return ftpIcon(m_images, FtpImage::Text);
        case RemoteFileIcon::Xml:
            return ftpIcon(m_images, FtpImage::Xml);
        case RemoteFileIcon::File:
            break;
    }
    return ftpIcon(m_images, FtpImage::File);
}

void RemoteSession::ListRemoteFolder(QTreeWidgetItem* node) {
    if (node && !treeHolds(node)) {
        return;
    }
    m_client.changeFolder(node ? nodePath(node) : m_root);
    // Collect first: the tree is touched only once the listing is complete.
    QList<FtpListEntry> entries;
    m_client.list([&entries](const FtpListEntry& entry) { entries.append(entry); });
    if (node && !treeHolds(node)) {
        return;  // the connection dropped while the server answered
    }
    tvList->setUpdatesEnabled(false);
    QTreeWidgetItem* target = node;
    if (!target) {
        clearRemoteTree();
        target = new QTreeWidgetItem(tvList, {".."});
        target->setIcon(0, ftpIcon(m_images, FtpImage::File));
        tvList->setCurrentItem(target);
    } else {
        qDeleteAll(target->takeChildren());
    }
    for (const FtpListEntry& entry : entries) {
        const bool folder = entry.folder || entry.link;
        const QString text = remoteEntryText(printableText(entry.name), folder);
        auto* child = new QTreeWidgetItem(target, {text});
        child->setData(0, RemoteNodeRole::Name, remoteEntryText(entry.name, folder));
        child->setIcon(0, iconForEntry(text));
        child->setData(0, RemoteNodeRole::Size, entry.size);
        child->setData(0, RemoteNodeRole::Date, entry.date);
        child->setData(0, RemoteNodeRole::Attributes, entry.attributes);
        child->setData(0, RemoteNodeRole::Line, printableText(entry.raw));
    }
    target->setExpanded(true);
    if (TBXRSort->isChecked()) {
        tvList->sortItems(0, Qt::AscendingOrder);
    }
    tvList->setUpdatesEnabled(true);
    refillFilesList();
}

void RemoteSession::refillFilesList() {
    QTreeWidgetItem* node = selectedRemoteNode();
    m_files->refill(node, node ? nodePath(node) : QString());
}

void RemoteSession::onNodeClicked(QTreeWidgetItem* node) {
    if (!node) {
        return;
    }
    m_places.status->showSelection(
        isRemoteFolderText(node->text(0)) ? "Selected Folder:" : "Selected File:", node->text(0));
}

void RemoteSession::DoOpenDir() {
    QTreeWidgetItem* node = selectedRemoteNode();
    if (!m_client.isReady() || !node || node->text(0).isEmpty()) {
        return;
    }
    runGuarded(m_prompts, [this, node] {
        if (isRemoteFolderText(node->text(0))) {
            ListRemoteFolder(node);
        } else if (node->text(0) == ".." && !node->parent()) {
            m_root = remoteParentFolder(m_root);
            m_places.site->edtStartDir->setText(m_root);
            ListRemoteFolder(node);
        }
    });
}

void RemoteSession::DoRefreshRemote() {
    if (!m_client.isReady()) {
        return;
    }
    runGuarded(m_prompts, [this] { ListRemoteFolder(nullptr); });
}

void RemoteSession::btnMakeDirClick() {
    if (!m_client.isReady()) {
        return;
    }
    const QString name = m_askName("New Folder Name", "NewName");
    if (name.isEmpty()) {
        return;
    }
    QTreeWidgetItem* selected = selectedRemoteNode();
    QTreeWidgetItem* target = selected && !(selected->text(0) == ".." && !selected->parent())
                                  ? selected->parent()
                                  : nullptr;
    runGuarded(m_prompts, [this, target, name] {
        m_client.changeFolder(target ? nodePath(target) : m_root);
        m_client.makeFolder(name);
        ListRemoteFolder(target);
    });
}

void RemoteSession::DoRenameRemote() {
    QTreeWidgetItem* node = selectedRemoteNode();
    if (!m_client.isReady() || !node || !node->parent()) {
        return;
    }
    const QString text = remoteText(node);
    const bool folder = isRemoteFolderText(text);
    const QString oldName = folder ? text.mid(1) : text;
    QTreeWidgetItem* parent = node->parent();
    const QString parentPath = nodePath(parent);
    const QString newName = m_askName(folder ? "New Folder Name:" : "New File Name:", oldName);
    if (newName.isEmpty() || newName == oldName || !treeHolds(parent)) {
        return;
    }
    runGuarded(m_prompts, [this, parent, parentPath, oldName, newName] {
        m_client.changeFolder(parentPath);
        m_client.rename(oldName, newName);
        ListRemoteFolder(parent);
    });
}

void RemoteSession::DoDeleteRemote() {
    QTreeWidgetItem* node = selectedRemoteNode();
    if (!m_client.isReady() || !node || !node->parent()) {
        return;
    }
    const QString text = remoteText(node);
    const QString shown = node->text(0);
    QTreeWidgetItem* parent = node->parent();
    const QString parentPath = nodePath(parent);
    const bool folder = isRemoteFolderText(text);
    const QString question = folder ? "Do you wish to delete the " + shown + " folder?"
                                    : "Do you wish to delete the " + shown + " file ?";
    if (m_prompts.message(Prompts::Kind::Question, QString(), question,
                          Prompts::Yes | Prompts::No) != Prompts::Yes ||
        !treeHolds(parent)) {
        return;
    }
    runGuarded(m_prompts, [this, parent, parentPath, text, folder] {
        m_client.changeFolder(parentPath);
        if (folder) {
            m_client.removeFolder(remoteNodePath(m_client.currentFolder(), {text}));
        } else {
            m_client.deleteFile(text);
        }
        ListRemoteFolder(parent);
    });
}

void RemoteSession::TBXRSortClick() {
    tvList->sortItems(0, Qt::AscendingOrder);
}

void RemoteSession::contextMenu(QWidget* view, const QPoint& position, bool filesList) {
    if (!filesList) {
        QTreeWidgetItem* node = tvList->itemAt(position);
        if (!node) {
            return;
        }
        tvList->setCurrentItem(node);
        onNodeClicked(node);
    } else if (!selectedRemoteNode()) {
        return;
    }
    QMenu menu;
    menu.addSeparator();
    menu.addAction("Add Files To Download Queue", this, [this] {
        if (m_addToDownloads) {
            m_addToDownloads();
        }
    });
    menu.addAction("Save the file as..", this, [this] {
        if (m_saveAs) {
            m_saveAs();
        }
    });
    menu.addAction(filesList ? "Rename" : "Rename Selected", this, &RemoteSession::DoRenameRemote);
    menu.addAction("Delete", this, &RemoteSession::DoDeleteRemote);
    menu.addSeparator();
    menu.addAction("Make new folder", this, &RemoteSession::btnMakeDirClick);
    menu.addSeparator();
    menu.addAction("Refresh", this, &RemoteSession::DoRefreshRemote);
    menu.addSeparator();
    menu.addAction("Disconnect", this, &RemoteSession::DoLogOut);
    menu.exec(view->mapToGlobal(position));
}
