#include <QtTest>

#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QToolButton>

#include "Paths.h"
#include "ScriptedPrompts.h"
#include "ServiceAddress.h"
#include "TclWebUpdate.h"
#include "TestEnvironment.h"
#include "TfrmUpdateInfo.h"
#include "UpdateCheck.h"
#include "UpdateServer.h"
#include "UpdateStatusBar.h"

namespace {

QByteArray readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

bool writeFile(const QString& path, const QByteArray& content) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(content) == content.size();
}

// Answers every update information dialog as the user would, by its buttons,
// and keeps what the last one showed.
class DialogAnswerer : public QObject {
public:
    bool update = true;
    int seen = 0;
    QString sentence, author, product, email, updates;
    Qt::TextFormat sentenceFormat = Qt::AutoText;
    QString caption;
    QSize size;

    DialogAnswerer() {
        connect(&m_timer, &QTimer::timeout, this, [this] {
            auto* dialog = qobject_cast<TfrmUpdateInfo*>(QApplication::activeModalWidget());
            if (!dialog || !dialog->isVisible())
                return;
            ++seen;
            caption = dialog->windowTitle();
            size = dialog->size();
            sentence = dialog->lblInfo->text();
            sentenceFormat = dialog->lblInfo->textFormat();
            author = dialog->edtAuthor->text();
            product = dialog->edtProduct->text();
            email = dialog->edtEmail->text();
            updates = dialog->memUpdates->toPlainText();
            (update ? dialog->btnUpdate : dialog->btnCancel)->click();
        });
        m_timer.start(20);
    }

private:
    QTimer m_timer;
};

// What the frame gives its update check: a window with the status bar and the
// release label, and the prompts.
struct Frame {
    ScriptedPrompts prompts;
    QMainWindow window;
    UpdateStatusBar* bar = new UpdateStatusBar(&window);
    QLabel* label = new QLabel(&window);
    std::unique_ptr<UpdateCheck> check;

    explicit Frame(const UpdateServer& server) {
        window.setStatusBar(bar);
        window.setMenuWidget(label);
        check = std::make_unique<UpdateCheck>(prompts, *bar, *label, &window, server.publicKey());
        TransferSettings& settings = check->clWebUpdate().downloaderSettings();
        settings.certificateAuthorities = server.certificateFile();
        settings.tryCount = 1;
        settings.reconnectAfter = 50;
        window.resize(700, 300);
        window.show();
        check->frameShown();
    }

    TclWebUpdate& engine() { return check->clWebUpdate(); }
    QString status() const { return bar->status->text(); }
    bool checkEnds() {
        return QTest::qWaitFor([this] { return !engine().isBusy(); }, 60000);
    }
};

}  // namespace

class UpdateCheckTests : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();

    void progressReport_data();
    void progressReport();
    void statusTipsNeverCoverThePanels();
    void unreachableServerLeavesOneLineAndNoBox();
    void noUpdatesIsSilentOnceThenSaid();
    void dialogShowsWhatWillRunAsPlainText();
    void serverTextInTheStatusIsPlain();
    void cancelThenResumeAsksAgainAndContinues();
    void releaseCheck_data();
    void releaseCheck();

private:
    UpdateServer m_server;
};

void UpdateCheckTests::initTestCase() {
    QVERIFY2(m_server.start(), qPrintable(m_server.errorText()));
    m_server.trustInQt();
    QVERIFY(m_server.publishFile("files/one.bin", "update file"));
}

void UpdateCheckTests::init() {
    TestEnvironment::wipeUserFiles();
    ServiceAddress::set(ServiceAddress::kUpdateServerName, m_server.url());
}

void UpdateCheckTests::progressReport_data() {
    QTest::addColumn<int>("updateNo");
    QTest::addColumn<qint64>("downloaded");
    QTest::addColumn<qint64>("total");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("value");
    QTest::addColumn<bool>("shown");
    QTest::newRow("nothing yet") << 0 << qint64(0) << qint64(0)
                                 << "Downloading 1 update: 0 % completed..." << 1 << false;
    QTest::newRow("a quarter") << 1 << qint64(512) << qint64(2048)
                               << "Downloading 2 update: 25 % completed..." << 25 << true;
    QTest::newRow("no total") << 0 << qint64(5) << qint64(0)
                              << "Downloading 1 update: 0 % completed..." << 1 << false;
    QTest::newRow("beyond 32 bits")
        << 2 << qint64(3) * 1024 * 1024 * 1024 << qint64(4) * 1024 * 1024 * 1024
        << "Downloading 3 update: 75 % completed..." << 75 << true;
}

void UpdateCheckTests::progressReport() {
    QFETCH(int, updateNo);
    QFETCH(qint64, downloaded);
    QFETCH(qint64, total);
    QFETCH(QString, text);
    QFETCH(int, value);
    QFETCH(bool, shown);
    Frame frame(m_server);
    emit frame.engine().OnDownloadProgress(updateNo, downloaded, total);
    QCOMPARE(frame.status(), text);
    QCOMPARE(frame.bar->pbUpgreder->value(), value);
    QCOMPARE(!frame.bar->pbUpgreder->isHidden(), shown);
}

void UpdateCheckTests::statusTipsNeverCoverThePanels() {
    Frame frame(m_server);
    frame.check->DoClUpdate();
    QStatusTipEvent tip("Corvanta - Web Application");
    QApplication::sendEvent(&frame.window, &tip);
    QCOMPARE(frame.bar->currentMessage(), QString());
    QVERIFY(frame.bar->status->isVisible());
    QVERIFY(frame.bar->TBXCancel->isVisible());
}

void UpdateCheckTests::unreachableServerLeavesOneLineAndNoBox() {
    TestEnvironment::wipeUserFiles();  // the test run's closed loopback port
    Frame frame(m_server);
    QVERIFY(frame.bar->isHidden());
    frame.check->DoClUpdate();
    QVERIFY(!frame.bar->isHidden());
    QCOMPARE(frame.status(), "Checking for new updates...");
    QVERIFY(frame.checkEnds());
    QVERIFY2(frame.status().startsWith("Can not download data from the web! \"") &&
                 frame.status().endsWith("\" error occured."),
             qPrintable(frame.status()));
    QVERIFY(!frame.bar->isHidden());
    QCOMPARE(frame.prompts.count(), 0);
}

void UpdateCheckTests::noUpdatesIsSilentOnceThenSaid() {
    QVERIFY(m_server.publishList(QString()));
    Frame frame(m_server);
    frame.check->DoClUpdate();
    QVERIFY(frame.checkEnds());
    QVERIFY(frame.bar->isHidden());
    QCOMPARE(frame.prompts.count(), 0);
    QVERIFY(!frame.check->quietNoUpdates());

    frame.check->DoClUpdate();
    QVERIFY(!frame.bar->isHidden());
    QVERIFY(frame.checkEnds());
    QCOMPARE(frame.prompts.count(), 1);
    QCOMPARE(frame.prompts.last().kind, Prompts::Kind::Plain);
    QCOMPARE(frame.prompts.last().text, "There are no new updates available.");
    QCOMPARE(frame.status(), "There are no new updates available.");
    QVERIFY(frame.bar->isHidden());
    QVERIFY(frame.bar->pbUpgreder->isHidden());
}

void UpdateCheckTests::dialogShowsWhatWillRunAsPlainText() {
    // A version that is markup: shown as the characters it is.
    const QString version = "1.0<a href='file:///etc'>x</a>";
    QVERIFY(m_server.publishList(
        UpdateServer::entry(version.toHtmlEscaped(), m_server.url("/files/one.bin"),
                            "cp \"$(update)/one.bin\" \"$(update)/copy.bin\"\necho second",
                            UpdateServer::digestOf("update file"))));
    Frame frame(m_server);
    DialogAnswerer answerer;
    answerer.update = false;
    frame.check->DoClUpdate();
    QVERIFY(frame.checkEnds());

    QCOMPARE(answerer.seen, 1);
    QCOMPARE(answerer.caption, "Update Info");
    QCOMPARE(answerer.size, QSize(375, 249));
    QCOMPARE(answerer.sentence, "The system detected that you are using version '', but version '" +
                                    version + "' is available for downloading from the web at " +
                                    ServiceAddress::projectSite() + ".");
    QCOMPARE(answerer.sentenceFormat, Qt::PlainText);
    QCOMPARE(answerer.product, "Corvanta :  Main Application Update");
    QVERIFY(!answerer.author.contains("safe"));
    QVERIFY(!answerer.email.isEmpty());
    const QString folder = Paths::writableProgramFile("webupdate");
    QCOMPARE(answerer.updates,
             "Version: " + version + ", Size: 1 KB, URL: " + m_server.url("/files/one.bin") +
                 "\n\nCommands that will run as your user:\nUpdate " + version + ":\n    cp \"" +
                 folder + "/one.bin\" \"" + folder + "/copy.bin\"\n    echo second");
    QVERIFY(!QFile::exists(folder + "/one.bin"));  // "Do Not Update"
    QCOMPARE(frame.prompts.count(), 0);
}

void UpdateCheckTests::serverTextInTheStatusIsPlain() {
    Frame frame(m_server);
    emit frame.engine().OnError("<a href=\"file:///etc\">open</a>", -1);
    QCOMPARE(frame.bar->status->textFormat(), Qt::PlainText);
    const QString tip = frame.bar->status->toolTip();
    QVERIFY2(!tip.contains("<a "), qPrintable(tip));
    QVERIFY2(tip.contains("&lt;a href"), qPrintable(tip));
}

void UpdateCheckTests::cancelThenResumeAsksAgainAndContinues() {
    const QByteArray big(1024 * 1024, 'b');
    QVERIFY(m_server.publishFile("slow/big.bin", big));
    QVERIFY(m_server.publishList(UpdateServer::entry("1.0", m_server.url("/slow/big.bin"),
                                                     "echo done > \"$(update)/ran.txt\"",
                                                     UpdateServer::digestOf(big))));
    Frame frame(m_server);
    DialogAnswerer answerer;
    frame.check->DoClUpdate();
    QVERIFY(QTest::qWaitFor([&] { return frame.bar->pbUpgreder->value() >= 10; }, 30000));
    QVERIFY(frame.status().startsWith("Downloading 1 update: "));

    frame.bar->TBXCancel->click();
    QVERIFY(!frame.bar->TBXResume->isHidden());
    QVERIFY(frame.bar->TBXCancel->isHidden());
    QVERIFY(frame.bar->pbUpgreder->isHidden());
    QVERIFY(!frame.engine().isBusy());

    frame.bar->TBXResume->click();
    QVERIFY(frame.bar->TBXResume->isHidden());
    QVERIFY(!frame.bar->TBXCancel->isHidden());
    QVERIFY(frame.checkEnds());
    QCOMPARE(answerer.seen, 2);
    QCOMPARE(readFile(Paths::writableProgramFile("webupdate/ran.txt")), QByteArray("done\n"));
    QCOMPARE(frame.prompts.count(), 0);
}

void UpdateCheckTests::releaseCheck_data() {
    QTest::addColumn<QByteArray>("published");
    QTest::addColumn<QByteArray>("stale");
    QTest::addColumn<QString>("label");
    const QString newer = QString(20, ' ') + "A new release is avaiable!" + QString(21, ' ');
    QTest::newRow("newer release")
        << QByteArray("[Corvanta]\r\nVersion=9\r\n") << QByteArray() << newer;
    QTest::newRow("this release") << QByteArray("[Corvanta]\nVersion=8\n") << QByteArray()
                                  << QString(19, ' ') + "You are running the latests release." +
                                         QString(8, ' ');
    QTest::newRow("fetch fails") << QByteArray() << QByteArray()
                                 << QString(20, ' ') +
                                        "An error ocurred while contacting the site for update." +
                                        QString(10, ' ');
    QTest::newRow("fetch fails, stale file read as fresh")
        << QByteArray() << QByteArray("[Corvanta]\nVersion=12\n") << newer;
}

void UpdateCheckTests::releaseCheck() {
    QFETCH(QByteArray, published);
    QFETCH(QByteArray, stale);
    QFETCH(QString, label);
    const QString base =
        "/release-" + QString::fromLatin1(QTest::currentDataTag()).replace(' ', '-');
    if (!published.isEmpty())
        QVERIFY(m_server.publishFile(base + "/Update.config", published));
    ServiceAddress::set(ServiceAddress::kUpdateServerName, m_server.url(base));
    if (!stale.isEmpty())
        QVERIFY(writeFile(UpdateCheck::releaseFilePath(), stale));
    Frame frame(m_server);
    QCOMPARE(frame.label->text(), QString(54, ' ') + "Applications:");
    frame.check->DoCheck4Updates();
    QCOMPARE(frame.label->text(), label);
    if (!published.isEmpty())
        QCOMPARE(readFile(UpdateCheck::releaseFilePath()), published);
}

CORVANTA_TEST_MAIN(UpdateCheckTests)
#include "tst_update_check.moc"
