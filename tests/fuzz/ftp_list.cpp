// libFuzzer target: the listing parser over arbitrary bytes, line by line.
#include "FtpListParser.h"
#include "FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArrayView input = fuzz::bytesOf(data, size);
    for (QByteArrayView rest = input; !rest.isEmpty();) {
        const qsizetype end = rest.indexOf('\n');
        const QByteArrayView line = end < 0 ? rest : rest.first(end);
        if (const auto entry = parseFtpListLine(line, QDate(2026, 1, 1))) {
            // The rules the window relies on.
            FUZZ_CHECK(!entry->name.isEmpty() && entry->name != "." && entry->name != ".." &&
                       !entry->name.contains('/'));
        }
        rest = end < 0 ? QByteArrayView() : rest.sliced(end + 1);
    }
    return 0;
}
