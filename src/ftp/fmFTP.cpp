#include "fmFTP.h"

#include <QActionGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QDragEnterEvent>
#include <QFile>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QLocale>
#include <QMenu>
#include <QMimeData>
#include <QProgressBar>
#include <QSaveFile>
#include <QScopeGuard>
#include <QScrollBar>
#include <QSplitter>
#include <QStackedWidget>
#include <QStandardItemModel>
#include <QStatusBar>
#include <QTabBar>
#include <QTabWidget>
#include <QTextEdit>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QTreeView>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>
#include <QUrl>
#include <QVBoxLayout>

#include <limits>

#include "AppError.h"
#include "Prompts.h"
#include "ServerText.h"
#include "ToolHost.h"
#include "fileDlg.h"
#include "newDlg.h"

namespace {

const char* const kHelpCaption = "FTP-Client Help Message";
const char* const kConnected = "Ftp Clinet - Connected.";
const char* const kDisconnected = "Ftp Clinet - Disconnected.";
const char* const kExportFilter = "Text file (*.txt);;Word file (*.doc)";
constexpr int kSectionRole = Qt::UserRole + 1;
// A files-list row keeps the tree node it shows.
constexpr int kNodeRole = Qt::UserRole + 2;
// A remote tree node keeps the facts its listing line gave.
constexpr int kSizeRole = Qt::UserRole + 3;
constexpr int kDateRole = Qt::UserRole + 4;
constexpr int kAttributesRole = Qt::UserRole + 5;
constexpr int kLineRole = Qt::UserRole + 6;
// The node's text byte for byte as the server named it: commands use it, the
// node shows it without control bytes (see remoteText()).
constexpr int kNameRole = Qt::UserRole + 7;

int toInteger(const QString& text) {
    bool ok = false;
    const int value = text.trimmed().toInt(&ok);
    if (!ok) {
        throw AppError(QString("'%1' is not a valid integer value.").arg(text));
    }
    return value;
}

// The save dialogs propose "txt" as the extension of a bare name.
QString withDefaultExtension(const QString& path) {
    return QFileInfo(path).suffix().isEmpty() ? path + ".txt" : path;
}

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

TFTPfrm::TFTPfrm(ToolHost& host, QWidget* parent)
    : ToolWindow(host, ToolKind::FtpClient, parent), m_favorites(FavoritesFile::defaultPath()) {
    LoadImageStrip(m_images, "Ftp.bmp");
    m_askFileExists = [this](const QString& name) { return TFileExistsDialog::ask(name, this); };
    m_askName = [this](const QString& prompt, const QString& proposed) {
        return TNewDialog::ask(prompts(), prompt, proposed, this);
    };
    setMinimumSize(626, 462);
    buildActions();
    buildToolBars();

    auto* panes = new QSplitter(Qt::Horizontal);
    panes->addWidget(buildSitePages());
    panes->addWidget(buildRemotePane());
    panes->addWidget(buildRightPane());
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
    buildStatusBar();
    wireClient();

    applyConnectionState();
    m_statusText->setText("Ready");
}

TFTPfrm::~TFTPfrm() {
    m_destroying = true;
    m_client.close();
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
    TBXOpenDownloadFolder = make("TBXOpenDownloadFolder", "Open Download Folder", [] {});
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
    TBXStopAll = make("TBXStopAll", "Stop All Transfers", [] {});
    TBXResumeAll = make("TBXResumeAll", "Resume All Transfers", [] {});

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

    TBXConnect->setIcon(image(ImageConnected));
    btnLogin->setIcon(image(ImageConnected));
    TBXDisconnect->setIcon(image(ImageDisconnected));
    btnLogout->setIcon(image(ImageDisconnected));
    TBXDownload->setIcon(image(ImageDownload));
    TBXUpload->setIcon(image(ImageUpload));
    TBXAddToFav->setIcon(image(ImageSite));
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

    m_quickBar = new QToolBar("Quick Connect Toolbar", this);
    m_quickBar->setObjectName("tbQuickConnect");
    auto field = [this](const char* name, const QString& label, int width) {
        m_quickBar->addWidget(new QLabel(label));
        auto* edit = new QLineEdit;
        edit->setObjectName(name);
        edit->setFixedWidth(width);
        m_quickBar->addWidget(edit);
        return edit;
    };
    TBXedtServer = field("TBXedtServer", " Server:", 160);
    TBXedtUser = field("TBXedtUser", "   User:", 100);
    TBXedtPassword = field("TBXedtPassword", "   Password", 100);
    TBXedtPassword->setEchoMode(QLineEdit::Password);
    TBXedtPort = field("TBXedtPort", "   Port:", 50);
    TBXedtPort->setText("21");
    m_quickBar->addAction(TBXQConnect);
    m_quickBar->addAction(TBXQuickToFav);
    addToolBar(Qt::TopToolBarArea, m_quickBar);
    m_quickBar->hide();
}

QWidget* TFTPfrm::buildSitePages() {
    PCtrlSites = new QTabWidget;
    PCtrlSites->setObjectName("PCtrlSites");

    SiteProper = new QWidget;
    SiteProper->setObjectName("SiteProper");
    auto* form = new QFormLayout(SiteProper);
    auto edit = [](const char* name, const QString& text = QString()) {
        auto* field = new QLineEdit(text);
        field->setObjectName(name);
        return field;
    };
    edtServer = edit("edtServer");
    edtUser = edit("edtUser");
    edtPassword = edit("edtPassword");  // shown in plain text, as stored
    edtDesc = edit("edtDesc");
    edtStartDir = edit("edtStartDir");
    edtPort = edit("edtPort", "21");
    edtTimeO = edit("edtTimeO", "6");
    form->addRow("IP / Host", edtServer);
    form->addRow("User:", edtUser);
    form->addRow("Password:", edtPassword);
    form->addRow("Site Description", edtDesc);
    form->addRow("Web Site Start Folder:", edtStartDir);
    form->addRow("Port", edtPort);
    auto* timeOut = new QHBoxLayout;
    timeOut->addWidget(edtTimeO);
    timeOut->addWidget(new QLabel("Sec."));
    form->addRow("Time Out", timeOut);
    cbPassiveMode = new QCheckBox("Passive Mode");
    cbPassiveMode->setObjectName("cbPassiveMode");
    cbAsciiMode = new QCheckBox("Ascii Mode");
    cbAsciiMode->setObjectName("cbAsciiMode");
    cbAnonymous = new QCheckBox("Log As Anonymous");
    cbAnonymous->setObjectName("cbAnonymous");
    form->addRow(cbPassiveMode);
    form->addRow(cbAsciiMode);
    form->addRow(cbAnonymous);
    connect(cbAnonymous, &QCheckBox::toggled, this, [this](bool checked) {
        if (checked) {
            edtUser->setText("anonymous");
        }
    });
    auto* loginRow = new QHBoxLayout;
    for (QAction* action : {btnLogin, btnLogout}) {
        auto* button = new QToolButton;
        button->setDefaultAction(action);
        button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
        loginRow->addWidget(button);
    }
    form->addRow(loginRow);

    LocalFolders = new QWidget;
    LocalFolders->setObjectName("LocalFolders");
    auto* local = new QVBoxLayout(LocalFolders);
    auto* localBar = new QToolBar;
    m_folderCombo = new QComboBox;
    m_folderCombo->setObjectName("ShellCombo");
    m_folderCombo->addItem(QDir::homePath(), QDir::homePath());
    m_folderCombo->addItem("/", "/");
    localBar->addAction("One Level Up", this, [this] {
        const QModelIndex parent = ShellTree->currentIndex().parent();
        if (parent.isValid()) {
            ShellTree->setCurrentIndex(parent);
        }
    });
    m_localModel = new QFileSystemModel(this);
    m_localModel->setFilter(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    m_localModel->setRootPath(QDir::rootPath());
    ShellTree = new QTreeView;
    ShellTree->setObjectName("ShellTree");
    ShellTree->setModel(m_localModel);
    for (int column = 1; column < m_localModel->columnCount(); ++column) {
        ShellTree->hideColumn(column);
    }
    ShellTree->setHeaderHidden(true);
    ShellTree->setRootIndex(m_localModel->index(QDir::homePath()));
    ShellTree->setDragEnabled(true);
    ShellTree->setAcceptDrops(true);
    ShellTree->viewport()->installEventFilter(this);
    connect(m_folderCombo, &QComboBox::currentIndexChanged, this, [this](int index) {
        ShellTree->setRootIndex(m_localModel->index(m_folderCombo->itemData(index).toString()));
    });
    local->addWidget(m_folderCombo);
    local->addWidget(ShellTree);
    local->addWidget(localBar);

    FavSites = new QWidget;
    FavSites->setObjectName("FavSites");
    auto* favorites = new QVBoxLayout(FavSites);
    TVFav = new QTreeWidget;
    TVFav->setObjectName("TVFav");
    TVFav->setHeaderHidden(true);
    TVFav->setEditTriggers(QAbstractItemView::NoEditTriggers);
    TVFav->setExpandsOnDoubleClick(false);
    TVFav->setToolTip(
        "Press the + to expand the favorite details.\n\rPress doubleclick to connect.\n\rRight "
        "click menu is avaliable.");
    TVFav->setContextMenuPolicy(Qt::CustomContextMenu);
    favorites->addWidget(TVFav);
    connect(TVFav, &QTreeWidget::itemCollapsed, this, [](QTreeWidgetItem* item) {
        // Details once shown stay shown until the next rebuild.
        item->setExpanded(true);
    });
    // Filled when another site is selected only, never on a mere redraw, so
    // what the user typed stays for "Edit Site Properties" to save.
    connect(TVFav, &QTreeWidget::currentItemChanged, this, &TFTPfrm::FillSiteFields);
    connect(TVFav, &QTreeWidget::itemDoubleClicked, this, &TFTPfrm::TVFavDblClick);
    connect(TVFav, &QTreeWidget::customContextMenuRequested, this, &TFTPfrm::favoritesContextMenu);

    PCtrlSites->addTab(SiteProper, "Site Properties");
    PCtrlSites->addTab(LocalFolders, "Local Folders");
    PCtrlSites->addTab(FavSites, "Favorite Sites");
    // All three tabs stay readable side by side.
    PCtrlSites->setMinimumWidth(PCtrlSites->tabBar()->sizeHint().width() + 8);
    return PCtrlSites;
}

QWidget* TFTPfrm::buildRemotePane() {
    auto* pane = new QWidget;
    auto* layout = new QVBoxLayout(pane);
    layout->setContentsMargins(0, 0, 0, 0);
    m_remoteBar = new QToolBar;
    m_remoteBar->setObjectName("tbRemote");
    m_remoteBar->addWidget(new QLabel("Remote Site:     "));
    m_remoteBar->setToolButtonStyle(Qt::ToolButtonTextOnly);
    TBXRSort = m_remoteBar->addAction("Alpha Sort", this, &TFTPfrm::TBXRSortClick);
    TBXRSort->setObjectName("TBXRSort");
    TBXRSort->setCheckable(true);
    TBXRRefresh = m_remoteBar->addAction("Refresh", this, &TFTPfrm::DoRefreshRemote);
    TBXRRefresh->setObjectName("TBXRRefresh");
    auto* viewMenu = new QMenu(this);
    auto* group = new QActionGroup(this);
    auto mode = [&](const char* name, const QString& caption, int index) {
        QAction* action =
            viewMenu->addAction(caption, this, [this, index] { setFilesViewMode(index); });
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
    viewButton->setText("View Files As ...");
    viewButton->setMenu(viewMenu);
    viewButton->setPopupMode(QToolButton::InstantPopup);
    m_remoteBar->addWidget(viewButton);
    layout->addWidget(m_remoteBar);

    tvList = new QTreeWidget;
    tvList->setObjectName("tvList");
    tvList->setHeaderHidden(true);
    tvList->setSortingEnabled(true);
    tvList->sortByColumn(0, Qt::AscendingOrder);
    tvList->setExpandsOnDoubleClick(false);
    tvList->setContextMenuPolicy(Qt::CustomContextMenu);
    tvList->setDragEnabled(true);
    tvList->setAcceptDrops(true);
    tvList->viewport()->installEventFilter(this);
    tvList->installEventFilter(this);
    connect(tvList, &QTreeWidget::itemDoubleClicked, this, &TFTPfrm::DoOpenDir);
    connect(tvList, &QTreeWidget::itemClicked, this, &TFTPfrm::onRemoteNodeClicked);
    connect(tvList, &QTreeWidget::itemExpanded, this, [this](QTreeWidgetItem* item) {
        if (isRemoteFolderText(item->text(0))) {
            item->setIcon(0, image(ImageFolderOpen));
        }
    });
    connect(tvList, &QTreeWidget::itemCollapsed, this, [this](QTreeWidgetItem* item) {
        if (isRemoteFolderText(item->text(0))) {
            item->setIcon(0, image(ImageFolder));
        }
    });
    connect(tvList, &QTreeWidget::customContextMenuRequested, this,
            [this](const QPoint& position) { remoteContextMenu(tvList, position, false); });
    layout->addWidget(tvList);
    return pane;
}

QWidget* TFTPfrm::buildRightPane() {
    auto* splitter = new QSplitter(Qt::Vertical);
    m_rightPane = splitter;
    m_filesModel = new QStandardItemModel(0, 6, this);
    m_filesModel->setHorizontalHeaderLabels(
        {"File Name", "Size (KB)", "Modied Date", "Folder", "File Attribute", "Parse"});
    LVFiles = new QTreeView;
    LVFiles->setObjectName("LVFiles");
    LVFiles->setModel(m_filesModel);
    LVFiles->setRootIsDecorated(false);
    LVFiles->setSelectionMode(QAbstractItemView::ExtendedSelection);
    LVFiles->setSelectionBehavior(QAbstractItemView::SelectRows);
    LVFiles->setEditTriggers(QAbstractItemView::NoEditTriggers);
    LVFiles->setSortingEnabled(true);
    LVFiles->setToolTip("Press On The Colums To Sort Data.");
    const int widths[] = {150, 75, 80, 60, 75, 70};
    for (int column = 0; column < 6; ++column) {
        LVFiles->setColumnWidth(column, widths[column]);
    }
    m_filesIconView = new QListView;
    m_filesIconView->setObjectName("LVFilesIcons");
    m_filesIconView->setModel(m_filesModel);
    m_filesIconView->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_filesIconView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_filesStack = new QStackedWidget;
    m_filesStack->addWidget(m_filesIconView);
    m_filesStack->addWidget(LVFiles);
    m_filesStack->setCurrentWidget(LVFiles);
    for (QAbstractItemView* view : {static_cast<QAbstractItemView*>(LVFiles),
                                    static_cast<QAbstractItemView*>(m_filesIconView)}) {
        view->setDragEnabled(true);
        view->setAcceptDrops(true);
        view->viewport()->installEventFilter(this);
        view->installEventFilter(this);
        view->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(view, &QAbstractItemView::clicked, this, [this](const QModelIndex& index) {
            // The row's tree node becomes the selected node.
            auto* node = static_cast<QTreeWidgetItem*>(
                m_filesModel->index(index.row(), 0).data(kNodeRole).value<void*>());
            if (node) {
                tvList->setCurrentItem(node);
                onRemoteNodeClicked(node);
            }
        });
        connect(view, &QAbstractItemView::doubleClicked, this, &TFTPfrm::DoOpenDir);
        connect(view, &QWidget::customContextMenuRequested, this,
                [this, view](const QPoint& position) { remoteContextMenu(view, position, true); });
    }
    splitter->addWidget(m_filesStack);

    m_logPanel = new QWidget;
    auto* log = new QVBoxLayout(m_logPanel);
    log->setContentsMargins(0, 0, 0, 0);
    auto* header = new QHBoxLayout;
    m_logCaption = new QLabel("Connection Log");
    cbColoredLog = new QCheckBox("Colored Log. (Uses some cpu)");
    cbColoredLog->setObjectName("cbColoredLog");
    header->addWidget(m_logCaption);
    header->addStretch();
    header->addWidget(cbColoredLog);
    memLog = new QTextEdit;
    memLog->setObjectName("memLog");
    memLog->setLineWrapMode(QTextEdit::NoWrap);
    log->addLayout(header);
    log->addWidget(memLog);
    splitter->addWidget(m_logPanel);
    splitter->setSizes({300, 93});
    return splitter;
}

QWidget* TFTPfrm::buildBottomPages() {
    m_bottomPages = new QTabWidget;
    m_bottomPages->setObjectName("pcBottom");
    m_bottomPages->setTabPosition(QTabWidget::South);
    tabTransfers = new QWidget;
    tabTransfers->setObjectName("tabTransfers");
    auto* transfers = new QVBoxLayout(tabTransfers);
    transfers->setContentsMargins(0, 0, 0, 0);
    LVTransfer = new QTreeWidget;
    LVTransfer->setObjectName("LVTransfer");
    LVTransfer->setHeaderLabels({"URL/File", "<->", "Proceed", "File Size", "Speed", "Elapsed",
                                 "Progress", "Remained", "Status", "Local File", "Remote File"});
    LVTransfer->setRootIsDecorated(false);
    LVTransfer->setAcceptDrops(true);
    LVTransfer->viewport()->installEventFilter(this);
    m_progress = new QProgressBar;
    m_progress->setObjectName("pbTransfer");
    m_progress->hide();
    transfers->addWidget(m_progress);
    transfers->addWidget(LVTransfer);
    tabDetails = new QWidget;
    tabDetails->setObjectName("tabDetails");
    tabOptions = new QWidget;
    tabOptions->setObjectName("tabOptions");
    TabEditor = new QTextEdit;
    TabEditor->setObjectName("TabEditor");
    TabBrowser = new QWidget;
    TabBrowser->setObjectName("TabBrowser");
    m_bottomPages->addTab(tabTransfers, "Transfers");
    m_bottomPages->addTab(tabDetails, "File Info");
    m_bottomPages->addTab(tabOptions, "Options");
    m_bottomPages->addTab(TabEditor, "Editor");
    m_bottomPages->addTab(TabBrowser, "File Browser");
    m_bottomPages->setTabVisible(3, false);
    m_bottomPages->setTabVisible(4, false);
    return m_bottomPages;
}

void TFTPfrm::buildStatusBar() {
    auto* panel = new QWidget;
    auto* layout = new QHBoxLayout(panel);
    layout->setContentsMargins(0, 0, 0, 0);
    m_statusIcon = new QLabel;
    m_statusText = new QLabel;
    m_statusText->setObjectName("statusPanel0");
    layout->addWidget(m_statusIcon);
    layout->addWidget(m_statusText, 1);
    panel->setMinimumWidth(150);
    m_statusKind = new QLabel;
    m_statusKind->setObjectName("statusPanel1");
    m_statusKind->setFixedWidth(80);
    m_statusName = new QLineEdit;
    m_statusName->setObjectName("statusPanel2");
    m_statusName->setReadOnly(true);
    m_statusName->setFixedWidth(150);
    statusBar()->addWidget(panel);
    statusBar()->addWidget(m_statusKind);
    statusBar()->addWidget(m_statusName);
}

void TFTPfrm::wireClient() {
    connect(&m_client, &FtpClient::replyTextRead, this,
            [this](const QString& text) { appendLog("Status: " + text.trimmed()); });
    connect(&m_client, &FtpClient::commandSent, this,
            [this](const QString& text) { appendLog("Command: " + text); });
    connect(&m_client, &FtpClient::statusChanged, this, [this] {
        if (!m_client.lastReplyText().isEmpty()) {
            m_statusText->setText(m_client.lastReplyText());
        }
    });
    connect(&m_client, &FtpClient::errorOccurred, this, [this] {
        m_statusIcon->setPixmap(image(ImageError).pixmap(16));
        m_statusText->setText("Error");
    });
    connect(&m_client, &FtpClient::connectionClosed, this, [this] {
        if (m_destroying) {
            return;
        }
        clearRemoteTree();
        applyConnectionState();
    });
    connect(&m_client, &FtpClient::dataProceeded, this, &TFTPfrm::onDataProceeded);
}

void TFTPfrm::showEvent(QShowEvent* event) {
    ToolWindow::showEvent(event);
    if (m_shownOnce) {
        return;
    }
    m_shownOnce = true;
    const bool haveFile = m_favorites.exists();
    if (haveFile) {
        guarded([this] {
            fillFieldsFromFile();
            RebuildFavorites();
        });
        PCtrlSites->setCurrentWidget(FavSites);
    } else {
        PCtrlSites->setCurrentWidget(SiteProper);
    }
    TBXRemoveFromFav->setEnabled(haveFile);
    TBXExportFav->setEnabled(haveFile);
}

bool TFTPfrm::queryClose() {
    if (m_client.isBusy()) {
        // The running call unwinds first; the window closes right after it.
        m_closeWhenIdle = true;
        m_client.abort();
        return false;
    }
    return true;
}

// ----------------------------------------------------------------- helpers

void TFTPfrm::guarded(const std::function<void()>& work) {
    try {
        work();
    } catch (const AppError& error) {
        prompts().errorBox(error.message());
    }
    if (m_closeWhenIdle && !m_client.isBusy()) {
        m_closeWhenIdle = false;
        QTimer::singleShot(0, this, &QWidget::close);
    }
}

void TFTPfrm::helpMessage(const QString& text, int milliseconds) {
    prompts().timedMessage(kHelpCaption, text, milliseconds);
}

void TFTPfrm::appendLog(const QString& line) {
    memLog->append(line);
    memLog->verticalScrollBar()->setValue(memLog->verticalScrollBar()->maximum());
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
        m_filesStack->setVisible(on);
        action->setText(on ? "Hide The Files List Window" : "Show The Files List Window");
    } else if (action == TBXVShowEditor || action == TBXVShowBrowser) {
        const int index = action == TBXVShowEditor ? 3 : 4;
        m_bottomPages->setTabVisible(index, on);
        m_bottomPages->setCurrentIndex(on ? index : 0);
        if (action == TBXVShowEditor) {
            action->setText(on ? "Hide The Editor" : "Show The Editor");
        } else {
            action->setText(on ? "Hide The File Browser" : "Show The File Browser");
        }
    }
}

void TFTPfrm::setFilesViewMode(int mode) {
    if (mode == 2) {
        m_filesStack->setCurrentWidget(LVFiles);
        return;
    }
    m_filesIconView->setViewMode(mode == 0 ? QListView::IconMode : QListView::ListMode);
    m_filesIconView->setIconSize(mode == 0 ? QSize(32, 32) : QSize(16, 16));
    m_filesStack->setCurrentWidget(m_filesIconView);
}

void TFTPfrm::handOffAddress(const QString& address) {
    TBXVShowQuick->setChecked(true);
    toggleView(TBXVShowQuick);
    TBXedtServer->setText(address);
}

void TFTPfrm::openAddress(const QString& address) {
    const QUrl url(address);
    handOffAddress(url.host());
    const QString user = url.userName(QUrl::FullyDecoded);
    QString password = url.password(QUrl::FullyDecoded);
    TBXedtUser->setText(user.isEmpty() ? QStringLiteral("anonymous") : user);
    TBXedtPort->setText(QString::number(url.port(21)));
    if (!user.isEmpty() && user != QLatin1String("anonymous") && password.isEmpty() &&
        !prompts().passwordQuery(QStringLiteral("Corvanta : FTP Client"),
                                 QStringLiteral("Password of %1 at %2:").arg(user, url.host()),
                                 password)) {
        return;  // the bar stays filled for a Connect by hand
    }
    TBXedtPassword->setText(password);
    TBXQConnectClick();
    QString path = url.path(QUrl::FullyDecoded);
    while (path.size() > 1 && path.endsWith(QLatin1Char('/')))
        path.chop(1);
    // The bare host shows the folder the server logs in to.
    if (!m_client.isConnected() || path.isEmpty() || path == QLatin1String("/"))
        return;
    guarded([&] {
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
            if (root->child(i)->data(0, kNameRole).toString() == name) {
                tvList->setCurrentItem(root->child(i));
                onRemoteNodeClicked(root->child(i));
                return;
            }
        }
    });
}

// ------------------------------------------------------------------ session

void TFTPfrm::applyConnectionState() {
    const bool connected = m_client.isConnected();
    for (QAction* action :
         {TBXViewIcons, TBXViewList, TBXViewDetails, TBXRefresh, TBXUpload, TBXDownload, TBXRename,
          TBXMakeDir, TBXDelete, TBXStopAll, TBXResumeAll, TBXFICreateList}) {
        action->setEnabled(connected);
    }
    m_remoteBar->setEnabled(connected);
    btnLogout->setVisible(connected);
    TBXDisconnect->setVisible(connected);
    TBXQConnect->setVisible(!connected);
    btnLogin->setVisible(!connected);
    TBXConnect->setVisible(!connected);
    // The window keeps its kind caption (the frame saves it at exit); the
    // connection state shows in the status bar and the frame's caption.
    m_statusText->setText(connected ? kConnected : kDisconnected);
    m_statusIcon->setPixmap(image(connected ? ImageConnected : ImageDisconnected).pixmap(16));
    host().setFrameCaption(connected ? "FTP Client Connected To Server: " + m_client.server()
                                     : QString("FTP Client - Ready"));
}

void TFTPfrm::finishLogIn() {
    applyConnectionState();
    edtStartDir->setEnabled(!m_client.isConnected());
    PCtrlSites->setCurrentWidget(LocalFolders);
}

void TFTPfrm::logInWith(const std::function<void()>& steps) {
    guarded([&] {
        // The state follows the attempt, failed or not, before any error box.
        try {
            steps();
        } catch (const AppError&) {
            finishLogIn();
            throw;
        }
        finishLogIn();
    });
}

void TFTPfrm::configureClient(const QString& server, const QString& user, const QString& password,
                              const QString& port) {
    m_client.setPort(toInteger(port));
    m_client.setServer(server);
    m_client.setUserName(user);
    m_client.setPassword(password);
    m_client.setTimeOut(toInteger(edtTimeO->text()));
    m_client.setPassiveMode(cbPassiveMode->isChecked());
    m_client.setTransferType(cbAsciiMode->isChecked() ? FtpClient::TransferType::Ascii
                                                      : FtpClient::TransferType::Binary);
}

void TFTPfrm::showStartFolder(const QString& root) {
    m_root = root;
    edtStartDir->setText(root);
    if (root.startsWith('/')) {
        ListRemoteFolder(nullptr);
    }
}

void TFTPfrm::DoLogIn() {
    if (m_client.isBusy()) {
        return;  // a connect is still running
    }
    if (m_client.isConnected()) {
        helpMessage("You are already connected. Please click Logout to disconnect.", 1200);
        return;
    }
    if (edtServer->text().isEmpty()) {
        return;
    }
    logInWith([this] {
        configureClient(edtServer->text(), edtUser->text(), edtPassword->text(), edtPort->text());
        m_client.open();
        const QString startFolder = edtStartDir->text();
        showStartFolder(startFolder.isEmpty() ? m_client.currentFolder() : startFolder);
    });
}

void TFTPfrm::TBXQConnectClick() {
    if (m_client.isBusy()) {
        return;  // a connect is still running
    }
    if (m_client.isConnected()) {
        helpMessage("You are already connected. Please Logout to disconnect.", 1200);
        return;
    }
    if (TBXedtServer->text().isEmpty()) {
        helpMessage("You must enter a valid FTP address to connect.", 1200);
        return;
    }
    logInWith([this] {
        edtPort->setText(TBXedtPort->text());
        edtServer->setText(TBXedtServer->text());
        edtUser->setText(TBXedtUser->text());
        edtDesc->setText("Quick Connect");
        edtPassword->setText(TBXedtPassword->text());
        configureClient(TBXedtServer->text(), TBXedtUser->text(), TBXedtPassword->text(),
                        TBXedtPort->text());
        m_client.open();
        showStartFolder(m_client.currentFolder());
    });
}

void TFTPfrm::TBXFIanonymousClick() {
    if (m_client.isBusy()) {
        return;  // a connect is still running
    }
    if (m_client.isConnected()) {
        helpMessage("You are already connected. Please Logout to disconnect.", 1200);
        return;
    }
    QString address;
    prompts().inputQuery("Connect To Anonymous FTP",
                         "Please Enter A Valid FTP Address and press OK. You will be logged on "
                         "as \"Anonymous\" user.",
                         address);
    if (address.isEmpty()) {
        helpMessage("You must enter a valid FTP address to connect.", 1200);
        return;
    }
    logInWith([this, address] {
        edtPort->setText("21");
        edtServer->setText(address);
        edtUser->setText("anonymous");
        edtDesc->setText("Anonymous FTP Login");
        edtPassword->clear();
        configureClient(address, "anonymous", QString(), "21");
        m_client.open();
        showStartFolder(m_client.currentFolder());
    });
}

void TFTPfrm::DoLogOut() {
    m_statusText->setText("Disconnected (User Request).");
    m_client.close();
    clearRemoteTree();
    applyConnectionState();
    edtStartDir->setEnabled(true);
    PCtrlSites->setCurrentWidget(FavSites);
}

bool TFTPfrm::treeHolds(const QTreeWidgetItem* node) const {
    for (QTreeWidgetItemIterator it(tvList); *it; ++it) {
        if (*it == node) {
            return true;
        }
    }
    return false;
}

void TFTPfrm::clearRemoteTree() {
    tvList->clear();
    m_filesModel->removeRows(0, m_filesModel->rowCount());
}

// ------------------------------------------------------------- remote tree

QTreeWidgetItem* TFTPfrm::selectedRemoteNode() const {
    return tvList->currentItem();
}

QString TFTPfrm::nodePath(QTreeWidgetItem* node) const {
    QStringList folders;
    for (QTreeWidgetItem* item = node; item && item->parent(); item = item->parent()) {
        if (isRemoteFolderText(item->text(0))) {
            folders.prepend(remoteText(item));
        }
    }
    return remoteNodePath(m_root, folders);
}

QString TFTPfrm::remoteText(const QTreeWidgetItem* node) const {
    const QVariant exact = node->data(0, kNameRole);
    return exact.isValid() ? exact.toString() : node->text(0);
}

QTreeWidgetItem* TFTPfrm::containingFolder(QTreeWidgetItem* node) const {
    return node ? node->parent() : nullptr;
}

QIcon TFTPfrm::iconForEntry(const QString& text) const {
    if (isRemoteFolderText(text)) {
        return image(ImageFolder);
    }
    switch (remoteFileIcon(text)) {
        case RemoteFileIcon::WebPage:
            return image(ImageWebPage);
        case RemoteFileIcon::Archive:
            return image(ImageArchive);
        case RemoteFileIcon::Picture:
            return image(ImagePicture);
        case RemoteFileIcon::Sound:
            return image(ImageSound);
        case RemoteFileIcon::Text:
            return image(ImageText);
        case RemoteFileIcon::Xml:
            return image(ImageXml);
        case RemoteFileIcon::File:
            break;
    }
    return image(ImageFile);
}

void TFTPfrm::ListRemoteFolder(QTreeWidgetItem* node) {
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
        target->setIcon(0, image(ImageFile));
        tvList->setCurrentItem(target);
    } else {
        qDeleteAll(target->takeChildren());
    }
    for (const FtpListEntry& entry : entries) {
        const bool folder = entry.folder || entry.link;
        const QString text = remoteEntryText(printableText(entry.name), folder);
        auto* child = new QTreeWidgetItem(target, {text});
        child->setData(0, kNameRole, remoteEntryText(entry.name, folder));
        child->setIcon(0, iconForEntry(text));
        child->setData(0, kSizeRole, entry.size);
        child->setData(0, kDateRole, entry.date);
        child->setData(0, kAttributesRole, entry.attributes);
        child->setData(0, kLineRole, printableText(entry.raw));
    }
    target->setExpanded(true);
    if (TBXRSort->isChecked()) {
        tvList->sortItems(0, Qt::AscendingOrder);
    }
    tvList->setUpdatesEnabled(true);
    refillFilesList();
}

void TFTPfrm::refillFilesList() {
    m_filesModel->removeRows(0, m_filesModel->rowCount());
    QTreeWidgetItem* node = selectedRemoteNode();
    if (!node) {
        return;
    }
    const QString folder = printableText(nodePath(node));
    const QLocale locale;
    for (int i = 0; i < node->childCount(); ++i) {
        QTreeWidgetItem* child = node->child(i);
        if (isRemoteFolderText(child->text(0))) {
            continue;
        }
        QList<QStandardItem*> row;
        auto* name = new QStandardItem(child->icon(0), child->text(0));
        name->setData(QVariant::fromValue(static_cast<void*>(child)), kNodeRole);
        row.append(name);
        const QDateTime date = child->data(0, kDateRole).toDateTime();
        for (const QString& text :
             {locale.toString(child->data(0, kSizeRole).toLongLong() / 1024.0, 'f', 2),
              date.isValid() ? date.toString("yyyy-MM-dd hh:mm") : QString(), folder,
              child->data(0, kAttributesRole).toString(), child->data(0, kLineRole).toString()}) {
            row.append(new QStandardItem(text));
        }
        m_filesModel->appendRow(row);
    }
}

void TFTPfrm::onRemoteNodeClicked(QTreeWidgetItem* node) {
    if (!node) {
        return;
    }
    m_statusKind->setText(isRemoteFolderText(node->text(0)) ? "Selected Folder:"
                                                            : "Selected File:");
    m_statusName->setText(node->text(0));
}

void TFTPfrm::DoOpenDir() {
    QTreeWidgetItem* node = selectedRemoteNode();
    if (!m_client.isReady() || !node || node->text(0).isEmpty()) {
        return;
    }
    guarded([this, node] {
        if (isRemoteFolderText(node->text(0))) {
            ListRemoteFolder(node);
        } else if (node->text(0) == ".." && !node->parent()) {
            m_root = remoteParentFolder(m_root);
            edtStartDir->setText(m_root);
            ListRemoteFolder(node);
        }
    });
}

void TFTPfrm::DoRefreshRemote() {
    if (!m_client.isReady()) {
        return;
    }
    guarded([this] { ListRemoteFolder(nullptr); });
}

void TFTPfrm::btnMakeDirClick() {
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
    guarded([this, target, name] {
        m_client.changeFolder(target ? nodePath(target) : m_root);
        m_client.makeFolder(name);
        ListRemoteFolder(target);
    });
}

void TFTPfrm::DoRenameRemote() {
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
    guarded([this, parent, parentPath, oldName, newName] {
        m_client.changeFolder(parentPath);
        m_client.rename(oldName, newName);
        ListRemoteFolder(parent);
    });
}

void TFTPfrm::DoDeleteRemote() {
    QTreeWidgetItem* node = selectedRemoteNode();
    if (!m_client.isReady() || !node || !node->parent()) {
        return;
    }
    const QString text = remoteText(node);
    const QString shown = node->text(0);
    QTreeWidgetItem* parent = node->parent();
    const QString parentPath = nodePath(parent);
    if (!isRemoteFolderText(text)) {
        if (prompts().message(Prompts::Kind::Question, QString(),
                              "Do you wish to delete the " + shown + " file ?",
                              Prompts::Yes | Prompts::No) != Prompts::Yes ||
            !treeHolds(parent)) {
            return;
        }
        guarded([this, parent, parentPath, text] {
            m_client.changeFolder(parentPath);
            m_client.deleteFile(text);
            ListRemoteFolder(parent);
        });
        return;
    }
    if (prompts().message(Prompts::Kind::Question, QString(),
                          "Do you wish to delete the " + shown + " folder?",
                          Prompts::Yes | Prompts::No) != Prompts::Yes ||
        !treeHolds(parent)) {
        return;
    }
    guarded([this, parent, parentPath, text] {
        m_client.changeFolder(parentPath);
        m_client.removeFolder(remoteNodePath(m_client.currentFolder(), {text}));
        ListRemoteFolder(parent);
    });
}

void TFTPfrm::TBXRSortClick() {
    tvList->sortItems(0, Qt::AscendingOrder);
}

void TFTPfrm::remoteContextMenu(QWidget* view, const QPoint& position, bool filesList) {
    if (!filesList) {
        QTreeWidgetItem* node = tvList->itemAt(position);
        if (!node) {
            return;
        }
        tvList->setCurrentItem(node);
        onRemoteNodeClicked(node);
    } else if (!selectedRemoteNode()) {
        return;
    }
    QMenu menu;
    menu.addSeparator();
    menu.addAction("Add Files To Download Queue", this, &TFTPfrm::DoAddToDownloads);
    menu.addAction("Save the file as..", this, &TFTPfrm::btnDownloadClick);
    menu.addAction(filesList ? "Rename" : "Rename Selected", this, &TFTPfrm::DoRenameRemote);
    menu.addAction("Delete", this, &TFTPfrm::DoDeleteRemote);
    menu.addSeparator();
    menu.addAction("Make new folder", this, &TFTPfrm::btnMakeDirClick);
    menu.addSeparator();
    menu.addAction("Refresh", this, &TFTPfrm::DoRefreshRemote);
    menu.addSeparator();
    menu.addAction("Disconnect", this, &TFTPfrm::DoLogOut);
    menu.exec(view->mapToGlobal(position));
}

// The queue arrives with the transfer engine; until then the gestures that
// feed it end here.
void TFTPfrm::DoAddToDownloads() {}
void TFTPfrm::DoAddToUpload() {}

bool TFTPfrm::eventFilter(QObject* watched, QEvent* event) {
    if (!tvList || !LVFiles || !m_filesIconView || !ShellTree) {
        return ToolWindow::eventFilter(watched, event);  // still being built
    }
    const bool remoteTree = watched == tvList->viewport();
    const bool filesList = watched == LVFiles->viewport() || watched == m_filesIconView->viewport();
    const bool localTree = watched == ShellTree->viewport();
    if (event->type() == QEvent::KeyPress &&
        (watched == tvList || watched == LVFiles || watched == m_filesIconView)) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_F2) {
            DoRenameRemote();
            return true;
        }
        if (key == Qt::Key_Delete) {
            DoDeleteRemote();
            return true;
        }
    }
    if (event->type() == QEvent::DragEnter || event->type() == QEvent::DragMove) {
        auto* drag = static_cast<QDropEvent*>(event);
        QObject* source = drag->source();
        const bool fromRemote = source == tvList || source == LVFiles || source == m_filesIconView;
        const bool fromLocal = source == ShellTree;
        if ((localTree && fromRemote) || ((remoteTree || filesList) && fromLocal) ||
            (!source && drag->mimeData()->hasUrls())) {
            drag->acceptProposedAction();
            return true;
        }
        drag->ignore();
        return true;
    }
    if (event->type() == QEvent::Drop) {
        auto* drop = static_cast<QDropEvent*>(event);
        if (localTree) {
            DoAddToDownloads();
        } else if (remoteTree || filesList) {
            if (remoteTree) {
                if (QTreeWidgetItem* node = tvList->itemAt(drop->position().toPoint())) {
                    tvList->setCurrentItem(node);
                }
            }
            DoAddToUpload();
        }
        drop->acceptProposedAction();
        return true;
    }
    return ToolWindow::eventFilter(watched, event);
}

// -------------------------------------------------- single-file transfers

void TFTPfrm::onDataProceeded(qint64 bytes) {
    if (!m_foregroundTransfer) {
        m_progress->hide();
        return;
    }
    m_progress->show();
    m_progressBytes += bytes;
    m_progress->setValue(
        int(qMin<qint64>(m_progressBytes >> m_progressShift, m_progress->maximum())));
}

void TFTPfrm::startProgress(qint64 total, qint64 done) {
    // Bytes while they fit the bar's int range, KiB beyond 2 GiB.
    m_progressShift = total > std::numeric_limits<int>::max() ? 10 : 0;
    m_progressBytes = done;
    m_progress->setRange(0, int(qMax<qint64>(0, total) >> m_progressShift));
    m_progress->setValue(int(qMax<qint64>(0, done) >> m_progressShift));
    m_foregroundTransfer = true;
}

void TFTPfrm::btnDownloadClick() {
    QTreeWidgetItem* node = selectedRemoteNode();
    if (!m_client.isReady() || !node || node->text(0).isEmpty() ||
        isRemoteFolderText(node->text(0)) || !node->parent()) {
        return;
    }
    const QString name = remoteText(node);
    const QString parentPath = nodePath(node->parent());
    const QString local = prompts().saveFileName(
        "Save A File To Download ..", QDir::homePath() + "/" + node->text(0), "All files (*)");
    if (local.isEmpty()) {
        return;
    }
    QFile file(local);
    guarded([&] {
        // The file closes and the bar goes whatever the transfer's outcome.
        const auto cleanup = qScopeGuard([&] {
            file.close();
            m_progress->hide();
            m_foregroundTransfer = false;
        });
        m_client.changeFolder(parentPath);
        const qint64 size = m_client.fileSize(name);
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
        m_client.retrieve(name, file, offset);
        m_statusText->setText("Done Transferring " + local);
    });
}

void TFTPfrm::btnUploadClick() {
    if (!m_client.isReady()) {
        return;
    }
    const QString local = prompts().openFileName(" Upload...", QDir::homePath(), "All files (*)");
    if (local.isEmpty()) {
        return;
    }
    QTreeWidgetItem* selected = selectedRemoteNode();
    QTreeWidgetItem* target = nullptr;
    if (selected) {
        const bool isRoot = selected->text(0) == ".." && !selected->parent();
        target = isRemoteFolderText(selected->text(0)) || isRoot ? selected : selected->parent();
    }
    QFile file(local);
    guarded([&] {
        // The file closes and the bar goes whatever the transfer's outcome.
        const auto cleanup = qScopeGuard([&] {
            file.close();
            m_progress->hide();
            m_foregroundTransfer = false;
        });
        m_client.changeFolder(target ? nodePath(target) : m_root);
        if (!file.open(QIODevice::ReadOnly)) {
            throw AppError("Cannot open " + local + ": " + file.errorString());
        }
        const QString name = QFileInfo(local).fileName();
        qint64 offset = 0;
        if (m_client.fileExists(name)) {
            const FileExistsChoice choice = m_askFileExists(name);
            if (choice == FileExistsChoice::Cancel) {
                return;
            }
            if (choice == FileExistsChoice::Resume) {
                offset = uploadStartOffset(choice, m_client.fileSize(name), file.size());
            }
        }
        startProgress(file.size(), offset);
        m_client.store(name, file, offset);
        m_statusText->setText("Done Transferring " + name);
    });
    if (m_client.isReady()) {
        guarded([&] { ListRemoteFolder(target); });
    }
}

void TFTPfrm::TBXFICreateListClick() {
    if (!m_client.isReady()) {
        return;
    }
    guarded([this] {
        const QList<QByteArray> lines = m_client.detailedList();
        const QString path = prompts().saveFileName(
            "FTP Client = Export FTP Files List",
            QDir::homePath() + "/" + edtServer->text() + "_Files_List.txt", kExportFilter);
        if (path.isEmpty()) {
            return;
        }
        // The server's lines byte for byte: names in other encodings stay as sent.
        QByteArray text;
        for (const QByteArray& line : lines) {
            text += line + "\r\n";
        }
        writeFile(withDefaultExtension(path), text);
    });
}

// --------------------------------------------------------------- favorites

void TFTPfrm::RebuildFavorites() {
    const QList<FavoriteTreeSite> sites = readFavoriteTree(m_favorites);
    TVFav->setUpdatesEnabled(false);
    const QSignalBlocker blocker(TVFav);
    TVFav->clear();
    for (QAction* entry : m_favoriteEntries) {
        m_favoritesMenu->removeAction(entry);
        entry->deleteLater();
    }
    m_favoriteEntries.clear();
    for (const FavoriteTreeSite& site : sites) {
        PCtrlSites->setCurrentWidget(FavSites);
        TBXFavHeader->setVisible(true);
        auto* node = new QTreeWidgetItem(TVFav, {site.server});
        node->setIcon(0, image(ImageSite));
        node->setData(0, kSectionRole, site.section);
        TVFav->setCurrentItem(node);
        QAction* entry = m_favoritesMenu->addAction(image(ImageSite), site.server);
        const QString section = site.section;
        connect(entry, &QAction::triggered, this, [this, section] { DoFavNode(section); });
        m_favoriteEntries.append(entry);
        for (const FavoriteDetail& detail : site.details) {
            auto* line = new QTreeWidgetItem(node, {detail.text});
            const Image icon = detail.icon == FavoriteIcon::On    ? ImageOn
                               : detail.icon == FavoriteIcon::Off ? ImageOff
                                                                  : ImageDetail;
            line->setIcon(0, image(icon));
        }
    }
    TVFav->setUpdatesEnabled(true);
    // The tree is redrawn with its new selection, which fills the fields.
    if (PCtrlSites->currentWidget() == FavSites) {
        FillSiteFields();
    }
}

QTreeWidgetItem* TFTPfrm::favoriteSiteNode(QTreeWidgetItem* node) const {
    if (!node) {
        return nullptr;
    }
    return node->childCount() > 0 || !node->parent() ? node : node->parent();
}

void TFTPfrm::FillSiteFields() {
    QTreeWidgetItem* site = favoriteSiteNode(TVFav->currentItem());
    if (!site || site->childCount() < 8) {
        return;
    }
    const QString section = site->data(0, kSectionRole).toString();
    if (section == m_filledSection) {
        return;
    }
    m_filledSection = section;
    QStringList lines;
    for (int i = 0; i < site->childCount(); ++i) {
        lines.append(site->child(i)->text(0));
    }
    const TFavoriteSite fields = siteFromFavoriteLines(site->text(0), lines);
    edtServer->setText(fields.server);
    edtUser->setText(fields.user);
    edtPassword->setText(fields.password);
    edtDesc->setText(fields.description);
    setStartFolderField(fields.startDir);
    edtPort->setText(fields.port);
    edtTimeO->setText(fields.timeOut);
    cbPassiveMode->setChecked(fields.passive);
    cbAsciiMode->setChecked(fields.ascii);
    site->child(6)->setIcon(0, image(fields.passive ? ImageOn : ImageOff));
    site->child(7)->setIcon(0, image(fields.ascii ? ImageOn : ImageOff));
}

void TFTPfrm::fillFieldsFromFile() {
    const QStringList sections = m_favorites.sections();
    if (sections.isEmpty()) {
        return;
    }
    QTreeWidgetItem* site = favoriteSiteNode(TVFav->currentItem());
    const QString section = site ? site->data(0, kSectionRole).toString() : sections.first();
    m_filledSection = section;
    edtServer->setText(m_favorites.value(section, "Server"));
    edtUser->setText(m_favorites.value(section, "User"));
    edtPassword->setText(m_favorites.value(section, "Password"));
    edtDesc->setText(m_favorites.value(section, "Description"));
    setStartFolderField(m_favorites.value(section, "StartDir"));
    edtPort->setText(m_favorites.value(section, "Port"));
    edtTimeO->setText(m_favorites.value(section, "TimeOut"));
    if (const auto passive = favoriteCheckFlag(m_favorites.value(section, "Passive"))) {
        cbPassiveMode->setChecked(*passive);
    }
    if (const auto ascii = favoriteCheckFlag(m_favorites.value(section, "Ascii"))) {
        cbAsciiMode->setChecked(*ascii);
    }
}

void TFTPfrm::setStartFolderField(const QString& folder) {
    // While connected the field shows the session's root.
    if (!m_client.isConnected()) {
        edtStartDir->setText(folder);
    }
}

TFavoriteSite TFTPfrm::siteFromFields() const {
    TFavoriteSite site;
    site.server = edtServer->text();
    site.user = edtUser->text();
    site.password = edtPassword->text();
    site.description = edtDesc->text();
    site.startDir = edtStartDir->text();
    site.port = edtPort->text();
    site.timeOut = edtTimeO->text();
    site.passive = cbPassiveMode->isChecked();
    site.ascii = cbAsciiMode->isChecked();
    return site;
}

void TFTPfrm::TBXAddToFavClick() {
    if (edtServer->text().isEmpty()) {
        helpMessage("Please fill in all the correct details for the FTP connection", 1100);
        return;
    }
    guarded([this] {
        m_favorites.add(siteFromFields());
        RebuildFavorites();
    });
}

void TFTPfrm::TBXQuickToFavClick() {
    if (TBXedtServer->text().isEmpty()) {
        helpMessage("Please fill in all the correct details for the FTP connection", 1100);
        return;
    }
    TFavoriteSite site = siteFromFields();
    site.server = TBXedtServer->text();
    site.user = TBXedtUser->text();
    site.password = TBXedtPassword->text();
    site.port = TBXedtPort->text();
    guarded([this, site] {
        m_favorites.add(site);
        RebuildFavorites();
    });
}

void TFTPfrm::DoEditSite() {
    PCtrlSites->setCurrentWidget(SiteProper);
    edtServer->setFocus();
    QTreeWidgetItem* site = favoriteSiteNode(TVFav->currentItem());
    if (!site) {
        return;
    }
    const QString section = site->data(0, kSectionRole).toString();
    guarded([this, section] {
        m_favorites.write(section, siteFromFields());
        RebuildFavorites();
    });
}

void TFTPfrm::DoRemoveFromFav() {
    QTreeWidgetItem* site = favoriteSiteNode(TVFav->currentItem());
    if (!site) {
        site = TVFav->topLevelItem(0);
    }
    if (!site) {
        return;
    }
    const QString section = site->data(0, kSectionRole).toString();
    delete site;
    guarded([this, section] {
        m_favorites.remove(section);
        RebuildFavorites();
        fillFieldsFromFile();
    });
}

void TFTPfrm::DoExportFav() {
    guarded([this] {
        if (!QFileInfo(m_favorites.path()).isReadable()) {
            throw AppError("Cannot open file \"" + m_favorites.path() +
                           "\". No such file or directory.");
        }
        const QString path = prompts().saveFileName(
            "FTP Client = Export Favorites", QDir::homePath() + "/Favorites.Config", kExportFilter);
        if (path.isEmpty()) {
            return;
        }
        m_favorites.exportTo(withDefaultExtension(path));
    });
}

void TFTPfrm::TBXClearTextClick() {
    for (QLineEdit* field : {edtServer, edtUser, edtPassword, edtStartDir, edtDesc}) {
        field->clear();
    }
}

void TFTPfrm::DoExpandNode() {
    if (QTreeWidgetItem* node = TVFav->currentItem()) {
        TVFav->expandRecursively(TVFav->indexFromItem(node));
    }
}

void TFTPfrm::DoFavNode(const QString& section) {
    PCtrlSites->setCurrentWidget(FavSites);
    // By section, not by caption: two favorites may share a host.
    for (int i = 0; i < TVFav->topLevelItemCount(); ++i) {
        if (TVFav->topLevelItem(i)->data(0, kSectionRole).toString() == section) {
            TVFav->setCurrentItem(TVFav->topLevelItem(i));
            break;
        }
    }
    m_filledSection.clear();  // the entry connects to the site as stored
    FillSiteFields();
    DoLogIn();
}

void TFTPfrm::TVFavDblClick() {
    QTreeWidgetItem* node = TVFav->currentItem();
    if (node && !node->text(0).isEmpty()) {
        DoLogIn();
        return;
    }
    helpMessage("Please Enter A Valid FTP Details To Connect.", 1200);
    PCtrlSites->setCurrentWidget(SiteProper);
}

void TFTPfrm::favoritesContextMenu(const QPoint& position) {
    QTreeWidgetItem* node = TVFav->itemAt(position);
    if (!node) {
        return;
    }
    TVFav->setCurrentItem(node);
    QMenu menu;
    menu.addSeparator();
    menu.addAction("Connect", this, &TFTPfrm::DoLogIn);
    menu.addAction("Disconnect", this, &TFTPfrm::DoLogOut);
    menu.addSeparator();
    menu.addAction("Expand To Get Site Properties", this, &TFTPfrm::DoExpandNode);
    menu.addAction("Edit Site Properties", this, &TFTPfrm::DoEditSite);
    menu.addAction("Remove From Favotites ", this, &TFTPfrm::DoRemoveFromFav);
    menu.addAction("Export Favotites ", this, &TFTPfrm::DoExportFav);
    menu.exec(TVFav->viewport()->mapToGlobal(position));
}
