#include "BookmarkFile.h"

#include <QDir>
#include <QStringDecoder>
#include <QUrl>
#include <algorithm>

namespace {

constexpr QLatin1StringView kSeparator("\\");

QByteArray sortKey(const QString& text, bool folder) {
    QByteArray key = text.toUtf8();
    if (folder)
        key.replace('\\', '\0');
    return key;
}

QString indent(int level) {
    return QString(qMax(level, 0) * 4, QLatin1Char(' '));
}

QString lastComponent(const QString& folder) {
    return folder.mid(folder.lastIndexOf(kSeparator) + 1);
}

// The folder path of `level`: entries 1 to level of `names`, joined.
QString folderPath(const QStringList& names, int level) {
    return names.mid(1, level).join(kSeparator);
}

QString decodeText(const QByteArray& content) {
    QByteArrayView bytes(content);
    if (bytes.startsWith("\xEF\xBB\xBF"))
        bytes = bytes.sliced(3);
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = utf8(bytes);
    if (!utf8.hasError())
        return text;
    return QString::fromLatin1(bytes);
}

// Character references of HTML text: the named ones bookmark files use and
// numeric ones; anything else is kept as written.
QString decodeEntities(QStringView text) {
    if (!text.contains(QLatin1Char('&')))
        return text.toString();
    static const QList<QPair<QLatin1StringView, QChar>> named{
        {QLatin1StringView("amp"), QLatin1Char('&')},
        {QLatin1StringView("lt"), QLatin1Char('<')},
        {QLatin1StringView("gt"), QLatin1Char('>')},
        {QLatin1StringView("quot"), QLatin1Char('"')},
        {QLatin1StringView("apos"), QLatin1Char('\'')},
        {QLatin1StringView("nbsp"), QChar(0xA0)},
    };
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        const qsizetype end = c == QLatin1Char('&') ? text.indexOf(QLatin1Char(';'), i) : -1;
        if (end < 0 || end - i > 10) {
            out.append(c);
            continue;
        }
        const QStringView name = text.sliced(i + 1, end - i - 1);
        bool decoded = false;
        if (name.startsWith(QLatin1Char('#'))) {
            bool ok = false;
            const uint code =
                name.size() > 1 && (name[1] == QLatin1Char('x') || name[1] == QLatin1Char('X'))
                    ? name.sliced(2).toUInt(&ok, 16)
                    : name.sliced(1).toUInt(&ok, 10);
            if (ok && code > 0 && code <= 0x10FFFF && !(code >= 0xD800 && code <= 0xDFFF)) {
                const char32_t character = code;
                out.append(QString::fromUcs4(&character, 1));
                decoded = true;
            }
        } else {
            for (const auto& [entity, character] : named) {
                if (name.compare(entity, Qt::CaseInsensitive) == 0) {
                    out.append(character);
                    decoded = true;
                    break;
                }
            }
        }
        if (decoded) {
            i = end;
        } else {
            out.append(c);
        }
    }
    return out;
}

// A tag of an HTML text: its lower-case name ("dl", "/dl", "a", ...) and the
// text of its attributes.
struct Tag {
    QString name;
    QStringView attributes;
    qsizetype end = -1;  // index after the ">"; -1 when the text ends first
};

Tag readTag(QStringView text, qsizetype open) {
    Tag tag;
    qsizetype i = open + 1;
    while (i < text.size() && !text[i].isSpace() && text[i] != QLatin1Char('>'))
        ++i;
    tag.name = text.sliced(open + 1, i - open - 1).toString().toLower();
    // Quoted attribute values may hold ">".
    QChar quote;
    qsizetype j = i;
    for (; j < text.size(); ++j) {
        const QChar c = text[j];
        if (!quote.isNull()) {
            if (c == quote)
                quote = QChar();
        } else if (c == QLatin1Char('"') || c == QLatin1Char('\'')) {
            quote = c;
        } else if (c == QLatin1Char('>')) {
            break;
        }
    }
    if (j >= text.size())
        return tag;
    tag.attributes = text.sliced(i, j - i);
    tag.end = j + 1;
    return tag;
}

// The value of attribute `name` (lower case) in a tag's attribute text.
QString attributeValue(QStringView attributes, QLatin1StringView name) {
    qsizetype i = 0;
    while (i < attributes.size()) {
        while (i < attributes.size() && attributes[i].isSpace())
            ++i;
        const qsizetype nameStart = i;
        while (i < attributes.size() && !attributes[i].isSpace() &&
               attributes[i] != QLatin1Char('='))
            ++i;
        const QStringView attribute = attributes.sliced(nameStart, i - nameStart);
        while (i < attributes.size() && attributes[i].isSpace())
            ++i;
        QStringView value;
        if (i < attributes.size() && attributes[i] == QLatin1Char('=')) {
            ++i;
            while (i < attributes.size() && attributes[i].isSpace())
                ++i;
            if (i < attributes.size() &&
                (attributes[i] == QLatin1Char('"') || attributes[i] == QLatin1Char('\''))) {
                const QChar quote = attributes[i];
                const qsizetype close = attributes.indexOf(quote, i + 1);
                const qsizetype end = close < 0 ? attributes.size() : close;
                value = attributes.sliced(i + 1, end - i - 1);
                i = end + 1;
            } else {
                const qsizetype start = i;
                while (i < attributes.size() && !attributes[i].isSpace())
                    ++i;
                value = attributes.sliced(start, i - start);
            }
        }
        if (attribute.compare(name, Qt::CaseInsensitive) == 0)
            return decodeEntities(value);
        if (attribute.isEmpty())
            ++i;
    }
    return QString();
}

bool isStructural(const QString& tagName) {
    static const QStringList names{"dt", "dd", "dl", "/dl", "h3", "a"};
    return names.contains(tagName);
}

// The text from `from` up to the closing tag `closing` (or up to the next
// list tag when the closing one is missing), with markup inside dropped,
// references decoded and white space collapsed; `next` gets the index to go
// on from.
QString elementText(QStringView text, qsizetype from, QLatin1StringView closing, qsizetype* next) {
    QString inner;
    qsizetype i = from;
    while (true) {
        const qsizetype open = text.indexOf(QLatin1Char('<'), i);
        inner += text.sliced(i, (open < 0 ? text.size() : open) - i);
        if (open < 0) {
            *next = text.size();
            break;
        }
        const Tag tag = readTag(text, open);
        if (tag.end < 0) {
            *next = text.size();
            break;
        }
        if (tag.name == closing) {
            *next = tag.end;
            break;
        }
        if (isStructural(tag.name)) {
            *next = open;
            break;
        }
        i = tag.end;
    }
    return decodeEntities(inner).simplified();
}

// What is left of a name once it is fit for a file name; may be empty.
QString cleanName(const QString& name) {
    QString safe = BookmarkFile::replaceUnsafeCharacters(name);
    for (QChar& c : safe) {
        if (c.unicode() < 32 || c.unicode() == 127)
            c = QLatin1Char('-');
    }
    // Leading dots would hide the file, or name the folder itself or its parent.
    while (safe.startsWith(QLatin1Char('.')))
        safe.remove(0, 1);
    while (safe.toUtf8().size() > BookmarkFile::kMaximumNameBytes)
        safe.chop(safe.size() >= 2 && safe.back().isLowSurrogate() ? 2 : 1);
    return safe.trimmed().isEmpty() ? QString() : safe;
}

}  // namespace

namespace BookmarkFile {

void sortRecords(QList<TUrlRec>& records) {
    std::stable_sort(records.begin(), records.end(), [](const TUrlRec& a, const TUrlRec& b) {
        const QByteArray folderA = sortKey(a.Folder, true);
        const QByteArray folderB = sortKey(b.Folder, true);
        if (folderA != folderB)
            return folderA < folderB;
        return sortKey(a.Name, false) < sortKey(b.Name, false);
    });
}

QByteArray writeBookmarkFile(const QList<TUrlRec>& sortedRecords) {
    QByteArray out;
    const auto line = [&out](const QString& text) { out += text.toUtf8() + "\r\n"; };
    // The first line names the application title.
    line(QStringLiteral("<!-- Made with Corvanta - Web Application -->"));
    line(QString());
    line(QStringLiteral("<TITLE>Corvanta Converted Bookmarks</TITLE>"));
    line(QStringLiteral("<H1>Corvanta Converted Bookmarks</H1>"));
    line(QString());
    line(QStringLiteral("<DL><P>"));
    bool folderWritten = false;
    int lastFolderLevel = 0;
    for (const TUrlRec& record : sortedRecords) {
        if (!record.isFolder()) {
            line(indent(record.Level) + QStringLiteral("<DT><A HREF=\"") + record.Url +
                 QStringLiteral("\">") + record.Name + QStringLiteral("</A><BR>"));
            continue;
        }
        if (folderWritten) {
            for (int k = lastFolderLevel; k >= record.Level; --k) {
                line(indent(lastFolderLevel) + QStringLiteral("</DL><P>"));
                line(QString());
                --lastFolderLevel;
            }
        }
        line(QString());
        line(indent(record.Level) + QStringLiteral("<DT><H3>") + lastComponent(record.Folder) +
             QStringLiteral("</H3>"));
        line(indent(record.Level) + QStringLiteral("<DL><P>"));
        folderWritten = true;
        lastFolderLevel = record.Level;
    }
    line(QString());
    line(QStringLiteral("</DL><P>"));
    return out;
}

QList<TUrlRec> readBookmarkFile(const QStringList& lines) {
    QList<TUrlRec> records;
    int level = 0;
    QStringList names{QString()};
    for (qsizetype index = 0; index + 1 < lines.size(); ++index) {
        const QString& line = lines[index];
        if (line.contains(QLatin1String("</DL>"))) {
            // Surplus closings would name folders by negative levels.
            level = qMax(level - 1, 0);
        } else if (line.contains(QLatin1String("http://"))) {
            const qsizetype open = line.indexOf(QLatin1Char('"'));
            const qsizetype close = open < 0 ? -1 : line.indexOf(QLatin1Char('"'), open + 1);
            const qsizetype nameStart = open < 0 ? -1 : line.indexOf(QLatin1Char('>'), open + 1);
            // Without its quotes or its name the line is not read as a bookmark.
            if (close < 0 || nameStart < 0)
                continue;
            const qsizetype nameEnd = line.indexOf(QLatin1Char('<'), nameStart + 1);
            const QString url = line.mid(open + 1, close - open - 1);
            const QString name =
                line.mid(nameStart + 1, nameEnd < 0 ? -1 : nameEnd - nameStart - 1);
            const int shown = qMin(level, kDeepestFolder);
            records.append(
                {folderPath(names, shown), safeName(name, QUrl(url).host()), url, shown});
        } else if (line.contains(QLatin1String("<H3"))) {
            ++level;
            if (level > kDeepestFolder)
                continue;  // its bookmarks go to the deepest folder
            const qsizetype after = line.left(line.size() - 1).lastIndexOf(QLatin1Char('>')) + 1;
            const qsizetype end = line.size() - 5;
            const QString name = safeName(end > after ? line.mid(after, end - after) : QString());
            if (level < names.size()) {
                names[level] = name;
            } else {
                names.append(name);
            }
            records.append({folderPath(names, level), QString(), QString(), level});
        }
    }
    return records;
}

QList<TUrlRec> readNetscapeBookmarks(const QString& content) {
    QList<TUrlRec> records;
    const QStringView text(content);
    QStringList path;
    QList<bool> namedLists;  // per open <DL>: whether it added a component to `path`
    QString pendingFolder;
    bool folderPending = false;
    qsizetype i = 0;
    while ((i = text.indexOf(QLatin1Char('<'), i)) >= 0) {
        if (text.sliced(i).startsWith(QLatin1String("<!--"))) {
            const qsizetype end = text.indexOf(QLatin1String("-->"), i + 4);
            if (end < 0)
                break;
            i = end + 3;
            continue;
        }
        const Tag tag = readTag(text, i);
        if (tag.end < 0)
            break;
        i = tag.end;
        if (tag.name == QLatin1String("dl")) {
            namedLists.append(folderPending);
            if (folderPending)
                path.append(pendingFolder);
            folderPending = false;
        } else if (tag.name == QLatin1String("/dl")) {
            if (!namedLists.isEmpty() && namedLists.takeLast())
                path.removeLast();
        } else if (tag.name == QLatin1String("h3")) {
            pendingFolder = safeName(elementText(text, i, QLatin1StringView("/h3"), &i));
            // Deeper folders' bookmarks go to the deepest one.
            folderPending = path.size() < kDeepestFolder;
            if (!folderPending)
                continue;
            const QStringList folder = path + QStringList{pendingFolder};
            records.append({folder.join(kSeparator), QString(), QString(), int(folder.size())});
        } else if (tag.name == QLatin1String("a")) {
            const QString url = attributeValue(tag.attributes, QLatin1StringView("href")).trimmed();
            const QString title = elementText(text, i, QLatin1StringView("/a"), &i);
            if (url.isEmpty())
                continue;
            records.append(
                {path.join(kSeparator), safeName(title, QUrl(url).host()), url, int(path.size())});
        }
    }
    return records;
}

QList<TUrlRec> parseBookmarkFile(const QByteArray& content) {
    const QString text = decodeText(content);
    if (text.trimmed().startsWith(QLatin1String("<!DOCTYPE NETSCAPE-Bookmark-file-1>"),
                                  Qt::CaseInsensitive))
        return readNetscapeBookmarks(text);
    return readBookmarkFile(splitLines(text));
}

QStringList splitLines(const QString& text) {
    QStringList lines;
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c != QLatin1Char('\r') && c != QLatin1Char('\n'))
            continue;
        lines.append(text.mid(start, i - start));
        if (c == QLatin1Char('\r') && i + 1 < text.size() && text[i + 1] == QLatin1Char('\n'))
            ++i;
        start = i + 1;
    }
    if (start < text.size())
        lines.append(text.mid(start));
    return lines;
}

QString replaceUnsafeCharacters(QString name) {
    for (QChar& c : name) {
        if (QStringView(u"\\/:*?\"<>|").contains(c))
            c = QLatin1Char('-');
    }
    return name;
}

QString safeName(const QString& name, const QString& fallback) {
    QString safe = cleanName(name);
    if (safe.isEmpty())
        safe = cleanName(fallback);
    return safe.isEmpty() ? QStringLiteral("Untitled") : safe;
}

QString defaultBookmarkFile() {
    return QDir::homePath() + QStringLiteral("/newbook.htm");
}

}  // namespace BookmarkFile
