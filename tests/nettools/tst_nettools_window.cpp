#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QSpinBox>
#include <QTabBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>

#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

#include "AddressDetails.h"
#include "AppError.h"
#include "ConnectionTable.h"
#include "IcmpSocket.h"
#include "LineServer.h"
#include "LoopbackHttpServer.h"
#include "Paths.h"
#include "RecordingToolHost.h"
#include "Registry.h"
#include "ServiceAddress.h"
#include "TestEnvironment.h"
#include "TrafficUnit.h"
#include "fmNetTools.h"

namespace {

const QString kHyphens(39, '-');

QStringList lines(QListWidget* list) {
    QStringList result;
    for (int i = 0; i < list->count(); ++i)
        result.append(list->item(i)->text());
    return result;
}

void clickTab(QTabBar* bar, int index) {
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(index).center());
}

// Interface indexes far above the machine's own, so no real address matches.
IPHelper::InterfaceRow interfaceRow(quint32 index, quint32 in = 0) {
    IPHelper::InterfaceRow row;
    row.index = 100000 + index;
    row.inOctets = in;
    row.description = "if" + QByteArray::number(index);
    return row;
}

// Takes CAP_NET_RAW out of the calling thread's effective set for its lifetime
// (a root test thus meets the "no permission" case of an ordinary user).
class WithoutRawSockets {
public:
    WithoutRawSockets() {
        m_ok = syscall(SYS_capget, &m_header, m_saved) == 0;
        __user_cap_data_struct reduced[2] = {m_saved[0], m_saved[1]};
        reduced[0].effective &= ~(1u << CAP_NET_RAW);
        m_ok = m_ok && syscall(SYS_capset, &m_header, reduced) == 0;
    }
    ~WithoutRawSockets() {
        if (m_ok)
            syscall(SYS_capset, &m_header, m_saved);
    }
    bool ok() const { return m_ok; }

private:
    __user_cap_header_struct m_header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct m_saved[2]{};
    bool m_ok = false;
};

}  // namespace

class NetToolsWindowTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void defaultsAndPageStatusTexts();
    void storedSettingsAreReadAndWritten();
    void externalAddressFailureKeepsTheEarlierFile();
    void pingSeries();
    void stopAfterTheSecondReply();
    void traceDuringAPingSeriesLeavesItsHost();
    void closeIsRefusedDuringAPingSeries();
    void traceToLoopback();
    void noIcmpPermission();
    void traceToAnUnresolvableHost();
    void whoisPage();
    void handOffFillsTheBoxesAndRunsWhois();
    void adapterTabsAndRemoveRule();
    void connectionCaptionsAreTheTablesHeader();
    void whoisServerBoxShowsTheWholeNameFromItsStart();
    void freezeAndClearCounters();
    void rowLimitWarningRestartsTheHistory();
    void timerRefreshesConnectionsAndTraffic();
    void saveLogTwiceWritesBothSnapshots();

private:
    std::unique_ptr<TNetToosFrm> makeWindow();
    // Shows a window whose Pinger is set to `count` requests to 127.0.0.1.
    void showPingerToLoopback(int count);
    template <typename T>
    T* child(const char* name) {
        T* found = m_window->findChild<T*>(QLatin1String(name));
        if (!found)
            qFatal("no child %s", name);
        return found;
    }
    QString status() { return child<QLabel>("StatusPanel0")->text(); }
    bool needIcmp();

    LoopbackHttpServer m_http;
    RecordingToolHost m_host;
    std::unique_ptr<TNetToosFrm> m_window;
    QString m_icmpProblem;
};

void NetToolsWindowTest::initTestCase() {
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    QVERIFY(
        m_http.start(LoopbackHttpServer::serveMap({{"/myip.php", "198.51.100.4"}}, "text/plain")));
    try {
        IcmpSocket::open();
    } catch (const AppError& error) {
        m_icmpProblem = error.message();
    }
}

void NetToolsWindowTest::init() {
    TestEnvironment::wipeUserFiles();
    // The window fetches the external address as it is shown.
    ServiceAddress::set(kExternalAddressService, m_http.url("/myip.php"));
    m_host.scripted.clear();
}

void NetToolsWindowTest::cleanup() {
    m_window.reset();
}

std::unique_ptr<TNetToosFrm> NetToolsWindowTest::makeWindow() {
    auto window = std::make_unique<TNetToosFrm>(m_host);
    return window;
}

void NetToolsWindowTest::showPingerToLoopback(int count) {
    m_window = makeWindow();
    m_window->show();
    child<QLineEdit>("edtPng")->setText("127.0.0.1");
    child<QSpinBox>("spnPing")->setValue(count);
}

bool NetToolsWindowTest::needIcmp() {
    if (m_icmpProblem.isEmpty())
        return true;
    qWarning("ICMP unavailable: %s", qPrintable(m_icmpProblem));
    return false;
}

void NetToolsWindowTest::defaultsAndPageStatusTexts() {
    m_window = makeWindow();
    QCOMPARE(status(), QString("Ready. "));
    m_window->show();
    QVERIFY(child<QCheckBox>("cbShowListeners")->isChecked());
    QVERIFY(!child<QCheckBox>("cbResolveHosts")->isChecked());
    QCOMPARE(child<QSpinBox>("spnPing")->value(), 5);
    QCOMPARE(child<QSpinBox>("spnPing")->minimum(), 1);
    QCOMPARE(child<QSpinBox>("spnPing")->maximum(), 40);
    QCOMPARE(child<QPlainTextEdit>("MemExtIP")->toPlainText(), QString("198.51.100.4"));
    QVERIFY(!child<QLineEdit>("edHostN")->text().isEmpty());
    QVERIFY(!child<QLineEdit>("edHostP")->text().isEmpty());
    QCOMPARE(m_host.scripted.count(), 0);
    QVERIFY(QFile::exists(Paths::writableProgramFile("myip.txt")));

    auto* pages = child<QTabWidget>("PageControl");
    QCOMPARE(pages->currentIndex(), 0);
    QCOMPARE(pages->count(), 5);
    const QStringList expected{"Ready.    (Ports Statistics)", "Ready.    (Network Details)",
                               "Ready.    (Trace Address) ", "Ready.    (Pinger)",
                               "Ready.    (WhoIs Query)"};
    for (int index : {3, 1, 2, 4, 0}) {
        clickTab(pages->tabBar(), index);
        QCOMPARE(pages->currentIndex(), index);
        QCOMPARE(status(), expected[index]);
    }
    // The history starts with two empty rows and fills from the machine's table.
    QCOMPARE(m_window->history().rows().last(), QStringList(7, QString()));
}

void NetToolsWindowTest::storedSettingsAreReadAndWritten() {
    {
        Registry registry;
        registry.openKey("\\Software\\Corvanta\\NetworkTools", true);
        registry.writeBool("ShowListeners", false);
        registry.writeBool("ResolveHosts", true);
        registry.writeInteger("PingValue", 12);
    }
    m_window = makeWindow();
    m_window->setConnectionSource([] { return QList<TTcpConnStatus>{}; });
    m_window->show();
    QVERIFY(!child<QCheckBox>("cbShowListeners")->isChecked());
    QVERIFY(child<QCheckBox>("cbResolveHosts")->isChecked());
    QCOMPARE(child<QSpinBox>("spnPing")->value(), 12);
    auto* table = child<QTableWidget>("sgConnHist");
    QCOMPARE(table->rowCount(), 2);
    QCOMPARE(table->item(0, 2)->text(), QString("Listen status Off"));
    QCOMPARE(table->item(0, 3)->text(), QString("  OFF"));
    QCOMPARE(table->item(0, 6)->text(), QString("  ***"));

    child<QSpinBox>("spnPing")->setValue(7);
    QTest::mouseClick(child<QCheckBox>("cbShowListeners"), Qt::LeftButton);
    QVERIFY(child<QCheckBox>("cbShowListeners")->isChecked());
    QCOMPARE(table->item(0, 2)->text(), QString("Listen status On"));
    m_window.reset();
    Registry registry;
    QVERIFY(registry.openKey("\\Software\\Corvanta\\NetworkTools", false));
    QCOMPARE(registry.readInteger("PingValue"), 7);
    QCOMPARE(registry.readBool("ShowListeners"), true);
    QCOMPARE(registry.readBool("ResolveHosts"), true);
}

void NetToolsWindowTest::externalAddressFailureKeepsTheEarlierFile() {
    QFile earlier(Paths::writableProgramFile("myip.txt"));
    QVERIFY(earlier.open(QIODevice::WriteOnly));
    earlier.write("192.0.2.55");
    earlier.close();
    ServiceAddress::set(kExternalAddressService, m_http.url("/nowhere"));
    m_window = makeWindow();
    m_window->show();
    QCOMPARE(m_host.scripted.count(), 1);
    QCOMPARE(m_host.scripted.last().kind, Prompts::Kind::Error);
    QCOMPARE(m_host.scripted.last().text, QString("An error ocurred while downloading the file."));
    QCOMPARE(child<QPlainTextEdit>("MemExtIP")->toPlainText(), QString("192.0.2.55"));
    QVERIFY(!child<QLineEdit>("edHostN")->text().isEmpty());
}

void NetToolsWindowTest::pingSeries() {
    if (!needIcmp())
        QSKIP("no ICMP socket");
    showPingerToLoopback(3);
    child<QAction>("btnPing")->trigger();
    const QStringList result = lines(child<QListWidget>("lstReplies"));
    QCOMPARE(result.size(), 7);
    QCOMPARE(result[0], QString("Ping Address / IP :127.0.0.1"));
    QCOMPARE(result[1], kHyphens);
    for (int i = 0; i < 3; ++i) {
        QVERIFY2(result[2 + i].startsWith(
                     QString("72 bytes from 127.0.0.1: icmp_seq=%1 ttl=").arg(3489 + i)),
                 qPrintable(result[2 + i]));
        QVERIFY(result[2 + i].endsWith(" ms"));
    }
    QCOMPARE(result[5], kHyphens);
    QCOMPARE(result[6], QString("Done. Number of requested pings :3"));
    QVERIFY(child<QAction>("btnPing")->isEnabled());

    // A second series continues the sequence numbers.
    child<QSpinBox>("spnPing")->setValue(1);
    child<QAction>("btnPing")->trigger();
    QVERIFY(lines(child<QListWidget>("lstReplies"))[2].contains("icmp_seq=3492 "));
}

void NetToolsWindowTest::stopAfterTheSecondReply() {
    if (!needIcmp())
        QSKIP("no ICMP socket");
    showPingerToLoopback(5);
    auto* list = child<QListWidget>("lstReplies");
    auto* stop = child<QAction>("TBXPStop");
    connect(list->model(), &QAbstractItemModel::rowsInserted, this, [&] {
        if (list->count() == 4)
            QTimer::singleShot(0, stop, &QAction::trigger);
    });
    child<QAction>("btnPing")->trigger();
    const QStringList result = lines(list);
    QCOMPARE(result.size(), 6);
    QVERIFY(result[3].contains("icmp_seq=3490 "));
    QCOMPARE(result[4], kHyphens);
    QCOMPARE(result[5], QString("Done (User Request). Number of requested pings :5"));
    QVERIFY(child<QAction>("btnPing")->isEnabled());
}

void NetToolsWindowTest::closeIsRefusedDuringAPingSeries() {
    if (!needIcmp())
        QSKIP("no ICMP socket");
    showPingerToLoopback(2);
    auto* list = child<QListWidget>("lstReplies");
    bool closed = true;
    connect(list->model(), &QAbstractItemModel::rowsInserted, this, [&] {
        if (list->count() == 3)
            QTimer::singleShot(0, m_window.get(), [&] { closed = m_window->close(); });
    });
    child<QAction>("btnPing")->trigger();
    QVERIFY(!closed);
    QVERIFY(m_window->isVisible());
    QCOMPARE(m_host.scripted.countOf(Prompts::Kind::TimedMessage), 1);
    const auto& notice = m_host.scripted.last();
    QCOMPARE(notice.caption, QString("Corvanta Help Message"));
    QCOMPARE(notice.text, QString("You Can not close the application in the middle of proccessing."
                                  "\n\rPlease press the Stop button to cancel the process."));
    QCOMPARE(notice.extra, QString("2000"));
    QCOMPARE(lines(list).last(), QString("Done. Number of requested pings :2"));
    QVERIFY(m_window->close());
    QVERIFY(!m_window->isVisible());
}

void NetToolsWindowTest::traceToLoopback() {
    if (!needIcmp())
        QSKIP("no ICMP socket");
    m_window = makeWindow();
    m_window->show();
    child<QLineEdit>("edtHost")->setText("127.0.0.1");
    child<QAction>("TBXTrc")->trigger();
    const QStringList log = child<QPlainTextEdit>("ReLog")->toPlainText().split('\n');
    QCOMPARE(log.size(), 1);
    QVERIFY2(log[0].startsWith("1    ...  "), qPrintable(log[0]));
    QVERIFY(log[0].contains(" 127.0.0.1 "));
    QVERIFY(log[0].endsWith(" DONE!"));
    QCOMPARE(status(), QString("Done."));
    QCOMPARE(child<QLineEdit>("edtIP")->text(), QString("127.0.0.1"));
    QCOMPARE(child<QPlainTextEdit>("ReLog")->palette().color(QPalette::Text), QColor(0, 128, 0));
    QVERIFY(child<QAction>("TBXTrc")->isEnabled());
    QVERIFY(m_window->queryClose());
}

void NetToolsWindowTest::noIcmpPermission() {
    m_window = makeWindow();
    WithoutRawSockets withoutRaw;
    if (!withoutRaw.ok())
        QSKIP("cannot drop CAP_NET_RAW");
    try {
        IcmpSocket::open();
        QSKIP("ICMP sockets are allowed without privileges here");
    } catch (const AppError&) {
    }
    child<QLineEdit>("edtPng")->setText("127.0.0.1");
    child<QSpinBox>("spnPing")->setValue(2);
    child<QAction>("btnPing")->trigger();
    QCOMPARE(lines(child<QListWidget>("lstReplies")),
             (QStringList{"Ping Address / IP :127.0.0.1", kHyphens, kHyphens,
                          "Done. Number of requested pings :2"}));
    QCOMPARE(m_host.scripted.last().kind, Prompts::Kind::Error);
    QVERIFY2(m_host.scripted.last().text.contains("ping_group_range"),
             qPrintable(m_host.scripted.last().text));
    QVERIFY(child<QAction>("btnPing")->isEnabled());

    child<QLineEdit>("edtHost")->setText("127.0.0.1");
    child<QAction>("TBXTrc")->trigger();
    QCOMPARE(m_host.scripted.countOf(Prompts::Kind::Error), 2);
    QVERIFY(child<QAction>("TBXTrc")->isEnabled());
    QVERIFY(m_window->queryClose());
}

void NetToolsWindowTest::traceToAnUnresolvableHost() {
    m_window = makeWindow();
    m_window->show();
    // Not a host name: refused before any look-up.
    child<QLineEdit>("edtHost")->setText("no such host!");
    child<QAction>("TBXTrc")->trigger();
    QCOMPARE(child<QLineEdit>("edtIP")->text(), QString("?.?.?.?"));
    QCOMPARE(status(), QString(" Can not resolve IP-address of host \"no such host!\""));
    QVERIFY(child<QPlainTextEdit>("ReLog")->toPlainText().isEmpty());
    QVERIFY(child<QAction>("TBXTrc")->isEnabled());

    // The pinger ends its series with the closing lines and names the cause.
    child<QLineEdit>("edtPng")->setText("no such host!");
    child<QSpinBox>("spnPing")->setValue(3);
    child<QAction>("btnPing")->trigger();
    QCOMPARE(lines(child<QListWidget>("lstReplies")),
             (QStringList{"Ping Address / IP :no such host!", kHyphens, kHyphens,
                          "Done. Number of requested pings :3"}));
    QCOMPARE(m_host.scripted.last().kind, Prompts::Kind::Error);
    QVERIFY2(m_host.scripted.last().text.startsWith("Can not resolve host \"no such host!\""),
             qPrintable(m_host.scripted.last().text));
    QVERIFY(child<QAction>("btnPing")->isEnabled());
}

void NetToolsWindowTest::whoisPage() {
    LineServer server;
    QVERIFY(server.start(
        {QByteArray("Domain Name: EXAMPLE.COM\r\nRegistrar: Someone\r\n"), 10, 5, false}));
    m_window = makeWindow();
    m_window->setWhoisPort(server.port());
    m_window->show();
    auto* servers = child<QComboBox>("ComboBox1");
    QCOMPARE(servers->count(), 8);
    servers->setEditText("  ");
    child<QAction>("TBXWGo")->trigger();
    QCOMPARE(m_host.scripted.last().text, QString("Please specify server name."));
    QCOMPARE(status(), QString("Connecting..."));
    servers->setEditText("127.0.0.1");
    child<QLineEdit>("EdtWhoIs")->setText(" ");
    child<QAction>("TBXWGo")->trigger();
    QCOMPARE(m_host.scripted.last().text, QString("Please specify Domain name."));
    QVERIFY(server.requests().isEmpty());

    child<QLineEdit>("EdtWhoIs")->setText("example.com");
    child<QAction>("TBXWGo")->trigger();
    QCOMPARE(child<QPlainTextEdit>("MemWhois")->toPlainText(),
             QString("Domain Name: EXAMPLE.COM\nRegistrar: Someone\n"));
    QCOMPARE(status(), QString("Ready."));
    server.stop();
    QCOMPARE(server.requests(), QList<QByteArray>{"example.com\n"});
}

void NetToolsWindowTest::handOffFillsTheBoxesAndRunsWhois() {
    LineServer server;
    QVERIFY(server.start({QByteArray("record for 127.0.0.2\n"), 100, 0, false}));
    m_window = makeWindow();
    m_window->setWhoisPort(server.port());
    m_window->show();
    child<QComboBox>("ComboBox1")->setEditText("127.0.0.1");
    // Addresses only: the hand-off must not make the test ask a resolver.
    m_window->handOffAddress("127.0.0.2");
    QCOMPARE(child<QLineEdit>("edtHost")->text(), QString("127.0.0.2"));
    QCOMPARE(child<QLineEdit>("edtPng")->text(), QString("127.0.0.2"));
    QCOMPARE(child<QLineEdit>("EdtWhoIs")->text(), QString("127.0.0.2"));
    QCOMPARE(child<QTabWidget>("PageControl")->currentIndex(), 2);
    QCOMPARE(child<QPlainTextEdit>("MemWhois")->toPlainText(), QString("record for 127.0.0.2\n"));
    server.stop();
    QCOMPARE(server.requests(), QList<QByteArray>{"127.0.0.2\n"});
    QVERIFY(child<QPlainTextEdit>("ReLog")->toPlainText().isEmpty());
    QCOMPARE(lines(child<QListWidget>("lstReplies")).size(), 1);
}

void NetToolsWindowTest::traceDuringAPingSeriesLeavesItsHost() {
    if (!needIcmp())
        QSKIP("no ICMP socket");
    showPingerToLoopback(3);
    child<QLineEdit>("edtHost")->setText("127.0.0.2");
    // The trace starts while the series lets events run between its requests.
    QTimer::singleShot(0, m_window.get(), [this] { child<QAction>("TBXTrc")->trigger(); });
    child<QAction>("btnPing")->trigger();
    QVERIFY(child<QPlainTextEdit>("ReLog")->toPlainText().contains("127.0.0.2"));
    const QStringList result = lines(child<QListWidget>("lstReplies"));
    QCOMPARE(result.size(), 7);
    for (int i = 2; i < 5; ++i)
        QVERIFY2(!result[i].contains("127.0.0.2"), qPrintable(result[i]));
    QVERIFY2(result[4].startsWith("72 bytes from 127.0.0.1: "), qPrintable(result[4]));
    QVERIFY2(result[4].contains(" ttl="), qPrintable(result[4]));
}

void NetToolsWindowTest::connectionCaptionsAreTheTablesHeader() {
    m_window = makeWindow();
    m_window->setConnectionSource([] { return QList<TTcpConnStatus>{}; });
    m_window->show();
    auto* table = child<QTableWidget>("sgConnHist");
    QHeaderView* header = table->horizontalHeader();
    QVERIFY(header->isVisible());
    QStringList captions;
    for (int column = 0; column < table->columnCount(); ++column)
        captions << table->horizontalHeaderItem(column)->text();
    QCOMPARE(captions, (QStringList{"date", "time", "local IP", "local port /service", "remote IP",
                                    "rem. port/service", "status"}));
    // The design's widths at least, and room for the widest date, time and
    // address in the cells' font.
    QCOMPARE(header->sectionSize(5), 100);
    const QDateTime widest(QDate(2000, 12, 28), QTime(23, 58, 58));
    const QFontMetrics cells = table->fontMetrics();
    const QList<QPair<int, QString>> widestTexts{
        {0, shortDateText(widest)}, {1, longTimeText(widest)}, {2, FormatIPv4(0xffffffffu)}};
    for (const auto& [column, text] : widestTexts) {
        QVERIFY2(header->sectionSize(column) > cells.horizontalAdvance(text) + 6, qPrintable(text));
    }
    QVERIFY(header->sectionSize(2) >= 102);
}

void NetToolsWindowTest::whoisServerBoxShowsTheWholeNameFromItsStart() {
    const QString longName = "whois.a-registry-with-a-rather-long-name.example";
    ServiceAddress::set("WhoisServer1", longName);
    m_window = makeWindow();
    m_window->show();
    clickTab(child<QTabWidget>("PageControl")->tabBar(), 4);
    auto* server = child<QComboBox>("ComboBox1");
    // The user steps from the first server to the second.
    server->setFocus();
    QTest::keyClick(server, Qt::Key_Down);
    QCOMPARE(server->currentText(), longName);
    QCOMPARE(server->lineEdit()->cursorPosition(), 0);
    QVERIFY2(server->lineEdit()->width() > server->fontMetrics().horizontalAdvance(longName),
             qPrintable(QString::number(server->lineEdit()->width())));
}

void NetToolsWindowTest::adapterTabsAndRemoveRule() {
    QList<IPHelper::InterfaceRow> interfaces{interfaceRow(1), interfaceRow(2), interfaceRow(3)};
    m_window = makeWindow();
    m_window->setInterfaceSource([&] { return interfaces; });
    m_window->show();
    m_window->RefreshTraffic();
    auto* tabs = child<QTabBar>("TrafficTabs");
    QCOMPARE(tabs->count(), 3);
    QCOMPARE(tabs->tabText(0), QString("!not_found!"));
    QCOMPARE(m_window->selectedAdapter()->InterfaceIndex, 100003u);  // the last one made
    QCOMPARE(tabs->currentIndex(), 2);

    // A new interface gets a tab at the end, and the selection, even after a user choice.
    clickTab(tabs, 0);
    QCOMPARE(m_window->selectedAdapter()->InterfaceIndex, 100001u);
    interfaces.append(interfaceRow(4));
    m_window->RefreshTraffic();
    QCOMPARE(tabs->count(), 4);
    QCOMPARE(m_window->selectedAdapter()->InterfaceIndex, 100004u);

    interfaces.clear();
    m_window->RefreshTraffic();
    QCOMPARE(child<QLineEdit>("StatusText")->text(), QString("NOT connected, NOT running"));
    QVERIFY(!child<QAction>("FreezeButton")->isVisible());
    QVERIFY(!child<QAction>("ClearCountersButton")->isVisible());
    QVERIFY(child<QAction>("RemoveInactiveButton")->isVisible());

    // Four tabs: removing the last selects the one before the new last; then
    // the second of three selects the first; then removing the first of two
    // leaves one tab and nothing selected.
    child<QAction>("RemoveInactiveButton")->trigger();
    QCOMPARE(tabs->count(), 3);
    QCOMPARE(m_window->selectedAdapter()->InterfaceIndex, 100002u);
    QCOMPARE(tabs->currentIndex(), 1);
    child<QAction>("RemoveInactiveButton")->trigger();
    QCOMPARE(tabs->count(), 2);
    QCOMPARE(m_window->selectedAdapter()->InterfaceIndex, 100001u);
    child<QAction>("RemoveInactiveButton")->trigger();
    QCOMPARE(tabs->count(), 1);
    QCOMPARE(m_window->selectedAdapter(), nullptr);
    QVERIFY(child<QLineEdit>("StatusText")->text().isEmpty());
    QCOMPARE(m_window->trafficMonitor().count(), 1);
    // A click on that last tab, already current, shows its adapter.
    QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(0).center());
    QVERIFY(m_window->selectedAdapter());
    QCOMPARE(m_window->selectedAdapter()->InterfaceIndex, 100003u);
    QCOMPARE(child<QLineEdit>("StatusText")->text(), QString("NOT connected, NOT running"));

    // The interface coming back gets a fresh adapter and tab.
    interfaces.append(interfaceRow(1, 50));
    m_window->RefreshTraffic();
    QCOMPARE(tabs->count(), 2);
    QCOMPARE(m_window->selectedAdapter()->StatusText(), QString("Connected, Running"));
}

void NetToolsWindowTest::freezeAndClearCounters() {
    QList<IPHelper::InterfaceRow> interfaces{interfaceRow(1, 1000)};
    m_window = makeWindow();
    m_window->setInterfaceSource([&] { return interfaces; });
    m_window->show();
    m_window->RefreshTraffic();
    interfaces[0].inOctets = 3048;
    m_window->RefreshTraffic();
    QCOMPARE(child<QLineEdit>("ledOctInSec")->text(), QString("2.00 KB"));
    QVERIFY(child<QAction>("FreezeButton")->isEnabled());
    child<QAction>("FreezeButton")->trigger();
    QVERIFY(!child<QAction>("FreezeButton")->isEnabled());
    QVERIFY(child<QAction>("UnFreezeButton")->isEnabled());
    interfaces[0].inOctets = 9000;
    m_window->RefreshTraffic();
    QCOMPARE(child<QLineEdit>("ledTotalIN")->text(), QString("2.00 KB"));
    QCOMPARE(child<QLineEdit>("StatusText")->text(), QString("Connected, NOT running"));
    child<QAction>("UnFreezeButton")->trigger();
    child<QAction>("ClearCountersButton")->trigger();
    QCOMPARE(child<QLineEdit>("ledTotalIN")->text(), QString("0.00 B"));
    m_window->RefreshTraffic();
    QCOMPARE(child<QLineEdit>("ledOctInSec")->text(), QString("5.81 KB"));  // 9000 - 3048
}

void NetToolsWindowTest::rowLimitWarningRestartsTheHistory() {
    int polls = 0;
    m_window = makeWindow();
    m_window->setConnectionSource([&] {
        QList<TTcpConnStatus> connections;
        for (int i = 0; i < 999; ++i) {
            connections.append({"l", QString::number(i + polls * 1000), "r", "p", "established"});
        }
        ++polls;
        return connections;
    });
    m_window->show();
    m_window->PollConnections();
    QCOMPARE(m_host.scripted.countOf(Prompts::Kind::Warning), 1);
    QCOMPARE(m_host.scripted.last().text, rowLimitWarningText());
    auto* table = child<QTableWidget>("sgConnHist");
    QCOMPARE(table->rowCount(), 2);
    QCOMPARE(table->item(0, 2)->text(), QString("Listen status On"));
    QVERIFY(table->item(1, 2)->text().isEmpty());
}

void NetToolsWindowTest::timerRefreshesConnectionsAndTraffic() {
    // The machine's own TCP table, and an interface whose counter grows by
    // 2 KB each time it is read: only the window's timer reads either.
    quint32 received = 1000;
    m_window = makeWindow();
    m_window->setInterfaceSource([&] {
        received += 2048;
        return QList<IPHelper::InterfaceRow>{interfaceRow(1, received)};
    });
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));

    // A socket that starts listening after the window is up appears in the
    // history with the next poll.
    QTcpServer listener;
    QVERIFY(listener.listen(QHostAddress("127.0.0.1"), 0));
    const QString port = FormatPort(listener.serverPort());
    auto* table = child<QTableWidget>("sgConnHist");
    const auto listed = [&] {
        for (int row = 0; row < table->rowCount(); ++row) {
            const QTableWidgetItem* local = table->item(row, 3);
            const QTableWidgetItem* state = table->item(row, 6);
            if (local && state && local->text() == port && state->text() == "listening")
                return true;
        }
        return false;
    };
    QTRY_VERIFY_WITH_TIMEOUT(listed(), 15000);
    // The traffic page has seen at least two readings by now.
    QTRY_COMPARE_WITH_TIMEOUT(child<QLineEdit>("ledOctInSec")->text(), QString("2.00 KB"), 15000);
    QVERIFY(child<QLineEdit>("ledTotalIN")->text() != QString("0.00 B"));
}

void NetToolsWindowTest::saveLogTwiceWritesBothSnapshots() {
    m_window = makeWindow();
    m_window->setConnectionSource([] {
        return QList<TTcpConnStatus>{{"127.  0.  0.  1", "HTTP", "...", "...", "listening"}};
    });
    m_window->show();
    m_window->PollConnections();
    child<QLineEdit>("edHostN")->setText("someone else");
    QTemporaryDir folder;
    const QString file = folder.filePath("NetworkLog");
    m_host.scripted.answer(file);
    clickTab(child<QTabWidget>("PageControl")->tabBar(), 1);
    // The "Save Log" button on the page's own tool bar.
    QToolButton* save = nullptr;
    for (QToolButton* button : m_window->findChildren<QToolButton*>()) {
        if (button->isVisible() && button->defaultAction() &&
            button->defaultAction()->text() == "Save Log") {
            save = button;
        }
    }
    QVERIFY(save);
    QTest::mouseClick(save, Qt::LeftButton);
    QCOMPARE(m_host.scripted.last().kind, Prompts::Kind::SaveFile);
    QCOMPARE(m_host.scripted.last().caption, QString("Save The Log To A Text File"));
    // Cancelled: nothing written, but the window log grows.
    QTest::mouseClick(save, Qt::LeftButton);
    m_host.scripted.answer(file + ".txt");
    QTest::mouseClick(save, Qt::LeftButton);
    QFile saved(file + ".txt");
    QVERIFY(saved.open(QIODevice::ReadOnly));
    const QList<QByteArray> written = saved.readAll().split('\n');
    QCOMPARE(written.count("Corvanta Network Log\r"), 3);
    QVERIFY(written.contains("User Name: someone else\r"));
    QVERIFY(written.contains("HTTP\r"));
    QCOMPARE(m_window->windowLog().size() * 1 + 1, written.size());
}

CORVANTA_TEST_MAIN(NetToolsWindowTest)
#include "tst_nettools_window.moc"
