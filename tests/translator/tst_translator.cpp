#include <QAction>
#include <QComboBox>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <atomic>
#include <memory>

#include "ApertiumEngine.h"
#include "ApertiumModes.h"
#include "LanguagePairs.h"
#include "LibreTranslate.h"
#include "LoopbackHttpServer.h"
#include "PageTranslation.h"
#include "RecordingToolHost.h"
#include "Registry.h"
#include "ServiceAddress.h"
#include "TestEnvironment.h"
#include "TextTranslation.h"
#include "TranslatorReport.h"
#include "fmTranslate.h"

namespace {

// A reply page as the translation service sends it: the text area opens with
// the quoted marker, and the translation starts 85 characters after it.
QByteArray replyPage(const QByteArray& translation) {
    QByteArray opening = "<textarea name=\"translation\"";
    const QByteArray marker = "\"translation\"";
    const int afterMarker = opening.size() - opening.indexOf(marker);
    opening += QByteArray(85 - afterMarker - 1, ' ') + ">";
    return "<html><body><form>" + opening + translation + "</textarea></form></body></html>";
}

// What `apertium -l` lists with the Debian packages of tools/deps.
const QByteArray kDebianModes =
    "  eco-es-fr\n  eco-fr-es\n  eng-spa\n  es-fr\n  es-pt\n  es-pt_BR\n  fr-es\n  ita-spa\n"
    "  pt-es\n  spa-eng\n  spa-eng_US\n  spa-ita\n";

// The engine a window opened afterwards uses ("local", "web", "libretranslate").
void storeEngine(const QString& engine, const QString& apiKey = QString()) {
    Registry registry;
    QVERIFY(registry.openKey("\\Software\\Corvanta\\Translator", true));
    registry.writeString("TranslationEngine", engine);
    registry.writeString("LibreTranslateApiKey", apiKey);
}

// The offline engine's work runs on after the click; this waits for its end.
constexpr int kOfflineTimeoutMs = 60000;

const QByteArray kHeader = "Corvanta Translator\r\n######################\r\n\r\n";
const QByteArray kFooter =
    "##################################\r\nThank you for choosing Corvanta.\r\n";

// One translator window with its recording host, shown.
struct Window {
    RecordingToolHost host;
    std::unique_ptr<TTransFrm> frame;

    Window() : frame(std::make_unique<TTransFrm>(host)) {
        frame->show();
        frame->resize(900, 600);
    }
    template <typename T>
    T* child(const char* name) const {
        T* found = frame->findChild<T*>(QString::fromLatin1(name));
        if (!found)
            qFatal("no child %s", name);
        return found;
    }
    QPlainTextEdit* source() const { return child<QPlainTextEdit>("Memo1"); }
    QPlainTextEdit* translated() const { return child<QPlainTextEdit>("Memo2"); }
    QComboBox* pairs() const { return child<QComboBox>("ComboBox1"); }
    QComboBox* addresses() const { return child<QComboBox>("Addrs"); }
    QString status(int panel) const {
        return child<QLabel>(qPrintable(QString("StatusPanel%1").arg(panel)))->text();
    }
    bool translating() const { return status(0) == "Translating..."; }
    void trigger(const char* action) const { child<QAction>(action)->trigger(); }
    // Text typed by the user (the box is then edited).
    void type(const QString& text) const {
        source()->setFocus();
        QTest::keyClicks(source(), text);
    }
};

}  // namespace

class TranslatorTests : public QObject {
    Q_OBJECT
private:
    std::unique_ptr<LoopbackHttpServer> m_server;

    // A translation service that answers every request with `response`.
    void serveTranslation(const LoopbackHttpServer::Response& response) {
        m_server = std::make_unique<LoopbackHttpServer>();
        QVERIFY(
            m_server->start([response](const LoopbackHttpServer::Request&) { return response; }));
        ServiceAddress::set("Translation", m_server->url());
        storeEngine("web");
    }
    void serveTranslation(const QByteArray& body) {
        LoopbackHttpServer::Response response;
        response.body = body;
        serveTranslation(response);
    }

private slots:
    void init() {
        m_server.reset();
        TestEnvironment::wipeUserFiles();
    }

    // ---- core ---------------------------------------------------------------

    void pairCodes_data() {
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("code");
        QTest::newRow("first") << 0 << "zh_en";
        QTest::newRow("English to French") << 5 << "en_fr";
        QTest::newRow("last") << 35 << "es_fr";
        QTest::newRow("none selected") << -1 << "es_en";
        QTest::newRow("past the table") << 36 << "es_en";
    }
    void pairCodes() {
        QFETCH(int, index);
        QFETCH(QString, code);
        QCOMPARE(languagePairCode(index), code);
        QCOMPARE(kLanguagePairs.size(), size_t(36));
        QCOMPARE(QString(kLanguagePairs[34].caption), "Spanish to English");
    }

    void cutTranslation_data() {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<QString>("translation");
        QTest::newRow("plain") << replyPage("Good morning") << "Good morning";
        QTest::newRow("line feeds") << replyPage("one\ntwo\n") << "one\r\ntwo\r\n";
        QTest::newRow("0xA7 is a line break") << replyPage(
                                                     "a\xc2\xa7"
                                                     "b")
                                              << "a\r\nb";
        QTest::newRow("Latin-1 0xA7") << replyPage(
                                             "a\xa7"
                                             "b")
                                      << "a\r\nb";
        QTest::newRow("no marker") << QByteArray(200, 'x') + "</textarea>"
                                   << "";
        QTest::newRow("no end") << replyPage("text").replace("</textarea>", "") << "";
        QTest::newRow("reply ends inside the opening")
            << QByteArray("<textarea name=\"translation\">") << "";
        QTest::newRow("end before the text")
            << QByteArray("\"translation\"></textarea>") + QByteArray(100, ' ') << "";
        QTest::newRow("empty reply") << QByteArray() << "";
    }
    void cutTranslation() {
        QFETCH(QByteArray, reply);
        QFETCH(QString, translation);
        QCOMPARE(TextTranslation::cutTranslation(TextTranslation::decodeReply(reply)), translation);
    }

    void reports_data() {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("both") << int(ReportKind::Both)
                              << kHeader +
                                     "The Text To Translate:\r\n---------------------\r\n"
                                     "Buenos d\xc3\xad"
                                     "as\r\nse\xc3\xb1or\r\n\r\n\r\n\r\n"
                                     "The Translated Text:\r\n---------------------\r\n"
                                     "Good morning\r\n\r\n\r\n\r\n" +
                                     kFooter;
        QTest::newRow("translated only")
            << int(ReportKind::TranslatedOnly)
            << kHeader +
                   "The Translated Text:\r\n---------------------\r\nGood morning\r\n\r\n\r\n\r\n" +
                   kFooter;
        QTest::newRow("source only: two empty lines")
            << int(ReportKind::SourceOnly)
            << kHeader +
                   "The Text To Translate:\r\n---------------------\r\n"
                   "Buenos d\xc3\xad"
                   "as\r\nse\xc3\xb1or\r\n\r\n\r\n" +
                   kFooter;
    }
    void reports() {
        QFETCH(int, kind);
        QFETCH(QByteArray, expected);
        const QStringList source =
            boxLines(QString::fromUtf8("Buenos d\xc3\xad"
                                       "as\nse\xc3\xb1or\n"));
        QCOMPARE(translatorReport(ReportKind(kind), source, boxLines("Good morning")), expected);
    }

    void boxLinesOfEmptyAndBlankBoxes() {
        QCOMPARE(boxLines(""), QStringList());
        QCOMPARE(boxLines("\n"), QStringList{""});
        QCOMPARE(boxLines("a\r\n\nb"), (QStringList{"a", "", "b"}));
    }

    void pageAddress_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("pair");
        QTest::addColumn<QString>("address");  // empty: nothing happens
        const QString base = "http://pages.test/babelfish/trurl_load?url=http%3A%2F%2F";
        QTest::newRow("upper-case https")
            << "HTTPS://www.example.org/news" << 5 << base + "www.example.org/news&lp=en_fr";
        QTest::newRow("10 characters") << "http://abc" << -1 << base + "abc&lp=es_en";
        QTest::newRow("7 characters") << "abc.com" << 5 << "";
        QTest::newRow("7 after trimming") << "   abc.com  " << 5 << "";
        QTest::newRow("no scheme, query kept")
            << " example.org/?q=a b " << 23 << base + "example.org/?q=a b&lp=de_en";
        QTest::newRow("every prefix goes")
            << "http://x.org/?u=Http://y" << 0 << base + "x.org/?u=y&lp=zh_en";
    }
    void pageAddress() {
        QFETCH(QString, typed);
        QFETCH(int, pair);
        QFETCH(QString, address);
        const auto built = PageTranslation::address("http://pages.test/", typed, pair);
        QCOMPARE(built.value_or(QString()), address);
    }

    void addressHistoryKeepsEightMostRecent() {
        QStringList history;
        for (int i = 1; i <= 9; ++i) {
            history = PageTranslation::recordAddress(history, QString("site%1.org").arg(i));
        }
        QCOMPARE(history.size(), 8);
        QCOMPARE(history.first(), "site9.org");
        QCOMPARE(history.last(), "site2.org");
        history = PageTranslation::recordAddress(history, "site5.org");
        QCOMPARE(history.size(), 8);
        QCOMPARE(history.first(), "site5.org");
        QCOMPARE(history.count("site5.org"), 1);
        QCOMPARE(history.mid(1, 4),
                 (QStringList{"site9.org", "site8.org", "site7.org", "site6.org"}));
    }

    void apertiumRoutes_data() {
        QTest::addColumn<QByteArray>("listing");
        QTest::addColumn<QString>("source");
        QTest::addColumn<QString>("target");
        QTest::addColumn<QStringList>("route");
        QTest::newRow("direct") << kDebianModes << "en"
                                << "es" << QStringList{"eng-spa"};
        QTest::newRow("two-letter mode") << kDebianModes << "fr"
                                         << "es" << QStringList{"fr-es"};
        QTest::newRow("through Spanish") << kDebianModes << "fr"
                                         << "en" << QStringList{"fr-es", "spa-eng"};
        QTest::newRow("plain before its variant") << QByteArray("es-pt_BR\nes-pt\n") << "es"
                                                  << "pt" << QStringList{"es-pt"};
        QTest::newRow("a variant alone") << QByteArray("es-pt_BR\n") << "es"
                                         << "pt" << QStringList{"es-pt_BR"};
        QTest::newRow("not installed") << kDebianModes << "en"
                                       << "de" << QStringList();
        QTest::newRow("no pivot outside the box") << QByteArray("eng-cat\ncat-spa\n") << "en"
                                                  << "es" << QStringList();
        QTest::newRow("nothing listed") << QByteArray() << "es"
                                        << "en" << QStringList();
    }
    void apertiumRoutes() {
        QFETCH(QByteArray, listing);
        QFETCH(QString, source);
        QFETCH(QString, target);
        QTEST(ApertiumModes::route(ApertiumModes::parseList(listing), source, target), "route");
    }

    // The Debian packages give every pair among English, French, Italian,
    // Portuguese and Spanish, and nothing else of the box.
    void offlinePairsWithDebianPackages() {
        const QStringList modes = ApertiumModes::parseList(kDebianModes);
        QStringList offline;
        for (int i = 0; i < int(kLanguagePairs.size()); ++i) {
            const PairLanguages pair = pairLanguages(i);
            if (!ApertiumModes::route(modes, pair.source, pair.target).isEmpty())
                offline << kLanguagePairs[i].caption;
        }
        QCOMPARE(offline,
                 (QStringList{"English to French", "English to Italian", "English to Portuguese",
                              "English to Spanish", "French to English", "French to Italian",
                              "French to Portuguese", "French to Spanish", "Italian to English",
                              "Italian to French", "Portuguese to English", "Portuguese to French",
                              "Spanish to English", "Spanish to French"}));
    }

    void libreTranslateLanguages_data() {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<QString>("source");
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("pair");  // "invalid": no list of languages
        const QByteArray withTargets =
            R"([{"code":"en","name":"English","targets":["es","fr","en"]},)"
            R"({"code":"es","name":"Spanish","targets":["en"]}])";
        QTest::newRow("listed target") << withTargets << "en"
                                       << "es"
                                       << "en>es";
        QTest::newRow("target not listed") << withTargets << "es"
                                           << "fr"
                                           << "";
        QTest::newRow("no targets named: all to all")
            << QByteArray(R"([{"code":"en"},{"code":"fr"}])") << "fr"
            << "en"
            << "fr>en";
        QTest::newRow("traditional Chinese by another name")
            << QByteArray(R"([{"code":"zh-Hant","targets":["en"]}])") << "zt"
            << "en"
            << "zh-Hant>en";
        QTest::newRow("an error, not a list")
            << QByteArray(R"({"error":"Too many requests"})") << "en"
            << "es"
            << "invalid";
        QTest::newRow("not JSON") << QByteArray("<html>") << "en"
                                  << "es"
                                  << "invalid";
    }
    void libreTranslateLanguages() {
        QFETCH(QByteArray, reply);
        QFETCH(QString, source);
        QFETCH(QString, target);
        QFETCH(QString, pair);
        const auto languages = LibreTranslate::parseLanguages(reply);
        if (pair == "invalid") {
            QVERIFY(!languages);
            return;
        }
        QVERIFY(languages);
        const auto codes = LibreTranslate::serverPair(*languages, source, target);
        QCOMPARE(codes ? codes->first + ">" + codes->second : QString(), pair);
    }

    void pageDecoding_data() {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QByteArray>("contentType");
        const QByteArray latin1 = "<p>caf\xe9</p>";
        const QByteArray utf8 = "<p>caf\xc3\xa9</p>";
        QTest::newRow("charset of the header")
            << latin1 << QByteArray("text/html; charset=ISO-8859-1");
        QTest::newRow("quoted charset") << utf8 << QByteArray("text/html;charset=\"utf-8\"");
        QTest::newRow("charset of the markup")
            << "<meta charset=\"windows-1252\">" + latin1 << QByteArray("text/html");
        QTest::newRow("valid UTF-8, nothing declared") << utf8 << QByteArray();
        QTest::newRow("Latin-1, nothing declared") << latin1 << QByteArray();
    }
    void pageDecoding() {
        QFETCH(QByteArray, body);
        QFETCH(QByteArray, contentType);
        QVERIFY(PageTranslation::decodePage(body, contentType).contains(u"caf\u00e9"));
    }

    void offlineEngineNotInstalled() {
        ApertiumEngine engine("/nonexistent/apertium");
        QSignalSpy finished(&engine, &TranslationEngine::finished);
        bool asked = false;
        engine.translate(13, TranslationEngine::Format::Text, [&asked] {
            asked = true;
            return TranslationEngine::Source{true, "Hello", {}, {}};
        });
        QTRY_COMPARE(finished.size(), 1);
        const auto outcome = finished[0][0].value<TranslationOutcome>();
        QCOMPARE(outcome.status, TranslationOutcome::Status::Unsupported);
        QVERIFY2(outcome.message.contains("not installed") &&
                     outcome.message.contains("apertium-eng-spa"),
                 qPrintable(outcome.message));
        QVERIFY(!asked);
    }

    // ---- the window -----------------------------------------------------------

    void requestLine_data() {
        QTest::addColumn<QString>("source");
        QTest::addColumn<int>("pair");
        QTest::addColumn<QByteArray>("target");
        const QByteArray path = "/systran/box?id=SystranSoft-en&ttype=text&text=";
        QTest::newRow("rewritten signs") << "a<b>&c;d" << 5 << path + "a(b)%20c,d&lp=en_fr";
        QTest::newRow("two lines") << "hello world\nsecond line" << 23
                                   << path + "hello%20world%0D%0Asecond%20line&lp=de_en";
        QTest::newRow("no pair chosen") << "hola" << -1 << path + "hola&lp=es_en";
        QTest::newRow("client encoding")
            << "50% + #1 caf\u00e9" << 13 << path + "50%25%20%2B%20%231%20caf%C3%A9&lp=en_es";
    }
    void requestLine() {
        QFETCH(QString, source);
        QFETCH(int, pair);
        QFETCH(QByteArray, target);
        serveTranslation(replyPage("x"));
        Window window;
        window.source()->setPlainText(source);
        window.pairs()->setCurrentIndex(pair);
        window.trigger("TBXTranslate");
        const auto requests = m_server->requests();
        QCOMPARE(requests.size(), 1);
        QCOMPARE(requests[0].method, "GET");
        QCOMPARE(requests[0].target, target);
        QCOMPARE(requests[0].headers.value("accept"), "text/html, */*");
        QCOMPARE(requests[0].headers.value("content-type"), "text/html");
        QCOMPARE(requests[0].headers.value("user-agent"), "Mozilla/3.0 (compatible; Indy Library)");
    }

    void translationShownWithStatus() {
        const QByteArray page = replyPage(
            "Good morning\nsir\xc2\xa7"
            "madam");
        serveTranslation(page);
        Window window;
        QCOMPARE(window.status(0), "Ready");
        window.type("Buenos dias");
        window.trigger("TBXTranslate");
        QCOMPARE(window.translated()->toPlainText(), "Good morning\nsir\nmadam");
        QCOMPARE(window.status(0), "Ready");
        QCOMPARE(window.status(1),
                 QString::number(QString::fromUtf8(page).size()) + "  Bytes Recived");
        QCOMPARE(window.host.scripted.count(), 0);
    }

    void replyWithoutMarkersShowsNothing_data() {
        QTest::addColumn<QByteArray>("reply");
        QTest::newRow("no quoted marker")
            << QByteArray("<html>" + QByteArray(120, '-') + "</textarea>");
        QTest::newRow("no end of text area") << replyPage("lost").replace("</textarea>", "");
    }
    void replyWithoutMarkersShowsNothing() {
        QFETCH(QByteArray, reply);
        serveTranslation(reply);
        Window window;
        window.translated()->setPlainText("earlier translation");
        window.type("hola");
        window.trigger("TBXTranslate");
        QCOMPARE(window.translated()->toPlainText(), "");
        QCOMPARE(window.status(0), "Ready");
        QCOMPARE(window.host.scripted.count(), 0);
    }

    void failedRequestKeepsTranslation() {
        LoopbackHttpServer::Response response;
        response.status = 503;
        response.reason = "Service Unavailable";
        serveTranslation(response);
        Window window;
        window.translated()->setPlainText("earlier translation");
        window.type("hola");
        window.trigger("TBXTranslate");
        QCOMPARE(window.host.scripted.countOf(Prompts::Kind::Error), 1);
        QVERIFY2(window.host.scripted.last().text.contains("Service Unavailable"),
                 qPrintable(window.host.scripted.last().text));
        QCOMPARE(window.translated()->toPlainText(), "earlier translation");
        QCOMPARE(window.status(0), "Translating...");
    }

    void secondTranslateDuringRequestIsIgnored() {
        LoopbackHttpServer::Response response;
        response.body = replyPage("slow");
        // The answer waits until the second click was made, however slow the
        // machine (bounded, so a broken window cannot hang the test).
        std::atomic<bool> fired = false;
        m_server = std::make_unique<LoopbackHttpServer>();
        QVERIFY(m_server->start([response, &fired](const LoopbackHttpServer::Request&) {
            for (int waited = 0; !fired && waited < 10000; waited += 10) {
                QThread::msleep(10);
            }
            return response;
        }));
        ServiceAddress::set("Translation", m_server->url());
        storeEngine("web");
        Window window;
        window.type("hola");
        QTimer::singleShot(100, window.frame.get(), [&] {
            window.trigger("TBXTranslate");
            fired = true;
        });
        window.trigger("TBXTranslate");
        QVERIFY(fired);
        QCOMPARE(m_server->requests().size(), 1);
        QCOMPARE(window.translated()->toPlainText(), "slow");
    }

    void handOffSetsOnlyLineAndSendsNothing() {
        serveTranslation(replyPage("x"));
        Window window;
        window.type("typed before");
        window.frame->handOffText("handed over");
        QCOMPARE(window.source()->toPlainText(), "handed over");
        QCOMPARE(m_server->requests().size(), 0);
        // Set by the program, not typed: there is nothing to save.
        window.trigger("TBXSaveTranslated");
        QCOMPARE(window.host.scripted.count(), 1);
        const ScriptedPrompts::Call& call = window.host.scripted.last();
        QCOMPARE(call.kind, Prompts::Kind::TimedMessage);
        QCOMPARE(call.caption, "Corvanta Help Message");
        QCOMPARE(call.text, "Nothing To save !!");
        QCOMPARE(call.extra, "1000");
    }

    void saveWritesReport_data() {
        QTest::addColumn<QString>("action");
        QTest::addColumn<int>("kind");
        QTest::newRow("Save") << "TBXSave" << int(ReportKind::Both);
        QTest::newRow("translated only") << "TBXSaveTranslated" << int(ReportKind::TranslatedOnly);
        QTest::newRow("source only") << "TBXSaveSource" << int(ReportKind::SourceOnly);
    }
    void saveWritesReport() {
        QFETCH(QString, action);
        QFETCH(int, kind);
        QTemporaryDir folder;
        Window window;
        window.type("uno dos");
        window.translated()->setPlainText("one two\nthree");
        window.host.scripted.answer(folder.filePath("report"));
        window.trigger(action.toLatin1().constData());
        ScriptedPrompts& prompts = window.host.scripted;
        QCOMPARE(prompts.count(), 2);
        QCOMPARE(prompts.calls()[0].kind, Prompts::Kind::SaveFile);
        QCOMPARE(prompts.calls()[0].caption, "Corvanta Save as a text or a word file");
        QVERIFY(prompts.calls()[0].text.endsWith("/Corvanta_Translator"));
        QCOMPARE(prompts.calls()[0].extra, "Text file (*.txt);;Word file (*.doc)");
        QCOMPARE(prompts.last().text, "The file was saved.");
        QCOMPARE(window.status(0), "Saving");
        QFile file(folder.filePath("report.txt"));  // the default extension
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(),
                 translatorReport(ReportKind(kind), {"uno dos"}, {"one two", "three"}));
    }

    void saveCancelledOrFailing() {
        Window window;
        window.type("uno");
        window.trigger("TBXSave");  // no answer: the dialog is cancelled
        QCOMPARE(window.host.scripted.last().kind, Prompts::Kind::TimedMessage);
        QCOMPARE(window.host.scripted.last().text, "Save file procedure was cancelled.");
        window.host.scripted.answer(QString("/nonexistent-folder/report.doc"));
        window.trigger("TBXSave");
        QCOMPARE(window.host.scripted.last().kind, Prompts::Kind::Error);
        QVERIFY(window.host.scripted.last().text.contains("/nonexistent-folder/report.doc"));
    }

    void pageTranslationOpensBrowser() {
        ServiceAddress::set("PageTranslation", "http://127.0.0.1:9");
        storeEngine("web");
        Window window;
        window.source()->setPlainText("first line");
        window.pairs()->setCurrentIndex(5);
        window.addresses()->setEditText("HTTPS://www.example.org/news");
        window.trigger("TBXTranslatePage");
        const QString address =
            "http://127.0.0.1:9/babelfish/trurl_load?url=http%3A%2F%2Fwww.example.org/"
            "news&lp=en_fr";
        QCOMPARE(window.host.browsed.size(), 1);
        QCOMPARE(window.host.browsed[0].address, address);
        QCOMPARE(window.host.browsed[0].caption, "Web Translation");
        QCOMPARE(window.host.browsed[0].image, 3);
        QCOMPARE(window.host.browsed[0].history, ToolHost::History::Record);
        QCOMPARE(window.source()->toPlainText(), "first line\n" + address);
        QCOMPARE(window.addresses()->itemText(0), "HTTPS://www.example.org/news");

        window.addresses()->setEditText("abc.com");
        window.trigger("TBXTranslatePage");
        QCOMPARE(window.host.browsed.size(), 1);
        QCOMPARE(window.source()->toPlainText().count('\n'), 1);
        QCOMPARE(window.addresses()->count(), 1);
    }

    void settingsKeepPairAndHistoryOfEight() {
        storeEngine("web");
        {
            Window first;
            QCOMPARE(first.pairs()->currentIndex(), -1);
            QCOMPARE(first.addresses()->currentText(), "www.example.com");
            first.pairs()->setCurrentIndex(12);
            for (int i = 1; i <= 9; ++i) {
                first.addresses()->setEditText(QString("http://site%1.org").arg(i));
                first.trigger("TBXTranslatePage");
            }
            first.addresses()->setEditText("http://site4.org");
            first.trigger("TBXTranslatePage");
            QVERIFY(first.frame->close());
        }
        Window second;
        QCOMPARE(second.pairs()->currentIndex(), 12);
        QStringList history;
        for (int i = 0; i < second.addresses()->count(); ++i)
            history << second.addresses()->itemText(i);
        QCOMPARE(history, (QStringList{"http://site4.org", "http://site9.org", "http://site8.org",
                                       "http://site7.org", "http://site6.org", "http://site5.org",
                                       "http://site3.org", "http://site2.org"}));
        QCOMPARE(second.addresses()->currentText(), "http://site4.org");
        Registry registry;
        QVERIFY(registry.openKey("\\Software\\Corvanta\\Translator", false));
        QCOMPARE(registry.readString("TranslationEngine"), "web");
    }

    void closeCommandClosesItsSubWindow() {
        QMdiArea area;
        RecordingToolHost host;
        auto* frame = new TTransFrm(host);
        host.addTask(frame, "Net Translator", 3);
        QPointer<QMdiSubWindow> subWindow = area.addSubWindow(frame);
        subWindow->setAttribute(Qt::WA_DeleteOnClose);
        area.show();
        subWindow->show();
        frame->findChild<QAction*>("TBXClose")->trigger();
        QTRY_VERIFY(subWindow.isNull());
        QCOMPARE(host.removed.size(), 1);
        QVERIFY(host.tasks.isEmpty());
    }

    void boxToolbars() {
        Window window;
        QAction* copy = window.child<QAction>("TBXCopy2");
        QAction* remove = window.child<QAction>("TBXDelete2");
        window.translated()->setPlainText("the translation");
        QVERIFY(!copy->isEnabled());
        window.trigger("TBXSelectAll2");
        QVERIFY(copy->isEnabled() && remove->isEnabled());
        window.trigger("TBXRetranslate");
        QCOMPARE(window.source()->toPlainText(), "the translation");
        QCOMPARE(window.translated()->toPlainText(), "");
        QVERIFY(!copy->isEnabled());
        window.trigger("TBXDelete1");
        QCOMPARE(window.source()->toPlainText(), "");
    }
    // ---- the offline engine and LibreTranslate in the window ------------------

    void offlineTranslation_data() {
        QTest::addColumn<int>("pair");
        QTest::addColumn<QString>("source");
        QTest::addColumn<QString>("translation");
        QTest::addColumn<QString>("engine");
        QTest::newRow("English to Spanish, any script kept")
            << 13
            << "The cat is black.\nThe house is big. \u041f\u0440\u0438\u0432\u0435\u0442 "
               "\u4f60\u597d"
            << "El gato es negro.\nLa casa es grande. \u041f\u0440\u0438\u0432\u0435\u0442 "
               "\u4f60\u597d"
            << "Translated by Apertium (eng-spa)";
        QTest::newRow("French to English, through Spanish")
            << 17 << "Le chat est noir.\nLa maison est grande."
            << "The cat is black.\nThe house is big."
            << "Translated by Apertium (fr-es, spa-eng)";
        QTest::newRow("Italian to English, through Spanish")
            << 27 << "Il gatto \u00e8 nero."
            << "The cat is black."
            << "Translated by Apertium (ita-spa, spa-eng)";
    }
    void offlineTranslation() {
        QFETCH(int, pair);
        QFETCH(QString, source);
        Window window;
        QCOMPARE(window.status(2), "Engine: Apertium (offline)");
        window.source()->setPlainText(source);
        window.pairs()->setCurrentIndex(pair);
        window.trigger("TBXTranslate");
        // The click returns while the engine works.
        QVERIFY(window.translating());
        QCOMPARE(window.translated()->toPlainText(), "");
        QTRY_VERIFY_WITH_TIMEOUT(!window.translating(), kOfflineTimeoutMs);
        QCOMPARE(window.host.scripted.count(), 0);
        QTEST(window.translated()->toPlainText(), "translation");
        QTEST(window.status(2), "engine");
        QCOMPARE(window.status(0), "Ready");
    }

    void offlineSecondClickIgnored() {
        Window window;
        window.pairs()->setCurrentIndex(13);
        window.source()->setPlainText("The cat is black.");
        window.trigger("TBXTranslate");
        window.source()->setPlainText("The house is big.");
        window.trigger("TBXTranslate");
        QTRY_VERIFY_WITH_TIMEOUT(!window.translating(), kOfflineTimeoutMs);
        QCOMPARE(window.translated()->toPlainText(), "El gato es negro.");
        // Done: the next click translates again.
        window.trigger("TBXTranslate");
        QTRY_VERIFY_WITH_TIMEOUT(!window.translating(), kOfflineTimeoutMs);
        QCOMPARE(window.translated()->toPlainText(), "La casa es grande.");
    }

    void offlinePairNotInstalled() {
        Window window;
        window.translated()->setPlainText("earlier translation");
        window.type("Good morning");
        window.pairs()->setCurrentIndex(6);  // English to German
        window.trigger("TBXTranslate");
        QTRY_VERIFY_WITH_TIMEOUT(!window.translating(), kOfflineTimeoutMs);
        QCOMPARE(window.host.scripted.count(), 1);
        const ScriptedPrompts::Call& call = window.host.scripted.last();
        QCOMPARE(call.kind, Prompts::Kind::Warning);
        for (const char* named : {"English to German", "eng-spa", "TranslationEngine",
                                  "libretranslate", "apertium-fr-es"}) {
            QVERIFY2(call.text.contains(named), qPrintable(named + (": " + call.text)));
        }
        QCOMPARE(window.translated()->toPlainText(), "earlier translation");
        QCOMPARE(window.status(0), "Ready");
    }

    void offlinePageTranslation() {
        // A Latin-1 page with a relative link and image, as a server sends it,
        // reached through a redirection.
        const auto pages = LoopbackHttpServer::serveMap(
            {{"/docs/page.html",
              "<html><head><title>The house</title></head><body><p>The cat is black, said "
              "Zo\xeb.</p><a href=\"next.html\">Next page</a>"
              "<img src=\"pic.png\" alt=\"A dog\"></body></html>"}},
            "text/html; charset=iso-8859-1");
        LoopbackHttpServer server;
        QVERIFY(server.start([pages](const LoopbackHttpServer::Request& request) {
            if (request.target == "/moved")
                return LoopbackHttpServer::Response{
                    301, "Moved Permanently", {{"Location", "/docs/page.html"}}, {}, 0};
            return pages(request);
        }));
        const QString typed = server.url("/moved");
        Window window;
        window.source()->setPlainText("first line");
        window.pairs()->setCurrentIndex(13);
        window.addresses()->setEditText(typed);
        window.trigger("TBXTranslatePage");
        QTRY_VERIFY_WITH_TIMEOUT(!window.translating(), kOfflineTimeoutMs);
        QCOMPARE(window.host.scripted.count(), 0);
        QCOMPARE(window.host.pages.size(), 1);
        const RecordingToolHost::Page& shown = window.host.pages[0];
        // Shown where it was found, so that its relative addresses lead there.
        QCOMPARE(shown.baseAddress, server.url("/docs/page.html"));
        QCOMPARE(shown.caption, "Web Translation");
        QCOMPARE(shown.image, 3);
        for (const QString& part :
             {QString("<title>La casa</title>"), QString("El gato es negro, dicho Zo\u00eb."),
              QString("<a href=\"next.html\">"), QString("src=\"pic.png\"")}) {
            QVERIFY2(shown.html.contains(part), qPrintable(part + " in " + shown.html));
        }
        QCOMPARE(window.source()->toPlainText(), "first line\n" + typed);
        QCOMPARE(window.addresses()->itemText(0), typed);
        QVERIFY(window.host.browsed.isEmpty());

        window.addresses()->setEditText(server.url("/docs/missing.html"));
        window.trigger("TBXTranslatePage");
        QTRY_COMPARE_WITH_TIMEOUT(window.host.scripted.count(), 1, kOfflineTimeoutMs);
        QCOMPARE(window.host.scripted.last().kind, Prompts::Kind::Error);
        QVERIFY2(window.host.scripted.last().text.contains("could not be fetched"),
                 qPrintable(window.host.scripted.last().text));
        QCOMPARE(window.host.pages.size(), 1);
    }

    void libreTranslateServer() {
        LoopbackHttpServer server;
        QVERIFY(server.start([](const LoopbackHttpServer::Request& request) {
            LoopbackHttpServer::Response response;
            response.headers = {{"Content-Type", "application/json"}};
            if (request.target == "/languages") {
                response.body = R"([{"code":"en","name":"English","targets":["es"]},)"
                                R"({"code":"es","name":"Spanish","targets":["en"]}])";
            } else if (request.body.contains("refuse")) {
                response.status = 403;
                response.reason = "Forbidden";
                response.body = R"({"error":"Visit the portal to get an API key"})";
            } else {
                response.body = "{\"translatedText\":\"Hola\\nmundo \u00bd\"}";
            }
            return response;
        }));
        ServiceAddress::set("LibreTranslate", server.url());
        storeEngine("libretranslate", "secret");
        Window window;
        QCOMPARE(window.status(2), "Engine: LibreTranslate at " + server.url());
        window.source()->setPlainText("Hello\nworld \u00bd");
        window.pairs()->setCurrentIndex(13);
        window.trigger("TBXTranslate");
        QTRY_VERIFY(!window.translating());
        QCOMPARE(window.translated()->toPlainText(), "Hola\nmundo \u00bd");
        QCOMPARE(window.status(2), "Translated by LibreTranslate at " + server.url());
        auto requests = server.requests();
        QCOMPARE(requests.size(), 2);
        QCOMPARE(requests[0].method + " " + requests[0].target, "GET /languages");
        QCOMPARE(requests[1].method + " " + requests[1].target, "POST /translate");
        QCOMPARE(requests[1].headers.value("content-type"), "application/json");
        QCOMPARE(QJsonDocument::fromJson(requests[1].body).object(),
                 (QJsonObject{{"q", "Hello\nworld \u00bd"},
                              {"source", "en"},
                              {"target", "es"},
                              {"format", "text"},
                              {"api_key", "secret"}}));

        // A pair the server lacks: told so, the text not sent.
        window.pairs()->setCurrentIndex(5);  // English to French
        window.trigger("TBXTranslate");
        QTRY_VERIFY(!window.translating());
        QCOMPARE(window.host.scripted.count(), 1);
        QCOMPARE(window.host.scripted.last().kind, Prompts::Kind::Warning);
        QVERIFY(window.host.scripted.last().text.contains("English to French"));
        requests = server.requests();
        QCOMPARE(requests.size(), 3);
        QCOMPARE(requests[2].target, "/languages");

        // The server's own refusal reaches the error box.
        window.pairs()->setCurrentIndex(13);
        window.source()->setPlainText("refuse");
        window.trigger("TBXTranslate");
        QCOMPARE(window.host.scripted.count(), 2);
        QCOMPARE(window.host.scripted.last().kind, Prompts::Kind::Error);
        QVERIFY2(window.host.scripted.last().text.contains("Visit the portal to get an API key"),
                 qPrintable(window.host.scripted.last().text));
        QCOMPARE(window.translated()->toPlainText(), "Hola\nmundo \u00bd");
    }
};

CORVANTA_TEST_MAIN(TranslatorTests)
#include "tst_translator.moc"
