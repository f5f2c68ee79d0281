#include "WhoisClient.h"

#include <QStringDecoder>

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>
#include <cerrno>
#include <cstring>

#include "HostNames.h"

namespace {

constexpr int kHostNotFound = 1001;
constexpr int kTryAgain = 1002;
constexpr int kNoRecovery = 1003;
constexpr int kNoData = 1004;
constexpr int kTimedOut = 60;

// Closes the socket on every path.
class SocketGuard {
public:
    explicit SocketGuard(int descriptor) : m_descriptor(descriptor) {}
    ~SocketGuard() {
        if (m_descriptor >= 0)
            ::close(m_descriptor);
    }
    int get() const { return m_descriptor; }

private:
    int m_descriptor;
};

QString decodeReply(const QByteArray& bytes) {
    QStringDecoder utf8(QStringDecoder::Utf8);
    QString text = utf8.decode(bytes);
    if (utf8.hasError())
        text = QString::fromLatin1(bytes);  // older servers answer in Latin-1
    return text;
}

}  // namespace

QString WhoisClient::errorText(int code) {
    static const char* const socketNames[] = {
        "WSAEWOULDBLOCK",     "WSAEINPROGRESS",     "WSAEALREADY",      "WSAENOTSOCK",
        "WSAEDESTADDRREQ",    "WSAEMSGSIZE",        "WSAEPROTOTYPE",    "WSAENOPROTOOPT",
        "WSAEPROTONOSUPPORT", "WSAESOCKTNOSUPPORT", "WSAEOPNOTSUPP",    "WSAEPFNOSUPPORT",
        "WSAEAFNOSUPPORT",    "WSAEADDRINUSE",      "WSAEADDRNOTAVAIL", "WSAENETDOWN",
        "WSAENETUNREACH",     "WSAENETRESET",       "WSAECONNABORTED",  "WSAECONNRESET",
        "WSAENOBUFS",         "WSAEISCONN",         "WSAENOTCONN",      "WSAESHUTDOWN",
        "WSAETOOMANYREFS",    "WSAETIMEDOUT",       "WSAECONNREFUSED",  "WSAELOOP",
        "WSAENAMETOOLONG",    "WSAEHOSTDOWN",       "WSAEHOSTUNREACH",  "WSAENOTEMPTY",
        "WSAEPROCLIM",        "WSAEUSERS",          "WSAEDQUOT",        "WSAESTALE",
        "WSAEREMOTE"};
    const char* name = nullptr;
    switch (code) {
        case 4:
            name = "WSAEINTR";
            break;
        case 9:
            name = "WSAEBADF";
            break;
        case 13:
            name = "WSAEACCES";
            break;
        case 14:
            name = "WSAEFAULT";
            break;
        case 22:
            name = "WSAEINVAL";
            break;
        case 24:
            name = "WSAEMFILE";
            break;
        case 91:
            name = "WSASYSNOTREADY";
            break;
        case 92:
            name = "WSAVERNOTSUPPORTED";
            break;
        case 93:
            name = "WSANOTINITIALISED";
            break;
        case 101:
            name = "WSAEDISCON";
            break;
        case kHostNotFound:
            name = "WSAHOST_NOT_FOUND";
            break;
        case kTryAgain:
            name = "WSATRY_AGAIN";
            break;
        case kNoRecovery:
            name = "WSANO_RECOVERY";
            break;
        case kNoData:
            name = "WSANO_DATA";
            break;
        default:
            if (code >= 35 && code <= 71)
                name = socketNames[code - 35];
    }
    return name ? QStringLiteral("Error ") + QLatin1String(name) : QString();
}

int WhoisClient::codeFromErrno(int error) {
    switch (error) {
        case EINTR:
            return 4;
        case EBADF:
            return 9;
        case EACCES:
        case EPERM:
            return 13;
        case EFAULT:
            return 14;
        case EINVAL:
            return 22;
        case EMFILE:
        case ENFILE:
            return 24;
        case EWOULDBLOCK:
            return 35;
        case EINPROGRESS:
            return 36;
        case EALREADY:
            return 37;
        case ENOTSOCK:
            return 38;
        case EDESTADDRREQ:
            return 39;
        case EMSGSIZE:
            return 40;
        case EPROTOTYPE:
            return 41;
        case ENOPROTOOPT:
            return 42;
        case EPROTONOSUPPORT:
            return 43;
        case ESOCKTNOSUPPORT:
            return 44;
        case EOPNOTSUPP:
            return 45;
        case EPFNOSUPPORT:
            return 46;
        case EAFNOSUPPORT:
            return 47;
        case EADDRINUSE:
            return 48;
        case EADDRNOTAVAIL:
            return 49;
        case ENETDOWN:
            return 50;
        case ENETUNREACH:
            return 51;
        case ENETRESET:
            return 52;
        case ECONNABORTED:
            return 53;
        case ECONNRESET:
            return 54;
        case ENOBUFS:
        case ENOMEM:
            return 55;
        case EISCONN:
            return 56;
        case ENOTCONN:
            return 57;
        case ESHUTDOWN:
        case EPIPE:
            return 58;
        case ETOOMANYREFS:
            return 59;
        case ETIMEDOUT:
            return kTimedOut;
        case ECONNREFUSED:
            return 61;
        case ELOOP:
            return 62;
        case ENAMETOOLONG:
            return 63;
        case EHOSTDOWN:
            return 64;
        case EHOSTUNREACH:
            return 65;
        case ENOTEMPTY:
            return 66;
        case EUSERS:
            return 68;
        case EDQUOT:
            return 69;
        case ESTALE:
            return 70;
        case EREMOTE:
            return 71;
        default:
            return 0;
    }
}

int WhoisClient::codeFromResolver(int eaiError, int systemErrno) {
    switch (eaiError) {
        case 0:
            return 0;
        case EAI_NONAME:
            return kHostNotFound;
        case EAI_AGAIN:
            return kTryAgain;
#ifdef EAI_NODATA
        case EAI_NODATA:
            return kNoData;
#endif
#ifdef EAI_ADDRFAMILY
        case EAI_ADDRFAMILY:
            return kNoData;
#endif
        case EAI_SYSTEM:
            return codeFromErrno(systemErrno);
        default:
            return kNoRecovery;
    }
}

WhoisClient::Resolved WhoisClient::ResolveServer(const QString& host) {
    const HostNames::Resolution resolution = HostNames::resolveIPv4(host);
    if (!resolution.address.isEmpty())
        return {resolution.address, 0};
    const int code = codeFromResolver(resolution.error, resolution.systemErrno);
    return {QString(), code ? code : kNoRecovery};
}

WhoisClient::ServerName WhoisClient::splitServer(const QString& server, quint16 defaultPort) {
    const int colon = server.lastIndexOf(QLatin1Char(':'));
    if (colon > 0 && server.indexOf(QLatin1Char(':')) == colon) {
        bool ok = false;
        const uint port = QStringView(server).mid(colon + 1).toUInt(&ok);
        if (ok && port > 0 && port <= 65535)
            return {server.left(colon), quint16(port)};
    }
    return {server, defaultPort};
}

WhoisClient::Reply WhoisClient::WhoisRequest(const QString& address, const QString& query) const {
    return request(address, port, query);
}

WhoisClient::Reply WhoisClient::request(const QString& address, quint16 port,
                                        const QString& query) const {
    Reply reply;
    SocketGuard socket(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (socket.get() < 0) {
        reply.code = codeFromErrno(errno);
        return reply;
    }
    if (receiveTimeoutMs > 0) {
        timeval timeout{receiveTimeoutMs / 1000, (receiveTimeoutMs % 1000) * 1000};
        setsockopt(socket.get(), SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
        // The send time-out also bounds connect(), so a server that never
        // answers the handshake cannot hold the window for minutes.
        setsockopt(socket.get(), SOL_SOCKET, SO_SNDTIMEO, &timeout, sizeof timeout);
    }
    sockaddr_in server{};
    server.sin_family = AF_INET;
    server.sin_port = htons(port);
    if (inet_pton(AF_INET, address.toLatin1().constData(), &server.sin_addr) != 1) {
        reply.code = codeFromErrno(EINVAL);
        return reply;
    }
    if (::connect(socket.get(), reinterpret_cast<const sockaddr*>(&server), sizeof server) != 0) {
        reply.code = codeFromErrno(errno == EINPROGRESS ? ETIMEDOUT : errno);
        return reply;
    }
    // The request is sized to the query: no length limit.
    const QByteArray request = query.toUtf8() + '\n';
    qsizetype sent = 0;
    while (sent < request.size()) {
        const ssize_t n = ::send(socket.get(), request.constData() + sent,
                                 size_t(request.size() - sent), MSG_NOSIGNAL);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            reply.code = codeFromErrno(errno);
            return reply;
        }
        sent += n;
    }
    QByteArray answer;
    char buffer[kChunkSize];
    constexpr qsizetype kMaximumAnswer = 4 * 1024 * 1024;
    while (true) {
        const ssize_t n = ::recv(socket.get(), buffer, sizeof buffer, 0);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            reply.code =
                (errno == EAGAIN || errno == EWOULDBLOCK) ? kTimedOut : codeFromErrno(errno);
            break;
        }
        if (n == 0)
            break;
        // A zero byte ends what a chunk contributes.
        const void* zero = std::memchr(buffer, 0, size_t(n));
        answer.append(buffer, zero ? static_cast<const char*>(zero) - buffer : n);
        // Real answers are a few kilobytes; a server that keeps sending does
        // not get to fill the memory.
        if (answer.size() >= kMaximumAnswer)
            break;
    }
    ::shutdown(socket.get(), SHUT_RD);
    reply.text = decodeReply(answer);
    return reply;
}

QString WhoisClient::WhoisQuery() {
    const ServerName server = splitServer(Server, port);
    if (CachedAddress.isEmpty()) {
        const Resolved resolved = ResolveServer(server.host);
        if (resolved.address.isEmpty())
            return errorText(resolved.code);
        CachedAddress = resolved.address;
    }
    const Reply reply = request(CachedAddress, server.port, Query);
    if (reply.text.isEmpty() && reply.code != 0)
        return errorText(reply.code);
    return reply.text;
}

QStringList WhoisClient::defaultServers() {
    return {QStringLiteral("whois.verisign-grs.com"), QStringLiteral("whois.iana.org"),
            QStringLiteral("whois.pir.org"),          QStringLiteral("whois.ripe.net"),
            QStringLiteral("whois.arin.net"),         QStringLiteral("whois.apnic.net"),
            QStringLiteral("whois.lacnic.net"),       QStringLiteral("whois.afrinic.net")};
}
