#pragma once

#include <QDateTime>
#include <QLocale>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>

// The editor's fixed texts and the small rules that pick them.
namespace EditorTexts {

inline const QString kReady = QStringLiteral("Ready");
inline const QString kInitialPosition = QStringLiteral("Position:      1: 1");
inline const QString kSaved = QStringLiteral("The file was saved.");
inline const QString kNotSaved = QStringLiteral("The file was not saved.");
inline const QString kModified = QStringLiteral("The text was modified.");
inline const QString kSearchOpened = QStringLiteral("Ready For Search And Replace");
inline const QString kSearchRunning = QStringLiteral("Ready For Search and replace");
inline const QString kMatchFound = QStringLiteral("A match was found");
inline const QString kNoMatch = QStringLiteral("No match was not found");
inline const QString kConfirmReplace = QStringLiteral("Replace this occurence of \"%1\"?");

inline const QString kInitialLines[3] = {
    QStringLiteral("The Editor support XML, Html, Pascal and extended Text."),
    QStringLiteral("On opening the file the Editor will auto highlight the text by the file type."),
    QStringLiteral("You can change the highlight using the combo box."),
};

// "Position:" and the caret's line and column (line first).
QString position(int line, int column);
QString insertMode(bool overwrite);
QString capsLock(bool on);
// Short date, two blanks, long time, in `locale`'s formats.
QString dateAndTime(const QDateTime& moment, const QLocale& locale = QLocale());

}  // namespace EditorTexts

// The syntax modes, by the index of their entry in the mode box.
enum class EditorMode { Text = 0, Pascal = 1, Xml = 2, Html = 3 };

struct ModeChoice {
    EditorMode mode;
    QString boxText;  // what the box shows ("Xml" for the entry "XML")
    QString status;   // "Ready in ... mode"
};

// The mode box entries in order.
QString modeEntry(EditorMode mode);
// Choosing an entry of the box by hand.
ModeChoice modeForEntry(EditorMode mode);
// ApplyModeForExtension: case-sensitive tests for "pas"/"dfm"/"dpr", "xml",
// "htm" anywhere in the extension, in that order; anything else is Text.
ModeChoice modeForExtension(const QString& extension);

// Where the replace question goes, in screen coordinates: over the match's
// column unless it would stick out of the window (centred when the window is
// narrower than the box), above the match when its lower edge lies below the
// upper two thirds of the window, else below it; 4 pixels apart.
QPoint confirmDialogPosition(QSize dialog, const QRect& client, QPoint matchTopLeft,
                             int lineHeight);
