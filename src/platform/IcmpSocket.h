#pragma once

#include <QByteArray>
#include <QString>
#include <memory>
#include <optional>

// An ICMP socket for echo requests. Linux offers two kinds: the unprivileged
// datagram socket (allowed when the user's group is inside
// net.ipv4.ping_group_range; the kernel then sets the echo identifier and the
// checksum and reports "time exceeded" and "destination unreachable" through
// the socket's error queue) and the raw socket (root or CAP_NET_RAW; every
// ICMP packet the machine receives arrives here, IP header included).
// This adapter hides the difference: every packet it hands back is a whole
// IPv4 packet as the raw socket shows it; for the datagram kind the IP header
// (and for errors the quoted request's header) is rebuilt from what the kernel
// tells, so sizes match the raw kind's.
//
// One thread at a time.
class IcmpSocket {
public:
    enum class Kind { Datagram, Raw };

    struct Packet {
        QByteArray ipPacket;  // IPv4 header + ICMP message
        QString from;         // dotted source address
    };

    // The datagram kind when the system allows it, else the raw kind. Throws
    // AppError naming the cause when neither can be opened.
    static std::unique_ptr<IcmpSocket> open();
    // One kind only; throws AppError when it cannot be opened.
    static std::unique_ptr<IcmpSocket> open(Kind kind);

    ~IcmpSocket();
    IcmpSocket(const IcmpSocket&) = delete;
    IcmpSocket& operator=(const IcmpSocket&) = delete;

    Kind kind() const { return m_kind; }

    // Time-to-live of the packets sent from now on. Throws AppError.
    void setTimeToLive(int ttl);

    // Sends one ICMP message (header included) to a dotted IPv4 address.
    // Throws AppError with the system's reason when it cannot be sent.
    void send(const QString& address, const QByteArray& message);

    // Waits up to `timeoutMs` for one packet; nothing when none came in time.
    // Throws AppError when the socket fails.
    std::optional<Packet> receive(int timeoutMs);

private:
    IcmpSocket(int descriptor, Kind kind) : m_descriptor(descriptor), m_kind(kind) {}
    std::optional<Packet> receiveError();
    std::optional<Packet> receiveDatagram();
    std::optional<Packet> receiveRaw();

    int m_descriptor;
    Kind m_kind;
    int m_timeToLive = 64;
    quint32 m_lastDestination = 0;  // network order, for rebuilt headers
};
