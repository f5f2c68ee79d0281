#include "FtpListParser.h"

#include <QList>
#include <array>

namespace {

bool isDigits(QByteArrayView text) {
    if (text.isEmpty()) {
        return false;
    }
    for (char c : text) {
        if (c < '0' || c > '9') {
            return false;
        }
    }
    return true;
}

int monthNumber(QByteArrayView token) {
    static const std::array<const char*, 12> names = {"jan", "feb", "mar", "apr", "may", "jun",
                                                      "jul", "aug", "sep", "oct", "nov", "dec"};
    if (token.size() != 3) {
        return 0;
    }
    const QByteArray lower = token.toByteArray().toLower();
    for (int i = 0; i < 12; ++i) {
        if (lower == names[i]) {
            return i + 1;
        }
    }
    return 0;
}

// A blank-separated token of the line and where it ends.
struct Token {
    QByteArrayView text;
    qsizetype end;
};

QList<Token> tokenize(QByteArrayView line, int maximum) {
    QList<Token> tokens;
    qsizetype i = 0;
    while (i < line.size() && tokens.size() < maximum) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) {
            ++i;
        }
        const qsizetype start = i;
        while (i < line.size() && line[i] != ' ' && line[i] != '\t') {
            ++i;
        }
        if (i > start) {
            tokens.append({line.sliced(start, i - start), i});
        }
    }
    return tokens;
}

bool acceptableName(const QString& name) {
    return !name.isEmpty() && name != "." && name != ".." && !name.contains('/') &&
           !name.contains('\n') && !name.contains('\r') && !name.contains(QChar(0));
}

std::optional<FtpListEntry> parseUnix(QByteArrayView line, QDate today) {
    const char type = line[0];
    if (QByteArrayView("-dlcbps").indexOf(type) < 0) {
        return std::nullopt;
    }
    // Permissions, links, owner, group, size, month, day, time/year: the name
    // starts after the eighth or ninth token, wherever the month stands.
    const QList<Token> tokens = tokenize(line, 10);
    if (tokens.size() < 6 || tokens[0].text.size() < 10) {
        return std::nullopt;
    }
    qsizetype monthIndex = -1;
    for (qsizetype i = 2; i + 2 < tokens.size(); ++i) {
        if (monthNumber(tokens[i].text) > 0 && isDigits(tokens[i + 1].text) &&
            (isDigits(tokens[i - 1].text) || type == 'c' || type == 'b')) {
            monthIndex = i;
            break;
        }
    }
    if (monthIndex < 0) {
        return std::nullopt;
    }
    const int month = monthNumber(tokens[monthIndex].text);
    const int day = tokens[monthIndex + 1].text.toInt();
    const QByteArrayView yearOrTime = tokens[monthIndex + 2].text;
    QDateTime date;
    if (yearOrTime.contains(':')) {
        const int colon = int(yearOrTime.indexOf(':'));
        const int hour = yearOrTime.first(colon).toInt();
        const int minute = yearOrTime.sliced(colon + 1).toInt();
        int year = today.year();
        QDate candidate(year, month, day);
        if (candidate.isValid() && candidate > today.addDays(1)) {
            candidate = QDate(year - 1, month, day);
        }
        date = QDateTime(candidate, QTime(hour, minute));
    } else if (isDigits(yearOrTime)) {
        date = QDateTime(QDate(yearOrTime.toInt(), month, day), QTime(0, 0));
    } else {
        return std::nullopt;
    }

    const qsizetype nameStart = tokens[monthIndex + 2].end + 1;
    if (nameStart > line.size()) {
        return std::nullopt;
    }
    QString name = QString::fromUtf8(line.sliced(nameStart));
    FtpListEntry entry;
    entry.link = type == 'l';
    entry.folder = type == 'd';
    if (entry.link) {
        const qsizetype arrow = name.indexOf(" -> ");
        if (arrow >= 0) {
            name.truncate(arrow);
        }
    }
    const QByteArrayView sizeText = tokens[monthIndex - 1].text;
    if (type == '-' && isDigits(sizeText)) {
        entry.size = sizeText.toLongLong();
    }
    if (!acceptableName(name)) {
        return std::nullopt;
    }
    entry.name = name;
    entry.date = date.isValid() ? date : QDateTime();
    entry.attributes = QString::fromLatin1(tokens[0].text);
    return entry;
}

std::optional<FtpListEntry> parseDos(QByteArrayView line) {
    // mm-dd-yy[yy]  hh:mm[AM|PM]  <DIR>|size  name
    const QList<Token> tokens = tokenize(line, 3);
    if (tokens.size() < 3) {
        return std::nullopt;
    }
    const QList<QByteArrayView> dateParts = [&] {
        QList<QByteArrayView> parts;
        QByteArrayView rest = tokens[0].text;
        for (int i = 0; i < 2; ++i) {
            const qsizetype dash = rest.indexOf('-');
            if (dash < 0) {
                return QList<QByteArrayView>();
            }
            parts.append(rest.first(dash));
            rest = rest.sliced(dash + 1);
        }
        parts.append(rest);
        return parts;
    }();
    if (dateParts.size() != 3 || !isDigits(dateParts[0]) || !isDigits(dateParts[1]) ||
        !isDigits(dateParts[2]) || dateParts[0].size() > 2 || dateParts[1].size() > 2) {
        return std::nullopt;
    }
    int year = dateParts[2].toInt();
    if (dateParts[2].size() <= 2) {
        year += year < 70 ? 2000 : 1900;
    }
    QByteArray time = tokens[1].text.toByteArray().toUpper();
    const bool pm = time.endsWith("PM");
    const bool am = time.endsWith("AM");
    if (pm || am) {
        time.chop(2);
    }
    const int colon = int(time.indexOf(':'));
    if (colon <= 0 || !isDigits(QByteArrayView(time).first(colon)) ||
        !isDigits(QByteArrayView(time).sliced(colon + 1))) {
        return std::nullopt;
    }
    int hour = time.left(colon).toInt();
    if (pm && hour < 12) {
        hour += 12;
    } else if (am && hour == 12) {
        hour = 0;
    }
    FtpListEntry entry;
    const QByteArrayView kind = tokens[2].text;
    if (kind.compare("<DIR>", Qt::CaseInsensitive) == 0) {
        entry.folder = true;
    } else if (isDigits(kind)) {
        entry.size = kind.toLongLong();
    } else {
        return std::nullopt;
    }
    qsizetype nameStart = tokens[2].end;
    while (nameStart < line.size() && (line[nameStart] == ' ' || line[nameStart] == '\t')) {
        ++nameStart;
    }
    const QString name = QString::fromUtf8(line.sliced(nameStart));
    if (!acceptableName(name)) {
        return std::nullopt;
    }
    entry.name = name;
    const QDateTime date(QDate(year, dateParts[0].toInt(), dateParts[1].toInt()),
                         QTime(hour, time.mid(colon + 1).toInt()));
    entry.date = date.isValid() ? date : QDateTime();
    return entry;
}

}  // namespace

std::optional<FtpListEntry> parseFtpListLine(QByteArrayView line, QDate today) {
    while (!line.isEmpty() && (line.back() == '\n' || line.back() == '\r')) {
        line.chop(1);
    }
    if (line.isEmpty()) {
        return std::nullopt;
    }
    std::optional<FtpListEntry> entry =
        (line[0] >= '0' && line[0] <= '9') ? parseDos(line) : parseUnix(line, today);
    if (entry) {
        entry->raw = QString::fromUtf8(line);
    }
    return entry;
}
