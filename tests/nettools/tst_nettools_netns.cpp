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
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTabWidget>
#include <QTimer>
#include <QToolBar>
#include <QtEndian>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sched.h>
#include <sys/socket.h>
#include <unistd.h>
#include <algorithm>
#include <atomic>
#include <cstring>
#include <optional>
#include <thread>

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
    void traceThroughTwoRouters_data();
    void traceThroughTwoRouters();
    void datagramSocketSeesTheRouters();
    void aProbeThatFailsRepeatsThePreviousReply();
    void stopEndsTheWaitAndTraceStartsAgainAtOnce();
    void aReplyForAWaitingRequestIsKeptForIt();

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

void NetToolsNamespaceTest::traceThroughTwoRouters_data() {
    QTest::addColumn<bool>("datagram");  // the unprivileged socket, else the raw one
    QTest::newRow("raw socket") << false;
    QTest::newRow("datagram socket") << true;
}

void NetToolsNamespaceTest::traceThroughTwoRouters() {
    QFETCH(bool, datagram);
    // Allowed inside the client's namespace only; the window takes the
    // unprivileged kind wherever it may.
    if (datagram)
        QVERIFY(exec("c", {"sysctl", "-qw", "net.ipv4.ping_group_range=0 2147483647"}));
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
    // Each answer's own time-to-live: sent with 64, one less per router passed.
    const QStringList ttl{"64", "63", "62"};
    static const QRegularExpression ttlColumn(QStringLiteral("ms  (\\d+) +\\S+$"));
    for (int hop = 0; hop < 3; ++hop) {
        QVERIFY2(log[hop].startsWith(QString::number(hop + 1) + "    ...  "), qPrintable(log[hop]));
        QVERIFY2(log[hop].contains(" " + from[hop] + " "), qPrintable(log[hop]));
        QVERIFY2(log[hop].endsWith(" " + info[hop]), qPrintable(log[hop]));
        QCOMPARE(ttlColumn.match(log[hop]).captured(1), ttl[hop]);
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

void NetToolsNamespaceTest::aProbeThatFailsRepeatsThePreviousReply() {
    InNamespace client(ns("c"));
    QVERIFY(client.entered());
    RecordingToolHost host;
    TNetToosFrm window(host);
    auto* log = window.findChild<QPlainTextEdit*>("ReLog");
    // Once hop 1 is logged the client loses its route, so hop 2 cannot be
    // sent; the route comes back as soon as the failure is logged.
    QObject::connect(log, &QPlainTextEdit::textChanged, log, [&] {
        const QString text = log->toPlainText();
        if (text.startsWith("1 ") && !text.contains('\n'))
            exec("c", {"ip", "route", "del", "default"});
        else if (text.endsWith("** ERROR **"))
            exec("c", {"ip", "route", "add", "default", "via", "10.231.1.1"});
    });
    window.findChild<QLineEdit*>("edtHost")->setText("10.231.3.2");
    window.findChild<QAction*>("TBXTrc")->trigger();
    const QStringList lines = log->toPlainText().split('\n');
    QCOMPARE(lines.size(), 4);
    QVERIFY2(lines[0].startsWith("1 ") && lines[0].contains(" 10.231.1.1 "), qPrintable(lines[0]));
    QCOMPARE(lines[1], QString("** ERROR **"));
    // The previous reply stands for the failed hop, and the trace goes on.
    QVERIFY2(
        lines[2].startsWith("2 ") && lines[2].contains(" 10.231.1.1 ") && lines[2].endsWith(" OK"),
        qPrintable(lines[2]));
    QVERIFY2(lines[3].startsWith("3 ") && lines[3].endsWith(" DONE!"), qPrintable(lines[3]));
    QCOMPARE(window.findChild<QLabel*>("StatusPanel0")->text(), QString("Done."));
    QVERIFY(window.queryClose());
}

void NetToolsNamespaceTest::stopEndsTheWaitAndTraceStartsAgainAtOnce() {
    if (QGuiApplication::platformName() != "xcb")
        QSKIP("clicks with real X input need an X display");
    if (QStandardPaths::findExecutable("xdotool").isEmpty())
        QSKIP("xdotool is not installed");
    // The target keeps silent at first: the probe of hop 3 waits for its
    // time-out of 15 s.
    QVERIFY(exec("t", {"sysctl", "-qw", "net.ipv4.icmp_echo_ignore_all=1"}));
    InNamespace client(ns("c"));
    QVERIFY(client.entered());
    RecordingToolHost host;
    TNetToosFrm window(host);
    window.resize(900, 400);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    window.findChild<QTabWidget*>("PageControl")->setCurrentIndex(2);
    window.findChild<QLineEdit*>("edtHost")->setText("10.231.3.2");
    auto* log = window.findChild<QPlainTextEdit*>("ReLog");
    auto* status = window.findChild<QLabel*>("StatusPanel0");
    QAction* traceAction = window.findChild<QAction*>("TBXTrc");
    QAction* stopAction = window.findChild<QAction*>("TBXTStop");
    const auto buttonOf = [&](QAction* action) {
        for (QToolBar* bar : window.findChildren<QToolBar*>()) {
            if (QWidget* button = bar->widgetForAction(action))
                return button;
        }
        return static_cast<QWidget*>(nullptr);
    };
    const auto click = [](QWidget* button) {
        const QPoint at = button->mapToGlobal(button->rect().center());
        return QProcess::execute("xdotool", {"mousemove", QString::number(at.x()),
                                             QString::number(at.y()), "click", "1"}) == 0;
    };
    QStringList shown;  // the log after each change
    QObject::connect(log, &QPlainTextEdit::textChanged, log,
                     [&] { shown.append(log->toPlainText()); });
    // While hop 3 waits: the target answers from now on, and a person clicks
    // "Stop", then "Trace".
    bool clicked = false;
    QTimer watch;
    watch.setInterval(20);
    QObject::connect(&watch, &QTimer::timeout, &watch, [&] {
        if (clicked || status->text() != " ping 10.231.3.2 ..." ||
            log->toPlainText().split('\n').size() != 2) {
            return;
        }
        clicked = true;
        QVERIFY(exec("t", {"sysctl", "-qw", "net.ipv4.icmp_echo_ignore_all=0"}));
        QVERIFY(click(buttonOf(stopAction)));
        QVERIFY(click(buttonOf(traceAction)));
    });
    watch.start();
    traceAction->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(shown.size() > 4 && log->toPlainText().endsWith(" DONE!"), 30000);
    watch.stop();
    QVERIFY(clicked);

    // The first trace ended at the click, without its probe's time-out.
    QVERIFY2(std::none_of(shown.begin(), shown.end(),
                          [](const QString& text) { return text.contains("TIMEOUT"); }),
             qPrintable(shown.join("\n--\n")));
    const QStringList first = shown.filter("** INTERRUPTED **");
    QCOMPARE(first.size(), 1);
    QCOMPARE(first[0].split('\n').size(), 3);
    QVERIFY(first[0].endsWith("\n** INTERRUPTED **"));
    // The second ran whole.
    const QStringList second = log->toPlainText().split('\n');
    QCOMPARE(second.size(), 3);
    QVERIFY2(second[2].startsWith("3 ") && second[2].contains(" 10.231.3.2 "),
             qPrintable(second[2]));
    QCOMPARE(status->text(), QString("Done."));
    QVERIFY(traceAction->isEnabled());
    QVERIFY(window.queryClose());
}

namespace {

enum { kResponderStarting, kResponderListening, kResponderAnswered, kResponderFailed };

// Answers echo requests to `address` in the namespace it runs in (where the
// kernel's own answers are off): holds the first request until a second one
// came, then answers both in order.
void answerTwoInOrder(const QString& namespaceName, quint32 address, std::atomic<int>* state) {
    InNamespace target(namespaceName);
    const int socket = ::socket(AF_INET, SOCK_RAW | SOCK_CLOEXEC, IPPROTO_ICMP);
    if (!target.entered() || socket < 0) {
        *state = kResponderFailed;
        return;
    }
    *state = kResponderListening;
    QList<QPair<sockaddr_in, QByteArray>> requests;
    QDeadlineTimer deadline(20000);
    while (requests.size() < 2 && !deadline.hasExpired()) {
        pollfd entry{socket, POLLIN, 0};
        if (::poll(&entry, 1, 100) <= 0)
            continue;
        char buffer[2048];
        sockaddr_in from{};
        socklen_t length = sizeof from;
        const ssize_t size = ::recvfrom(socket, buffer, sizeof buffer, 0,
                                        reinterpret_cast<sockaddr*>(&from), &length);
        const int header = size > 0 ? (buffer[0] & 0x0f) * 4 : 0;
        quint32 destination = 0;
        if (size >= 20)
            std::memcpy(&destination, buffer + 16, 4);
        if (size < header + 8 || buffer[header] != 8 || destination != address)
            continue;
        requests.append({from, QByteArray(buffer + header, int(size - header))});
    }
    for (auto& [from, message] : requests) {
        message[0] = 0;  // echo reply
        message[2] = message[3] = 0;
        qToBigEndian(IcmpEchoClient::checksum(message), message.data() + 2);
        ::sendto(socket, message.constData(), size_t(message.size()), 0,
                 reinterpret_cast<const sockaddr*>(&from), sizeof from);
    }
    ::close(socket);
    *state = requests.size() == 2 ? kResponderAnswered : kResponderFailed;
}

}  // namespace

void NetToolsNamespaceTest::aReplyForAWaitingRequestIsKeptForIt() {
    // A request that starts while another waits (the pinger's while a trace's
    // probe waits) reads the socket they share: the reply that comes for the
    // waiting one must still reach it.
    QVERIFY(exec("t", {"sysctl", "-qw", "net.ipv4.icmp_echo_ignore_all=1"}));
    quint32 target = 0;
    QVERIFY(inet_pton(AF_INET, "10.231.3.2", &target) == 1);
    std::atomic<int> responderState = kResponderStarting;
    std::thread responder(answerTwoInOrder, ns("t"), target, &responderState);
    while (responderState == kResponderStarting)
        std::this_thread::yield();
    InNamespace client(ns("c"));
    QVERIFY(client.entered());
    IcmpEchoClient echo;
    echo.Host = "10.231.3.2";
    echo.TTL = 64;
    echo.ReceiveTimeout = 10000;
    std::optional<TReplyStatus> inner;
    bool nested = false;
    echo.idle = [&] {
        if (!std::exchange(nested, true) && echo.Ping())
            inner = echo.ReplyStatus();
    };
    const bool outerAnswered = echo.Ping();
    responder.join();
    QCOMPARE(responderState.load(), int(kResponderAnswered));
    QVERIFY(inner);
    QCOMPARE(int(inner->ReplyStatusType), int(TReplyStatusType::Echo));
    QCOMPARE(inner->SequenceId, 3490);
    QVERIFY(outerAnswered);
    QCOMPARE(int(echo.ReplyStatus().ReplyStatusType), int(TReplyStatusType::Echo));
    QCOMPARE(echo.ReplyStatus().SequenceId, 3489);
    QCOMPARE(echo.ReplyStatus().FromIpAddress, QString("10.231.3.2"));
}

CORVANTA_TEST_MAIN(NetToolsNamespaceTest)
#include "tst_nettools_netns.moc"
