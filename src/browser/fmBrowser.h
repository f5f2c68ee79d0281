#pragma once

#include <QList>

#include "BrowserHost.h"
#include "BrowserSettings.h"
#include "ImageStrip.h"
#include "RecentSearches.h"
#include "SearchEngines.h"
#include "ToolWindow.h"

class AddHtmlPanel;
class AddressCombo;
class DocumentInfoPage;
class DownloadsPanel;
class FindBar;
class PageCommands;
class QAction;
class QActionGroup;
class QComboBox;
class QProgressBar;
class QSplitter;
class QTabWidget;
class QToolBar;
class SidePanel;
class StatusPanel;

// The Web Browser tool window: one browser control, its toolbars, address and
// search boxes and status bar. Answers the control's events (BrowserEvents).
class TbrowserFrm : public ToolWindow, public BrowserEvents {
    Q_OBJECT
public:
    explicit TbrowserFrm(ToolHost& host, QWidget* parent = nullptr);
    ~TbrowserFrm() override;

    // Navigate: hands the address to the browser control unchanged.
    void Navigate(const QString& address);
    // NavigateNoHistory: navigates without leaving a back-history entry.
    void NavigateNoHistory(const QString& address);
    // Shows `html` as the page at `baseAddress` (its links and images resolve
    // against it), as a translated page is shown.
    void showHtml(const QString& html, const QString& baseAddress);

    // Commands.
    void DoBack();
    void DoForward();
    void DoStop();
    void DoRefresh();
    void DoGoHome();
    void TBXGoClick();
    void DoSearch();
    // "Popup Blocker" after its toggle, and "Block PopUp ", which performs it.
    void TBXBBLockerClick(bool checked);
    void TBXBlockClick();
    // "Browser Preferences": the preferences dialog, modal.
    void TBXPrefClick();
    // "Add HTML to the current page".
    void TBXAddHTMLClick();

    // BrowserEvents.
    void BeforeNavigate2(const QString& address, const QString& targetFrameName,
                         bool& cancel) override;
    BrowserHost* NewWindow2(const QString& address, bool& cancel) override;
    void DownloadBegin() override;
    void DocumentComplete(const QString& address) override;
    void DownloadComplete() override;
    void TitleChange(const QString& text) override;
    void ProgressChange(int progress, int maximum) override;
    void StatusTextChange(const QString& text) override;
    void CommandStateChange(int command, bool enable) override;
    void SetSecureLockIcon(int level) override;
    Prompts::Button ShowMessage(const QString& text, Prompts::Kind kind,
                                Prompts::Buttons buttons) override;
    bool ShowInput(const QString& text, QString& value) override;
    void TranslateUrl(const QString& address) override;

    BrowserHost* browser() const { return WB; }
    AddressCombo* addressBox() const { return Addrs; }
    QComboBox* searchBox() const { return Searchbx; }
    StatusPanel* statusPanel(int index) const { return m_panels.value(index); }
    QProgressBar* progressBar() const { return ProgWB; }
    SidePanel* sidePanel() const { return PnlFav; }
    DocumentInfoPage* documentInfo() const { return m_documentInfo; }
    AddHtmlPanel* addHtmlPanel() const { return PnlAdd; }
    FindBar* findBar() const { return m_findBar; }
    DownloadsPanel* downloadsPanel() const { return m_downloads; }
    PageCommands* pageCommands() const { return m_commands; }
    QTabWidget* pageControl() const { return PageControl; }
    const RecentSearches& recentSearches() const { return m_searches; }
    SearchEngine checkedEngine() const;
    bool popupPending() const { return PopupPending; }
    int blockedCount() const { return BlockedCount; }
    bool blockerOn() const { return m_settings.blocker; }

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    QAction* makeAction(const char* name, const QString& caption, int image,
                        const QString& hint = QString());
    void buildToolbars();
    void buildPages();
    void buildStatusBar();
    void showBlockerState();
    // Shows a panel of the page's column, at least `height` high.
    void showBelowPage(QWidget* panel, int height);
    void startUp();
    void openStartPage();
    void applyDocumentInfoRule();
    void takeFocusForPage();
    void fillSearchBox(const QString& text);
    static void recordUserAgent(bool present);

    ImageList m_images{16};
    BrowserHost* WB = nullptr;
    QTabWidget* PageControl = nullptr;
    QSplitter* m_sideSplitter = nullptr;
    QSplitter* m_addSplitter = nullptr;
    SidePanel* PnlFav = nullptr;
    AddHtmlPanel* PnlAdd = nullptr;
    DocumentInfoPage* m_documentInfo = nullptr;
    FindBar* m_findBar = nullptr;
    DownloadsPanel* m_downloads = nullptr;
    PageCommands* m_commands = nullptr;
    QToolBar* TBXTBMain = nullptr;
    QToolBar* TBXTBAddrs = nullptr;
    QToolBar* TBXTools = nullptr;
    AddressCombo* Addrs = nullptr;
    QComboBox* Searchbx = nullptr;
    QActionGroup* m_engines = nullptr;
    QAction* TBXBack = nullptr;
    QAction* TBXForward = nullptr;
    QAction* TBXMainTB = nullptr;
    QAction* TBXhideMTB = nullptr;
    QAction* TBXBBLocker = nullptr;
    QList<StatusPanel*> m_panels;
    QProgressBar* ProgWB = nullptr;

    bool PopupPending = false;
    // The address the pending popup asked for: the engine opens a popup
    // without a navigation in the opener, so only a navigation to this address
    // is the popup's own.
    QString m_popupAddress;
    int BlockedCount = 0;
    BrowserSettings m_settings;  // what start-up read; written back at destruction
    RecentSearches m_searches;
    bool m_searchChoice = false;  // the next activation of the search list is a choice
    bool m_started = false;
    bool m_quietPageChange = false;  // the program turns the page: no refresh

    static int s_windows;
};
