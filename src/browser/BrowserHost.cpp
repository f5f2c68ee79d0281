#include "BrowserHost.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPointer>
#include <QRandomGenerator>
#include <QWebEngineDownloadRequest>
#include <QWebEngineHistory>
#include <QWebEngineNewWindowRequest>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineScript>
#include <QWebEngineScriptCollection>
#include <QWebEngineSettings>
#include <QWebEngineUrlRequestInterceptor>
#include <atomic>

#include "BrowserRules.h"
#include "DocumentScript.h"
#include "Paths.h"

namespace {

// Frames answer document walks through the console with this in front; it
// lives only in the application's script world, so no page can forge it.
const QString& reportPrefix() {
    static const QString prefix = [] {
        QString text = QStringLiteral("corvanta-report-");
        for (int i = 0; i < 4; ++i)
            text += QString::number(QRandomGenerator::system()->generate(), 16);
        return text + QLatin1Char(':');
    }();
    return prefix;
}

// A page opened from the disk (a grabbed site, a downloaded file) shows the
// files beside it, its pictures and its frames, but its scripts read no
// other file of the user's: reads by script are refused, and frames and
// windows it opens on local files may hold only web pages, whose text a
// script could otherwise take. (Turning the engine's local file access off
// would stop local pages from showing their own pictures.)
class LocalFileGuard : public QWebEngineUrlRequestInterceptor {
public:
    using QWebEngineUrlRequestInterceptor::QWebEngineUrlRequestInterceptor;
    void interceptRequest(QWebEngineUrlRequestInfo& info) override {
        if (!info.requestUrl().isLocalFile() || info.initiator().scheme() != QLatin1String("file"))
            return;
        switch (info.resourceType()) {
            case QWebEngineUrlRequestInfo::ResourceTypeXhr:
            case QWebEngineUrlRequestInfo::ResourceTypePing:
            case QWebEngineUrlRequestInfo::ResourceTypePrefetch:
            case QWebEngineUrlRequestInfo::ResourceTypeWorker:
            case QWebEngineUrlRequestInfo::ResourceTypeSharedWorker:
            case QWebEngineUrlRequestInfo::ResourceTypeServiceWorker:
            case QWebEngineUrlRequestInfo::ResourceTypePluginResource:
                info.block(true);
                break;
            case QWebEngineUrlRequestInfo::ResourceTypeMainFrame:
            case QWebEngineUrlRequestInfo::ResourceTypeSubFrame: {
                static const QStringList pages{"htm", "html", "shtml", "xhtml", "xht"};
                if (!pages.contains(QFileInfo(info.requestUrl().path()).suffix().toLower()))
                    info.block(true);
                break;
            }
            default:
                break;
        }
    }
};

}  // namespace

// Refuses what would go out on the network while the window works offline.
// The engine asks on the UI thread; the flag is atomic all the same.
class BrowserHost::OfflineGate : public QWebEngineUrlRequestInterceptor {
public:
    using QWebEngineUrlRequestInterceptor::QWebEngineUrlRequestInterceptor;
    std::atomic<bool> offline{false};

    void interceptRequest(QWebEngineUrlRequestInfo& info) override {
        if (offline.load() && PageCommandRules::refusedOffline(info.requestUrl()))
            info.block(true);
    }
};

class BrowserHost::Page : public QWebEnginePage {
public:
    explicit Page(BrowserHost& host)
        : QWebEnginePage(BrowserHost::profile(), &host), m_host(host) {}

protected:
    bool acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame) override {
        // The engine names no target frames; any frame below the top one counts
        // as a named target, which keeps frame navigations off the address box.
        const QString targetFrame = isMainFrame ? QString() : QStringLiteral("_frame");
        // Content handed over arrives as a data address; the page is known by
        // the address it was given.
        QString address = url.toString();
        if (isMainFrame && url.scheme() == QLatin1String("data") &&
            !m_host.m_contentBase.isEmpty()) {
            address = m_host.m_contentBase.toString();
        }
        m_host.m_contentBase.clear();
        bool cancel = false;
        m_host.m_events.BeforeNavigate2(address, targetFrame, cancel);
        if (cancel)
            return false;
        if (isMainFrame) {
            // A redirect keeps the standing of the navigation it continues.
            if (type != NavigationTypeRedirect) {
                m_host.m_pageInHistory = url != m_host.m_noHistoryTarget;
                m_host.m_noHistoryTarget.clear();
            }
            m_host.m_pendingAddress = address;
            m_host.m_events.TranslateUrl(address);
        }
        return true;
    }

    void javaScriptAlert(const QUrl&, const QString& message) override {
        m_host.m_events.ShowMessage(message, Prompts::Kind::Warning, Prompts::Ok);
    }

    bool javaScriptConfirm(const QUrl&, const QString& message) override {
        return m_host.m_events.ShowMessage(message, Prompts::Kind::Question,
                                           Prompts::Ok | Prompts::Cancel) == Prompts::Ok;
    }

    bool javaScriptPrompt(const QUrl&, const QString& message, const QString& defaultValue,
                          QString* result) override {
        QString value = defaultValue;
        if (!m_host.m_events.ShowInput(message, value))
            return false;
        *result = value;
        return true;
    }

    // Script errors are neither shown nor logged; the page's script goes on.
    // The document script's frames report here.
    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel, const QString& message, int,
                                  const QString&) override {
        if (!message.startsWith(reportPrefix()))
            return;
        const QJsonDocument report =
            QJsonDocument::fromJson(message.sliced(reportPrefix().size()).toUtf8());
        if (report.isObject())
            emit m_host.documentReported(report.object().toVariantMap());
    }

private:
    BrowserHost& m_host;
};

BrowserHost::BrowserHost(BrowserEvents& events, QWidget* parent)
    : QWebEngineView(parent),
      m_events(events),
      m_page(new Page(*this)),
      m_offlineGate(new OfflineGate(this)) {
    setPage(m_page);
    m_page->setUrlRequestInterceptor(m_offlineGate);
    QWebEngineScript documentScript;
    documentScript.setName(QLatin1String(DocumentScript::kName));
    documentScript.setSourceCode(DocumentScript::source(reportPrefix()));
    documentScript.setWorldId(QWebEngineScript::ApplicationWorld);
    documentScript.setInjectionPoint(QWebEngineScript::DocumentReady);
    documentScript.setRunsOnSubFrames(true);
    m_page->scripts().insert(documentScript);
    connect(profile(), &QWebEngineProfile::downloadRequested, this,
            [this](QWebEngineDownloadRequest* request) {
                if (request->page() == m_page)
                    emit downloadRequested(request);
            });
    connect(m_page, &QWebEnginePage::loadStarted, this, &BrowserHost::onLoadStarted);
    connect(m_page, &QWebEnginePage::loadFinished, this, &BrowserHost::onLoadFinished);
    connect(m_page, &QWebEnginePage::loadProgress, this, [this](int percent) {
        if (m_busy)
            m_events.ProgressChange(percent * (kProgressMaximum / 100), kProgressMaximum);
    });
    connect(m_page, &QWebEnginePage::titleChanged, this,
            [this](const QString& title) { m_events.TitleChange(title); });
    connect(m_page, &QWebEnginePage::linkHovered, this, [this](const QString& link) {
        m_events.StatusTextChange(link.isEmpty() ? m_stateText : link);
    });
    connect(m_page, &QWebEnginePage::urlChanged, this, [this](const QUrl& url) {
        dropTransientEntry();
        updateCommandStates();
        m_events.SetSecureLockIcon(url.scheme() == QLatin1String("https") ? 2 : 0);
    });
    connect(m_page, &QWebEnginePage::newWindowRequested, this,
            [this](QWebEngineNewWindowRequest& request) {
                bool cancel = false;
                BrowserHost* target =
                    m_events.NewWindow2(request.requestedUrl().toString(), cancel);
                // Leaving the request unanswered drops the window.
                if (cancel || !target)
                    return;
                target->m_navigationRequested = true;
                request.openIn(target->page());
            });
}

BrowserHost::~BrowserHost() {
    // Scripts still running answer empty as the page goes: nobody listens.
    m_closing = true;
    // The page must go before the view it belongs to.
    setPage(nullptr);
    delete m_page;
}

QWebEngineProfile* BrowserHost::profile() {
    static QPointer<QWebEngineProfile> shared;
    if (!shared) {
        shared = new QWebEngineProfile(QStringLiteral("Corvanta"), QCoreApplication::instance());
        const QString root = Paths::userDataFolder() + QStringLiteral("/WebEngine");
        shared->setPersistentStoragePath(root + QStringLiteral("/Storage"));
        shared->setCachePath(root + QStringLiteral("/Cache"));
        shared->setHttpCacheType(QWebEngineProfile::DiskHttpCache);
        shared->setPersistentCookiesPolicy(QWebEngineProfile::AllowPersistentCookies);
        shared->setSpellCheckEnabled(false);
        shared->setHttpUserAgent(shared->httpUserAgent() + QLatin1Char(' ') +
                                 QLatin1String(BrowserRules::kUserAgentText));
        QWebEngineSettings* settings = shared->settings();
        // Popups are decided (and counted) by the window, so the engine must
        // ask for them rather than drop them.
        settings->setAttribute(QWebEngineSettings::JavascriptCanOpenWindows, true);
        // No requests the user did not ask for.
        settings->setAttribute(QWebEngineSettings::DnsPrefetchEnabled, false);
        // The window shows no page icons, so none are fetched.
        settings->setAttribute(QWebEngineSettings::AutoLoadIconsForPage, false);
        settings->setAttribute(QWebEngineSettings::TouchIconsEnabled, false);
        settings->setAttribute(QWebEngineSettings::ErrorPageEnabled, true);
        // A local page may not read from the network by script either.
        settings->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, false);
        shared->setUrlRequestInterceptor(new LocalFileGuard(shared));
    }
    return shared;
}

QUrl BrowserHost::addressToUrl(const QString& address) {
    return QUrl::fromUserInput(address, QString(), QUrl::AssumeLocalFile);
}

void BrowserHost::navigate(const QString& address) {
    m_navigationRequested = true;
    m_noHistoryTarget.clear();
    load(addressToUrl(address));
}

void BrowserHost::navigateNoHistory(const QString& address) {
    m_navigationRequested = true;
    const QUrl target = addressToUrl(address);
    m_noHistoryTarget = target;
    const QUrl current = url();
    if (history()->count() == 0 || current.isEmpty()) {
        // Nothing to replace yet: the page becomes the first entry and is
        // dropped from the history when the next page is committed.
        m_transientEntry = target;
        load(target);
        return;
    }
    if (target.isLocalFile() && !current.isLocalFile()) {
        // A web page may not send its window to a local file by script.
        load(target);
        return;
    }
    // The engine has no "no history" flag: a location replace made by the
    // application (even with page scripts off) keeps the back history as it is.
    const QString quoted =
        QString::fromUtf8(QJsonDocument(QJsonArray{target.toString(QUrl::FullyEncoded)})
                              .toJson(QJsonDocument::Compact));
    page()->runJavaScript(QStringLiteral("location.replace(%1[0]);").arg(quoted),
                          QWebEngineScript::ApplicationWorld);
}

void BrowserHost::showHtml(const QString& html, const QUrl& baseUrl) {
    m_navigationRequested = true;
    m_contentBase = baseUrl;
    // The engine takes content as a data address, percent-encoded, and drops
    // one longer than its longest address; a larger page is written into an
    // empty one at the same address once that has loaded.
    constexpr qsizetype kMaxAddress = 2 * 1024 * 1024 - 64;
    const QByteArray bytes = html.toUtf8();
    qsizetype encoded = bytes.size();
    for (const char c : bytes) {
        if (!QChar::isLetterOrNumber(uchar(c)) || uchar(c) > 0x7f)
            encoded += 2;
        if (encoded > kMaxAddress)
            break;
    }
    if (encoded <= kMaxAddress) {
        m_largeContent.clear();
        setHtml(html, baseUrl);
    } else {
        m_largeContent = html;
        m_largeContentAddress = baseUrl;
        setHtml(QString(), baseUrl);
    }
}

QString BrowserHost::locationName() const {
    const QString title = page()->title();
    if (!title.isEmpty())
        return title;
    const QString file = QFileInfo(url().path()).fileName();
    return file.isEmpty() ? url().toString() : file;
}

QString BrowserHost::locationAddress() const {
    return url().toString();
}

bool BrowserHost::hasDocument() const {
    return !url().isEmpty();
}

void BrowserHost::runDocumentScript(const QString& function, const QVariantList& arguments,
                                    QObject* context, ScriptDone done) {
    const QString argumentText = QString::fromUtf8(
        QJsonDocument(QJsonArray::fromVariantList(arguments)).toJson(QJsonDocument::Compact));
    const QString script = DocumentScript::source(reportPrefix()) + QLatin1Char('\n') +
                           DocumentScript::call(function, argumentText);
    QPointer<QObject> guard(context);
    QPointer<BrowserHost> self(this);
    m_page->runJavaScript(script, QWebEngineScript::ApplicationWorld,
                          [guard, self, done = std::move(done)](const QVariant& result) {
                              if (!guard || !self || self->m_closing)
                                  return;
                              const QVariantMap answer = result.toMap();
                              if (answer.contains(QStringLiteral("error")))
                                  done(QVariant(),
                                       answer.value(QStringLiteral("error")).toString());
                              else if (!result.isValid())
                                  done(QVariant(), QStringLiteral("The page did not answer."));
                              else
                                  done(answer.value(QStringLiteral("value")), QString());
                          });
}

bool BrowserHost::offline() const {
    return m_offlineGate->offline.load();
}

void BrowserHost::setOffline(bool offline) {
    m_offlineGate->offline = offline;
}

void BrowserHost::setHostFlags(PageCommandRules::HostFlags flags) {
    m_hostFlags = flags;
    m_page->settings()->setAttribute(QWebEngineSettings::ShowScrollBars,
                                     PageCommandRules::showsScrollBars(flags));
}

void BrowserHost::onLoadStarted() {
    m_busy = true;
    m_events.DownloadBegin();
    m_stateText = QStringLiteral("Opening page ") + m_pendingAddress + QStringLiteral("...");
    m_events.StatusTextChange(m_stateText);
}

void BrowserHost::onLoadFinished(bool) {
    // Only into the empty page made for it, not one the user went on to.
    if (!m_largeContent.isEmpty() && url() == m_largeContentAddress) {
        const QString quoted = QString::fromUtf8(
            QJsonDocument(QJsonArray{m_largeContent}).toJson(QJsonDocument::Compact));
        page()->runJavaScript(
            QStringLiteral("document.open();document.write(%1[0]);document.close();").arg(quoted),
            QWebEngineScript::ApplicationWorld);
    }
    m_largeContent.clear();
    m_busy = false;
    runDocumentScript(QStringLiteral("contentType"), {}, this,
                      [this, loaded = url()](const QVariant& value, const QString&) {
                          if (m_busy || url() != loaded)
                              return;  // another page since
                          const QString type = value.toString();
                          m_htmlDocument = type == QLatin1String("text/html") ||
                                           type == QLatin1String("application/xhtml+xml");
                      });
    m_events.ProgressChange(0, kProgressMaximum);
    m_events.DownloadComplete();
    dropTransientEntry();
    updateCommandStates();
    m_stateText = QStringLiteral("Done");
    m_events.StatusTextChange(m_stateText);
    m_events.DocumentComplete(locationAddress());
}

void BrowserHost::updateCommandStates() {
    m_events.CommandStateChange(1, history()->canGoForward());
    m_events.CommandStateChange(2, history()->canGoBack());
}

void BrowserHost::dropTransientEntry() {
    if (m_transientEntry.isEmpty())
        return;
    QWebEngineHistory* entries = history();
    if (entries->count() < 2)
        return;
    if (entries->count() == 2 && entries->currentItemIndex() == 1 &&
        entries->itemAt(0).url() == m_transientEntry) {
        entries->clear();  // keeps the current entry only
    }
    m_transientEntry.clear();
}
