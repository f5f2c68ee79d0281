// libFuzzer target: the reader of the kernel's TCP tables text
// (/proc/net/tcp and /proc/net/tcp6).
#include <QtEndian>
#include <cstring>
#include <tuple>

#include "FuzzSupport.h"
#include "IPHelper.h"

using namespace IPHelper;

namespace {

auto order(const TcpRow& row) {
    // First octet most significant (the rows hold the first octet lowest).
    return std::tuple(row.ipv6, qbswap(row.localAddr), row.localAddr6, row.localPort,
                      qbswap(row.remoteAddr), row.remoteAddr6, row.remotePort);
}

// An address as the kernel prints it: 32-bit words in host order.
QString addressText(const TcpRow& row, bool local) {
    if (!row.ipv6) {
        return QString::asprintf("%08X", local ? row.localAddr : row.remoteAddr);
    }
    QString text;
    for (int i = 0; i < 4; ++i) {
        quint32 word = 0;
        std::memcpy(&word, (local ? row.localAddr6 : row.remoteAddr6).data() + 4 * i, 4);
        text += QString::asprintf("%08X", word);
    }
    return text;
}

// The row as the kernel would print it.
QByteArray procLine(const TcpRow& row) {
    const int linuxState = row.state == kTcpListen ? 10 : 1;
    return QString::asprintf("  0: %s:%04X %s:%04X %02X 0:0\n", qPrintable(addressText(row, true)),
                             row.localPort, qPrintable(addressText(row, false)), row.remotePort,
                             linuxState)
        .toLatin1();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArrayView input = fuzz::bytesOf(data, size);
    const QList<TcpRow> rows = parseProcNetTcp(input);
    FUZZ_CHECK(rows.size() <= input.count('\n'));  // the heading line is never a row
    for (qsizetype i = 0; i < rows.size(); ++i) {
        const TcpRow& row = rows[i];
        FUZZ_CHECK(row.state == kTcpListen || row.state == kTcpEstablished);
        FUZZ_CHECK(!row.ipv6 || (row.localAddr == 0 && row.remoteAddr == 0));
        if (i > 0) {
            FUZZ_CHECK(!(order(row) < order(rows[i - 1])));
        }
        // What was read is what a well-formed line of the same row gives.
        const QList<TcpRow> again = parseProcNetTcp("heading\n" + procLine(row));
        FUZZ_CHECK(again.size() == 1);
        FUZZ_CHECK(again[0].state == row.state && order(again[0]) == order(row));
    }
    return 0;
}
