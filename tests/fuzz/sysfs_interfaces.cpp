// libFuzzer target: the reader of the interface table from /sys/class/net.
// The input describes up to four interfaces, separated by 0xFF; each is
// newline-separated file contents: ifindex, speed, address, rx_bytes,
// tx_bytes, type, and the driver link's target (no line: no link).
#include <QDir>
#include <QFile>

#include "FuzzSupport.h"
#include "IPHelper.h"

namespace {

const char* const kFiles[] = {
    "ifindex", "speed", "address", "statistics/rx_bytes", "statistics/tx_bytes", "type"};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString root = fuzz::scratch().filePath(QStringLiteral("net"));
    QDir(root).removeRecursively();
    const QList<QByteArrayView> interfaces = fuzz::split(fuzz::bytesOf(data, size), '\xff', 4);
    for (qsizetype n = 0; n < interfaces.size(); ++n) {
        const QString folder = root + QStringLiteral("/net%1/").arg(n);
        QDir().mkpath(folder + "statistics");
        QDir().mkpath(folder + "device");
        const QList<QByteArrayView> files = fuzz::split(interfaces[n], '\n', 7);
        for (qsizetype f = 0; f < files.size() && f < 6; ++f) {
            fuzz::writeFile(folder + kFiles[f], files[f]);
        }
        if (files.size() == 7) {
            QFile::link(QString::fromUtf8(files[6]), folder + "device/driver");
        }
    }

    const QList<IPHelper::InterfaceRow> rows = IPHelper::GetInterfaceRows(root);
    FUZZ_CHECK(rows.size() <= interfaces.size());
    for (qsizetype i = 0; i < rows.size(); ++i) {
        FUZZ_CHECK(rows[i].index > 0);
        FUZZ_CHECK(rows[i].physAddrLen <= rows[i].physAddr.size());
        FUZZ_CHECK(rows[i].description.startsWith("net"));
        if (i > 0) {
            FUZZ_CHECK(rows[i - 1].index <= rows[i].index);
        }
    }
    return 0;
}
