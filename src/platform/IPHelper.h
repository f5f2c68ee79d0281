#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>
#include <array>

// The machine's interface, IPv4 address and TCP connection tables, read from
// Linux's /sys/class/net, getifaddrs and /proc/net/tcp in the shape the
// network tools expect of the system tables. An unreadable table is an empty
// one; nothing here reports errors.
namespace IPHelper {

struct InterfaceRow {
    quint32 index = 0;        // the kernel's interface index (stable while the interface lives)
    quint32 speed = 0;        // link speed in bits per second; 0 when unknown, capped at 2^32-1
    quint32 physAddrLen = 0;  // valid bytes of physAddr (0..8)
    std::array<quint8, 8> physAddr{};
    quint32 inOctets = 0;    // cumulative received octets, truncated to 32 bits
    quint32 outOctets = 0;   // cumulative sent octets, truncated to 32 bits
    QByteArray description;  // interface name and driver, e.g. "eth0 (virtio_net)"
};

struct AddressRow {
    quint32 address = 0;  // IPv4 address, first octet in the lowest byte
    quint32 index = 0;    // interface index
};

// TCP states numbered as the network tools know them.
enum TcpState : quint32 {
    kTcpClosed = 1,
    kTcpListen = 2,
    kTcpSynSent = 3,
    kTcpSynReceived = 4,
    kTcpEstablished = 5,
    kTcpFinWait1 = 6,
    kTcpFinWait2 = 7,
    kTcpCloseWait = 8,
    kTcpClosing = 9,
    kTcpLastAck = 10,
    kTcpTimeWait = 11,
    kTcpDeleteTcb = 12,
};

struct TcpRow {
    quint32 state = 0;       // TcpState
    quint32 localAddr = 0;   // first octet in the lowest byte
    quint16 localPort = 0;   // port number (host order)
    quint32 remoteAddr = 0;  // first octet in the lowest byte
    quint16 remotePort = 0;
    // An IPv6 endpoint (from /proc/net/tcp6) has its addresses here, in
    // network order; localAddr and remoteAddr are then 0.
    bool ipv6 = false;
    std::array<quint8, 16> localAddr6{};
    std::array<quint8, 16> remoteAddr6{};
};

// GetInterfaceRows: every interface, ordered by index. `sysClassNet` lets
// tests read a fixture tree.
QList<InterfaceRow> GetInterfaceRows(const QString& sysClassNet = QStringLiteral("/sys/class/net"));

// GetAddressRows: every IPv4 address of every interface, sorted by address.
QList<AddressRow> GetAddressRows();

// The listening and established TCP endpoints: the IPv4 ones, then the IPv6
// ones (services listening on "::" are only there), each sorted by local
// address, local port, remote address, remote port.
QList<TcpRow> readTcpRows(const QString& procNetTcp = QStringLiteral("/proc/net/tcp"),
                          const QString& procNetTcp6 = QStringLiteral("/proc/net/tcp6"));

// Parses the text of /proc/net/tcp or /proc/net/tcp6: keeps only listening and
// established rows (states renumbered, see TcpState), skips malformed lines,
// sorts as above.
QList<TcpRow> parseProcNetTcp(QByteArrayView text);

// Linux's TCP state number (include/net/tcp_states.h) in the numbering above;
// 0 for an unknown state.
quint32 tcpStateFromLinux(int linuxState);

// An address in the "first octet lowest" form from its four octets.
constexpr quint32 ipv4(quint8 a, quint8 b, quint8 c, quint8 d) {
    return quint32(a) | quint32(b) << 8 | quint32(c) << 16 | quint32(d) << 24;
}

}  // namespace IPHelper
