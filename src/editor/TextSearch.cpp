#include "TextSearch.h"

#include "AppError.h"

namespace {

bool isWordCharacter(QChar c) {
    return c.isLetterOrNumber() || c == u'_';
}

bool isWholeWord(const SearchText& text, const TextMatch& match) {
    if (match.start > 0 && isWordCharacter(text.at(match.start - 1))) {
        return false;
    }
    if (match.end < text.size() && isWordCharacter(text.at(match.end))) {
        return false;
    }
    return true;
}

}  // namespace

bool PlainSearchEngine::setPattern(const QString& pattern, bool matchCase) {
    m_pattern = pattern;
    m_case = matchCase ? Qt::CaseSensitive : Qt::CaseInsensitive;
    return !pattern.isEmpty();
}

std::optional<TextMatch> PlainSearchEngine::findForward(const SearchText& text, qsizetype from,
                                                        qsizetype limit) {
    if (m_pattern.isEmpty()) {
        return std::nullopt;
    }
    const qsizetype at = text.isSingleBytes()
                             ? indexOfSingleBytes(text.singleBytes(), m_pattern, from, m_case)
                             : text.utf16().indexOf(m_pattern, from, m_case);
    if (at < 0 || at + m_pattern.size() > limit) {
        return std::nullopt;
    }
    return TextMatch{at, at + m_pattern.size()};
}

std::optional<TextMatch> PlainSearchEngine::findBackward(const SearchText& text, qsizetype from,
                                                         qsizetype limit) {
    const qsizetype last = limit - m_pattern.size();
    if (m_pattern.isEmpty() || last < from) {
        return std::nullopt;
    }
    const qsizetype at = text.isSingleBytes()
                             ? lastIndexOfSingleBytes(text.singleBytes(), m_pattern, last, m_case)
                             : text.utf16().lastIndexOf(m_pattern, last, m_case);
    if (at < from) {
        return std::nullopt;
    }
    return TextMatch{at, at + m_pattern.size()};
}

bool RegexSearchEngine::setPattern(const QString& pattern, bool matchCase) {
    QRegularExpression::PatternOptions options =
        QRegularExpression::MultilineOption | QRegularExpression::UseUnicodePropertiesOption;
    if (!matchCase) {
        options |= QRegularExpression::CaseInsensitiveOption;
    }
    m_expression = QRegularExpression(pattern, options);
    return !pattern.isEmpty() && m_expression.isValid();
}

QString RegexSearchEngine::errorText() const {
    if (m_expression.isValid()) {
        return QString();
    }
    // The offset counts from 0 and points at the offending character, or
    // past the last one when the pattern ended too soon.
    const qsizetype offset = m_expression.patternErrorOffset();
    const QString where = offset >= m_expression.pattern().size()
                              ? QStringLiteral("at its end")
                              : QStringLiteral("at character %1").arg(offset + 1);
    return m_expression.errorString() + QLatin1Char(' ') + where;
}

std::optional<TextMatch> RegexSearchEngine::findForward(const SearchText& text, qsizetype from,
                                                        qsizetype limit) {
    if (!m_expression.isValid() || from > limit) {
        return std::nullopt;
    }
    QRegularExpressionMatch match = m_expression.match(text.utf16(), from);
    if (!match.hasMatch() || match.capturedEnd() > limit) {
        return std::nullopt;
    }
    m_last = match;
    return TextMatch{match.capturedStart(), match.capturedEnd()};
}

std::optional<TextMatch> RegexSearchEngine::findBackward(const SearchText& text, qsizetype from,
                                                         qsizetype limit) {
    std::optional<TextMatch> found;
    QRegularExpressionMatch foundMatch;
    qsizetype at = from;
    while (auto match = findForward(text, at, limit)) {
        found = match;
        foundMatch = m_last;
        at = match->end > match->start ? match->end : match->start + 1;
        if (at > limit) {
            break;
        }
    }
    m_last = foundMatch;
    return found;
}

QString RegexSearchEngine::replacement(const SearchText&, const TextMatch&,
                                       const QString& replaceText) {
    QString result;
    result.reserve(replaceText.size());
    for (qsizetype i = 0; i < replaceText.size(); ++i) {
        const QChar c = replaceText.at(i);
        if (c == u'$' && i + 1 < replaceText.size() && replaceText.at(i + 1).isDigit()) {
            result += m_last.captured(replaceText.at(i + 1).digitValue());
            ++i;
        } else if (c == u'\\' && i + 1 < replaceText.size()) {
            const QChar escaped = replaceText.at(++i);
            result += escaped == u'n' ? QChar(u'\n') : escaped == u't' ? QChar(u'\t') : escaped;
        } else {
            result += c;
        }
    }
    return result;
}

namespace {

// Finds the next acceptable match, skipping those that are not whole words.
std::optional<TextMatch> nextMatch(TextSearchEngine& engine, const SearchText& text, qsizetype from,
                                   qsizetype limit, bool backwards, bool wholeWord) {
    while (from <= limit) {
        auto match = backwards ? engine.findBackward(text, from, limit)
                               : engine.findForward(text, from, limit);
        if (!match || !wholeWord || isWholeWord(text, *match)) {
            return match;
        }
        if (backwards) {
            limit = match->end - 1;
        } else {
            from = match->start + 1;
        }
    }
    return std::nullopt;
}

}  // namespace

int searchAndReplace(SearchDocument& document, TextSearchEngine& engine, const QString& searchText,
                     const QString& replaceText, const SearchOptions& options) {
    if (!engine.setPattern(searchText, options.matchCase)) {
        const QString error = engine.errorText();
        if (!error.isEmpty()) {
            throw AppError(QStringLiteral("The regular expression \"%1\" is not valid: %2.")
                               .arg(searchText, error));
        }
        return 0;
    }
    SearchText text = document.text(engine.needsUtf16());
    const qsizetype selectionStart = document.selectionStart();
    const qsizetype selectionEnd = document.selectionEnd();
    qsizetype low = 0;
    qsizetype high = text.size();
    if (options.selectedOnly && selectionStart < selectionEnd) {
        // The selection is the whole scope: searching from the caret inside
        // it would find nothing, as the caret sits at its end.
        low = selectionStart;
        high = selectionEnd;
    } else if (!options.entireScope) {
        // From the caret: past the selection going forwards, before it going
        // backwards, so a selected match is not found again.
        if (options.backwards) {
            high = selectionStart;
        } else {
            low = selectionEnd;
        }
    }

    if (!options.replace) {
        const auto match = nextMatch(engine, text, low, high, options.backwards, options.wholeWord);
        if (!match) {
            return 0;
        }
        document.select(match->start, match->end, options.backwards);
        return 1;
    }

    int count = 0;
    bool prompt = options.prompt;
    while (low <= high) {
        const auto match = nextMatch(engine, text, low, high, options.backwards, options.wholeWord);
        if (!match) {
            break;
        }
        ++count;
        ReplaceAction action = ReplaceAction::Replace;
        if (prompt) {
            document.select(match->start, match->end, options.backwards);
            action = document.askReplace(searchText, replaceText, *match);
        }
        if (action == ReplaceAction::Cancel) {
            break;
        }
        if (action == ReplaceAction::ReplaceAll) {
            // Every remaining match in one change, however many there are.
            // (Going backwards the remaining matches all lie in [low, high).)
            QList<TextReplacement> replacements;
            // The caret stays by the match the user saw, not at the last one,
            // which may lie far down a large document.
            qsizetype caretAfter = -1;
            auto next = nextMatch(engine, text, low, high, false, options.wholeWord);
            while (next) {
                if (next->start == match->start) {
                    caretAfter = replacements.size();
                }
                replacements.append({*next, engine.replacement(text, *next, replaceText)});
                const qsizetype at = next->end > next->start ? next->end : next->start + 1;
                next = at <= high ? nextMatch(engine, text, at, high, false, options.wholeWord)
                                  : std::nullopt;
            }
            document.replaceAll(replacements, caretAfter);
            // The match asked about is among them.
            return count - 1 + int(replacements.size());
        }
        const bool empty = match->start == match->end;
        if (action == ReplaceAction::Skip) {
            if (options.backwards) {
                high = empty ? match->start - 1 : match->start;
            } else {
                low = empty ? match->start + 1 : match->end;
            }
            continue;
        }
        const QString replacement = engine.replacement(text, *match, replaceText);
        text.replace(match->start, match->end - match->start, replacement);
        document.replace(match->start, match->end, replacement);
        if (options.backwards) {
            high = empty ? match->start - 1 : match->start;
        } else {
            low = match->start + replacement.size() + (empty ? 1 : 0);
            high += replacement.size() - (match->end - match->start);
        }
        document.select(match->start + replacement.size(), match->start + replacement.size(),
                        false);
        if (!options.replaceAll) {
            break;
        }
    }
    return count;
}
