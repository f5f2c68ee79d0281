#include "StructuredTextScanner.h"

#include <QByteArray>
#include <QSet>

namespace StructuredText {

namespace {

bool isWordStart(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
}
bool isWordPart(char c) {
    return isWordStart(c) || (c >= '0' && c <= '9');
}
bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

const QSet<QByteArray>& keywords() {
    static const QSet<QByteArray> words = [] {
        QSet<QByteArray> set;
        for (const char* word : {"PROGRAM",
                                 "END_PROGRAM",
                                 "FUNCTION",
                                 "END_FUNCTION",
                                 "FUNCTION_BLOCK",
                                 "END_FUNCTION_BLOCK",
                                 "CONFIGURATION",
                                 "END_CONFIGURATION",
                                 "RESOURCE",
                                 "END_RESOURCE",
                                 "TASK",
                                 "WITH",
                                 "ON",
                                 "VAR",
                                 "VAR_INPUT",
                                 "VAR_OUTPUT",
                                 "VAR_IN_OUT",
                                 "VAR_GLOBAL",
                                 "VAR_EXTERNAL",
                                 "VAR_TEMP",
                                 "VAR_ACCESS",
                                 "VAR_CONFIG",
                                 "END_VAR",
                                 "CONSTANT",
                                 "RETAIN",
                                 "NON_RETAIN",
                                 "AT",
                                 "IF",
                                 "THEN",
                                 "ELSIF",
                                 "ELSE",
                                 "END_IF",
                                 "CASE",
                                 "OF",
                                 "END_CASE",
                                 "FOR",
                                 "TO",
                                 "BY",
                                 "DO",
                                 "END_FOR",
                                 "WHILE",
                                 "END_WHILE",
                                 "REPEAT",
                                 "UNTIL",
                                 "END_REPEAT",
                                 "EXIT",
                                 "RETURN",
                                 "CONTINUE",
                                 "AND",
                                 "OR",
                                 "XOR",
                                 "NOT",
                                 "MOD",
                                 "TRUE",
                                 "FALSE",
                                 "TYPE",
                                 "END_TYPE",
                                 "STRUCT",
                                 "END_STRUCT",
                                 "ARRAY",
                                 "POINTER",
                                 "REF_TO",
                                 "ACTION",
                                 "END_ACTION",
                                 "STEP",
                                 "END_STEP",
                                 "INITIAL_STEP",
                                 "TRANSITION",
                                 "END_TRANSITION",
                                 "FROM",
                                 "METHOD",
                                 "END_METHOD",
                                 "INTERFACE",
                                 "END_INTERFACE",
                                 "EXTENDS",
                                 "IMPLEMENTS",
                                 "BOOL",
                                 "SINT",
                                 "INT",
                                 "DINT",
                                 "LINT",
                                 "USINT",
                                 "UINT",
                                 "UDINT",
                                 "ULINT",
                                 "REAL",
                                 "LREAL",
                                 "BYTE",
                                 "WORD",
                                 "DWORD",
                                 "LWORD",
                                 "STRING",
                                 "WSTRING",
                                 "CHAR",
                                 "WCHAR",
                                 "TIME",
                                 "LTIME",
                                 "DATE",
                                 "TIME_OF_DAY",
                                 "TOD",
                                 "DATE_AND_TIME",
                                 "DT",
                                 "ANY"}) {
            set.insert(QByteArray(word));
        }
        return set;
    }();
    return words;
}

}  // namespace

bool isKeyword(QByteArrayView word) {
    // Called for every identifier while colouring: no allocation here.
    char upper[24];
    if (word.size() > qsizetype(sizeof upper)) {
        return false;
    }
    for (qsizetype i = 0; i < word.size(); ++i) {
        const char c = word[i];
        upper[i] = c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c;
    }
    return keywords().contains(QByteArray::fromRawData(upper, word.size()));
}

LineState scanLine(QByteArrayView line, LineState state,
                   const std::function<void(qsizetype, Token)>& run) {
    const char* p = line.data();
    const qsizetype size = line.size();
    qsizetype i = 0;
    while (i < size) {
        const qsizetype start = i;
        if (state == InBlockComment) {
            while (i < size && !(p[i] == '*' && i + 1 < size && p[i + 1] == ')')) {
                ++i;
            }
            if (i < size) {
                i += 2;
                state = Normal;
            }
            run(i - start, Comment);
            continue;
        }
        const char c = p[i];
        if (c == '(' && i + 1 < size && p[i + 1] == '*') {
            state = InBlockComment;
            i += 2;
            while (i < size && !(p[i] == '*' && i + 1 < size && p[i + 1] == ')')) {
                ++i;
            }
            if (i < size) {
                i += 2;
                state = Normal;
            }
            run(i - start, Comment);
        } else if (c == '/' && i + 1 < size && p[i + 1] == '/') {
            i = size;
            while (i > start && (p[i - 1] == '\n' || p[i - 1] == '\r')) {
                --i;
            }
            run(i - start, Comment);
        } else if (c == '\'' || c == '"') {
            ++i;
            while (i < size && p[i] != c && p[i] != '\n' && p[i] != '\r') {
                i += p[i] == '$' && i + 1 < size ? 2 : 1;  // $' and $$ escape
            }
            if (i < size && p[i] == c) {
                ++i;
            }
            run(i - start, String);
        } else if (isDigit(c)) {
            // 16#FF, 2#1010, 1_000, 3.14, 1.0E-3
            while (i < size &&
                   (isWordPart(p[i]) || p[i] == '#' || p[i] == '.' ||
                    ((p[i] == '-' || p[i] == '+') && (p[i - 1] == 'E' || p[i - 1] == 'e')))) {
                ++i;
            }
            run(i - start, Number);
        } else if (isWordStart(c)) {
            while (i < size && isWordPart(p[i])) {
                ++i;
            }
            run(i - start, isKeyword(line.sliced(start, i - start)) ? Keyword : Default);
        } else if (QByteArrayView(":=<>+-*/&=;,.[]()^").contains(c)) {
            ++i;
            run(1, Operator);
        } else {
            while (i < size && !isWordPart(p[i]) && p[i] != '(' && p[i] != '/' && p[i] != '\'' &&
                   p[i] != '"' && !QByteArrayView(":=<>+-*&;,.[])^").contains(p[i])) {
                ++i;
            }
            if (i == start) {
                ++i;
            }
            run(i - start, Default);
        }
    }
    return state;
}

qsizetype lineEnd(QByteArrayView text, qsizetype at) {
    qsizetype end = at;
    while (end < text.size() && text[end] != '\n' && text[end] != '\r') {
        ++end;
    }
    if (end < text.size()) {
        end += text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n' ? 2 : 1;
    }
    return end;
}

}  // namespace StructuredText
