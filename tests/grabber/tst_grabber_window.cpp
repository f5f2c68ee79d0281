#include <QAction>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QtTest>

#include <memory>

#include "GrabberLog.h"
#include "GrabberProgressList.h"
#include "GrabberSettings.h"
#include "LoopbackHttpServer.h"
#include "NginxFixture.h"
#include "RecordingToolHost.h"
#include "Registry.h"
#include "TestEnvironment.h"
#include "fmGrabber.h"
#include "fmUtils.h"

namespace {

const QStringList kFreshLog{
    "To grab a web site please, select your prefered options and press Grab.",
    "You can save the log after the grab is done.", " "};

// One grabber window with its recording host, shown.
struct Window {
    RecordingToolHost host;
    std::unique_ptr<TGrabberFrm> frame;

    Window() : frame(std::make_unique<TGrabberFrm>(host)) {
        frame->resize(1200, 600);
        frame->show();
    }
    template <typename T>
    T* child(const char* name) const {
        T* found = frame->findChild<T*>(QString::fromLatin1(name));
        if (!found)
            qFatal("no child %s", name);
        return found;
    }
    QAction* action(const char* name) const { return child<QAction>(name); }
    QStringList log() const { return frame->log()->lines(); }
    bool waitIdle(int ms = 60000) {
        return QTest::qWaitFor([this] { return !frame->grabber().isBusy(); }, ms);
    }
    // Types the address, sets the folder and depth, presses "Grab".
    void grab(const QString& address, const QString& folder, int depth) {
        frame->rootUrlBox()->setEditText(address);
        frame->targetDirBox()->setText(folder);
        frame->levelBox()->setValue(depth);
        action("TBXGrab")->trigger();
    }
    QStringList rowTexts(int column) const {
        QStringList texts;
        for (int i = 0; i < frame->transferList()->topLevelItemCount(); ++i)
            texts << frame->transferList()->topLevelItem(i)->text(column);
        return texts;
    }
};

}  // namespace

class GrabberWindowTests : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init() { TestEnvironment::wipeUserFiles(); }

    void freshWindow();
    void grabLogsAndLists_data();
    void grabLogsAndLists();
    void refusalsKeepTheHistory();
    void failedAddressIsNoDownload();
    void hostilePagesEndOnlyTheirOwnLinks();
    void stopAndTheCloseRule();
    void progressCellIsDrawn();
    void settingsRoundTrip();
    void unreadableSettingStopsTheReading();
    void politenessGoesToTheGrab();
    void savingTheLog();
    void browseAndExplore();
    void multipartQuestion();
    void logLinksOpenBrowsers();

private:
    QString folder(const QString& name) { return m_work.path() + "/" + name; }
    QTemporaryDir m_work;
    NginxFixture m_nginx;
};

void GrabberWindowTests::initTestCase() {
    QVERIFY(m_work.isValid());
    QVERIFY2(m_nginx.start(), qPrintable(m_nginx.errorText()));
    QVERIFY(m_nginx.writeFile("index.html",
                              "<a href=\"a.html\">a</a><img src=\"big.gif\">"
                              "<a href=\"gone.html\">gone</a>"));
    QVERIFY(m_nginx.writeFile("a.html", "<a href=\"b.html\">b</a>"));
    QVERIFY(m_nginx.writeFile("b.html", "b"));
    QVERIFY(m_nginx.writeFile("big.gif", "GIF89a" + QByteArray(200000, 'x')));
}

void GrabberWindowTests::freshWindow() {
    Window window;
    QCOMPARE(window.frame->windowTitle(), QString("Grab A Web Site"));
    for (const char* caption :
         {"Grab All", "Grab Images", "Grab Audio and Video", "Grab Data", "Grab Frames",
          "Make Browsable", "Replace Existing", "Multipart Downloading"})
        QVERIFY2(window.frame->option(caption) && window.frame->option(caption)->isChecked(),
                 caption);
    QCOMPARE(window.log(), kFreshLog);
    QCOMPARE(window.frame->levelBox()->value(), 3);
    QCOMPARE(window.frame->levelBox()->minimum(), 1);
    QCOMPARE(window.frame->levelBox()->maximum(), 15);
    QCOMPARE(window.frame->statusText(0), QString("Ready"));
    QCOMPARE(window.frame->statusText(1), QString("Grab Depth: 3 Folders."));
    window.frame->levelBox()->setValue(7);
    QCOMPARE(window.frame->statusText(1), QString("Grab Depth: 7 Folders."));
    QVERIFY(window.action("TBXGrab")->isVisible());
    QVERIFY(!window.action("TBXStop")->isVisible());
    QTreeWidget* list = window.frame->transferList();
    QCOMPARE(list->headerItem()->text(0), QString("URL/File"));
    QCOMPARE(list->headerItem()->text(5), QString("Progress"));
    QCOMPARE(list->headerItem()->text(7), QString("Status"));
    QCOMPARE(list->header()->sectionSize(5), 90);
}

void GrabberWindowTests::grabLogsAndLists_data() {
    QTest::addColumn<QStringList>("unchecked");
    QTest::addColumn<QStringList>("optionLines");
    QTest::newRow("all options")
        << QStringList{}
        << QStringList{"* Grab All",       "* Grab Images", "* Grab Audio And Video", "* Grab Data",
                       "* Make Browseble", "* Grab Frames", "* Replace Existing"};
    QTest::newRow("some options") << QStringList{"Grab All", "Grab Data", "Replace Existing",
                                                 "Multipart Downloading"}
                                  << QStringList{"* Grab Images", "* Grab Audio And Video",
                                                 "* Make Browseble", "* Grab Frames"};
}

void GrabberWindowTests::grabLogsAndLists() {
    QFETCH(QStringList, unchecked);
    QFETCH(QStringList, optionLines);
    Window window;
    window.host.scripted.answerButton(Prompts::Ok);  // unchecking "Multipart Downloading"
    for (const QString& caption : unchecked)
        window.frame->option(caption)->setChecked(false);
    const QString target = folder(QTest::currentDataTag());
    window.frame->grabber().downloader().settings().tryCount = 1;
    window.grab(m_nginx.url("/"), target, 2);
    QVERIFY2(window.frame->statusText(0).startsWith("Grabbing... 0 of 1 files, "),
             qPrintable(window.frame->statusText(0)));
    QVERIFY(window.action("TBXStop")->isVisible() && !window.action("TBXGrab")->isVisible());
    QVERIFY(!window.frame->rootUrlBox()->isEnabled() && !window.frame->targetDirBox()->isEnabled());
    QVERIFY(!window.action("TBXBrowse")->isEnabled());
    QVERIFY(window.waitIdle());

    QStringList expected{"Corvanta Grab A Web Site Log: ", "",
                         "The grab settings: ", "* Address: " + m_nginx.url("/")};
    expected << optionLines
             << QStringList{"* Grabbing Folders Depth:2", "* The Files Are Save To : " + target,
                            "----------------------------------------------",
                            "----Please Wait until we will download the pages---"};
    const QStringList log = window.log();
    QCOMPARE(log.mid(0, expected.size()), expected);
    QStringList downloaded = log.mid(expected.size()).filter("Downloaded ");
    downloaded.sort();
    QCOMPARE(downloaded,
             (QStringList{"Downloaded " + m_nginx.url("/"), "Downloaded " + m_nginx.url("/a.html"),
                          "Downloaded " + m_nginx.url("/big.gif")}));
    QVERIFY(log.contains("Error on address " + m_nginx.url("/gone.html")));
    QCOMPARE(window.frame->grabber().grabOptions().testFlag(gaGrabAll),
             !unchecked.contains("Grab All"));
    QCOMPARE(window.frame->grabber().doNotGetResourceInfo(),
             unchecked.contains("Multipart Downloading"));

    QCOMPARE(window.frame->statusText(0), QString("Ready"));
    QVERIFY(window.action("TBXGrab")->isVisible() && !window.action("TBXStop")->isVisible());
    QVERIFY(window.frame->rootUrlBox()->isEnabled());
    QStringList captions = window.rowTexts(GrabberProgressList::UrlColumn);
    captions.sort();
    QCOMPARE(captions, (QStringList{"Undefined", "a.html", "big.gif"}));
    QCOMPARE(window.rowTexts(GrabberProgressList::StatusColumn),
             (QStringList{"Done", "Done", "Done"}));
    QVERIFY(window.rowTexts(GrabberProgressList::FileSizeColumn).contains("195.32 Kb"));
    QVERIFY(QFileInfo(target + "/big.gif").isFile());
}

void GrabberWindowTests::refusalsKeepTheHistory() {
    LoopbackHttpServer slow;
    QVERIFY(slow.start([](const LoopbackHttpServer::Request&) {
        return LoopbackHttpServer::Response{200, "OK", {{"Content-Type", "text/html"}}, "x", 600};
    }));
    Window window;
    ScriptedPrompts& prompts = window.host.scripted;
    window.frame->rootUrlBox()->setEditText(QString());
    window.action("TBXGrab")->trigger();
    QCOMPARE(prompts.last().kind, Prompts::Kind::TimedMessage);
    QCOMPARE(prompts.last().caption, QString("Corvanta Help Message"));
    QCOMPARE(prompts.last().text, QString("Please Enter a valid internet address"));
    QCOMPARE(prompts.last().extra, QString("1000"));
    QCOMPARE(window.frame->rootUrlBox()->count(), 0);

    window.grab(slow.url("/"), folder("refusals"), 1);
    // A second press only tells, but the address joins the history again.
    window.frame->handOffAddress(slow.url("/"));
    QCOMPARE(prompts.last().text,
             QString("Corvanta is already grabbing.\n\rYou have to press stop before you can "
                     "change something."));
    QCOMPARE(prompts.last().extra, QString("2000"));
    QCOMPARE(window.frame->rootUrlBox()->count(), 2);
    QVERIFY(window.waitIdle());
}

void GrabberWindowTests::failedAddressIsNoDownload() {
    Window window;
    window.frame->grabber().downloader().settings().tryCount = 1;
    window.grab(m_nginx.url("/missing.html"), folder("missing"), 1);
    QVERIFY(window.waitIdle());
    QVERIFY(window.log().contains("Error on address " + m_nginx.url("/missing.html")));
    QVERIFY(window.log().filter("Downloaded").isEmpty());
    QCOMPARE(window.frame->transferList()->topLevelItemCount(), 0);
}

void GrabberWindowTests::hostilePagesEndOnlyTheirOwnLinks() {
    // Pages of megabytes of nested tags: the parser would overflow its
    // stack freeing them and take quadratic time building them. The grab
    // leaves their links, says so, and goes on with the rest.
    QVERIFY(m_nginx.writeFile("hostile/index.html",
                              "<a href=\"spans.html\">s</a><a href=\"divs.html\">d</a>"
                              "<a href=\"fine.html\">f</a>"));
    QVERIFY(m_nginx.writeFile("hostile/spans.html",
                              QByteArray("<span>").repeated(500000) + "<a href=\"after.html\">"));
    QVERIFY(m_nginx.writeFile("hostile/divs.html",
                              QByteArray("<div>").repeated(600000) + "<a href=\"after.html\">"));
    QVERIFY(m_nginx.writeFile("hostile/fine.html", "<a href=\"next.html\">n</a>"));
    QVERIFY(m_nginx.writeFile("hostile/next.html", "next"));
    QVERIFY(m_nginx.writeFile("hostile/after.html", "after"));
    Window window;
    const QString target = folder("hostile");
    window.grab(m_nginx.url("/hostile/index.html"), target, 3);
    QVERIFY(window.waitIdle());
    const QStringList log = window.log();
    for (const char* page : {"spans.html", "divs.html"})
        QVERIFY2(log.contains("Links not followed in " + m_nginx.url("/hostile/") + page +
                              ": its elements nest deeper than 512 levels"),
                 qPrintable(log.join('\n')));
    QVERIFY(QFileInfo(target + "/hostile/spans.html").size() > 3000000);
    QVERIFY(QFileInfo(target + "/hostile/next.html").isFile());
    QVERIFY(!QFileInfo::exists(target + "/hostile/after.html"));
    QCOMPARE(window.frame->statusText(0), QString("Ready"));
}

void GrabberWindowTests::stopAndTheCloseRule() {
    LoopbackHttpServer slow;
    QVERIFY(slow.start([](const LoopbackHttpServer::Request&) {
        return LoopbackHttpServer::Response{200, "OK", {{"Content-Type", "text/html"}}, "x", 3000};
    }));
    Window window;
    window.grab(slow.url("/"), folder("stopped"), 2);
    QVERIFY(!window.frame->queryClose());
    QCOMPARE(window.host.scripted.last().text,
             QString("You Can not close the application in the middle of grabbing.\n\rPlease "
                     "press the Stop button to cancel the grabbing process."));
    window.action("TBXStop")->trigger();
    QCOMPARE(window.frame->statusText(0), QString("User request to stop the process."));
    QVERIFY(!window.frame->grabber().isGrabbing());
    const QStringList log = window.log();
    QCOMPARE(log.mid(log.size() - 4),
             (QStringList{
                 "", "User request to stop the process.",
                 "Wait untill Corvanta will finish extracting the files from the memory...", ""}));
    window.frame->log()->showPending();
    QVERIFY(window.frame->log()->toHtml().contains("#ff0000"));
    QCOMPARE(window.frame->log()->lineColour(), QColor(0, 0, 128));
    QVERIFY(window.waitIdle(10000));
    QCOMPARE(window.frame->statusText(0), QString("Ready"));
    QVERIFY(window.frame->queryClose());
    window.host.addTask(window.frame.get(), "Web Site Grabber", 0);
    window.action("TBXExit")->trigger();
    QCOMPARE(window.host.removed, QList<ToolWindow*>{window.frame.get()});
    QVERIFY(!window.frame->isVisible());
}

void GrabberWindowTests::progressCellIsDrawn() {
    Window window;
    window.grab(m_nginx.url("/big.gif"), folder("cell"), 1);
    QVERIFY(window.waitIdle());
    GrabberProgressList* list = window.frame->transferList();
    QCOMPARE(list->topLevelItemCount(), 1);
    const QRect cell = list->visualItemRect(list->topLevelItem(0))
                           .intersected(QRect(list->header()->sectionViewportPosition(5), 0,
                                              list->header()->sectionSize(5), 10000));
    const QImage image = list->viewport()->grab(cell).toImage();
    QVERIFY(image.height() >= 8);
    // Done: the total bar green in the top quarter, the parts blue below, all across.
    QCOMPARE(QColor(image.pixel(2, 0)), QColor(0, 128, 0));
    QCOMPARE(QColor(image.pixel(image.width() - 3, image.height() - 2)), QColor(0, 0, 255));
    QCOMPARE(QColor(image.pixel(2, image.height() / 2)), QColor(0, 0, 255));
}

void GrabberWindowTests::settingsRoundTrip() {
    {
        Window window;
        window.frame->option("Grab Images")->setChecked(false);
        window.frame->option("Replace Existing")->setChecked(false);
        window.frame->levelBox()->setValue(5);
        window.action("TBXIgnoreRobots")->setChecked(true);
        window.child<QSpinBox>("TBXConnections")->setValue(2);
        window.child<QSpinBox>("TBXDelay")->setValue(1500);
        for (int i = 0; i < 10; ++i)
            window.frame->rootUrlBox()->addItem(QStringLiteral("http://site%1.example/").arg(i));
    }
    {
        Registry registry;
        QVERIFY(registry.openKey(GrabberSettings::kKey, false));
        QCOMPARE(registry.readString("9"), QString("http://site9.example/"));
        QCOMPARE(registry.readInteger("GrabDepth"), 5);
        QVERIFY(!registry.readBool("GrabImages"));
        QVERIFY(registry.readBool("GrabFrames"));
        QVERIFY(registry.readBool("IgnoreRobots"));
        QCOMPARE(registry.readInteger("ConnectionsPerHost"), 2);
        QCOMPARE(registry.readInteger("RequestDelay"), 1500);
    }
    Window window;
    QVERIFY(!window.frame->option("Grab Images")->isChecked());
    QVERIFY(!window.frame->option("Replace Existing")->isChecked());
    QVERIFY(window.frame->option("Grab All")->isChecked());
    QCOMPARE(window.frame->levelBox()->value(), 5);
    QVERIFY(window.action("TBXIgnoreRobots")->isChecked());
    QCOMPARE(window.child<QSpinBox>("TBXConnections")->value(), 2);
    QCOMPARE(window.child<QSpinBox>("TBXDelay")->value(), 1500);
    // The controls in the Options menu are found by their names.
    QCOMPARE(window.child<QSpinBox>("TBXConnections")->accessibleName(),
             QString("Connections per host"));
    QCOMPARE(window.child<QSpinBox>("TBXDelay")->accessibleName(),
             QString("Delay between requests"));
    // The eight oldest entries come back; the box shows the first.
    QCOMPARE(window.frame->rootUrlBox()->count(), 8);
    QCOMPARE(window.frame->rootUrlBox()->currentText(), QString("http://site0.example/"));
    QCOMPARE(window.host.scripted.count(), 0);  // no question while reading
}

void GrabberWindowTests::politenessGoesToTheGrab() {
    // A store written before the politeness values existed, or with one out
    // of range: the others come back, the defaults or the bounds stand in.
    {
        Registry registry;
        QVERIFY(registry.openKey(GrabberSettings::kKey, true));
        registry.writeInteger("ConnectionsPerHost", 99);
        registry.writeString("RequestDelay", "soon");
    }
    Window window;
    QCOMPARE(window.child<QSpinBox>("TBXConnections")->value(), 16);
    QCOMPARE(window.child<QSpinBox>("TBXDelay")->value(), 0);
    QVERIFY(!window.action("TBXIgnoreRobots")->isChecked());
    window.action("TBXIgnoreRobots")->setChecked(true);
    window.child<QSpinBox>("TBXConnections")->setValue(3);
    window.child<QSpinBox>("TBXDelay")->setValue(100);
    window.grab(m_nginx.url("/b.html"), folder("polite"), 1);
    QVERIFY(window.waitIdle());
    const GrabPoliteness politeness = window.frame->grabber().politeness();
    QVERIFY(!politeness.obeyRobots);
    QCOMPARE(politeness.connectionsPerHost, 3);
    QCOMPARE(politeness.delayMs, 100);
    QVERIFY(window.log().contains("* Ignore robots.txt"));
}

void GrabberWindowTests::unreadableSettingStopsTheReading() {
    {
        Registry registry;
        QVERIFY(registry.openKey(GrabberSettings::kKey, true));
        registry.writeBool("GrabAll", false);
        registry.writeString("GrabImages", "not a number");
        registry.writeBool("GrabData", false);
        registry.writeInteger("GrabDepth", 9);
        registry.writeString("0", "http://kept.example/");
    }
    Window window;
    QVERIFY(!window.frame->option("Grab All")->isChecked());
    QVERIFY(window.frame->option("Grab Images")->isChecked());
    QVERIFY(window.frame->option("Grab Data")->isChecked());
    QCOMPARE(window.frame->levelBox()->value(), 3);
    QCOMPARE(window.frame->rootUrlBox()->count(), 0);
}

void GrabberWindowTests::savingTheLog() {
    Window window;
    ScriptedPrompts& prompts = window.host.scripted;
    const QString target = folder("logs");
    QDir().mkpath(target);
    window.frame->targetDirBox()->setText(target);
    window.frame->rootUrlBox()->setEditText("http://www.example.com/a?b");
    prompts.answer(target + "/grab");
    window.action("TBXItem1")->trigger();
    const ScriptedPrompts::Call& save = prompts.calls()[0];
    QCOMPARE(save.kind, Prompts::Kind::SaveFile);
    QCOMPARE(save.caption, QString("Corvanta Grabber Save as a text or a word file"));
    QCOMPARE(save.text, target + "/CorvantaGrabberLog_http___www.example.com_a_b");
    QCOMPARE(save.extra, QString("Text file (*.txt);;Word file (*.doc)"));
    QCOMPARE(prompts.last().text, QString("The file was saved."));
    QFile file(target + "/grab.txt");
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(QString::fromUtf8(file.readAll()), kFreshLog.join('\n') + '\n');

    window.action("TBXItem1")->trigger();
    QCOMPARE(prompts.last().text, QString("Save file procedure was cancelled."));
}

void GrabberWindowTests::browseAndExplore() {
    Window window;
    ScriptedPrompts& prompts = window.host.scripted;
    const QString start = folder("browse-start");
    const QString chosen = folder("browse-chosen");
    QDir().mkpath(start);
    window.frame->targetDirBox()->setText(start);
    FolderBrowseRequest shown;
    prompts.folderScript = [&](const FolderBrowseRequest& request, ScriptedPrompts::Browser& dialog,
                               const QVariant& answer) -> std::optional<QString> {
        shown = request;
        if (answer.isNull())
            return std::nullopt;
        dialog.setSelection(answer.toString());
        return answer.toString();
    };
    prompts.answer(chosen);
    window.action("TBXBrowse")->trigger();
    QCOMPARE(window.frame->targetDirBox()->text(), chosen);
    const ScriptedPrompts::Call& call = prompts.calls()[0];
    QCOMPARE(call.kind, Prompts::Kind::Folder);
    QCOMPARE(call.text, start);
    QCOMPARE(call.caption, call.extra);  // the window caption is the label's
    // The old style: the picker's own "New folder" button, a field, validation.
    QVERIFY(!shown.newFolderCaption.isEmpty() && !shown.systemNewFolder);
    QVERIFY(shown.editBox && shown.validate && shown.showStatus);
    window.action("TBXBrowse")->trigger();
    QCOMPARE(prompts.last().text, QString("You did not select a folder!"));
    QCOMPARE(window.frame->targetDirBox()->text(), chosen);

    window.action("TBXExplorer")->trigger();
    QCOMPARE(window.host.explored, QStringList{chosen});
}

void GrabberWindowTests::multipartQuestion() {
    Window window;
    ScriptedPrompts& prompts = window.host.scripted;
    QAction* multipart = window.frame->option("Multipart Downloading");
    prompts.answerButton(Prompts::Cancel);
    multipart->setChecked(false);
    QCOMPARE(prompts.last().kind, Prompts::Kind::Error);
    QCOMPARE(prompts.last().text, QString("Are you sure? It will disable the visual progressbar!"));
    QCOMPARE(prompts.last().buttons, Prompts::Ok | Prompts::Cancel);
    QVERIFY(multipart->isChecked());
    prompts.answerButton(Prompts::Ok);
    multipart->setChecked(false);
    QVERIFY(!multipart->isChecked());
    multipart->setChecked(true);
    QCOMPARE(prompts.count(), 2);
}

void GrabberWindowTests::logLinksOpenBrowsers() {
    Window window;
    window.frame->log()->addLine("Downloaded http://www.example.com/a.html and www.example.org");
    QTRY_VERIFY(window.frame->log()->toPlainText().contains("www.example.org"));
    const QString html = window.frame->log()->toHtml();
    QVERIFY(html.count("<a href=") >= 2);
    emit window.frame->log()->anchorClicked(QUrl("0"));
    emit window.frame->log()->anchorClicked(QUrl("1"));
    QCOMPARE(window.host.browsed.size(), 2);
    QCOMPARE(window.host.browsed[0].address, QString("http://www.example.com/a.html"));
    QCOMPARE(window.host.browsed[1].address, QString("www.example.org"));
    QCOMPARE(window.host.browsed[0].caption, QString());
}

CORVANTA_TEST_MAIN(GrabberWindowTests)
#include "tst_grabber_window.moc"
