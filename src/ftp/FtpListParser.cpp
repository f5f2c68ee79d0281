#include "FtpListParser.h"

#include <QList>
#include <cmath>

#include "ServerText.h"

namespace {

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

bool isDigits(QByteArrayView text) {
    if (text.isEmpty()) {
        return false;
    }
    for (char c : text) {
        if (!isDigit(c)) {
            return false;
        }
    }
    return true;
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

// Month names and abbreviations as "ls" prints them in the locales servers
// run under, in UTF-8 and, where they differ, Latin-1.
int monthNumber(QByteArrayView token) {
    while (!token.isEmpty() && (token.back() == '.' || token.back() == ',')) {
        token.chop(1);
    }
    if (token.isEmpty() || token.size() > 12) {
        return 0;
    }
    static const struct {
        const char* name;
        int month;
    } kNames[] = {
        {"jan", 1},
        {"january", 1},
        {"januar", 1},
        {"janv", 1},
        {"janvier", 1},
        {"ene", 1},
        {"enero", 1},
        {"gen", 1},
        {"gennaio", 1},
        {"janeiro", 1},
        {"sty", 1},
        {"\xd1\x8f\xd0\xbd\xd0\xb2", 1},  // янв
        {"feb", 2},
        {"february", 2},
        {"februar", 2},
        {"f\xc3\xa9v", 2},
        {"f\xc3\xa9vr", 2},
        {"f\xc3\xa9vrier", 2},
        {"f\xe9v", 2},
        {"f\xe9vr", 2},
        {"fev", 2},
        {"fevr", 2},
        {"febrero", 2},
        {"febbraio", 2},
        {"fevereiro", 2},
        {"lut", 2},
        {"\xd1\x84\xd0\xb5\xd0\xb2", 2},  // фев
        {"mar", 3},
        {"march", 3},
        {"m\xc3\xa4r", 3},
        {"m\xc3\xa4rz", 3},
        {"m\xe4r", 3},
        {"m\xe4rz", 3},
        {"mrz", 3},
        {"mars", 3},
        {"marzo", 3},
        {"mar\xc3\xa7o", 3},
        {"mrt", 3},
        {"maart", 3},
        {"\xd0\xbc\xd0\xb0\xd1\x80", 3},  // мар
        {"apr", 4},
        {"april", 4},
        {"avr", 4},
        {"avril", 4},
        {"abr", 4},
        {"abril", 4},
        {"aprile", 4},
        {"kwi", 4},
        {"\xd0\xb0\xd0\xbf\xd1\x80", 4},  // апр
        {"may", 5},
        {"mai", 5},
        {"mayo", 5},
        {"mag", 5},
        {"maggio", 5},
        {"mei", 5},
        {"maj", 5},
        {"maio", 5},
        {"\xd0\xbc\xd0\xb0\xd0\xb9", 5},  // май
        {"jun", 6},
        {"june", 6},
        {"juni", 6},
        {"juin", 6},
        {"junio", 6},
        {"giu", 6},
        {"giugno", 6},
        {"junho", 6},
        {"cze", 6},
        {"\xd0\xb8\xd1\x8e\xd0\xbd", 6},  // июн
        {"jul", 7},
        {"july", 7},
        {"juli", 7},
        {"juil", 7},
        {"juillet", 7},
        {"julio", 7},
        {"lug", 7},
        {"luglio", 7},
        {"julho", 7},
        {"lip", 7},
        {"\xd0\xb8\xd1\x8e\xd0\xbb", 7},  // июл
        {"aug", 8},
        {"august", 8},
        {"ao\xc3\xbbt", 8},
        {"ao\xfbt", 8},
        {"aout", 8},
        {"ago", 8},
        {"agosto", 8},
        {"sie", 8},
        {"\xd0\xb0\xd0\xb2\xd0\xb3", 8},  // авг
        {"sep", 9},
        {"sept", 9},
        {"september", 9},
        {"septembre", 9},
        {"septiembre", 9},
        {"set", 9},
        {"settembre", 9},
        {"setembro", 9},
        {"wrz", 9},
        {"\xd1\x81\xd0\xb5\xd0\xbd", 9},  // сен
        {"oct", 10},
        {"october", 10},
        {"okt", 10},
        {"oktober", 10},
        {"octobre", 10},
        {"octubre", 10},
        {"ott", 10},
        {"ottobre", 10},
        {"out", 10},
        {"outubro", 10},
        {"pa\xc5\xba", 10},
        {"\xd0\xbe\xd0\xba\xd1\x82", 10},  // paź, окт
        {"nov", 11},
        {"november", 11},
        {"novembre", 11},
        {"noviembre", 11},
        {"novembro", 11},
        {"lis", 11},
        {"\xd0\xbd\xd0\xbe\xd1\x8f", 11},  // ноя
        {"dec", 12},
        {"december", 12},
        {"dez", 12},
        {"dezember", 12},
        {"d\xc3\xa9\x63", 12},
        {"d\xc3\xa9\x63\x65mbre", 12},
        {"d\xe9\x63", 12},
        {"dic", 12},
        {"diciembre", 12},
        {"dicembre", 12},
        {"gru", 12},
        {"\xd0\xb4\xd0\xb5\xd0\xba", 12},  // дек
    };
    const QByteArray lower = token.toByteArray().toLower();
    for (const auto& entry : kNames) {
        if (lower == entry.name) {
            return entry.month;
        }
    }
    return 0;
}

// What a token can be as part of a date.
struct DateToken {
    enum Kind { Other, Number, Month, Time, Marks, Cjk, Zone } kind = Other;
    QList<int> numbers;   // Number: the value; Marks, Cjk: the numbers in order; Time: h, m
    int digits = 0;       // Number: its count of digits (4 for a year)
    int firstDigits = 0;  // Marks: digits of the first number (4 when the year leads)
    int lastDigits = 0;   // Marks: digits of the last number
    char separator = 0;   // Marks: '-', '/' or '.'
};

// Splits "2005-06-07" into its numbers; false when it is not such a token.
bool splitMarks(QByteArrayView text, DateToken* token) {
    qsizetype start = 0;
    for (qsizetype i = 0; i <= text.size(); ++i) {
        if (i < text.size() && isDigit(text[i])) {
            continue;
        }
        if (i == start || i - start > 4) {
            return false;
        }
        const QByteArrayView number = text.sliced(start, i - start);
        if (token->numbers.isEmpty()) {
            token->firstDigits = int(number.size());
        }
        token->lastDigits = int(number.size());
        token->numbers.append(number.toInt());
        if (i < text.size()) {
            if (token->separator == 0 && (text[i] == '-' || text[i] == '/' || text[i] == '.')) {
                token->separator = text[i];
            } else if (text[i] != token->separator) {
                return false;
            }
        }
        start = i + 1;
    }
    return token->numbers.size() == 2 || token->numbers.size() == 3;
}

DateToken classify(QByteArrayView text) {
    DateToken token;
    if (text.isEmpty()) {
        return token;
    }
    // Time: h:mm, hh:mm:ss, hh:mm:ss.fraction
    const qsizetype colon = text.indexOf(':');
    if (colon > 0 && colon <= 2 && isDigits(text.first(colon)) && text.size() >= colon + 3 &&
        isDigits(text.sliced(colon + 1, 2))) {
        const QByteArrayView rest = text.sliced(colon + 3);
        const bool seconds =
            rest.isEmpty() || (rest.size() >= 3 && rest[0] == ':' && isDigits(rest.sliced(1, 2)) &&
                               (rest.size() == 3 || (rest[3] == '.' && isDigits(rest.sliced(4)))));
        const int hour = text.first(colon).toInt();
        const int minute = text.sliced(colon + 1, 2).toInt();
        if (seconds && hour <= 23 && minute <= 59) {
            token.kind = DateToken::Time;
            token.numbers = {hour, minute};
            return token;
        }
    }
    // A number, perhaps with the dot or comma of "26." or "08,"
    QByteArrayView digits = text;
    if (digits.size() > 1 && (digits.back() == '.' || digits.back() == ',')) {
        digits.chop(1);
    }
    if (isDigits(digits) && digits.size() <= 9) {
        token.kind = DateToken::Number;
        token.numbers = {digits.toInt()};
        token.digits = int(digits.size());
        return token;
    }
    if ((text[0] == '+' || text[0] == '-') && text.size() == 5 && isDigits(text.sliced(1))) {
        token.kind = DateToken::Zone;
        return token;
    }
    if (splitMarks(text, &token)) {
        token.kind = DateToken::Marks;
        return token;
    }
    token.numbers.clear();
    // Numbers with CJK characters between them ("3月", "2003年3月29日"), in
    // whatever encoding: digits and bytes above ASCII, and ASCII bytes only as
    // the second byte of a double-byte character (Shift_JIS, GBK, Big5).
    bool sawDigit = false;
    bool sawWide = false;
    bool onlyThose = true;
    int value = -1;
    uchar previous = 0;
    for (char c : text) {
        if (isDigit(c)) {
            sawDigit = true;
            value = value < 0 ? c - '0' : (value > 99999 ? value : value * 10 + (c - '0'));
        } else {
            if (uchar(c) >= 0x80) {
                sawWide = true;
            } else if (previous < 0x80) {
                onlyThose = false;
            }
            if (value >= 0) {
                token.numbers.append(value);
                value = -1;
            }
        }
        previous = uchar(c);
    }
    if (value >= 0) {
        token.numbers.append(value);
    }
    if (sawDigit && sawWide && onlyThose && token.numbers.size() <= 3) {
        token.kind = DateToken::Cjk;
        return token;
    }
    token.numbers.clear();
    if (monthNumber(text) > 0) {
        token.kind = DateToken::Month;
        token.numbers = {monthNumber(text)};
    }
    return token;
}

bool isDay(int value) {
    return value >= 1 && value <= 31;
}
bool isMonth(int value) {
    return value >= 1 && value <= 12;
}
bool isYear(const DateToken& token) {
    return token.kind == DateToken::Number && token.digits == 4;
}
bool isTimeOrYear(const DateToken& token) {
    return token.kind == DateToken::Time || isYear(token);
}

int fullYear(int year, int digits) {
    if (digits <= 2) {
        return year + (year < 70 ? 2000 : 1900);
    }
    return year;
}

// A date of the year-less form belongs to the latest year that does not put
// it more than a day ahead of today.
QDateTime yearless(int month, int day, int hour, int minute, QDate today) {
    QDate date(today.year(), month, day);
    if (!date.isValid() || date > today.addDays(1)) {
        date = QDate(today.year() - 1, month, day);
    }
    // 29 February of a year-less listing that is not this year's.
    if (!date.isValid() && month == 2 && day == 29) {
        for (int year = today.year() - 1; year > today.year() - 8 && !date.isValid(); --year) {
            date = QDate(year, month, day);
        }
    }
    return QDateTime(date, QTime(hour, minute));
}

// Month, day and the time-or-year token after them.
QDateTime dated(int month, int day, const DateToken& last, QDate today) {
    if (last.kind == DateToken::Time) {
        return yearless(month, day, last.numbers[0], last.numbers[1], today);
    }
    return QDateTime(QDate(last.numbers[0], month, day), QTime(0, 0));
}

QDateTime fromMarks(const DateToken& marks, const DateToken* time, QDate today) {
    const QList<int>& n = marks.numbers;
    const int hour = time ? time->numbers[0] : 0;
    const int minute = time ? time->numbers[1] : 0;
    if (n.size() == 2) {
        return yearless(n[0], n[1], hour, minute, today);
    }
    if (marks.firstDigits == 4) {
        return QDateTime(QDate(n[0], n[1], n[2]), QTime(hour, minute));
    }
    const int year = fullYear(n[2], marks.lastDigits);
    // Day first ("24-04-2003", "24.04.2003") unless only month first reads.
    if (!isMonth(n[1]) && isMonth(n[0])) {
        return QDateTime(QDate(year, n[0], n[1]), QTime(hour, minute));
    }
    return QDateTime(QDate(year, n[1], n[0]), QTime(hour, minute));
}

bool marksShaped(const DateToken& marks) {
    const QList<int>& n = marks.numbers;
    if (n.size() == 2) {
        return isMonth(n[0]) && isDay(n[1]);
    }
    if (marks.firstDigits == 4) {
        return isMonth(n[1]) && isDay(n[2]);
    }
    return (marks.lastDigits == 4 || marks.lastDigits == 2) &&
           ((isDay(n[0]) && isMonth(n[1])) || (isMonth(n[0]) && isDay(n[1])));
}

// CJK forms: the numbers of the tokens in order, then perhaps a time:
// year, month, day; month, day, year; or month and day with a time.
std::optional<QDateTime> fromCjk(const QList<DateToken>& tokens, QDate today) {
    QList<int> numbers;
    QList<int> digits;
    const DateToken* time = nullptr;
    bool wide = false;
    for (qsizetype i = 0; i < tokens.size(); ++i) {
        const DateToken& token = tokens[i];
        if (token.kind == DateToken::Time && i == tokens.size() - 1) {
            time = &token;
        } else if (token.kind == DateToken::Cjk || token.kind == DateToken::Number) {
            wide = wide || token.kind == DateToken::Cjk;
            numbers += token.numbers;
            for (int value : token.numbers) {
                digits.append(value >= 1000 ? 4 : 2);
            }
        } else {
            return std::nullopt;
        }
    }
    if (!wide || tokens.first().kind != DateToken::Cjk) {
        return std::nullopt;
    }
    const int hour = time ? time->numbers[0] : 0;
    const int minute = time ? time->numbers[1] : 0;
    if (numbers.size() == 3 && digits[0] == 4 && isMonth(numbers[1]) && isDay(numbers[2])) {
        return QDateTime(QDate(numbers[0], numbers[1], numbers[2]), QTime(hour, minute));
    }
    if (numbers.size() == 3 && digits[2] == 4 && isMonth(numbers[0]) && isDay(numbers[1])) {
        return QDateTime(QDate(numbers[2], numbers[0], numbers[1]), QTime(hour, minute));
    }
    if (numbers.size() == 2 && time && isMonth(numbers[0]) && isDay(numbers[1])) {
        return yearless(numbers[0], numbers[1], hour, minute, today);
    }
    return std::nullopt;
}

// The date read from `tokens` when they have one of the known shapes; the
// result may be an invalid date ("Feb 30") when the shape fits but the
// numbers name no day.
std::optional<QDateTime> readDate(const QList<DateToken>& tokens, QDate today) {
    using K = DateToken;
    const auto kind = [&](qsizetype i) { return tokens[i].kind; };
    const auto value = [&](qsizetype i) { return tokens[i].numbers.value(0); };
    if (kind(0) == K::Cjk) {
        return fromCjk(tokens, today);
    }
    switch (tokens.size()) {
        case 4:
            // "Oct 08, 2002 09:47"
            if (kind(0) == K::Month && kind(1) == K::Number && isDay(value(1)) &&
                isYear(tokens[2]) && kind(3) == K::Time) {
                return QDateTime(QDate(value(2), value(0), value(1)),
                                 QTime(tokens[3].numbers[0], tokens[3].numbers[1]));
            }
            return std::nullopt;
        case 3:
            // "Mar 15 2019", "Jun 02 13:45"
            if (kind(0) == K::Month && kind(1) == K::Number && isDay(value(1)) &&
                isTimeOrYear(tokens[2])) {
                return dated(value(0), value(1), tokens[2], today);
            }
            // "26. Juli, 20:10", "2. Okt. 2003", "15 mars 2019"
            if (kind(0) == K::Number && isDay(value(0)) && kind(1) == K::Month &&
                isTimeOrYear(tokens[2])) {
                return dated(value(1), value(0), tokens[2], today);
            }
            // "3 29 03:26": month and day as numbers
            if (kind(0) == K::Number && isMonth(value(0)) && tokens[0].digits <= 2 &&
                kind(1) == K::Number && isDay(value(1)) && tokens[1].digits <= 2 &&
                isTimeOrYear(tokens[2])) {
                return dated(value(0), value(1), tokens[2], today);
            }
            // "2005-06-07 21:22:33.123456789 +0200"
            if (kind(0) == K::Marks && tokens[0].numbers.size() == 3 && marksShaped(tokens[0]) &&
                kind(1) == K::Time && kind(2) == K::Zone) {
                return fromMarks(tokens[0], &tokens[1], today);
            }
            return std::nullopt;
        case 2:
            // "09-26 2000", "09-26 13:45"
            if (kind(0) == K::Marks && tokens[0].numbers.size() == 2 && marksShaped(tokens[0]) &&
                isYear(tokens[1])) {
                return QDateTime(QDate(value(1), tokens[0].numbers[0], tokens[0].numbers[1]),
                                 QTime(0, 0));
            }
            // "09-26 13:45", "2005-06-07 21:22", "1999/10/12 17:12", "24-04-2003 17:12"
            if (kind(0) == K::Marks && marksShaped(tokens[0]) && kind(1) == K::Time) {
                return fromMarks(tokens[0], &tokens[1], today);
            }
            return std::nullopt;
        case 1:
            // "2004.07.15"
            if (kind(0) == K::Marks && tokens[0].numbers.size() == 3 && marksShaped(tokens[0])) {
                return fromMarks(tokens[0], nullptr, today);
            }
            return std::nullopt;
    }
    return std::nullopt;
}

bool isPermissionField(QByteArrayView text) {
    if (text.size() == 11 && QByteArrayView("+@.").indexOf(text.back()) >= 0) {
        text.chop(1);
    }
    if (text.size() != 10 || QByteArrayView("-dlcbpsDn").indexOf(text[0]) < 0) {
        return false;
    }
    for (char c : text.sliced(1)) {
        if (QByteArrayView("rwxsStTlL-?").indexOf(c) < 0) {
            return false;
        }
    }
    return true;
}

// A size field: digits, or a number with a unit ("33.5k", "1.2M").
std::optional<qint64> readSize(QByteArrayView text) {
    if (isDigits(text) && text.size() <= 18) {
        return text.toLongLong();
    }
    if (text.size() < 2 || text.size() > 12) {
        return std::nullopt;
    }
    const int unit = int(QByteArrayView("kmgt").indexOf(char(text.back() | 0x20))) + 1;
    if (unit == 0) {
        return std::nullopt;
    }
    const QByteArrayView number = text.chopped(1);
    const qsizetype dot = number.indexOf('.');
    if (!isDigits(dot < 0 ? number : number.first(dot)) ||
        (dot >= 0 && !isDigits(number.sliced(dot + 1)))) {
        return std::nullopt;
    }
    return qint64(std::llround(number.toDouble() * std::pow(1024.0, unit)));
}

std::optional<FtpListEntry> unixEntry(QByteArrayView line, const QList<Token>& tokens,
                                      qsizetype sizeIndex, qsizetype nameStart,
                                      const QDateTime& date) {
    if (nameStart >= line.size()) {
        return std::nullopt;
    }
    const char type = tokens[0].text[0];
    FtpListEntry entry;
    entry.folder = type == 'd';
    entry.link = type == 'l';
    QString name = textFromServerBytes(line.sliced(nameStart));
    if (entry.link) {
        const qsizetype arrow = name.indexOf(" -> ");
        if (arrow >= 0) {
            name.truncate(arrow);
        }
    }
    if (!acceptableName(name)) {
        return std::nullopt;
    }
    if (type == '-' || entry.link) {
        entry.size = readSize(tokens[sizeIndex].text).value_or(0);
    }
    entry.name = name;
    entry.date = date.isValid() ? date : QDateTime();
    entry.attributes = QString::fromLatin1(tokens[0].text);
    return entry;
}

std::optional<FtpListEntry> parseUnix(QByteArrayView line, QDate today) {
    const QList<Token> tokens = tokenize(line, 64);
    const qsizetype count = tokens.size();
    if (count < 4 || !isPermissionField(tokens[0].text)) {
        return std::nullopt;
    }
    QList<DateToken> kinds;
    kinds.reserve(count);
    for (const Token& token : tokens) {
        kinds.append(classify(token.text));
    }
    // The date starts at `start`, right after the size; the link count or the
    // owner stands between the permissions and the size, and a name follows.
    // The leftmost reading wins, the longest at one place: names may hold
    // blanks and look like dates, owners and sizes do not reach past the date.
    for (qsizetype start = 3; start < count - 1; ++start) {
        if (!readSize(tokens[start - 1].text)) {
            continue;
        }
        for (qsizetype length = qMin<qsizetype>(4, count - 1 - start); length >= 1; --length) {
            if (const std::optional<QDateTime> date = readDate(kinds.mid(start, length), today)) {
                return unixEntry(line, tokens, start - 1, tokens[start + length - 1].end + 1,
                                 *date);
            }
        }
    }
    // A date of no known form: "ls"'s own columns (permissions, links, owner,
    // group, size, three date fields, name) still give the entry, without a date.
    if (count >= 9 && readSize(tokens[4].text)) {
        return unixEntry(line, tokens, 4, tokens[7].end + 1, QDateTime());
    }
    if (count >= 8 && readSize(tokens[3].text)) {
        return unixEntry(line, tokens, 3, tokens[6].end + 1, QDateTime());
    }
    return std::nullopt;
}

// "9,730" or "9.730": thousands separators in a DOS listing's size.
std::optional<qint64> readGroupedSize(QByteArrayView text) {
    if (isDigits(text)) {
        return text.size() <= 18 ? std::optional<qint64>(text.toLongLong()) : std::nullopt;
    }
    QByteArray plain;
    const QList<QByteArrayView> groups = [&] {
        QList<QByteArrayView> parts;
        qsizetype start = 0;
        for (qsizetype i = 0; i <= text.size(); ++i) {
            if (i == text.size() || text[i] == ',' || text[i] == '.') {
                parts.append(text.sliced(start, i - start));
                start = i + 1;
            }
        }
        return parts;
    }();
    for (qsizetype i = 0; i < groups.size(); ++i) {
        const qsizetype size = groups[i].size();
        if (!isDigits(groups[i]) || (i == 0 ? size > 3 : size != 3)) {
            return std::nullopt;
        }
        plain += groups[i].toByteArray();
    }
    return plain.size() <= 18 ? std::optional<qint64>(plain.toLongLong()) : std::nullopt;
}

std::optional<FtpListEntry> parseDos(QByteArrayView line) {
    // date  time[AM|PM]  <DIR>|size  name
    const QList<Token> tokens = tokenize(line, 4);
    if (tokens.size() < 3) {
        return std::nullopt;
    }
    DateToken date;
    if (!splitMarks(tokens[0].text, &date) || date.numbers.size() != 3) {
        return std::nullopt;
    }
    qsizetype next = 1;
    QByteArray time = tokens[next].text.toByteArray().toUpper();
    if (tokens.size() > 3 && (tokens[2].text == "AM" || tokens[2].text == "PM")) {
        time += tokens[2].text.toByteArray();
        ++next;
    }
    ++next;
    const bool pm = time.endsWith("PM");
    const bool am = time.endsWith("AM");
    if (pm || am) {
        time.chop(2);
    }
    const DateToken clock = classify(time);
    if (clock.kind != DateToken::Time) {
        return std::nullopt;
    }
    int hour = clock.numbers[0];
    if (pm && hour < 12) {
        hour += 12;
    } else if (am && hour == 12) {
        hour = 0;
    }
    // The size and the name come from the rest, which may hold blanks.
    const QList<Token> rest = tokenize(line.sliced(tokens[next - 1].end), 1);
    if (rest.isEmpty()) {
        return std::nullopt;
    }
    FtpListEntry entry;
    const QByteArrayView kind = rest[0].text;
    if (kind.compare("<DIR>", Qt::CaseInsensitive) == 0) {
        entry.folder = true;
    } else if (const std::optional<qint64> size = readGroupedSize(kind)) {
        entry.size = *size;
    } else {
        return std::nullopt;
    }
    qsizetype nameStart = tokens[next - 1].end + rest[0].end;
    while (nameStart < line.size() && (line[nameStart] == ' ' || line[nameStart] == '\t')) {
        ++nameStart;
    }
    const QString name = textFromServerBytes(line.sliced(nameStart));
    if (!acceptableName(name)) {
        return std::nullopt;
    }
    entry.name = name;
    // Year first ("2002-09-02"), else month first as IIS writes it, unless
    // only day first reads.
    const QList<int>& n = date.numbers;
    QDate day;
    if (date.firstDigits == 4) {
        day = QDate(n[0], n[1], n[2]);
    } else {
        const int year = fullYear(n[2], date.lastDigits);
        day = !isMonth(n[0]) && isMonth(n[1]) ? QDate(year, n[1], n[0]) : QDate(year, n[0], n[1]);
    }
    const QDateTime stamp(day, QTime(hour, clock.numbers[1]));
    entry.date = stamp.isValid() ? stamp : QDateTime();
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
    std::optional<FtpListEntry> entry = isDigit(line[0]) ? parseDos(line) : parseUnix(line, today);
    if (entry) {
        entry->raw = textFromServerBytes(line);
    }
    return entry;
}

std::optional<FtpListEntry> parseMlsdLine(QByteArrayView line) {
    while (!line.isEmpty() && (line.back() == '\n' || line.back() == '\r')) {
        line.chop(1);
    }
    const qsizetype blank = line.indexOf(' ');
    if (blank < 0) {
        return std::nullopt;
    }
    FtpListEntry entry;
    QString mode;
    QString perm;
    int facts = 0;
    for (QByteArrayView fact : line.first(blank).toByteArray().split(';')) {
        const qsizetype equals = fact.indexOf('=');
        if (equals <= 0) {
            continue;
        }
        const QByteArray key = fact.first(equals).toByteArray().toLower();
        const QByteArrayView value = fact.sliced(equals + 1);
        ++facts;
        if (key == "type") {
            const QByteArray type = value.toByteArray().toLower();
            if (type == "cdir" || type == "pdir") {
                return std::nullopt;
            }
            entry.folder = type == "dir";
            entry.link = type.startsWith("os.unix=slink") || type.startsWith("os.unix=symlink");
        } else if (key == "size" && isDigits(value) && value.size() <= 18) {
            entry.size = value.toLongLong();
        } else if (key == "modify" && value.size() >= 14 && isDigits(value.first(14))) {
            const QDateTime stamp(QDate(value.first(4).toInt(), value.sliced(4, 2).toInt(),
                                        value.sliced(6, 2).toInt()),
                                  QTime(value.sliced(8, 2).toInt(), value.sliced(10, 2).toInt(),
                                        value.sliced(12, 2).toInt()),
                                  Qt::UTC);
            entry.date = stamp.isValid() ? stamp.toLocalTime() : QDateTime();
        } else if (key == "unix.mode") {
            mode = QString::fromLatin1(value);
        } else if (key == "perm") {
            perm = QString::fromLatin1(value);
        }
    }
    const QString name = textFromServerBytes(line.sliced(blank + 1));
    if (facts == 0 || !acceptableName(name)) {
        return std::nullopt;
    }
    if (entry.folder) {
        entry.size = 0;
    }
    entry.name = name;
    entry.attributes = printableText(mode.isEmpty() ? perm : mode);
    entry.raw = textFromServerBytes(line);
    return entry;
}
