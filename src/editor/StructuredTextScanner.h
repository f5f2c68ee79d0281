#pragma once

#include <QByteArrayView>
#include <functional>

// Splits Structured Text (IEC 61131-3) into coloured runs, one line at a
// time, on UTF-8 or single-byte text. A block comment "(* ... *)" may span
// lines: the state a line ends in is the state the next one starts in.
namespace StructuredText {

enum Token { Default = 0, Comment = 1, Keyword = 2, String = 3, Number = 4, Operator = 5 };
enum LineState { Normal = 0, InBlockComment = 1 };

// Calls `run(length, token)` for consecutive runs covering all of `line`
// (line end included) and returns the state at its end.
LineState scanLine(QByteArrayView line, LineState state,
                   const std::function<void(qsizetype, Token)>& run);

bool isKeyword(QByteArrayView word);

// Where the line starting at `at` ends, after its line end (LF, CR LF or CR)
// or at the end of `text`.
qsizetype lineEnd(QByteArrayView text, qsizetype at);

}  // namespace StructuredText
