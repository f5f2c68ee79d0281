#include <QtTest>

#include <QComboBox>
#include <QContextMenuEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QToolButton>

#include "FramePlacement.h"
#include "FrameSession.h"
#include "ImageStrip.h"
#include "Launchers.h"
#include "Paths.h"
#include "Registry.h"
#include "ScriptedPrompts.h"
#include "ServiceAddress.h"
#include "TaskBar.h"
#include "TclWebUpdate.h"
#include "TestEnvironment.h"
#include "Themes.h"
#include "ToolWindow.h"
#include "ToolWindowFactory.h"
#include "UpdateCheck.h"
#include "UpdateServer.h"
#include "UpdateStatusBar.h"
#include "fmMain.h"

namespace {

QString readMainText(const QString& name) {
    Registry registry;
    if (!registry.openKey(TfrmMain::kMainKey, false))
        return "<no key>";
    return registry.valueExists(name) ? registry.readString(name) : "<absent>";
}

qint32 readMainInteger(const QString& name) {
    Registry registry;
    registry.openKey(TfrmMain::kMainKey, false);
    return registry.readInteger(name);
}

void writeMainInteger(const QString& name, int value) {
    Registry registry;
    registry.openKey(TfrmMain::kMainKey, true);
    registry.writeInteger(name, value);
}

void deleteMainValue(const QString& name) {
    Registry registry;
    registry.openKey(TfrmMain::kMainKey, true);
    registry.deleteValue(name);
}

// Opens the Window menu as a click on its title does; its list fills itself.
QMenu* openWindowMenu(TfrmMain& frame) {
    QMenuBar* bar = frame.menuBar();
    for (QAction* title : bar->actions()) {
        if (title->text() != "Window")
            continue;
        QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(title).center());
        if (!QTest::qWaitFor([title] { return title->menu()->isVisible(); }))
            return nullptr;
        return title->menu();
    }
    return nullptr;
}

void clickItem(QMenu* menu, QAction* item) {
    QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(item).center());
}

// Stores the settings an ordinary earlier exit leaves behind.
void storeCompleteSettings() {
    Session session;
    session.start();
    QVERIFY(session.exit());
}

}  // namespace

class FrameTests : public QObject {
    Q_OBJECT
private slots:
    void init() {
        TestEnvironment::wipeUserFiles();
        qApp->setStyleSheet(QString());
    }

    void firstRunOpensOneBrowserWithTheFallbackCaption();
    void notConnectedWarnsAndGoesOn();
    void exitStoresOpenKindsAndNextStartReopensThemInOrder();
    void exitStoresKindsNotCaptionsAndDropsOldCaptionValues();
    void placementThemeAndTaskBarAreRestored();
    void placementOffEveryScreen_data();
    void placementOffEveryScreen();
    void storedPlacementOffScreenOpensOnScreen();
    void windowStateIsRestored_data();
    void windowStateIsRestored();
    void themeOutOfRangeAppliesNothingAndGoesOn();
    void missingAutoUpdateStillRestoresThenFallsBack();
    void aRefusingWindowCancelsExitAndNothingIsWritten();
    void exitRemovesTheWorkingFiles();
    void updateCheckAtStart_data();
    void updateCheckAtStart();
    void restoreAllDefaultSettings_data();
    void restoreAllDefaultSettings();
    void corruptStoreIsReportedOnceAndStartsAfresh();
    void taskBarCaptionRule_data();
    void taskBarCaptionRule();
    void taskBarTicksTheActiveWindow();
    void clickingTheButtonOfAMinimizedWindowMaximizesIt();
    void taskBarMenuOnlyOverButtonsAndClosesTheActiveWindow();
    void hidingAndShowingTheTaskBar();
    void maximizeAllTogglesTheFrame();
    void closeAllLeavesARefusingWindowOpen();
    void tilingLeavesMinimizedWindowsAlone_data();
    void tilingLeavesMinimizedWindowsAlone();
    void windowMenuListsWindows();
    void activatingAMinimizedWindowAnyWayRestoresIt();
    void toolBarsHaveNoMenuToHideThem();
    void navToFavOpensABrowserOnTheFileWithoutHistory();
    void imageStripIsCutWithMagentaTransparent();
    void browserHandOffsAndTheProjectSite();
    void startArguments_data();
    void startArguments();
    void startTargetsOpenAfterStartUpAndBringTheFrameBack();
};

void FrameTests::firstRunOpensOneBrowserWithTheFallbackCaption() {
    Session session;
    TfrmMain& frame = session.start();
    QCOMPARE(session.tools.created, QList<ToolKind>{ToolKind::WebBrowser});
    QCOMPARE(frame.caption(), QString("Corvanta     0.08   Beta"));
    QCOMPARE(frame.themeSelector()->currentIndex(), -1);
    QCOMPARE(frame.themeSelector()->placeholderText(), QString("Themes"));
    QCOMPARE(frame.themeSelector()->count(), 4);
    QVERIFY(!frame.taskBar()->isHidden());
    QVERIFY(!frame.checkUpdatesOnStartup());
    QVERIFY(frame.mailClient().isEmpty());  // no BrowserSettings key yet
    QCOMPARE(frame.size(), QSize(824, 543));
    QCOMPARE(session.prompts.count(), 0);
    Registry registry;
    QVERIFY(registry.keyExists(TfrmMain::kMainKey));
}

void FrameTests::notConnectedWarnsAndGoesOn() {
    Session session;
    session.connected = false;
    session.start();
    QCOMPARE(session.prompts.count(), 1);
    QCOMPARE(session.prompts.last().kind, Prompts::Kind::Warning);
    QCOMPARE(session.prompts.last().text,
             QString("It looks like you are not connected to the internet!"));
    QCOMPARE(session.prompts.last().buttons, Prompts::Ok | Prompts::Cancel);
    QCOMPARE(session.tools.created.size(), 1);  // start-up went on
}

void FrameTests::exitStoresOpenKindsAndNextStartReopensThemInOrder() {
    {
        Session session;
        TfrmMain& frame = session.start();  // opens one browser (first run)
        frame.DoShowWebBrowser();
        frame.DoShowEditor();
        QVERIFY(session.exit());
    }
    QCOMPARE(readMainText("Editor"), QString("1"));
    QCOMPARE(readMainText("Web Browser"), QString("1"));
    for (const char* other : {"FTP Client", "Net Translator", "Network Tools", "Web Site Grabber"})
        QCOMPARE(readMainText(other), QString("<absent>"));
    QCOMPARE(readMainInteger("Corvanta_Version"), 8);

    Session next;
    TfrmMain& frame = next.start();
    QCOMPARE(next.tools.created, (QList<ToolKind>{ToolKind::Editor, ToolKind::WebBrowser}));
    QCOMPARE(frame.activeToolWindow()->kind(), ToolKind::WebBrowser);
    QCOMPARE(frame.caption(), QString("Corvanta"));           // no fallback this time
    QCOMPARE(frame.mailClient(), QString("OutlookExpress"));  // stored empty, read as default
}

void FrameTests::exitStoresKindsNotCaptionsAndDropsOldCaptionValues() {
    {
        Registry registry;
        registry.openKey(TfrmMain::kMainKey, true);
        registry.writeString("/home/someone/left by an older run.txt", "1");
    }
    storeCompleteSettings();
    {
        Session session;
        TfrmMain& frame = session.start();
        // An Editor showing a file and a browser under a caption of its own.
        frame.OpenToolWindow(ToolKind::Editor)->setWindowTitle("/home/someone/notes.txt");
        frame.browseUrl("http://127.0.0.1:9/", ToolHost::History::Record, "Translated Page", 3);
        QVERIFY(session.exit());
    }
    QCOMPARE(readMainText("Editor"), QString("1"));
    QCOMPARE(readMainText("Web Browser"), QString("1"));
    Registry registry;
    QVERIFY(registry.openKey(TfrmMain::kMainKey, false));
    QStringList texts;
    for (const QString& name : registry.getValueNames()) {
        if (registry.valueType(name) == Registry::ValueType::Text)
            texts.append(name);
    }
    QCOMPARE(texts, (QStringList{"Editor", "Web Browser"}));

    Session next;
    next.start();
    QCOMPARE(next.tools.created, (QList<ToolKind>{ToolKind::Editor, ToolKind::WebBrowser}));
}

void FrameTests::placementOffEveryScreen_data() {
    QTest::addColumn<QRect>("stored");
    QTest::addColumn<QRect>("expected");
    const QRect left(0, 0, 1920, 1080);
    const QRect right(1920, 0, 1280, 1024);
    QTest::newRow("on the first screen") << QRect(100, 100, 800, 600) << QRect(100, 100, 800, 600);
    QTest::newRow("on the second screen") << QRect(2000, 50, 800, 600) << QRect(2000, 50, 800, 600);
    QTest::newRow("across both") << QRect(1500, 50, 800, 600) << QRect(1500, 50, 800, 600);
    QTest::newRow("mostly off, a corner shown")
        << QRect(-700, -500, 800, 600) << QRect(-700, -500, 800, 600);
    QTest::newRow("a sliver too small to take")
        << QRect(-790, 100, 800, 600) << QRect(0, 0, 800, 600);
    QTest::newRow("beyond the right screen") << QRect(3300, 100, 800, 600) << QRect(0, 0, 800, 600);
    QTest::newRow("larger than the screen, far away")
        << QRect(-9000, -9000, 2500, 1500) << QRect(0, 0, 1920, 1080);
}

void FrameTests::placementOffEveryScreen() {
    QFETCH(QRect, stored);
    const QList<QRect> screens{QRect(0, 0, 1920, 1080), QRect(1920, 0, 1280, 1024)};
    QTEST(FramePlacement::onScreen(stored, screens, screens.first()), "expected");
}

void FrameTests::storedPlacementOffScreenOpensOnScreen() {
    storeCompleteSettings();
    writeMainInteger("Form_Left", -20000);
    writeMainInteger("Form_Top", -20000);
    writeMainInteger("Form_Width", 500);
    writeMainInteger("Form_Height", 400);
    Session session;
    TfrmMain& frame = session.start();
    const QRect screen = QApplication::primaryScreen()->availableGeometry();
    QCOMPARE(frame.size(), QSize(500, 400));
    QVERIFY(screen.contains(frame.geometry()));
}

void FrameTests::placementThemeAndTaskBarAreRestored() {
    {
        Session session;
        TfrmMain& frame = session.start();
        frame.setGeometry(40, 60, 700, 500);
        // Down from the placeholder: Default, Aluminum, OfficeXP.
        QComboBox* themes = frame.themeSelector();
        themes->setFocus();
        for (int i = 0; i < 3; ++i)
            QTest::keyClick(themes, Qt::Key_Down);
        QCOMPARE(themes->currentText(), QString("OfficeXP"));
        QCOMPARE(qApp->styleSheet(), Themes::styleSheet("OfficeXP"));
        frame.TBXHideTaskBarClick();
        QVERIFY(session.exit());
    }
    QCOMPARE(readMainInteger("Form_Theme"), 2);
    QCOMPARE(readMainInteger("HideTheTaskbar"), 0);
    qApp->setStyleSheet(QString());

    Session next;
    TfrmMain& frame = next.start();
    QCOMPARE(frame.geometry(), QRect(40, 60, 700, 500));
    QCOMPARE(frame.themeSelector()->currentIndex(), 2);
    QCOMPARE(frame.themeSelector()->currentText(), QString("OfficeXP"));
    QCOMPARE(qApp->styleSheet(), Themes::styleSheet("OfficeXP"));
    QVERIFY(frame.taskBar()->isHidden());
}

void FrameTests::windowStateIsRestored_data() {
    QTest::addColumn<int>("stored");
    QTest::addColumn<int>("expected");  // Qt::WindowStates
    QTest::newRow("1 maximizes") << 1 << int(Qt::WindowMaximized);
    QTest::newRow("2 minimizes") << 2 << int(Qt::WindowMinimized);
    QTest::newRow("3 normal") << 3 << int(Qt::WindowNoState);
    QTest::newRow("0 ignored") << 0 << int(Qt::WindowNoState);
    QTest::newRow("4 ignored") << 4 << int(Qt::WindowNoState);
}

void FrameTests::windowStateIsRestored() {
    QFETCH(int, stored);
    QFETCH(int, expected);
    storeCompleteSettings();
    writeMainInteger("Window_State", stored);
    Session session;
    TfrmMain& frame = session.start();
    QCOMPARE(int(frame.windowState() & (Qt::WindowMaximized | Qt::WindowMinimized)), expected);
    QCOMPARE(frame.caption(), QString("Corvanta"));
}

void FrameTests::themeOutOfRangeAppliesNothingAndGoesOn() {
    storeCompleteSettings();
    writeMainInteger("Form_Theme", 7);
    writeMainInteger("HideTheTaskbar", 0);
    Session session;
    TfrmMain& frame = session.start();
    QCOMPARE(frame.themeSelector()->currentIndex(), -1);
    QVERIFY(qApp->styleSheet().isEmpty());
    QVERIFY(frame.taskBar()->isHidden());  // reading went on past the theme
    QCOMPARE(frame.caption(), QString("Corvanta"));
}

void FrameTests::missingAutoUpdateStillRestoresThenFallsBack() {
    {
        Session session;
        session.start().DoShowEditor();
        QVERIFY(session.exit());
    }
    deleteMainValue("AutoUpdate");
    Session session;
    TfrmMain& frame = session.start();
    // Editor and browser restored, then the fallback's browser on top.
    QCOMPARE(session.tools.created,
             (QList<ToolKind>{ToolKind::Editor, ToolKind::WebBrowser, ToolKind::WebBrowser}));
    QCOMPARE(frame.caption(), QString("Corvanta     0.08   Beta"));
    QVERIFY(!frame.checkUpdatesOnStartup());
}

void FrameTests::aRefusingWindowCancelsExitAndNothingIsWritten() {
    storeCompleteSettings();
    writeMainInteger("Form_Left", 1234);
    Session session;
    session.tools.refusing.insert(ToolKind::NetworkTools);
    TfrmMain& frame = session.start();
    frame.DoShowNetTools();
    frame.DoShowEditor();
    QVERIFY(!session.exit());
    QCOMPARE(frame.toolWindowCount(), 3);
    QCOMPARE(readMainInteger("Form_Left"), 1234);
    QCOMPARE(readMainText("Network Tools"), QString("<absent>"));
}

void FrameTests::exitRemovesTheWorkingFiles() {
    const QStringList names{"myip.txt", "Update.config", "UpdateC.config"};
    for (const QString& name : names) {
        QFile file(Paths::writableProgramFile(name));
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
    Session session;
    session.start();
    QVERIFY(session.exit());
    for (const QString& name : names)
        QVERIFY2(!QFile::exists(Paths::writableProgramFile(name)), qPrintable(name));
}

void FrameTests::updateCheckAtStart_data() {
    QTest::addColumn<bool>("autoUpdate");
    QTest::addColumn<bool>("server");
    QTest::newRow("not ticked") << false << false;
    QTest::newRow("ticked, no server reachable") << true << false;
    QTest::newRow("ticked, nothing new") << true << true;
}

void FrameTests::updateCheckAtStart() {
    QFETCH(bool, autoUpdate);
    QFETCH(bool, server);
    storeCompleteSettings();
    {
        Registry registry;
        registry.openKey(TfrmMain::kMainKey, true);
        registry.writeBool("AutoUpdate", autoUpdate);
    }
    UpdateServer updateServer;
    if (server) {
        QVERIFY2(updateServer.start(), qPrintable(updateServer.errorText()));
        QVERIFY(updateServer.publishList(QString()));
        ServiceAddress::set(ServiceAddress::kUpdateServerName, updateServer.url());
    }
    Session session;
    session.updateKey = updateServer.publicKey();
    session.beforeShow = [&](TfrmMain& frame) {
        TransferSettings& settings = frame.updateCheck()->clWebUpdate().downloaderSettings();
        settings.tryCount = 1;
        settings.certificateAuthorities = updateServer.certificateFile();
    };
    TfrmMain& frame = session.start();
    auto* bar = qobject_cast<UpdateStatusBar*>(frame.statusBar());
    QVERIFY(bar);
    QCOMPARE(frame.checkUpdatesOnStartup(), autoUpdate);
    QCOMPARE(bar->isHidden(), !autoUpdate);
    if (autoUpdate) {
        QVERIFY(QTest::qWaitFor([&] { return !frame.updateCheck()->clWebUpdate().isBusy(); }));
        // No server: one line in the status bar. Nothing new: the bar goes.
        QCOMPARE(bar->isHidden(), server);
        if (!server)
            QVERIFY2(bar->status->text().startsWith("Can not download data from the web! "),
                     qPrintable(bar->status->text()));
    }
    QCOMPARE(session.prompts.count(), 0);

    QAction* item = nullptr;
    for (QAction* menu : frame.menuBar()->actions()) {
        if (menu->text() == "Help")
            item = menu->menu()->actions().last();
    }
    QVERIFY(item && item->isEnabled());
    QCOMPARE(item->text(), QString("Check For Updates"));
    item->trigger();
    QVERIFY(!bar->isHidden());
    QCOMPARE(bar->status->text(), QString("Checking for new updates..."));
}

void FrameTests::restoreAllDefaultSettings_data() {
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("ownAddresses");  // service overrides and typed addresses stored
    QTest::newRow("OK deletes the tree") << int(Prompts::Ok) << false;
    QTest::newRow("Cancel keeps it") << int(Prompts::Cancel) << false;
    QTest::newRow("OK keeps the user's own addresses") << int(Prompts::Ok) << true;
}

void FrameTests::restoreAllDefaultSettings() {
    QFETCH(int, answer);
    QFETCH(bool, ownAddresses);
    storeCompleteSettings();
    {
        Registry registry;
        registry.openKey("\\Software\\Corvanta\\Editor", true);
        registry.writeString("MRUFile1", "/tmp/x");
        if (ownAddresses) {
            registry.openKey("\\Software\\Corvanta\\TypedURLs", true);
            registry.writeString("url1", "http://127.0.0.1:9/typed/");
        }
    }
    if (ownAddresses)
        ServiceAddress::set("TranslationServer", "http://127.0.0.1:9/translate/");
    Session session;
    TfrmMain& frame = session.start();
    session.prompts.answerButton(Prompts::Button(answer));
    QAction* restore = nullptr;
    for (QAction* entry : frame.menuBar()->actions().first()->menu()->actions())
        restore = entry->text() == "Restore All Default Settings" ? entry : restore;
    QVERIFY(restore);
    restore->trigger();
    QCOMPARE(session.prompts.last().kind, Prompts::Kind::Error);
    QCOMPARE(session.prompts.last().text, QString("Are You Sure??"));
    QCOMPARE(session.prompts.last().buttons, Prompts::Ok | Prompts::Cancel);
    const bool restored = answer == Prompts::Ok;
    Registry registry;
    QCOMPARE(registry.keyExists("\\Software\\Corvanta"), !restored || ownAddresses);
    QCOMPARE(registry.keyExists("\\Software\\Corvanta\\Editor"), !restored);
    QCOMPARE(registry.keyExists(TfrmMain::kMainKey), !restored);
    if (ownAddresses) {
        QCOMPARE(ServiceAddress::get("TranslationServer", "http://127.0.0.1:9/default/"),
                 QString("http://127.0.0.1:9/translate/"));
        QVERIFY(registry.openKey("\\Software\\Corvanta\\TypedURLs", false));
        QCOMPARE(registry.readString("url1"), QString("http://127.0.0.1:9/typed/"));
    }
    if (restored) {
        // The running frame writes its own values again at exit, nothing else.
        frame.OpenToolWindow(ToolKind::Editor);
        QVERIFY(session.exit());
        QVERIFY(registry.openKey("\\Software\\Corvanta", false));
        QStringList keys = registry.getKeyNames();
        keys.sort();
        QStringList expected{"BrowserSettings", "MainPlatform"};
        if (ownAddresses)
            expected << "Services"
                     << "TypedURLs";
        QCOMPARE(keys, expected);
        QVERIFY(registry.openKey(TfrmMain::kBrowserSettingsKey, false));
        QCOMPARE(registry.getValueNames(), QStringList{"MailClient"});
    }
}

void FrameTests::corruptStoreIsReportedOnceAndStartsAfresh() {
    storeCompleteSettings();
    const QString store = Registry::defaultDatabaseFile();
    QFile::remove(store + "-wal");
    QFile::remove(store + "-shm");
    {
        QFile file(store);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(QByteArray("garbage, not settings\n").repeated(100));
    }
    {
        Session session;
        TfrmMain& frame = session.start();
        QCOMPARE(session.prompts.countOf(Prompts::Kind::Warning), 1);
        QVERIFY(session.prompts.last().text.contains(store + ".corrupt-"));
        QCOMPARE(frame.caption(), QString("Corvanta     0.08   Beta"));  // as a first run
        QVERIFY(session.exit());
    }
    Session again;
    again.start();
    QCOMPARE(again.prompts.count(), 0);
    QCOMPARE(QDir(QFileInfo(store).path()).entryList({"registry.db.corrupt-*"}).size(), 1);
}

void FrameTests::taskBarCaptionRule_data() {
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QString>("hint");
    QTest::newRow("FTP Client") << "FTP Client"
                                << "FTP Client"
                                << "";
    QTest::newRow("Editor") << "Editor"
                            << "Editor"
                            << "";
    QTest::newRow("twelve") << "Web Browser!"
                            << "Web Browser!"
                            << "";
    QTest::newRow("Net Translator") << "Net Translator"
                                    << "Net Translat..."
                                    << "Net Translator";
    QTest::newRow("Network Tools") << "Network Tools"
                                   << "Network Tool..."
                                   << "Network Tools";
    QTest::newRow("Web Site Grabber") << "Web Site Grabber"
                                      << "Web Site Gra..."
                                      << "Web Site Grabber";
}

void FrameTests::taskBarCaptionRule() {
    QFETCH(QString, caption);
    QFETCH(QString, shown);
    QFETCH(QString, hint);
    QCOMPARE(TTBXTaskBar::buttonCaption(caption), shown);
    QCOMPARE(TTBXTaskBar::buttonHint(caption), hint);
}

void FrameTests::taskBarTicksTheActiveWindow() {
    storeCompleteSettings();
    Session session;
    TfrmMain& frame = session.start();  // the browser restored
    ToolWindow* first = frame.OpenToolWindow(ToolKind::Editor);
    frame.OpenToolWindow(ToolKind::Editor);
    ToolWindow* third = frame.OpenToolWindow(ToolKind::NetworkTools);
    QCOMPARE(frame.taskBar()->taskCount(), 4);
    QCOMPARE(first->windowTitle(), QString("Editor"));
    QCOMPARE(frame.taskBar()->buttonOf(third)->text(), QString("Network Tool..."));
    QCOMPARE(frame.taskBar()->buttonOf(third)->toolTip(), QString("Network Tools"));
    QCOMPARE(frame.taskBar()->toolButtonOf(third)->text(), QString("Network Tool..."));
    QVERIFY(frame.taskBar()->buttonOf(third)->isChecked());
    // Activated by other means (a click inside it): its button is ticked.
    frame.mdiArea()->setActiveSubWindow(qobject_cast<QMdiSubWindow*>(first->parentWidget()));
    QVERIFY(frame.taskBar()->buttonOf(first)->isChecked());
    QVERIFY(!frame.taskBar()->buttonOf(third)->isChecked());
    // Closing removes the button.
    QVERIFY(first->parentWidget()->close());
    QTRY_COMPARE(frame.taskBar()->taskCount(), 3);
    // A tool that closes itself leaves no empty frame behind.
    QVERIFY(third->close());
    QTRY_COMPARE(frame.toolWindowCount(), 2);
    QCOMPARE(frame.taskBar()->taskCount(), 2);
}

void FrameTests::clickingTheButtonOfAMinimizedWindowMaximizesIt() {
    Session session;
    TfrmMain& frame = session.start();
    ToolWindow* browser = frame.activeToolWindow();
    auto* browserSub = qobject_cast<QMdiSubWindow*>(browser->parentWidget());
    browserSub->showMinimized();
    QVERIFY(browserSub->isMinimized());
    ToolWindow* editor = frame.OpenToolWindow(ToolKind::Editor);
    frame.taskBar()->buttonOf(browser)->trigger();
    QVERIFY(browserSub->isMaximized());
    QCOMPARE(frame.activeToolWindow(), browser);
    QVERIFY(frame.taskBar()->buttonOf(browser)->isChecked());
    QVERIFY(!frame.taskBar()->buttonOf(editor)->isChecked());
}

void FrameTests::taskBarMenuOnlyOverButtonsAndClosesTheActiveWindow() {
    Session session;
    TfrmMain& frame = session.start();
    ToolWindow* browser = frame.activeToolWindow();
    ToolWindow* editor = frame.OpenToolWindow(ToolKind::Editor);
    frame.fillTaskBarMenu(false);
    QVERIFY(frame.sharedPopupMenu()->isEmpty());
    frame.fillTaskBarMenu(true);
    QStringList captions;
    for (QAction* action : frame.sharedPopupMenu()->actions())
        captions << (action->isSeparator() ? "-" : action->text());
    QCOMPARE(captions, (QStringList{"Close The Window", "Close All The Windows", "Hide The TaskBar",
                                    "-", "Open The Web Browser", "Open The Web Grabber",
                                    "Open The Editor", "Open The FTP Client", "Open The Net Tools",
                                    "Open The Net Translator", "-"}));
    // Right click over the browser's (inactive) button, then "Close The Window":
    // the active window, the editor, closes.
    QToolButton* browserButton = frame.taskBar()->toolButtonOf(browser);
    QVERIFY(browserButton);
    QTRY_COMPARE(frame.taskBar()->windowAt(browserButton->geometry().center()), browser);
    QTest::mouseClick(browserButton, Qt::RightButton);
    QCOMPARE(frame.activeToolWindow(), editor);
    QCOMPARE(frame.sharedPopupMenu()->actions().size(), 11);
    frame.sharedPopupMenu()->actions().first()->trigger();
    QTRY_COMPARE(frame.toolWindowCount(), 1);
    QCOMPARE(frame.toolWindowAt(0), browser);
}

void FrameTests::hidingAndShowingTheTaskBar() {
    Session session;
    TfrmMain& frame = session.start();
    frame.fillTaskBarMenu(true);
    frame.sharedPopupMenu()->actions().at(2)->trigger();  // "Hide The TaskBar"
    QVERIFY(frame.taskBar()->isHidden());
    QCOMPARE(frame.taskBarViewItem()->text(), QString("Show The TaskBar"));
    QVERIFY(frame.taskBarViewItem()->isChecked());
    frame.taskBarViewItem()->trigger();
    QVERIFY(!frame.taskBar()->isHidden());
    QVERIFY(!frame.taskBarViewItem()->isChecked());
    frame.taskBarViewItem()->trigger();
    QVERIFY(frame.taskBar()->isHidden());
}

void FrameTests::maximizeAllTogglesTheFrame() {
    Session session;
    TfrmMain& frame = session.start();
    QCOMPARE(frame.maximizeItem()->text(), QString("Maximize all"));
    // F11 while typing in a field of a tool window.
    auto* field = new QLineEdit(frame.activeToolWindow());
    frame.activeToolWindow()->setCentralWidget(field);
    frame.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&frame));
    field->setFocus();
    QTRY_VERIFY(field->hasFocus());
    QTest::keyClick(field, Qt::Key_F11);
    QTRY_VERIFY(frame.windowState() & Qt::WindowMaximized);
    QCOMPARE(frame.maximizeItem()->text(), QString("View Normal"));
    QTest::keyClick(field, Qt::Key_F11);
    QTRY_VERIFY(!(frame.windowState() & Qt::WindowMaximized));
    QCOMPARE(frame.maximizeItem()->text(), QString("View Maximize"));
}

void FrameTests::closeAllLeavesARefusingWindowOpen() {
    Session session;
    session.tools.refusing.insert(ToolKind::NetworkTools);
    TfrmMain& frame = session.start();
    frame.DoShowEditor();
    ToolWindow* tools = frame.OpenToolWindow(ToolKind::NetworkTools);
    frame.DoShowTranslator();
    frame.TBXCloseAllClick();
    QTRY_COMPARE(frame.toolWindowCount(), 1);
    QCOMPARE(frame.toolWindowAt(0), tools);
    QCOMPARE(frame.taskBar()->taskCount(), 1);
}

void FrameTests::tilingLeavesMinimizedWindowsAlone_data() {
    QTest::addColumn<QString>("item");
    QTest::addColumn<bool>("sideBySide");
    QTest::newRow("vertically") << "Tile Vertically" << true;
    QTest::newRow("horizontally") << "Tile Horizontaly" << false;
}

void FrameTests::tilingLeavesMinimizedWindowsAlone() {
    QFETCH(QString, item);
    QFETCH(bool, sideBySide);
    Session session;
    TfrmMain& frame = session.start();  // the first run's browser
    frame.DoShowEditor();
    frame.DoShowNetTools();
    QMdiArea* area = frame.mdiArea();
    QMdiSubWindow* minimized = area->activeSubWindow();  // the Network Tools
    minimized->showMinimized();
    QCoreApplication::processEvents();  // the user's next action comes later
    QVERIFY(minimized->isMinimized());
    const QRect icon = minimized->geometry();
    QMenu* menu = openWindowMenu(frame);
    QVERIFY(menu);
    QAction* tile = nullptr;
    for (QAction* entry : menu->actions())
        tile = entry->text() == item ? entry : tile;
    QVERIFY(tile);
    clickItem(menu, tile);

    QVERIFY(minimized->isMinimized());
    QCOMPARE(minimized->geometry(), icon);
    const QList<QMdiSubWindow*> tiled{area->subWindowList().at(0), area->subWindowList().at(1)};
    const QRect viewport = area->viewport()->rect();
    for (QMdiSubWindow* sub : tiled) {
        QVERIFY(!sub->isMinimized() && !sub->isMaximized());
        QVERIFY2(!sub->geometry().intersects(icon), qPrintable(sub->windowTitle()));
        // Half the area each, the other way the whole of it above the icons.
        QCOMPARE(sideBySide ? sub->width() : sub->height(),
                 (sideBySide ? viewport.width() : viewport.height() - icon.height()) / 2);
        QCOMPARE(sideBySide ? sub->height() : sub->width(),
                 sideBySide ? viewport.height() - icon.height() : viewport.width());
    }
    QVERIFY(!tiled[0]->geometry().intersects(tiled[1]->geometry()));
}

void FrameTests::windowMenuListsWindows() {
    Session session;
    TfrmMain& frame = session.start();
    frame.TBXCloseAllClick();
    QTRY_COMPARE(frame.toolWindowCount(), 0);
    QMenu* menu = openWindowMenu(frame);
    QVERIFY(menu);
    QVERIFY(!frame.activeWindowsLabel()->isVisible());
    QVERIFY(frame.windowListItems().isEmpty());
    menu->close();

    frame.DoShowEditor();
    frame.DoShowFTP();
    QVERIFY(openWindowMenu(frame));
    QVERIFY(frame.activeWindowsLabel()->isVisible());
    QCOMPARE(frame.windowListItems().size(), 2);
    QCOMPARE(frame.windowListItems().at(0)->text(), QString("&1 Editor"));
    QCOMPARE(frame.windowListItems().at(1)->text(), QString("&2 FTP Client"));
    QVERIFY(frame.windowListItems().at(1)->isChecked());
    clickItem(menu, frame.windowListItems().at(0));
    QCOMPARE(frame.activeToolWindow()->kind(), ToolKind::Editor);
    QTRY_VERIFY(!menu->isVisible());
}

void FrameTests::activatingAMinimizedWindowAnyWayRestoresIt() {
    Session session;
    TfrmMain& frame = session.start();
    QMdiArea* area = frame.mdiArea();
    ToolWindow* browser = frame.activeToolWindow();
    auto* browserSub = qobject_cast<QMdiSubWindow*>(browser->parentWidget());
    ToolWindow* editor = frame.OpenToolWindow(ToolKind::Editor);
    auto* editorSub = qobject_cast<QMdiSubWindow*>(editor->parentWidget());

    // "Minimize All" leaves every window minimized.
    QMenu* menu = openWindowMenu(frame);
    QVERIFY(menu);
    const QList<QAction*> items = menu->actions();
    const auto minimizeAll = std::find_if(
        items.begin(), items.end(), [](QAction* item) { return item->text() == "Minimize All"; });
    QVERIFY(minimizeAll != items.end());
    clickItem(menu, *minimizeAll);
    QTRY_VERIFY(!menu->isVisible());
    QCoreApplication::processEvents();  // the user's next action comes later
    QVERIFY(browserSub->isMinimized());
    QVERIFY(editorSub->isMinimized());

    // The "Window" menu's list.
    QVERIFY(openWindowMenu(frame));
    QCOMPARE(frame.windowListItems().size(), 2);
    clickItem(menu, frame.windowListItems().at(0));
    QCOMPARE(frame.activeToolWindow(), browser);
    QVERIFY(browserSub->isMaximized());
    QVERIFY(frame.taskBar()->buttonOf(browser)->isChecked());

    // Ctrl+Tab's next window.
    area->activateNextSubWindow();
    QCOMPARE(frame.activeToolWindow(), editor);
    QVERIFY(editorSub->isMaximized());
    QVERIFY(frame.taskBar()->buttonOf(editor)->isChecked());
}

void FrameTests::toolBarsHaveNoMenuToHideThem() {
    Session session;
    TfrmMain& frame = session.start();
    ToolWindow* tool = frame.activeToolWindow();
    auto* toolBar = new QToolBar("Own", tool);
    tool->addToolBar(toolBar);
    for (QWidget* bar :
         QList<QWidget*>{frame.findChild<QToolBar*>("ToolsBar"), frame.taskBar(), toolBar}) {
        QPointer<QWidget> shown;
        // A menu, if one came, runs its own loop: look at it there and close it.
        QTimer::singleShot(0, bar, [&shown] {
            shown = QApplication::activePopupWidget();
            if (shown)
                shown->close();
        });
        QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(2, 2),
                                bar->mapToGlobal(QPoint(2, 2)));
        QApplication::sendEvent(bar, &event);
        QCoreApplication::processEvents();
        QVERIFY2(!shown, qPrintable(bar->objectName()));
    }
    QVERIFY(frame.taskBar()->isVisible());
    QVERIFY(frame.findChild<QToolBar*>("ToolsBar")->isVisible());
}

void FrameTests::navToFavOpensABrowserOnTheFileWithoutHistory() {
    Session session;
    TfrmMain& frame = session.start();
    session.tools.created.clear();
    session.tools.navigated.clear();
    ToolHost& host = frame;
    host.setFavoritesFileToOpen("/home/user/newbook.htm");
    host.DoNavToFav();
    QCOMPARE(session.tools.created, QList<ToolKind>{ToolKind::WebBrowser});
    QCOMPARE(session.tools.navigated, QStringList{"skip:/home/user/newbook.htm"});
    ToolWindow* browser = frame.activeToolWindow();
    QCOMPARE(browser->windowTitle(), QString("Web Browser"));
    QVERIFY(browser->isMaximized());
    QVERIFY(frame.taskBar()->buttonOf(browser));
}

void FrameTests::imageStripIsCutWithMagentaTransparent() {
    QTemporaryDir dir;
    QImage strip(48, 16, QImage::Format_RGB32);
    strip.fill(qRgb(255, 0, 255));
    strip.setPixel(20, 5, qRgb(0, 0, 255));
    const QString file = dir.filePath("strip.bmp");
    QVERIFY(strip.save(file));
    ImageList list(16);
    loadImageStripFile(list, file);
    QCOMPARE(list.count(), 3);
    const QImage second = list.icon(1).pixmap(16, 16).toImage();
    QCOMPARE(qAlpha(second.pixel(0, 0)), 0);
    QCOMPARE(second.pixel(4, 5), qRgb(0, 0, 255));
    loadImageStripFile(list, dir.filePath("missing.bmp"));
    QCOMPARE(list.count(), 3);  // a missing strip changes nothing
}

void FrameTests::browserHandOffsAndTheProjectSite() {
    ServiceAddress::set("ProjectSite", "http://127.0.0.1:9/project/");
    Session session;
    TfrmMain& frame = session.start();  // the first run's browser
    ToolWindow* shown =
        frame.browseHtml("<p>hola</p>", "http://127.0.0.1:9/page.html", "Web Translation", 3);
    QCOMPARE(frame.activeToolWindow(), shown);
    QCOMPARE(shown->kind(), ToolKind::WebBrowser);
    QCOMPARE(shown->windowTitle(), QString("Web Translation"));
    QCOMPARE(session.tools.navigated, QStringList{"html:http://127.0.0.1:9/page.html <p>hola</p>"});
    ServiceAddress::set(Launchers::kDeveloperSiteName, "http://127.0.0.1:9/developer/");
    const QList<QPair<QString, QString>> items{
        {"Visit the developor web site", "http://127.0.0.1:9/developer/"},
        {"Corvanta project page", "http://127.0.0.1:9/project/"}};
    for (const auto& [item, page] : items) {
        QAction* action = nullptr;
        for (QAction* menu : frame.menuBar()->actions()) {
            for (QAction* entry : menu->menu()->actions())
                action = entry->text() == item ? entry : action;
        }
        QVERIFY2(action && action->isEnabled(), qPrintable(item));
        action->trigger();
        QCOMPARE(frame.activeToolWindow()->windowTitle(), QString("Web Browser"));
        QCOMPARE(session.tools.navigated.last(), "record:" + page);
    }
    QCOMPARE(frame.toolWindowCount(), 4);
}

void FrameTests::startArguments_data() {
    QTest::addColumn<QString>("argument");
    QTest::addColumn<QString>("opened");  // kind:target, or "error"
    QTest::newRow("web") << "http://127.0.0.1:8080/a?b=c"
                         << "web:http://127.0.0.1:8080/a?b=c";
    QTest::newRow("https, scheme in capitals") << "HTTPS://example.org/"
                                               << "web:HTTPS://example.org/";
    QTest::newRow("ftp with user") << "ftp://bob@127.0.0.1:2121/pub/"
                                   << "ftp:ftp://bob@127.0.0.1:2121/pub/";
    QTest::newRow("relative file") << "notes.txt"
                                   << "file:@/notes.txt";
    QTest::newRow("file that looks like an address") << "http:x"
                                                     << "file:@/http:x";
    QTest::newRow("file address") << "file://@/notes.txt"
                                  << "file:@/notes.txt";
    QTest::newRow("dotted path") << "./sub/../notes.txt"
                                 << "file:@/notes.txt";
    QTest::newRow("missing file") << "absent.txt"
                                  << "error";
    QTest::newRow("folder") << "sub"
                            << "error";
    QTest::newRow("address without host") << "http://"
                                          << "error";
    QTest::newRow("other scheme") << "mailto:bob@example.org"
                                  << "error";
    QTest::newRow("file address of another host") << "file://otherhost/etc/hostname"
                                                  << "error";
}

void FrameTests::startArguments() {
    QFETCH(QString, argument);
    QFETCH(QString, opened);
    QTemporaryDir folder;
    QVERIFY(QDir(folder.path()).mkpath("sub"));
    for (const char* name : {"notes.txt", "http:x"}) {
        QFile file(folder.filePath(name));
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
    argument.replace('@', folder.path());
    opened.replace('@', folder.path());
    const StartArguments start = readStartArguments({argument}, folder.path());
    if (opened == "error") {
        QVERIFY(start.targets.isEmpty());
        QCOMPARE(start.errors.size(), 1);
        QVERIFY(start.errors.first().startsWith(argument + ": "));
        return;
    }
    QVERIFY2(start.errors.isEmpty(), qPrintable(start.errors.join('\n')));
    QCOMPARE(start.targets.size(), 1);
    const char* kinds[] = {"web", "ftp", "file"};
    QCOMPARE(kinds[int(start.targets[0].kind)] + (":" + start.targets[0].target), opened);
    // Handed over from anywhere, it names the same.
    QCOMPARE(readStartArguments(start.handOverArguments(), "/").targets, start.targets);
}

void FrameTests::startTargetsOpenAfterStartUpAndBringTheFrameBack() {
    Session session;
    const QList<StartTarget> targets{{StartTarget::Kind::Web, "http://127.0.0.1/"},
                                     {StartTarget::Kind::Ftp, "ftp://127.0.0.1/pub"},
                                     {StartTarget::Kind::File, "/tmp/notes.txt"}};
    session.beforeShow = [&](TfrmMain& frame) {
        frame.openStartTargets(targets);
        QVERIFY(session.tools.created.isEmpty());  // not before start-up
    };
    TfrmMain& frame = session.start();
    // The first run's browser, then one window per target in order.
    QCOMPARE(session.tools.created, (QList<ToolKind>{ToolKind::WebBrowser, ToolKind::WebBrowser,
                                                     ToolKind::FtpClient, ToolKind::Editor}));
    QCOMPARE(session.tools.navigated, QStringList{"record:http://127.0.0.1/"});
    QCOMPARE(session.tools.handedOff,
             (QList<QPair<ToolKind, QString>>{{ToolKind::FtpClient, "address:ftp://127.0.0.1/pub"},
                                              {ToolKind::Editor, "file:/tmp/notes.txt"}}));
    QCOMPARE(frame.activeToolWindow()->kind(), ToolKind::Editor);

    // A hand-over to a frame minimized into the tray brings it back.
    frame.showMinimized();
    QTRY_VERIFY(frame.isMinimized() || !frame.isVisible());
    frame.openStartTargets({{StartTarget::Kind::File, "/tmp/other.txt"}});
    QTRY_VERIFY(frame.isVisible() && !frame.isMinimized());
    QCOMPARE(session.tools.handedOff.last().second, QString("file:/tmp/other.txt"));
    // So does a later start with nothing to open.
    frame.showMinimized();
    QTRY_VERIFY(frame.isMinimized() || !frame.isVisible());
    frame.comeForward();
    QTRY_VERIFY(frame.isVisible() && !frame.isMinimized());
}

CORVANTA_TEST_MAIN(FrameTests)
#include "tst_frame.moc"
