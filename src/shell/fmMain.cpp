#include "fmMain.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDate>
#include <QFile>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QResizeEvent>
#include <QScreen>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QWidgetAction>
#include <QWindow>

#include "DefaultSettings.h"
#include "DesktopStandIns.h"
#include "DialogFocusKeeper.h"
#include "FramePlacement.h"
#include "HandOff.h"
#include "Launchers.h"
#include "MailClients.h"
#include "Paths.h"
#include "Prompts.h"
#include "Registry.h"
#include "TaskBar.h"
#include "Themes.h"
#include "ToolWindow.h"
#include "ToolWindowFactory.h"
#include "TrayController.h"
#include "UpdateCheck.h"
#include "UpdateStatusBar.h"
#include "WindowArrangement.h"
#include "fmAbout.h"

namespace {

QColor infoTextColour() {
    return QApplication::palette().color(QPalette::ToolTipText);
}

}  // namespace

TfrmMain::TfrmMain(Prompts& prompts, ToolWindowFactory& tools, ShellLauncher& shell,
                   std::function<bool()> isConnected, QWidget* parent, const QByteArray& updateKey)
    : QMainWindow(parent),
      m_prompts(prompts),
      m_tools(tools),
      m_isConnected(std::move(isConnected)) {
    setObjectName("frmMain");
    setFrameCaption("Corvanta");
    FormCreate();

    m_area = new QMdiArea(this);
    m_area->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_area->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_area->setBackground(QColor(0x80, 0x80, 0x80));
    setCentralWidget(m_area);
    m_arrangement = std::make_unique<WindowArrangement>(*m_area);

    new DialogFocusKeeper(*this);
    m_popupMenu = new QMenu(this);
    const auto showForm = [this] { m_tray->DoShowForm(); };
    m_handOff = std::make_unique<HandOff>(*this, m_tools, showForm);
    m_launchers = new Launchers(*this, shell, m_isConnected, showForm, this);
    m_tray = new TrayController(*this, m_trayImages, m_menuImages, *m_popupMenu, *m_handOff,
                                {[this] {
                                     // A hidden frame's close does not end the program by itself.
                                     if (close())
                                         QCoreApplication::quit();
                                 },
                                 [this] { TBXAboutClick(); }},
                                &QSystemTrayIcon::isSystemTrayAvailable);
    buildMenus();
    buildToolBar();

    addToolBarBreak();
    m_taskBar = new TTBXTaskBar(*m_area, m_taskbarImages, this);
    addToolBar(Qt::TopToolBarArea, m_taskBar);
    connect(m_taskBar, &TTBXTaskBar::mouseDown, this, [this](Qt::MouseButton button, QPoint at) {
        RefreshActiveWindowHint();
        if (button != Qt::RightButton)
            return;
        fillTaskBarMenu(m_taskBar->windowAt(m_taskBar->mapFromGlobal(at)) != nullptr);
        if (!m_popupMenu->isEmpty())
            m_popupMenu->popup(at);
    });
    connect(m_taskBar, &TTBXTaskBar::mouseUp, this, [this] { RefreshActiveWindowHint(); });
    // The tray's tip names the active window: kept right as windows come and go.
    connect(m_area, &QMdiArea::subWindowActivated, this, [this] { RefreshActiveWindowHint(); });

    // The update status bar stays hidden until an update check runs.
    m_updateStatusBar = new UpdateStatusBar(this);
    setStatusBar(m_updateStatusBar);
    m_updateCheck =
        new UpdateCheck(m_prompts, *m_updateStatusBar, *m_releaseLabel, this, updateKey);

    // Design placement: 824 x 543, centred on the desktop.
    resize(824, 543);
    if (QScreen* screen = QApplication::primaryScreen()) {
        const QRect desktop = screen->availableGeometry();
        move(desktop.center() - QPoint(412, 271));
    } else {
        move(165, 209);
    }
}

TfrmMain::~TfrmMain() {
    // Tool windows are destroyed while the frame is still whole: their
    // destructors write their settings and may still reach the host.
    m_destroying = true;
    disconnect(m_area, nullptr, this, nullptr);
    // A running update check winds down first, while the frame is whole.
    delete m_updateCheck;
    m_updateCheck = nullptr;
    for (QMdiSubWindow* sub : m_area->subWindowList())
        delete sub;
}

void TfrmMain::FormCreate() {
    LoadImageStrip(m_menuImages, "Toolbar.bmp");
    LoadImageStrip(m_taskbarImages, "TaskBar.bmp");
    LoadImageStrip(m_trayImages, "Tray.bmp");
}

QAction* TfrmMain::menuItem(QMenu* menu, const QString& caption, int image,
                            std::function<void()> handler) {
    QAction* action = menu->addAction(m_menuImages.icon(image), caption);
    if (handler) {
        connect(action, &QAction::triggered, this, std::move(handler));
    } else {
        action->setEnabled(false);  // its command arrives with a later feature
    }
    return action;
}

void TfrmMain::buildMenus() {
    QMenu* file = menuBar()->addMenu("File");
    menuItem(file, "Restore All Default Settings", 19, [this] { TBXRestoreClick(); });
    m_updateOnStartup = menuItem(file, "Check for updates on startup", 6, [] {});
    m_updateOnStartup->setCheckable(true);
    m_updateOnStartup->setEnabled(true);
    menuItem(file, "Exit", 0, [this] { close(); });

    QMenu* view = menuBar()->addMenu("View");
    menuItem(view, "Check internet connection status", 21,
             [this] { m_launchers->TBXCheckIntClick(); });
    QMenu* windowsTools = view->addMenu("Windows Tools");
    windowsTools->setIcon(m_menuImages.icon(20));
    m_launchers->fillWindowsTools(windowsTools);
    view->addSeparator();
    m_taskBarViewItem = menuItem(view, "TaskBar", -1, [this] { TaskBViewClick(); });
    m_taskBarViewItem->setCheckable(true);
    m_taskBarViewItem->setChecked(true);

    m_windowMenu = menuBar()->addMenu("Window");
    menuItem(m_windowMenu, "Cascade", -1, [this] { DoCascade(); });
    menuItem(m_windowMenu, "Tile Vertically", -1, [this] { DoVertical(); });
    menuItem(m_windowMenu, "Tile Horizontaly", -1, [this] { DoTileHorizontally(); });
    menuItem(m_windowMenu, "Arrange Icons", -1, [this] { DoArrange(); });
    m_maximizeItem = menuItem(m_windowMenu, "Maximize all", 13, [this] { DoMaximize(); });
    m_maximizeItem->setShortcut(Qt::Key_F11);
    m_maximizeItem->setShortcutContext(Qt::ApplicationShortcut);
    menuItem(m_windowMenu, "Minimize All", -1, [this] { TBXMinClick(); });
    menuItem(m_windowMenu, "Close All", 14, [this] { TBXCloseAllClick(); });
    m_windowMenu->addSeparator();
    m_activeWindowsLabel = new QWidgetAction(m_windowMenu);
    auto* label = new QLabel("Corvanta -Active Windows:");
    label->setContentsMargins(8, 3, 8, 3);
    label->setStyleSheet(QStringLiteral("color: %1; font-weight: bold;")
                             .arg(QApplication::palette().color(QPalette::Highlight).name()));
    m_activeWindowsLabel->setDefaultWidget(label);
    m_activeWindowsLabel->setText(label->text());
    m_windowMenu->addAction(m_activeWindowsLabel);
    m_windowListSeparator = m_windowMenu->addSeparator();
    connect(m_windowMenu, &QMenu::aboutToShow, this, [this] { TBXMDIWindowItem1Update(); });

    QMenu* help = menuBar()->addMenu("Help");
    menuItem(help, "About", 7, [this] { TBXAboutClick(); });
    menuItem(help, "About Windows", -1, [this] { m_launchers->TBXAboutWinClick(); });
    help->addSeparator();
    menuItem(help, "Visit the developor web site", 3, [this] { m_launchers->TBXWebSiteClick(); });
    menuItem(help, "Corvanta project page", 3, [this] { m_launchers->DoGoHome(); });
    menuItem(help, "Visit Clever's Components home page", 3, [this] { m_launchers->DoGoClever(); });
    help->addSeparator();
    menuItem(help, "Check For Updates", 6, [this] { m_updateCheck->DoClUpdate(); });
}

void TfrmMain::buildToolBar() {
    m_toolBar = new QToolBar("Tools", this);
    m_toolBar->setObjectName("ToolsBar");
    m_toolBar->setIconSize(QSize(24, 24));
    m_toolBar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    m_releaseLabel = new QLabel(m_toolBar);
    m_releaseLabel->setObjectName("TBXLabelRelease");
    m_toolBar->addWidget(m_releaseLabel);
    const struct {
        const char* caption;
        int image;
        ToolKind kind;
    } tools[] = {
        {"Web Browser", 3, ToolKind::WebBrowser},
        {"Ftp Client", 1, ToolKind::FtpClient},
        {"Editor", 8, ToolKind::Editor},
        {"Web Site Grabber", 2, ToolKind::WebSiteGrabber},
        {"Net Translator", 16, ToolKind::NetTranslator},
        {"Network Tools", 15, ToolKind::NetworkTools},
    };
    for (const auto& tool : tools) {
        const ToolKind kind = tool.kind;
        QAction* action = m_toolBar->addAction(m_menuImages.icon(tool.image), tool.caption);
        connect(action, &QAction::triggered, this, [this, kind] { OpenToolWindow(kind); });
    }
    m_toolBar->addSeparator();
    m_mailButton = new QToolButton(m_toolBar);
    m_mailButton->setObjectName("mail");
    m_mailButton->setText("mail");
    m_mailButton->setAccessibleName("mail");
    m_mailButton->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    m_mailButton->setPopupMode(QToolButton::MenuButtonPopup);
    m_launchers->setUpMailButton(m_mailButton, m_menuImages);
    m_toolBar->addWidget(m_mailButton);
    m_toolBar->addSeparator();
    m_themes = new QComboBox(m_toolBar);
    m_themes->setObjectName("CBThemes");
    m_themes->setPlaceholderText("Themes");
    m_themes->setAccessibleName("Themes");
    m_themes->setMinimumWidth(110);
    m_toolBar->addWidget(m_themes);
    connect(m_themes, &QComboBox::activated, this, &TfrmMain::CBThemesClick);
    addToolBar(Qt::TopToolBarArea, m_toolBar);
}

// ---- tool windows -------------------------------------------------------

QMdiSubWindow* TfrmMain::addToMdi(ToolWindow* window) {
    QMdiSubWindow* sub = m_area->addSubWindow(window);
    sub->setAttribute(Qt::WA_DeleteOnClose);
    sub->setWindowIcon(m_taskbarImages.icon(toolKindInfo(window->kind()).taskBarImage));
    window->show();
    sub->showMaximized();
    return sub;
}

ToolWindow* TfrmMain::OpenToolWindow(ToolKind kind) {
    ToolWindow* window = m_tools.create(kind, *this);
    if (!window)
        return nullptr;  // the tools could not be loaded; the factory said why
    QMdiSubWindow* sub = addToMdi(window);
    const ToolKindInfo& info = toolKindInfo(kind);
    m_taskBar->AddTask(window, info.caption, infoTextColour(), info.taskBarImage);
    m_area->setActiveSubWindow(sub);
    return window;
}

void TfrmMain::addTask(ToolWindow* window, const QString& caption, int image) {
    m_taskBar->AddTask(window, caption, infoTextColour(), image);
}

void TfrmMain::setFrameCaption(const QString& caption) {
    m_caption = caption;
    setWindowTitle(caption);
}

void TfrmMain::removeTask(ToolWindow* window) {
    if (!m_destroying)
        m_taskBar->RemoveTask(window);
}

ToolWindow* TfrmMain::openBrowser(const QString& caption, int image) {
    if (caption.isEmpty() && image < 0)
        return OpenToolWindow(ToolKind::WebBrowser);
    ToolWindow* window = m_tools.create(ToolKind::WebBrowser, *this);
    if (!window)
        return nullptr;
    QMdiSubWindow* sub = addToMdi(window);
    const ToolKindInfo& info = toolKindInfo(ToolKind::WebBrowser);
    m_taskBar->AddTask(window, caption.isEmpty() ? QString(info.caption) : caption,
                       infoTextColour(), image < 0 ? info.taskBarImage : image);
    m_area->setActiveSubWindow(sub);
    return window;
}

ToolWindow* TfrmMain::browseUrl(const QString& address, History history, const QString& caption,
                                int image) {
    ToolWindow* window = openBrowser(caption, image);
    m_tools.navigate(window, address, history == History::Skip);
    return window;
}

void TfrmMain::DoNavToFav() {
    // Opened as the Web Browser open action opens one; a hidden program stays hidden.
    browseUrl(FavoritesFileToOpen, History::Skip, QString(), -1);
}

ToolWindow* TfrmMain::browseHtml(const QString& html, const QString& baseAddress,
                                 const QString& caption, int image) {
    ToolWindow* window = openBrowser(caption, image);
    m_tools.showHtml(window, html, baseAddress);
    return window;
}

ToolWindow* TfrmMain::openInEditor(const QString& text, bool html) {
    ToolWindow* editor = OpenToolWindow(ToolKind::Editor);
    m_tools.showText(editor, text, html);
    return editor;
}

QString TfrmMain::mailClient() const {
    return m_launchers->mailClient();
}

void TfrmMain::setMailClient(const QString& selection) {
    if (MailClients::find(selection))
        m_launchers->setMailClient(selection);
}

void TfrmMain::startDesktopProgram(DesktopProgram program) {
    m_launchers->startStandIn(program == DesktopProgram::AddressBook ? addressBookStandIn()
                                                                     : internetCallStandIn());
}

void TfrmMain::openOnDesktop(const QString& address) {
    m_launchers->openAddress(address);
}

void TfrmMain::TBXAboutClick() {
    TfrmAbout box(m_prompts,
                  {[this] { m_launchers->DoGoHome(); }, [this] { m_launchers->DoMailMe(); },
                   [this] { m_updateCheck->DoCheck4Updates(); }},
                  Paths::dataFolder(), this);
    box.setWindowTitle(TfrmAbout::kCaption);
    box.showModal();
}

ToolWindow* TfrmMain::activeToolWindow() const {
    QMdiSubWindow* sub = m_area->activeSubWindow();
    if (!sub)
        sub = m_area->currentSubWindow();
    return sub ? qobject_cast<ToolWindow*>(sub->widget()) : nullptr;
}

int TfrmMain::toolWindowCount() const {
    return m_area->subWindowList().size();
}

ToolWindow* TfrmMain::toolWindowAt(int index) const {
    const QList<QPointer<QMdiSubWindow>> order = m_arrangement->mdiOrder();
    if (index < 0 || index >= order.size())
        return nullptr;
    return qobject_cast<ToolWindow*>(order[index]->widget());
}

// ---- window arrangement -------------------------------------------------

void TfrmMain::DoCascade() {
    m_arrangement->cascade();
}

void TfrmMain::DoVertical() {
    m_arrangement->tileVertically();
}

void TfrmMain::DoTileHorizontally() {
    m_arrangement->tileHorizontally();
}

void TfrmMain::DoArrange() {
    m_arrangement->arrangeIcons();
}

void TfrmMain::DoMaximize() {
    if (windowState() & (Qt::WindowMaximized | Qt::WindowMinimized)) {
        setWindowState(windowState() & ~(Qt::WindowMaximized | Qt::WindowMinimized));
        m_maximizeItem->setText("View Maximize");
    } else {
        m_maximizeItem->setText("View Normal");
        setWindowState(windowState() | Qt::WindowMaximized);
    }
}

void TfrmMain::TBXMinClick() {
    m_arrangement->minimizeAll();
}

void TfrmMain::TBXCloseAllClick() {
    m_arrangement->closeAll();
}

void TfrmMain::DoCloseWin() {
    if (QMdiSubWindow* sub = m_area->activeSubWindow())
        sub->close();
}

void TfrmMain::TBXHideTaskBarClick() {
    m_taskBar->hide();
    m_taskBarViewItem->setText("Show The TaskBar");
}

void TfrmMain::TaskBViewClick() {
    // The item ticks itself; the bar's visibility flips independently of it.
    m_taskBar->setVisible(m_taskBar->isHidden());
}

QAction* TfrmMain::activeWindowsLabel() const {
    return m_activeWindowsLabel;
}

void TfrmMain::TBXMDIWindowItem1Update() {
    RefreshActiveWindowHint();
    m_activeWindowsLabel->setVisible(toolWindowCount() > 0);
    for (QAction* item : m_windowListItems) {
        m_windowMenu->removeAction(item);
        delete item;
    }
    m_windowListItems.clear();
    const QList<QMdiSubWindow*> windows = m_area->subWindowList();
    QMdiSubWindow* active = m_area->activeSubWindow();
    for (int i = 0; i < windows.size(); ++i) {
        QMdiSubWindow* sub = windows[i];
        auto* item =
            new QAction(QStringLiteral("&%1 %2").arg(i + 1).arg(sub->windowTitle()), m_windowMenu);
        item->setCheckable(true);
        item->setChecked(sub == active);
        // As a click on the window's task-bar button: a minimized one comes back.
        connect(item, &QAction::triggered, this, [this, sub] {
            if (auto* window = qobject_cast<ToolWindow*>(sub->widget()))
                m_taskBar->activateTaskOf(window);
            else
                m_area->setActiveSubWindow(sub);
        });
        m_windowMenu->addAction(item);
        m_windowListItems.append(item);
    }
}

void TfrmMain::fillTaskBarMenu(bool overButton) {
    m_popupMenu->clear();
    if (!overButton)
        return;
    menuItem(m_popupMenu, "Close The Window", 14, [this] { DoCloseWin(); });
    menuItem(m_popupMenu, "Close All The Windows", 14, [this] { TBXCloseAllClick(); });
    menuItem(m_popupMenu, "Hide The TaskBar", 17, [this] { TBXHideTaskBarClick(); });
    m_popupMenu->addSeparator();
    menuItem(m_popupMenu, "Open The Web Browser", 3, [this] { DoShowWebBrowser(); });
    menuItem(m_popupMenu, "Open The Web Grabber", 2, [this] { DoShowGrabber(); });
    menuItem(m_popupMenu, "Open The Editor", 8, [this] { DoShowEditor(); });
    menuItem(m_popupMenu, "Open The FTP Client", 1, [this] { DoShowFTP(); });
    menuItem(m_popupMenu, "Open The Net Tools", 15, [this] { DoShowNetTools(); });
    menuItem(m_popupMenu, "Open The Net Translator", 16, [this] { DoShowTranslator(); });
    m_popupMenu->addSeparator();
}

void TfrmMain::RefreshActiveWindowHint() {
    ToolWindow* active = activeToolWindow();
    m_activeWindowHint = QString::fromLatin1(kApplicationTitle) + "\n\r" +
                         "Active :" + (active ? active->windowTitle() : QString());
    setToolTip(QString());
    m_area->setStatusTip(m_activeWindowHint);
    m_tray->setTip(m_activeWindowHint);
}

bool TfrmMain::checkUpdatesOnStartup() const {
    return m_updateOnStartup->isChecked();
}

// ---- themes ---------------------------------------------------------------

void TfrmMain::CBThemesClick(int index) {
    Themes::apply(m_themes->itemText(index));
}

// ---- settings -------------------------------------------------------------

void TfrmMain::TBXRestoreClick() {
    if (m_prompts.message(Prompts::Kind::Error, QString(), "Are You Sure??",
                          Prompts::Ok | Prompts::Cancel) != Prompts::Ok) {
        return;
    }
    try {
        DefaultSettings::restore();
    } catch (const AppError& error) {
        m_prompts.errorBox(error.message());
    }
}

void TfrmMain::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    fitToolBar();
}

void TfrmMain::fitToolBar() {
    // Captions beside the icons while they fit; icons alone (captions as
    // tips) in a narrow frame, so the mail button and the theme selector stay
    // in reach instead of behind the overflow arrow.
    m_toolBar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    const bool fits = m_toolBar->sizeHint().width() <= width();
    m_toolBar->setToolButtonStyle(fits ? Qt::ToolButtonTextBesideIcon : Qt::ToolButtonIconOnly);
}

void TfrmMain::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (m_shownOnce)
        return;
    m_shownOnce = true;
    // Start-up runs once the frame has been painted on screen, so its boxes and
    // the reopened tools (the first of which loads the tools' libraries)
    // appear over a painted frame; at the latest after a second, for a frame
    // that is not exposed (on another desktop).
    if (QWindow* window = windowHandle())
        window->installEventFilter(this);
    QTimer::singleShot(kLatestStartUpMs, this, [this] { startUp(); });
}

bool TfrmMain::eventFilter(QObject* watched, QEvent* event) {
    // The expose is painted as it is handled: start-up follows it.
    if (event->type() == QEvent::Expose && watched == windowHandle() && !m_startUpDue &&
        windowHandle()->isExposed()) {
        watched->removeEventFilter(this);
        QTimer::singleShot(0, this, [this] { startUp(); });
    }
    return QMainWindow::eventFilter(watched, event);
}

void TfrmMain::startUp() {
    if (std::exchange(m_startUpDue, true))
        return;
    FormShow();
    m_startedUp = true;
    openPendingStartTargets();
}

void TfrmMain::FormShow() {
    m_updateCheck->frameShown();
    m_themes->clear();
    m_themes->addItems(Themes::names());
    m_themes->setCurrentIndex(-1);

    if (!m_isConnected()) {
        m_prompts.message(Prompts::Kind::Warning, QString(),
                          "It looks like you are not connected to the internet!",
                          Prompts::Ok | Prompts::Cancel);
    }

    readMainSettings();

    ignoringStoreFailures([this] {
        Registry registry;
        if (registry.openKey(kBrowserSettingsKey, false))
            m_launchers->setMailClient(MailClients::fromStored(registry.readString("MailClient")));
    });
    // From now on minimizing hides the program into the tray (a start-up
    // that restored the minimized state above left it minimized).
    m_tray->install();
    RefreshActiveWindowHint();
}

void TfrmMain::openStartTargets(const QList<StartTarget>& targets) {
    m_pendingStartTargets += targets;
    if (m_startedUp)
        openPendingStartTargets();
}

void TfrmMain::comeForward() {
    m_tray->DoShowForm();
    if (isMinimized())
        showNormal();
    raise();
    activateWindow();
}

void TfrmMain::openPendingStartTargets() {
    const QList<StartTarget> targets = std::exchange(m_pendingStartTargets, {});
    if (targets.isEmpty())
        return;
    comeForward();
    for (const StartTarget& target : targets) {
        switch (target.kind) {
            case StartTarget::Kind::Web:
                browseUrl(target.target, History::Record, QString(), -1);
                break;
            case StartTarget::Kind::Ftp:
                m_tools.openAddress(OpenToolWindow(ToolKind::FtpClient), target.target);
                break;
            case StartTarget::Kind::File:
                m_tools.openFile(OpenToolWindow(ToolKind::Editor), target.target);
                break;
        }
    }
}

void TfrmMain::readMainSettings() {
    std::unique_ptr<Registry> registry;
    try {
        registry = std::make_unique<Registry>();
        if (!registry->openKey(kMainKey, true))
            return;
    } catch (const AppError&) {
        return;  // the key cannot be opened at all: nothing applied, no fallback
    }
    const QString movedAside = Registry::takeRecoveryNotice();
    if (!movedAside.isEmpty()) {
        m_prompts.message(Prompts::Kind::Warning, QString(),
                          QStringLiteral("Your settings could not be read and were moved to\n%1\n"
                                         "Corvanta starts with its default settings.")
                              .arg(movedAside),
                          Prompts::Ok);
    }
    try {
        QRect placement = geometry();
        placement.moveLeft(registry->readInteger("Form_Left"));
        setGeometry(placement);
        placement.moveTop(registry->readInteger("Form_Top"));
        setGeometry(placement);
        placement.setWidth(registry->readInteger("Form_Width"));
        setGeometry(placement);
        placement.setHeight(registry->readInteger("Form_Height"));
        setGeometry(placement);
        // A placement stored on a screen that is gone opens on this one.
        QList<QRect> screens;
        for (QScreen* screen : QApplication::screens())
            screens.append(screen->availableGeometry());
        if (QScreen* current = QApplication::primaryScreen())
            setGeometry(FramePlacement::onScreen(placement, screens, current->availableGeometry()));

        const int theme = registry->readInteger("Form_Theme");
        m_themes->setCurrentIndex(theme >= 0 && theme < m_themes->count() ? theme : -1);
        Themes::apply(m_themes->currentText());

        if (registry->readInteger("HideTheTaskbar") == 0)
            m_taskBar->hide();

        for (const ToolKindInfo& kind : kToolKinds) {
            if (registry->readString(kind.caption) == "1")
                OpenToolWindow(kind.kind);
        }

        switch (registry->readInteger("Window_State")) {
            case 1:
                setWindowState(Qt::WindowMaximized);
                break;
            case 2:
                setWindowState(Qt::WindowMinimized);
                break;
            case 3:
                setWindowState(Qt::WindowNoState);
                break;
            default:
                break;
        }

        m_updateOnStartup->setChecked(registry->readBool("AutoUpdate"));
        if (m_updateOnStartup->isChecked())
            m_updateCheck->DoClUpdate();
        registry->closeKey();
    } catch (const AppError&) {
        registry.reset();  // the windows opened below read and write the store too
        DoShowWebBrowser();
        setFrameCaption(kFallbackCaption);
    }
}

void TfrmMain::FormCloseQuery() {
    // A store that cannot be opened at exit skips the frame's writes.
    ignoringStoreFailures([this] {
        Registry registry;
        if (registry.openKey(kMainKey, true)) {
            const QRect placement = (windowState() & (Qt::WindowMaximized | Qt::WindowMinimized))
                                        ? normalGeometry()
                                        : geometry();
            registry.writeDate("Last_Date_In_Use", QDate::currentDate());
            registry.writeBool("AutoUpdate", m_updateOnStartup->isChecked());
            registry.writeInteger("Corvanta_Version", kRelease);
            registry.writeInteger("Form_Top", placement.top());
            registry.writeInteger("Form_Left", placement.left());
            registry.writeInteger("Form_Width", placement.width());
            registry.writeInteger("Form_Height", placement.height());
            registry.writeInteger("Form_Theme", m_themes->currentIndex());
            // The kind values go, and with them any text value an older run
            // wrote under a window's own caption (a file path, a page name).
            for (const QString& name : registry.getValueNames()) {
                if (registry.valueType(name) == Registry::ValueType::Text)
                    registry.deleteValue(name);
            }
            // Each window is stored by its kind's caption, whatever it shows.
            for (int i = toolWindowCount() - 1; i >= 0; --i) {
                if (ToolWindow* window = toolWindowAt(i))
                    registry.writeString(toolKindCaption(window->kind()), "1");
            }
            registry.writeInteger("HideTheTaskbar", m_taskBar->isHidden() ? 0 : 1);
            int state = 3;
            if (windowState() & Qt::WindowMinimized) {
                state = 2;
            } else if (windowState() & Qt::WindowMaximized) {
                state = 1;
            }
            registry.writeInteger("Window_State", state);
            registry.closeKey();
        }
    });
    ignoringStoreFailures([this] {
        Registry registry;
        if (registry.openKey(kBrowserSettingsKey, true)) {
            registry.writeString("MailClient", m_launchers->mailClient());
        }
    });
    for (const char* name : {"myip.txt", "Update.config"}) {
        const QString path = Paths::writableProgramFile(name);
        if (QFile::exists(path)) {
            QFile::remove(path);
            if (QString(name) == "Update.config") {
                QFile::remove(Paths::writableProgramFile("UpdateC.config"));
            }
        }
    }
}

void TfrmMain::closeEvent(QCloseEvent* event) {
    const bool mayClose = m_arrangement->everyWindowMayClose([](QMdiSubWindow* sub) {
        auto* window = qobject_cast<ToolWindow*>(sub->widget());
        return !window || window->queryClose();
    });
    if (!mayClose) {
        event->ignore();
        return;
    }
    FormCloseQuery();
    event->accept();
}
