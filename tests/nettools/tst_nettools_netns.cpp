// Trace route and ICMP errors through two routers made of network namespaces
// that this test builds and removes itself:
//   client 10.231.1.2 -- 10.231.1.1 router1 10.231.2.1 -- 10.231.2.2 router2 10.231.3.1
//     -- 10.231.3.2 target
// Every packet stays inside these namespaces. Needs root and `ip netns`;
// skipped otherwise.
#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProcess>
#include <QRegularExpression>

#include <fcntl.h>
#include <sched.h>
#include <unistd.h>

#include "AppError.h"
#include "IcmpEchoClient.h"
#include "RecordingToolHost.h"
#include "TestEnvironment.h"
#include "fmNetTools.h"

namespace {

bool run(const QStringList& arguments, QString* error = nullptr) {
    QProcess process;
    process.start(QStringLiteral("ip"), arguments);
    if (!process.waitForFinished(10000) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0) {
        if (error) {
            *error = QStringLiteral("ip %1: %2")
                         .arg(arguments.join(' '),
                              QString::fromLocal8Bit(process.readAllStandardError()));
        }
        return false;
    }
    return true;
}

// Runs the calling thread inside a namespace for the guard's lifetime (sockets
// opened meanwhile stay in it).
class InNamespace {
public:
    explicit InNamespace(const QString& name) {
        m_home = ::open("/proc/thread-self/ns/net", O_RDONLY | O_CLOEXEC);
        const int target =
            ::open(("/run/netns/" + name).toLocal8Bit().constData(), O_RDONLY | O_CLOEXEC);
        m_entered = m_home >= 0 && target >= 0 && ::setns(target, CLONE_NEWNET) == 0;
        if (target >= 0)
            ::close(target);
    }
    ~InNamespace() {
        if (m_entered)
            ::setns(m_home, CLONE_NEWNET);
        if (m_home >= 0)
            ::close(m_home);
    }
    bool entered() const { return m_entered; }

private:
    int m_home = -1;
    bool m_entered = false;
};

}  // namespace

class NetToolsNamespaceTest : public QObject {
    Q_OBJECT
public:
    ~NetToolsNamespaceTest() override { removeEverything(); }

private slots:
    // Each test gets routers of its own: a router's ICMP error budget for a
    // peer and its routes would otherwise carry over to the next test.
    void init();
    void cleanup();
    void traceThroughTwoRouters();
    void datagramSocketSeesTheRouters();

private:
    void removeEverything();
    void removeStaleNamespaces();
    QString ns(const char* role) const { return m_prefix + role; }
    bool exec(const char* role, const QStringList& arguments) {
        QString error;
        const bool ok = run(QStringList{"netns", "exec", ns(role)} + arguments, &error);
        if (!ok)
            qWarning("%s", qPrintable(error));
        return ok;
    }

    QString m_prefix = QStringLiteral("cvnt%1").arg(::getpid());
    QStringList m_made;
    QString m_problem;
};

void NetToolsNamespaceTest::init() {
    if (::geteuid() != 0)
        QSKIP("needs root for network namespaces");
    removeEverything();  // what a failed start of the test before left
    removeStaleNamespaces();
    for (const char* role : {"c", "r1", "r2", "t"}) {
        if (!run({"netns", "add", ns(role)}, &m_problem))
            QSKIP(qPrintable(m_problem));
        m_made.append(ns(role));
    }
    // Three links: client-router1, router1-router2, router2-target.
    const struct {
        const char* left;
        const char* right;
        const char* leftAddress;
        const char* rightAddress;
    } links[] = {{"c", "r1", "10.231.1.2/24", "10.231.1.1/24"},
                 {"r1", "r2", "10.231.2.1/24", "10.231.2.2/24"},
                 {"r2", "t", "10.231.3.1/24", "10.231.3.2/24"}};
    int n = 0;
    for (const auto& link : links) {
        const QString left = QStringLiteral("%1l%2").arg(m_prefix).arg(n);
        const QString right = QStringLiteral("%1r%2").arg(m_prefix).arg(n++);
        QVERIFY(run({"link", "add", left, "type", "veth", "peer", "name", right}, &m_problem));
        QVERIFY(run({"link", "set", left, "netns", ns(link.left)}, &m_problem));
        QVERIFY(run({"link", "set", right, "netns", ns(link.right)}, &m_problem));
        QVERIFY(exec(link.left, {"ip", "addr", "add", link.leftAddress, "dev", left}));
        QVERIFY(exec(link.right, {"ip", "addr", "add", link.rightAddress, "dev", right}));
        QVERIFY(exec(link.left, {"ip", "link", "set", left, "up"}));
        QVERIFY(exec(link.right, {"ip", "link", "set", right, "up"}));
    }
    for (const char* role : {"c", "r1", "r2", "t"})
        QVERIFY(exec(role, {"ip", "link", "set", "lo", "up"}));
    for (const char* role : {"r1", "r2"})
        QVERIFY(exec(role, {"sysctl", "-qw", "net.ipv4.ip_forward=1"}));
    QVERIFY(exec("c", {"ip", "route", "add", "default", "via", "10.231.1.1"}));
    QVERIFY(exec("r1", {"ip", "route", "add", "10.231.3.0/24", "via", "10.231.2.2"}));
    QVERIFY(exec("r2", {"ip", "route", "add", "10.231.1.0/24", "via", "10.231.2.1"}));
    QVERIFY(exec("t", {"ip", "route", "add", "default", "via", "10.231.3.1"}));
}

void NetToolsNamespaceTest::cleanup() {
    removeEverything();
}

// Deleting a namespace takes its ends of the links with it; a link not yet
// moved into one is deleted by name.
void NetToolsNamespaceTest::removeEverything() {
    for (const QString& name : std::as_const(m_made))
        run({"netns", "del", name});
    m_made.clear();
    for (int n = 0; n < 3; ++n) {
        const QString left = QStringLiteral("%1l%2").arg(m_prefix).arg(n);
        if (QFile::exists("/sys/class/net/" + left))
            run({"link", "del", left});
    }
}

// Namespaces left by an earlier run of this test that died.
void NetToolsNamespaceTest::removeStaleNamespaces() {
    const QStringList names = QDir("/run/netns").entryList(QDir::Files | QDir::System);
    static const QRegularExpression ours(QStringLiteral("^cvnt(\\d+)(c|r1|r2|t)$"));
    for (const QString& name : names) {
        const QRegularExpressionMatch match = ours.match(name);
        if (match.hasMatch() && !QFileInfo::exists("/proc/" + match.captured(1))) {
            run({"netns", "del", name});
        }
    }
}

void NetToolsNamespaceTest::traceThroughTwoRouters() {
    // The namespace first: the window and every socket it opens are made inside
    // it, so no probe for these addresses can leave through the machine's route.
    InNamespace client(ns("c"));
    QVERIFY(client.entered());
    RecordingToolHost host;
    TNetToosFrm window(host);
    window.findChild<QLineEdit*>("edtHost")->setText("10.231.3.2");
    window.findChild<QAction*>("TBXTrc")->trigger();
    const QStringList log = window.findChild<QPlainTextEdit*>("ReLog")->toPlainText().split('\n');
    QCOMPARE(log.size(), 3);
    const QStringList from{"10.231.1.1", "10.231.2.2", "10.231.3.2"};
    const QStringList info{"OK", "OK", "DONE!"};
    for (int hop = 0; hop < 3; ++hop) {
        QVERIFY2(log[hop].startsWith(QString::number(hop + 1) + "    ...  "), qPrintable(log[hop]));
        QVERIFY2(log[hop].contains(" " + from[hop] + " "), qPrintable(log[hop]));
        QVERIFY2(log[hop].endsWith(" " + info[hop]), qPrintable(log[hop]));
    }
    QCOMPARE(window.findChild<QLineEdit*>("edtIP")->text(), QString("10.231.3.2"));
    QCOMPARE(window.findChild<QPlainTextEdit*>("ReLog")->palette().color(QPalette::Text),
             QColor(0, 128, 0));
}

void NetToolsNamespaceTest::datagramSocketSeesTheRouters() {
    // The unprivileged kind, allowed inside the client's namespace only.
    QVERIFY(exec("c", {"sysctl", "-qw", "net.ipv4.ping_group_range=0 2147483647"}));
    InNamespace client(ns("c"));
    QVERIFY(client.entered());
    IcmpEchoClient echo([] { return IcmpSocket::open(IcmpSocket::Kind::Datagram); });
    echo.Host = "10.231.3.2";
    echo.ReceiveTimeout = 3000;
    const QList<QPair<QString, TReplyStatusType>> expected{
        {"10.231.1.1", TReplyStatusType::TTLExceeded},
        {"10.231.2.2", TReplyStatusType::TTLExceeded},
        {"10.231.3.2", TReplyStatusType::Echo}};
    for (int ttl = 1; ttl <= 3; ++ttl) {
        echo.TTL = ttl;
        echo.Ping();
        const TReplyStatus& reply = echo.ReplyStatus();
        QCOMPARE(reply.FromIpAddress, expected[ttl - 1].first);
        QCOMPARE(int(reply.ReplyStatusType), int(expected[ttl - 1].second));
        QCOMPARE(reply.SequenceId, 3489 + ttl - 1);
    }
    QCOMPARE(echo.ReplyStatus().BytesReceived, 72);
    QVERIFY(echo.ReplyStatus().TimeToLive > 0);
    QCOMPARE(echo.socketKind(), IcmpSocket::Kind::Datagram);

    // An address nobody routes: the router's "unreachable" comes back.
    QVERIFY(exec("r1", {"ip", "route", "add", "unreachable", "10.231.9.0/24"}));
    echo.Host = "10.231.9.9";
    echo.TTL = 64;
    echo.Ping();
    QCOMPARE(int(echo.ReplyStatus().ReplyStatusType), int(TReplyStatusType::Unreachable));
    QCOMPARE(echo.ReplyStatus().FromIpAddress, QString("10.231.1.1"));
}

CORVANTA_TEST_MAIN(NetToolsNamespaceTest)
#include "tst_nettools_netns.moc"
