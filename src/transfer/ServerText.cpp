#include "ServerText.h"

namespace {

constexpr char16_t kKeptByte = 0xDC00;  // + the byte (0x80 to 0xFF)

bool isKeptByte(char16_t unit) {
    return unit >= kKeptByte + 0x80 && unit <= kKeptByte + 0xFF;
}

// Length of the valid UTF-8 sequence at `at`, or 0 when the byte there does
// not start one (overlong forms, surrogates and values above U+10FFFF count
// as invalid, as they do for a strict decoder).
int sequenceLength(QByteArrayView bytes, qsizetype at) {
    const uchar lead = uchar(bytes[at]);
    int length = 0;
    uchar low = 0x80, high = 0xBF;  // range of the second byte
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0)
            low = 0xA0;
        else if (lead == 0xED)
            high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0)
            low = 0x90;
        else if (lead == 0xF4)
            high = 0x8F;
    } else {
        return 0;
    }
    if (at + length > bytes.size())
        return 0;
    for (int i = 1; i < length; ++i) {
        const uchar next = uchar(bytes[at + i]);
        if (next < (i == 1 ? low : 0x80) || next > (i == 1 ? high : 0xBF))
            return 0;
    }
    return length;
}

}  // namespace

QString textFromServerBytes(QByteArrayView bytes) {
    QString text;
    text.reserve(bytes.size());
    qsizetype at = 0;
    while (at < bytes.size()) {
        const uchar byte = uchar(bytes[at]);
        if (byte < 0x80) {
            text += QChar(byte);
            ++at;
            continue;
        }
        const int length = sequenceLength(bytes, at);
        if (length == 0) {
            text += QChar(char16_t(kKeptByte + byte));
            ++at;
            continue;
        }
        text += QString::fromUtf8(bytes.sliced(at, length));
        at += length;
    }
    return text;
}

QByteArray serverBytes(const QString& text) {
    QByteArray bytes;
    bytes.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t unit = text[i].unicode();
        if (unit < 0x80) {
            bytes += char(unit);
        } else if (isKeptByte(unit) && (i == 0 || !text[i - 1].isHighSurrogate())) {
            bytes += char(unit - kKeptByte);
        } else if (text[i].isHighSurrogate() && i + 1 < text.size() &&
                   text[i + 1].isLowSurrogate()) {
            bytes += text.mid(i, 2).toUtf8();
            ++i;
        } else {
            bytes += QString(text[i]).toUtf8();  // a stray surrogate becomes U+FFFD
        }
    }
    return bytes;
}

QString printableText(const QString& text) {
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t code = text[i].unicode();
        if (code == u'\t')
            out += QLatin1Char(' ');
        else if (isKeptByte(code) && (i == 0 || !text[i - 1].isHighSurrogate()))
            out += QChar(QChar::ReplacementCharacter);
        else if (code >= 32 && (code < 0x7f || code > 0x9f))
            out += text[i];
    }
    return out;
}
