#include "StructuredTextLexer.h"

#include <Qsci/qsciscintilla.h>

#include "StructuredTextScanner.h"

using namespace StructuredText;

StructuredTextLexer::StructuredTextLexer(QObject* parent) : QsciLexerCustom(parent) {}

QString StructuredTextLexer::description(int style) const {
    switch (style) {
        case Default:
            return QStringLiteral("Default");
        case Comment:
            return QStringLiteral("Comment");
        case Keyword:
            return QStringLiteral("Keyword");
        case String:
            return QStringLiteral("String");
        case Number:
            return QStringLiteral("Number");
        case Operator:
            return QStringLiteral("Operator");
    }
    return QString();
}

QColor StructuredTextLexer::defaultColor(int style) const {
    switch (style) {
        case Comment:
            return QColor(0x00, 0x80, 0x00);
        case Keyword:
            return QColor(0x00, 0x00, 0x80);
        case String:
            return QColor(0xA0, 0x20, 0x20);
        case Number:
            return QColor(0x80, 0x00, 0x80);
        case Operator:
            return QColor(0x40, 0x40, 0x40);
    }
    return QsciLexerCustom::defaultColor(style);
}

QFont StructuredTextLexer::defaultFont(int style) const {
    QFont font = QsciLexerCustom::defaultFont(style);
    if (style == Keyword) {
        font.setBold(true);
    } else if (style == Comment) {
        font.setItalic(true);
    }
    return font;
}

void StructuredTextLexer::styleText(int start, int end) {
    QsciScintilla* text = editor();
    if (!text || start >= end) {
        return;
    }
    // Scintilla asks from a line start; the comment state comes from the line
    // before and is kept per line for the next request.
    int line = int(text->SendScintilla(QsciScintillaBase::SCI_LINEFROMPOSITION, start));
    LineState state =
        line > 0 ? LineState(text->SendScintilla(QsciScintillaBase::SCI_GETLINESTATE, line - 1))
                 : Normal;
    const auto* bytes = reinterpret_cast<const char*>(
        text->SendScintilla(QsciScintillaBase::SCI_GETRANGEPOINTER, start, long(end - start)));
    if (!bytes) {
        return;
    }
    // Styles are gathered per line and handed over in one call: a call per
    // token would dominate on large files.
    startStyling(start);
    const QByteArrayView range(bytes, end - start);
    QByteArray styles;
    qsizetype at = 0;
    while (at < range.size()) {
        const qsizetype next = StructuredText::lineEnd(range, at);
        styles.resize(0);
        state = scanLine(
            range.sliced(at, next - at), state,
            [&styles](qsizetype length, Token token) { styles.append(length, char(token)); });
        text->SendScintilla(QsciScintillaBase::SCI_SETSTYLINGEX, uintptr_t(styles.size()),
                            styles.constData());
        text->SendScintilla(QsciScintillaBase::SCI_SETLINESTATE, line, long(state));
        ++line;
        at = next;
    }
}
