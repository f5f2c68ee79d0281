#include "TextColouring.h"

#include <QString>

TextColour logWordColour(QStringView word) {
    QString key;
    key.reserve(word.size());
    for (QChar c : word) {
        if (c != u' ' && c != u'\r' && c != u'\n') {
            key.append(c.toLower());
        }
    }
    static const QStringList green{"successful", "successful.", "transfer",
                                   "complete.",  "logged",      "in."};
    static const QStringList red{"login", "incorrect.", "password", "user", "goodbye"};
    static const QStringList blue{"status:", "command"};
    if (green.contains(key)) {
        return TextColour::Green;
    }
    if (red.contains(key)) {
        return TextColour::Red;
    }
    if (blue.contains(key)) {
        return TextColour::Blue;
    }
    return TextColour::Plain;
}

QList<ColouredRun> colourLogText(QStringView text) {
    QList<ColouredRun> runs;
    qsizetype start = 0;
    for (qsizetype i = 0; i <= text.size(); ++i) {
        if (i < text.size() && text[i] != u' ' && text[i] != u'\n') {
            continue;
        }
        if (i > start) {
            const TextColour colour = logWordColour(text.sliced(start, i - start));
            if (colour != TextColour::Plain) {
                runs.append({start, i - start, colour});
            }
        }
        start = i + 1;
    }
    return runs;
}

QList<ColouredRun> colourPreviewText(QStringView text) {
    QList<ColouredRun> runs;
    bool inTag = false;
    bool quoted = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        TextColour colour = TextColour::Blue;
        if (c == u'<' || c == u'{') {
            inTag = true;
            colour = TextColour::Red;
        } else if (inTag && (c == u'>' || c == u'}')) {
            inTag = false;
            quoted = false;
            colour = TextColour::Red;
        } else if (inTag && c == u'"') {
            quoted = !quoted;
            colour = TextColour::Red;
        } else if (inTag) {
            colour = quoted ? TextColour::Green : TextColour::Red;
        }
        if (!runs.isEmpty() && runs.last().colour == colour) {
            ++runs.last().length;
        } else {
            runs.append({i, 1, colour});
        }
    }
    return runs;
}
