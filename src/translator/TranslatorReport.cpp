#include "TranslatorReport.h"

QStringList boxLines(const QString& text) {
    QString plain = text;
    plain.remove(u'\r');
    if (plain.isEmpty())
        return {};
    QStringList lines = plain.split(u'\n');
    if (lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

QByteArray translatorReport(ReportKind kind, const QStringList& sourceLines,
                            const QStringList& translatedLines) {
    QStringList lines{"Corvanta Translator", QString(22, u'#'), QString()};
    const auto section = [&lines](const char* title, const QStringList& body, int blankLines) {
        lines << QString::fromLatin1(title) << QString(21, u'-') << body;
        for (int i = 0; i < blankLines; ++i)
            lines << QString();
    };
    switch (kind) {
        case ReportKind::Both:
            section("The Text To Translate:", sourceLines, 3);
            section("The Translated Text:", translatedLines, 3);
            break;
        case ReportKind::TranslatedOnly:
            section("The Translated Text:", translatedLines, 3);
            break;
        case ReportKind::SourceOnly:
            section("The Text To Translate:", sourceLines, 2);
            break;
    }
    lines << QString(34, u'#') << "Thank you for choosing Corvanta.";
    QByteArray out;
    for (const QString& line : lines)
        out += line.toUtf8() + "\r\n";
    return out;
}
