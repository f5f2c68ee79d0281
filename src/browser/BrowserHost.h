#pragma once

#include <QString>
#include <QUrl>
#include <QVariant>
#include <QWebEngineView>
#include <functional>

#include "PageCommandRules.h"
#include "Prompts.h"

class QWebEngineDownloadRequest;
class QWebEngineProfile;
class BrowserHost;

// What the browser host reports to its window, named after the events and
// host callbacks the window answers. All calls arrive on the UI thread,
// synchronously with the engine's hooks.
class BrowserEvents {
public:
    virtual ~BrowserEvents() = default;
    // `targetFrameName` is empty for the top frame. Setting `cancel` stops the
    // navigation.
    virtual void BeforeNavigate2(const QString& address, const QString& targetFrameName,
                                 bool& cancel) = 0;
    // A page asks for a new window on `address`: answer the host the page
    // opens in, or nullptr with `cancel` set to drop it.
    virtual BrowserHost* NewWindow2(const QString& address, bool& cancel) = 0;
    // The control became busy with a page load.
    virtual void DownloadBegin() {}
    virtual void DocumentComplete(const QString& address) = 0;
    virtual void DownloadComplete() = 0;
    virtual void TitleChange(const QString& text) = 0;
    // Progress of `maximum` (10000 for page loads); progress below 1 means idle.
    virtual void ProgressChange(int progress, int maximum) = 0;
    virtual void StatusTextChange(const QString& text) = 0;
    // Command 1 is forward, 2 back.
    virtual void CommandStateChange(int command, bool enable) = 0;
    // 0 for an unsecured page, anything else for a secure one.
    virtual void SetSecureLockIcon(int level) = 0;
    // A page's message box; returns the button pressed.
    virtual Prompts::Button ShowMessage(const QString& text, Prompts::Kind kind,
                                        Prompts::Buttons buttons) = 0;
    // A page's input query; false when cancelled.
    virtual bool ShowInput(const QString& text, QString& value) = 0;
    // Asked after each accepted top-frame navigation start.
    virtual void TranslateUrl(const QString& address) = 0;
};

// Embeds the browser engine for one window: one view over a page of the
// suite's persistent profile, whose engine signals and page hooks it maps to
// BrowserEvents. UI thread only.
class BrowserHost : public QWebEngineView {
    Q_OBJECT
public:
    static constexpr int kProgressMaximum = 10000;

    BrowserHost(BrowserEvents& events, QWidget* parent = nullptr);
    ~BrowserHost() override;

    // The suite's own named, persistent profile (storage under the user data
    // folder), created once per process with the user agent token added.
    static QWebEngineProfile* profile();

    // Hands `address` to the engine as typed, with a history entry.
    void navigate(const QString& address);
    // Navigates without adding a back-history entry: the page replaces the
    // current entry (the first page of an empty history leaves none behind).
    void navigateNoHistory(const QString& address);
    // Shows `html` as the page at `baseUrl`: relative links and images
    // resolve against it, and the navigation events name that address.
    void showHtml(const QString& html, const QUrl& baseUrl);

    bool busy() const { return m_busy; }
    // True once anything was navigated to (or a page was opened into it).
    bool navigationRequested() const { return m_navigationRequested; }
    // The page title, or the file name of an untitled page.
    QString locationName() const;
    QString locationAddress() const;
    // False while the page shown was opened by navigateNoHistory: the
    // history of visits leaves it out as the back history does.
    bool pageInHistory() const { return m_pageInHistory; }

    // Turns an address as typed into the engine's form.
    static QUrl addressToUrl(const QString& address);

    // Whether a document is loaded (the engine's pages count, an empty
    // control has none).
    bool hasDocument() const;
    // Whether the document shown is HTML (not a picture, a plain text, ...);
    // known once a page has loaded, and kept while the next one loads.
    bool isHtmlDocument() const { return m_htmlDocument; }

    // Runs `function` of the document script (DocumentScript) with
    // `arguments` in the top frame. `done` gets the value, or the error's
    // text, on this thread; it is not called once `context` or this host is
    // gone.
    using ScriptDone = std::function<void(const QVariant& value, const QString& error)>;
    void runDocumentScript(const QString& function, const QVariantList& arguments, QObject* context,
                           ScriptDone done);

    // The offline flag: while set, every request that would go out on the
    // network is refused.
    bool offline() const;
    void setOffline(bool offline);

    // The user-interface flags the engine is told (the scroll bars follow
    // them from the next page on; the window draws the borders).
    PageCommandRules::HostFlags hostFlags() const { return m_hostFlags; }
    void setHostFlags(PageCommandRules::HostFlags flags);

signals:
    // A frame of another origin answered a document walk.
    void documentReported(const QVariantMap& report);
    // The page asks for a download (a link to a file, or a page being saved).
    void downloadRequested(QWebEngineDownloadRequest* request);

private:
    class Page;
    class OfflineGate;
    void onLoadStarted();
    void onLoadFinished(bool ok);
    void updateCommandStates();
    void dropTransientEntry();

    BrowserEvents& m_events;
    Page* m_page;
    OfflineGate* m_offlineGate;
    PageCommandRules::HostFlags m_hostFlags = PageCommandRules::startHostFlags();
    bool m_htmlDocument = false;
    bool m_closing = false;
    bool m_busy = false;
    bool m_navigationRequested = false;
    QString m_pendingAddress;  // the top frame's address being opened
    QUrl m_contentBase;        // the address of content handed over by showHtml
    QString m_largeContent;    // content too large to hand over at once, written on load
    QUrl m_largeContentAddress;
    QString m_stateText;     // the status text shown when no link is hovered
    QUrl m_transientEntry;   // a no-history first page to drop at the next navigation
    QUrl m_noHistoryTarget;  // the top-frame address navigateNoHistory asked for
    bool m_pageInHistory = true;
    int m_lastBack = -1;
    int m_lastForward = -1;
};
