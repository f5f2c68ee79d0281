#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

// One bookmark or folder of a bookmark exchange, in both directions.
struct TUrlRec {
    QString Folder;  // path below the root, components joined by "\"; empty for the root
    QString Name;    // empty for a record that stands for a folder
    QString Url;
    qint32 Level = 0;

    bool isFolder() const { return Name.isEmpty(); }
    bool operator==(const TUrlRec&) const = default;
};

// The bookmark file: the HTML list that browsers exchange bookmarks in.
namespace BookmarkFile {

// Sorts by Folder, then by Name, comparing bytes. The folder separator sorts
// before every other character, so a folder's subfolders follow it directly
// ("News", "News\Local", "News Sites"): each folder's subtree stays together.
void sortRecords(QList<TUrlRec>& records);

// The whole file for records in sorted order: header, one line per bookmark,
// folders opened as they come and closed when a folder at the same or a
// higher level follows; folders still open at the end are left open and the
// footer closes only the outermost list. Lines end in CR LF; nothing is
// escaped.
QByteArray writeBookmarkFile(const QList<TUrlRec>& sortedRecords);

// Folders nested deeper than this are read into the deepest one: a path of
// more names would not fit the file system, and every record carries its
// whole path, so a file of deeper nesting would cost time and memory growing
// with the square of its size.
inline constexpr int kDeepestFolder = 32;

// Reads the lines of a bookmark file by the line rules: "</DL>" closes a
// level, a line with "http://" is a bookmark, a line with "<H3" opens a
// folder, anything else is ignored. The last line is not examined. Names are
// made safe for file names.
QList<TUrlRec> readBookmarkFile(const QStringList& lines);

// Reads the bookmark format that browsers export today (a document headed
// "<!DOCTYPE NETSCAPE-Bookmark-file-1>"): nested <DL> lists, folders in
// <H3>, bookmarks in <A HREF=...> of any scheme, several tags on a line,
// character references decoded. Names are made safe for file names.
QList<TUrlRec> readNetscapeBookmarks(const QString& text);

// A bookmark file's bytes as records: UTF-8 text (Latin-1 when it is not
// valid UTF-8); documents that declare the browsers' format are read as
// such, everything else by the line rules.
QList<TUrlRec> parseBookmarkFile(const QByteArray& content);

// The file's text split into lines as a text list loads them: CR LF, LF or CR
// end a line, and a final line break adds no empty line.
QStringList splitLines(const QString& text);

// Replaces each of \ / : * ? " < > | with "-".
QString replaceUnsafeCharacters(QString name);

// A name for a file or folder made from outside text: unsafe characters and
// control characters to "-", no leading dots, no "." or "..", at most
// kMaximumNameBytes bytes; `fallback` when nothing is left.
inline constexpr int kMaximumNameBytes = 200;
QString safeName(const QString& name, const QString& fallback = QStringLiteral("Untitled"));

// The file offered by the export and import dialogs and opened by "Mozilla
// Bookmarks": "newbook.htm" in the user's home folder.
QString defaultBookmarkFile();

}  // namespace BookmarkFile
