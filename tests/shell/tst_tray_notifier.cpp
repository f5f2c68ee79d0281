#include <QtTest>

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QMenu>
#include <QProcess>
#include <QSystemTrayIcon>
#include <cstdio>
#include <cstring>

#include "FrameSession.h"
#include "TestEnvironment.h"
#include "TrayController.h"

// The tray as the desktops' own trays (Plasma, GNOME's AppIndicator extension)
// speak to it: over the session bus, as a StatusNotifierItem registered with
// a StatusNotifierWatcher. The test runs on a private session bus and plays
// the desktop's watcher (in a second process) and host; the program under
// test is unchanged and finds the tray the way it finds a desktop's.
namespace {

constexpr const char* kWatcherService = "org.kde.StatusNotifierWatcher";
constexpr const char* kItemInterface = "org.kde.StatusNotifierItem";

// The desktop's side, run as a process of its own (this program started with
// kWatcherArgument): tells each item that registers on its standard output.
class NotifierWatcher : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierWatcher")
    Q_PROPERTY(bool IsStatusNotifierHostRegistered READ hostRegistered)
    Q_PROPERTY(int ProtocolVersion READ protocolVersion)
    Q_PROPERTY(QStringList RegisteredStatusNotifierItems READ items)
public:
    bool hostRegistered() const { return true; }
    int protocolVersion() const { return 0; }
    QStringList items() const { return m_items; }

public slots:
    void RegisterStatusNotifierItem(const QString& service) {
        m_items.append(service);
        std::printf("%s\n", qPrintable(service));
        std::fflush(stdout);
        emit StatusNotifierItemRegistered(service);
    }
    void RegisterStatusNotifierHost(const QString&) {}

signals:
    void StatusNotifierItemRegistered(const QString& service);
    void StatusNotifierHostRegistered();

private:
    QStringList m_items;
};

constexpr const char* kWatcherArgument = "--be-the-watcher";

int runWatcher(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    NotifierWatcher watcher;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.registerObject("/StatusNotifierWatcher", &watcher,
                            QDBusConnection::ExportAllContents) ||
        !bus.registerService(kWatcherService)) {
        return 1;
    }
    std::printf("ready\n");
    std::fflush(stdout);
    return app.exec();
}

// What a host does on a click: calls the item's method with the pointer's
// position.
void clickItem(const QString& service, const char* method) {
    QDBusMessage call =
        QDBusMessage::createMethodCall(service, "/StatusNotifierItem", kItemInterface, method);
    call << 10 << 1000;
    QDBusConnection::sessionBus().asyncCall(call);
}

}  // namespace

class TrayNotifierTests : public QObject {
    Q_OBJECT
    QProcess m_watcher;

    // The next item that registers with the watcher.
    QString registeredItem() {
        if (!QTest::qWaitFor([this] { return m_watcher.canReadLine(); }, 10000))
            return QString();
        return QString::fromUtf8(m_watcher.readLine()).trimmed();
    }

private slots:
    void initTestCase() {
        QVERIFY2(QGuiApplication::platformName() == "xcb", "needs an X display");
        QVERIFY2(QDBusConnection::sessionBus().isConnected(), "needs a session bus");
        m_watcher.start(QCoreApplication::applicationFilePath(), {kWatcherArgument});
        QVERIFY(m_watcher.waitForStarted());
        QCOMPARE(registeredItem(), QString("ready"));
        // The program takes the bus's tray for the desktop's.
        QVERIFY(QSystemTrayIcon::isSystemTrayAvailable());
    }
    void cleanupTestCase() {
        m_watcher.kill();
        m_watcher.waitForFinished();
    }
    void init() { TestEnvironment::wipeUserFiles(); }

    void aClickOnTheItemBringsTheProgramBack();
};

void TrayNotifierTests::aClickOnTheItemBringsTheProgramBack() {
    Session session;
    TfrmMain& frame = session.start();
    frame.showMinimized();
    QTRY_VERIFY(frame.tray()->isHiddenInTray());
    QVERIFY(!frame.isVisible());
    const QString item = registeredItem();
    QVERIFY2(!item.isEmpty(), "the icon did not come into the tray");

    // The right button: the tray menu.
    clickItem(item, "ContextMenu");
    QMenu* popup = frame.sharedPopupMenu();
    QTRY_VERIFY_WITH_TIMEOUT(popup->isVisible(), 5000);
    QCOMPARE(popup->actions().size(), 13);
    QCOMPARE(popup->actions().first()->text(), QString("Show Corvanta"));
    popup->hide();
    QVERIFY(!frame.isVisible());

    // The left button, which such a tray reports as a single activation and
    // never as a double click.
    clickItem(item, "Activate");
    QTRY_VERIFY_WITH_TIMEOUT(frame.isVisible(), 5000);
    QVERIFY(!frame.isMinimized());
    QVERIFY(!frame.tray()->isHiddenInTray());
    QVERIFY(!frame.tray()->icon()->isVisible());
    QVERIFY(session.exit());
}

int main(int argc, char** argv) {
    if (argc == 2 && std::strcmp(argv[1], kWatcherArgument) == 0)
        return runWatcher(argc, argv);
    // The test's own session bus (dbus-run-session), which the usual test
    // set-up replaces by none.
    const QByteArray bus = qgetenv("DBUS_SESSION_BUS_ADDRESS");
    TestEnvironment::prepare();
    qputenv("DBUS_SESSION_BUS_ADDRESS", bus);
    QApplication app(argc, argv);
    app.setAttribute(Qt::AA_Use96Dpi, true);
    TrayNotifierTests test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}
#include "tst_tray_notifier.moc"
