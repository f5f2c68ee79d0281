#pragma once

#include <Qsci/qscilexercustom.h>

// The Text mode highlighter: Structured Text keywords, comments, strings and
// numbers, coloured by StructuredText::scanLine.
class StructuredTextLexer : public QsciLexerCustom {
    Q_OBJECT
public:
    explicit StructuredTextLexer(QObject* parent = nullptr);

    const char* language() const override { return "Structured Text"; }
    QString description(int style) const override;
    QColor defaultColor(int style) const override;
    QFont defaultFont(int style) const override;
    void styleText(int start, int end) override;
};
