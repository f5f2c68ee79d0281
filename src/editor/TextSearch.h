#pragma once

#include <QRegularExpression>
#include <QString>
#include <memory>
#include <optional>

#include "SearchText.h"

// Search and replace over a document's text. Positions are UTF-16 indexes
// into the text the document hands over; the document maps them to its own.

struct TextMatch {
    qsizetype start = 0;
    qsizetype end = 0;
};

// One way of finding a pattern: plain text or a regular expression.
class TextSearchEngine {
public:
    virtual ~TextSearchEngine() = default;
    // Prepares the pattern; false when it cannot be used (empty, or a broken
    // expression, which errorText() then explains).
    virtual bool setPattern(const QString& pattern, bool matchCase) = 0;
    virtual QString errorText() const { return QString(); }
    // Whether the engine searches UTF-16 only (single bytes would be
    // decoded for it anyway).
    virtual bool needsUtf16() const { return false; }
    // The first match starting at or after `from` that ends at or before `limit`.
    virtual std::optional<TextMatch> findForward(const SearchText& text, qsizetype from,
                                                 qsizetype limit) = 0;
    // The last match lying wholly inside [from, limit).
    virtual std::optional<TextMatch> findBackward(const SearchText& text, qsizetype from,
                                                  qsizetype limit) = 0;
    // The text that replaces `match` (a regular expression expands $0..$9).
    virtual QString replacement(const SearchText& text, const TextMatch& match,
                                const QString& replaceText) = 0;
};

class PlainSearchEngine : public TextSearchEngine {
public:
    bool setPattern(const QString& pattern, bool matchCase) override;
    std::optional<TextMatch> findForward(const SearchText& text, qsizetype from,
                                         qsizetype limit) override;
    std::optional<TextMatch> findBackward(const SearchText& text, qsizetype from,
                                          qsizetype limit) override;
    QString replacement(const SearchText&, const TextMatch&, const QString& replaceText) override {
        return replaceText;
    }

private:
    QString m_pattern;
    Qt::CaseSensitivity m_case = Qt::CaseInsensitive;
};

class RegexSearchEngine : public TextSearchEngine {
public:
    bool setPattern(const QString& pattern, bool matchCase) override;
    // What is wrong with the expression and where ("unmatched closing
    // parenthesis at character 2"); empty when it is valid.
    QString errorText() const override;
    bool needsUtf16() const override { return true; }
    std::optional<TextMatch> findForward(const SearchText& text, qsizetype from,
                                         qsizetype limit) override;
    std::optional<TextMatch> findBackward(const SearchText& text, qsizetype from,
                                          qsizetype limit) override;
    QString replacement(const SearchText& text, const TextMatch& match,
                        const QString& replaceText) override;

private:
    QRegularExpression m_expression;
    QRegularExpressionMatch m_last;  // the match `replacement` expands
};

enum class ReplaceAction { Cancel, Skip, Replace, ReplaceAll };

struct TextReplacement {
    TextMatch range;
    QString text;
};

// What a search run needs of the document it searches.
class SearchDocument {
public:
    virtual ~SearchDocument() = default;
    // The text now: UTF-16 when `needsUtf16`, else as the document likes.
    virtual SearchText text(bool needsUtf16) const = 0;
    virtual qsizetype selectionStart() const = 0;
    virtual qsizetype selectionEnd() const = 0;
    // Selects [start, end) with the caret at `end`, or at `start` when `caretAtStart`.
    virtual void select(qsizetype start, qsizetype end, bool caretAtStart) = 0;
    // Replaces [start, end) of the text with `replacement` (one undo step).
    virtual void replace(qsizetype start, qsizetype end, const QString& replacement) = 0;
    // Replaces each range of the text (ascending, none overlapping, indexes
    // of the text as it is before) with its text, as one change; then puts
    // the caret at the end of replacement `caretAfter` (the last one when it
    // is out of range).
    virtual void replaceAll(const QList<TextReplacement>& replacements, qsizetype caretAfter) = 0;
    // The replace question for the match now selected.
    virtual ReplaceAction askReplace(const QString& searchText, const QString& replaceText,
                                     const TextMatch& match) = 0;
};

struct SearchOptions {
    bool matchCase = false;
    bool wholeWord = false;
    bool backwards = false;
    bool entireScope = false;   // clear: from the caret (the selection's far edge)
    bool selectedOnly = false;  // inside the selection, when there is one
    bool replace = false;
    bool replaceAll = false;  // go on after the first match
    bool prompt = false;      // ask before each replacement
};

// Runs one search (or search and replace) and returns the number of matches
// found. A pattern the engine cannot use throws AppError saying why, before
// anything changes. A plain search selects the first match in the direction and stops.
// A replace run walks the matches, asks for each when prompting, and replaces
// the rest in one step after "all".
int searchAndReplace(SearchDocument& document, TextSearchEngine& engine, const QString& searchText,
                     const QString& replaceText, const SearchOptions& options);
