#include <QDir>
#include <QFile>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QtEndian>

#include <netdb.h>
#include <cerrno>

#include "AddressDetails.h"
#include "AppError.h"
#include "ConnectionTable.h"
#include "IPHelper.h"
#include "IcmpEchoClient.h"
#include "LineServer.h"
#include "LoopbackHttpServer.h"
#include "ServiceAddress.h"
#include "TestEnvironment.h"
#include "TrafficUnit.h"
#include "WhoisClient.h"

using IPHelper::ipv4;

namespace {

IPHelper::InterfaceRow interfaceRow(quint32 index, quint32 in = 0, quint32 out = 0) {
    IPHelper::InterfaceRow row;
    row.index = index;
    row.inOctets = in;
    row.outOctets = out;
    row.speed = 100000000;
    row.description = "eth" + QByteArray::number(index);
    return row;
}

// An echo reply or an ICMP error as the raw socket hands it over.
QByteArray ipPacket(const QByteArray& icmp, int ttl = 64) {
    QByteArray header(20, '\0');
    header[0] = char(0x45);
    header[8] = char(ttl);
    header[9] = 1;
    return header + icmp;
}

QByteArray echoReply(quint16 identifier, quint16 sequence) {
    QByteArray icmp = IcmpEchoClient::buildRequest(identifier, sequence, 0);
    icmp[0] = 0;
    return ipPacket(icmp);
}

QByteArray errorAbout(int type, quint16 identifier, quint16 sequence) {
    QByteArray icmp(8, '\0');
    icmp[0] = char(type);
    return ipPacket(icmp + ipPacket(IcmpEchoClient::buildRequest(identifier, sequence, 0), 1), 250);
}

}  // namespace

class NetToolsCoreTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }

    // ---- traffic counters
    void trafficUpdate_data();
    void trafficUpdate();
    void trafficFreezeCountsTheFrozenTimeAsOneInterval();
    void trafficResetKeepsTheLastCounters();
    void trafficIdentityFromTheTables();
    void trafficMonitorAddsAndMarksVanishedAdapters();
    void selectionAfterRemove_data();
    void selectionAfterRemove();

    // ---- formatters
    void formatBytesAndSpeed_data();
    void formatBytesAndSpeed();
    void formatAddresses();
    void formatPort_data();
    void formatPort();

    // ---- interface and TCP tables
    void interfaceRowsFromSysfs();
    void procNetTcpParser();
    void tcpConnectionTexts();
    void ipv6EndpointsAreListed();
    void systemTablesAreReadable();

    // ---- connection history
    void historyListenFilterAndComparedColumns();
    void historyRestartRows();
    void historyRowLimit();
    void networkLogSnapshot();

    // ---- ICMP echo
    void echoRequestLayout();
    void matchReply_data();
    void matchReply();
    void malformedAnswersFail();
    void pingLoopback();
    void hopAndReplyLines();

    // ---- WhoIs
    void whoisErrorTexts_data();
    void whoisErrorTexts();
    void whoisChunkedAnswerAndRequestBytes();
    void whoisFailures();
    void whoisServerNames_data();
    void whoisServerNames();

    // ---- address details
    void externalAddressDownload();
};

void NetToolsCoreTest::trafficUpdate_data() {
    QTest::addColumn<quint32>("first");
    QTest::addColumn<QList<quint32>>("updates");
    QTest::addColumn<quint32>("perSec");
    QTest::addColumn<quint32>("total");
    QTest::addColumn<quint32>("active");
    QTest::addColumn<quint32>("peak");
    QTest::addColumn<quint32>("average");
    QTest::newRow("one interval") << 1000u << QList<quint32>{1500} << 500u << 500u << 1u << 500u
                                  << 500u;
    QTest::newRow("idle interval keeps average")
        << 1000u << QList<quint32>{1500, 1500} << 0u << 500u << 1u << 500u << 500u;
    QTest::newRow("counter wraps")
        << 4294967000u << QList<quint32>{296} << 592u << 592u << 1u << 592u << 592u;
    QTest::newRow("average over active intervals")
        << 0u << QList<quint32>{100, 100, 400} << 300u << 400u << 2u << 300u << 200u;
    QTest::newRow("total wraps at 4 GiB")
        << 0u << QList<quint32>{4000000000u, 4000000000u + 500000000u} << 500000000u
        << quint32(4500000000ull & 0xffffffff) << 2u << 4000000000u
        << quint32((4500000000ull & 0xffffffff) / 2);
}

void NetToolsCoreTest::trafficUpdate() {
    QFETCH(quint32, first);
    QFETCH(QList<quint32>, updates);
    TTraffic in(interfaceRow(1, first, 0), {});
    TTraffic out(interfaceRow(1, 0, first), {});
    for (quint32 value : updates) {
        in.Update(value, 0, 10);
        out.Update(0, value, 10);
    }
    QFETCH(quint32, perSec);
    QFETCH(quint32, total);
    QFETCH(quint32, active);
    QFETCH(quint32, peak);
    QFETCH(quint32, average);
    QCOMPARE(in.InPerSec, perSec);
    QCOMPARE(in.TotalIn, total);
    QCOMPARE(in.ActiveCountIn, active);
    QCOMPARE(in.PeakInPerSec, peak);
    QCOMPARE(in.AverageInPerSec, average);
    QCOMPARE(in.TotalOut, 0u);
    QCOMPARE(in.Speed, 10u);
    // The sent side is the same arithmetic on its own fields.
    QCOMPARE(out.OutPerSec, in.InPerSec);
    QCOMPARE(out.TotalOut, in.TotalIn);
    QCOMPARE(out.ActiveCountOut, in.ActiveCountIn);
    QCOMPARE(out.PeakOutPerSec, in.PeakInPerSec);
    QCOMPARE(out.AverageOutPerSec, in.AverageInPerSec);
}

void NetToolsCoreTest::trafficFreezeCountsTheFrozenTimeAsOneInterval() {
    TTraffic traffic(interfaceRow(1, 1000, 0), {});
    QList<bool> notified;
    traffic.OnFreeze = [&](TTraffic* t) { notified.append(t->Running); };
    traffic.OnUnFreeze = [&](TTraffic* t) { notified.append(t->Running); };
    traffic.Update(1100, 0, 1);
    traffic.Freeze();
    traffic.Update(5000, 0, 2);
    traffic.Update(9000, 0, 3);
    QCOMPARE(traffic.InPerSec, 100u);
    QCOMPARE(traffic.TotalIn, 100u);
    QCOMPARE(traffic.Speed, 1u);
    QCOMPARE(traffic.StatusText(), QString("Connected, NOT running"));
    traffic.UnFreeze();
    traffic.Update(10000, 0, 4);
    QCOMPARE(traffic.InPerSec, 8900u);
    QCOMPARE(traffic.PeakInPerSec, 8900u);
    QCOMPARE(traffic.TotalIn, 9000u);
    QCOMPARE(notified, (QList<bool>{false, true}));
}

void NetToolsCoreTest::trafficResetKeepsTheLastCounters() {
    TTraffic traffic(interfaceRow(1, 0, 0), {});
    traffic.Update(1000, 300, 1);
    traffic.ResetCounters();
    QCOMPARE(traffic.TotalIn, 0u);
    QCOMPARE(traffic.PeakOutPerSec, 0u);
    QCOMPARE(traffic.AverageInPerSec, 1000u);  // averages wait for the next moving interval
    traffic.Update(1250, 300, 1);
    QCOMPARE(traffic.InPerSec, 250u);
    QCOMPARE(traffic.TotalIn, 250u);
    QCOMPARE(traffic.AverageInPerSec, 250u);
    QCOMPARE(traffic.AverageOutPerSec, 300u);
}

void NetToolsCoreTest::trafficIdentityFromTheTables() {
    IPHelper::InterfaceRow row = interfaceRow(3);
    row.description = " \teth0 (virtio_net)\n ";
    row.physAddrLen = 6;
    row.physAddr = {0x00, 0x1a, 0x2b, 0x3c, 0x4d, 0x5e};
    const QList<IPHelper::AddressRow> addresses{
        {ipv4(10, 0, 0, 1), 2}, {ipv4(192, 168, 1, 10), 3}, {ipv4(192, 168, 1, 11), 3}};
    TTraffic* announced = nullptr;
    TTraffic traffic(row, addresses, [&](TTraffic* t) { announced = t; });
    QCOMPARE(announced, &traffic);
    QCOMPARE(traffic.IPAddress, QString("192.168.  1. 10"));
    QCOMPARE(traffic.MACAddress, QString("00-1A-2B-3C-4D-5E"));
    QCOMPARE(traffic.Description, QString("eth0 (virtio_net)"));
    QCOMPARE(traffic.StatusText(), QString("Connected, Running"));
    traffic.MarkDisconnected();
    QCOMPARE(traffic.StatusText(), QString("NOT connected, NOT running"));

    TTraffic lonely(interfaceRow(9), addresses);
    QCOMPARE(lonely.IPAddress, QString("!not_found!"));
    QCOMPARE(lonely.MACAddress, QString("00-00-00-00-00-00"));
}

void NetToolsCoreTest::trafficMonitorAddsAndMarksVanishedAdapters() {
    TrafficMonitor monitor;
    QList<quint32> made;
    monitor.onNewTraffic = [&](TTraffic* t) {
        made.append(t->InterfaceIndex);
        QCOMPARE(monitor.at(monitor.count() - 1), t);  // owned before the view hears of it
    };
    int addressReads = 0;
    const auto addresses = [&] {
        ++addressReads;
        return QList<IPHelper::AddressRow>{};
    };
    monitor.refresh({interfaceRow(1, 100), interfaceRow(2, 200)}, addresses);
    monitor.refresh({interfaceRow(2, 260), interfaceRow(5)}, addresses);
    QCOMPARE(made, (QList<quint32>{1, 2, 5}));
    QCOMPARE(addressReads, 3);
    QVERIFY(!monitor.at(0)->Connected);
    QVERIFY(!monitor.at(0)->Running);
    QCOMPARE(monitor.at(1)->InPerSec, 60u);
    QVERIFY(monitor.at(2)->Connected);
    // A vanished adapter stays disconnected when its interface comes back.
    monitor.refresh({interfaceRow(1, 500), interfaceRow(2, 260), interfaceRow(5)}, addresses);
    QVERIFY(!monitor.at(0)->Connected);
    QCOMPARE(monitor.at(0)->InPerSec, 0u);
    QCOMPARE(monitor.findTraffic(5), monitor.at(2));
    QCOMPARE(monitor.findTraffic(7), nullptr);
}

void NetToolsCoreTest::selectionAfterRemove_data() {
    QTest::addColumn<int>("removed");
    QTest::addColumn<int>("countBefore");
    QTest::addColumn<int>("selected");
    QTest::newRow("second of three selects the first") << 1 << 3 << 0;
    QTest::newRow("first of three selects the last") << 0 << 3 << 1;
    QTest::newRow("last of three selects the first") << 2 << 3 << 0;
    QTest::newRow("third of five selects the second") << 2 << 5 << 1;
    QTest::newRow("one left selects nothing") << 0 << 2 << -1;
    QTest::newRow("none left") << 0 << 1 << -1;
}

void NetToolsCoreTest::selectionAfterRemove() {
    QFETCH(int, removed);
    QFETCH(int, countBefore);
    QFETCH(int, selected);
    QCOMPARE(::selectionAfterRemove(removed, countBefore), selected);
}

void NetToolsCoreTest::formatBytesAndSpeed_data() {
    QTest::addColumn<QString>("locale");
    QTest::addColumn<bool>("speed");
    QTest::addColumn<quint32>("value");
    QTest::addColumn<QString>("text");
    QTest::newRow("bytes") << "en_US" << false << 0u << "0.00 B";
    QTest::newRow("1023 B") << "en_US" << false << 1023u << "1,023.00 B";
    QTest::newRow("1 KB") << "en_US" << false << 1024u << "1.00 KB";
    QTest::newRow("KB") << "en_US" << false << 1048575u << "1,024.00 KB";
    QTest::newRow("1 MB") << "en_US" << false << 1048576u << "1.00 MB";
    QTest::newRow("MB") << "en_US" << false << 1073741823u << "1,024.00 MB";
    QTest::newRow("GB beyond the table") << "en_US" << false << 4294967295u << "4.00 GB";
    QTest::newRow("German separators") << "de_DE" << false << 1023u << "1.023,00 B";
    QTest::newRow("bps") << "en_US" << true << 999u << "999.00 bps";
    QTest::newRow("Kbps") << "en_US" << true << 1000u << "1.00 Kbps";
    QTest::newRow("100 Mbps") << "en_US" << true << 100000000u << "100.00 Mbps";
    QTest::newRow("Gbps beyond the table") << "en_US" << true << 1000000000u << "1.00 Gbps";
    QTest::newRow("German Mbps") << "de_DE" << true << 1500000u << "1,50 Mbps";
}

void NetToolsCoreTest::formatBytesAndSpeed() {
    QFETCH(QString, locale);
    QFETCH(bool, speed);
    QFETCH(quint32, value);
    QFETCH(QString, text);
    const QLocale chosen(locale);
    QCOMPARE(speed ? FormatSpeed(value, chosen) : FormatBytes(value, chosen), text);
}

void NetToolsCoreTest::formatAddresses() {
    QCOMPARE(FormatIPv4(ipv4(127, 0, 0, 1)), QString("127.  0.  0.  1"));
    QCOMPARE(FormatIPv4(ipv4(10, 0, 0, 1)), QString(" 10.  0.  0.  1"));
    QCOMPARE(FormatIPv4(ipv4(192, 168, 1, 10)).size(), 15);
    const quint8 mac[8] = {0xde, 0xad, 0xbe, 0xef, 0x00, 0x01, 0x02, 0x03};
    QCOMPARE(FormatMacAddress(mac, 8), QString("DE-AD-BE-EF-00-01-02-03"));
    QCOMPARE(FormatMacAddress(mac, 0), QString("00-00-00-00-00-00"));
}

void NetToolsCoreTest::formatPort_data() {
    QTest::addColumn<quint32>("port");
    QTest::addColumn<QString>("text");
    const QList<QPair<quint32, const char*>> names{
        {0, "LOOPBACK"}, {7, "ECHO"},      {9, "DISCRD"},   {13, "DAYTIM"}, {17, "QOTD"},
        {19, "CHARGEN"}, {20, "FTP "},     {21, "FTPC"},    {23, "TELNET"}, {25, "SMTP"},
        {37, "TIME"},    {43, "WHOIS"},    {53, "DNS "},    {67, "BOOTPS"}, {68, "BOOTPC"},
        {69, "TFTP"},    {70, "GOPHER"},   {79, "FING"},    {80, "HTTP"},   {88, "KERB"},
        {109, "POP2"},   {110, "POP3"},    {119, "NNTP"},   {123, "NTP "},  {135, "LOCSVC"},
        {137, "NBNAME"}, {138, "NBDGRAM"}, {139, "NBSESS"}, {161, "SNMP"}};
    for (const auto& [port, name] : names) {
        QTest::addRow("%u", port) << port << QString::fromLatin1(name);
    }
    QTest::newRow("unnamed 8080") << 8080u << "8080";
    QTest::newRow("unnamed 443") << 443u << " 443";
    QTest::newRow("unnamed 1") << 1u << "   1";
    QTest::newRow("unnamed 65535") << 65535u << "65535";
}

void NetToolsCoreTest::formatPort() {
    QFETCH(quint32, port);
    QFETCH(QString, text);
    QCOMPARE(FormatPort(port), text);
}

void NetToolsCoreTest::interfaceRowsFromSysfs() {
    QTemporaryDir root;
    const auto write = [&](const QString& path, const QByteArray& text) {
        QDir().mkpath(QFileInfo(root.filePath(path)).path());
        QFile file(root.filePath(path));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(text + "\n");
    };
    write("eth0/ifindex", "2");
    write("eth0/speed", "10000");  // 10 Gbit/s does not fit 32 bits
    write("eth0/address", "52:54:00:12:34:56");
    write("eth0/statistics/rx_bytes", "4294967396");  // 2^32 + 100
    write("eth0/statistics/tx_bytes", "77");
    QDir().mkpath(root.filePath("drivers/virtio_net"));
    QVERIFY(QDir().mkpath(root.filePath("eth0/device")));
    QVERIFY(QFile::link(root.filePath("drivers/virtio_net"), root.filePath("eth0/device/driver")));
    write("lo/ifindex", "1");
    write("lo/speed", "-1");
    write("lo/type", "772");
    write("lo/address", "00:00:00:00:00:00");
    write("lo/statistics/rx_bytes", "5");
    write("lo/statistics/tx_bytes", "5");
    write("wg0/ifindex", "7");  // no address, no counters, speed unreadable
    write("drivers/ifindex", "garbage");

    const QList<IPHelper::InterfaceRow> rows = IPHelper::GetInterfaceRows(root.path());
    QCOMPARE(rows.size(), 3);
    QCOMPARE(rows[0].index, 1u);
    QCOMPARE(rows[0].description, QByteArray("lo (loopback)"));
    QCOMPARE(rows[0].speed, 0u);
    QCOMPARE(rows[0].physAddrLen, 6u);
    QCOMPARE(rows[1].index, 2u);
    QCOMPARE(rows[1].description, QByteArray("eth0 (virtio_net)"));
    QCOMPARE(rows[1].speed, 0xffffffffu);
    QCOMPARE(rows[1].inOctets, 100u);
    QCOMPARE(rows[1].outOctets, 77u);
    QCOMPARE(FormatMacAddress(rows[1].physAddr.data(), rows[1].physAddrLen),
             QString("52-54-00-12-34-56"));
    QCOMPARE(rows[2].index, 7u);
    QCOMPARE(rows[2].physAddrLen, 0u);
    QCOMPARE(rows[2].description, QByteArray("wg0 (virtual)"));
}

void NetToolsCoreTest::procNetTcpParser() {
    const QByteArray text =
        "  sl  local_address rem_address   st tx_queue rx_queue tr tm->when retrnsmt   uid  "
        "timeout inode\n"
        "   0: 0100007F:1F90 00000000:0000 0A 00000000:00000000 00:00000000 00000000     0        "
        "0 1 1\n"
        "   1: 0A00000A:0050 00000000:0000 0A 00000000:00000000 00:00000000 00000000     0        "
        "0 2 1\n"
        "   2: 0100007F:D431 0100007F:1F90 01 00000000:00000000 00:00000000 00000000     0        "
        "0 3 1\n"
        "   3: 0100007F:1F90 0100007F:D431 01 00000000:00000000 00:00000000 00000000     0        "
        "0 4 1\n"
        "   4: 0100007F:D432 0100007F:1F90 06 00000000:00000000 00:00000000 00000000     0        "
        "0 5 1\n"
        "   5: 0100007F:D433 0100007F:1F90 08 00000000:00000000 00:00000000 00000000     0        "
        "0 6 1\n"
        "   6: garbage\n"
        "   7: 0100007F:1F9 0100007F XX\n"
        "   8: 0100007F:FFFFF 00000000:0000 0A\n"
        "   9: 0100007F:0015 00000000:0000 0A";  // no final line feed
    const QList<IPHelper::TcpRow> rows = IPHelper::parseProcNetTcp(text);
    QCOMPARE(rows.size(), 5);
    // Sorted by local address, then local port, remote address, remote port.
    QCOMPARE(rows[0].localAddr, ipv4(10, 0, 0, 10));
    QCOMPARE(rows[0].localPort, quint16(80));
    QCOMPARE(rows[0].state, quint32(IPHelper::kTcpListen));
    QCOMPARE(rows[1].localAddr, ipv4(127, 0, 0, 1));
    QCOMPARE(rows[1].localPort, quint16(21));
    QCOMPARE(rows[2].localPort, quint16(8080));
    QCOMPARE(rows[2].remoteAddr, 0u);
    QCOMPARE(rows[3].localPort, quint16(8080));
    QCOMPARE(rows[3].remotePort, quint16(0xD431));
    QCOMPARE(rows[3].state, quint32(IPHelper::kTcpEstablished));
    QCOMPARE(rows[4].localPort, quint16(0xD431));
    QCOMPARE(rows[4].remoteAddr, ipv4(127, 0, 0, 1));
    QCOMPARE(IPHelper::tcpStateFromLinux(6), quint32(IPHelper::kTcpTimeWait));
    QCOMPARE(IPHelper::tcpStateFromLinux(99), 0u);
    QVERIFY(IPHelper::parseProcNetTcp("").isEmpty());
}

void NetToolsCoreTest::tcpConnectionTexts() {
    const QList<TTcpConnStatus> connections = GetTcpConnections(
        {{IPHelper::kTcpListen, ipv4(0, 0, 0, 0), 80, 0, 0},
         {IPHelper::kTcpEstablished, ipv4(127, 0, 0, 1), 54321, ipv4(127, 0, 0, 1), 21},
         {IPHelper::kTcpTimeWait, ipv4(127, 0, 0, 1), 1, ipv4(127, 0, 0, 1), 2}});
    QCOMPARE(connections.size(), 2);
    QCOMPARE(connections[0].localAddress, QString("  0.  0.  0.  0"));
    QCOMPARE(connections[0].localPort, QString("HTTP"));
    QCOMPARE(connections[0].remoteAddress, QString("..."));
    QCOMPARE(connections[0].remotePort, QString("..."));
    QCOMPARE(connections[0].state, QString("listening"));
    QCOMPARE(connections[1].localPort, QString("54321"));
    QCOMPARE(connections[1].remoteAddress, QString("127.  0.  0.  1"));
    QCOMPARE(connections[1].remotePort, QString("FTPC"));
    QCOMPARE(connections[1].state, QString("established"));
}

void NetToolsCoreTest::ipv6EndpointsAreListed() {
    // /proc/net/tcp6 as a little-endian machine prints it: each 32-bit word of
    // the address in host byte order.
    const QByteArray text =
        "  sl  local_address                         remote_address                        st\n"
        "   0: 00000000000000000000000000000000:1F90 00000000000000000000000000000000:0000 0A\n"
        "   1: 00000000000000000000000001000000:0016 00000000000000000000000001000000:9C40 01\n"
        "   2: 0000000000000000FFFF00000100007F:0050 0000000000000000FFFF00000100007F:D431 01\n"
        "   3: 00000000000000000000000001000000:0017 00000000000000000000000001000000:9C41 06\n"
        "   4: 000000000000000000000000010000:0016 00000000000000000000000001000000:9C40 01\n";
    const QList<IPHelper::TcpRow> rows = IPHelper::parseProcNetTcp(text);
    QCOMPARE(rows.size(), 3);
    QVERIFY(rows[0].ipv6);
    QCOMPARE(rows[0].localAddr, 0u);
    const QList<TTcpConnStatus> texts = GetTcpConnections(rows);
    QCOMPARE(texts.size(), 3);
    QCOMPARE(texts[0].localAddress, QString("::"));
    QCOMPARE(texts[0].localPort, QString("8080"));
    QCOMPARE(texts[0].remoteAddress, QString("..."));
    QCOMPARE(texts[0].remotePort, QString("..."));
    QCOMPARE(texts[0].state, QString("listening"));
    QCOMPARE(texts[1].localAddress, QString("::1"));
    QCOMPARE(texts[1].localPort, QString("  22"));
    QCOMPARE(texts[1].remoteAddress, QString("::1"));
    QCOMPARE(texts[1].remotePort, QString("40000"));
    QCOMPARE(texts[1].state, QString("established"));
    QCOMPARE(texts[2].localAddress, QString("::ffff:127.0.0.1"));
    QCOMPARE(texts[2].localPort, QString("HTTP"));

    // A service listening on the IPv6 loopback shows in the system table.
    QTcpServer server;
    if (!server.listen(QHostAddress::LocalHostIPv6))
        QSKIP("this machine has no IPv6 loopback");
    bool seen = false;
    for (const TTcpConnStatus& connection : GetTcpConnections()) {
        seen |= connection.localAddress == "::1" &&
                connection.localPort == FormatPort(server.serverPort()) &&
                connection.state == "listening";
    }
    QVERIFY(seen);
}

void NetToolsCoreTest::systemTablesAreReadable() {
    // The machine always has a loopback interface with an address.
    const QList<IPHelper::InterfaceRow> interfaces = IPHelper::GetInterfaceRows();
    QVERIFY(!interfaces.isEmpty());
    const QList<IPHelper::AddressRow> addresses = IPHelper::GetAddressRows();
    bool loopback = false;
    for (const auto& address : addresses)
        loopback |= address.address == ipv4(127, 0, 0, 1);
    QVERIFY(loopback);
}

void NetToolsCoreTest::historyListenFilterAndComparedColumns() {
    const QDateTime now(QDate(2026, 3, 4), QTime(13, 5, 6));
    ConnectionHistory history;
    QCOMPARE(history.rowCount(), 2);
    const TTcpConnStatus listening{"  0.  0.  0.  0", "HTTP", "...", "...", "listening"};
    const TTcpConnStatus established{"127.  0.  0.  1", "8080", "127.  0.  0.  1", "40000",
                                     "established"};
    const TTcpConnStatus otherLocal{" 10.  0.  0.  1", "8080", "127.  0.  0.  1", "40000",
                                    "established"};

    QCOMPARE(history.poll({listening, established}, false, now), 1);
    QCOMPARE(history.rowCount(), 3);
    QCOMPARE(history.rows()[1], (QStringList{"3/4/26", "1:05:06 PM", "127.  0.  0.  1", "8080",
                                             "127.  0.  0.  1", "40000", "established"}));
    QCOMPARE(history.rows().last(), QStringList(7, QString()));
    // Only the local address differs: the same entry.
    QCOMPARE(history.poll({otherLocal, established}, false, now), 0);
    QCOMPARE(history.poll({listening}, true, now), 1);
    QCOMPARE(history.poll({listening, established}, true, now), 0);
    QCOMPARE(history.rowCount(), 4);
    QCOMPARE(history.rows()[2][3], QString("HTTP"));
    QCOMPARE(history.rows()[2][4], QString("..."));
}

void NetToolsCoreTest::historyRestartRows() {
    const QDateTime now(QDate(2026, 3, 4), QTime(9, 0, 0));
    ConnectionHistory history;
    history.poll({{"a", "1", "b", "2", "established"}}, true, now);
    const int generation = history.generation();
    history.restart(false, now);
    QCOMPARE(history.generation(), generation + 1);
    QCOMPARE(history.rowCount(), 2);
    QCOMPARE(history.rows()[0], (QStringList{"3/4/26", "9:00:00 AM", "Listen status Off", "  OFF",
                                             "  ***", "  ***", "  ***"}));
    QCOMPARE(history.rows()[1], QStringList(7, QString()));
    // The restart forgot the old entry.
    QCOMPARE(history.poll({{"a", "1", "b", "2", "established"}}, true, now), 1);
    history.restart(true, now);
    QCOMPARE(history.rows()[0].mid(2),
             (QStringList{"Listen status On", "  ON", "  ***", "  ***", "  ***"}));
}

void NetToolsCoreTest::historyRowLimit() {
    ConnectionHistory history;
    QList<TTcpConnStatus> connections;
    for (int i = 0; i < 998; ++i) {
        connections.append({"x", QString::number(i), "y", "1", "established"});
    }
    history.poll(connections, true, QDateTime::currentDateTime());
    QCOMPARE(history.rowCount(), 1000);
    QVERIFY(!history.overLimit());
    history.poll({{"x", "new", "y", "1", "established"}}, true, QDateTime::currentDateTime());
    QCOMPARE(history.rowCount(), 1001);
    QVERIFY(history.overLimit());
    QCOMPARE(
        rowLimitWarningText(),
        QString(" There are more then 1000 entries in the table!\r To avoid resource problems, "
                "table will be cleared"));
}

void NetToolsCoreTest::networkLogSnapshot() {
    ConnectionHistory history;
    const QDateTime now(QDate(2026, 1, 2), QTime(3, 4, 5));
    const QStringList lines =
        ::networkLogSnapshot({"203.0.113.9", "10.0.0.2", "edited user", "pc"}, history, now);
    QCOMPARE(lines.mid(0, 8),
             (QStringList{"Corvanta Network Log", QString(24, '-'), "1/2/26 3:04:05 AM",
                          QString(23, '-'), "PC External IP: 203.0.113.9",
                          "PC Internal IP: 10.0.0.2", "User Name: edited user", "PC Name: pc"}));
    QCOMPARE(lines.size(), 8 + 2 * 7);
    QVERIFY(lines.mid(8).join("").isEmpty());
}

void NetToolsCoreTest::echoRequestLayout() {
    const QByteArray request = IcmpEchoClient::buildRequest(0x1234, 3489, 0x01020304);
    QCOMPARE(request.size(), 52);
    QCOMPARE(quint8(request[0]), quint8(8));
    QCOMPARE(quint8(request[1]), quint8(0));
    QCOMPARE(qFromBigEndian<quint16>(request.constData() + 4), quint16(0x1234));
    QCOMPARE(qFromBigEndian<quint16>(request.constData() + 6), quint16(3489));
    QCOMPARE(qFromLittleEndian<quint32>(request.constData() + 8), 0x01020304u);
    QCOMPARE(request.mid(12, 8), QByteArray(8, '\0'));
    QCOMPARE(request.mid(20), QByteArray(32, 'E'));
    // A correct checksum makes the whole message sum to zero.
    QCOMPARE(IcmpEchoClient::checksum(request), quint16(0));
    QCOMPARE(IcmpEchoClient::checksum(QByteArray::fromHex("0800000000010001")), quint16(0xF7FD));
    QCOMPARE(IcmpEchoClient::checksum(QByteArray::fromHex("01")), quint16(0xFEFF));  // odd length
}

void NetToolsCoreTest::matchReply_data() {
    QTest::addColumn<QByteArray>("packet");
    QTest::addColumn<bool>("checkIdentifier");
    QTest::addColumn<bool>("matches");
    QTest::addColumn<int>("status");
    QTest::addColumn<int>("ttl");
    QTest::newRow("echo reply") << echoReply(7, 3489) << true << true << int(TReplyStatusType::Echo)
                                << 64;
    QTest::newRow("other sequence") << echoReply(7, 3488) << true << false << 0 << 0;
    QTest::newRow("other identifier") << echoReply(8, 3489) << true << false << 0 << 0;
    QTest::newRow("datagram socket ignores identifier")
        << echoReply(8, 3489) << false << true << int(TReplyStatusType::Echo) << 64;
    QTest::newRow("own request on loopback")
        << ipPacket(IcmpEchoClient::buildRequest(7, 3489, 0)) << true << false << 0 << 0;
    QTest::newRow("time exceeded")
        << errorAbout(11, 7, 3489) << true << true << int(TReplyStatusType::TTLExceeded) << 250;
    QTest::newRow("unreachable") << errorAbout(3, 7, 3489) << true << true
                                 << int(TReplyStatusType::Unreachable) << 250;
    QTest::newRow("error about another request")
        << errorAbout(11, 7, 4000) << true << false << 0 << 0;
    // Strangers on a raw socket pass by instead of ending the series.
    QTest::newRow("short packet") << ipPacket("\x00\x00\x00") << true << false << 0 << 0;
    QTest::newRow("bare header bytes") << QByteArray(8, '\x45') << true << false << 0 << 0;
    QTest::newRow("empty") << QByteArray() << true << false << 0 << 0;
}

void NetToolsCoreTest::matchReply() {
    QFETCH(QByteArray, packet);
    QFETCH(bool, checkIdentifier);
    QFETCH(bool, matches);
    QFETCH(int, status);
    QFETCH(int, ttl);
    const auto reply = IcmpEchoClient::matchReply(packet, "10.1.1.1", 7, 3489, checkIdentifier);
    QCOMPARE(reply.has_value(), matches);
    if (!reply)
        return;
    QCOMPARE(int(reply->ReplyStatusType), status);
    QCOMPARE(reply->TimeToLive, ttl);
    QCOMPARE(reply->BytesReceived, packet.size());
    QCOMPARE(reply->SequenceId, 3489);
    QCOMPARE(reply->FromIpAddress, QString("10.1.1.1"));
}

void NetToolsCoreTest::malformedAnswersFail() {
    const auto failure = [](const QByteArray& packet) {
        try {
            IcmpEchoClient::matchReply(packet, "1.2.3.4", 7, 3489, true);
        } catch (const AppError& error) {
            return error.message();
        }
        return QString();
    };
    QCOMPARE(failure(errorAbout(12, 7, 3489)), QString("Non-echo type response received"));
}

void NetToolsCoreTest::pingLoopback() {
    IcmpEchoClient client;
    client.Host = "127.0.0.1";
    try {
        client.Ping();
    } catch (const AppError& error) {
        QSKIP(qPrintable("no ICMP socket here: " + error.message()));
    }
    qInfo() << "ICMP socket kind:"
            << (client.socketKind() == IcmpSocket::Kind::Raw ? "raw" : "datagram");
    TReplyStatus first = client.ReplyStatus();
    QCOMPARE(int(first.ReplyStatusType), int(TReplyStatusType::Echo));
    QCOMPARE(first.SequenceId, 3489);
    QCOMPARE(first.BytesReceived, 72);
    QCOMPARE(first.FromIpAddress, QString("127.0.0.1"));
    QVERIFY(first.TimeToLive > 0);
    // TTL 1 still reaches the machine itself.
    client.TTL = 1;
    client.Ping();
    QCOMPARE(int(client.ReplyStatus().ReplyStatusType), int(TReplyStatusType::Echo));
    QCOMPARE(client.ReplyStatus().SequenceId, 3490);
    QCOMPARE(client.nextSequence(), quint16(3491));

    client.Host = "no such host!";  // not a host name: refused before any look-up
    QVERIFY_THROWS_EXCEPTION(AppError, client.Ping());
    // A failed request never leaves the previous answer as its result (a
    // trace would report the last router again for every later hop).
    QCOMPARE(int(client.ReplyStatus().ReplyStatusType), int(TReplyStatusType::Error));
}

void NetToolsCoreTest::hopAndReplyLines() {
    TReplyStatus reply;
    reply.BytesReceived = 72;
    reply.FromIpAddress = "127.0.0.1";
    reply.SequenceId = 3489;
    reply.TimeToLive = 64;
    QCOMPARE(pingReplyLine(reply),
             QString("72 bytes from 127.0.0.1: icmp_seq=3489 ttl=64 time<1 ms"));
    reply.MsRoundTripTime = 12;
    QCOMPARE(pingReplyLine(reply),
             QString("72 bytes from 127.0.0.1: icmp_seq=3489 ttl=64 time=12 ms"));
    QCOMPARE(pingReplyLine(TReplyStatus{}),
             QString("0 bytes from 0.0.0.0: icmp_seq=0 ttl=0 time<1 ms"));
    QCOMPARE(traceHopLine(1, "...", "127.0.0.1", 3, 64, "DONE!"),
             QString("1    ") + "..." + QString(42, ' ') + " 127.0.0.1" + QString(9, ' ') +
                 "    3ms  64   DONE!");
    QCOMPARE(traceHopLine(12, "h", "1.2.3.4", 15000, 250, "OK").mid(70),
             QString("15000ms  250  OK"));
}

void NetToolsCoreTest::whoisErrorTexts_data() {
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("text");
    QTest::newRow("4") << 4 << "Error WSAEINTR";
    QTest::newRow("35") << 35 << "Error WSAEWOULDBLOCK";
    QTest::newRow("61") << 61 << "Error WSAECONNREFUSED";
    QTest::newRow("71") << 71 << "Error WSAEREMOTE";
    QTest::newRow("101") << 101 << "Error WSAEDISCON";
    QTest::newRow("1001") << 1001 << "Error WSAHOST_NOT_FOUND";
    QTest::newRow("1004") << 1004 << "Error WSANO_DATA";
    QTest::newRow("no name 0") << 0 << "";
    QTest::newRow("no name 72") << 72 << "";
    QTest::newRow("no name 1005") << 1005 << "";
}

void NetToolsCoreTest::whoisErrorTexts() {
    QFETCH(int, code);
    QFETCH(QString, text);
    QCOMPARE(WhoisClient::errorText(code), text);
    QCOMPARE(WhoisClient::codeFromErrno(ECONNREFUSED), 61);
    QCOMPARE(WhoisClient::codeFromErrno(ETIMEDOUT), 60);
    QCOMPARE(WhoisClient::codeFromErrno(ENETUNREACH), 51);
    QCOMPARE(WhoisClient::codeFromResolver(EAI_NONAME, 0), 1001);
    QCOMPARE(WhoisClient::codeFromResolver(EAI_AGAIN, 0), 1002);
    QCOMPARE(WhoisClient::codeFromResolver(EAI_SYSTEM, EMFILE), 24);
}

void NetToolsCoreTest::whoisChunkedAnswerAndRequestBytes() {
    QByteArray answer;
    for (int i = 0; answer.size() < 1200; ++i)
        answer += "line " + QByteArray::number(i) + " of the record\n";
    answer.truncate(1200);
    LineServer server;
    QVERIFY(server.start({answer, 400, 40, false}));
    WhoisClient client;
    client.port = server.port();
    client.Server = "127.0.0.1";
    client.Query = "abcdef.com";
    QCOMPARE(client.WhoisQuery(), QString::fromLatin1(answer));
    QCOMPARE(client.CachedAddress, QString("127.0.0.1"));
    // A long query goes out whole.
    client.Query = QString(80, 'q') + ".example";
    QCOMPARE(client.WhoisQuery(), QString::fromLatin1(answer));
    server.stop();
    const QList<QByteArray> requests = server.requests();
    QCOMPARE(requests.size(), 2);
    QCOMPARE(requests[0], QByteArray("abcdef.com\n"));
    QCOMPARE(requests[0].size(), 11);
    QCOMPARE(requests[1], QByteArray(80, 'q') + ".example\n");

    // A zero byte ends what its chunk contributes; UTF-8 answers are decoded.
    LineServer zero;
    QVERIFY(zero.start({QByteArray("caf\xc3\xa9\0hidden", 12), 500, 0, false}));
    client.port = zero.port();
    QCOMPARE(client.WhoisRequest("127.0.0.1", "x").text, QString::fromUtf8("caf\xc3\xa9"));
}

void NetToolsCoreTest::whoisFailures() {
    // A port nobody can listen on: the one this process holds bound.
    WhoisClient client;
    client.port = TestEnvironment::closedPort();
    client.Server = "127.0.0.1";
    client.Query = "example.com";
    QCOMPARE(client.WhoisQuery(), QString("Error WSAECONNREFUSED"));

    client.Server = "no such host!";  // not a host name: refused before any look-up
    client.CachedAddress.clear();
    QCOMPARE(client.WhoisQuery(), QString("Error WSAHOST_NOT_FOUND"));

    LineServer stalling;
    QVERIFY(stalling.start({{}, 0, 0, true}));
    client.Server = "127.0.0.1";
    client.CachedAddress.clear();
    client.port = stalling.port();
    client.receiveTimeoutMs = 300;
    QCOMPARE(client.WhoisQuery(), QString("Error WSAETIMEDOUT"));
}

void NetToolsCoreTest::whoisServerNames_data() {
    QTest::addColumn<QString>("server");
    QTest::addColumn<QString>("host");
    QTest::addColumn<int>("port");
    QTest::newRow("host") << "whois.iana.org"
                          << "whois.iana.org" << 43;
    QTest::newRow("host and port") << "127.0.0.1:4343"
                                   << "127.0.0.1" << 4343;
    QTest::newRow("port 0 is no port") << "whois.iana.org:0"
                                       << "whois.iana.org:0" << 43;
    QTest::newRow("port out of range") << "whois.iana.org:70000"
                                       << "whois.iana.org:70000" << 43;
    QTest::newRow("no digits") << "whois.iana.org:"
                               << "whois.iana.org:" << 43;
    QTest::newRow("IPv6 address") << "::1"
                                  << "::1" << 43;
}

void NetToolsCoreTest::whoisServerNames() {
    QFETCH(QString, server);
    QFETCH(QString, host);
    QFETCH(int, port);
    const WhoisClient::ServerName name = WhoisClient::splitServer(server, 43);
    QCOMPARE(name.host, host);
    QCOMPARE(int(name.port), port);
    if (QTest::currentDataTag() != QByteArray("host and port"))
        return;
    // A port in the server's name is the one asked.
    LineServer other;
    QVERIFY(other.start({QByteArray("record\n"), 100, 0, false}));
    WhoisClient client;
    client.Server = "127.0.0.1:" + QString::number(other.port());
    client.Query = "example.com";
    QCOMPARE(client.WhoisQuery(), QString("record\n"));
}

void NetToolsCoreTest::externalAddressDownload() {
    LoopbackHttpServer server;
    QVERIFY(
        server.start(LoopbackHttpServer::serveMap({{"/myip.php", "203.0.113.7"}}, "text/plain")));
    ServiceAddress::set(kExternalAddressService, "127.0.0.1:8123/ip");
    QCOMPARE(externalAddressUrl(), QString("https://127.0.0.1:8123/ip"));
    ServiceAddress::set(kExternalAddressService, server.url("/myip.php"));
    QCOMPARE(externalAddressUrl(), server.url("/myip.php"));

    QTemporaryDir folder;
    const QString file = folder.filePath("myip.txt");
    QVERIFY(downloadToFile(externalAddressUrl(), file));
    QFile saved(file);
    QVERIFY(saved.open(QIODevice::ReadOnly));
    QCOMPARE(saved.readAll(), QByteArray("203.0.113.7"));
    saved.close();
    // A failed download keeps the earlier file.
    QVERIFY(!downloadToFile(server.url("/missing"), file));
    QVERIFY(saved.open(QIODevice::ReadOnly));
    QCOMPARE(saved.readAll(), QByteArray("203.0.113.7"));
    QCOMPARE(server.requests().size(), 2);
}

CORVANTA_TEST_MAIN(NetToolsCoreTest)
#include "tst_nettools_core.moc"
