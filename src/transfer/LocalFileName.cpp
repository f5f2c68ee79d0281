#include "LocalFileName.h"

#include <sys/stat.h>

#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>
#include <QMutex>
#include <QSet>
#include <QUrl>

namespace {

// Characters a name never keeps: C0 and C1 controls and DEL, and the marks
// that change the order text is shown in (a name ending "\u202Etxt.exe" reads
// as one ending "exe.txt").
bool isDropped(char32_t c) {
    return c < 0x20 || (c >= 0x7f && c <= 0x9f) || c == 0x061c || c == 0x200e || c == 0x200f ||
           (c >= 0x202a && c <= 0x202e) || (c >= 0x2066 && c <= 0x2069);
}

qsizetype utf8Length(char32_t c) {
    return c < 0x80 ? 1 : c < 0x800 ? 2 : c < 0x10000 ? 3 : 4;
}

}  // namespace

QString safeFileName(const QString& offered) {
    const qsizetype cut =
        qMax(offered.lastIndexOf(QLatin1Char('/')), offered.lastIndexOf(QLatin1Char('\\')));
    const QStringView name = QStringView(offered).sliced(cut + 1);
    QString clean;
    clean.reserve(name.size());
    for (qsizetype i = 0; i < name.size(); ++i) {
        const QChar c = name[i];
        if (c.isHighSurrogate() && i + 1 < name.size() && name[i + 1].isLowSurrogate()) {
            if (!isDropped(QChar::surrogateToUcs4(c, name[i + 1])))
                clean.append(name.sliced(i, 2));
            ++i;
        } else if (!c.isSurrogate() && !isDropped(c.unicode())) {
            clean.append(c);  // half a pair alone is no character: dropped
        }
    }
    clean = clean.trimmed();
    qsizetype dots = 0;
    while (dots < clean.size() && clean[dots] == QLatin1Char('.'))
        ++dots;
    clean.remove(0, dots);
    // Names longer than the file system allows are cut by bytes, keeping
    // whole characters.
    qsizetype bytes = 0;
    qsizetype keep = 0;
    while (keep < clean.size()) {
        const bool pair = clean[keep].isHighSurrogate();
        const char32_t c = pair ? QChar::surrogateToUcs4(clean[keep], clean[keep + 1])
                                : char32_t(clean[keep].unicode());
        bytes += utf8Length(c);
        if (bytes > 255)
            break;
        keep += pair ? 2 : 1;
    }
    clean.truncate(keep);
    return clean;
}

namespace {
QMutex claimLock;
QSet<QString> claimed;  // guarded by claimLock

constexpr qsizetype kNameMax = 255;  // bytes of one name

// Anything at the path, a dangling link included.
bool pathTaken(const QString& path) {
    struct stat info {};
    return ::lstat(QFile::encodeName(path).constData(), &info) == 0;
}

}  // namespace

QString partialFileName(const QString& file) {
    const qsizetype slash = file.lastIndexOf(QLatin1Char('/'));
    const QString folder = file.left(slash + 1);
    QString name = file.mid(slash + 1);
    const qsizetype room = kNameMax - qsizetype(sizeof(kPartialSuffix) - 1);
    if (QFile::encodeName(name).size() > room) {
        const QString digest = QString::fromLatin1(
            QCryptographicHash::hash(name.toUtf8(), QCryptographicHash::Sha1).toHex().left(12));
        do {
            name.chop(1);
            if (!name.isEmpty() && name.back().isHighSurrogate())
                name.chop(1);
        } while (!name.isEmpty() && QFile::encodeName(name).size() > room - 13);
        name += QLatin1Char('-') + digest;
    }
    return folder + name + QLatin1String(kPartialSuffix);
}

QString unreservedFileName(const QString& name, const QStringList& reservedSuffixes) {
    if (name.endsWith(QLatin1String(kPartialSuffix)))
        return name + QLatin1Char('_');
    for (const QString& suffix : reservedSuffixes) {
        if (!suffix.isEmpty() && name.endsWith(suffix))
            return name + QLatin1Char('_');
    }
    return name;
}

QString claimLocalFile(const QString& folder, const QString& name) {
    const QString base = folder.isEmpty() || folder.endsWith(QLatin1Char('/'))
                             ? folder + name
                             : folder + QLatin1Char('/') + name;
    const QFileInfo info(name);
    const QString stem = info.completeBaseName().isEmpty() ? name : info.completeBaseName();
    const QString suffix = info.completeBaseName().isEmpty() || info.suffix().isEmpty()
                               ? QString()
                               : QLatin1Char('.') + info.suffix();
    QMutexLocker locker(&claimLock);
    QString candidate = base;
    // A name is taken by a file (or link) of its own or by the partial file
    // of an unfinished download of that name.
    for (int n = 1; claimed.contains(candidate) || pathTaken(candidate) ||
                    pathTaken(partialFileName(candidate));
         ++n) {
        candidate = base.left(base.size() - name.size()) +
                    QStringLiteral("%1 (%2)%3").arg(stem).arg(n).arg(suffix);
    }
    claimed.insert(candidate);
    return candidate;
}

void releaseLocalFile(const QString& path) {
    QMutexLocker locker(&claimLock);
    claimed.remove(path);
}

QString fileNameFromUrl(const QString& url) {
    const QUrl parsed(url);
    QString name = safeFileName(parsed.path(QUrl::FullyDecoded));
    return name.isEmpty() ? QStringLiteral("index.html") : name;
}

namespace {

QByteArray parameterValue(QByteArrayView value, QByteArrayView key) {
    // Parameters are ';'-separated "key=value" or key="quoted value".
    qsizetype pos = 0;
    while (pos < value.size()) {
        qsizetype end = pos;
        bool quoted = false;
        while (end < value.size() && (quoted || value[end] != ';')) {
            if (value[end] == '"')
                quoted = !quoted;
            if (quoted && value[end] == '\\' && end + 1 < value.size())
                ++end;
            ++end;
        }
        const QByteArray piece = value.sliced(pos, end - pos).toByteArray().trimmed();
        pos = end + 1;
        const qsizetype eq = piece.indexOf('=');
        if (eq < 0 || piece.left(eq).trimmed().toLower() != key)
            continue;
        QByteArray v = piece.mid(eq + 1).trimmed();
        if (v.startsWith('"')) {
            QByteArray out;
            for (qsizetype i = 1; i < v.size() && v[i] != '"'; ++i) {
                if (v[i] == '\\' && i + 1 < v.size())
                    ++i;
                out.append(v[i]);
            }
            return out;
        }
        return v;
    }
    return {};
}

}  // namespace

QString contentDispositionFileName(QByteArrayView value) {
    const QByteArray extended = parameterValue(value, "filename*");
    if (!extended.isEmpty()) {
        // charset'language'percent-encoded
        const qsizetype first = extended.indexOf('\'');
        const qsizetype second = first < 0 ? -1 : extended.indexOf('\'', first + 1);
        if (second > 0) {
            const QByteArray charset = extended.left(first).toLower();
            const QByteArray decoded = QByteArray::fromPercentEncoding(extended.mid(second + 1));
            return charset == "utf-8" ? QString::fromUtf8(decoded) : QString::fromLatin1(decoded);
        }
    }
    return QString::fromUtf8(parameterValue(value, "filename"));
}

bool parseContentRange(QByteArrayView value, qint64* first, qint64* last, qint64* total) {
    QByteArray text = value.toByteArray().trimmed();
    if (!text.toLower().startsWith("bytes "))
        return false;
    text = text.mid(6).trimmed();
    const qsizetype dash = text.indexOf('-');
    const qsizetype slash = text.indexOf('/');
    if (dash <= 0 || slash <= dash)
        return false;
    bool ok1 = false, ok2 = false, ok3 = true;
    *first = text.left(dash).toLongLong(&ok1);
    *last = text.mid(dash + 1, slash - dash - 1).toLongLong(&ok2);
    const QByteArray totalText = text.mid(slash + 1);
    *total = totalText == "*" ? -1 : totalText.toLongLong(&ok3);
    return ok1 && ok2 && ok3 && *first >= 0 && *last >= *first && (*total < 0 || *last < *total);
}

bool isAcceptableUrl(const QString& url) {
    for (QChar c : url) {
        if (c.unicode() <= 32 || c.unicode() >= 127)
            return false;
    }
    const QString lower = url.left(8).toLower();
    return lower.startsWith(QLatin1String("http://")) ||
           lower.startsWith(QLatin1String("https://")) || lower.startsWith(QLatin1String("ftp://"));
}
