#include <QDateTime>
#include <QDir>
#include <QTemporaryDir>
#include <QTest>
#include <QUrlQuery>
#include <QtEndian>

#include "AddressIconRule.h"
#include "BrowserRules.h"
#include "BrowserSettings.h"
#include "DocumentInfo.h"
#include "EngineCacheIndex.h"
#include "PageCommandRules.h"
#include "RecentSearches.h"
#include "Registry.h"
#include "SearchEngines.h"
#include "ServiceAddress.h"
#include "TestEnvironment.h"
#include "TypedAddresses.h"

namespace {

QStringList numbered(const QString& stem, int count) {
    QStringList list;
    for (int i = 1; i <= count; ++i)
        list.append(stem + QString::number(i));
    return list;
}

void clearBrowserKeys() {
    Registry registry;
    for (const char* key : {BrowserRules::kSettingsKey, BrowserRules::kSearchKey,
                            BrowserRules::kHistoryKey, TypedAddresses::kKey}) {
        registry.deleteKey(QLatin1String(key));
    }
}

}  // namespace

class BrowserCoreTest : public QObject {
    Q_OBJECT
private slots:
    void init() { clearBrowserKeys(); }

    void progressRule_data() {
        QTest::addColumn<int>("progress");
        QTest::addColumn<int>("maximum");
        QTest::addColumn<bool>("visible");
        QTest::addColumn<int>("position");
        QTest::addColumn<QString>("text");
        QTest::newRow("half of a page") << 5000 << 10000 << true << 50 << "50 %";
        QTest::newRow("other maximum") << 7 << 10 << true << 70 << "0 %";
        QTest::newRow("whole page") << 10000 << 10000 << true << 100 << "100 %";
        QTest::newRow("nothing yet") << 0 << 10000 << false << 1 << "";
        QTest::newRow("finished (-1)") << -1 << 10000 << false << 1 << "";
        QTest::newRow("maximum below 2") << 5 << 1 << false << 1 << "";
    }
    void progressRule() {
        QFETCH(int, progress);
        QFETCH(int, maximum);
        const BrowserRules::ProgressDisplay display =
            BrowserRules::progressDisplay(progress, maximum);
        QTEST(display.visible, "visible");
        QTEST(display.position, "position");
        QTEST(display.text, "text");
    }

    // Each engine's own site as shipped, the query inserted as typed.
    void searchAddresses_data() {
        QTest::addColumn<int>("engine");
        QTest::addColumn<QString>("expected");
        const QString q = "red shoes&socks";
        QTest::newRow("Google") << int(SearchEngine::Google)
                                << "https://www.google.com/search?q=" + q;
        QTest::newRow("MSN, now Bing")
            << int(SearchEngine::MSN) << "https://www.bing.com/search?q=" + q;
        QTest::newRow("Lycos") << int(SearchEngine::Lycos)
                               << "https://search.lycos.com/web/?q=" + q;
        QTest::newRow("AltaVista, now Yahoo")
            << int(SearchEngine::AltaVista) << "https://search.yahoo.com/search?p=" + q;
        QTest::newRow("Yahoo") << int(SearchEngine::Yahoo)
                               << "https://search.yahoo.com/search?p=" + q;
        QTest::newRow("Excite") << int(SearchEngine::Excite)
                                << "https://results.excite.com/serp?q=" + q;
        QTest::newRow("Ebay") << int(SearchEngine::Ebay)
                              << "https://www.ebay.com/sch/i.html?_nkw=" + q;
    }
    void searchAddresses() {
        QFETCH(int, engine);
        const SearchEngine which = SearchEngine(engine);
        QTEST(searchAddress(which, searchEngineInfo(which).defaultSite, "red shoes&socks"),
              "expected");
    }

    void searchSiteIsAServiceAddress() {
        ServiceAddress::set(searchServiceName(SearchEngine::Excite), "http://127.0.0.1:8123/");
        QCOMPARE(searchAddress(SearchEngine::Excite, " x "), "http://127.0.0.1:8123/serp?q= x ");
        ServiceAddress::set(searchServiceName(SearchEngine::Excite), "127.0.0.1:8123");
        QCOMPARE(searchAddress(SearchEngine::Excite, "x"), "https://127.0.0.1:8123/serp?q=x");
        // Not overridden: a test run never reaches the real host.
        QVERIFY(!searchAddress(SearchEngine::Google, "x").contains("google"));
    }

    void recentSearches() {
        RecentSearches searches;
        for (const QString& text : numbered("query ", 9))
            searches.add(text);
        QCOMPARE(searches.entries(), (QStringList{"query 9", "query 8", "query 7", "query 6",
                                                  "query 5", "query 4", "query 3", "query 2"}));
        // The same text in capitals moves the stored entry up, in its own case.
        searches.add("QUERY 5");
        QCOMPARE(searches.entries().size(), 8);
        QCOMPARE(searches.entries().first(), "query 5");
        QCOMPARE(searches.entries().count("query 5"), 1);
        // An empty search is an entry like any other.
        searches.add("");
        QCOMPARE(searches.entries().first(), "");
        QCOMPARE(searches.entries().size(), 8);
    }

    void storedNineSearchesKeptUntilANewOne() {
        RecentSearches searches;
        searches.setStored(QStringList{""} + numbered("s", 9));
        QCOMPARE(searches.entries().size(), 9);
        searches.add("S3");
        QCOMPARE(searches.entries().size(), 9);
        QCOMPARE(searches.entries().first(), "s3");
        searches.add("new");
        QCOMPARE(searches.entries().size(), 8);
        QCOMPARE(searches.entries().first(), "new");
    }

    void typedAddressValues_data() {
        QTest::addColumn<int>("entries");
        QTest::addColumn<int>("values");
        QTest::newRow("none") << 0 << 1;
        QTest::newRow("three") << 3 << 4;
        QTest::newRow("23") << 23 << 24;
        QTest::newRow("24") << 24 << 25;
        QTest::newRow("25") << 25 << 25;
        QTest::newRow("30") << 30 << 25;
    }
    void typedAddressValues() {
        QFETCH(int, entries);
        QFETCH(int, values);
        const QStringList list = numbered("http://site", entries);
        const QStringList written = TypedAddresses::valuesToWrite(list);
        QCOMPARE(written.size(), values);
        for (int i = 0; i < written.size(); ++i) {
            QCOMPARE(written[i], i < list.size() ? list[i] : QString());
        }
    }

    void typedAddressesRoundTrip() {
        TypedAddresses::writeBack(numbered("a", 30));
        TypedAddresses::writeBack({"x", "y"});
        // The shorter list leaves the later values of the longer one in place,
        // after the empty value that ends it; loading skips the empty one.
        {
            Registry registry;
            QVERIFY(registry.openKey(TypedAddresses::kKey, false));
            QCOMPARE(registry.readString("Url3"), QString());
            QCOMPARE(registry.readString("Url4"), "a4");
            QVERIFY(!registry.valueExists("Url26"));
        }
        QCOMPARE(TypedAddresses::load().mid(0, 3), (QStringList{"x", "y", "a4"}));
        QCOMPARE(TypedAddresses::load().size(), 24);
    }

    void settingsBlockEndsAtFirstBadValue() {
        {
            Registry registry;
            registry.openKey(BrowserRules::kSettingsKey, true);
            registry.writeString("StartPage", "http://127.0.0.1:1/start");
            registry.writeBool("TBXHideMTB", true);
            registry.writeString("TBXFavoritesTB", "yes");  // not a number
            registry.writeBool("Blocker", true);
            registry.openKey(BrowserRules::kSearchKey, true);
            registry.writeString("0", "first");
            registry.writeString("1", "");
            registry.writeString("8", "ninth");
            registry.writeString("9", "tenth");
        }
        const BrowserSettings settings = BrowserSettings::read();
        QVERIFY(settings.startPageRead);
        QCOMPARE(settings.startPage, "http://127.0.0.1:1/start");
        QVERIFY(settings.accessoriesToolbar);
        QVERIFY(!settings.blocker);  // never reached
        QCOMPARE(settings.searches, (QStringList{"first", "ninth"}));
    }

    void settingsWriteAndReadBack() {
        BrowserSettings settings;
        settings.accessoriesToolbar = true;
        settings.blocker = true;
        settings.searches = {"b", "a"};
        BrowserSettings::write(settings, {"http://one", "http://two"});
        const BrowserSettings read = BrowserSettings::read();
        QVERIFY(read.startPageRead);
        QVERIFY(read.startPage.isEmpty());
        QVERIFY(read.accessoriesToolbar);
        QVERIFY(!read.favoritesPanel && !read.historyPanel && !read.cookiesPanel);
        QVERIFY(read.blocker);
        QCOMPARE(read.searches, (QStringList{"b", "a"}));
        Registry registry;
        QVERIFY(registry.openKey(BrowserRules::kHistoryKey, false));
        QCOMPARE(registry.readString("1"), "http://two");
    }

    void startPageChoice_data() {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<bool>("read");
        QTest::addColumn<bool>("blankExists");
        QTest::addColumn<int>("choice");
        using BrowserRules::StartPage;
        QTest::newRow("address") << "http://x/" << true << true << int(StartPage::Address);
        QTest::newRow("empty") << "" << true << true << int(StartPage::LocalBlankPage);
        QTest::newRow("About : Blank")
            << "About : Blank" << true << true << int(StartPage::LocalBlankPage);
        QTest::newRow("not read") << "http://x/" << false << true << int(StartPage::LocalBlankPage);
        QTest::newRow("no blank page") << "" << true << false << int(StartPage::Nothing);
    }
    void startPageChoice() {
        QFETCH(QString, stored);
        QFETCH(bool, read);
        QFETCH(bool, blankExists);
        QTEST(int(BrowserRules::startPageChoice(stored, read, blankExists)), "choice");
    }

    void translateRule() {
        QCOMPARE(BrowserRules::translatedAddressText("file:///opt/Data/blank.htm"),
                 "About : Blank");
        QCOMPARE(BrowserRules::translatedAddressText("http://x/BLANK"), "http://x/BLANK");
    }

    void addressIcons() {
        QTemporaryDir dir;
        const QString file = dir.path() + "/page.htm";
        QFile(file).open(QIODevice::WriteOnly);
        QCOMPARE(addressIconChoice("my computer").kind, AddressIconChoice::ShellFolder);
        QCOMPARE(addressIconChoice("my computer").detail, "MY COMPUTER");
        QCOMPARE(addressIconChoice(file).kind, AddressIconChoice::File);
        QCOMPARE(addressIconChoice("FILE:///nowhere/x.txt").kind, AddressIconChoice::File);
        QCOMPARE(addressIconChoice(dir.path()).kind, AddressIconChoice::Folder);
        QCOMPARE(addressIconChoice("www.example.test").kind, AddressIconChoice::WebPage);
        QCOMPARE(addressIconChoice("").kind, AddressIconChoice::Empty);
    }

    void textSizesRoundTripThroughZoom() {
        for (int size = PageCommandRules::kSmallestTextSize;
             size <= PageCommandRules::kLargestTextSize; ++size) {
            QCOMPARE(PageCommandRules::textSizeForZoom(PageCommandRules::zoomForTextSize(size)),
                     size);
        }
        QVERIFY(PageCommandRules::zoomForTextSize(0) < PageCommandRules::zoomForTextSize(1));
        QCOMPARE(PageCommandRules::zoomForTextSize(PageCommandRules::kMediumTextSize), 1.0);
        QCOMPARE(PageCommandRules::zoomForTextSize(5), 1.0);
        QCOMPARE(PageCommandRules::textSizeForZoom(1.1), -1);
    }

    void refusedOffline_data() {
        QTest::addColumn<QString>("url");
        QTest::addColumn<bool>("refused");
        QTest::newRow("http") << "http://127.0.0.1/a.html" << true;
        QTest::newRow("HTTPS") << "HTTPS://127.0.0.1/" << true;
        QTest::newRow("ftp") << "ftp://127.0.0.1/f" << true;
        QTest::newRow("web socket") << "wss://127.0.0.1/" << true;
        QTest::newRow("local file") << "file:///tmp/a.html" << false;
        QTest::newRow("blank") << "about:blank" << false;
        QTest::newRow("data") << "data:text/html,<p>x" << false;
    }
    void refusedOffline() {
        QFETCH(QString, url);
        QTEST(PageCommandRules::refusedOffline(QUrl(url)), "refused");
    }

    // A title holding "&" or "#" reaches the mail program whole.
    void mailAddressKeepsTitleWhole() {
        const QString address =
            PageCommandRules::mailAddressForPage("Cats & Dogs #1", "http://127.0.0.1/a?b=1&c=2");
        QVERIFY(address.startsWith("mailto:?body="));
        const QUrlQuery query(QUrl(address).query());
        QCOMPARE(query.queryItemValue("body", QUrl::FullyDecoded),
                 "Check this site:    Cats & Dogs #1     http://127.0.0.1/a?b=1&c=2");
        QCOMPARE(query.queryItems().size(), 1);
    }

    void bordersFlagsReplaceTheSet() {
        using namespace PageCommandRules;
        QCOMPARE(viewBorder(startHostFlags()), ViewBorder::Sunken);
        QVERIFY(showsScrollBars(startHostFlags()));
        QCOMPARE(viewBorder(bordersHostFlags(true)), ViewBorder::None);
        QVERIFY(showsScrollBars(bordersHostFlags(true)));
        QCOMPARE(viewBorder(bordersHostFlags(false)), ViewBorder::Flat);
        QVERIFY(!showsScrollBars(bordersHostFlags(false)));
        QVERIFY(bordersHostFlags(false).testFlag(HostFlag::NoTheme));
        QVERIFY(!bordersHostFlags(false).testFlag(HostFlag::Theme));
    }

    // Frames of another origin answer later, each in the place its path names;
    // an answer for no pending place changes nothing.
    void frameReportsFillTheirPlace() {
        DocumentInfo::FrameDocument top = DocumentInfo::frameDocumentFromVariant(QVariantMap{
            {"path", ""},
            {"address", "http://a/top"},
            {"body", false},
            {"links", QVariantList{"http://a/ignored"}},
            {"frames",
             QVariantList{QVariantMap{{"path", "/0"},
                                      {"address", "http://a/f0"},
                                      {"body", true},
                                      {"links", QVariantList{"http://a/l0"}},
                                      {"frames", QVariantList{QVariantMap{{"path", "/0/0"},
                                                                          {"pending", true}}}}},
                          QVariantMap{{"path", "/1"}, {"error", "denied"}},
                          QVariantMap{{"path", "/2"}, {"pending", true}}}}});
        QCOMPARE(DocumentInfo::pendingFramePaths(top), (QStringList{"/0/0", "/2"}));
        const auto report = [](const QString& path, const QString& address) {
            return DocumentInfo::frameDocumentFromVariant(
                QVariantMap{{"path", path},
                            {"address", address},
                            {"body", true},
                            {"links", QVariantList{address + "/link"}}});
        };
        QVERIFY(!DocumentInfo::placeFrameReport(top, report("/1", "http://b/forged")));
        QVERIFY(!DocumentInfo::placeFrameReport(top, report("/0", "http://b/forged")));
        QVERIFY(DocumentInfo::placeFrameReport(top, report("/0/0", "http://b/deep")));
        QVERIFY(!DocumentInfo::placeFrameReport(top, report("/0/0", "http://b/again")));
        QCOMPARE(DocumentInfo::pendingFramePaths(top), QStringList{"/2"});
        // The frame never answering is left out.
        QCOMPARE(DocumentInfo::linksLines(top), (QStringList{"http://a/l0", "http://b/deep/link"}));
        QCOMPARE(DocumentInfo::framesLines(top),
                 (QStringList{"The document contain 3  frames.", "http://a/top", "http://a/f0",
                              "http://b/deep"}));
    }

    void propertiesUpdate_data() {
        QTest::addColumn<QVariantMap>("answer");
        QTest::addColumn<QStringList>("texts");  // index=text, in order
        QTest::addColumn<bool>("guardedFailed");
        QTest::addColumn<bool>("error");
        const QVariantList values{"http://a/",
                                  "",
                                  100.0,
                                  200.0,
                                  10.6,
                                  0.0,
                                  50.0,
                                  60.0,
                                  "",
                                  "",
                                  "01/02/2026",
                                  "http:",
                                  "[object Window]",
                                  "UTF-8",
                                  "ms__id1"};
        const QStringList shown{"0=http://a/",
                                "1=None",
                                "2=100",
                                "3=200",
                                "4=11",
                                "5=0",
                                "6=50",
                                "7=60",
                                "8=None",
                                "9=None",
                                "10=01/02/2026",
                                "11=http:",
                                "12=[object Window]",
                                "13=UTF-8",
                                "14=ms__id1"};
        QTest::newRow("size and date known")
            << QVariantMap{{"values", values}, {"size", 1234.0}, {"created", 0.0}}
            << shown + QStringList{"15=1234",
                                   "16=" + QDateTime::fromMSecsSinceEpoch(0).toString("MM/dd/yyyy")}
            << false << false;
        QTest::newRow("size unknown") << QVariantMap{{"values", values}} << shown << true << false;
        QVariantList empties = values;
        empties[10] = "";
        QStringList withoutLast = shown;
        withoutLast.removeAt(10);
        QTest::newRow("empty kept field")
            << QVariantMap{{"values", empties}} << withoutLast << true << false;
        QTest::newRow("failed part way")
            << QVariantMap{{"values", QVariantList{"http://a/", "T"}}, {"error", "no body"}}
            << QStringList{"0=http://a/", "1=T"} << false << true;
    }
    void propertiesUpdate() {
        QFETCH(QVariantMap, answer);
        const DocumentInfo::PropertiesUpdate update = DocumentInfo::propertiesUpdate(answer);
        QStringList texts;
        for (const auto& [index, text] : update.values)
            texts.append(QString::number(index) + "=" + text);
        QTEST(texts, "texts");
        QTEST(update.guardedStepFailed, "guardedFailed");
        QTEST(!update.error.isEmpty(), "error");
    }

    // The engine's cache entry files: a header, then the key that names the
    // address (with the engine's prefixes).
    void cacheEntryAddress_data() {
        QTest::addColumn<QByteArray>("key");
        QTest::addColumn<QString>("address");
        QTest::newRow("plain") << QByteArray("1/0/http://127.0.0.1/a.png")
                               << "http://127.0.0.1/a.png";
        QTest::newRow("split by site")
            << QByteArray("1/0/_dk_http://127.0.0.1 http://127.0.0.1 http://127.0.0.1/a.png")
            << "http://127.0.0.1/a.png";
        QTest::newRow("no prefix") << QByteArray("http://127.0.0.1/a.png") << "";
        QTest::newRow("letters in prefix") << QByteArray("1/x/http://127.0.0.1/a.png") << "";
    }
    void cacheEntryAddress() {
        QFETCH(QByteArray, key);
        QByteArray head(24, '\0');
        qToLittleEndian<quint64>(0xfcfb6d1ba7725c30ULL, head.data());
        qToLittleEndian<quint32>(quint32(key.size()), head.data() + 12);
        QTEST(EngineCacheIndex::entryAddress(head + key), "address");
        // A length beyond the bytes there, or another magic number, is no entry.
        qToLittleEndian<quint32>(quint32(key.size() + 1), head.data() + 12);
        QCOMPARE(EngineCacheIndex::entryAddress(head + key), QString());
        head[0] = 0;
        QCOMPARE(EngineCacheIndex::entryAddress(head + key), QString());
    }
};

CORVANTA_TEST_MAIN(BrowserCoreTest)
#include "tst_browser_core.moc"
