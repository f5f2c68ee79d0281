#pragma once

#include <QLatin1StringView>
#include <QString>

// The text a search runs over, as its document hands it over: UTF-16, or
// single bytes that are one character each (Latin-1, ASCII among it), which
// a document holding such bytes lends without decoding them, and without
// the memory a decoded copy takes (twice the document). Indexes count UTF-16
// units either way, which for single bytes are the bytes.
class SearchText {
public:
    SearchText() = default;
    explicit SearchText(QString utf16) : m_utf16(std::move(utf16)) {}
    // The bytes are lent: they must stay as they are while the search runs.
    explicit SearchText(QLatin1StringView singleBytes)
        : m_singleBytes(singleBytes), m_isSingleBytes(true) {}

    bool isSingleBytes() const { return m_isSingleBytes; }
    QLatin1StringView singleBytes() const { return m_singleBytes; }
    // The UTF-16 text: as held, or decoded from the single bytes at the
    // first call.
    const QString& utf16() const;

    qsizetype size() const { return m_isSingleBytes ? m_singleBytes.size() : m_utf16.size(); }
    QChar at(qsizetype index) const {
        return m_isSingleBytes ? QChar(m_singleBytes.at(index)) : m_utf16.at(index);
    }

    // Replaces `length` units at `start` (the text is UTF-16 afterwards).
    void replace(qsizetype start, qsizetype length, const QString& replacement);

private:
    QLatin1StringView m_singleBytes;
    mutable QString m_utf16;
    bool m_isSingleBytes = false;
};

// QStringView::indexOf and lastIndexOf over single-byte text, with their
// answers: the first match at or after `from`, the last one starting at or
// before it; characters compared as they are or, ignoring case, case-folded
// as QChar folds them.
qsizetype indexOfSingleBytes(QLatin1StringView text, QStringView pattern, qsizetype from,
                             Qt::CaseSensitivity cs);
qsizetype lastIndexOfSingleBytes(QLatin1StringView text, QStringView pattern, qsizetype from,
                                 Qt::CaseSensitivity cs);
