#include "fmBrowser.h"

#include <QAbstractItemView>
#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QFileInfo>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QProgressBar>
#include <QSplitter>
#include <QStatusBar>
#include <QTabWidget>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QToolTip>
#include <QVBoxLayout>
#include <QWebEngineDownloadRequest>
#include <functional>

#include "AddHtmlPanel.h"
#include "AddressCombo.h"
#include "BrowserRules.h"
#include "DocumentInfoPage.h"
#include "DownloadsPanel.h"
#include "FindBar.h"
#include "PageCommands.h"
#include "Paths.h"
#include "Registry.h"
#include "SidePanel.h"
#include "StatusPanel.h"
#include "ToolHost.h"
#include "dlgPreferences.h"

namespace {

constexpr int kImagePlainPage = 3;
constexpr int kImageBlocker = 23;
constexpr int kImageSecurePage = 55;
const QColor kNavy(0, 0, 128);

// Watches the search box and its list for the keys and clicks that choose an
// entry, so that only those (not a focus change) run a search. The box holds
// the keyboard focus for its line edit, so Enter in the closed box reaches the
// box first (a key sent to the line edit itself reaches it too, as the line
// edit leaves Enter to its parent); the box would hand it on to the line edit,
// which does nothing with it. Enter in the open list is taken before the list
// reports it, as the box reports activated() for a mere highlight too.
class SearchKeysFilter : public QObject {
public:
    SearchKeysFilter(QComboBox* box, bool& choiceFlag, std::function<void()> onEnter)
        : QObject(box), m_box(box), m_flag(choiceFlag), m_onEnter(std::move(onEnter)) {
        box->installEventFilter(this);
        box->view()->installEventFilter(this);
        box->view()->viewport()->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent*>(event)->key();
            const bool enter = key == Qt::Key_Return || key == Qt::Key_Enter;
            if (enter && watched == m_box && !m_box->view()->isVisible()) {
                m_onEnter();
                return true;
            }
            const QModelIndex highlighted = m_box->view()->currentIndex();
            if (enter && watched == m_box->view() && highlighted.isValid()) {
                m_box->hidePopup();
                m_box->setEditText(m_box->itemText(highlighted.row()));
                m_onEnter();
                return true;
            }
            if (watched == m_box && (key == Qt::Key_Up || key == Qt::Key_Down))
                m_flag = true;
        } else if (event->type() == QEvent::MouseButtonRelease &&
                   watched == m_box->view()->viewport()) {
            m_flag = true;
        }
        return false;
    }

private:
    QComboBox* m_box;
    bool& m_flag;
    std::function<void()> m_onEnter;
};

}  // namespace

int TbrowserFrm::s_windows = 0;

TbrowserFrm::TbrowserFrm(ToolHost& host, QWidget* parent)
    : ToolWindow(host, ToolKind::WebBrowser, parent) {
    LoadImageStrip(m_images, QStringLiteral("Browser.bmp"));
    if (s_windows++ == 0)
        recordUserAgent(true);
    // The toolbars' own context menu would hide them behind the items' backs.
    setContextMenuPolicy(Qt::PreventContextMenu);
    buildPages();
    buildToolbars();
    buildStatusBar();
    resize(900, 640);
}

TbrowserFrm::~TbrowserFrm() {
    // A window that never started has read nothing: writing its defaults would
    // wipe what the others stored.
    if (m_started) {
        m_settings.accessoriesToolbar = TBXhideMTB->isChecked();
        PnlFav->store(m_settings);
        m_settings.searches = m_searches.entries();
        BrowserSettings::write(m_settings, Addrs->entries());
    }
    // A print still under way ends before the page, which alone hears of its end.
    m_commands->finishPrinting();
    // The control reports to this window: it goes first.
    delete WB;
    WB = nullptr;
    if (--s_windows == 0)
        recordUserAgent(false);
}

void TbrowserFrm::recordUserAgent(bool present) {
    try {
        Registry registry;
        if (!registry.openKey(BrowserRules::kUserAgentKey, present))
            return;
        if (present) {
            registry.writeString(QLatin1String(BrowserRules::kUserAgentText), QString());
        } else {
            registry.deleteValue(QLatin1String(BrowserRules::kUserAgentText));
        }
    } catch (const AppError&) {
        // The record is informative only; the engine has the token already.
    }
}

QAction* TbrowserFrm::makeAction(const char* name, const QString& caption, int image,
                                 const QString& hint) {
    auto* action = new QAction(m_images.icon(image), caption, this);
    action->setObjectName(QLatin1String(name));
    if (!hint.isEmpty())
        action->setToolTip(hint);
    return action;
}

void TbrowserFrm::buildPages() {
    WB = new BrowserHost(*this);
    WB->setObjectName(QStringLiteral("WB"));
    connect(WB->page(), &QWebEnginePage::windowCloseRequested, this, &QWidget::close);

    // The page, in the frame its borders are drawn with, the find bar below it.
    auto* viewFrame = new QFrame;
    viewFrame->setObjectName(QStringLiteral("WBFrame"));
    viewFrame->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    auto* viewLayout = new QVBoxLayout(viewFrame);
    viewLayout->setContentsMargins(1, 1, 1, 1);
    viewLayout->setSpacing(0);
    viewLayout->addWidget(WB);
    m_findBar = new FindBar(*WB, m_images);
    m_findBar->hide();
    auto* pageColumn = new QWidget;
    auto* columnLayout = new QVBoxLayout(pageColumn);
    columnLayout->setContentsMargins(0, 0, 0, 0);
    columnLayout->setSpacing(0);
    columnLayout->addWidget(viewFrame, 1);
    columnLayout->addWidget(m_findBar);

    PnlAdd = new AddHtmlPanel(*WB, prompts(), m_images);
    connect(PnlAdd, &AddHtmlPanel::navigateRequested, this, &TbrowserFrm::Navigate);
    m_downloads = new DownloadsPanel(*WB, host(), m_images);
    m_downloads->hide();
    connect(WB, &BrowserHost::downloadRequested, this, [this](QWebEngineDownloadRequest* request) {
        const bool pageSaved = request->isSavePageDownload();
        m_downloads->take(request);
        if (m_downloads->isVisible())
            showBelowPage(m_downloads, DownloadsPanel::kHeight);
        // A link to a file leaves the page where it was.
        if (!pageSaved)
            Addrs->ShowAddress(WB->locationAddress());
    });
    m_addSplitter = new QSplitter(Qt::Vertical);
    m_addSplitter->setObjectName(QStringLiteral("SpltrAdd"));
    m_addSplitter->addWidget(pageColumn);
    m_addSplitter->addWidget(PnlAdd);
    m_addSplitter->addWidget(m_downloads);
    m_addSplitter->setStretchFactor(0, 1);
    m_addSplitter->setCollapsible(0, false);

    auto* TabSheet1 = new QWidget;
    TabSheet1->setObjectName(QStringLiteral("TabSheet1"));
    auto* sheetLayout = new QVBoxLayout(TabSheet1);
    sheetLayout->setContentsMargins(0, 0, 0, 0);
    sheetLayout->addWidget(m_addSplitter);

    m_documentInfo = new DocumentInfoPage(*WB, prompts(), m_images);
    m_documentInfo->setObjectName(QStringLiteral("TabSheet7"));

    PageControl = new QTabWidget;
    PageControl->setObjectName(QStringLiteral("PageControl"));
    PageControl->setTabPosition(QTabWidget::South);
    PageControl->setDocumentMode(true);
    PageControl->addTab(TabSheet1, QStringLiteral("WebBrowser"));
    PageControl->addTab(m_documentInfo, QStringLiteral("Document Info"));
    // The user turning either way refreshes the info page in front.
    connect(PageControl, &QTabWidget::currentChanged, this, [this] {
        if (!m_quietPageChange)
            m_documentInfo->refresh();
    });

    m_commands = new PageCommands({*WB, host(), m_images, this, viewFrame, m_findBar}, this);
    connect(m_commands, &PageCommands::navigateRequested, this, &TbrowserFrm::Navigate);
    connect(PnlAdd, &AddHtmlPanel::saveRequested, m_commands, &PageCommands::TBXSavePClick);

    PnlFav = new SidePanel(host(), *WB, m_images);
    PnlFav->hide();
    connect(PnlFav, &SidePanel::historyEntryOpened, this, [this](const QString& address) {
        m_panels[0]->setCaptionColour(Qt::blue);
        m_panels[0]->setCaption(address);
    });
    m_sideSplitter = new QSplitter(Qt::Horizontal);
    m_sideSplitter->addWidget(PnlFav);
    m_sideSplitter->addWidget(PageControl);
    m_sideSplitter->setStretchFactor(1, 1);
    setCentralWidget(m_sideSplitter);
}

void TbrowserFrm::buildToolbars() {
    // Main toolbar: the page-command menus, then the navigation buttons.
    TBXTBMain = new QToolBar(QStringLiteral("Main"), this);
    TBXTBMain->setObjectName(QStringLiteral("TBXTBMain"));
    TBXTBMain->setMovable(false);
    TBXTBMain->setIconSize(QSize(16, 16));
    TBXTBMain->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);

    auto addMenu = [this](const char* name, const QString& caption) {
        auto* menu = new QMenu(caption, this);
        menu->setObjectName(QLatin1String(name));
        auto* button = new QToolButton;
        button->setText(caption);
        button->setMenu(menu);
        button->setPopupMode(QToolButton::InstantPopup);
        button->setToolButtonStyle(Qt::ToolButtonTextOnly);
        button->setAutoRaise(true);
        TBXTBMain->addWidget(button);
        return menu;
    };
    QMenu* fileMenu = addMenu("TBXBFile", QStringLiteral("File"));
    QMenu* viewMenu = addMenu("TBXBView", QStringLiteral("View"));
    QMenu* optionsMenu = addMenu("TBXBOptions", QStringLiteral("Options"));
    TBXTBMain->addSeparator();

    QAction* reload =
        makeAction("TBXReload", QStringLiteral("Reload"), 2, QStringLiteral("Reload The Page"));
    QAction* stop =
        makeAction("TBXStop", QStringLiteral("Stop"), 4, QStringLiteral("Stop the download"));
    TBXBack = makeAction(
        "TBXBack", QStringLiteral("Back"), 0,
        QStringLiteral("Go back (Enabled only if you have already visited more then 2 pages)"));
    TBXForward = makeAction("TBXForward", QStringLiteral("Forward"), 1,
                            QStringLiteral("Go Forward (Enabled only if a page was hit back)"));
    QAction* home = makeAction("TBXHome", QStringLiteral("Home"), 5, QStringLiteral("Go Home"));
    TBXBack->setEnabled(false);
    TBXForward->setEnabled(false);
    connect(reload, &QAction::triggered, this, &TbrowserFrm::DoRefresh);
    connect(stop, &QAction::triggered, this, &TbrowserFrm::DoStop);
    connect(TBXBack, &QAction::triggered, this, &TbrowserFrm::DoBack);
    connect(TBXForward, &QAction::triggered, this, &TbrowserFrm::DoForward);
    connect(home, &QAction::triggered, this, &TbrowserFrm::DoGoHome);
    TBXTBMain->addActions({reload, stop, TBXBack, TBXForward, home});
    addToolBar(Qt::TopToolBarArea, TBXTBMain);
    addToolBarBreak(Qt::TopToolBarArea);

    // Address toolbar.
    TBXTBAddrs = new QToolBar(QStringLiteral("Address"), this);
    TBXTBAddrs->setObjectName(QStringLiteral("TBXTBAddrs"));
    TBXTBAddrs->setMovable(false);
    TBXTBAddrs->setIconSize(QSize(16, 16));
    TBXTBAddrs->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    auto* addressLabel = new QLabel(QStringLiteral(" Address "));
    TBXTBAddrs->addWidget(addressLabel);
    Addrs = new AddressCombo;
    // Screen readers on Linux name an editable box by its text and its label.
    addressLabel->setBuddy(Addrs);
    Addrs->lineEdit()->setPlaceholderText(QStringLiteral("Type an address and press Enter"));
    TBXTBAddrs->addWidget(Addrs);
    connect(Addrs, &AddressCombo::UrlSelected, this, &TbrowserFrm::Navigate);
    QAction* go = makeAction("TBXGo", QStringLiteral("Go"), 8);
    connect(go, &QAction::triggered, this, &TbrowserFrm::TBXGoClick);
    TBXTBAddrs->addAction(go);
    TBXTBAddrs->addSeparator();

    Searchbx = new QComboBox;
    Searchbx->setObjectName(QStringLiteral("Searchbx"));
    Searchbx->setAccessibleName(QStringLiteral("Search"));
    Searchbx->setAccessibleDescription(QStringLiteral("Search the web"));
    Searchbx->setEditable(true);
    Searchbx->setInsertPolicy(QComboBox::NoInsert);
    Searchbx->setMinimumWidth(180);
    Searchbx->lineEdit()->setPlaceholderText(QStringLiteral("Search the web"));
    new SearchKeysFilter(Searchbx, m_searchChoice, [this] { DoSearch(); });
    connect(Searchbx, qOverload<int>(&QComboBox::activated), this, [this] {
        if (std::exchange(m_searchChoice, false))
            DoSearch();
    });
    TBXTBAddrs->addWidget(Searchbx);

    auto* searchMenu = new QMenu(QStringLiteral("Search"), this);
    m_engines = new QActionGroup(this);
    m_engines->setExclusive(true);
    for (const SearchEngineInfo& info : kSearchEngines) {
        QAction* item = makeAction(info.item, QLatin1String(info.caption), info.image);
        item->setCheckable(true);
        item->setData(int(info.engine));
        item->setChecked(info.engine == SearchEngine::Google);
        m_engines->addAction(item);
        searchMenu->addAction(item);
    }
    QAction* search = makeAction("TBXSubSearchAction", QStringLiteral("Search"), 9);
    connect(search, &QAction::triggered, this, &TbrowserFrm::DoSearch);
    auto* searchButton = new QToolButton;
    searchButton->setObjectName(QStringLiteral("TBXSubSearch"));
    searchButton->setDefaultAction(search);
    searchButton->setMenu(searchMenu);
    searchButton->setPopupMode(QToolButton::MenuButtonPopup);
    searchButton->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    searchButton->setAutoRaise(true);
    TBXTBAddrs->addWidget(searchButton);
    addToolBar(Qt::TopToolBarArea, TBXTBAddrs);

    // Accessories toolbar, left and hidden at first.
    TBXTools = new QToolBar(QStringLiteral("Accessories"), this);
    TBXTools->setObjectName(QStringLiteral("TBXTools"));
    TBXTools->setMovable(false);
    TBXTools->setIconSize(QSize(16, 16));
    QAction* newBrowser = makeAction("TBXOpenNewBrowser", QStringLiteral("Open New Browser"), 10);
    connect(newBrowser, &QAction::triggered, this,
            [this] { this->host().openTool(ToolKind::WebBrowser); });
    QAction* closeItem = makeAction("TBXBClose", QStringLiteral("Close"), 15);
    connect(closeItem, &QAction::triggered, this, &QWidget::close);

    TBXMainTB = makeAction("TBXMainTB", BrowserRules::mainToolbarCaption(false), -1);
    TBXMainTB->setCheckable(true);
    TBXMainTB->setChecked(true);
    connect(TBXMainTB, &QAction::triggered, this, [this](bool checked) {
        TBXMainTB->setText(BrowserRules::mainToolbarCaption(checked));
        TBXTBMain->setVisible(checked);
    });
    TBXhideMTB = makeAction("TBXhideMTB", BrowserRules::accessoriesToolbarCaption(false), -1);
    TBXhideMTB->setCheckable(true);
    connect(TBXhideMTB, &QAction::triggered, this, [this](bool checked) {
        TBXhideMTB->setText(BrowserRules::accessoriesToolbarCaption(checked));
        TBXTools->setVisible(checked);
    });

    TBXBBLocker = makeAction("TBXBBLocker", QStringLiteral("Popup Blocker"), kImageBlocker);
    TBXBBLocker->setCheckable(true);
    connect(TBXBBLocker, &QAction::triggered, this, &TbrowserFrm::TBXBBLockerClick);
    QAction* block = makeAction("TBXBlock", QStringLiteral("Block PopUp "), kImageBlocker);
    connect(block, &QAction::triggered, this, &TbrowserFrm::TBXBlockClick);
    QAction* preferences = makeAction("TBXPref", QStringLiteral("Browser Preferences"), 6);
    connect(preferences, &QAction::triggered, this, &TbrowserFrm::TBXPrefClick);
    QAction* addHtml = makeAction("TBXAddHTML", QStringLiteral("Add HTML to the current page"), 24);
    connect(addHtml, &QAction::triggered, this, &TbrowserFrm::TBXAddHTMLClick);

    const PageCommands::WindowItems items{
        newBrowser,
        closeItem,
        PnlFav->viewCookieItem(),
        QList<QAction*>{TBXMainTB, TBXhideMTB} + PnlFav->linkedItems(),
        block,
        preferences,
        addHtml,
        TBXBBLocker,
        PnlFav->viewItems()};
    m_commands->fillMenus(fileMenu, viewMenu, optionsMenu, items);
    m_commands->fillAccessories(TBXTools, items);
    addToolBar(Qt::LeftToolBarArea, TBXTools);
    TBXTools->hide();
}

void TbrowserFrm::buildStatusBar() {
    auto* bar = new QStatusBar;
    bar->setObjectName(QStringLiteral("TBXStBarBrowser"));
    bar->setSizeGripEnabled(false);
    const struct {
        int width;
        Qt::Alignment alignment;
    } layout[] = {{300, Qt::AlignLeft},
                  {120, Qt::AlignLeft},
                  {230, Qt::AlignLeft},
                  {20, Qt::AlignLeft},
                  {150, Qt::AlignRight}};
    for (const auto& panel : layout) {
        auto* widget = new StatusPanel(panel.width, panel.alignment);
        m_panels.append(widget);
        // The first three share what is left of the bar; the last keeps its place.
        if (m_panels.size() < 5)
            bar->addWidget(widget, m_panels.size() == 1 ? 1 : 0);
        else
            bar->addPermanentWidget(widget);
    }
    m_panels[0]->setMinimumWidth(120);
    m_panels[0]->setMaximumWidth(QWIDGETSIZE_MAX);
    m_panels[0]->setImage(m_images.icon(kImagePlainPage), kImagePlainPage);
    m_panels[4]->setHint(QStringLiteral("Progress Of Download"));
    ProgWB = new QProgressBar;
    ProgWB->setObjectName(QStringLiteral("ProgWB"));
    ProgWB->setRange(0, 100);
    ProgWB->setTextVisible(false);
    ProgWB->setToolTip(QStringLiteral("Download Progress"));
    ProgWB->setFixedSize(90, 12);
    m_panels[4]->addWidget(ProgWB);
    setStatusBar(bar);
}

// Start-up --------------------------------------------------------------------

void TbrowserFrm::showEvent(QShowEvent* event) {
    ToolWindow::showEvent(event);
    if (!m_started) {
        m_started = true;
        startUp();
    }
}

void TbrowserFrm::startUp() {
    PnlAdd->hide();
    applyDocumentInfoRule();
    BlockedCount = 0;

    PnlFav->hide();
    ProgWB->hide();
    m_panels[1]->setCaptionColour(Qt::red);
    m_settings = BrowserSettings::read();
    m_searches.setStored(m_settings.searches);
    fillSearchBox(QString());
    TBXhideMTB->setChecked(m_settings.accessoriesToolbar);
    TBXTools->setVisible(m_settings.accessoriesToolbar);
    PnlFav->restore(m_settings);
    TBXBBLocker->setChecked(m_settings.blocker);
    if (m_settings.blocker)
        showBlockerState();
    // The start page waits for the rest of the opening: a frame that navigates
    // the new window at once, or a page that opens its popup in it, replaces it.
    QTimer::singleShot(0, this, [this] {
        if (!WB->navigationRequested())
            openStartPage();
    });
}

void TbrowserFrm::openStartPage() {
    const QString blankPage = Paths::dataFolder() + QStringLiteral("/blank.htm");
    switch (BrowserRules::startPageChoice(m_settings.startPage, m_settings.startPageRead,
                                          QFileInfo::exists(blankPage))) {
        case BrowserRules::StartPage::Address:
            Navigate(m_settings.startPage);
            break;
        case BrowserRules::StartPage::LocalBlankPage:
            NavigateNoHistory(QFileInfo(blankPage).absoluteFilePath());
            break;
        case BrowserRules::StartPage::Nothing:
            break;
    }
}

void TbrowserFrm::closeEvent(QCloseEvent* event) {
    if (WB->busy())
        WB->stop();
    ToolWindow::closeEvent(event);
}

// Navigation and commands -------------------------------------------------------

void TbrowserFrm::Navigate(const QString& address) {
    WB->navigate(address);
}

void TbrowserFrm::NavigateNoHistory(const QString& address) {
    WB->navigateNoHistory(address);
}

void TbrowserFrm::showHtml(const QString& html, const QString& baseAddress) {
    WB->showHtml(html, QUrl(baseAddress));
}

void TbrowserFrm::DoBack() {
    WB->back();
}

void TbrowserFrm::DoForward() {
    WB->forward();
}

void TbrowserFrm::DoStop() {
    if (WB->busy())
        WB->stop();
}

void TbrowserFrm::DoRefresh() {
    if (!WB->busy())
        WB->reload();
}

void TbrowserFrm::DoGoHome() {
    Navigate(BrowserRules::homeAddress());
}

void TbrowserFrm::TBXGoClick() {
    if (WB->busy())
        WB->stop();
    Navigate(Addrs->currentText().trimmed());
}

SearchEngine TbrowserFrm::checkedEngine() const {
    QAction* checked = m_engines->checkedAction();
    return checked ? SearchEngine(checked->data().toInt()) : SearchEngine::Google;
}

void TbrowserFrm::DoSearch() {
    const QString text = Searchbx->currentText();
    if (!m_engines->checkedAction()) {
        prompts().message(Prompts::Kind::Information, QString(),
                          QStringLiteral("Please Select A Search Engine On The Right."));
        return;
    }
    Navigate(searchAddress(checkedEngine(), text));
    m_searches.add(text);
    fillSearchBox(text);
}

void TbrowserFrm::fillSearchBox(const QString& text) {
    const QSignalBlocker blocker(Searchbx);
    Searchbx->clear();
    Searchbx->addItems(m_searches.entries());
    Searchbx->setEditText(text);
}

void TbrowserFrm::applyDocumentInfoRule() {
    m_quietPageChange = true;
    PageControl->setTabVisible(1, !WB->busy());
    m_quietPageChange = false;
    m_documentInfo->showLastPage();
}

void TbrowserFrm::takeFocusForPage() {
    // A user typing in the address or search box keeps the keyboard.
    if (Addrs->lineEdit()->hasFocus() || Searchbx->lineEdit()->hasFocus())
        return;
    // A window loading in the background takes neither the focus nor (which
    // a focus inside it would bring) the activation from the one in use.
    QWidget* focus = QApplication::focusWidget();
    if (focus && !isAncestorOf(focus))
        return;
    auto* frame = qobject_cast<QMdiSubWindow*>(parentWidget());
    if (frame && frame->mdiArea() && frame->mdiArea()->activeSubWindow() != frame)
        return;
    WB->setFocus();
}

// Events of the browser control ------------------------------------------------

void TbrowserFrm::BeforeNavigate2(const QString& address, const QString& targetFrameName,
                                  bool& cancel) {
    applyDocumentInfoRule();
    m_quietPageChange = true;
    PageControl->setCurrentIndex(0);
    m_quietPageChange = false;
    if (targetFrameName.isEmpty() && address != Addrs->CurrentAddress())
        Addrs->ShowAddress(address);
    if (std::exchange(PopupPending, false) && m_settings.blocker && address == m_popupAddress) {
        // Only the refused popup's own navigation; never the user's next
        // click or a frame of the page.
        cancel = true;
        return;
    }
    // A frame that navigates after the page has loaded makes no page load
    // whose end would hide the bar again.
    if (targetFrameName.isEmpty() || WB->busy())
        ProgWB->show();
}

void TbrowserFrm::DownloadBegin() {
    applyDocumentInfoRule();
}

BrowserHost* TbrowserFrm::NewWindow2(const QString& address, bool& cancel) {
    PopupPending = true;
    m_popupAddress = address;
    if (m_settings.blocker) {
        ++BlockedCount;
        m_panels[1]->setCaption(QStringLiteral("Blocked: ") + QString::number(BlockedCount));
        cancel = true;
        return nullptr;
    }
    ToolWindow* window = host().openTool(ToolKind::WebBrowser);
    auto* browserWindow = qobject_cast<TbrowserFrm*>(window);
    if (!browserWindow) {
        if (window)
            window->close();
        cancel = true;
        prompts().errorBox(QStringLiteral("The page's new window could not be opened."));
        return nullptr;
    }
    return browserWindow->WB;
}

void TbrowserFrm::DocumentComplete(const QString&) {
    ProgWB->hide();
    takeFocusForPage();
}

void TbrowserFrm::DownloadComplete() {
    applyDocumentInfoRule();
    takeFocusForPage();
}

void TbrowserFrm::TitleChange(const QString& text) {
    const QString name = WB->locationName();
    m_panels[2]->setCaptionColour(kNavy);
    m_panels[2]->setCaption(text);
    m_panels[2]->setHint(BrowserRules::siteNameHint(name));
    host().setFrameCaption(BrowserRules::frameCaption(name));
}

void TbrowserFrm::ProgressChange(int progress, int maximum) {
    const BrowserRules::ProgressDisplay display = BrowserRules::progressDisplay(progress, maximum);
    ProgWB->setValue(display.position);
    ProgWB->setVisible(display.visible);
    m_panels[4]->setCaption(display.text);
}

void TbrowserFrm::StatusTextChange(const QString& text) {
    m_panels[0]->setCaptionColour(kNavy);
    m_panels[0]->setCaption(text);
    m_panels[0]->repaint();
    if (text == QLatin1String("Done"))
        m_panels[0]->setHint(BrowserRules::doneHint(WB->locationAddress()));
}

void TbrowserFrm::CommandStateChange(int command, bool enable) {
    if (command == 1)
        TBXForward->setEnabled(enable);
    else if (command == 2)
        TBXBack->setEnabled(enable);
}

void TbrowserFrm::SetSecureLockIcon(int level) {
    QPalette palette = Addrs->lineEdit()->palette();
    palette.setColor(QPalette::Base,
                     level != 0 ? QToolTip::palette().color(QPalette::ToolTipBase) : Qt::white);
    Addrs->lineEdit()->setPalette(palette);
    const int image = level != 0 ? kImageSecurePage : kImagePlainPage;
    m_panels[0]->setImage(m_images.icon(image), image);
}

Prompts::Button TbrowserFrm::ShowMessage(const QString& text, Prompts::Kind kind,
                                         Prompts::Buttons buttons) {
    return prompts().message(kind, QLatin1String(BrowserRules::kMessageCaption), text, buttons);
}

bool TbrowserFrm::ShowInput(const QString& text, QString& value) {
    return prompts().inputQuery(QLatin1String(BrowserRules::kMessageCaption), text, value);
}

void TbrowserFrm::TranslateUrl(const QString&) {
    const QString shown = Addrs->currentText();
    const QString translated = BrowserRules::translatedAddressText(shown);
    if (translated != shown)
        Addrs->setVisibleText(translated);
}

// Page-window commands ---------------------------------------------------------

void TbrowserFrm::showBlockerState() {
    m_panels[1]->setImage(m_images.icon(kImageBlocker), kImageBlocker);
    m_panels[1]->setHint(QStringLiteral("Popup Blocker is On."));
}

void TbrowserFrm::TBXBBLockerClick(bool checked) {
    m_settings.blocker = checked;
    if (checked) {
        // The count stays hidden until the next refusal.
        showBlockerState();
        return;
    }
    m_panels[1]->setImage(QIcon(), -1);
    m_panels[1]->setCaption(QString());
    m_panels[1]->setHint(QStringLiteral("Popup Blocker is off."));
}

void TbrowserFrm::TBXBlockClick() {
    TBXBBLocker->trigger();
}

void TbrowserFrm::TBXPrefClick() {
    TPref::Window window{WB->locationAddress(), TBXBBLocker, [this] {
                             m_searches.setStored({});
                             fillSearchBox(Searchbx->currentText());
                         }};
    TPref dialog(host(), window, this);
    dialog.exec();
}

void TbrowserFrm::TBXAddHTMLClick() {
    showBelowPage(PnlAdd, AddHtmlPanel::kHeight);
}

void TbrowserFrm::showBelowPage(QWidget* panel, int height) {
    panel->show();
    // A panel shown for the first time has no room in the splitter yet: the
    // page gives it some.
    const int index = m_addSplitter->indexOf(panel);
    QList<int> sizes = m_addSplitter->sizes();
    if (index > 0 && sizes[index] < height) {
        sizes[0] -= height - sizes[index];
        sizes[index] = height;
        m_addSplitter->setSizes(sizes);
    }
}
