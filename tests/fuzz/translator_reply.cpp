// libFuzzer target: what the Net Translator reads from translation services
// and web pages: the reply text and the translation cut out of it, a
// LibreTranslate server's JSON replies, and a page decoded by its declared
// charset (the input's first line is taken as its Content-Type).
#include "FuzzSupport.h"
#include "LibreTranslate.h"
#include "PageTranslation.h"
#include "TextTranslation.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray body = fuzz::bytesOf(data, size).toByteArray();

    const QString reply = TextTranslation::decodeReply(body);
    FUZZ_CHECK(reply.size() <= body.size());
    const QString translation = TextTranslation::cutTranslation(reply);
    FUZZ_CHECK(translation.size() <= 2 * reply.size());
    // Every line break of the translation is a CR LF.
    for (qsizetype i = translation.indexOf(u'\n'); i >= 0; i = translation.indexOf(u'\n', i + 1)) {
        FUZZ_CHECK(i > 0 && translation[i - 1] == u'\r');
    }

    if (const auto languages = LibreTranslate::parseLanguages(body)) {
        for (auto it = languages->cbegin(); it != languages->cend(); ++it) {
            FUZZ_CHECK(!it.key().isEmpty() && !it.value().contains(it.key()));
        }
        LibreTranslate::serverPair(*languages, QStringLiteral("en"), QStringLiteral("zt"));
    }
    const LibreTranslate::Reply translated = LibreTranslate::parseTranslateReply(body);
    FUZZ_CHECK(translated.ok || translated.text.isEmpty());

    const qsizetype lineEnd = body.indexOf('\n');
    if (lineEnd >= 0) {
        PageTranslation::decodePage(body.mid(lineEnd + 1), body.left(lineEnd));
    }
    return 0;
}
