#include "ServerText.h"

QString printableText(const QString& text) {
    QString out;
    out.reserve(text.size());
    for (QChar c : text) {
        const char16_t code = c.unicode();
        if (code == u'\t')
            out += QLatin1Char(' ');
        else if (code >= 32 && (code < 0x7f || code > 0x9f))
            out += c;
    }
    return out;
}
