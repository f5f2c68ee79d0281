#include "IPHelper.h"

#include <cstring>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <tuple>

#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>

namespace IPHelper {

namespace {

QByteArray readSmallFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.read(4096).trimmed();
}

// Reads a number; `ok` is false for unreadable or non-numeric files (a down
// link's "speed" cannot be read at all, a virtual one's reads -1).
qint64 readNumber(const QString& path, bool* ok) {
    return readSmallFile(path).toLongLong(ok);
}

// Sorting key in dotted order (first octet most significant).
quint32 dottedOrder(quint32 address) {
    return (address & 0xff) << 24 | (address & 0xff00) << 8 | (address & 0xff0000) >> 8 |
           address >> 24;
}

bool parseHex(QByteArrayView text, quint32* value) {
    if (text.isEmpty() || text.size() > 8)
        return false;
    quint32 result = 0;
    for (char c : text) {
        int digit;
        if (c >= '0' && c <= '9') {
            digit = c - '0';
        } else if (c >= 'A' && c <= 'F') {
            digit = c - 'A' + 10;
        } else if (c >= 'a' && c <= 'f') {
            digit = c - 'a' + 10;
        } else {
            return false;
        }
        result = result << 4 | quint32(digit);
    }
    *value = result;
    return true;
}

// "0100007F:0019": the address is the 32-bit word printed in host byte order,
// the port a plain number.
bool parseEndpoint(QByteArrayView text, quint32* address, quint16* port) {
    const qsizetype colon = text.indexOf(':');
    if (colon != 8 || text.size() < 10 || text.size() > 13)
        return false;
    quint32 word = 0;
    quint32 portValue = 0;
    if (!parseHex(text.first(8), &word) || !parseHex(text.sliced(9), &portValue) ||
        portValue > 0xffff) {
        return false;
    }
    if constexpr (Q_BYTE_ORDER == Q_BIG_ENDIAN) {
        word = dottedOrder(word);
    }
    *address = word;
    *port = quint16(portValue);
    return true;
}

// "00000000000000000000000001000000:0016": four 32-bit words, each printed in
// host byte order, then the port.
bool parseEndpoint6(QByteArrayView text, std::array<quint8, 16>* address, quint16* port) {
    const qsizetype colon = text.indexOf(':');
    if (colon != 32 || text.size() < 34 || text.size() > 37)
        return false;
    quint32 portValue = 0;
    if (!parseHex(text.sliced(33), &portValue) || portValue > 0xffff)
        return false;
    for (int i = 0; i < 4; ++i) {
        quint32 word = 0;
        if (!parseHex(text.sliced(8 * i, 8), &word))
            return false;
        std::memcpy(address->data() + 4 * i, &word, 4);  // the word as it lay in memory
    }
    *port = quint16(portValue);
    return true;
}

}  // namespace

quint32 tcpStateFromLinux(int linuxState) {
    switch (linuxState) {
        case 1:
            return kTcpEstablished;
        case 2:
            return kTcpSynSent;
        case 3:
            return kTcpSynReceived;
        case 4:
            return kTcpFinWait1;
        case 5:
            return kTcpFinWait2;
        case 6:
            return kTcpTimeWait;
        case 7:
            return kTcpClosed;
        case 8:
            return kTcpCloseWait;
        case 9:
            return kTcpLastAck;
        case 10:
            return kTcpListen;
        case 11:
            return kTcpClosing;
        case 12:
            return kTcpSynReceived;  // TCP_NEW_SYN_RECV
        default:
            return 0;
    }
}

QList<InterfaceRow> GetInterfaceRows(const QString& sysClassNet) {
    QList<InterfaceRow> rows;
    const QDir folder(sysClassNet);
    const QStringList names = folder.entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::System);
    for (const QString& name : names) {
        const QString base = sysClassNet + "/" + name + "/";
        bool ok = false;
        const qint64 index = readNumber(base + "ifindex", &ok);
        if (!ok || index <= 0 || index > 0xffffffffLL)
            continue;
        InterfaceRow row;
        row.index = quint32(index);

        const qint64 megabits = readNumber(base + "speed", &ok);
        if (ok && megabits > 0) {
            row.speed = quint32(std::min<qint64>(megabits * 1000000, 0xffffffffLL));
        }

        const QList<QByteArray> octets = readSmallFile(base + "address").split(':');
        for (const QByteArray& octet : octets) {
            if (row.physAddrLen == row.physAddr.size())
                break;
            const uint value = octet.toUInt(&ok, 16);
            if (!ok || value > 0xff) {
                row.physAddrLen = 0;
                break;
            }
            row.physAddr[row.physAddrLen++] = quint8(value);
        }

        // The counters are 64-bit here; the traffic figures work modulo 2^32.
        row.inOctets = quint32(readSmallFile(base + "statistics/rx_bytes").toULongLong());
        row.outOctets = quint32(readSmallFile(base + "statistics/tx_bytes").toULongLong());

        row.description = name.toUtf8();
        const QFileInfo driver(base + "device/driver");
        if (driver.isSymLink()) {
            row.description += " (" + QFileInfo(driver.symLinkTarget()).fileName().toUtf8() + ")";
        } else if (readSmallFile(base + "type") == "772") {
            row.description += " (loopback)";
        } else {
            row.description += " (virtual)";
        }
        rows.append(row);
    }
    std::sort(rows.begin(), rows.end(),
              [](const InterfaceRow& a, const InterfaceRow& b) { return a.index < b.index; });
    return rows;
}

QList<AddressRow> GetAddressRows() {
    QList<AddressRow> rows;
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0)
        return rows;
    for (ifaddrs* entry = list; entry; entry = entry->ifa_next) {
        if (!entry->ifa_addr || entry->ifa_addr->sa_family != AF_INET)
            continue;
        const auto* inet = reinterpret_cast<const sockaddr_in*>(entry->ifa_addr);
        const auto* bytes = reinterpret_cast<const quint8*>(&inet->sin_addr.s_addr);
        rows.append(
            {ipv4(bytes[0], bytes[1], bytes[2], bytes[3]), if_nametoindex(entry->ifa_name)});
    }
    freeifaddrs(list);
    std::sort(rows.begin(), rows.end(), [](const AddressRow& a, const AddressRow& b) {
        return dottedOrder(a.address) < dottedOrder(b.address);
    });
    return rows;
}

QList<TcpRow> parseProcNetTcp(QByteArrayView text) {
    QList<TcpRow> rows;
    qsizetype start = 0;
    bool heading = true;
    while (start < text.size()) {
        qsizetype end = text.indexOf('\n', start);
        if (end < 0)
            end = text.size();
        const QByteArrayView line = text.sliced(start, end - start);
        start = end + 1;
        if (heading) {  // "  sl  local_address rem_address   st ..."
            heading = false;
            continue;
        }
        // Fields: "N:", local, remote, state, ...
        QByteArrayView fields[4];
        int count = 0;
        qsizetype position = 0;
        while (count < 4 && position < line.size()) {
            while (position < line.size() && line[position] == ' ')
                ++position;
            qsizetype fieldEnd = position;
            while (fieldEnd < line.size() && line[fieldEnd] != ' ')
                ++fieldEnd;
            if (fieldEnd > position)
                fields[count++] = line.sliced(position, fieldEnd - position);
            position = fieldEnd;
        }
        if (count < 4 || !fields[0].endsWith(':'))
            continue;
        TcpRow row;
        row.ipv6 = fields[1].indexOf(':') == 32;
        const bool endpoints =
            row.ipv6 ? parseEndpoint6(fields[1], &row.localAddr6, &row.localPort) &&
                           parseEndpoint6(fields[2], &row.remoteAddr6, &row.remotePort)
                     : parseEndpoint(fields[1], &row.localAddr, &row.localPort) &&
                           parseEndpoint(fields[2], &row.remoteAddr, &row.remotePort);
        quint32 linuxState = 0;
        if (!endpoints || fields[3].size() != 2 || !parseHex(fields[3], &linuxState))
            continue;
        row.state = tcpStateFromLinux(int(linuxState));
        if (row.state != kTcpListen && row.state != kTcpEstablished)
            continue;
        rows.append(row);
    }
    std::stable_sort(rows.begin(), rows.end(), [](const TcpRow& a, const TcpRow& b) {
        const auto key = [](const TcpRow& r) {
            return std::tuple(r.ipv6, dottedOrder(r.localAddr), r.localAddr6, r.localPort,
                              dottedOrder(r.remoteAddr), r.remoteAddr6, r.remotePort);
        };
        return key(a) < key(b);
    });
    return rows;
}

QList<TcpRow> readTcpRows(const QString& procNetTcp, const QString& procNetTcp6) {
    QList<TcpRow> rows;
    for (const QString& path : {procNetTcp, procNetTcp6}) {
        QFile file(path);
        // A proc file has no size: read it whole by reading until the end.
        if (file.open(QIODevice::ReadOnly))
            rows += parseProcNetTcp(file.readAll());
    }
    return rows;
}

}  // namespace IPHelper
