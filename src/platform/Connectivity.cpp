#include "Connectivity.h"

#include <QFile>
#include <QList>

namespace {

QByteArray readProcFile(const char* path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();  // proc files report size 0: read to the end
}

constexpr unsigned kRouteUp = 0x1;

}  // namespace

bool hasDefaultRouteIpv4(QByteArrayView table) {
    // Iface Destination Gateway Flags RefCnt Use Metric Mask ... (hex fields)
    const QList<QByteArray> lines = QByteArray(table.data(), table.size()).split('\n');
    for (int i = 1; i < lines.size(); ++i) {
        const QList<QByteArray> fields = lines[i].simplified().split(' ');
        if (fields.size() < 8)
            continue;
        bool ok = false;
        const unsigned flags = fields[3].toUInt(&ok, 16);
        if (ok && fields[1] == "00000000" && fields[7] == "00000000" && (flags & kRouteUp)) {
            return true;
        }
    }
    return false;
}

bool hasDefaultRouteIpv6(QByteArrayView table) {
    // dest prefix src srcprefix nexthop metric refcnt use flags iface
    const QList<QByteArray> lines = QByteArray(table.data(), table.size()).split('\n');
    for (const QByteArray& line : lines) {
        const QList<QByteArray> fields = line.simplified().split(' ');
        if (fields.size() < 10)
            continue;
        bool ok = false;
        const unsigned flags = fields[8].toUInt(&ok, 16);
        if (ok && fields[0] == QByteArray(32, '0') && fields[1] == "00" && (flags & kRouteUp) &&
            fields[9] != "lo") {
            return true;
        }
    }
    return false;
}

bool IsConnected() {
    return hasDefaultRouteIpv4(readProcFile("/proc/net/route")) ||
           hasDefaultRouteIpv6(readProcFile("/proc/net/ipv6_route"));
}
