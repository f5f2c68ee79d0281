#include <QtTest>

#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>
#include <QWebEnginePage>

#include "BrowserHost.h"
#include "RecordingShellLauncher.h"
#include "Registry.h"
#include "ScriptedPrompts.h"
#include "SuiteToolWindows.h"
#include "TaskBar.h"
#include "TestEnvironment.h"
#include "ToolWindow.h"
#include "fmBrowser.h"
#include "fmMain.h"

// The frame over the suite's real tool windows, where one window's question
// and another's page run at the same time.
namespace {

// Prompts whose questions stay open while `whileAsking` runs, as a real box
// runs events until it is answered.
class AskingPrompts : public ScriptedPrompts {
public:
    std::function<void()> whileAsking;
    Button message(Kind kind, const QString& caption, const QString& text,
                   Buttons buttons) override {
        if (kind == Kind::Question && whileAsking)
            std::exchange(whileAsking, {})();
        return ScriptedPrompts::message(kind, caption, text, buttons);
    }
};

}  // namespace

class SuiteFrameTests : public QObject {
    Q_OBJECT
private slots:
    void init() { TestEnvironment::wipeUserFiles(); }

    void aPageClosesItsWindowWhileTheEditorAsks_data();
    void aPageClosesItsWindowWhileTheEditorAsks();
};

void SuiteFrameTests::aPageClosesItsWindowWhileTheEditorAsks_data() {
    QTest::addColumn<bool>("exit");  // else "Close All"
    // Exit asks from the top window down, Close All from the bottom up: the
    // Editor asks first either way, with the browser still to be asked.
    QTest::newRow("Exit") << true;
    QTest::newRow("Close All") << false;
}

void SuiteFrameTests::aPageClosesItsWindowWhileTheEditorAsks() {
    QFETCH(bool, exit);
    AskingPrompts prompts;
    SuiteToolWindows tools;
    RecordingShellLauncher shell;
    auto frame = std::make_unique<TfrmMain>(prompts, tools, shell, [] { return true; });
    frame->show();
    QVERIFY(QTest::qWaitFor([&] { return frame->startedUp(); }));
    // The first run's browser, then an Editor with a changed text.
    QPointer<ToolWindow> browser = frame->activeToolWindow();
    auto* page = qobject_cast<TbrowserFrm*>(browser.data());
    QVERIFY(page);
    QVERIFY(QTest::qWaitFor([&] { return !page->browser()->busy(); }, 60000));
    frame->openInEditor("a changed text", false);
    if (!exit) {
        for (QMdiSubWindow* sub : frame->mdiArea()->subWindowList()) {
            if (sub->widget() == browser)
                frame->mdiArea()->setActiveSubWindow(sub);
        }
    }
    QCOMPARE(frame->toolWindowAt(exit ? 1 : 0), browser.data());

    bool closedItself = false;
    prompts.whileAsking = [&] {
        page->browser()->page()->runJavaScript(QStringLiteral("window.close()"));
        closedItself = QTest::qWaitFor([&] { return browser.isNull(); }, 30000);
    };
    if (exit) {
        QVERIFY(frame->close());
    } else {
        frame->TBXCloseAllClick();
    }
    QVERIFY2(closedItself, "the page did not close its window");
    QCOMPARE(prompts.countOf(Prompts::Kind::Question), 1);
    QCOMPARE(prompts.last().text, QString("The text was changed, do you want to save it?"));
    if (exit) {
        // Stored as open at exit: the Editor only.
        frame.reset();
        Registry registry;
        QVERIFY(registry.openKey(TfrmMain::kMainKey, false));
        QCOMPARE(registry.readString("Editor"), QString("1"));
        QVERIFY(!registry.valueExists("Web Browser"));
    } else {
        QTRY_COMPARE(frame->toolWindowCount(), 0);
        QCOMPARE(frame->taskBar()->taskCount(), 0);
    }
}

CORVANTA_TEST_MAIN(SuiteFrameTests)
#include "tst_suite_frame.moc"
