#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// The small report the translator saves its texts in.
enum class ReportKind {
    Both,            // "Save"
    TranslatedOnly,  // "Save The Translated Text Only"
    SourceOnly,      // "Save The Text To Translate Only"
};

// The lines of a text box: split at line breaks, a final empty line (the text
// ends with a break) not counted, so an empty box has no lines.
QStringList boxLines(const QString& text);

// The report file's bytes: every line ends in CR LF, text in UTF-8.
QByteArray translatorReport(ReportKind kind, const QStringList& sourceLines,
                            const QStringList& translatedLines);
