// libFuzzer target: the reader of the kernel's TCP table text (/proc/net/tcp).
// The IPv6 table joins this target when its reader does.
#include <QtEndian>
#include <tuple>

#include "FuzzSupport.h"
#include "IPHelper.h"

using namespace IPHelper;

namespace {

auto order(const TcpRow& row) {
    // First octet most significant (the rows hold the first octet lowest).
    return std::tuple(qbswap(row.localAddr), row.localPort, qbswap(row.remoteAddr), row.remotePort);
}

// The row as the kernel would print it (address words in host order).
QByteArray procLine(const TcpRow& row) {
    const int linuxState = row.state == kTcpListen ? 10 : 1;
    return QString::asprintf("  0: %08X:%04X %08X:%04X %02X 0:0\n", row.localAddr, row.localPort,
                             row.remoteAddr, row.remotePort, linuxState)
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
