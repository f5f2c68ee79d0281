#pragma once

#include <QList>
#include <QStringView>

// The colours of the FTP window's two coloured texts, the connection log and
// the "Editor" page's preview.
enum class TextColour { Plain, Green, Red, Blue };

struct ColouredRun {
    qsizetype start = 0;
    qsizetype length = 0;
    TextColour colour = TextColour::Plain;
};

// The colour of one word of the connection log: the word without blanks,
// carriage returns and line feeds, in lower case, looked up in the green list
// ("successful", "successful.", "transfer", "complete.", "logged", "in."),
// then the red one ("login", "incorrect.", "password", "user", "goodbye"),
// then the blue one ("status:", "command"). Plain when in none.
TextColour logWordColour(QStringView word);

// The coloured words of log text (words end at a blank or a line feed); the
// words of no list are left out.
QList<ColouredRun> colourLogText(QStringView text);

// The preview text of a download as the "Editor" page colours it, as runs that
// cover the whole text: a "<" or "{" starts a tag and a ">" or "}" ends it
// (both in the tag's colour); inside a tag a double quote opens or closes a
// quoted value. Text outside tags is blue, tags red, quoted values green; the
// quotes themselves take the tag's colour.
QList<ColouredRun> colourPreviewText(QStringView text);
