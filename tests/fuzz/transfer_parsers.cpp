// libFuzzer target for what the transfer engine reads from servers: the
// Content-Range and Content-Disposition values and the file names offered.
// Build and run: tests/fuzz/transfer_parsers.sh [seconds]
#include <QByteArray>
#include <QString>
#include <cstdint>
#include <cstdlib>

#include "LocalFileName.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArrayView input(reinterpret_cast<const char*>(data), qsizetype(size));
    qint64 first = 0, last = 0, total = 0;
    if (parseContentRange(input, &first, &last, &total)) {
        if (first < 0 || last < first || (total >= 0 && last >= total))
            std::abort();
    }
    const QString offered = contentDispositionFileName(input);
    for (const QString& candidate : {offered, QString::fromUtf8(input.toByteArray())}) {
        const QString safe = safeFileName(candidate);
        // A safe name never leaves its folder.
        if (safe.contains(QLatin1Char('/')) || safe.contains(QLatin1Char('\\')) ||
            safe == QLatin1String("..") || safe == QLatin1String(".") || safe.toUtf8().size() > 255)
            std::abort();
        for (QChar c : safe) {
            if (c.unicode() < 32)
                std::abort();
        }
    }
    const QString fromUrl = fileNameFromUrl(QString::fromUtf8(input.toByteArray()));
    if (fromUrl.isEmpty() || fromUrl.contains(QLatin1Char('/')))
        std::abort();
    isAcceptableUrl(QString::fromLatin1(input.toByteArray()));
    return 0;
}
