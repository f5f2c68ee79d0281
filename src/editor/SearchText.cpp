#include "SearchText.h"

#include <QVarLengthArray>
#include <algorithm>
#include <array>
#include <cstring>

const QString& SearchText::utf16() const {
    if (m_isSingleBytes && m_utf16.isNull()) {
        m_utf16 = QString(m_singleBytes);
    }
    return m_utf16;
}

void SearchText::replace(qsizetype start, qsizetype length, const QString& replacement) {
    utf16();
    m_isSingleBytes = false;
    m_singleBytes = QLatin1StringView();
    m_utf16.replace(start, length, replacement);
}

namespace {

// Each byte case-folded as a character.
const std::array<char16_t, 256>& foldedBytes() {
    static const std::array<char16_t, 256> table = [] {
        std::array<char16_t, 256> folded{};
        for (int byte = 0; byte < 256; ++byte) {
            folded[byte] = QChar(char16_t(byte)).toCaseFolded().unicode();
        }
        return folded;
    }();
    return table;
}

using Folded = QVarLengthArray<char16_t, 64>;

// The pattern case-folded unit by unit. (A unit of a surrogate pair stays
// as it is, and can match no single byte either way.)
Folded foldedPattern(QStringView pattern) {
    Folded folded(pattern.size());
    for (qsizetype i = 0; i < pattern.size(); ++i) {
        folded[i] = pattern[i].toCaseFolded().unicode();
    }
    return folded;
}

bool matchesFoldedAt(const uchar* text, const Folded& pattern) {
    const auto& fold = foldedBytes();
    for (qsizetype k = 0; k < pattern.size(); ++k) {
        if (fold[text[k]] != pattern[k]) {
            return false;
        }
    }
    return true;
}

// The pattern as bytes when every character is one; false when one is not
// (then it matches nothing compared exactly).
bool asBytes(QStringView pattern, QVarLengthArray<uchar, 64>& bytes) {
    bytes.resize(pattern.size());
    for (qsizetype i = 0; i < pattern.size(); ++i) {
        if (pattern[i].unicode() > 0xFF) {
            return false;
        }
        bytes[i] = uchar(pattern[i].unicode());
    }
    return true;
}

}  // namespace

qsizetype indexOfSingleBytes(QLatin1StringView text, QStringView pattern, qsizetype from,
                             Qt::CaseSensitivity cs) {
    const qsizetype size = text.size();
    const qsizetype length = pattern.size();
    from = std::max<qsizetype>(from, 0);
    if (from > size - length) {
        return -1;
    }
    if (length == 0) {
        return from;
    }
    const auto* data = reinterpret_cast<const uchar*>(text.data());
    if (cs == Qt::CaseSensitive) {
        QVarLengthArray<uchar, 64> bytes;
        if (!asBytes(pattern, bytes)) {
            return -1;
        }
        // The first byte found by memchr, which the C library runs at
        // memory speed; the rest compared where it is.
        const uchar* last = data + size - length;
        for (const uchar* at = data + from; at <= last; ++at) {
            at = static_cast<const uchar*>(std::memchr(at, bytes[0], size_t(last - at) + 1));
            if (!at) {
                return -1;
            }
            if (std::memcmp(at + 1, bytes.data() + 1, size_t(length) - 1) == 0) {
                return at - data;
            }
        }
        return -1;
    }
    const Folded folded = foldedPattern(pattern);
    const auto& fold = foldedBytes();
    // The bytes that can begin a match, for a quick first test.
    std::array<bool, 256> starts{};
    for (int byte = 0; byte < 256; ++byte) {
        starts[byte] = fold[byte] == folded[0];
    }
    for (qsizetype i = from; i <= size - length; ++i) {
        if (starts[data[i]] && matchesFoldedAt(data + i, folded)) {
            return i;
        }
    }
    return -1;
}

qsizetype lastIndexOfSingleBytes(QLatin1StringView text, QStringView pattern, qsizetype from,
                                 Qt::CaseSensitivity cs) {
    const qsizetype size = text.size();
    const qsizetype length = pattern.size();
    from = std::min(from, size - length);
    if (from < 0) {
        return -1;
    }
    const auto* data = reinterpret_cast<const uchar*>(text.data());
    if (cs == Qt::CaseSensitive) {
        QVarLengthArray<uchar, 64> bytes;
        if (!asBytes(pattern, bytes)) {
            return -1;
        }
        for (qsizetype i = from; i >= 0; --i) {
            if (std::equal(bytes.begin(), bytes.end(), data + i)) {
                return i;
            }
        }
        return -1;
    }
    const Folded folded = foldedPattern(pattern);
    for (qsizetype i = from; i >= 0; --i) {
        if (matchesFoldedAt(data + i, folded)) {
            return i;
        }
    }
    return -1;
}
