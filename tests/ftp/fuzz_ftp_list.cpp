// libFuzzer target: the listing parser over arbitrary bytes, line by line.
#include <cstddef>
#include <cstdint>

#include "FtpListParser.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArrayView input(reinterpret_cast<const char*>(data), qsizetype(size));
    for (QByteArrayView rest = input; !rest.isEmpty();) {
        const qsizetype end = rest.indexOf('\n');
        const QByteArrayView line = end < 0 ? rest : rest.first(end);
        if (const auto entry = parseFtpListLine(line, QDate(2026, 1, 1))) {
            // The rules the window relies on.
            if (entry->name.isEmpty() || entry->name == "." || entry->name == ".." ||
                entry->name.contains('/')) {
                __builtin_trap();
            }
        }
        rest = end < 0 ? QByteArrayView() : rest.sliced(end + 1);
    }
    return 0;
}
