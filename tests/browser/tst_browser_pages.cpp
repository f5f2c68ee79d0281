#include <QAbstractButton>
#include <QAction>
#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>
#include <QWebEngineHistory>
#include <QWebEngineLoadingInfo>
#include <QWebEnginePage>
#include <QWebEngineProfile>

#include "AddHtmlPanel.h"
#include "BrowserHost.h"
#include "BrowserRules.h"
#include "BrowserWindows.h"
#include "DocumentInfoPage.h"
#include "DownloadsPanel.h"
#include "LoopbackHttpServer.h"
#include "PageCommands.h"
#include "Registry.h"
#include "StatusPanel.h"
#include "TestEnvironment.h"
#include "dlgPreferences.h"

namespace {

const QByteArray kLoginForm =
    "<form name='login'><input type='text' name='user' maxlength='20' value='joe'>"
    "<input type='password' name='pass'></form>";

// A file the page offers: bytes no text encoding would leave alone.
QByteArray fileBytes() {
    static const QByteArray bytes = [] {
        QByteArray data(300 * 1024, Qt::Uninitialized);
        QRandomGenerator generator(17);
        for (char& c : data)
            c = char(generator.bounded(256));
        return data;
    }();
    return bytes;
}

QByteArray pictureBytes() {
    static const QByteArray bytes = [] {
        QImage image(8, 8, QImage::Format_RGB32);
        image.fill(Qt::darkGreen);
        QByteArray data;
        QBuffer buffer(&data);
        buffer.open(QIODevice::WriteOnly);
        image.save(&buffer, "PNG");
        return data;
    }();
    return bytes;
}

void clearBrowserKeys() {
    Registry registry;
    registry.deleteKey(QLatin1String(BrowserRules::kSettingsKey));
}

}  // namespace

// The page commands and views of a browser window over pages of loopback
// servers: two servers, so that frames of another origin can be shown.
class BrowserPagesTest : public QObject, private BrowserWindows {
    Q_OBJECT
private:
    LoopbackHttpServer m_server;
    LoopbackHttpServer m_other;  // another origin
    QTemporaryDir m_downloads;

    LoopbackHttpServer::Response answer(const LoopbackHttpServer::Request& request) {
        const QByteArray path = request.target;
        const QByteArray other = m_other.url().toLatin1();
        const QMap<QByteArray, QByteArray> pages{
            {"/a.html", page("Page A", "<a id='next' href='/b.html'>to B</a>")},
            {"/b.html", page("Page B")},
            {"/form.html", page("Form", kLoginForm)},
            {"/plain.html", page("Plain", "<p>Nothing to follow here.</p>")},
            {"/frameset.html",
             "<html><head><title>Frames</title></head><frameset cols='50%,50%'>"
             "<frame src='/nested.html'><frame src='" +
                 other + "/cross.html'></frameset></html>"},
            {"/nested.html", page("Nested",
                                  "<a href='/one.html'>one</a><iframe "
                                  "src='/inner.html'></iframe>")},
            {"/inner.html", page("Inner", "<a href='/deep.html'>deep</a>")},
            {"/cross.html", page("Cross", "<a href='/far.html'>far</a>")},
            {"/popups.html", page("Popups",
                                  "<a id='next' href='/b.html' style='font-size:40px'>to B</a>"
                                  "<script>window.open('/p1.html');window.open('/p2.html');"
                                  "</script>")},
            {"/files.html", page("Files", "<a id='file' href='/data.bin'>the file</a>")},
            {"/pictures.html", page("Pictures", "<img src='/kept.png'><img src='/fresh.png'>")},
        };
        if (path == "/kept.png" || path == "/fresh.png") {
            return {200,
                    "OK",
                    {{"Content-Type", "image/png"},
                     {"Cache-Control", path == "/kept.png" ? "max-age=3600" : "no-store"}},
                    pictureBytes(),
                    0};
        }
        if (path == "/slow.html")
            return {200, "OK", {{"Content-Type", "text/html"}}, page("Slow Page"), 2500};
        if (path == "/data.bin") {
            return {200,
                    "OK",
                    {{"Content-Type", "application/octet-stream"},
                     {"Content-Disposition", "attachment; filename=\"data.bin\""}},
                    fileBytes(),
                    0};
        }
        if (!pages.contains(path))
            return {404, "Not Found", {{"Content-Type", "text/html"}}, page("Missing"), 0};
        return {200,
                "OK",
                {{"Content-Type", "text/html"}, {"Cache-Control", "no-store"}},
                pages.value(path),
                0};
    }

    TbrowserFrm* windowOn(const char* path) {
        TbrowserFrm* window = openWindow();
        window->Navigate(url(path));
        if (!loaded(window, url(path)))
            return nullptr;
        // The document's kind is asked for once the page has loaded.
        if (!QTest::qWaitFor([&] { return window->browser()->isHtmlDocument(); }, kTimeout))
            return nullptr;
        return window;
    }

    bool requested(const QByteArray& target) const {
        for (const auto& request : m_server.requests()) {
            if (request.target == target)
                return true;
        }
        return false;
    }

    QString url(const char* path) const { return m_server.url(QLatin1String(path)); }

    // A start page no window of these tests may reach: the held closed port.
    static QString closedStartPage() {
        return QString("http://127.0.0.1:%1/start.html").arg(TestEnvironment::closedPort());
    }

    // The user turns to "Document Info", then to `page`; true once it shows
    // what the document answered.
    static bool showInfo(TbrowserFrm* window, DocumentInfoPage::Page page) {
        DocumentInfoPage* info = window->documentInfo();
        QSignalSpy refreshed(info, &DocumentInfoPage::refreshed);
        window->pageControl()->setCurrentIndex(1);
        if (info->pages()->currentIndex() == page) {
            info->refresh();
        } else {
            info->pages()->setCurrentIndex(page);
        }
        return QTest::qWaitFor(
            [&] {
                for (const QList<QVariant>& signal : refreshed) {
                    if (signal.value(0).toInt() == page)
                        return true;
                }
                return false;
            },
            kTimeout);
    }

    static QStringList lines(TbrowserFrm* window, DocumentInfoPage::Page page) {
        QStringList texts;
        QListWidget* list = window->documentInfo()->list(page);
        for (int i = 0; i < list->count(); ++i)
            texts.append(list->item(i)->text());
        return texts;
    }

    static QVariant evaluate(TbrowserFrm* window, const QString& script) {
        QVariant result;
        bool done = false;
        window->browser()->page()->runJavaScript(script, [&](const QVariant& value) {
            result = value;
            done = true;
        });
        if (!QTest::qWaitFor([&] { return done; }, kTimeout))
            qWarning("The page did not answer a script.");
        return result;
    }

private slots:
    void initTestCase() {
        QVERIFY(m_server.start([this](const auto& request) { return answer(request); }));
        QVERIFY(m_other.start([this](const auto& request) { return answer(request); }));
        // The user's download folder, as the desktop names it.
        QVERIFY(m_downloads.isValid());
        QFile dirs(TestEnvironment::configHome() + "/user-dirs.dirs");
        QVERIFY(dirs.open(QIODevice::WriteOnly));
        dirs.write("XDG_DOWNLOAD_DIR=\"" + m_downloads.path().toUtf8() + "\"\n");
    }

    void init() {
        clearBrowserKeys();
        m_server.clearRequests();
        beginWindows();
    }

    void cleanup() { endWindows(); }

    void formInObjectTreeAndFields() {
        TbrowserFrm* window = windowOn("/form.html");
        QVERIFY(window);
        QVERIFY(showInfo(window, DocumentInfoPage::ObjectView));
        QTreeWidget* tree = window->documentInfo()->objectTree();
        QCOMPARE(tree->topLevelItemCount(), 1);
        QTreeWidgetItem* form = tree->topLevelItem(0);
        QCOMPARE(form->text(0), "Form0: login");
        QVERIFY(form->isExpanded());
        QCOMPARE(form->childCount(), 2);
        QTreeWidgetItem* user = form->child(0);
        QCOMPARE(user->text(0), "user = joe");
        QVERIFY(!user->icon(0).isNull());
        QCOMPARE(user->childCount(), 2);
        QCOMPARE(user->child(0)->text(0), "text");
        QCOMPARE(user->child(1)->text(0), "MaxLen=20");
        QTreeWidgetItem* password = form->child(1);
        QCOMPARE(password->text(0), "pass = ");
        QVERIFY(password->icon(0).isNull());
        QCOMPARE(password->childCount(), 1);
        QCOMPARE(password->child(0)->text(0), "password");

        QVERIFY(showInfo(window, DocumentInfoPage::Fields));
        QCOMPARE(lines(window, DocumentInfoPage::Fields),
                 (QStringList{"Name :user ; ID : ; TagName :INPUT ; toString :[object "
                              "HTMLInputElement] ; innerText : ; innerHTML :",
                              "Name :pass ; ID : ; TagName :INPUT ; toString :[object "
                              "HTMLInputElement] ; innerText : ; innerHTML :"}));
    }

    void pageWithoutLinksOrForms() {
        TbrowserFrm* window = windowOn("/plain.html");
        QVERIFY(window);
        const struct {
            DocumentInfoPage::Page page;
            const char* line;
        } views[] = {{DocumentInfoPage::Links, "The document does not contain links"},
                     {DocumentInfoPage::Frames, "The document does not contain frames."},
                     {DocumentInfoPage::Images, "The document does not contain images"},
                     {DocumentInfoPage::Fields, "The document does not contain fields"}};
        for (const auto& view : views) {
            QVERIFY(showInfo(window, view.page));
            QCOMPARE(lines(window, view.page), QStringList{view.line});
        }
        QVERIFY(showInfo(window, DocumentInfoPage::ObjectView));
        QTreeWidget* tree = window->documentInfo()->objectTree();
        QCOMPARE(tree->topLevelItemCount(), 1);
        QCOMPARE(tree->topLevelItem(0)->text(0), "The document does not contain visible objects");
        QVERIFY(showInfo(window, DocumentInfoPage::Source));
        QVERIFY(window->documentInfo()->sourceEdit()->toPlainText().contains(
            "<p>Nothing to follow here.</p>"));
    }

    // A frameset of a frame with a frame inside it, and a frame of another
    // origin, which answers on its own.
    void framesetLinksAndFrames() {
        TbrowserFrm* window = openWindow();
        window->Navigate(url("/frameset.html"));
        QVERIFY(loaded(window, url("/frameset.html")));
        QTRY_VERIFY_WITH_TIMEOUT(requested("/inner.html"), kTimeout);
        QTRY_VERIFY_WITH_TIMEOUT(
            evaluate(window, "window.frames[1].length === 0 && window.frames[0].length === 1")
                .toBool(),
            kTimeout);
        const QString other = m_other.url();

        QVERIFY(showInfo(window, DocumentInfoPage::Links));
        QCOMPARE(lines(window, DocumentInfoPage::Links),
                 (QStringList{url("/one.html"), url("/deep.html"), other + "/far.html"}));
        QVERIFY(showInfo(window, DocumentInfoPage::Frames));
        QCOMPARE(lines(window, DocumentInfoPage::Frames),
                 (QStringList{"The document contain 2  frames.", url("/frameset.html"),
                              url("/nested.html"), url("/inner.html"), other + "/cross.html"}));
    }

    void pagePropertiesWhileLoadingUnchanged() {
        TbrowserFrm* window = windowOn("/form.html");
        QVERIFY(window);
        QVERIFY(showInfo(window, DocumentInfoPage::PageProperties));
        DocumentInfoPage* info = window->documentInfo();
        QCOMPARE(info->field("UrlN")->text(), url("/form.html"));
        QCOMPARE(info->field("UrlT")->text(), "Form");
        QCOMPARE(info->field("Prot")->text(), "http:");
        QCOMPARE(info->field("DocR")->text(), "None");

        window->Navigate(url("/slow.html"));
        QTRY_VERIFY_WITH_TIMEOUT(window->browser()->busy(), kTimeout);
        QSignalSpy refreshed(info, &DocumentInfoPage::refreshed);
        const int errors = m_host->scripted.countOf(Prompts::Kind::Error);
        info->refresh();
        // The page answers its scripts in order: once one sent after the
        // refresh is answered, a refresh that asked the page has shown (or
        // reported an error).
        bool probed = false;
        window->browser()->runDocumentScript(
            "contentType", {}, window,
            [&probed](const QVariant&, const QString&) { probed = true; });
        QVERIFY(QTest::qWaitFor([&] { return probed; }, kTimeout));
        QVERIFY(refreshed.isEmpty());
        QCOMPARE(m_host->scripted.countOf(Prompts::Kind::Error), errors);
        QCOMPARE(info->field("UrlN")->text(), url("/form.html"));
        QCOMPARE(info->field("UrlT")->text(), "Form");

        // The page's source likewise waits for the page.
        window->pageCommands()->item("TBXBViewHtml")->trigger();
        QCOMPARE(m_host->scripted.countOf(Prompts::Kind::TimedMessage), 1);
        QCOMPARE(m_host->scripted.last().caption, "Corvanta Help Message");
        QCOMPARE(m_host->scripted.last().extra, "2000");
        QCOMPARE(m_host->scripted.last().text,
                 "No page available yet.\n\rWait until the page will be fully downlowded!");
        QVERIFY(m_host->editorTexts.isEmpty());
    }

    void viewPageSourceOpensEditor() {
        TbrowserFrm* window = windowOn("/plain.html");
        QVERIFY(window);
        window->pageCommands()->item("TBXBViewHtml")->trigger();
        QTRY_COMPARE_WITH_TIMEOUT(m_host->editorTexts.size(), 1, kTimeout);
        QVERIFY(m_host->editorTexts[0].first.startsWith("<head><title>Plain</title></head>"));
        QVERIFY(m_host->editorTexts[0].second);
        window->pageCommands()->item("TBXBViewPageText")->trigger();
        QTRY_COMPARE_WITH_TIMEOUT(m_host->editorTexts.size(), 2, kTimeout);
        QCOMPARE(m_host->editorTexts[1].first, "Plain\n\nNothing to follow here.");
        QVERIFY(m_host->editorTexts[1].second);
    }

    // Both popups are refused and counted; the user's click afterwards is
    // not one of them and goes through.
    void twoPopupsBlocked() {
        TbrowserFrm* window = openWindow();
        window->findChild<QAction*>("TBXBBLocker")->trigger();
        QVERIFY(window->blockerOn());
        QCOMPARE(window->statusPanel(1)->hint(), "Popup Blocker is On.");
        window->Navigate(url("/popups.html"));
        QVERIFY(loaded(window, url("/popups.html")));
        QTRY_COMPARE_WITH_TIMEOUT(window->blockedCount(), 2, kTimeout);
        QCOMPARE(window->statusPanel(1)->caption(), "Blocked: 2");
        QVERIFY(m_host->opened.isEmpty());

        const QVariantList box =
            evaluate(window,
                     "(function(){const r=document.getElementById('next')"
                     ".getBoundingClientRect();return [r.x+r.width/2,r.y+r.height/2];})()")
                .toList();
        QCOMPARE(box.size(), 2);
        QWidget* view = window->browser()->focusProxy();
        const QPoint at(int(box[0].toDouble()), int(box[1].toDouble()));
        QTest::mouseClick(view, Qt::LeftButton, {}, at);
        QVERIFY(loaded(window, url("/b.html")));
        QVERIFY(!requested("/p1.html") && !requested("/p2.html"));

        // Off: the count goes from the panel; on again shows only the image.
        window->findChild<QAction*>("TBXBBLocker")->trigger();
        QCOMPARE(window->statusPanel(1)->caption(), "");
        QCOMPARE(window->statusPanel(1)->hint(), "Popup Blocker is off.");
        QCOMPARE(window->statusPanel(1)->imageIndex(), -1);
        window->findChild<QAction*>("TBXBlock")->trigger();
        QVERIFY(window->blockerOn());
        QCOMPARE(window->statusPanel(1)->imageIndex(), 23);
        QCOMPARE(window->statusPanel(1)->caption(), "");
    }

    void preferencesWriteStartPageAndMailClient() {
        {
            Registry registry;
            registry.openKey(BrowserRules::kSettingsKey, true);
            registry.writeString("StartPage", closedStartPage());
            registry.writeString("MailClient", "Eudora");
        }
        TbrowserFrm* window = windowOn("/a.html");
        QVERIFY(window);
        {
            TPref dialog(*m_host, {window->browser()->locationAddress(), nullptr, {}});
            QCOMPARE(dialog.windowTitle(), "Corvanta - Browser Preferences");
            QCOMPARE(dialog.currentPage(), int(TPref::TabHistory));
            QCOMPARE(dialog.homePageField()->text(), closedStartPage());
            // A known stored client is the frame's selection too.
            QCOMPARE(m_host->mailClients, QStringList{"Eudora"});
            dialog.chooseNode(TPref::TabHome);
            QCOMPARE(dialog.currentPage(), int(TPref::TabHome));
            dialog.RGHomeClick(2);
            QCOMPARE(dialog.homePageField()->text(), url("/a.html"));
            dialog.chooseNode(TPref::TabMail);
            const QList<QAbstractButton*> mail = dialog.findChildren<QAbstractButton*>();
            QAbstractButton* yahoo = nullptr;
            for (QAbstractButton* button : mail) {
                if (button->text() == "Yahoo")
                    yahoo = button;
            }
            QVERIFY(yahoo);
            yahoo->click();
            QCOMPARE(m_host->mailClients.last(), "Yahoo");
            dialog.reject();
        }
        Registry registry;
        QVERIFY(registry.openKey(BrowserRules::kSettingsKey, false));
        QCOMPARE(registry.readString("StartPage"), url("/a.html"));
        QCOMPARE(registry.readString("MailClient"), "Yahoo");

        // "Use Blank": the value the next window reads as its blank page.
        {
            TPref dialog(*m_host, {});
            dialog.RGHomeClick(0);
            dialog.accept();
        }
        QVERIFY(registry.openKey(BrowserRules::kSettingsKey, false));
        QCOMPARE(registry.readString("StartPage"), "About : Blank");
        QCOMPARE(registry.readString("MailClient"), "Yahoo");
    }

    void addToCurrentTwice() {
        TbrowserFrm* window = windowOn("/a.html");
        QVERIFY(window);
        window->findChild<QAction*>("TBXAddHTML")->trigger();
        AddHtmlPanel* panel = window->addHtmlPanel();
        QVERIFY(panel->isVisible());
        QTRY_VERIFY(panel->height() >= AddHtmlPanel::kHeight);
        QCOMPARE(panel->memo()->toPlainText(), "<html><h1>Hello World!</h1></html>\n");
        QSignalSpy changed(panel, &AddHtmlPanel::documentChanged);
        panel->findChild<QAction*>("TBXAdd")->trigger();
        QVERIFY(changed.wait(kTimeout));
        panel->findChild<QAction*>("TBXAdd")->trigger();
        QVERIFY(changed.wait(kTimeout));
        QCOMPARE(evaluate(window, "Array.from(document.body.children, e => e.outerHTML).join('|')")
                     .toString(),
                 "<h1>Page A</h1>|<a id=\"next\" href=\"/b.html\">to B</a>|"
                 "<h1>Hello World!</h1>|<h1>Hello World!</h1>");
        // Not reloaded.
        QCOMPARE(window->browser()->history()->count(), 1);
        int pageRequests = 0;
        for (const auto& request : m_server.requests())
            pageRequests += request.target == "/a.html";
        QCOMPARE(pageRequests, 1);

        panel->findChild<QAction*>("TBXLoad")->trigger();
        QVERIFY(changed.wait(kTimeout));
        QCOMPARE(window->browser()->url().toString(), "about:blank");
        QCOMPARE(evaluate(window, "document.documentElement.outerHTML").toString(),
                 "<html><head></head><body></body></html>");
        panel->findChild<QAction*>("TBXCancel")->trigger();
        QVERIFY(!panel->isVisible());
    }

    void textSize_data() {
        QTest::addColumn<QString>("item");
        QTest::addColumn<double>("zoom");
        QTest::newRow("Largest") << "Largest" << 1.5;
        QTest::newRow("Large") << "Large" << 1.25;
        QTest::newRow("Medum") << "Medum" << 1.0;
        QTest::newRow("Small") << "Small" << 0.875;
        QTest::newRow("Smallest") << "Smallest" << 0.75;
    }
    void textSize() {
        QFETCH(QString, item);
        QFETCH(double, zoom);
        TbrowserFrm* window = windowOn("/a.html");
        QVERIFY(window);
        PageCommands* commands = window->pageCommands();
        commands->item(item.toLatin1())->trigger();
        QCOMPARE(window->browser()->zoomFactor(), zoom);
        const QStringList items{"Largest", "Large", "Medum", "Small", "Smallest"};
        for (const QString& other : items)
            QCOMPARE(commands->item(other.toLatin1())->isChecked(), other == item);
        // The next page keeps the size; opening the menu ticks it.
        window->Navigate(url("/b.html"));
        QVERIFY(loaded(window, url("/b.html")));
        for (const QString& other : items)
            commands->item(other.toLatin1())->setChecked(false);
        commands->Zoom1Popup();
        QVERIFY(commands->item(item.toLatin1())->isChecked());
    }

    void textSizeWhileLoading() {
        TbrowserFrm* window = windowOn("/a.html");
        QVERIFY(window);
        PageCommands* commands = window->pageCommands();
        window->Navigate(url("/slow.html"));
        QTRY_VERIFY_WITH_TIMEOUT(window->browser()->busy(), kTimeout);
        commands->item("Largest")->trigger();
        QCOMPARE(window->browser()->zoomFactor(), 1.0);
        QVERIFY(!commands->item("Largest")->isChecked());
        commands->Zoom1Popup();
        QVERIFY(commands->item("Smallest")->isChecked());
    }

    void offlineRefusesRequests() {
        TbrowserFrm* window = windowOn("/a.html");
        QVERIFY(window);
        QAction* offline = window->pageCommands()->item("TBXOffline");
        offline->trigger();
        QVERIFY(offline->isChecked());
        // The engine's end of the navigation, failed or not: a request it let
        // through has reached the server by then.
        bool ended = false;
        QObject watch;
        connect(window->browser()->page(), &QWebEnginePage::loadingChanged, &watch,
                [&ended, target = QUrl(url("/b.html"))](const QWebEngineLoadingInfo& load) {
                    ended |= load.url() == target &&
                             load.status() != QWebEngineLoadingInfo::LoadStartedStatus;
                });
        window->Navigate(url("/b.html"));
        QVERIFY(QTest::qWaitFor([&] { return ended; }, kTimeout));
        QVERIFY(!requested("/b.html"));
        QVERIFY(window->browser()->title() != "Page B");
        offline->trigger();
        window->Navigate(url("/b.html"));
        QTRY_COMPARE_WITH_TIMEOUT(window->browser()->title(), "Page B", kTimeout);
        QVERIFY(requested("/b.html"));
    }

    // A link to a file: fetched by the suite's transfer engine into the
    // download folder, the page left where it was.
    void fileLinkDownloaded() {
        TbrowserFrm* window = windowOn("/files.html");
        QVERIFY(window);
        evaluate(window, "document.getElementById('file').click();");
        DownloadsPanel* downloads = window->downloadsPanel();
        QTRY_VERIFY_WITH_TIMEOUT(downloads->isVisible(), kTimeout);
        QTRY_VERIFY(downloads->height() >= DownloadsPanel::kHeight);
        QTRY_COMPARE_WITH_TIMEOUT(downloads->statusText(0), "Done", kTimeout);
        const QString file = downloads->localFile(0);
        QCOMPARE(QFileInfo(file).absolutePath(), QDir(m_downloads.path()).absolutePath());
        QFile saved(file);
        QVERIFY(saved.open(QIODevice::ReadOnly));
        QVERIFY(saved.readAll() == fileBytes());
        QCOMPARE(window->browser()->url().toString(), url("/files.html"));
        QCOMPARE(downloads->list()->topLevelItemCount(), 1);
    }

    // An image the engine keeps on disk names its cache file; one it may
    // not keep names none.
    void imagesWithTheirCacheFiles() {
        TbrowserFrm* window = windowOn("/pictures.html");
        QVERIFY(window);
        QTRY_VERIFY_WITH_TIMEOUT(
            evaluate(window, "Array.from(document.images).every(i => i.complete)").toBool(),
            kTimeout);
        QStringList shown;
        // The engine writes its cache behind the page's back.
        for (int attempt = 0; attempt < 40; ++attempt) {
            QVERIFY(showInfo(window, DocumentInfoPage::Images));
            shown = lines(window, DocumentInfoPage::Images);
            if (shown.value(1) != "--local:")
                break;
            QTest::qWait(250);
        }
        QCOMPARE(shown.size(), 4);
        QCOMPARE(shown[0], "--url  :" + url("/kept.png"));
        QVERIFY2(shown[1].startsWith("--local:" + BrowserHost::profile()->cachePath()),
                 qPrintable(shown[1]));
        QFile cached(shown[1].mid(8));
        QVERIFY(cached.open(QIODevice::ReadOnly));
        QVERIFY(cached.readAll().contains(pictureBytes()));
        QCOMPARE(shown[2], "--url  :" + url("/fresh.png"));
        QCOMPARE(shown[3], "--local:");
    }

    void saveAndPrint() {
        TbrowserFrm* window = windowOn("/a.html");
        QVERIFY(window);
        PageCommands* commands = window->pageCommands();
        const QString saved = m_downloads.filePath("saved.html");
        m_host->scripted.answer(QStringList{saved, "Web Page, HTML only (*.html *.htm)"});
        commands->item("TBXBSave")->trigger();
        QCOMPARE(m_host->scripted.last().caption, "Save Web Page");
        QCOMPARE(m_host->scripted.last().text, m_downloads.filePath("Page A.htm"));
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(saved).size() > 0, kTimeout);
        QFile file(saved);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QVERIFY(file.readAll().contains("<h1>Page A</h1>"));

        const QString printed = m_downloads.filePath("printed.pdf");
        m_host->scripted.answer(printed);
        commands->item("TBXBPrint")->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(printed).size() > 0, kTimeout);
        // The file grows before the engine is done with the printer.
        QTRY_VERIFY_WITH_TIMEOUT(!commands->isPrinting(), kTimeout);
        QFile pdf(printed);
        QVERIFY(pdf.open(QIODevice::ReadOnly));
        QVERIFY(pdf.read(5) == "%PDF-");

        // While a page loads, "Save" asks, "Save Page as.." and "Print" do not.
        m_host->scripted.clear();
        window->Navigate(url("/slow.html"));
        QTRY_VERIFY_WITH_TIMEOUT(window->browser()->busy(), kTimeout);
        commands->item("TBXSaveP")->trigger();
        commands->item("TBXBPrint")->trigger();
        QCOMPARE(m_host->scripted.count(), 0);
        commands->item("TBXBSave")->trigger();
        QCOMPARE(m_host->scripted.countOf(Prompts::Kind::SaveFile), 1);
    }

    void viewMaximize() {
        TbrowserFrm* window = windowOn("/a.html");
        QVERIFY(window);
        QAction* maximize = window->pageCommands()->item("TBXBFullScrn");
        window->showMaximized();
        maximize->trigger();
        QTRY_VERIFY(!window->isMaximized());
        QCOMPARE(maximize->text(), "View Maximize");
        maximize->trigger();
        QTRY_VERIFY(window->isMaximized());
        QCOMPARE(maximize->text(), "View Normal");
    }

    // A grabbed or downloaded page opened from the disk still shows its
    // pictures, but its script reads no other file of the user's.
    void localPageReadsNoLocalFiles() {
        QTemporaryDir dir;
        QFile secret(dir.filePath("secret.txt"));
        QVERIFY(secret.open(QIODevice::WriteOnly) && secret.write("the user's") > 0);
        secret.close();
        QFile picture(dir.filePath("picture.png"));
        QVERIFY(picture.open(QIODevice::WriteOnly) && picture.write(pictureBytes()) > 0);
        picture.close();
        QFile page(dir.filePath("page.html"));
        QVERIFY(page.open(QIODevice::WriteOnly));
        page.write(
            "<html><head><title>start</title></head><body><img id='i' src='picture.png'>"
            "<iframe id='f' src='secret.txt'></iframe><script>"
            "var result = 'blocked';"
            "try { var x = new XMLHttpRequest(); x.open('GET', 'secret.txt', false); x.send();"
            "  if (x.responseText) result = 'read:' + x.responseText; } catch (e) {}"
            "window.onload = function() {"
            "  var framed = 'hidden';"
            "  try { framed = 'read:' + "
            "document.getElementById('f').contentDocument.body.innerText;"
            "  } catch (e) {}"
            "  document.title = [result, framed, "
            "document.getElementById('i').naturalWidth].join(';');"
            "};"
            "</script></body></html>");
        page.close();
        QWebEnginePage browser(BrowserHost::profile());
        browser.load(QUrl::fromLocalFile(page.fileName()));
        QTRY_VERIFY_WITH_TIMEOUT(browser.title() != "start" && browser.title().contains(';'),
                                 30000);
        QCOMPARE(browser.title(), "blocked;hidden;8");
    }
};

CORVANTA_TEST_MAIN(BrowserPagesTest)
#include "tst_browser_pages.moc"
