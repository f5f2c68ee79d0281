#include "DocumentFile.h"

#include <QFile>
#include <QSaveFile>
#include <cstring>

#include "AppError.h"

LineEnd detectLineEnd(QByteArrayView bytes, LineEnd fallback) {
    const char* data = bytes.data();
    const qsizetype size = bytes.size();
    for (qsizetype i = 0; i < size; ++i) {
        if (data[i] == '\n') {
            return LineEnd::Lf;
        }
        if (data[i] == '\r') {
            return i + 1 < size && data[i + 1] == '\n' ? LineEnd::CrLf : LineEnd::Cr;
        }
    }
    return fallback;
}

QByteArray lineEndBytes(LineEnd lineEnd) {
    switch (lineEnd) {
        case LineEnd::CrLf:
            return "\r\n";
        case LineEnd::Cr:
            return "\r";
        case LineEnd::Lf:
            break;
    }
    return "\n";
}

TextEncoding detectEncoding(QByteArrayView bytes) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const qsizetype size = bytes.size();
    qsizetype i = 0;
    while (i < size) {
        // Runs of ASCII, the bulk of most files, eight bytes at a time.
        while (i + 8 <= size) {
            quint64 word;
            std::memcpy(&word, p + i, sizeof word);
            if (word & 0x8080808080808080ULL) {
                break;
            }
            i += 8;
        }
        if (i >= size) {
            break;
        }
        const unsigned char c = p[i];
        if (c < 0x80) {
            ++i;
            continue;
        }
        int follow = 0;
        unsigned minimum = 0;
        unsigned code = 0;
        if (c >= 0xC2 && c <= 0xDF) {
            follow = 1, code = c & 0x1F, minimum = 0x80;
        } else if (c >= 0xE0 && c <= 0xEF) {
            follow = 2, code = c & 0x0F, minimum = 0x800;
        } else if (c >= 0xF0 && c <= 0xF4) {
            follow = 3, code = c & 0x07, minimum = 0x10000;
        } else {
            return TextEncoding::Latin1;
        }
        for (int k = 1; k <= follow; ++k) {
            if (i + k >= size || (p[i + k] & 0xC0) != 0x80) {
                return TextEncoding::Latin1;
            }
            code = (code << 6) | (p[i + k] & 0x3F);
        }
        // Overlong forms, surrogates and code points beyond Unicode are not
        // UTF-8, and would not survive a round trip through UTF-16.
        if (code < minimum || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
            return TextEncoding::Latin1;
        }
        i += follow + 1;
    }
    return TextEncoding::Utf8;
}

QString decodeText(QByteArrayView bytes, TextEncoding encoding) {
    return encoding == TextEncoding::Utf8 ? QString::fromUtf8(bytes) : QString::fromLatin1(bytes);
}

QByteArray encodeText(QStringView text, TextEncoding encoding) {
    return encoding == TextEncoding::Utf8 ? text.toUtf8() : text.toLatin1();
}

qsizetype utf8Length(QStringView text) {
    qsizetype length = 0;
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u < 0x80) {
            length += 1;
        } else if (u < 0x800) {
            length += 2;
        } else if (QChar::isHighSurrogate(u) || QChar::isLowSurrogate(u)) {
            length += 2;  // each half of a pair: 4 bytes for the pair
        } else {
            length += 3;
        }
    }
    return length;
}

QByteArray readDocumentFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        throw AppError(QStringLiteral("Cannot open file \"%1\". %2").arg(path, file.errorString()));
    }
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        throw AppError(QStringLiteral("Cannot read file \"%1\". %2").arg(path, file.errorString()));
    }
    return bytes;
}

void writeDocumentFile(const QString& path, QByteArrayView bytes) {
    if (path.isEmpty()) {
        throw AppError(QStringLiteral("Cannot create file \"\". No file name was given."));
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        throw AppError(
            QStringLiteral("Cannot create file \"%1\". %2").arg(path, file.errorString()));
    }
    if (file.write(bytes.data(), bytes.size()) != bytes.size() || !file.commit()) {
        throw AppError(
            QStringLiteral("Cannot write file \"%1\". %2").arg(path, file.errorString()));
    }
}

qsizetype utf16Length(QByteArrayView utf8) {
    qsizetype length = 0;
    for (const char c : utf8) {
        const auto byte = static_cast<unsigned char>(c);
        if ((byte & 0xC0) != 0x80) {
            length += byte >= 0xF0 ? 2 : 1;
        }
    }
    return length;
}
