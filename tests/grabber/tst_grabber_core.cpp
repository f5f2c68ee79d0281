#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QSet>
#include <QTemporaryDir>
#include <QUrl>
#include <QtTest>

#include "AppError.h"
#include "GrabRules.h"
#include "LoopbackHttpServer.h"
#include "NginxFixture.h"
#include "PageLinks.h"
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

// Every file below `folder`, relative to it, sorted.
QStringList filesBelow(const QString& folder) {
    QStringList files;
    QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        files.append(QDir(folder).relativeFilePath(it.next()));
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

    void depthOneFetchesTheRootOnly();
    void depthTwoFetchesAndRewrites();
    void numberingWithoutReplace();
    void rootSchemeInCapitals();
    void framesAllowTheirHosts_data();
    void framesAllowTheirHosts();
    void typeFilterInTheGrab_data();
    void typeFilterInTheGrab();
    void nothingOutsideTheFolder();
    void baseHrefIsHonoured();
    void connectionsAreReused_data();
    void connectionsAreReused();

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
    options.extraServerConfig +=
        " access_log " + m_nginx.root() + "/../connections.log connections;";
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
    QCOMPARE(values, (QStringList{"if.html", "a&b.html", "Up.html", "m.html", "first.gif"}));
    QCOMPARE(raw, (QStringList{"if.html", "a&amp;b.html", "Up.html", "m.html", "first.gif"}));
    QCOMPARE(links[0].kind, PageLink::Kind::Frame);
    QCOMPARE(links[4].kind, PageLink::Kind::Image);

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

void GrabberCoreTests::depthOneFetchesTheRootOnly() {
    SiteGrabber grabber;
    grabber.setLocalFolder(target("depth1"));
    QVERIFY(runGrab(grabber, m_site + "/", 1));
    QCOMPARE(filesBelow(target("depth1")), QStringList{"index.htm"});
    // Nothing of the site was saved but the page: its links stay as written.
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

    QCOMPARE(filesBelow(target("depth2")),
             (QStringList{"Upper.html", "a.html", "docs/b.html", "frame.html", "img/logo.gif",
                          "index.htm", "list.php", "list1.php"}));
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
    // Pages beyond the depth were not fetched: their links stay as written.
    QVERIFY(readFile(target("depth2/a.html")).contains("href=\"" + site + "/deep.html\""));
    QVERIFY(readFile(target("depth2/docs/b.html")).contains("src=\"../img/pic.png\""));

    const OfflineCheck offline = checkOffline(target("depth2"));
    QVERIFY(offline.local > 5);
    QCOMPARE(offline.missing, (QStringList{"a.html -> index.html", "docs/b.html -> ../img/pic.png",
                                           "frame.html -> deep2.html"}));
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

void GrabberCoreTests::framesAllowTheirHosts_data() {
    QTest::addColumn<bool>("grabFrames");
    QTest::newRow("with Grab Frames") << true;
    QTest::newRow("without") << false;
}

void GrabberCoreTests::framesAllowTheirHosts() {
    // The same server on a second loopback address stands in for a frame's
    // other host.
    QFETCH(bool, grabFrames);
    const QByteArray other = QString(m_site).replace("127.0.0.1", "127.0.0.2").toUtf8();
    QVERIFY(m_nginx.writeFile("framed/index.html", "<iframe src=\"" + other +
                                                       "/framed/inner.html\"></iframe>"
                                                       "<a href=\"" +
                                                       other + "/framed/linked.html\">linked</a>"));
    QVERIFY(m_nginx.writeFile("framed/inner.html", "inner"));
    QVERIFY(m_nginx.writeFile("framed/linked.html", "linked"));
    SiteGrabber grabber;
    const QString folder = target(grabFrames ? "framed-on" : "framed-off");
    grabber.setLocalFolder(folder);
    GrabOptions options = grabber.grabOptions();
    options.setFlag(gaGrabFrames, grabFrames);
    grabber.setGrabOptions(options);
    QVERIFY(runGrab(grabber, m_site + "/framed/index.html", 2));
    const QStringList expected =
        grabFrames ? QStringList{"framed/index.html", "framed/inner.html", "framed/linked.html"}
                   : QStringList{"framed/index.html"};
    QCOMPARE(filesBelow(folder), expected);
    QCOMPARE(grabber.allowedHosts(), grabFrames ? QStringList{"127.0.0.2"} : QStringList{});
}

void GrabberCoreTests::typeFilterInTheGrab_data() {
    QTest::addColumn<bool>("resourcePhase");
    QTest::addColumn<QStringList>("files");
    // Only pages asked for: a picture is refused once its type is known ...
    QTest::newRow("resource information") << true << QStringList{"index.htm", "index.html"};
    // ... and without the resource phase every allowed link is fetched.
    QTest::newRow("no resource information")
        << false << QStringList{"img/logo.gif", "index.htm", "index.html"};
}

void GrabberCoreTests::typeFilterInTheGrab() {
    QFETCH(bool, resourcePhase);
    QFETCH(QStringList, files);
    QVERIFY(m_nginx.writeFile("typed/index.html",
                              "<img src=\"/img/logo.gif\"><a href=\"/typed/\">self</a>"));
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
    QCOMPARE(filesBelow(target("based")),
             (QStringList{"a.html", "based/index.html", "docs/b.html", "img/logo.gif"}));
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

CORVANTA_TEST_MAIN(GrabberCoreTests)
#include "tst_grabber_core.moc"
