// libFuzzer target for what the transfer engine reads from servers: the
// Content-Range and Content-Disposition values and the file names offered.
#include <QString>

#include "FuzzSupport.h"
#include "LocalFileName.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArrayView input = fuzz::bytesOf(data, size);
    qint64 first = 0, last = 0, total = 0;
    if (parseContentRange(input, &first, &last, &total)) {
        FUZZ_CHECK(first >= 0 && last >= first && (total < 0 || last < total));
    }
    const QString offered = contentDispositionFileName(input);
    for (const QString& candidate : {offered, QString::fromUtf8(input)}) {
        const QString safe = safeFileName(candidate);
        // A safe name never leaves its folder.
        FUZZ_CHECK(!safe.contains(QLatin1Char('/')) && !safe.contains(QLatin1Char('\\')));
        FUZZ_CHECK(safe != QLatin1String("..") && safe != QLatin1String("."));
        FUZZ_CHECK(safe.toUtf8().size() <= 255);
        for (QChar c : safe) {
            FUZZ_CHECK(c.unicode() >= 32);
        }
    }
    const QString fromUrl = fileNameFromUrl(QString::fromUtf8(input));
    FUZZ_CHECK(!fromUrl.isEmpty() && !fromUrl.contains(QLatin1Char('/')));
    isAcceptableUrl(QString::fromLatin1(input));
    return 0;
}
