#include "HostNames.h"

#include <QStringList>

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netdb.h>
#include <pwd.h>
#include <unistd.h>
#include <cctype>
#include <cerrno>
#include <cstring>

namespace HostNames {

QString computerName() {
    char name[256] = {};
    if (gethostname(name, sizeof name - 1) != 0)
        return {};
    return QString::fromLocal8Bit(name);
}

QString userName() {
    if (const passwd* entry = getpwuid(geteuid()); entry && entry->pw_name) {
        return QString::fromLocal8Bit(entry->pw_name);
    }
    return qEnvironmentVariable("USER");
}

QString internalAddress() {
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0)
        return {};
    QString result;
    for (ifaddrs* entry = list; entry; entry = entry->ifa_next) {
        if (!entry->ifa_addr || entry->ifa_addr->sa_family != AF_INET)
            continue;
        if ((entry->ifa_flags & IFF_LOOPBACK) || !(entry->ifa_flags & IFF_UP))
            continue;
        char text[INET_ADDRSTRLEN] = {};
        const auto* inet = reinterpret_cast<const sockaddr_in*>(entry->ifa_addr);
        if (inet_ntop(AF_INET, &inet->sin_addr, text, sizeof text)) {
            result = QString::fromLatin1(text);
            break;
        }
    }
    freeifaddrs(list);
    return result;
}

QString Resolution::errorText() const {
    if (error == 0)
        return {};
    if (error == EAI_SYSTEM)
        return QString::fromLocal8Bit(std::strerror(systemErrno));
    return QString::fromLocal8Bit(gai_strerror(error));
}

namespace {

// Blanks, controls and punctuation cannot be part of a host name or address:
// such a text is refused here rather than handed to the resolver.
bool mayBeHostName(const QByteArray& name) {
    for (const char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x80 || std::isalnum(byte))
            continue;  // letters of other scripts are for the resolver to judge
        if (c == '\0' || !std::strchr("-._:%[]", c))
            return false;
    }
    return !name.isEmpty();
}

}  // namespace

Resolution resolveIPv4(const QString& host) {
    Resolution result;
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* list = nullptr;
    const QByteArray name = host.trimmed().toUtf8();
    errno = 0;
    result.error =
        !mayBeHostName(name) ? EAI_NONAME : getaddrinfo(name.constData(), nullptr, &hints, &list);
    if (result.error != 0) {
        result.systemErrno = errno;
        return result;
    }
    char text[INET_ADDRSTRLEN] = {};
    const auto* inet = reinterpret_cast<const sockaddr_in*>(list->ai_addr);
    if (inet_ntop(AF_INET, &inet->sin_addr, text, sizeof text)) {
        result.address = QString::fromLatin1(text);
    } else {
        result.error = EAI_FAIL;
    }
    freeaddrinfo(list);
    return result;
}

QString reverseLookup(const QString& address) {
    sockaddr_in socketAddress{};
    socketAddress.sin_family = AF_INET;
    if (inet_pton(AF_INET, address.toLatin1().constData(), &socketAddress.sin_addr) != 1)
        return {};
    char name[NI_MAXHOST] = {};
    if (getnameinfo(reinterpret_cast<const sockaddr*>(&socketAddress), sizeof socketAddress, name,
                    sizeof name, nullptr, 0, NI_NAMEREQD) != 0) {
        return {};
    }
    return QString::fromLocal8Bit(name);
}

}  // namespace HostNames
