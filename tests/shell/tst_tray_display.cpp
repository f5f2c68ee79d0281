#include <QtTest>

#include <QMenu>
#include <QProcess>
#include <QSystemTrayIcon>

#include "FrameSession.h"
#include "Registry.h"
#include "TestEnvironment.h"
#include "TrayController.h"

// The tray on a real X display: first with no system tray, then with one
// (trayer) that the test starts; the icon is driven with real X input.
namespace {

bool xdotool(const QStringList& arguments) {
    return QProcess::execute("xdotool", arguments) == 0;
}

bool clickAt(QPoint at, int button, int repeat = 1) {
    // No --sync: it waits for a motion that never comes when the pointer is
    // already there. The server takes the move and the click in order.
    return xdotool({"mousemove", QString::number(at.x()), QString::number(at.y())}) &&
           xdotool({"click", "--repeat", QString::number(repeat), "--delay", "80",
                    QString::number(button)});
}

constexpr int kTrayHeight = 32;  // trayer's band along the bottom edge

// Where a click reaches the icon: the centre of its rectangle once it sits in
// the tray's band (before it is embedded it lies at the top left corner).
QPoint iconCentre(TfrmMain& frame) {
    if (!frame.tray()->icon()->isVisible())
        return QPoint();
    const QPoint centre = frame.tray()->icon()->geometry().center();
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    return centre.y() >= screen.bottom() - kTrayHeight ? centre : QPoint();
}

}  // namespace

class TrayDisplayTests : public QObject {
    Q_OBJECT
    QProcess m_tray;

private slots:
    void initTestCase() {
        QVERIFY2(QGuiApplication::platformName() == "xcb", "needs an X display");
        QVERIFY2(!QStandardPaths::findExecutable("trayer").isEmpty(), "trayer is not installed");
        QVERIFY2(!QStandardPaths::findExecutable("xdotool").isEmpty(), "xdotool is not installed");
    }
    void init() { TestEnvironment::wipeUserFiles(); }
    // The tray goes with the test that started it, so the next finds none.
    void cleanup() {
        if (m_tray.state() == QProcess::NotRunning)
            return;
        m_tray.kill();
        m_tray.waitForFinished();
        QTRY_VERIFY_WITH_TIMEOUT(!QSystemTrayIcon::isSystemTrayAvailable(), 10000);
    }

    void withoutATrayTheFrameOnlyMinimizes();
    void handOffByMouseFromARealTray();
};

void TrayDisplayTests::withoutATrayTheFrameOnlyMinimizes() {
    QVERIFY(!QSystemTrayIcon::isSystemTrayAvailable());
    Session session;
    TfrmMain& frame = session.start();
    frame.showMinimized();
    // The tray's answer to the minimizing is queued while the frame handles
    // it; once a call queued after it has run, the frame has been hidden if
    // it ever will be. A hiding would also have started the icon's timer,
    // whose tick brings the frame back where no tray is: the timer is off.
    bool handled = false;
    QMetaObject::invokeMethod(
        &frame, [&handled] { handled = true; }, Qt::QueuedConnection);
    QTRY_VERIFY(handled);
    QVERIFY(!frame.tray()->timer()->isActive());
    QVERIFY(frame.isVisible());
    QVERIFY(frame.isMinimized());
    QVERIFY(!frame.tray()->isHiddenInTray());
    QVERIFY(!frame.tray()->icon()->isVisible());
    frame.showNormal();
    QVERIFY(session.exit());
}

void TrayDisplayTests::handOffByMouseFromARealTray() {
    m_tray.start("trayer",
                 {"--edge", "bottom", "--align", "right", "--widthtype", "pixel", "--width", "120",
                  "--height", QString::number(kTrayHeight), "--SetDockType", "false"});
    QVERIFY2(m_tray.waitForStarted(), qPrintable(m_tray.errorString()));
    QTRY_VERIFY_WITH_TIMEOUT(QSystemTrayIcon::isSystemTrayAvailable(), 10000);

    Session session;
    TfrmMain& frame = session.start();
    frame.DoShowEditor();
    // The editor names the file it shows: the tip names it, cut to 63 characters.
    frame.activeToolWindow()->setWindowTitle(
        "/home/someone/documents/letters/a-long-file-name.txt");
    frame.showMinimized();
    QTRY_VERIFY(frame.tray()->isHiddenInTray());
    QVERIFY(!frame.isVisible());
    QTRY_VERIFY_WITH_TIMEOUT(!iconCentre(frame).isNull(), 5000);
    QCOMPARE(frame.tray()->icon()->toolTip(),
             QString("Corvanta - Web Application\n\rActive :/home/someone/documents/let"));
    const int counter = frame.tray()->frameCounter();
    QTRY_VERIFY(frame.tray()->frameCounter() != counter);  // animated

    // Right button on the icon: the tray menu in the frame's popup.
    QMenu* popup = frame.sharedPopupMenu();
    QVERIFY(clickAt(iconCentre(frame), 3));
    QTRY_VERIFY_WITH_TIMEOUT(popup->isVisible(), 5000);
    QCOMPARE(popup->actions().size(), 13);
    QAction* translate = popup->actions().at(11);
    QCOMPARE(translate->text(), QString("Enter a text to Translate"));

    session.prompts.answer(QVariant("hola"));
    QVERIFY(clickAt(popup->mapToGlobal(popup->actionGeometry(translate).center()), 1));
    QTRY_VERIFY_WITH_TIMEOUT(frame.isVisible(), 5000);
    QCOMPARE(session.prompts.last().caption, QString("Corvanta : Translator"));
    QCOMPARE(frame.activeToolWindow()->kind(), ToolKind::NetTranslator);
    QCOMPARE(session.tools.handedOff.size(), 1);
    QCOMPARE(session.tools.handedOff.first().second, QString("hola"));
    QVERIFY(!frame.tray()->icon()->isVisible());
    QVERIFY(!frame.tray()->timer()->isActive());

    // Into the tray again; a single left click brings it back, and so does a
    // double click.
    for (const int clicks : {1, 2}) {
        frame.showMinimized();
        QTRY_VERIFY_WITH_TIMEOUT(!iconCentre(frame).isNull(), 5000);
        QVERIFY(clickAt(iconCentre(frame), 1, clicks));
        QTRY_VERIFY_WITH_TIMEOUT(frame.isVisible(), 5000);
        QVERIFY(!frame.isMinimized());
        QVERIFY(!frame.tray()->icon()->isVisible());
    }

    // "Exit" from the tray while hidden: the frame closes and stores its state.
    frame.showMinimized();
    QTRY_VERIFY_WITH_TIMEOUT(!iconCentre(frame).isNull(), 5000);
    QVERIFY(clickAt(iconCentre(frame), 3));
    QTRY_VERIFY_WITH_TIMEOUT(popup->isVisible(), 5000);
    QVERIFY(clickAt(popup->mapToGlobal(popup->actionGeometry(popup->actions().at(2)).center()), 1));
    const auto stored = [](const QString& name) {
        Registry registry;
        return registry.openKey(TfrmMain::kMainKey, false) && registry.valueExists(name);
    };
    QTRY_VERIFY_WITH_TIMEOUT(stored("Window_State"), 5000);
    session.frame.reset();
    Registry registry;
    QVERIFY(registry.openKey(TfrmMain::kMainKey, false));
    QCOMPARE(registry.readInteger("Window_State"), 2);  // minimized, as it was
    QCOMPARE(registry.readString("Net Translator"), QString("1"));
}

CORVANTA_TEST_MAIN(TrayDisplayTests)
#include "tst_tray_display.moc"
