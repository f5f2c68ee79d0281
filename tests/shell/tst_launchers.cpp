#include <vector>

#include <QtTest>

#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSystemTrayIcon>
#include <QTabWidget>
#include <QToolButton>

#include "FrameSession.h"
#include "HandOff.h"
#include "ImageStrip.h"
#include "Launchers.h"
#include "RecordingToolHost.h"
#include "Registry.h"
#include "ServiceAddress.h"
#include "TestEnvironment.h"
#include "TrayController.h"
#include "UpdateCheck.h"
#include "fmAbout.h"

namespace {

QStringList captionsOf(const QMenu* menu) {
    QStringList captions;
    for (QAction* action : menu->actions())
        captions << (action->isSeparator() ? "-" : action->text());
    return captions;
}

QMenu* frameMenu(TfrmMain& frame, const QString& title) {
    for (QAction* action : frame.menuBar()->actions()) {
        if (action->text() == title)
            return action->menu();
    }
    return nullptr;
}

QAction* menuAction(const QMenu* menu, const QString& caption) {
    for (QAction* action : menu->actions()) {
        if (action->text() == caption)
            return action;
    }
    return nullptr;
}

// Registered applications of a made-up desktop: programs are scripts in
// bin/, desktop files in applications/. Only these are visible while it lives.
class FixtureDesktop {
public:
    FixtureDesktop() {
        QDir(m_root.path()).mkpath("bin");
        QDir(m_root.path()).mkpath("applications");
        m_path = qgetenv("PATH");
        m_dataDirs = qgetenv("XDG_DATA_DIRS");
        m_configDirs = qgetenv("XDG_CONFIG_DIRS");
        qputenv("PATH", (bin() + ":" + m_path).toUtf8());
        qputenv("XDG_DATA_DIRS", m_root.path().toUtf8());
        qputenv("XDG_CONFIG_DIRS", m_root.filePath("etc").toUtf8());
    }
    ~FixtureDesktop() {
        qputenv("PATH", m_path);
        qputenv("XDG_DATA_DIRS", m_dataDirs);
        qputenv("XDG_CONFIG_DIRS", m_configDirs);
    }
    QString bin() const { return m_root.filePath("bin"); }
    QString program(const QString& name) {
        const QString path = bin() + "/" + name;
        QFile file(path);
        if (file.open(QIODevice::WriteOnly))
            file.write("#!/bin/sh\n");
        file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        return path;
    }
    void application(const QString& id, const QString& body) {
        QFile file(m_root.filePath("applications/" + id + ".desktop"));
        if (file.open(QIODevice::WriteOnly))
            file.write(("[Desktop Entry]\nType=Application\nName=" + id + "\n" + body).toUtf8());
    }

private:
    QTemporaryDir m_root;
    QByteArray m_path;
    QByteArray m_dataDirs;
    QByteArray m_configDirs;
};

// A bare window under a tray controller, with its own hand-off.
struct TrayRig {
    QMainWindow frame;
    ImageList trayImages{16};
    ImageList menuImages{24};
    QMenu popup;
    RecordingToolHost host;
    StandInTools tools;
    std::vector<std::unique_ptr<ToolWindow>> windows;  // the host here owns none
    bool available = true;
    int exits = 0;
    int abouts = 0;
    std::unique_ptr<TrayController> tray;
    std::unique_ptr<HandOff> handOff;

    TrayRig() {
        for (QColor colour : {Qt::red, Qt::green, Qt::blue, Qt::yellow}) {
            QPixmap image(16, 16);
            image.fill(colour);
            trayImages.append(QIcon(image));
        }
        host.factory = [this](ToolKind kind) {
            windows.emplace_back(tools.create(kind, host));
            return windows.back().get();
        };
        handOff = std::make_unique<HandOff>(host, tools, [this] { tray->DoShowForm(); });
        tray = std::make_unique<TrayController>(
            frame, trayImages, menuImages, popup, *handOff,
            TrayController::Actions{[this] { ++exits; }, [this] { ++abouts; }},
            [this] { return available; });
        tray->install();
        frame.resize(300, 200);
        frame.show();
    }
    void minimize() {
        frame.setWindowState(frame.windowState() | Qt::WindowMinimized);
        QCoreApplication::processEvents();  // hiding waits for the minimizing to end
    }
    qint64 shownIcon() const { return tray->icon()->icon().cacheKey(); }
};

}  // namespace

class LaunchTests : public QObject {
    Q_OBJECT
private slots:
    void init() { TestEnvironment::wipeUserFiles(); }

    void handOffFromTheTrayMenu_data();
    void handOffFromTheTrayMenu();
    void trayMenuAndTaskBarMenuShareOnePopup();
    void trayCounterRunsOnAcrossHideAndShow();
    void trayEventsAndAHandOffWhileHidden();
    void withoutATrayMinimizingOnlyMinimizes();
    void aTrayThatGoesAwayGivesTheWindowBack();

    void mailSelection();
    void webMailOpensABrowserEachClick();
    void unreadMailHint();
    void standInsOfTheDesktop_data();
    void standInsOfTheDesktop();
    void checkInternetConnection_data();
    void checkInternetConnection();
    void aboutWindowsAndTheWebPages();
    void everyFrameMenuItemIsEnabled();

    void aboutBoxWithMissingDataFiles();
    void aboutBoxFromTheFrame();
};

// ---- hand-off and tray ------------------------------------------------------

void LaunchTests::handOffFromTheTrayMenu_data() {
    QTest::addColumn<int>("item");
    QTest::addColumn<QVariant>("answer");  // null: Cancel
    QTest::addColumn<int>("dialog");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("prompt");
    QTest::addColumn<int>("opens");  // a ToolKind, or -1 for nothing
    const int query = int(Prompts::Kind::InputQuery);
    const int box = int(Prompts::Kind::InputBox);
    const QVariant cancel;
    const QVariant empty = QVariant(QString(""));
    QTest::newRow("browser, OK on empty")
        << 6 << empty << query << "Corvanta : Browser"
        << "Please enter a valid URL." << int(ToolKind::WebBrowser);
    QTest::newRow("browser, Cancel") << 6 << cancel << query << "Corvanta : Browser"
                                     << "Please enter a valid URL." << -1;
    QTest::newRow("grabber") << 7 << QVariant("http://127.0.0.1:9/site/") << query
                             << "Corvanta : Web Site Grabber"
                             << "Please enter a valid URL to grab."
                             << int(ToolKind::WebSiteGrabber);
    QTest::newRow("editor") << 8 << QVariant("a line") << box << "Corvanta : Editor"
                            << "Please enter a text." << int(ToolKind::Editor);
    QTest::newRow("editor, OK on empty") << 8 << empty << box << "Corvanta : Editor"
                                         << "Please enter a text." << -1;
    QTest::newRow("editor, Cancel") << 8 << cancel << box << "Corvanta : Editor"
                                    << "Please enter a text." << -1;
    QTest::newRow("ftp") << 9 << QVariant("ftp.example.test") << query << "Corvanta : FTP Client"
                         << "Please enter a valid URL." << int(ToolKind::FtpClient);
    QTest::newRow("net tools") << 10 << QVariant("127.0.0.1") << query << "Corvanta : NetTools"
                               << "Please enter a valid URL or an IP address."
                               << int(ToolKind::NetworkTools);
    QTest::newRow("translator") << 11 << QVariant("hola") << box << "Corvanta : Translator"
                                << "Please enter a text." << int(ToolKind::NetTranslator);
    QTest::newRow("translator, Cancel") << 11 << cancel << box << "Corvanta : Translator"
                                        << "Please enter a text." << -1;
}

void LaunchTests::handOffFromTheTrayMenu() {
    QFETCH(int, item);
    QFETCH(QVariant, answer);
    QFETCH(int, dialog);
    QFETCH(QString, caption);
    QFETCH(QString, prompt);
    QFETCH(int, opens);
    Session session;
    TfrmMain& frame = session.start();
    const int before = frame.toolWindowCount();
    frame.tray()->fillTrayMenu();
    session.prompts.answer(answer);
    frame.sharedPopupMenu()->actions().at(item)->trigger();

    QCOMPARE(session.prompts.count(), 1);
    QCOMPARE(int(session.prompts.last().kind), dialog);
    QCOMPARE(session.prompts.last().caption, caption);
    QCOMPARE(session.prompts.last().text, prompt);
    QVERIFY(session.prompts.last().extra.isEmpty());  // the edit starts empty
    if (opens < 0) {
        QCOMPARE(frame.toolWindowCount(), before);
        QVERIFY(session.tools.handedOff.isEmpty());
        return;
    }
    QCOMPARE(frame.toolWindowCount(), before + 1);
    QCOMPARE(int(frame.activeToolWindow()->kind()), opens);
    QCOMPARE(session.tools.handedOff.size(), 1);
    QCOMPARE(int(session.tools.handedOff.first().first), opens);
    QCOMPARE(session.tools.handedOff.first().second, answer.toString());
}

void LaunchTests::trayMenuAndTaskBarMenuShareOnePopup() {
    Session session;
    TfrmMain& frame = session.start();
    frame.fillTaskBarMenu(true);
    frame.tray()->ShowTrayMenu(frame.geometry().center());
    QMenu* popup = frame.sharedPopupMenu();
    QVERIFY(popup->isVisible());
    QCOMPARE(
        captionsOf(popup),
        (QStringList{"Show Corvanta", "-", "Exit", "-", "About Corvanta", "-",
                     "Open a URL address in the Web Browser",
                     "Enter a URL address to the Web Site Grabber", "Enter a text to the Editor",
                     "Open a URL address in the FTP Client", "Trace a URL address in the Net Tools",
                     "Enter a text to Translate", "-"}));
    for (QAction* action : popup->actions())
        QVERIFY(action->isEnabled() && !action->isChecked() && action->shortcut().isEmpty());
    popup->hide();
    // The task bar's menu takes the same popup back.
    frame.fillTaskBarMenu(true);
    QCOMPARE(popup->actions().size(), 11);
    QCOMPARE(popup->actions().first()->text(), QString("Close The Window"));
}

void LaunchTests::trayCounterRunsOnAcrossHideAndShow() {
    TrayRig rig;
    QCOMPARE(rig.tray->timer()->interval(), 200);
    QVERIFY(!rig.tray->timer()->isActive());
    QCOMPARE(rig.tray->frameCounter(), 0);
    int expected = 0;
    // Three rounds in the tray of 2, 3 and 4 ticks: frames 1 2 | 3 0 1 | 2 3 0 1.
    for (int ticks : {2, 3, 4}) {
        rig.frame.showMaximized();
        rig.minimize();
        QVERIFY(rig.tray->isHiddenInTray());
        QVERIFY(!rig.frame.isVisible());
        QVERIFY(rig.tray->timer()->isActive());
        QVERIFY(!rig.tray->icon()->isVisible());  // it appears at the first tick
        for (int i = 0; i < ticks; ++i) {
            rig.tray->Timer1Timer();
            expected = (expected + 1) % 4;
            QCOMPARE(rig.tray->frameCounter(), expected);
            QCOMPARE(rig.shownIcon(), rig.trayImages.icon(expected).cacheKey());
            QVERIFY(rig.tray->icon()->isVisible());
        }
        rig.tray->DoShowForm();
        QVERIFY(rig.frame.isVisible());
        QVERIFY(rig.frame.isMaximized());  // back as it was before minimizing
        QVERIFY(!rig.tray->timer()->isActive());
        QVERIFY(!rig.tray->icon()->isVisible());
    }
    QCOMPARE(rig.tray->frameCounter(), 1);
}

void LaunchTests::trayEventsAndAHandOffWhileHidden() {
    TrayRig rig;
    rig.tray->setTip(QString(80, 'x'));
    QCOMPARE(rig.tray->icon()->toolTip().size(), 63);
    rig.minimize();
    rig.tray->Timer1Timer();
    // A middle click does nothing; the right button opens the tray menu.
    emit rig.tray->icon()->activated(QSystemTrayIcon::MiddleClick);
    QVERIFY(!rig.frame.isVisible());
    emit rig.tray->icon()->activated(QSystemTrayIcon::Context);
    QVERIFY(rig.popup.isVisible());
    QCOMPARE(rig.popup.actions().size(), 13);
    rig.popup.hide();
    // "About Corvanta" leaves the program in the tray.
    rig.popup.actions().at(4)->trigger();
    QCOMPARE(rig.abouts, 1);
    QVERIFY(!rig.frame.isVisible());
    // A hand-off brings the program back with the new window.
    rig.host.scripted.answer(QVariant("hola"));
    rig.popup.actions().at(11)->trigger();
    QVERIFY(rig.frame.isVisible());
    QCOMPARE(rig.host.opened, QList<ToolKind>{ToolKind::NetTranslator});
    QCOMPARE(rig.tools.handedOff.size(), 1);
    QVERIFY(!rig.tray->timer()->isActive());
    // A double click shows it as well, and so does a single click (all that
    // a StatusNotifierItem tray reports); "Exit" closes.
    for (const auto reason : {QSystemTrayIcon::DoubleClick, QSystemTrayIcon::Trigger}) {
        rig.minimize();
        QVERIFY(!rig.frame.isVisible());
        emit rig.tray->icon()->activated(reason);
        QVERIFY(rig.frame.isVisible());
    }
    rig.popup.actions().at(2)->trigger();
    QCOMPARE(rig.exits, 1);
}

void LaunchTests::withoutATrayMinimizingOnlyMinimizes() {
    TrayRig rig;
    rig.available = false;
    rig.minimize();
    QVERIFY(!rig.tray->isHiddenInTray());
    QVERIFY(rig.frame.isVisible());
    QVERIFY(rig.frame.isMinimized());
    QVERIFY(!rig.tray->timer()->isActive());
    QVERIFY(!rig.tray->icon()->isVisible());
}

void LaunchTests::aTrayThatGoesAwayGivesTheWindowBack() {
    TrayRig rig;
    rig.minimize();
    rig.tray->Timer1Timer();
    QVERIFY(rig.tray->icon()->isVisible());
    rig.available = false;
    rig.tray->Timer1Timer();
    QVERIFY(rig.frame.isVisible());
    QVERIFY(rig.frame.isMinimized());
    QVERIFY(!rig.tray->isHiddenInTray());
    QVERIFY(!rig.tray->timer()->isActive());
    QVERIFY(!rig.tray->icon()->isVisible());
}

// ---- launchers --------------------------------------------------------------

void LaunchTests::mailSelection() {
    FixtureDesktop desktop;
    const QString mailer = desktop.program("mailer");
    desktop.application("mailer",
                        "Categories=Network;Email;\nMimeType=x-scheme-handler/mailto;\n"
                        "Exec=" +
                            mailer + " %u\n");
    {
        Session session;
        TfrmMain& frame = session.start();
        QToolButton* mail = frame.launchers()->mailButton();
        QCOMPARE(mail->text(), QString("mail"));
        QCOMPARE(captionsOf(mail->menu()), (QStringList{"Outlook Express", "Outlook", "Eudore",
                                                        "Hotmail", "Yahoo", "Google"}));
        // First run: no client chosen yet.
        mail->click();
        QCOMPARE(session.prompts.count(), 1);
        QCOMPARE(session.prompts.last().text,
                 QString("Press on the arrow and Choose a Default Mail Client First"));
        // Choosing starts nothing; the browser's preferences set only known names.
        mail->menu()->actions().at(2)->trigger();
        QCOMPARE(frame.mailClient(), QString("Eudora"));
        QVERIFY(session.shell.started.isEmpty());
        frame.setMailClient("google");
        QCOMPARE(frame.mailClient(), QString("Eudora"));
        frame.setMailClient("Yahoo");
        QCOMPARE(frame.mailClient(), QString("Yahoo"));
        frame.setMailClient("Eudora");
        QVERIFY(session.exit());
    }
    Registry registry;
    QVERIFY(registry.openKey(TfrmMain::kBrowserSettingsKey, false));
    QCOMPARE(registry.readString("MailClient"), QString("Eudora"));
    registry.writeString("MailClient", "");
    registry.closeKey();

    // Stored empty: the desktop's mail program stands in for the default.
    Session next;
    TfrmMain& frame = next.start();
    QCOMPARE(frame.mailClient(), QString("OutlookExpress"));
    frame.launchers()->mailButton()->click();
    QCOMPARE(next.shell.started, QList<QStringList>{{mailer}});
    QCOMPARE(next.prompts.count(), 0);
}

void LaunchTests::webMailOpensABrowserEachClick() {
    ServiceAddress::set("WebMailGoogle", "http://127.0.0.1:9/mail/");
    Session session;
    TfrmMain& frame = session.start();
    const int before = frame.toolWindowCount();
    frame.setMailClient("Google");
    frame.launchers()->DoMailCheck();
    frame.launchers()->DoMailCheck();
    QCOMPARE(frame.toolWindowCount(), before + 2);
    QCOMPARE(frame.activeToolWindow()->kind(), ToolKind::WebBrowser);
    QCOMPARE(session.tools.navigated.mid(session.tools.navigated.size() - 2),
             (QStringList{"record:http://127.0.0.1:9/mail/", "record:http://127.0.0.1:9/mail/"}));
}

void LaunchTests::unreadMailHint() {
    Session session;
    TfrmMain& frame = session.start();
    QToolButton* mail = frame.launchers()->mailButton();
    mail->setToolTip("as it was");
    frame.launchers()->DoMailCheck();  // no key: the hint stays
    QCOMPARE(mail->toolTip(), QString("as it was"));
    {
        Registry registry;
        for (const char* account : {"ann@example.test", "bob@example.test"})
            registry.openKey(QString(Launchers::kUnreadMailKey) + "\\" + account, true);
    }
    frame.launchers()->DoMailCheck();
    QCOMPARE(mail->toolTip(), QString("Accounts:\n\rann@example.test\r\nbob@example.test\r\n"));
}

void LaunchTests::standInsOfTheDesktop_data() {
    QTest::addColumn<QString>("menu");         // "Windows Tools", or "mail" for a mail client
    QTest::addColumn<QString>("caption");      // of the item
    QTest::addColumn<QStringList>("started");  // names in bin/ stand for their paths
    QTest::newRow("explorer") << "Windows Tools"
                              << "Open Winows Explorer" << QStringList{"bin/files", "--new-window"};
    QTest::newRow("network drive")
        << "Windows Tools"
        << "Open Map a network drive" << QStringList{"bin/files", "--new-window", "network:///"};
    QTest::newRow("MS Dos") << "Windows Tools"
                            << "Open MS Dos" << QStringList{"bin/term"};
    QTest::newRow("DNS") << "Windows Tools"
                         << "Open DNS Address" << QStringList{"bin/term", "-e", "nslookup"};
    QTest::newRow("a terminal program")
        << "Windows Tools"
        << "Open Task Manager" << QStringList{"bin/term", "-e", "bin/monitor", "-a b"};
    QTest::newRow("preferred by id") << "Windows Tools"
                                     << "Open Characters / Fonts Map" << QStringList{"bin/chars"};
    QTest::newRow("not installed") << "Windows Tools"
                                   << "Open MSN Messanger" << QStringList{};
    QTest::newRow("none registered") << "Windows Tools"
                                     << "Open Registy Editor" << QStringList{};
    QTest::newRow("Outlook") << "mail"
                             << "Outlook" << QStringList{"bin/groupware"};
    QTest::newRow("Eudore") << "mail"
                            << "Eudore" << QStringList{"bin/mailer", "-compose"};
}

void LaunchTests::standInsOfTheDesktop() {
    QFETCH(QString, menu);
    QFETCH(QString, caption);
    QFETCH(QStringList, started);
    FixtureDesktop desktop;
    desktop.application("files",
                        "Categories=System;FileManager;\nMimeType=inode/directory;\n"
                        "Exec=" +
                            desktop.program("files") + " --new-window %U\n");
    desktop.application(
        "term", "Categories=System;TerminalEmulator;\nExec=" + desktop.program("term") + "\n");
    desktop.application("monitor", "Categories=System;Monitor;\nTerminal=true\nExec=" +
                                       desktop.program("monitor") + " \"-a b\" %F\n");
    desktop.application("org.gnome.Characters", "Exec=" + desktop.program("chars") + "\n");
    desktop.application("charmap-too",
                        "Categories=Utility;\nExec=" + desktop.program("charmap") + "\n");
    desktop.application("messenger", "Categories=Network;InstantMessaging;\nExec=/nowhere/im\n");
    desktop.application("org.gnome.Evolution",
                        "Categories=Office;Email;\nExec=" + desktop.program("groupware") + "\n");
    desktop.application("mailer",
                        "Categories=Network;Email;\nMimeType=x-scheme-handler/mailto;\n"
                        "Exec=" +
                            desktop.program("mailer") + " -compose %u\n");
    desktop.program("nslookup");

    Session session;
    TfrmMain& frame = session.start();
    if (menu == "mail") {
        QToolButton* mail = frame.launchers()->mailButton();
        menuAction(mail->menu(), caption)->trigger();
        mail->click();
    } else {
        QMenu* tools = menuAction(frameMenu(frame, "View"), menu)->menu();
        QCOMPARE(
            captionsOf(tools),
            (QStringList{"Open Address Book", "Open MSN Messanger", "Open Windows Update",
                         "Open Winows Explorer", "-", "Open DNS Address",
                         "Open Characters / Fonts Map", "Open Task Manager", "Open Control Panel",
                         "Open System Info", "Open Registy Editor", "Open Events Viewer",
                         "Open MS Dos", "Open MS Config", "Open Map a network drive"}));
        menuAction(tools, caption)->trigger();
    }
    QList<QStringList> expected;
    if (!started.isEmpty()) {
        for (QString& word : started)
            word.replace(QRegularExpression("^bin/"), desktop.bin() + "/");
        expected.append(started);
    }
    QCOMPARE(session.shell.started, expected);
    QCOMPARE(session.prompts.count(), 0);  // a missing program is not reported
}

void LaunchTests::checkInternetConnection_data() {
    QTest::addColumn<bool>("connected");
    QTest::newRow("connected") << true;
    QTest::newRow("not connected") << false;
}

void LaunchTests::checkInternetConnection() {
    QFETCH(bool, connected);
    Session session;
    TfrmMain& frame = session.start();
    session.connected = connected;
    session.prompts.clear();
    menuAction(frameMenu(frame, "View"), "Check internet connection status")->trigger();
    QCOMPARE(session.prompts.count(), 1);
    const ScriptedPrompts::Call& call = session.prompts.last();
    QVERIFY(call.caption.isEmpty());  // the application title
    if (connected) {
        QCOMPARE(call.kind, Prompts::Kind::Plain);
        QCOMPARE(call.text, QString("You are connected to the internet.     "));
        QCOMPARE(call.buttons, Prompts::Buttons(Prompts::Ok));
    } else {
        QCOMPARE(call.kind, Prompts::Kind::Warning);
        QCOMPARE(call.text, QString("It looks like you are not connected to the internet!"));
        QCOMPARE(call.buttons, Prompts::Ok | Prompts::Cancel);
    }
}

void LaunchTests::aboutWindowsAndTheWebPages() {
    ServiceAddress::set("ProjectSite", "http://127.0.0.1:9/project/");
    ServiceAddress::set(ServiceAddress::kComponentsSiteName, "http://127.0.0.1:9/components/");
    ServiceAddress::set(Launchers::kDeveloperSiteName, "http://127.0.0.1:9/developer/");
    Session session;
    TfrmMain& frame = session.start();
    QMenu* help = frameMenu(frame, "Help");
    QCOMPARE(captionsOf(help),
             (QStringList{"About", "About Windows", "-", "Visit the developor web site",
                          "Corvanta project page", "Visit Clever's Components home page", "-",
                          "Check For Updates"}));
    menuAction(help, "About Windows")->trigger();
    const ScriptedPrompts::Call& about = session.prompts.last();
    QCOMPARE(about.kind, Prompts::Kind::Information);
    QVERIFY2(about.text.startsWith(QSysInfo::prettyProductName() + "\nKernel: Linux " +
                                   QSysInfo::kernelVersion()),
             qPrintable(about.text));
    QVERIFY(about.text.contains("\nDesktop: "));

    session.tools.navigated.clear();
    for (const char* item : {"Visit the developor web site", "Corvanta project page",
                             "Visit Clever's Components home page"})
        menuAction(help, item)->trigger();
    // Each item opens a browser window at its own page.
    QCOMPARE(session.tools.navigated, (QStringList{"record:http://127.0.0.1:9/developer/",
                                                   "record:http://127.0.0.1:9/project/",
                                                   "record:http://127.0.0.1:9/components/"}));
    QCOMPARE(frame.toolWindowCount(), 4);  // the first run's browser and three more
    QCOMPARE(frame.activeToolWindow()->kind(), ToolKind::WebBrowser);

    frame.launchers()->DoMailMe();
    QCOMPARE(session.shell.addresses,
             QStringList{"mailto:developers@corvanta.net?Subject=Corvanta&body=Hello%20from%20a%"
                         "20Corvanta%20user%21"});
}

void LaunchTests::everyFrameMenuItemIsEnabled() {
    Session session;
    TfrmMain& frame = session.start();
    QList<QMenu*> menus;
    for (QAction* action : frame.menuBar()->actions())
        menus.append(action->menu());
    menus.append(frame.launchers()->mailButton()->menu());
    for (int i = 0; i < menus.size(); ++i) {
        emit menus[i]->aboutToShow();
        for (QAction* action : menus[i]->actions()) {
            QVERIFY2(action->isEnabled(), qPrintable(action->text()));
            if (action->menu())
                menus.append(action->menu());
        }
    }
    QVERIFY(menus.size() >= 6);
}

// ---- about box --------------------------------------------------------------

void LaunchTests::aboutBoxWithMissingDataFiles() {
    ScriptedPrompts prompts;
    QTemporaryDir empty;
    int home = 0, mail = 0, checks = 0;
    TfrmAbout box(prompts, {[&] { ++home; }, [&] { ++mail; }, [&] { ++checks; }}, empty.path());
    box.FormShow();
    QCOMPARE(prompts.count(), 2);
    QCOMPARE(prompts.calls().at(0).text,
             QString("Corvanta can not locate the ChangeLog file. Please reinstall Corvanta"));
    QCOMPARE(prompts.calls().at(1).text,
             QString("Corvanta can not locate the credits file. Please reinstall Corvanta"));
    QCOMPARE(prompts.calls().at(1).kind, Prompts::Kind::Plain);
    QCOMPARE(box.memCredits->toPlainText(), QString("\n\n\n"));  // as designed
    QVERIFY(box.memChangeLog->toPlainText().isEmpty());
    QCOMPARE(box.edtApplication->text(), QString("Corvanta"));
    QCOMPARE(box.edtVersion->text(), QString("0.08"));
    QCOMPARE(box.edtStage->text(), QString("Beta"));
    QCOMPARE(box.size(), QSize(384, 375));
    QStringList pages;
    for (int i = 0; i < box.pages->count(); ++i)
        pages << box.pages->tabText(i);
    QCOMPARE(pages, (QStringList{"About", "Credits", "Licence", "ChangeLog"}));
    QVERIFY(!box.memLicence->toPlainText().isEmpty());
    emit box.LaGoHome->linkActivated("#");
    emit box.LaGoMail->linkActivated("#");
    QCOMPARE(home, 1);
    QCOMPARE(mail, 1);
}

void LaunchTests::aboutBoxFromTheFrame() {
    Session session;
    TfrmMain& frame = session.start();
    auto* release = frame.findChild<QLabel*>("TBXLabelRelease");
    QVERIFY(release);
    QString caption, credits, releaseAfterCheck;
    bool stayedOpen = false;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<TfrmAbout*>(QApplication::activeModalWidget());
        if (!box) {
            if (QWidget* other = QApplication::activeModalWidget())
                other->close();
            return;
        }
        caption = box->windowTitle();
        credits = box->memCredits->toPlainText();
        box->pages->setCurrentIndex(3);
        box->BtnCheckUpdate->click();  // the release check, against a closed loopback port
        releaseAfterCheck = release->text();
        stayedOpen = box->isVisible();
        box->BtnClosae->click();
    });
    menuAction(frameMenu(frame, "Help"), "About")->trigger();
    QCOMPARE(caption, QString("About  Corvanta  0.08  Beta"));
    QVERIFY(credits.startsWith("Corvanta credits"));  // the shipped Data folder
    QCOMPARE(releaseAfterCheck, UpdateCheck::releaseText(3));
    QVERIFY(stayedOpen);
    QCOMPARE(session.prompts.count(), 0);
}

CORVANTA_TEST_MAIN(LaunchTests)
#include "tst_launchers.moc"
