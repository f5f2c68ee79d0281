#include "IcmpSocket.h"

#include <arpa/inet.h>
#include <linux/errqueue.h>
#include <netinet/in.h>
#include <netinet/ip.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#include <cerrno>
#include <cstring>

#include "AppError.h"

namespace {

QString systemError(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

QString dotted(quint32 networkOrder) {
    char text[INET_ADDRSTRLEN] = {};
    in_addr address{};
    address.s_addr = networkOrder;
    inet_ntop(AF_INET, &address, text, sizeof text);
    return QString::fromLatin1(text);
}

// A 20-byte IPv4 header carrying what the raw socket would have shown.
QByteArray ipHeader(int payloadLength, int ttl, quint32 source, quint32 destination) {
    QByteArray header(20, '\0');
    const int total = 20 + payloadLength;
    header[0] = char(0x45);
    header[2] = char(total >> 8);
    header[3] = char(total & 0xff);
    header[8] = char(ttl);
    header[9] = char(IPPROTO_ICMP);
    std::memcpy(header.data() + 12, &source, 4);
    std::memcpy(header.data() + 16, &destination, 4);
    return header;
}

int openDescriptor(IcmpSocket::Kind kind) {
    return ::socket(AF_INET,
                    (kind == IcmpSocket::Kind::Datagram ? SOCK_DGRAM : SOCK_RAW) | SOCK_CLOEXEC,
                    IPPROTO_ICMP);
}

}  // namespace

std::unique_ptr<IcmpSocket> IcmpSocket::open() {
    const int datagram = openDescriptor(Kind::Datagram);
    if (datagram >= 0) {
        std::unique_ptr<IcmpSocket> socket(new IcmpSocket(datagram, Kind::Datagram));
        const int on = 1;
        setsockopt(datagram, SOL_IP, IP_RECVERR, &on, sizeof on);
        setsockopt(datagram, SOL_IP, IP_RECVTTL, &on, sizeof on);
        return socket;
    }
    const int datagramError = errno;
    const int raw = openDescriptor(Kind::Raw);
    if (raw >= 0)
        return std::unique_ptr<IcmpSocket>(new IcmpSocket(raw, Kind::Raw));
    const int rawError = errno;
    throw AppError(QStringLiteral("Cannot open an ICMP socket (datagram: %1; raw: %2).\n"
                                  "Pinging needs your group inside net.ipv4.ping_group_range, "
                                  "or the CAP_NET_RAW capability.")
                       .arg(systemError(datagramError), systemError(rawError)));
}

std::unique_ptr<IcmpSocket> IcmpSocket::open(Kind kind) {
    const int descriptor = openDescriptor(kind);
    if (descriptor < 0) {
        throw AppError(QStringLiteral("Cannot open an ICMP %1 socket: %2")
                           .arg(kind == Kind::Datagram ? "datagram" : "raw", systemError(errno)));
    }
    if (kind == Kind::Datagram) {
        const int on = 1;
        setsockopt(descriptor, SOL_IP, IP_RECVERR, &on, sizeof on);
        setsockopt(descriptor, SOL_IP, IP_RECVTTL, &on, sizeof on);
    }
    return std::unique_ptr<IcmpSocket>(new IcmpSocket(descriptor, kind));
}

IcmpSocket::~IcmpSocket() {
    ::close(m_descriptor);
}

void IcmpSocket::setTimeToLive(int ttl) {
    if (setsockopt(m_descriptor, SOL_IP, IP_TTL, &ttl, sizeof ttl) != 0) {
        throw AppError(
            QStringLiteral("Cannot set the time-to-live %1: %2").arg(ttl).arg(systemError(errno)));
    }
    m_timeToLive = ttl;
}

void IcmpSocket::send(const QString& address, const QByteArray& message) {
    sockaddr_in destination{};
    destination.sin_family = AF_INET;
    if (inet_pton(AF_INET, address.toLatin1().constData(), &destination.sin_addr) != 1) {
        throw AppError(QStringLiteral("\"%1\" is not an IPv4 address").arg(address));
    }
    m_lastDestination = destination.sin_addr.s_addr;
    const ssize_t sent =
        ::sendto(m_descriptor, message.constData(), size_t(message.size()), 0,
                 reinterpret_cast<const sockaddr*>(&destination), sizeof destination);
    if (sent != message.size()) {
        throw AppError(QStringLiteral("Cannot send to %1: %2").arg(address, systemError(errno)));
    }
}

std::optional<IcmpSocket::Packet> IcmpSocket::receive(int timeoutMs) {
    pollfd entry{m_descriptor, POLLIN, 0};
    const int ready = ::poll(&entry, 1, timeoutMs < 0 ? 0 : timeoutMs);
    if (ready < 0) {
        if (errno == EINTR)
            return std::nullopt;
        throw AppError(
            QStringLiteral("Waiting for an ICMP reply failed: %1").arg(systemError(errno)));
    }
    if (ready == 0)
        return std::nullopt;
    if (m_kind == Kind::Raw)
        return receiveRaw();
    if (entry.revents & POLLERR)
        return receiveError();
    return receiveDatagram();
}

std::optional<IcmpSocket::Packet> IcmpSocket::receiveRaw() {
    char buffer[65536];
    sockaddr_in source{};
    socklen_t length = sizeof source;
    const ssize_t received = ::recvfrom(m_descriptor, buffer, sizeof buffer, MSG_DONTWAIT,
                                        reinterpret_cast<sockaddr*>(&source), &length);
    if (received < 0) {
        if (errno == EAGAIN || errno == EINTR)
            return std::nullopt;
        throw AppError(
            QStringLiteral("Receiving an ICMP reply failed: %1").arg(systemError(errno)));
    }
    return Packet{QByteArray(buffer, received), dotted(source.sin_addr.s_addr)};
}

std::optional<IcmpSocket::Packet> IcmpSocket::receiveDatagram() {
    char buffer[65536];
    char control[256];
    sockaddr_in source{};
    iovec vector{buffer, sizeof buffer};
    msghdr message{};
    message.msg_name = &source;
    message.msg_namelen = sizeof source;
    message.msg_iov = &vector;
    message.msg_iovlen = 1;
    message.msg_control = control;
    message.msg_controllen = sizeof control;
    const ssize_t received = ::recvmsg(m_descriptor, &message, MSG_DONTWAIT);
    if (received < 0) {
        if (errno == EAGAIN || errno == EINTR)
            return std::nullopt;
        throw AppError(
            QStringLiteral("Receiving an ICMP reply failed: %1").arg(systemError(errno)));
    }
    int ttl = 0;
    for (cmsghdr* header = CMSG_FIRSTHDR(&message); header;
         header = CMSG_NXTHDR(&message, header)) {
        if (header->cmsg_level == SOL_IP && header->cmsg_type == IP_TTL) {
            std::memcpy(&ttl, CMSG_DATA(header), sizeof ttl);
        }
    }
    QByteArray packet = ipHeader(int(received), ttl, source.sin_addr.s_addr, 0);
    packet.append(buffer, received);
    return Packet{packet, dotted(source.sin_addr.s_addr)};
}

// An ICMP error about one of our requests: the kernel gives the request we sent
// and who complained; rebuild the packet the router sent.
std::optional<IcmpSocket::Packet> IcmpSocket::receiveError() {
    char buffer[65536];
    char control[512];
    iovec vector{buffer, sizeof buffer};
    msghdr message{};
    message.msg_iov = &vector;
    message.msg_iovlen = 1;
    message.msg_control = control;
    message.msg_controllen = sizeof control;
    const ssize_t received = ::recvmsg(m_descriptor, &message, MSG_ERRQUEUE | MSG_DONTWAIT);
    if (received < 0) {
        if (errno == EAGAIN || errno == EINTR)
            return std::nullopt;
        throw AppError(
            QStringLiteral("Receiving an ICMP error failed: %1").arg(systemError(errno)));
    }
    // The router's packet: its time-to-live comes as a message of its own
    // (IP_RECVTTL), in any order with the error.
    std::optional<sock_extended_err> error;
    sockaddr_in offender{};
    int ttl = 0;
    for (cmsghdr* header = CMSG_FIRSTHDR(&message); header;
         header = CMSG_NXTHDR(&message, header)) {
        if (header->cmsg_level != SOL_IP)
            continue;
        if (header->cmsg_type == IP_TTL) {
            std::memcpy(&ttl, CMSG_DATA(header), sizeof ttl);
        } else if (header->cmsg_type == IP_RECVERR) {
            sock_extended_err each;
            std::memcpy(&each, CMSG_DATA(header), sizeof each);
            if (each.ee_origin != SO_EE_ORIGIN_ICMP)
                continue;
            error = each;
            std::memcpy(&offender,
                        SO_EE_OFFENDER(reinterpret_cast<sock_extended_err*>(CMSG_DATA(header))),
                        sizeof offender);
        }
    }
    if (!error)
        return std::nullopt;
    QByteArray icmp(8, '\0');
    icmp[0] = char(error->ee_type);
    icmp[1] = char(error->ee_code);
    icmp += ipHeader(int(received), m_timeToLive, 0, m_lastDestination);
    icmp.append(buffer, received);
    QByteArray packet = ipHeader(int(icmp.size()), ttl, offender.sin_addr.s_addr, 0);
    packet += icmp;
    return Packet{packet, dotted(offender.sin_addr.s_addr)};
}
