#include "DocumentFile.h"

#include <QFile>
#include <QSaveFile>
#include <cstring>

#include "AppError.h"

LineEnd detectLineEnd(QByteArrayView bytes, LineEnd fallback) {
    TextFormatProbe probe;
    probe.add(bytes);
    return probe.lineEnd(fallback);
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
    TextFormatProbe probe;
    probe.add(bytes);
    return probe.encoding();
}

bool isAscii(QByteArrayView bytes) {
    const char* p = bytes.data();
    const char* end = p + bytes.size();
    // Eight bytes at a time, four words at once: the test is per byte's top bit.
    for (; end - p >= 32; p += 32) {
        quint64 words[4];
        std::memcpy(words, p, sizeof words);
        if ((words[0] | words[1] | words[2] | words[3]) & 0x8080808080808080ULL) {
            return false;
        }
    }
    for (; p < end; ++p) {
        if (static_cast<unsigned char>(*p) >= 0x80) {
            return false;
        }
    }
    return true;
}

void TextFormatProbe::add(QByteArrayView piece) {
    const auto* p = reinterpret_cast<const unsigned char*>(piece.data());
    const qsizetype size = piece.size();
    if (!m_lineEnd) {
        qsizetype i = 0;
        if (m_pendingCr && size > 0) {
            m_lineEnd = p[0] == '\n' ? LineEnd::CrLf : LineEnd::Cr;
        }
        for (; !m_lineEnd && i < size; ++i) {
            if (p[i] == '\n') {
                m_lineEnd = LineEnd::Lf;
            } else if (p[i] == '\r') {
                if (i + 1 == size) {
                    m_pendingCr = true;
                } else {
                    m_lineEnd = p[i + 1] == '\n' ? LineEnd::CrLf : LineEnd::Cr;
                }
            }
        }
    }
    qsizetype i = 0;
    while (m_utf8 && i < size) {
        if (m_follow > 0) {
            if ((p[i] & 0xC0) != 0x80) {
                m_utf8 = false;
                break;
            }
            m_code = (m_code << 6) | (p[i] & 0x3F);
            ++i;
            // Overlong forms, surrogates and code points beyond Unicode are
            // not UTF-8, and would not survive a round trip through UTF-16.
            if (--m_follow == 0 && (m_code < m_minimum || m_code > 0x10FFFF ||
                                    (m_code >= 0xD800 && m_code <= 0xDFFF))) {
                m_utf8 = false;
            }
            continue;
        }
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
        const unsigned char c = p[i++];
        if (c < 0x80) {
            continue;
        }
        if (c >= 0xC2 && c <= 0xDF) {
            m_follow = 1, m_code = c & 0x1F, m_minimum = 0x80;
        } else if (c >= 0xE0 && c <= 0xEF) {
            m_follow = 2, m_code = c & 0x0F, m_minimum = 0x800;
        } else if (c >= 0xF0 && c <= 0xF4) {
            m_follow = 3, m_code = c & 0x07, m_minimum = 0x10000;
        } else {
            m_utf8 = false;
        }
    }
}

TextEncoding TextFormatProbe::encoding() const {
    // A character cut short by the end of the file is not UTF-8 either.
    return m_utf8 && m_follow == 0 ? TextEncoding::Utf8 : TextEncoding::Latin1;
}

LineEnd TextFormatProbe::lineEnd(LineEnd fallback) const {
    return m_lineEnd ? *m_lineEnd : m_pendingCr ? LineEnd::Cr : fallback;
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

DocumentFileReader::DocumentFileReader(const QString& path) : m_path(path), m_file(path) {
    if (!m_file.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) {
        throw AppError(
            QStringLiteral("Cannot open file \"%1\". %2").arg(path, m_file.errorString()));
    }
}

QByteArrayView DocumentFileReader::next() {
    m_buffer.resize(kPieceSize);
    const qint64 read = m_file.read(m_buffer.data(), kPieceSize);
    if (read < 0) {
        throw AppError(
            QStringLiteral("Cannot read file \"%1\". %2").arg(m_path, m_file.errorString()));
    }
    return QByteArrayView(m_buffer.constData(), read);
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
    // A write the system cut short (a full disk) comes back from QFile as a
    // short count without an error: writing the rest again brings the
    // system's reason out.
    while (!bytes.isEmpty()) {
        const qint64 written = file.write(bytes.data(), bytes.size());
        if (written <= 0) {
            break;
        }
        bytes = bytes.sliced(written);
    }
    if (!bytes.isEmpty() || !file.commit()) {
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
