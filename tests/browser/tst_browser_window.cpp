#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QProgressBar>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QWebEngineHistory>
#include <QWebEnginePage>
#include <QWebEngineProfile>

#include "AddressCombo.h"
#include "BrowserRules.h"
#include "BrowserWindows.h"
#include "LoopbackHttpServer.h"
#include "PageCommands.h"
#include "Registry.h"
#include "SearchEngines.h"
#include "ServiceAddress.h"
#include "StatusPanel.h"
#include "TestEnvironment.h"
#include "TypedAddresses.h"

namespace {

LoopbackHttpServer::Response pageFor(const LoopbackHttpServer::Request& request) {
    QByteArray path = request.target;
    const int query = path.indexOf('?');
    if (query >= 0)
        path.truncate(query);
    static const QMap<QByteArray, QByteArray> pages{
        {"/a.html", page("Page A", "<a href='/b.html'>to B</a>")},
        {"/b.html", page("Page B")},
        {"/c.html", page("Page C")},
        {"/opener.html", page("Opener", "<script>window.open('/popup.html');</script>")},
        {"/opener-frame.html", page("Opener With Frame",
                                    "<script>window.open('/popup.html');</script>"
                                    "<iframe src='/f1.html'></iframe>")},
        {"/popup.html", page("Popup Page")},
        {"/frames.html", page("Frames", "<iframe id='f' src='/f1.html'></iframe>")},
        {"/f1.html", page("Frame One")},
        {"/f2.html", page("Frame Two")},
        {"/alert.html", page("Alert", "<script>alert('Hello from the page');</script>")},
        {"/search", page("Results")},
        {"/long.html",
         page("Long",
              QByteArray("<p style='font-size:30px'>A line of the long page.</p>").repeated(300))},
    };
    if (path == "/slow.html")
        return {200, "OK", {{"Content-Type", "text/html"}}, page("Slow Page"), 1500};
    if (!pages.contains(path))
        return {404, "Not Found", {{"Content-Type", "text/html"}}, page("Missing"), 0};
    return {200,
            "OK",
            {{"Content-Type", "text/html"}, {"Cache-Control", "no-store"}},
            pages.value(path),
            0};
}

void clearBrowserKeys() {
    Registry registry;
    for (const char* key :
         {BrowserRules::kSettingsKey, BrowserRules::kSearchKey, BrowserRules::kHistoryKey,
          TypedAddresses::kKey, ServiceAddress::kServicesKey}) {
        registry.deleteKey(QLatin1String(key));
    }
}

// Stored settings as a window reads them at start-up.
void storeSettings(const QString& startPage, bool blocker) {
    Registry registry;
    registry.openKey(BrowserRules::kSettingsKey, true);
    registry.writeString("StartPage", startPage);
    for (const char* name : {"TBXHideMTB", "TBXFavoritesTB", "TBXHistoryTB", "TBXCookiesTB"}) {
        registry.writeBool(name, false);
    }
    registry.writeBool("Blocker", blocker);
}

// Where the keyboard sends a key: into the open list, else to the focus
// widget of `window`.
QWidget* keyTarget(QWidget* window) {
    QWidget* popup = QApplication::activePopupWidget();
    if (popup)
        return popup->focusWidget() ? popup->focusWidget() : popup;
    return window->focusWidget();
}

// Opens a box's list the way the keyboard does: Down in the closed box.
bool openList(QComboBox* box) {
    box->lineEdit()->setFocus();
    QTest::keyClick(keyTarget(box->window()), Qt::Key_Down);
    return QTest::qWaitFor([&] { return box->view()->isVisible(); });
}

// A page whose body the server sends in small pieces over a few seconds, so
// that the engine reports its progress on the way.
class TricklingServer : public QObject {
public:
    static constexpr int kPieces = 24;
    static constexpr int kPieceMs = 100;

    bool start() {
        connect(&m_server, &QTcpServer::newConnection, this, &TricklingServer::answer);
        return m_server.listen(QHostAddress::LocalHost, 0);
    }
    QString url() const {
        return QStringLiteral("http://127.0.0.1:%1/trickle.html").arg(m_server.serverPort());
    }

private:
    void answer() {
        while (QTcpSocket* socket = m_server.nextPendingConnection()) {
            connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            connect(socket, &QTcpSocket::readyRead, socket, [socket] {
                if (!socket->peek(8192).contains("\r\n\r\n") || socket->property("sent").toBool())
                    return;
                socket->setProperty("sent", true);
                const QByteArray body =
                    page("Trickle", QByteArray("<p>Some words of the page.</p>").repeated(400));
                socket->write(
                    "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\n"
                    "Cache-Control: no-store\r\nConnection: close\r\n"
                    "Content-Length: " +
                    QByteArray::number(body.size()) + "\r\n\r\n");
                const int piece = int(body.size()) / kPieces + 1;
                auto* timer = new QTimer(socket);
                timer->setInterval(kPieceMs);
                connect(timer, &QTimer::timeout, socket, [socket, timer, body, piece] {
                    const int sent = socket->property("offset").toInt();
                    socket->write(body.mid(sent, piece));
                    socket->setProperty("offset", sent + piece);
                    if (sent + piece >= body.size()) {
                        timer->stop();
                        socket->disconnectFromHost();
                    }
                });
                timer->start();
            });
        }
    }

    QTcpServer m_server;
};

QString blankPageUrl() {
    return QUrl::fromLocalFile(QCoreApplication::applicationDirPath() + "/Data/blank.htm")
        .toString();
}

}  // namespace

class BrowserWindowTest : public QObject, private BrowserWindows {
    Q_OBJECT
private:
    LoopbackHttpServer m_server;

    // The same for any page whose path is `path`.
    static bool pageLoaded(TbrowserFrm* window, const QString& path) {
        return QTest::qWaitFor(
            [&] { return window->browser()->url().path() == path && !window->browser()->busy(); },
            kTimeout);
    }

    bool requested(const QByteArray& target) const {
        for (const auto& request : m_server.requests()) {
            if (request.target == target)
                return true;
        }
        return false;
    }

    QString url(const char* path) const { return m_server.url(QLatin1String(path)); }

    // Replaces the search box's text by typing.
    static void typeSearch(TbrowserFrm* window, const QString& text) {
        window->searchBox()->lineEdit()->setFocus();
        window->searchBox()->lineEdit()->selectAll();
        QTest::keyClicks(keyTarget(window), text);
    }
    // A click on the button's own part, beside its menu arrow.
    static void clickSearchButton(TbrowserFrm* window) {
        auto* button = window->findChild<QToolButton*>("TBXSubSearch");
        QVERIFY(button && button->isVisible() && button->isEnabled());
        QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(6, button->height() / 2));
    }

private slots:
    void initTestCase() { QVERIFY(m_server.start(&pageFor)); }

    void init() {
        clearBrowserKeys();
        m_server.clearRequests();
        beginWindows();
    }

    void cleanup() {
        endWindows();
        clearBrowserKeys();
    }

    void startPage_data() {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<bool>("local");
        QTest::newRow("empty") << "" << true;
        QTest::newRow("About : Blank") << "About : Blank" << true;
        QTest::newRow("address") << "/b.html" << false;
    }
    void startPage() {
        QFETCH(QString, stored);
        QFETCH(bool, local);
        storeSettings(stored.startsWith('/') ? url(stored.toLatin1()) : stored, false);
        TbrowserFrm* window = openWindow();
        QVERIFY(loaded(window, local ? blankPageUrl() : url("/b.html")));
        QCOMPARE(window->windowTitle(), "Web Browser");
        QVERIFY(!window->findChild<QAction*>("TBXBack")->isEnabled());
        // The local page's address mentions "blank": the box shows its name.
        QCOMPARE(window->addressBox()->currentText(), local ? "About : Blank" : url("/b.html"));
    }

    void navigationAndHistory() {
        TbrowserFrm* window = openWindow();
        QVERIFY(loaded(window, blankPageUrl()));
        auto* back = window->findChild<QAction*>("TBXBack");
        auto* forward = window->findChild<QAction*>("TBXForward");

        window->Navigate(url("/a.html"));
        QVERIFY(loaded(window, url("/a.html")));
        // The start page was opened without history: nothing to go back to.
        QVERIFY(!back->isEnabled());
        QCOMPARE(window->browser()->history()->count(), 1);

        window->Navigate(url("/b.html"));
        QVERIFY(loaded(window, url("/b.html")));
        QTRY_VERIFY(back->isEnabled());
        QVERIFY(!forward->isEnabled());

        back->trigger();
        QVERIFY(loaded(window, url("/a.html")));
        QTRY_VERIFY(forward->isEnabled());
        QVERIFY(!back->isEnabled());
        forward->trigger();
        QVERIFY(loaded(window, url("/b.html")));

        // No history: C replaces B, so back still leads to A.
        window->NavigateNoHistory(url("/c.html"));
        QVERIFY(loaded(window, url("/c.html")));
        QCOMPARE(window->browser()->history()->count(), 2);
        back->trigger();
        QVERIFY(loaded(window, url("/a.html")));
    }

    void titleStatusAndCaption() {
        TbrowserFrm* window = openWindow();
        window->Navigate(url("/a.html"));
        QVERIFY(loaded(window, url("/a.html")));
        QTRY_COMPARE(window->statusPanel(2)->caption(), "Page A");
        QCOMPARE(window->statusPanel(2)->hint(), "Web Site Name: Page A");
        QCOMPARE(m_host->frameCaptions.last(), "Web Site Name: Page A      Corvanta");
        QCOMPARE(window->windowTitle(), "Web Browser");
        QTRY_COMPARE(window->statusPanel(0)->caption(), "Done");
        QCOMPARE(window->statusPanel(0)->hint(), "Address: " + url("/a.html"));
        QCOMPARE(window->statusPanel(0)->imageIndex(), 3);
        QVERIFY(!window->progressBar()->isVisible());
        QCOMPARE(window->statusPanel(4)->caption(), "");
    }

    // The bar and its panel follow the engine's own progress while a page
    // arrives, and go when it has.
    void progressFollowsEngine() {
        TricklingServer server;
        QVERIFY(server.start());
        TbrowserFrm* window = openWindow();
        QVERIFY(loaded(window, blankPageUrl()));
        struct Seen {
            int percent;
            bool visible;
            int bar;
            QString text;
        };
        QList<Seen> seen;
        // Connected after the window's own handler: sees what it showed.
        const QMetaObject::Connection watch = connect(
            window->browser()->page(), &QWebEnginePage::loadProgress, this, [&](int percent) {
                seen.append({percent, window->progressBar()->isVisible(),
                             window->progressBar()->value(), window->statusPanel(4)->caption()});
            });
        window->Navigate(server.url());
        const bool arrived = loaded(window, server.url());
        disconnect(watch);
        QVERIFY(arrived);
        QList<int> between;
        for (const Seen& step : seen) {
            if (step.percent <= 0 || step.percent >= 100)
                continue;
            between.append(step.percent);
            QVERIFY(step.visible);
            QCOMPARE(step.bar, step.percent);
            QCOMPARE(step.text, QString::number(step.percent) + " %");
        }
        QVERIFY2(between.size() >= 2, qPrintable(QString::number(between.size())));
        QVERIFY(!window->progressBar()->isVisible());
        QCOMPARE(window->statusPanel(4)->caption(), "");
    }

    void popupOpensRegisteredWindow() {
        TbrowserFrm* window = openWindow();
        window->Navigate(url("/opener.html"));
        QVERIFY(loaded(window, url("/opener.html")));
        QTRY_COMPARE_WITH_TIMEOUT(m_host->tasks.size(), 1, kTimeout);
        QCOMPARE(m_host->tasks.first().caption, "Web Browser");
        QCOMPARE(m_host->tasks.first().image, 4);
        auto* popup = qobject_cast<TbrowserFrm*>(m_host->tasks.first().window);
        QVERIFY(popup && popup != window);
        QVERIFY(loaded(popup, url("/popup.html")));
        QTRY_COMPARE(popup->statusPanel(2)->caption(), "Popup Page");
        // The opener's flag waits for its next navigation, which goes ahead.
        QVERIFY(window->popupPending());
        QCOMPARE(window->blockedCount(), 0);
        window->Navigate(url("/a.html"));
        QVERIFY(loaded(window, url("/a.html")));
        QVERIFY(!window->popupPending());
    }

    void popupBlocked() {
        storeSettings("", true);
        TbrowserFrm* window = openWindow();
        QVERIFY(window->blockerOn());
        QCOMPARE(window->statusPanel(1)->hint(), "Popup Blocker is On.");
        QCOMPARE(window->statusPanel(1)->imageIndex(), 23);
        window->Navigate(url("/opener.html"));
        QVERIFY(loaded(window, url("/opener.html")));
        QTRY_COMPARE_WITH_TIMEOUT(window->blockedCount(), 1, kTimeout);
        QCOMPARE(window->statusPanel(1)->caption(), "Blocked: 1");
        QVERIFY(m_host->opened.isEmpty());
        QVERIFY(!requested("/popup.html"));
        // The refused popup's flag waits for the next navigation start, which
        // goes ahead: it is the user's, not the popup's own.
        QVERIFY(window->popupPending());
        window->Navigate(url("/a.html"));
        QVERIFY(loaded(window, url("/a.html")));
        QVERIFY(!window->popupPending());
        // Nor is a frame of the refusing page held back.
        window->Navigate(url("/opener-frame.html"));
        QVERIFY(loaded(window, url("/opener-frame.html")));
        QTRY_COMPARE_WITH_TIMEOUT(window->blockedCount(), 2, kTimeout);
        QTRY_VERIFY_WITH_TIMEOUT(requested("/f1.html"), kTimeout);
        // Reloading the opener is refused again and counted.
        window->Navigate(url("/opener.html"));
        QVERIFY(loaded(window, url("/opener.html")));
        QTRY_COMPARE_WITH_TIMEOUT(window->blockedCount(), 3, kTimeout);
        QCOMPARE(window->statusPanel(1)->caption(), "Blocked: 3");
    }

    // A translated page: shown as the page at its own address, so its relative
    // image loads from there and its relative link leads there.
    void htmlShownAtItsAddress_data() {
        QTest::addColumn<int>("paragraphs");
        QTest::newRow("small") << 1;
        // Over 2 MB once percent-encoded, beyond what the engine takes at once.
        QTest::newRow("large") << 60000;
    }
    void htmlShownAtItsAddress() {
        QFETCH(int, paragraphs);
        TbrowserFrm* window = openWindow();
        const QByteArray text =
            QByteArray("<p>Unas palabras de la p\xc3\xa1gina.</p>").repeated(paragraphs);
        window->showHtml(
            page("Traducida", text + "<img src='pic.png'><a id='next' href='b.html'>B</a>"),
            url("/c.html"));
        QVERIFY(QTest::qWaitFor(
            [&] { return window->browser()->title() == "Traducida" && !window->browser()->busy(); },
            kTimeout));
        QCOMPARE(window->addressBox()->currentText(), url("/c.html"));
        QTRY_VERIFY_WITH_TIMEOUT(requested("/pic.png"), kTimeout);
        QVERIFY(!requested("/c.html"));
        window->browser()->page()->runJavaScript("document.getElementById('next').click();");
        QVERIFY(pageLoaded(window, "/b.html"));
        QCOMPARE(window->addressBox()->currentText(), url("/b.html"));
        QVERIFY(window->browser()->history()->canGoBack());
    }

    void frameNavigationLeavesAddressBox() {
        TbrowserFrm* window = openWindow();
        window->Navigate(url("/frames.html"));
        QVERIFY(loaded(window, url("/frames.html")));
        QVERIFY(requested("/f1.html"));
        QCOMPARE(window->addressBox()->currentText(), url("/frames.html"));
        window->browser()->page()->runJavaScript("document.getElementById('f').src = '/f2.html';");
        QTRY_VERIFY_WITH_TIMEOUT(requested("/f2.html"), kTimeout);
        QTRY_VERIFY_WITH_TIMEOUT(!window->browser()->busy(), kTimeout);
        // The frame's navigation after the page loaded leaves no bar behind.
        QVERIFY(!window->progressBar()->isVisible());
        QCOMPARE(window->addressBox()->currentText(), url("/frames.html"));
        QCOMPARE(window->addressBox()->CurrentAddress(), url("/frames.html"));
    }

    void documentInfoTabHiddenWhileLoading() {
        TbrowserFrm* window = openWindow();
        QVERIFY(loaded(window, blankPageUrl()));
        auto* pages = window->findChild<QTabWidget*>("PageControl");
        QVERIFY(pages->isTabVisible(1));
        window->Navigate(url("/slow.html"));
        QTRY_VERIFY_WITH_TIMEOUT(window->browser()->busy(), kTimeout);
        QVERIFY(!pages->isTabVisible(1));
        QVERIFY(loaded(window, url("/slow.html")));
        QVERIFY(pages->isTabVisible(1));
    }

    void pageMessageBox() {
        TbrowserFrm* window = openWindow();
        window->Navigate(url("/alert.html"));
        QTRY_COMPARE_WITH_TIMEOUT(m_host->scripted.count(), 1, kTimeout);
        QCOMPARE(m_host->scripted.last().caption, "Corvanta Message-box");
        QCOMPARE(m_host->scripted.last().text, "Hello from the page");
    }

    void addressBoxEnterAndListChoices() {
        const QString first = url("/b.html");
        const QString second = url("/c.html");
        {
            Registry registry;
            registry.openKey(TypedAddresses::kKey, true);
            registry.writeString("Url1", first);
            registry.writeString("Url2", "");
            registry.writeString("Url4", second);
        }
        TbrowserFrm* window = openWindow();
        AddressCombo* box = window->addressBox();
        QCOMPARE(box->entries(), (QStringList{first, second}));
        QVERIFY(loaded(window, blankPageUrl()));

        const QString address = url("/a.html");
        for (int round = 1; round <= 2; ++round) {
            box->lineEdit()->setFocus();
            box->lineEdit()->setText(address);
            // The key goes where the keyboard would send it: the focus widget.
            QTest::keyClick(window->focusWidget(), Qt::Key_Return);
            QVERIFY(loaded(window, address));
        }
        // Typed twice: two equal entries on top.
        QCOMPARE(box->entries(), (QStringList{address, address, first, second}));
        QCOMPARE(box->CurrentAddress(), address);
        {
            Registry registry;
            QVERIFY(registry.openKey(TypedAddresses::kKey, false));
            QCOMPARE(registry.readString("Url1"), address);
            QCOMPARE(registry.readString("Url4"), second);
            QVERIFY(registry.valueExists("Url5"));
            QCOMPARE(registry.readString("Url5"), "");
            QVERIFY(!registry.valueExists("Url6"));
        }

        // A click in the list opens the entry and leaves the list as it is.
        QVERIFY(openList(box));
        QAbstractItemView* list = box->view();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                          list->visualRect(list->model()->index(3, 0)).center());
        QTRY_VERIFY(!list->isVisible());
        QVERIFY(loaded(window, second));
        QCOMPARE(box->entries(), (QStringList{address, address, first, second}));
        QCOMPARE(box->CurrentAddress(), second);
        QCOMPARE(box->currentText(), second);
        // Moving through the open list chooses nothing yet. A choice is
        // raised while the box handles its key, so the keys handled prove it.
        QVERIFY(openList(box));
        QSignalSpy chosen(box, &AddressCombo::UrlSelected);
        for (int step = 0; step < 4 && list->currentIndex().row() != 2; ++step)
            QTest::keyClick(keyTarget(window), Qt::Key_Down);
        QCOMPARE(list->currentIndex().row(), 2);
        QCOMPARE(chosen.count(), 0);
        QCOMPARE(box->entries(), (QStringList{address, address, first, second}));
        QCOMPARE(window->browser()->url().toString(), second);
        // Enter in the open list moves the entry to the top and writes back.
        QTest::keyClick(keyTarget(window), Qt::Key_Return);
        QVERIFY(!list->isVisible());
        QVERIFY(loaded(window, first));
        QCOMPARE(box->entries(), (QStringList{first, address, address, second}));
        Registry registry;
        QVERIFY(registry.openKey(TypedAddresses::kKey, false));
        QCOMPARE(registry.readString("Url1"), first);
    }

    void searchBox() {
        const QString host = m_server.url();
        ServiceAddress::set(searchServiceName(SearchEngine::Google), host);
        ServiceAddress::set(searchServiceName(SearchEngine::Yahoo), host);
        TbrowserFrm* window = openWindow();
        QVERIFY(loaded(window, blankPageUrl()));
        QCOMPARE(window->checkedEngine(), SearchEngine::Google);

        QComboBox* box = window->searchBox();
        typeSearch(window, "cats & dogs");
        QTest::keyClick(keyTarget(window), Qt::Key_Return);
        QTRY_VERIFY_WITH_TIMEOUT(requested("/search?q=cats%20&%20dogs"), kTimeout);
        QVERIFY(pageLoaded(window, "/search"));
        QCOMPARE(window->recentSearches().entries(), QStringList{"cats & dogs"});

        window->findChild<QAction*>("TBXYahoo")->trigger();
        QCOMPARE(window->checkedEngine(), SearchEngine::Yahoo);
        QVERIFY(!window->findChild<QAction*>("TBXGoogle")->isChecked());
        // Typed and sent with the Search button.
        box->lineEdit()->setFocus();
        box->lineEdit()->selectAll();
        QTest::keyClicks(keyTarget(window), "CATS & DOGS");
        clickSearchButton(window);
        QVERIFY(QTest::qWaitFor([&] { return requested("/search?p=CATS%20&%20DOGS"); }, kTimeout));
        QVERIFY(pageLoaded(window, "/search"));
        QCOMPARE(window->recentSearches().entries(), QStringList{"cats & dogs"});
    }

    void storedSearchesAndSettingsAtDestruction() {
        {
            Registry registry;
            registry.openKey(BrowserRules::kSearchKey, true);
            for (int i = 0; i < 9; ++i)
                registry.writeString(QString::number(i), QString("stored %1").arg(i));
        }
        storeSettings("", false);
        TbrowserFrm* window = openWindow();
        QCOMPARE(window->recentSearches().entries().size(), 9);
        QCOMPARE(window->searchBox()->count(), 9);
        {
            Registry registry;
            QVERIFY(registry.openKey(BrowserRules::kUserAgentKey, false));
            QVERIFY(registry.valueExists(BrowserRules::kUserAgentText));
        }
        QVERIFY(BrowserHost::profile()->httpUserAgent().endsWith(BrowserRules::kUserAgentText));
        QVERIFY(!BrowserHost::profile()->isOffTheRecord());

        typeSearch(window, "STORED 4");
        clickSearchButton(window);
        QCOMPARE(window->recentSearches().entries().size(), 9);
        window->findChild<QAction*>("TBXhideMTB")->trigger();
        QCOMPARE(window->findChild<QAction*>("TBXhideMTB")->text(), "Hide The Accesories Toolbar");
        typeSearch(window, "fresh");
        clickSearchButton(window);
        QCOMPARE(window->recentSearches().entries().size(), 8);

        delete window;
        Registry registry;
        QVERIFY(registry.openKey(BrowserRules::kSearchKey, false));
        QCOMPARE(registry.readString("0"), "fresh");
        QCOMPARE(registry.readString("1"), "stored 4");
        QCOMPARE(registry.readString("8"), "stored 8");  // left from the longer list
        QVERIFY(registry.openKey(BrowserRules::kSettingsKey, false));
        QVERIFY(registry.readBool("TBXHideMTB"));
        QVERIFY(!registry.readBool("Blocker"));
        QVERIFY(registry.valueExists("TBXCookiesTB"));
        QVERIFY(registry.openKey(BrowserRules::kHistoryKey, false));
        // The last browser window gone, the user agent record goes too.
        QVERIFY(registry.openKey(BrowserRules::kUserAgentKey, true));
        QVERIFY(!registry.valueExists(BrowserRules::kUserAgentText));
    }

    void windowNeverShownWritesNothing() {
        {
            Registry registry;
            registry.openKey(BrowserRules::kSearchKey, true);
            registry.writeString("0", "kept");
        }
        delete new TbrowserFrm(*m_host);
        Registry registry;
        QVERIFY(registry.openKey(BrowserRules::kSearchKey, false));
        QCOMPARE(registry.readString("0"), "kept");
        QVERIFY(!registry.keyExists(BrowserRules::kSettingsKey));
    }

    // Closing the window while the engine still prints into the printer: the
    // print ends whole before the window goes, and nothing is freed under the
    // engine's printing thread.
    void closeWhilePrinting_data() {
        QTest::addColumn<bool>("painting");
        QTest::newRow("at once") << false;
        QTest::newRow("while the pages are painted") << true;
    }
    void closeWhilePrinting() {
        QFETCH(bool, painting);
        TbrowserFrm* window = openWindow();
        window->Navigate(url("/long.html"));
        QVERIFY(loaded(window, url("/long.html")));
        QTemporaryDir folder;
        const QString printed = folder.filePath("printed.pdf");
        m_host->scripted.answer(printed);
        window->findChild<QAction*>("TBXBPrint")->trigger();
        QVERIFY(window->pageCommands()->isPrinting());
        if (painting)
            QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(printed).size() > 0, kTimeout);
        window->findChild<QAction*>("TBXBClose")->trigger();
        QVERIFY(!window->isVisible());
        delete window;

        QFile pdf(printed);
        QVERIFY(pdf.open(QIODevice::ReadOnly));
        const QByteArray data = pdf.readAll();
        QVERIFY(data.startsWith("%PDF-"));
        QVERIFY(data.trimmed().endsWith("%%EOF"));
        QVERIFY2(data.count("/Type /Page\n") > 1, data.right(400).constData());
        QCOMPARE(m_host->scripted.count(), 1);  // the print dialog, no error
    }

    void viewItemsCaptions() {
        TbrowserFrm* window = openWindow();
        QAction* mainItem = window->findChild<QAction*>("TBXMainTB");
        QToolBar* mainBar = window->findChild<QToolBar*>("TBXTBMain");
        QVERIFY(mainItem->isChecked());
        QCOMPARE(mainItem->text(), "Show The Browser Main Toolbar");
        mainItem->trigger();
        QVERIFY(!mainBar->isVisible());
        QCOMPARE(mainItem->text(), "Show The Browser Main Toolbar");
        mainItem->trigger();
        QVERIFY(mainBar->isVisible());
        QCOMPARE(mainItem->text(), "Hide The Browser Main Toolbar");
        QVERIFY(!window->findChild<QToolBar*>("TBXTools")->isVisible());
    }
};

CORVANTA_TEST_MAIN(BrowserWindowTest)
#include "tst_browser_window.moc"
