// libFuzzer target: the listing parsers over arbitrary bytes, line by line,
// and the byte-exact text they keep names in.
#include "FtpListParser.h"
#include "FuzzSupport.h"
#include "ServerText.h"

namespace {

// The rules the window relies on.
void checkEntry(const std::optional<FtpListEntry>& entry) {
    if (!entry) {
        return;
    }
    const QString& name = entry->name;
    FUZZ_CHECK(!name.isEmpty() && name != "." && name != ".." && !name.contains('/'));
    FUZZ_CHECK(!name.contains('\n') && !name.contains('\r') && !name.contains(QChar(0)));
    for (QChar c : printableText(name)) {
        FUZZ_CHECK(c.unicode() >= 32 && (c.unicode() < 0x7f || c.unicode() > 0x9f));
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArrayView input = fuzz::bytesOf(data, size);
    // Whatever the bytes, the text keeps them exactly.
    FUZZ_CHECK(serverBytes(textFromServerBytes(input)) == input);
    for (QByteArrayView rest = input; !rest.isEmpty();) {
        const qsizetype end = rest.indexOf('\n');
        const QByteArrayView line = end < 0 ? rest : rest.first(end);
        checkEntry(parseFtpListLine(line, QDate(2026, 1, 1)));
        checkEntry(parseMlsdLine(line));
        rest = end < 0 ? QByteArrayView() : rest.sliced(end + 1);
    }
    return 0;
}
