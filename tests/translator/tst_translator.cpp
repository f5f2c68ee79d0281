#include <QAction>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <atomic>
#include <memory>

#include "LanguagePairs.h"
#include "LoopbackHttpServer.h"
#include "PageTranslation.h"
#include "RecordingToolHost.h"
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
        return child<QLabel>(panel == 0 ? "StatusPanel0" : "StatusPanel1")->text();
    }
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
};

CORVANTA_TEST_MAIN(TranslatorTests)
#include "tst_translator.moc"
