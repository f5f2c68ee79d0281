#pragma once

#include <QMainWindow>
#include <functional>
#include <memory>

#include "ImageStrip.h"
#include "StartArguments.h"
#include "ToolHost.h"
#include "UpdateSignature.h"

class QAction;
class QComboBox;
class QLabel;
class QMdiArea;
class QMdiSubWindow;
class QMenu;
class QToolBar;
class QToolButton;
class QWidgetAction;
class HandOff;
class Launchers;
class ShellLauncher;
class TTBXTaskBar;
class ToolWindowFactory;
class TrayController;
class UpdateCheck;
class UpdateStatusBar;
class WindowArrangement;

// The main frame: an MDI area holding the tool windows, the task bar of open
// windows, the menus and the tool toolbar. It is the ToolHost of every tool
// window it opens and keeps no list of its own: it reaches tool windows
// through the MDI area only.
class TfrmMain : public QMainWindow, public ToolHost {
    Q_OBJECT
public:
    static constexpr const char* kMainKey = "\\Software\\Corvanta\\MainPlatform";
    static constexpr const char* kBrowserSettingsKey = "\\Software\\Corvanta\\BrowserSettings";
    static constexpr const char* kFallbackCaption = "Corvanta     0.08   Beta";
    static constexpr int kRelease = 8;
    // Start-up waits for the frame's first paint, at most this long.
    static constexpr int kLatestStartUpMs = 1000;

    // `shell` starts what lies outside the program (mail and system programs,
    // addresses); `isConnected` answers whether the machine is online; update
    // lists must be signed with the secret half of `updateKey`.
    TfrmMain(Prompts& prompts, ToolWindowFactory& tools, ShellLauncher& shell,
             std::function<bool()> isConnected, QWidget* parent = nullptr,
             const QByteArray& updateKey = UpdateSignature::projectKey());
    ~TfrmMain() override;

    // ToolHost
    Prompts& prompts() override { return m_prompts; }
    ToolWindow* openTool(ToolKind kind) override { return OpenToolWindow(kind); }
    void addTask(ToolWindow* window, const QString& caption, int image) override;
    void removeTask(ToolWindow* window) override;
    void setFrameCaption(const QString& caption) override;
    ToolWindow* browseUrl(const QString& address, History history, const QString& caption,
                          int image) override;
    ToolWindow* browseHtml(const QString& html, const QString& baseAddress, const QString& caption,
                           int image) override;
    ToolWindow* openInEditor(const QString& text, bool html) override;
    void setMailClient(const QString& selection) override;
    void startDesktopProgram(DesktopProgram program) override;
    void openOnDesktop(const QString& address) override;
    void setFavoritesFileToOpen(const QString& file) override { FavoritesFileToOpen = file; }
    void DoNavToFav() override;

    ToolWindow* OpenToolWindow(ToolKind kind);

    // Queries on the MDI area: index 0 is the active (topmost) tool window.
    ToolWindow* activeToolWindow() const;
    int toolWindowCount() const;
    ToolWindow* toolWindowAt(int index) const;

    // The open actions.
    void DoShowWebBrowser() { OpenToolWindow(ToolKind::WebBrowser); }
    void DoShowFTP() { OpenToolWindow(ToolKind::FtpClient); }
    void DoShowEditor() { OpenToolWindow(ToolKind::Editor); }
    void DoShowGrabber() { OpenToolWindow(ToolKind::WebSiteGrabber); }
    void DoShowTranslator() { OpenToolWindow(ToolKind::NetTranslator); }
    void DoShowNetTools() { OpenToolWindow(ToolKind::NetworkTools); }

    // Window arrangement and the task bar's commands.
    void DoCascade();
    void DoVertical();
    void DoTileHorizontally();
    void DoArrange();
    void DoMaximize();
    void TBXMinClick();
    void TBXCloseAllClick();
    void DoCloseWin();
    void TBXHideTaskBarClick();
    void TaskBViewClick();
    void TBXMDIWindowItem1Update();
    void TBXRestoreClick();
    void CBThemesClick(int index);

    // The frame's caption as set; while a tool window is maximized the title
    // bar also names that window ("Corvanta - [Editor]").
    QString caption() const { return m_caption; }

    void RefreshActiveWindowHint();
    QString activeWindowHint() const { return m_activeWindowHint; }

    // True once the start-up sequence (settings, reopened tools) has run.
    bool startedUp() const { return m_startedUp; }

    // Opens what the command line named, this start's or one handed over by
    // a later start: a new window each, after the start-up sequence, with
    // the frame brought forward (also out of the tray).
    void openStartTargets(const QList<StartTarget>& targets);
    // Shows the frame (also out of the tray or from minimized) in front: what a
    // later start without arguments asks for.
    void comeForward();

    QString mailClient() const;
    // The about box ("About", the tray's "About Corvanta").
    void TBXAboutClick();
    // The tray icon and menu, the hand-off actions, the launchers.
    TrayController* tray() const { return m_tray; }
    HandOff* handOff() const { return m_handOff.get(); }
    Launchers* launchers() const { return m_launchers; }
    bool checkUpdatesOnStartup() const;
    // The update check ("Check For Updates", the release check of the about box).
    UpdateCheck* updateCheck() const { return m_updateCheck; }

    // Controls reached by tests and by later features.
    TTBXTaskBar* taskBar() const { return m_taskBar; }
    QComboBox* themeSelector() const { return m_themes; }
    QMdiArea* mdiArea() const { return m_area; }
    QMenu* windowMenu() const { return m_windowMenu; }
    QMenu* sharedPopupMenu() const { return m_popupMenu; }
    QAction* taskBarViewItem() const { return m_taskBarViewItem; }
    QAction* maximizeItem() const { return m_maximizeItem; }
    QAction* activeWindowsLabel() const;
    QList<QAction*> windowListItems() const { return m_windowListItems; }
    const ImageList& menuImages() const { return m_menuImages; }
    const ImageList& taskbarImages() const { return m_taskbarImages; }

    // Fills the shared popup with the task-bar context menu when `overButton`,
    // empties it otherwise (then no menu is shown).
    void fillTaskBarMenu(bool overButton);

    // The frame's tool bars have no menu of the main window's own: it would
    // let a user hide the task bar or the tool bar with no way back. (The
    // task bar shows its own menu over its buttons.)
    QMenu* createPopupMenu() override { return nullptr; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void FormCreate();
    void startUp();
    void FormShow();
    void FormCloseQuery();
    void readMainSettings();
    void openPendingStartTargets();
    void buildMenus();
    void buildToolBar();
    void fitToolBar();
    QMdiSubWindow* addToMdi(ToolWindow* window);
    ToolWindow* openBrowser(const QString& caption, int image);
    QAction* menuItem(QMenu* menu, const QString& caption, int image,
                      std::function<void()> handler);

    Prompts& m_prompts;
    ToolWindowFactory& m_tools;
    std::function<bool()> m_isConnected;
    bool m_shownOnce = false;
    bool m_startUpDue = false;  // the start-up sequence has begun
    bool m_startedUp = false;
    bool m_destroying = false;
    QString m_caption;
    QString m_activeWindowHint;
    QString FavoritesFileToOpen;
    QList<StartTarget> m_pendingStartTargets;

    ImageList m_menuImages{24};
    ImageList m_taskbarImages{16};
    ImageList m_trayImages{16};

    QMdiArea* m_area = nullptr;
    TTBXTaskBar* m_taskBar = nullptr;
    QToolBar* m_toolBar = nullptr;
    QLabel* m_releaseLabel = nullptr;
    QToolButton* m_mailButton = nullptr;
    QComboBox* m_themes = nullptr;
    QMenu* m_windowMenu = nullptr;
    QMenu* m_popupMenu = nullptr;
    QAction* m_updateOnStartup = nullptr;
    QAction* m_taskBarViewItem = nullptr;
    QAction* m_maximizeItem = nullptr;
    QWidgetAction* m_activeWindowsLabel = nullptr;
    QAction* m_windowListSeparator = nullptr;
    QList<QAction*> m_windowListItems;
    UpdateStatusBar* m_updateStatusBar = nullptr;
    UpdateCheck* m_updateCheck = nullptr;
    std::unique_ptr<HandOff> m_handOff;
    std::unique_ptr<WindowArrangement> m_arrangement;
    Launchers* m_launchers = nullptr;
    TrayController* m_tray = nullptr;
};
