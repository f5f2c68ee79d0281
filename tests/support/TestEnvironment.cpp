#include "TestEnvironment.h"

#include <QDir>
#include <QTemporaryDir>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>

namespace {

quint16 heldPort = 0;

// Binds 127.0.0.1 on a port the system picks and keeps the socket for the
// life of the process without listening.
quint16 holdClosedPort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        qFatal("cannot make a socket for the closed port");
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        qFatal("cannot bind the closed loopback port");
    }
    return ntohs(address.sin_port);
}

QTemporaryDir& root() {
    static QTemporaryDir dir(QDir::tempPath() + "/corvanta-test-XXXXXX");
    return dir;
}

void clearFolder(const QString& path) {
    QDir dir(path);
    dir.removeRecursively();
    QDir().mkpath(path);
}

}  // namespace

namespace TestEnvironment {

QString configHome() {
    return root().path() + "/config";
}
QString dataHome() {
    return root().path() + "/data";
}

quint16 closedPort() {
    return heldPort;
}

void prepare() {
    heldPort = holdClosedPort();
    qputenv("CORVANTA_TEST_CLOSED_PORT", QByteArray::number(heldPort));
    const QString base = root().path();
    for (const char* sub : {"/config", "/data", "/runtime", "/cache"}) {
        QDir().mkpath(base + sub);
    }
    QFile::setPermissions(base + "/runtime",
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    qputenv("XDG_CONFIG_HOME", (base + "/config").toUtf8());
    qputenv("XDG_DATA_HOME", (base + "/data").toUtf8());
    qputenv("XDG_RUNTIME_DIR", (base + "/runtime").toUtf8());
    qputenv("XDG_CACHE_HOME", (base + "/cache").toUtf8());
    qputenv("CORVANTA_TEST", "1");
    // A session bus that is not there: with none named, D-Bus (asked for by
    // Qt's accessibility bridge) starts one by forking this threaded process,
    // and under the sanitizers that child can hang for good on a lock another
    // thread held at the fork, leaving the test waiting on it.
    qputenv("DBUS_SESSION_BUS_ADDRESS", ("unix:path=" + base + "/runtime/no-bus").toUtf8());
    // The browser engine: no sandbox (tests may run as root), no requests of
    // its own, software rendering.
    qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    qputenv(
        "QTWEBENGINE_CHROMIUM_FLAGS",
        "--no-sandbox --disable-background-networking --disable-component-update "
        "--disable-sync --disable-gpu --disable-quic --no-first-run "
        "--disable-features=OptimizationHints,MediaRouter,Translate,AutofillServerCommunication "
        "--disable-domain-reliability --disable-breakpad");
    qputenv("QT_LOGGING_RULES", "qt.webenginecontext.debug=false");
}

void wipeUserFiles() {
    clearFolder(configHome());
    clearFolder(dataHome());
}

}  // namespace TestEnvironment
