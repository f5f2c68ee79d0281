#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QMutex>
#include <QSet>
#include <QTemporaryDir>
#include <QUrl>
#include <QtTest>

#include <unistd.h>

#include "AppError.h"
#include "GrabRecord.h"
#include "GrabRules.h"
#include "LoopbackHttpServer.h"
#include "MarkupNesting.h"
#include "NginxFixture.h"
#include "PageLinks.h"
#include "RobotsRules.h"
#include "SiteGrabber.h"
#include "TestEnvironment.h"

namespace {

QByteArray readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

bool writeFile(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// Every file below `folder`, relative to it, sorted; the grab's own record aside.
QStringList filesBelow(const QString& folder) {
    QStringList files;
    QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString file = QDir(folder).relativeFilePath(it.next());
        if (file != GrabRecord::kFileName)
            files.append(file);
    }
    files.sort();
    return files;
}

bool runGrab(SiteGrabber& grabber, const QString& address, int depth) {
    grabber.grab(address, depth);
    QDeadlineTimer deadline(60000);
    while (grabber.isBusy() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    QCoreApplication::processEvents();
    return !grabber.isBusy() && !grabber.isGrabbing();
}

// A server of our own that records when each request came, in ms since it started.
struct TimedServer {
    LoopbackHttpServer server;
    QElapsedTimer clock;
    QMutex lock;
    QList<QPair<QByteArray, qint64>> arrivals;  // guarded by lock

    bool start(std::function<LoopbackHttpServer::Response(const QByteArray&)> answer) {
        clock.start();
        return server.start([this, answer](const LoopbackHttpServer::Request& request) {
            {
                QMutexLocker locker(&lock);
                arrivals.append({request.target, clock.elapsed()});
            }
            return answer(request.target);
        });
    }
    QList<QPair<QByteArray, qint64>> requests() {
        QMutexLocker locker(&lock);
        return arrivals;
    }
    QByteArrayList targets() {
        QByteArrayList list;
        for (const auto& request : requests())
            list << request.first;
        return list;
    }
};

LoopbackHttpServer::Response htmlAnswer(const QByteArray& body, int delayMs = 0) {
    return {200, "OK", {{"Content-Type", "text/html"}}, body, delayMs};
}

// The links of every saved page that point into the copy, and those of them
// whose file is missing: what a reader offline would click in vain.
struct OfflineCheck {
    int local = 0;
    QStringList missing;
};
OfflineCheck checkOffline(const QString& folder) {
    OfflineCheck check;
    for (const QString& file : filesBelow(folder)) {
        if (!file.endsWith(".htm") && !file.endsWith(".html"))
            continue;
        const QString path = folder + "/" + file;
        std::optional<PageLink> base;
        const QList<PageLink> links = extractPageLinks(readFile(path), &base);
        // As a browser reads the page: relative to its <base href>, if any.
        const QUrl page = QUrl::fromLocalFile(path);
        const QUrl baseUrl = base ? page.resolved(QUrl(base->value)) : page;
        for (const PageLink& link : links) {
            const QUrl url(link.value);
            if (!url.scheme().isEmpty() || link.value.startsWith('#') || link.value.startsWith('/'))
                continue;
            ++check.local;
            if (!QFileInfo(baseUrl.resolved(url).toLocalFile()).isFile())
                check.missing.append(file + " -> " + link.value);
        }
    }
    return check;
}

}  // namespace

class GrabberCoreTests : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();

    void grabAddresses_data();
    void grabAddresses();
    void siteHosts_data();
    void siteHosts();
    void localFiles_data();
    void localFiles();
    void numbering_data();
    void numbering();
    void relativePaths_data();
    void relativePaths();
    void relativeLinksAreEncoded();
    void typeFilter_data();
    void typeFilter();
    void linksOfAPage();
    void linksOfANonUtf8Page();
    void baseOfAPage_data();
    void baseOfAPage();
    void requisitesOfAPage();
    void linksOfAStyleSheet_data();
    void linksOfAStyleSheet();
    void nestingIsNeverUnderestimated_data();
    void nestingIsNeverUnderestimated();
    void deepPagesAreRefused_data();
    void deepPagesAreRefused();

    void depthOneFetchesTheRootAndWhatItNeeds();
    void depthTwoFetchesAndRewrites();
    void numberingWithoutReplace();
    void rootSchemeInCapitals();
    void framesOfLocalHosts_data();
    void framesOfLocalHosts();
    void privateHosts_data();
    void privateHosts();
    void typeFilterInTheGrab_data();
    void typeFilterInTheGrab();
    void nothingOutsideTheFolder();
    void filesAreReplacedNotWrittenThrough();
    void baseHrefIsHonoured();
    void connectionsAreReused_data();
    void connectionsAreReused();
    void pagesCopiedWithWhatTheyNeed_data();
    void pagesCopiedWithWhatTheyNeed();
    void robotsTxt_data();
    void robotsTxt();
    void robotsRules_data();
    void robotsRules();
    void connectionsPerHost_data();
    void connectionsPerHost();
    void busyServerSlowsTheGrab();
    void secondGrabAsksOnlyForChanges();
    void stoppedGrabGoesOn();

private:
    QString target(const QString& name) { return m_work.path() + "/" + name; }
    void writeSite();
    QTemporaryDir m_work;
    NginxFixture m_nginx;
    QString m_site;  // "http://127.0.0.1:<port>"
};

void GrabberCoreTests::initTestCase() {
    QVERIFY(m_work.isValid());
    NginxFixture::Options options;
    // Query pages: one file name, different answers.
    options.extraServerConfig =
        "location = /list.php { default_type text/html; return 200 \"page $arg_p\"; }";
    options.extraHttpConfig = "log_format connections '$connection $request';";
    options.extraHttpConfig += " log_format statuses '$status $body_bytes_sent $request';";
    options.extraServerConfig += " access_log " + m_nginx.root() +
                                 "/../connections.log connections;"
                                 " access_log " +
                                 m_nginx.root() + "/../statuses.log statuses;";
    QVERIFY2(m_nginx.start(options), qPrintable(m_nginx.errorText()));
    m_site = m_nginx.url();
    writeSite();
}

void GrabberCoreTests::writeSite() {
    const QByteArray site = m_site.toUtf8();
    const QMap<QString, QByteArray> pages{
        {"index.html",
         "<html><head><title>Home</title><link rel=stylesheet href=\"style.css\">"
         "<script src=\"app.js\"></script></head><body>\n"
         "<iframe src=\"frame.html\"></iframe>\n"
         "<a href=\"" +
             site +
             "/a.html\">A</a>\n"
             "<a href='/docs/b.html'>B</a>\n"
             "<a href=\"a.html#top\">A top</a> <a href=\"#local\">here</a>\n"
             "<a href=\"list.php?p=1\">1</a> <a href=\"list.php?p=2\">2</a>\n"
             "<a href=\"http://other.invalid/x.html\">out</a>\n"
             "<A HREF=Upper.html>Upper</A>\n"
             "<img src=\"img/logo.gif\">\n"
             "</body></html>\n"},
        {"a.html", "<a href=\"" + site +
                       "/deep.html\">deep</a>\n<img src=\"img/logo.gif\">\n"
                       "<a href=\"index.html\">home</a>\n"},
        {"docs/b.html", "<img src=\"../img/pic.png\"> <a href=\"../a.html\">a</a>\n"},
        {"frame.html", "<a href=\"deep2.html\">deeper</a>\n"},
        {"deep.html", "deep\n"},
        {"deep2.html", "deep 2\n"},
        {"Upper.html", "upper\n"},
        {"style.css", "body{}\n"},
        {"app.js", "var a;\n"},
        {"img/logo.gif", QByteArray("GIF89a\x01\x00\x01\x00", 10)},
        {"img/pic.png", QByteArray("\x89PNG\r\n\x1a\n", 8)},
    };
    for (auto it = pages.begin(); it != pages.end(); ++it)
        QVERIFY(m_nginx.writeFile(it.key(), it.value()));
}

void GrabberCoreTests::grabAddresses_data() {
    QTest::addColumn<QString>("base");
    QTest::addColumn<QString>("link");
    QTest::addColumn<QString>("address");
    const QString page = "http://h.org/a/b.html";
    QTest::newRow("root without scheme, host in capitals") << ""
                                                           << "WWW.Example.COM/Docs/"
                                                           << "http://www.example.com/Docs/";
    QTest::newRow("root keeps its query, drops its fragment") << ""
                                                              << "https://h.org/x?a=1#top"
                                                              << "https://h.org/x?a=1";
    QTest::newRow("sibling") << page << "c.html"
                             << "http://h.org/a/c.html";
    QTest::newRow("parent") << page << "../x.html"
                            << "http://h.org/x.html";
    QTest::newRow("above the root stays at the root") << page << "../../../../etc/passwd"
                                                      << "http://h.org/etc/passwd";
    QTest::newRow("root-relative keeps case and query") << page << "/Y.HTML?q=1#frag"
                                                        << "http://h.org/Y.HTML?q=1";
    QTest::newRow("backslashes") << page << "..\\img\\a.gif"
                                 << "http://h.org/img/a.gif";
    QTest::newRow("scheme-relative") << page << "//cdn.h.org/x"
                                     << "http://cdn.h.org/x";
    QTest::newRow("absolute, other host") << page << "HTTP://Other.ORG/Page"
                                          << "http://other.org/Page";
    QTest::newRow("blank escaped") << page << " a b.html "
                                   << "http://h.org/a/a%20b.html";
    QTest::newRow("line break dropped") << page << "c\n.html"
                                        << "http://h.org/a/c.html";
}

void GrabberCoreTests::grabAddresses() {
    QFETCH(QString, base);
    QFETCH(QString, link);
    QFETCH(QString, address);
    QCOMPARE(grabAddress(base, link), address);
}

void GrabberCoreTests::siteHosts_data() {
    QTest::addColumn<QString>("address");
    QTest::addColumn<bool>("onSite");
    QTest::newRow("same host") << "http://example.com/a" << true;
    QTest::newRow("sub-domain") << "http://img.example.com/a" << true;
    QTest::newRow("host only ends alike") << "http://myexample.com/a" << false;
    QTest::newRow("site named in the query") << "http://evil.org/?u=example.com" << false;
    QTest::newRow("site as a sub-domain of another") << "http://example.com.evil.org/" << false;
    QTest::newRow("no host") << "mailto:me@example.com" << false;
}

void GrabberCoreTests::siteHosts() {
    QFETCH(QString, address);
    QFETCH(bool, onSite);
    QCOMPARE(isOnSite(addressHost(grabAddress("http://example.com/", address)), "example.com"),
             onSite);
}

void GrabberCoreTests::localFiles_data() {
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("file");
    QTest::newRow("site root") << "http://h/"
                               << "/t/index.htm";
    QTest::newRow("no path") << "http://h"
                             << "/t/index.htm";
    QTest::newRow("page in a folder") << "http://h/docs/a.html"
                                      << "/t/docs/a.html";
    QTest::newRow("folder address") << "http://h/docs/"
                                    << "/t/docs/index.htm";
    QTest::newRow("query not used") << "http://h/list.php?p=1"
                                    << "/t/list.php";
    QTest::newRow("encoded dots") << "http://h/%2e%2e/%2E%2E/x.html"
                                  << "/t/x.html";
    QTest::newRow("encoded separators") << "http://h/a%2Fb%2F..%2F..%2Fc.html"
                                        << "/t/c.html";
    QTest::newRow("encoded backslashes") << "http://h/..%5C..%5Cc.html"
                                         << "/t/c.html";
    QTest::newRow("hidden folder") << "http://h/.ssh/authorized_keys"
                                   << "/t/ssh/authorized_keys";
    QTest::newRow("only dots") << "http://h/docs/%2e%2e%2e"
                               << "/t/docs/index.htm";
    QTest::newRow("control bytes") << "http://h/a%00b%0Ac.html"
                                   << "/t/abc.html";
    QTest::newRow("decoded name") << "http://h/caf%C3%A9%20au%20lait.html"
                                  << QString::fromUtf8("/t/café au lait.html");
    QTest::newRow("over-long name") << "http://h/" + QString(300, 'a') + ".html"
                                    << "/t/" + QString(255, 'a');
}

void GrabberCoreTests::localFiles() {
    QFETCH(QString, address);
    QFETCH(QString, file);
    QCOMPARE(grabLocalFile("/t", address), file);
}

void GrabberCoreTests::numbering_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<QStringList>("taken");
    QTest::addColumn<QString>("result");
    QTest::newRow("free") << "/t/a.html" << QStringList{} << "/t/a.html";
    QTest::newRow("first number") << "/t/list.php" << QStringList{"/t/list.php"} << "/t/list1.php";
    QTest::newRow("next number") << "/t/list.php" << QStringList{"/t/list.php", "/t/list1.php"}
                                 << "/t/list2.php";
    QTest::newRow("no extension") << "/t/readme" << QStringList{"/t/readme"} << "/t/readme1";
    QTest::newRow("dot in the folder only")
        << "/t/my.site/readme" << QStringList{"/t/my.site/readme"} << "/t/my.site/readme1";
    QTest::newRow("before the last dot")
        << "/t/a.tar.gz" << QStringList{"/t/a.tar.gz"} << "/t/a.tar1.gz";
}

void GrabberCoreTests::numbering() {
    QFETCH(QString, path);
    QFETCH(QStringList, taken);
    QFETCH(QString, result);
    QCOMPARE(numberedFile(path, [&](const QString& p) { return taken.contains(p); }), result);
}

void GrabberCoreTests::relativePaths_data() {
    QTest::addColumn<QString>("from");
    QTest::addColumn<QString>("to");
    QTest::addColumn<QString>("path");
    QTest::newRow("sibling folder") << "/downloads/docs"
                                    << "/downloads/img/logo.gif"
                                    << "../img/logo.gif";
    QTest::newRow("same folder") << "/d"
                                 << "/d/a.html"
                                 << "a.html";
    QTest::newRow("below") << "/d"
                           << "/d/x/y/z.html"
                           << "x/y/z.html";
    QTest::newRow("two up") << "/d/a/b"
                            << "/d/c.html"
                            << "../../c.html";
    QTest::newRow("names compare with case") << "/d/Docs"
                                             << "/d/docs/a.html"
                                             << "../docs/a.html";
    QTest::newRow("trailing separator") << "/d/a/"
                                        << "/d/a/b.html"
                                        << "b.html";
}

void GrabberCoreTests::relativePaths() {
    QFETCH(QString, from);
    QFETCH(QString, to);
    QFETCH(QString, path);
    QCOMPARE(relativePath(from, to), path);
}

void GrabberCoreTests::relativeLinksAreEncoded() {
    QCOMPARE(relativeLink("/d", "/d/a b#c?.html"), QByteArray("a%20b%23c%3F.html"));
    // A leading name with a colon would read as a scheme.
    QCOMPARE(relativeLink("/d", "/d/x:y.html"), QByteArray("x%3Ay.html"));
    QCOMPARE(relativeLink("/d/sub", QString::fromUtf8("/d/café.html")),
             QByteArray("../caf%C3%A9.html"));
    QCOMPARE(relativeLink("/d", "/d/it's \"q\".html"), QByteArray("it%27s%20%22q%22.html"));
    QCOMPARE(relativeFolderLink("/d/a", "/d/b c"), QByteArray("../b%20c/"));
    QCOMPARE(relativeFolderLink("/d/a/", "/d/a"), QByteArray("./"));
    QCOMPARE(relativeFolderLink("/d", "/d/x/y"), QByteArray("x/y/"));
}

void GrabberCoreTests::typeFilter_data() {
    QTest::addColumn<int>("options");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("type");
    QTest::addColumn<bool>("passes");
    QTest::newRow("page, nothing asked") << 0 << 200 << "text/HTML; charset=utf-8" << true;
    QTest::newRow("error status") << int(gaGrabAll) << 404 << "text/html" << false;
    QTest::newRow("all") << int(gaGrabAll) << 200 << "text/css" << true;
    QTest::newRow("image asked") << int(gaGrabImages) << 200 << "image/png" << true;
    QTest::newRow("image not asked") << int(gaGrabData) << 200 << "image/png" << false;
    QTest::newRow("video") << int(gaGrabAudioVideo) << 200 << "video/mp4" << true;
    QTest::newRow("audio") << int(gaGrabAudioVideo) << 200 << "audio/ogg" << true;
    QTest::newRow("data") << int(gaGrabData) << 200 << "application/zip" << true;
    QTest::newRow("data not asked") << int(gaGrabImages) << 200 << "application/zip" << false;
    QTest::newRow("plain text") << int(gaGrabImages | gaGrabData) << 200 << "text/plain" << false;
}

void GrabberCoreTests::typeFilter() {
    QFETCH(int, options);
    QFETCH(int, status);
    QFETCH(QString, type);
    QFETCH(bool, passes);
    QCOMPARE(passesTypeFilter(GrabOptions(options), status, type), passes);
}

void GrabberCoreTests::linksOfAPage() {
    const QByteArray page =
        "<html><body><img src=\"first.gif\"><a href='a&amp;b.html'>x</a>"
        "<frameset><frame src=f1.html></frameset><iframe src=\"if.html\"></iframe>"
        "<a href=\"\">empty</a><A HREF=\"Up.html\">up</A>"
        "<a href=\"m.html\"><p>misnested</a></p>"
        "<link href=\"s.css\"><script src=\"j.js\"></script><area href=\"map.html\">"
        "</body></html>";
    const QList<PageLink> links = extractPageLinks(page);
    QStringList values;
    QStringList raw;
    for (const PageLink& link : links) {
        values << link.value;
        raw << QString::fromUtf8(page.mid(link.offset, link.length));
    }
    // A link element without rel=stylesheet and image maps are not followed.
    QCOMPARE(values,
             (QStringList{"if.html", "a&b.html", "Up.html", "m.html", "first.gif", "j.js"}));
    QCOMPARE(raw,
             (QStringList{"if.html", "a&amp;b.html", "Up.html", "m.html", "first.gif", "j.js"}));
    QCOMPARE(links[0].kind, PageLink::Kind::Frame);
    QCOMPARE(links[4].kind, PageLink::Kind::Image);
    QCOMPARE(links[5].kind, PageLink::Kind::Script);

    const QByteArray frames = "<frameset><frame src=f1.html><frame src='f2.html'></frameset>";
    const QList<PageLink> frameLinks = extractPageLinks(frames);
    QCOMPARE(frameLinks.size(), 2);
    QCOMPARE(frames.mid(frameLinks[0].offset, frameLinks[0].length), QByteArray("f1.html"));
}

void GrabberCoreTests::linksOfANonUtf8Page() {
    // Latin-1 text, line ends of both kinds and a NUL around three links of
    // different lengths: only the links change.
    QByteArray page = "<p>Caf\xE9 \xE0 la cr\xE8me\r\n<a href=\"http://h/long/path/page.html\">";
    page += "\xE9t\xE9</a>\n<img src=x.gif>";
    page += QByteArray(1, '\0');
    page += "<a href='/b.html'>b</a>\r\n";
    const QList<PageLink> links = extractPageLinks(page);
    QCOMPARE(links.size(), 3);
    QCOMPARE(page.mid(links[0].offset, links[0].length),
             QByteArray("http://h/long/path/page.html"));
    QCOMPARE(page.mid(links[1].offset, links[1].length), QByteArray("/b.html"));
    QCOMPARE(page.mid(links[2].offset, links[2].length), QByteArray("x.gif"));
    const QByteArray rewritten =
        replaceLinks(page, {{links[0].offset, links[0].length, "page.html"},
                            {links[1].offset, links[1].length, "../../b.html"},
                            {links[2].offset, links[2].length, "img/x-large.gif"}});
    QByteArray expected = page;
    expected.replace("http://h/long/path/page.html", "page.html")
        .replace("src=x.gif", "src=img/x-large.gif")
        .replace("'/b.html'", "'../../b.html'");
    QCOMPARE(rewritten, expected);
}

void GrabberCoreTests::baseOfAPage_data() {
    QTest::addColumn<QByteArray>("page");
    QTest::addColumn<QString>("base");  // empty: none
    QTest::newRow("in the head") << QByteArray("<head><base href=\"/docs/\"></head><a href=x>")
                                 << "/docs/";
    QTest::newRow("the first of two")
        << QByteArray("<head><base target=_top><base href='a/'><base href='b/'></head>") << "a/";
    QTest::newRow("head left implicit")
        << QByteArray("<base href=http://h/d/><p>text") << "http://h/d/";
    QTest::newRow("empty: the page itself")
        << QByteArray("<head><base href=\"\"><base href=\"b/\"></head>") << "";
    QTest::newRow("in the body: not the head's") << QByteArray("<p>x</p><base href=\"b/\">") << "";
    QTest::newRow("none") << QByteArray("<a href=x>x</a>") << "";
}

void GrabberCoreTests::baseOfAPage() {
    QFETCH(QByteArray, page);
    QFETCH(QString, base);
    std::optional<PageLink> found;
    const QList<PageLink> links = extractPageLinks(page, &found);
    QCOMPARE(found.has_value(), !base.isEmpty());
    for (const PageLink& link : links)
        QVERIFY(link.kind != PageLink::Kind::Base);
    if (found) {
        QCOMPARE(found->value, base);
        QCOMPARE(QString::fromUtf8(page.mid(found->offset, found->length)), base);
    }
}

void GrabberCoreTests::requisitesOfAPage() {
    // What a page needs to show itself, each link with its kind and the text
    // it stands as (character references in place), in page order.
    const QByteArray page =
        "<html><head><link rel=\"Shortcut Icon\" href=\"fav.ico\">"
        "<link rel=stylesheet href='s.css?v=1'><link rel=alternate href=feed.xml>"
        "<link rel=preload as=font href=\"f.woff2\"><script src=\"j.js\"></script>"
        "<style>@import 'imp.css'; body { background: url( \"bg.png\" ) }</style></head>"
        "<body background=\"tile.gif\"><img src=\"a.png\" srcset=\"a.png 1x, a&amp;2x.png 2x,"
        "b,c.png 3x\"><picture><source srcset=\"p.webp\" type=image/webp></picture>"
        "<video poster=\"v.jpg\"><source src=\"v.mp4\"><track src=\"v.vtt\"></video>"
        "<audio src=\"s.ogg\"></audio><embed src=\"e.swf\"><object data=\"o.pdf\"></object>"
        "<input type=image src=\"go.gif\"><p style=\"background:url(&quot;q.png&quot;)\">"
        "<svg><image href=\"i.svg\"/></svg></body></html>";
    QStringList found;
    for (const PageLink& link : extractPageLinks(page)) {
        found << QStringLiteral("%1 %2 %3")
                     .arg(int(link.kind))
                     .arg(link.value, QString::fromUtf8(page.mid(link.offset, link.length)));
    }
    const auto row = [](PageLink::Kind kind, const char* value, const char* text = nullptr) {
        return QStringLiteral("%1 %2 %3").arg(int(kind)).arg(value, text ? text : value);
    };
    using K = PageLink::Kind;
    QCOMPARE(found, (QStringList{
                        row(K::Image, "a.png"),          row(K::Image, "fav.ico"),
                        row(K::Stylesheet, "s.css?v=1"), row(K::Font, "f.woff2"),
                        row(K::Script, "j.js"),          row(K::Stylesheet, "imp.css"),
                        row(K::Image, "bg.png"),         row(K::Image, "tile.gif"),
                        row(K::Image, "a.png"),          row(K::Image, "a&2x.png", "a&amp;2x.png"),
                        row(K::Image, "b,c.png"),        row(K::Image, "p.webp"),
                        row(K::Image, "v.jpg"),          row(K::Media, "v.mp4"),
                        row(K::Media, "v.vtt"),          row(K::Media, "s.ogg"),
                        row(K::Data, "e.swf"),           row(K::Data, "o.pdf"),
                        row(K::Image, "go.gif"),         row(K::Image, "q.png"),
                        row(K::Image, "i.svg"),
                    }));
}

void GrabberCoreTests::linksOfAStyleSheet_data() {
    QTest::addColumn<QByteArray>("sheet");
    QTest::addColumn<QStringList>("links");  // "kind value text"
    const QString image = QString::number(int(PageLink::Kind::Image));
    const QString font = QString::number(int(PageLink::Kind::Font));
    const QString sheet = QString::number(int(PageLink::Kind::Stylesheet));
    QTest::newRow("url forms") << QByteArray(
                                      "a{b:url(x.png)}c{d:URL( 'y z.png' )}e{f:url(\"w.png\")}")
                               << QStringList{image + " x.png x.png", image + " y z.png y z.png",
                                              image + " w.png w.png"};
    QTest::newRow("imports") << QByteArray("@import \"a.css\" screen;@IMPORT url(b.css);")
                             << QStringList{sheet + " a.css a.css", sheet + " b.css b.css"};
    QTest::newRow("fonts by their names")
        << QByteArray("@font-face{src:url(f.woff2?#iefix) format('woff2'),url(g.TTF)}")
        << QStringList{font + " f.woff2?#iefix f.woff2?#iefix", font + " g.TTF g.TTF"};
    QTest::newRow("comments and strings are not links")
        << QByteArray("/* url(no.png) */ a{content:\"url(no2.png)\"} b{c:url(yes.png)}")
        << QStringList{image + " yes.png yes.png"};
    QTest::newRow("escapes") << QByteArray("a{b:url(x\\(1\\).png)} c{d:url(\"\\41 .png\")}")
                             << QStringList{image + " x(1).png x\\(1\\).png",
                                            image + " A.png \\41 .png"};
    QTest::newRow("not a url function") << QByteArray("a{b:myurl(x.png)}") << QStringList{};
    QTest::newRow("unclosed") << QByteArray("a{b:url(x.png") << QStringList{image + " x.png x.png"};
}

void GrabberCoreTests::linksOfAStyleSheet() {
    QFETCH(QByteArray, sheet);
    QFETCH(QStringList, links);
    QStringList found;
    for (const PageLink& link : extractStyleLinks(sheet))
        found << QStringLiteral("%1 %2 %3")
                     .arg(int(link.kind))
                     .arg(link.value, QString::fromUtf8(sheet.mid(link.offset, link.length)));
    QCOMPARE(found, links);
}

void GrabberCoreTests::nestingIsNeverUnderestimated_data() {
    // Shapes the tree builder nests in ways a count of tags misses, each
    // repeated: the estimate must reach the parsed tree's real depth.
    QTest::addColumn<QByteArray>("unit");
    QTest::newRow("unclosed spans") << QByteArray("<span>");
    QTest::newRow("end tags of nothing open") << QByteArray("<span></x>");
    QTest::newRow("end tag past a block") << QByteArray("<span><div></span>");
    QTest::newRow("formatting reopened") << QByteArray("<span><b></span>x");
    QTest::newRow("adoption agency") << QByteArray("<b><div></b>");
    QTest::newRow("list item in a section") << QByteArray("<li><section>");
    QTest::newRow("paragraph in a cell") << QByteArray("<p><table><td>");
    QTest::newRow("svg left by a div") << QByteArray("<svg><g><div/>");
    QTest::newRow("math self-closing") << QByteArray("<math><mi/><mrow>");
    QTest::newRow("unknown self-closing") << QByteArray("<x-y/>");
    QTest::newRow("quotes in names") << QByteArray("<a b\"c><i>");
    QTest::newRow("font with colour") << QByteArray("<svg><font color=red><i>");
    QTest::newRow("style in svg") << QByteArray("<svg><style><div>");
    QTest::newRow("buttons") << QByteArray("<button><span><button>");
}

void GrabberCoreTests::nestingIsNeverUnderestimated() {
    QFETCH(QByteArray, unit);
    const QByteArray page = "<!DOCTYPE html><body>" + unit.repeated(60);
    const PageParse parsed = parsePage(page);
    QVERIFY2(parsed.refusal.isEmpty(), qPrintable(parsed.refusal));
    QVERIFY2(
        markupNesting(page, 100000) >= parsed.depth,
        qPrintable(QStringLiteral("%1 < %2").arg(markupNesting(page, 100000)).arg(parsed.depth)));
}

void GrabberCoreTests::deepPagesAreRefused_data() {
    QTest::addColumn<QByteArray>("page");
    QTest::addColumn<bool>("refused");
    // What people write: unclosed paragraphs, list items, cells and options
    // close themselves, and script text holds no tags.
    QByteArray ordinary = "<!DOCTYPE html><html><head><script>var s = '" +
                          QByteArray("<div>").repeated(2000) + "';</script></head><body>";
    for (int i = 0; i < 2000; ++i)
        ordinary +=
            "<p>text <b>bold</b><ul><li>a<li>b</ul><table><tr><td>1<td>2</table>"
            "<select><option>x<option>y</select><svg><path d=''/></svg>";
    QTest::newRow("ordinary page") << ordinary << false;
    QTest::newRow("nested spans") << QByteArray("<span>").repeated(600) << true;
    QTest::newRow("nested divs, closed")
        << QByteArray("<div>").repeated(600) + QByteArray("</div>").repeated(600) << true;
    QTest::newRow("nested tables") << QByteArray("<table><tr><td>").repeated(200) << true;
}

void GrabberCoreTests::deepPagesAreRefused() {
    QFETCH(QByteArray, page);
    QFETCH(bool, refused);
    const PageParse parsed = parsePage(page);
    QCOMPARE(!parsed.refusal.isEmpty(), refused);
    QCOMPARE(parsed.links.isEmpty(), true);
}

void GrabberCoreTests::depthOneFetchesTheRootAndWhatItNeeds() {
    SiteGrabber grabber;
    grabber.setLocalFolder(target("depth1"));
    QVERIFY(runGrab(grabber, m_site + "/", 1));
    QCOMPARE(filesBelow(target("depth1")),
             (QStringList{"app.js", "img/logo.gif", "index.htm", "style.css"}));
    // Nothing of the site was saved but the page and what it shows: the
    // links to pages stay as written, the others already named the copy.
    QCOMPARE(readFile(target("depth1/index.htm")), readFile(m_nginx.root() + "/index.html"));
}

void GrabberCoreTests::depthTwoFetchesAndRewrites() {
    SiteGrabber grabber;
    grabber.setLocalFolder(target("depth2"));
    grabber.grab(m_site + "/", 2);
    QVERIFY_THROWS_EXCEPTION(AppError, grabber.grab(m_site + "/", 2));
    QDeadlineTimer deadline(60000);
    while (grabber.isBusy() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    QVERIFY(!grabber.isBusy());

    QCOMPARE(
        filesBelow(target("depth2")),
        (QStringList{"Upper.html", "a.html", "app.js", "docs/b.html", "frame.html", "img/logo.gif",
                     "img/pic.png", "index.htm", "list.php", "list1.php", "style.css"}));
    const QByteArray site = m_site.toUtf8();
    const QByteArray index = readFile(target("depth2/index.htm"));
    QVERIFY2(index.contains("<a href=\"a.html\">A</a>"), index);
    QVERIFY2(index.contains("<a href='docs/b.html'>B</a>"), index);
    QVERIFY2(index.contains("<a href=\"a.html#top\">"), index);
    QVERIFY2(index.contains("<a href=\"#local\">"), index);
    QVERIFY2(index.contains("<a href=\"http://other.invalid/x.html\">"), index);
    QVERIFY2(index.contains("<A HREF=Upper.html>"), index);
    QVERIFY2(index.contains("href=\"style.css\"") && index.contains("src=\"app.js\""), index);
    // Each query page opens its own file.
    const QByteArray first = readFile(target("depth2/list.php"));
    const QByteArray firstLink = first == "page 1" ? "list.php" : "list1.php";
    const QByteArray secondLink = first == "page 1" ? "list1.php" : "list.php";
    QVERIFY2(
        index.contains("<a href=\"" + firstLink + "\">1</a> <a href=\"" + secondLink + "\">2</a>"),
        index);
    QCOMPARE((QSet<QByteArray>{readFile(target("depth2/list.php")),
                               readFile(target("depth2/list1.php"))}),
             (QSet<QByteArray>{"page 1", "page 2"}));
    // Pages beyond the depth were not fetched: their links stay as written;
    // what the pages show was fetched all the same.
    QVERIFY(readFile(target("depth2/a.html")).contains("href=\"" + site + "/deep.html\""));
    QVERIFY(readFile(target("depth2/docs/b.html")).contains("src=\"../img/pic.png\""));

    const OfflineCheck offline = checkOffline(target("depth2"));
    QVERIFY(offline.local > 5);
    QCOMPARE(offline.missing, (QStringList{"a.html -> index.html", "frame.html -> deep2.html"}));
}

void GrabberCoreTests::numberingWithoutReplace() {
    // A file of the copy's name from before stays; the page goes beside it,
    // and the links lead there. (An earlier run's copies go first.)
    QVERIFY(QDir(target("numbered")).removeRecursively());
    QVERIFY(writeFile(target("numbered/a.html"), "old"));
    SiteGrabber grabber;
    grabber.setLocalFolder(target("numbered"));
    grabber.setGrabOptions(grabber.grabOptions() & ~GrabOptions(gaReplaceExisting));
    QVERIFY(runGrab(grabber, m_site + "/index.html", 2));
    QCOMPARE(readFile(target("numbered/a.html")), QByteArray("old"));
    QVERIFY(QFileInfo::exists(target("numbered/a1.html")));
    QCOMPARE(grabber.localFileOf(m_site + "/a.html"), target("numbered/a1.html"));
    const QByteArray index = readFile(target("numbered/index.html"));
    QVERIFY2(index.contains("<a href=\"a1.html\">A</a>") && index.contains("\"a1.html#top\""),
             index);
}

void GrabberCoreTests::rootSchemeInCapitals() {
    // A host in capitals is a name, which would be looked up; the address
    // rows above cover those, the scheme is what capitals reach here.
    SiteGrabber grabber;
    grabber.setLocalFolder(target("capitals"));
    QVERIFY(runGrab(grabber, QString(m_site).replace("http://", "HTTP://") + "/", 2));
    const QStringList files = filesBelow(target("capitals"));
    QVERIFY2(files.contains("docs/b.html") && files.contains("img/logo.gif"),
             qPrintable(files.join(' ')));
}

void GrabberCoreTests::framesOfLocalHosts_data() {
    QTest::addColumn<bool>("grabFrames");
    QTest::newRow("with Grab Frames") << true;
    QTest::newRow("without") << false;
}

void GrabberCoreTests::framesOfLocalHosts() {
    // A frame on another loopback address than the one the grab started on:
    // a page may not lead the grab into the user's own network.
    QFETCH(bool, grabFrames);
    const QByteArray other = QString(m_site).replace("127.0.0.1", "127.0.0.2").toUtf8();
    QVERIFY(m_nginx.writeFile("framed/index.html", "<iframe src=\"" + other +
                                                       "/framed/inner.html\"></iframe>"
                                                       "<a href=\"" +
                                                       other +
                                                       "/framed/linked.html\">linked</a>"
                                                       "<iframe src=\"inner.html\"></iframe>"));
    QVERIFY(m_nginx.writeFile("framed/inner.html", "inner"));
    QVERIFY(m_nginx.writeFile("framed/linked.html", "linked"));
    SiteGrabber grabber;
    QStringList log;
    connect(&grabber, &SiteGrabber::logLine, &grabber,
            [&log](const QString& line) { log << line; });
    const QString folder = target(grabFrames ? "framed-on" : "framed-off");
    grabber.setLocalFolder(folder);
    GrabOptions options = grabber.grabOptions();
    options.setFlag(gaGrabFrames, grabFrames);
    grabber.setGrabOptions(options);
    QVERIFY(runGrab(grabber, m_site + "/framed/index.html", 2));
    // The frame on the grab's own host is followed all the same.
    QCOMPARE(filesBelow(folder), (QStringList{"framed/index.html", "framed/inner.html"}));
    QCOMPARE(grabber.allowedHosts(), QStringList{});
    QCOMPARE(log.filter("127.0.0.2").size(), grabFrames ? 1 : 0);
}

void GrabberCoreTests::privateHosts_data() {
    QTest::addColumn<QString>("host");
    QTest::addColumn<bool>("local");
    QTest::newRow("loopback") << "127.0.0.2" << true;
    QTest::newRow("localhost") << "LocalHost" << true;
    QTest::newRow("a name below localhost") << "app.localhost." << true;
    QTest::newRow("ten") << "10.1.2.3" << true;
    QTest::newRow("172.16/12") << "172.31.0.1" << true;
    QTest::newRow("beside 172.16/12") << "172.32.0.1" << false;
    QTest::newRow("192.168") << "192.168.1.1" << true;
    QTest::newRow("link-local") << "169.254.169.254" << true;
    QTest::newRow("shared") << "100.64.0.1" << true;
    QTest::newRow("unspecified") << "0.0.0.0" << true;
    QTest::newRow("IPv6 loopback") << "[::1]" << true;
    QTest::newRow("IPv6 unique local") << "fd00::1" << true;
    QTest::newRow("IPv6 link-local") << "fe80::1" << true;
    QTest::newRow("IPv4 mapped") << "::ffff:192.168.0.1" << true;
    QTest::newRow("public IPv4") << "93.184.216.34" << false;
    QTest::newRow("public IPv6") << "2001:db8::1" << false;
    QTest::newRow("a name") << "www.example.org" << false;
}

void GrabberCoreTests::privateHosts() {
    QFETCH(QString, host);
    QFETCH(bool, local);
    QCOMPARE(isPrivateHost(host), local);
}

void GrabberCoreTests::typeFilterInTheGrab_data() {
    QTest::addColumn<bool>("resourcePhase");
    QTest::addColumn<QStringList>("files");
    // Only pages asked for: no picture the page shows, and a linked picture
    // is refused once its type is known ...
    QTest::newRow("resource information") << true << QStringList{"index.htm", "index.html"};
    // ... and without the resource phase every allowed link is fetched.
    QTest::newRow("no resource information")
        << false << QStringList{"index.htm", "index.html", "linked.gif"};
}

void GrabberCoreTests::typeFilterInTheGrab() {
    QFETCH(bool, resourcePhase);
    QFETCH(QStringList, files);
    QVERIFY(m_nginx.writeFile("typed/index.html",
                              "<img src=\"/img/logo.gif\"><a href=\"/typed/\">"
                              "self</a><a href=\"linked.gif\">picture</a>"));
    QVERIFY(m_nginx.writeFile("typed/linked.gif", "GIF89a"));
    SiteGrabber grabber;
    const QString folder = target(resourcePhase ? "typed-info" : "typed-plain");
    grabber.setLocalFolder(folder);
    grabber.setGrabOptions(gaMakeBrowsable | gaReplaceExisting);
    grabber.setDoNotGetResourceInfo(!resourcePhase);
    QVERIFY(runGrab(grabber, m_site + "/typed/index.html", 2));
    QStringList saved;
    for (const QString& file : filesBelow(folder))
        saved.append(file.startsWith("typed/") ? file.mid(6) : file);
    QCOMPARE(saved, files);
}

void GrabberCoreTests::nothingOutsideTheFolder() {
    // A server that answers every address with a page of hostile links.
    LoopbackHttpServer server;
    const QByteArray hostile =
        "<a href=\"../../../../outside1.html\">1</a>"
        "<a href=\"/%2e%2e/%2e%2e/outside2.html\">2</a>"
        "<a href=\"..%2f..%2foutside3.html\">3</a>"
        "<a href=\"..\\..\\outside4.html\">4</a>"
        "<a href=\"/a%00b.html\">5</a>"
        "<a href=\"/.hidden/authorized_keys\">6</a>"
        "<a href=\"file:///etc/passwd\">7</a>"
        "<a href=\"/" +
        QByteArray(400, 'n') +
        ".html\">8</a>"
        "<img src=\"/%2F%2Fetc%2Fpasswd\">"
        "<iframe src=\"/sub/..%252f..%252foutside5.html\"></iframe>";
    QVERIFY(server.start([hostile](const LoopbackHttpServer::Request&) {
        return LoopbackHttpServer::Response{200, "OK", {{"Content-Type", "text/html"}}, hostile, 0};
    }));
    const QString base = target("hostile");
    QVERIFY(QDir().mkpath(base + "/copy"));
    SiteGrabber grabber;
    grabber.setLocalFolder(base + "/copy");
    QVERIFY(runGrab(grabber, server.url("/start/index.html"), 3));
    QVERIFY(server.requests().size() > 10);
    QCOMPARE(QDir(base).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
             QStringList{"copy"});
    const QStringList files = filesBelow(base + "/copy");
    QVERIFY2(files.contains("start/index.html") && files.contains("hidden/authorized_keys"),
             qPrintable(files.join(' ')));
    for (const QString& file : files)
        QVERIFY2(!file.startsWith('.') && !file.contains("/."), qPrintable(file));
    QCOMPARE(QDir(m_work.path()).entryList({"outside*"}, QDir::Files), QStringList{});
}

void GrabberCoreTests::filesAreReplacedNotWrittenThrough() {
    // Links someone left in the folder: a file hard-linked to one outside, a
    // symbolic link to a file outside and a folder that is a symbolic link.
    const QString base = target("linked");
    QVERIFY(QDir(base).removeRecursively());
    QVERIFY(writeFile(base + "/outside/keep.html", "keep"));
    QVERIFY(writeFile(base + "/outside/victim.html", "victim"));
    QVERIFY(QDir().mkpath(base + "/outside/folder"));
    QVERIFY(QDir().mkpath(base + "/copy"));
    QVERIFY(::link(QFile::encodeName(base + "/outside/keep.html"),
                   QFile::encodeName(base + "/copy/index.htm")) == 0);
    QVERIFY(QFile::link(base + "/outside/victim.html", base + "/copy/a.html"));
    QVERIFY(QFile::link(base + "/outside/folder", base + "/copy/docs"));
    SiteGrabber grabber;
    QStringList log;
    connect(&grabber, &SiteGrabber::logLine, &grabber,
            [&log](const QString& line) { log << line; });
    grabber.setLocalFolder(base + "/copy");
    QVERIFY(runGrab(grabber, m_site + "/", 2));

    QCOMPARE(readFile(base + "/outside/keep.html"), QByteArray("keep"));
    QCOMPARE(readFile(base + "/outside/victim.html"), QByteArray("victim"));
    QCOMPARE(QDir(base + "/outside/folder").entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
             QStringList{});
    QVERIFY(readFile(base + "/copy/index.htm").contains("<title>Home</title>"));
    QVERIFY(!QFileInfo(base + "/copy/a.html").isSymLink());
    QVERIFY(readFile(base + "/copy/a.html").contains("deep.html"));
    QVERIFY2(log.filter("docs is a symbolic link").size() == 1, qPrintable(log.join('\n')));
    // No temporary file is left behind.
    for (const QString& file : filesBelow(base + "/copy"))
        QVERIFY2(!file.contains(".part"), qPrintable(file));
}

void GrabberCoreTests::baseHrefIsHonoured() {
    // The page's links are relative to its <base href>: they are fetched
    // from there, and in the copy the base names that folder, so the
    // rewritten links open offline.
    QVERIFY(m_nginx.writeFile("based/index.html",
                              "<html><head><base href=\"/docs/\"></head><body>\n"
                              "<a href=\"b.html\">b</a> <a href=\"../a.html\">a</a>\n"
                              "<img src=\"../img/logo.gif\"> <a href=\"gone.html\">gone</a>\n"
                              "<a href=\"" +
                                  m_site.toUtf8() +
                                  "/docs/b.html\">b again</a>\n"
                                  "</body></html>\n"));
    SiteGrabber grabber;
    grabber.setLocalFolder(target("based"));
    QVERIFY(runGrab(grabber, m_site + "/based/index.html", 2));
    QCOMPARE(filesBelow(target("based")), (QStringList{"a.html", "based/index.html", "docs/b.html",
                                                       "img/logo.gif", "img/pic.png"}));
    const QByteArray page = readFile(target("based/based/index.html"));
    QVERIFY2(page.contains("<base href=\"../docs/\">"), page);
    QVERIFY2(page.contains("<a href=\"b.html\">b</a> <a href=\"../a.html\">a</a>"), page);
    QVERIFY2(page.contains("<img src=\"../img/logo.gif\">"), page);
    QVERIFY2(page.contains("<a href=\"gone.html\">"), page);
    QVERIFY2(page.contains("<a href=\"b.html\">b again</a>"), page);
    const OfflineCheck offline = checkOffline(target("based/based"));  // the page alone
    QCOMPARE(offline.local, 5);
    QCOMPARE(offline.missing, QStringList{"index.html -> gone.html"});
}

void GrabberCoreTests::connectionsAreReused_data() {
    QTest::addColumn<bool>("resourceInfo");
    QTest::newRow("with the resource information") << true;
    QTest::newRow("without") << false;
}

void GrabberCoreTests::connectionsAreReused() {
    // A page with 30 pictures, fetched five at a time: one request each,
    // over a handful of connections kept open.
    QFETCH(bool, resourceInfo);
    QByteArray gallery;
    for (int i = 0; i < 30; ++i) {
        QVERIFY(m_nginx.writeFile(QStringLiteral("gallery/p%1.gif").arg(i), "GIF89a"));
        gallery += QStringLiteral("<img src=\"p%1.gif\">").arg(i).toUtf8();
    }
    QVERIFY(m_nginx.writeFile("gallery/index.html", gallery));
    const QString log = m_nginx.root() + "/../connections.log";
    QFile::resize(log, 0);
    SiteGrabber grabber;
    const QString folder = target(resourceInfo ? "gallery-info" : "gallery");
    grabber.setLocalFolder(folder);
    grabber.setDoNotGetResourceInfo(!resourceInfo);
    QVERIFY(runGrab(grabber, m_site + "/gallery/index.html", 2));
    QCOMPARE(filesBelow(folder + "/gallery").size(), 31);
    QSet<QByteArray> connections;
    int requests = 0;
    for (const QByteArray& line : readFile(log).split('\n')) {
        if (line.contains("/gallery/")) {
            ++requests;
            connections.insert(line.split(' ').value(0));
        }
    }
    QCOMPARE(requests, 31);
    QVERIFY2(connections.size() <= 12, qPrintable(QString::number(connections.size())));
}

void GrabberCoreTests::pagesCopiedWithWhatTheyNeed_data() {
    QTest::addColumn<bool>("images");
    QTest::addColumn<QStringList>("files");
    const QStringList always{"css/base.css", "css/site.css",    "fonts/f.woff2",
                             "js/app.js",    "page/index.html", "page/next.html"};
    QTest::newRow("all options") << true
                                 << (always + QStringList{"img/bg.png", "img/big.png",
                                                          "img/fav.ico", "img/note.png",
                                                          "img/p.webp", "img/small.png"});
    // Style sheets, scripts and fonts are the page's own; pictures follow
    // "Grab Images".
    QTest::newRow("Grab Images off") << false << always;
}

void GrabberCoreTests::pagesCopiedWithWhatTheyNeed() {
    QFETCH(bool, images);
    QFETCH(QStringList, files);
    const QByteArray page =
        "<!DOCTYPE html><html><head><link rel=stylesheet href=\"../css/site.css?v=3\">"
        "<link rel=icon href=/img/fav.ico><script src=\"../js/app.js?x=1\"></script></head>"
        "<body><img src=\"../img/small.png\" srcset=\"../img/small.png 1x, ../img/big.png 2x\">"
        "<picture><source srcset=\"../img/p.webp\"></picture>"
        "<p style=\"background:url('../img/note.png')\">x</p>"
        "<a href=\"next.html\">next</a></body></html>";
    QVERIFY(m_nginx.writeFile("needs/page/index.html", page));
    QVERIFY(m_nginx.writeFile("needs/page/next.html",
                              "<link rel=stylesheet href=../css/site.css?v=3>"));
    QVERIFY(
        m_nginx.writeFile("needs/css/site.css",
                          "@import \"base.css\";\n@font-face{src:url(../fonts/f.woff2?#iefix)}\n"
                          "body{background:url( ../img/bg.png )}\n"));
    QVERIFY(m_nginx.writeFile("needs/css/base.css", "a{color:red}"));
    QVERIFY(m_nginx.writeFile("needs/js/app.js", "var a;"));
    QVERIFY(m_nginx.writeFile("needs/fonts/f.woff2", "wOF2"));
    for (const char* picture : {"bg.png", "big.png", "fav.ico", "note.png", "p.webp", "small.png"})
        QVERIFY(m_nginx.writeFile(QStringLiteral("needs/img/") + picture, "\x89PNG"));
    QVERIFY(m_nginx.writeFile("img/fav.ico", "ico"));
    SiteGrabber grabber;
    const QString folder = target(images ? "needs-all" : "needs-no-images");
    grabber.setLocalFolder(folder);
    GrabOptions options = grabber.grabOptions();
    options.setFlag(gaGrabAll, false);
    options.setFlag(gaGrabImages, images);
    grabber.setGrabOptions(options);
    // The page at the deepest level still gets everything it shows.
    QVERIFY(runGrab(grabber, m_site + "/needs/page/index.html", 2));
    QStringList saved;
    for (const QString& file : filesBelow(folder))
        saved << (file.startsWith("needs/") ? file.mid(6) : file);
    files.sort();
    saved.sort();
    QCOMPARE(saved, files);
    // Every reference of the saved page and sheets opens from the copy, as
    // a browser opening the file finds it (query and fragment cut).
    const QByteArray copy = readFile(folder + "/needs/page/index.html");
    const QByteArray sheet = readFile(folder + "/needs/css/site.css");
    QList<QPair<QString, QString>> references;  // (folder of the file, reference)
    for (const PageLink& link : extractPageLinks(copy))
        references.append({folder + "/needs/page", link.value});
    for (const PageLink& link : extractStyleLinks(sheet))
        references.append({folder + "/needs/css", link.value});
    int opened = 0;
    for (const auto& [from, reference] : references) {
        const QString path = QUrl(reference).path();
        const bool isFile =
            QFileInfo(from + "/" + QUrl::fromPercentEncoding(path.toUtf8())).isFile();
        QVERIFY2(isFile || (!images && path.contains("img/")), qPrintable(reference));
        opened += isFile ? 1 : 0;
    }
    QCOMPARE(opened, images ? 12 : 5);
    QVERIFY2(
        sheet.contains("@import \"base.css\"") && sheet.contains("url(../fonts/f.woff2#iefix)"),
        sheet);
}

void GrabberCoreTests::robotsTxt_data() {
    QTest::addColumn<int>("robotsStatus");
    QTest::addColumn<bool>("obey");
    QTest::addColumn<QByteArrayList>("fetched");
    const QByteArrayList all{"/a/index.html", "/a/open.html", "/private/x.html",
                             "/a/open.html?print=1"};
    QTest::newRow("obeyed") << 200 << true
                            << QByteArrayList{"/robots.txt", "/a/index.html", "/a/open.html"};
    QTest::newRow("ignored") << 200 << false << all;
    QTest::newRow("none on the site") << 404 << true << (QByteArrayList{"/robots.txt"} + all);
    // A site whose rules cannot be read may not want to be read at all:
    // only the address typed.
    QTest::newRow("unreadable") << 500 << true << QByteArrayList{"/robots.txt", "/a/index.html"};
}

void GrabberCoreTests::robotsTxt() {
    QFETCH(int, robotsStatus);
    QFETCH(bool, obey);
    QFETCH(QByteArrayList, fetched);
    TimedServer site;
    QVERIFY(site.start([robotsStatus](const QByteArray& target) {
        if (target == "/robots.txt")
            return LoopbackHttpServer::Response{
                robotsStatus,
                "X",
                {{"Content-Type", "text/plain"}},
                "User-agent: other\nDisallow: /\n\nUser-agent: *\nDisallow: /private/\n"
                "Disallow: /*?print\nAllow: /private/open\n",
                0};
        return htmlAnswer(
            "<a href=/a/open.html>o</a><a href=/private/x.html>p</a>"
            "<a href=/a/open.html?print=1>print</a>");
    }));
    SiteGrabber grabber;
    grabber.downloader().settings().tryCount = 1;
    grabber.setPoliteness({obey, 5, 0});
    grabber.setLocalFolder(target(QStringLiteral("robots-%1").arg(QTest::currentDataTag())));
    QStringList log;
    connect(&grabber, &SiteGrabber::logLine, &grabber,
            [&log](const QString& line) { log << line; });
    QVERIFY(runGrab(grabber, site.server.url("/a/index.html"), 2));
    QByteArrayList targets = site.targets();
    std::sort(targets.begin(), targets.end());
    std::sort(fetched.begin(), fetched.end());
    QCOMPARE(targets, fetched);
    if (obey && robotsStatus == 200)
        QVERIFY2(log.contains("2 addresses were left out as the site's robots.txt asks."),
                 qPrintable(log.join('\n')));
}

void GrabberCoreTests::robotsRules_data() {
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("allowed");
    const QByteArray rules =
        "User-agent: *\nDisallow: /a\nAllow: /a/b\nDisallow: /*.pdf$\n"
        "Disallow: /x*y\n";
    QTest::newRow("no rule") << rules << "/c" << true;
    QTest::newRow("prefix") << rules << "/abc" << false;
    QTest::newRow("longer allow") << rules << "/a/b/c" << true;
    QTest::newRow("end anchor") << rules << "/d/e.pdf" << false;
    QTest::newRow("end anchor, more after") << rules << "/d/e.pdf?x" << true;
    QTest::newRow("wildcard") << rules << "/x1/2y" << false;
    QTest::newRow("escapes compare decoded")
        << QByteArray("User-agent: *\nDisallow: /%7Ejoe\n") << "/~joe/x" << false;
    QTest::newRow("our own group wins")
        << QByteArray("User-agent: *\nDisallow: /\n\nUser-agent: Corvanta-Transfer\nDisallow:\n")
        << "/x" << true;
    QTest::newRow("agents share a group")
        << QByteArray("User-agent: a\nUser-agent: *\nDisallow: /s\n") << "/s" << false;
    QTest::newRow("garbage") << QByteArray("\x01\xff:::\nDisallow /x\n") << "/x" << true;
}

void GrabberCoreTests::robotsRules() {
    QFETCH(QByteArray, file);
    QFETCH(QString, path);
    QFETCH(bool, allowed);
    QCOMPARE(RobotsRules::parse(file, "corvanta-transfer").allows(path), allowed);
}

void GrabberCoreTests::connectionsPerHost_data() {
    QTest::addColumn<int>("connections");
    QTest::addColumn<int>("delayMs");
    QTest::newRow("two at once") << 2 << 0;
    QTest::newRow("one at once, 200 ms apart") << 1 << 200;
}

void GrabberCoreTests::connectionsPerHost() {
    // Twelve pictures, each answered after 300 ms: no more requests than
    // allowed are ever open at once, nor closer together than the delay.
    QFETCH(int, connections);
    QFETCH(int, delayMs);
    constexpr qint64 kAnswer = 300;
    TimedServer site;
    QByteArray gallery;
    for (int i = 0; i < 12; ++i)
        gallery += "<img src=p" + QByteArray::number(i) + ".gif>";
    QVERIFY(site.start([gallery](const QByteArray& target) {
        if (target == "/g/")
            return htmlAnswer(gallery);
        return LoopbackHttpServer::Response{
            200, "OK", {{"Content-Type", "image/gif"}}, "GIF89a", int(kAnswer)};
    }));
    SiteGrabber grabber;
    grabber.setPoliteness({false, connections, delayMs});
    grabber.setLocalFolder(target(QStringLiteral("polite-%1").arg(connections)));
    QVERIFY(runGrab(grabber, site.server.url("/g/"), 2));
    QList<qint64> pictures;
    for (const auto& [path, at] : site.requests()) {
        if (path != "/g/")
            pictures << at;
    }
    QCOMPARE(pictures.size(), 12);
    for (int i = 0; i < pictures.size(); ++i) {
        int open = 0;  // requests that came while this one was unanswered
        for (int j = 0; j < pictures.size(); ++j)
            open += pictures[j] >= pictures[i] && pictures[j] < pictures[i] + kAnswer ? 1 : 0;
        QVERIFY2(open <= connections, qPrintable(QString::number(open)));
        if (i > 0)
            QVERIFY(pictures[i] - pictures[i - 1] >= delayMs - 5);
    }
}

void GrabberCoreTests::busyServerSlowsTheGrab() {
    // The first answer for the page is 429 with Retry-After: 1. The grab
    // waits, then fetches it; nothing fails.
    TimedServer site;
    QAtomicInt refused = 0;
    QVERIFY(site.start([&refused](const QByteArray& target) {
        if (target == "/b.html" && refused.fetchAndAddRelaxed(1) == 0)
            return LoopbackHttpServer::Response{
                429, "Too Many Requests", {{"Retry-After", "1"}}, "", 0};
        return htmlAnswer(target == "/" ? "<a href=/b.html>b</a><a href=/c.html>c</a>" : "page");
    }));
    SiteGrabber grabber;
    grabber.setPoliteness({false, 5, 0});
    grabber.downloader().settings().tryCount = 1;
    QStringList errors;
    connect(&grabber.downloader(), &TclMultiTransfer::errorOccurred, &grabber,
            [&errors](TclTransferItem* item) { errors << item->url(); });
    grabber.setLocalFolder(target("busy"));
    QVERIFY(runGrab(grabber, site.server.url("/"), 2));
    QCOMPARE(errors, QStringList{});
    QCOMPARE(readFile(target("busy/b.html")), QByteArray("page"));
    qint64 first = -1, second = -1;
    for (const auto& [path, at] : site.requests()) {
        if (path == "/b.html")
            (first < 0 ? first : second) = at;
    }
    QVERIFY2(second - first >= 950, qPrintable(QStringLiteral("%1 %2").arg(first).arg(second)));
}

void GrabberCoreTests::secondGrabAsksOnlyForChanges() {
    QVERIFY(m_nginx.writeFile("again/index.html",
                              "<link rel=stylesheet href=s.css>"
                              "<a href=a.html>a</a><a href=b.html>b</a>"));
    QVERIFY(m_nginx.writeFile("again/a.html", "<a href=index.html>home</a><img src=p.gif>"));
    QVERIFY(m_nginx.writeFile("again/b.html", "<a href=a.html>a</a>"));
    QVERIFY(m_nginx.writeFile("again/s.css", "body{background:url(p.gif)}"));
    QVERIFY(m_nginx.writeFile("again/p.gif", "GIF89a"));
    const QString folder = target("again");
    const QString log = m_nginx.root() + "/../statuses.log";
    const auto grab = [&](QStringList* lines) {
        QFile::resize(log, 0);
        SiteGrabber grabber;
        grabber.setLocalFolder(folder);
        connect(&grabber, &SiteGrabber::logLine, &grabber,
                [lines](const QString& line) { *lines << line; });
        const bool ended = runGrab(grabber, m_site + "/again/index.html", 3);
        QMap<QByteArray, QByteArray> answers;  // path -> "status bytes"
        for (const QByteArray& line : readFile(log).split('\n')) {
            const QByteArrayList words = line.split(' ');
            if (words.size() >= 4 && words[3].startsWith("/again/"))
                answers.insert(words[3], words[0] + ' ' + words[1]);
        }
        return ended ? answers : QMap<QByteArray, QByteArray>{};
    };
    QStringList lines;
    QCOMPARE(grab(&lines).size(), 5);
    const QByteArray firstA = readFile(folder + "/again/a.html");
    QVERIFY(firstA.contains("href=index.html") && firstA.contains("src=p.gif"));

    // Nothing changed: every answer is a 304 without a body, the copy stays.
    lines.clear();
    QMap<QByteArray, QByteArray> answers = grab(&lines);
    QCOMPARE(answers.size(), 5);
    for (auto it = answers.cbegin(); it != answers.cend(); ++it)
        QCOMPARE(it.key() + ' ' + it.value(), it.key() + " 304 0");
    QVERIFY2(lines.contains("5 files were unchanged since the last grab and were kept."),
             qPrintable(lines.join('\n')));
    QCOMPARE(readFile(folder + "/again/a.html"), firstA);

    // One page changed: it alone comes again, rewritten as before.
    QTest::qWait(1100);  // a Last-Modified of a later second
    QVERIFY(m_nginx.writeFile("again/b.html", "<a href=a.html>a, changed</a>"));
    lines.clear();
    answers = grab(&lines);
    QVERIFY(answers.value("/again/b.html") > "2" && answers.value("/again/b.html") < "3");
    QCOMPARE(answers.value("/again/a.html"), QByteArray("304 0"));
    QVERIFY(readFile(folder + "/again/b.html").contains("<a href=a.html>a, changed</a>"));
}

void GrabberCoreTests::stoppedGrabGoesOn() {
    // A site of ten pages, each slow; the grab is stopped after some, then
    // started again: what was saved is not asked for again.
    TimedServer site;
    QVERIFY(site.start([](const QByteArray& target) {
        if (target == "/")
            return htmlAnswer(
                "<a href=p0.html>0</a><a href=p1.html>1</a><a href=p2.html>2</a>"
                "<a href=p3.html>3</a><a href=p4.html>4</a><a href=p5.html>5</a>"
                "<a href=p6.html>6</a><a href=p7.html>7</a>");
        return htmlAnswer("<a href=/>home</a>", 200);
    }));
    const QString folder = target("stopped");
    {
        SiteGrabber grabber;
        grabber.setPoliteness({false, 1, 0});
        grabber.setLocalFolder(folder);
        grabber.grab(site.server.url("/"), 2);
        // Saved files, not the hidden ones still being written.
        QVERIFY(QTest::qWaitFor(
            [&] { return QDir(folder).entryList(QDir::Files).size() >= 3; }, 20000));
        grabber.stopAll();
        QVERIFY(QTest::qWaitFor([&] { return !grabber.isBusy(); }, 20000));
    }
    const QStringList before = filesBelow(folder);
    QVERIFY2(before.size() >= 3 && before.size() < 9, qPrintable(before.join(' ')));
    const int asked = int(site.requests().size());
    SiteGrabber grabber;
    grabber.setPoliteness({false, 5, 0});
    grabber.setLocalFolder(folder);
    QVERIFY(runGrab(grabber, site.server.url("/"), 2));
    QVERIFY2(filesBelow(folder).size() == 9, qPrintable(filesBelow(folder).join(" ")));
    QByteArrayList again = site.targets().mid(asked);
    for (const QString& file : before) {
        const QByteArray path = file == "index.htm" ? "/" : "/" + file.toUtf8();
        QVERIFY2(!again.contains(path), path);
    }
    QCOMPARE(again.size(), 9 - before.size());
}

CORVANTA_TEST_MAIN(GrabberCoreTests)
#include "tst_grabber_core.moc"
