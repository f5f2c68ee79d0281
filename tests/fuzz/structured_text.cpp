// libFuzzer target: the Structured Text scanner that colours the Editor's
// documents, line after line as the editing component asks for them.
#include "FuzzSupport.h"
#include "StructuredTextScanner.h"

using namespace StructuredText;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArrayView text = fuzz::bytesOf(data, size);
    LineState state = Normal;
    qsizetype at = 0;
    while (at < text.size()) {
        const qsizetype end = lineEnd(text, at);
        FUZZ_CHECK(end > at && end <= text.size());
        const QByteArrayView line = text.sliced(at, end - at);
        qsizetype covered = 0;
        state = scanLine(line, state, [&](qsizetype length, Token token) {
            // Runs follow each other, each at least one byte, within the line.
            FUZZ_CHECK(length > 0 && covered + length <= line.size());
            FUZZ_CHECK(token >= Default && token <= Operator);
            covered += length;
        });
        FUZZ_CHECK(covered == line.size());
        FUZZ_CHECK(state == Normal || state == InBlockComment);
        at = end;
    }
    isKeyword(text);
    return 0;
}
