#include <sys/mount.h>
#include <unistd.h>

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <cstring>
#include <memory>

#include "AppError.h"
#include "FavoriteSites.h"
#include "FtpClient.h"
#include "FtpListParser.h"
#include "FtpServerFixture.h"
#include "RawFileName.h"
#include "RemoteTree.h"
#include "ScriptedFtpServer.h"
#include "ServerText.h"
#include "TestEnvironment.h"

using Kind = FtpServerFixture::Kind;

namespace {

// A local file system of a few KiB that the test mounts (the tests run as
// root): a disk that fills up in the middle of a download.
class SmallDisk {
public:
    explicit SmallDisk(int kilobytes) {
        const QByteArray options = "size=" + QByteArray::number(kilobytes) + "k";
        m_mounted = m_dir.isValid() && ::mount("tmpfs", QFile::encodeName(m_dir.path()), "tmpfs", 0,
                                               options.constData()) == 0;
        if (!m_mounted) {
            m_error = QString::fromLocal8Bit(std::strerror(errno));
        }
    }
    ~SmallDisk() {
        if (m_mounted) {
            ::umount2(QFile::encodeName(m_dir.path()), MNT_DETACH);
        }
    }
    bool mounted() const { return m_mounted; }
    QString error() const { return m_error; }
    QString filePath(const QString& name) const { return m_dir.filePath(name); }

private:
    QTemporaryDir m_dir;
    bool m_mounted = false;
    QString m_error;
};

// A local file whose reading fails after `good` bytes, as a disk that breaks.
class BrokenSource : public QIODevice {
public:
    explicit BrokenSource(qint64 good) : m_good(good) { open(ReadOnly | Unbuffered); }
    qint64 size() const override { return 2 * m_good; }

protected:
    qint64 readData(char* data, qint64 maximum) override {
        if (pos() >= m_good) {
            setErrorString("Input/output error");
            return -1;
        }
        const qint64 count = qMin(maximum, m_good - pos());
        memset(data, 'x', size_t(count));
        return count;
    }
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    qint64 m_good;
};

}  // namespace

class FtpCoreTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();

    void parsesListingLines_data();
    void parsesListingLines();
    void parsesMachineListing_data();
    void parsesMachineListing();

    void favoritesSectionNamesAndData();
    void favoritesTreeAndFieldsRoundTrip();
    void favoritesExportIsVerbatimAndPrivate();

    void remoteFolderRules_data();
    void remoteFolderRules();
    void fileIcons_data();
    void fileIcons();
    void resumeOffsets_data();
    void resumeOffsets();

    void sessionOnRealServers_data();
    void sessionOnRealServers();
    void awkwardNamesOnRealServers_data();
    void awkwardNamesOnRealServers();
    void logInRefusedWithBadPassword();
    void sizeRefusedInAsciiMode();
    void silentServerTimesOutWhileEventsRun();
    void abortEndsWaitingCall();
    void replyThatIsNotFtp();
    void droppedConnectionIsReportedAndReconnectable();
    void passiveDataGoesToControlPeer();
    void multiLineReplyAndMaskedPassword();
    void lineBreakInNameIsRefused();
    void credentialsAreBoundWhenTheConnectStarts();
    void listingIsBounded();
    void failedTransferLeavesNoReplyBehind_data();
    void failedTransferLeavesNoReplyBehind();

private:
    FtpServerFixture* server(Kind kind) {
        return kind == Kind::Pyftpdlib ? m_pyftpd.get() : m_vsftpd.get();
    }
    void connectTo(FtpClient& client, FtpServerFixture& fixture, bool passive = true);
    static void connectTo(FtpClient& client, quint16 port, int timeOut = 2);

    std::unique_ptr<FtpServerFixture> m_pyftpd;
    std::unique_ptr<FtpServerFixture> m_vsftpd;
};

void FtpCoreTest::initTestCase() {
    m_pyftpd = std::make_unique<FtpServerFixture>(Kind::Pyftpdlib);
    m_vsftpd = std::make_unique<FtpServerFixture>(Kind::Vsftpd);
    QString error;
    QVERIFY2(m_pyftpd->start(&error), qPrintable(error));
    QVERIFY2(m_vsftpd->start(&error), qPrintable(error));
}

void FtpCoreTest::cleanupTestCase() {
    m_pyftpd.reset();
    m_vsftpd.reset();
}

void FtpCoreTest::connectTo(FtpClient& client, FtpServerFixture& fixture, bool passive) {
    client.setServer("127.0.0.1");
    client.setPort(fixture.port());
    client.setUserName(fixture.user());
    client.setPassword(fixture.password());
    client.setTimeOut(10);
    client.setPassiveMode(passive);
    client.open();
}

void FtpCoreTest::connectTo(FtpClient& client, quint16 port, int timeOut) {
    client.setServer("127.0.0.1");
    client.setPort(port);
    client.setUserName("u");
    client.setPassword("p");
    client.setTimeOut(timeOut);
    client.setPassiveMode(true);
    client.open();
}

// ---------------------------------------------------------------- listing

namespace {
// A row of the listing tables: the line, then what it must give.
struct Listed {
    QString name;
    bool folder = false;
    bool link = false;
    qint64 size = 0;
    QDateTime date;
};
void addListingColumns() {
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<bool>("entry");
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("folder");
    QTest::addColumn<bool>("link");
    QTest::addColumn<qint64>("size");
    QTest::addColumn<QDateTime>("date");
}
void addListingRow(const char* tag, const QByteArray& line, const std::optional<Listed>& listed) {
    const Listed expected = listed.value_or(Listed());
    QTest::newRow(tag) << line << listed.has_value() << expected.name << expected.folder
                       << expected.link << expected.size << expected.date;
}
// Compares a parsed line with the current row of a listing table.
void checkListed(const std::optional<FtpListEntry>& parsed) {
    QFETCH(QByteArray, line);
    QFETCH(bool, entry);
    QCOMPARE(parsed.has_value(), entry);
    if (!entry) {
        return;
    }
    QTEST(parsed->name, "name");
    QTEST(parsed->folder, "folder");
    QTEST(parsed->link, "link");
    QTEST(parsed->size, "size");
    QTEST(parsed->date, "date");
    QByteArray sent = line;
    while (sent.endsWith('\n') || sent.endsWith('\r')) {
        sent.chop(1);
    }
    QCOMPARE(serverBytes(parsed->raw), sent);  // byte for byte
}
QDateTime at(int year, int month, int day, int hour = 0, int minute = 0) {
    return QDateTime(QDate(year, month, day), QTime(hour, minute));
}
// The text a name in a legacy encoding is kept as: its bytes that are not
// UTF-8 as U+DC80 + the byte.
QString kept(const char* before, uchar byte, const char* after) {
    return QString(before) + QChar(char16_t(0xDC00 + byte)) + QString(after);
}
}  // namespace

void FtpCoreTest::parsesListingLines_data() {
    addListingColumns();
    // Today is 10 December 2026 for every row.

    // "ls -l" in the C locale and its relatives (vsftpd, proftpd, pure-ftpd).
    addListingRow("unix file, year", "-rw-r--r--   1 owner group   1234 Mar 15  2019 read me.txt",
                  Listed{"read me.txt", false, false, 1234, at(2019, 3, 15)});
    addListingRow("unix folder, numeric owner, time",
                  "drwxr-xr-x    2 1000     1000         4096 Jun 02 13:45 docs\r\n",
                  Listed{"docs", true, false, 0, at(2026, 6, 2, 13, 45)});
    addListingRow("unix time ahead of today is last year", "-rw-r--r-- 1 a b 1 Dec 24 08:00 x",
                  Listed{"x", false, false, 1, at(2025, 12, 24, 8, 0)});
    addListingRow("unix link keeps its size",
                  "lrwxrwxrwx 1 root root 7 Jan  1  2020 current -> v1.2/bin",
                  Listed{"current", false, true, 7, at(2020, 1, 1)});
    addListingRow("unix device", "crw-rw-rw- 1 root root 1,   3 Jan  1  2020 null",
                  Listed{"null", false, false, 0, at(2020, 1, 1)});
    addListingRow("unix without group", "-rw-r--r-- 1 ftp 42 Feb 29 2024 leap",
                  Listed{"leap", false, false, 42, at(2024, 2, 29)});
    addListingRow("unix owner named like a month", "-rw-r--r-- 1 jan staff 7 Apr 3 2021 notes",
                  Listed{"notes", false, false, 7, at(2021, 4, 3)});
    addListingRow("unix leading blank kept", "-rw-r--r-- 1 a b 3 May 5 2020  spaced",
                  Listed{" spaced", false, false, 3, at(2020, 5, 5)});
    addListingRow("unix name that reads as a date",
                  "-rw-r--r-- 1 u g 12 Mar 15 2019 Mar 15 2019 notes",
                  Listed{"Mar 15 2019 notes", false, false, 12, at(2019, 3, 15)});
    addListingRow("unix name starting with a year",
                  "-rw-r--r-- 1 u g 10 Mar 15 2019 2020 report.pdf",
                  Listed{"2020 report.pdf", false, false, 10, at(2019, 3, 15)});
    addListingRow("unix ACL mark", "drwxr-xr-x+ 3 user group 4096 Jan  5 10:00 shared",
                  Listed{"shared", true, false, 0, at(2026, 1, 5, 10, 0)});
    addListingRow("unix size with a unit",
                  "-rw-r--r--   1 user  group  33.5k Mar  5  2002 notes.txt",
                  Listed{"notes.txt", false, false, 34304, at(2002, 3, 5)});
    addListingRow("unix name in a legacy encoding", "-rw-r--r-- 1 u g 5 Jan 01 2020 caf\xe9.txt",
                  Listed{kept("caf", 0xe9, ".txt"), false, false, 5, at(2020, 1, 1)});

    // Numeric and ISO dates ("--time-style=long-iso", "full-iso", servers of their own).
    addListingRow("long-iso", "-rw-r--r-- 1 user group 1234 2005-06-07 21:22 file name.txt",
                  Listed{"file name.txt", false, false, 1234, at(2005, 6, 7, 21, 22)});
    addListingRow("full-iso",
                  "-rw-r--r-- 1 user group 1234 2005-06-07 21:22:33.123456789 +0200 full.txt",
                  Listed{"full.txt", false, false, 1234, at(2005, 6, 7, 21, 22)});
    addListingRow("year first with slashes", "-rw-r--r--   1 user  group  5 1999/10/12 17:12 s.txt",
                  Listed{"s.txt", false, false, 5, at(1999, 10, 12, 17, 12)});
    addListingRow("year first with dots, no time",
                  "drwxr-xr-x   2 user  group  512 2004.07.15 dotted",
                  Listed{"dotted", true, false, 0, at(2004, 7, 15)});
    addListingRow("day first", "-rw-r--r--   1 user  group  5 24-04-2003 17:12 dmy.txt",
                  Listed{"dmy.txt", false, false, 5, at(2003, 4, 24, 17, 12)});
    addListingRow("month and day as numbers",
                  "-rw-r--r--   1 root     other        531 3 29 03:26 README",
                  Listed{"README", false, false, 531, at(2026, 3, 29, 3, 26)});
    addListingRow("month-day and year", "-rw-r--r--   1 user  group  5 09-26 2000 md.txt",
                  Listed{"md.txt", false, false, 5, at(2000, 9, 26)});
    addListingRow("month-day and time", "-rw-r--r--   1 user  group  5 09-26 13:45 mdt.txt",
                  Listed{"mdt.txt", false, false, 5, at(2026, 9, 26, 13, 45)});

    // Month names of other languages (LC_TIME), with dots and commas.
    addListingRow("German, comma", "-rw-r--r--   1 user  group  5 26. Juli, 20:10 de.txt",
                  Listed{"de.txt", false, false, 5, at(2026, 7, 26, 20, 10)});
    addListingRow("German, dots and year", "drwxr-xr-x   2 user  group  4096 2. Okt. 2003 Ordner",
                  Listed{"Ordner", true, false, 0, at(2003, 10, 2)});
    addListingRow("German, umlaut", "-rw-r--r-- 1 user group 5  3. M\xc3\xa4r 2001 alt.txt",
                  Listed{"alt.txt", false, false, 5, at(2001, 3, 3)});
    addListingRow("French", "-rw-r--r-- 1 user group 5 15 f\xc3\xa9vr. 2019 fr.txt",
                  Listed{"fr.txt", false, false, 5, at(2019, 2, 15)});
    addListingRow("Spanish", "-rw-r--r-- 1 user group 5 dic  1 12:00 es.txt",
                  Listed{"es.txt", false, false, 5, at(2026, 12, 1, 12, 0)});
    addListingRow("Russian", "-rw-r--r-- 1 user group 5 \xd0\xbe\xd0\xba\xd1\x82  8 09:47 ru.txt",
                  Listed{"ru.txt", false, false, 5, at(2026, 10, 8, 9, 47)});
    addListingRow("month, day with comma, year and time",
                  "-rw-r--r--   1 user  group  5 Oct 08, 2002 09:47 comma.txt",
                  Listed{"comma.txt", false, false, 5, at(2002, 10, 8, 9, 47)});

    // Numbers with CJK characters between them, in UTF-8 and legacy encodings.
    addListingRow("Japanese, UTF-8", "-rw-r--r--   1 user  group  5  3\xe6\x9c\x88 29 03:26 ja.txt",
                  Listed{"ja.txt", false, false, 5, at(2026, 3, 29, 3, 26)});
    addListingRow("Japanese, EUC-JP", "-rw-r--r--   1 user  group  5  3\xb7\xee 29 03:26 euc.txt",
                  Listed{"euc.txt", false, false, 5, at(2026, 3, 29, 3, 26)});
    addListingRow("Japanese, Shift_JIS, whole date",
                  "-rw-r--r--   1 user  group  5 2003\x94N3\x8c\x8e"
                  "29\x93\xfa sjis.txt",
                  Listed{"sjis.txt", false, false, 5, at(2003, 3, 29)});
    addListingRow("Korean, UTF-8",
                  "-rw-r--r-- 1 user group 5 3\xec\x9b\x94 29\xec\x9d\xbc 03:26 ko.txt",
                  Listed{"ko.txt", false, false, 5, at(2026, 3, 29, 3, 26)});
    addListingRow("Chinese, GBK, year first in three fields",
                  "-rw-r--r-- 1 user group 5 2003\xc4\xea 3\xd4\xc2 29\xc8\xd5 gbk.txt",
                  Listed{"gbk.txt", false, false, 5, at(2003, 3, 29)});

    // A date that cannot be read: the entry stays, without a date.
    addListingRow("no such day", "-rw-r--r-- 1 u g 9 Feb 30 2020 odd.txt",
                  Listed{"odd.txt", false, false, 9, QDateTime()});
    addListingRow("unknown date form", "-rw-r--r--   1 user  group  5 13th Mar 2020 th.txt",
                  Listed{"th.txt", false, false, 5, QDateTime()});

    // DOS / IIS.
    addListingRow("dos folder pm", "01-15-21  02:30PM       <DIR>          Web Site",
                  Listed{"Web Site", true, false, 0, at(2021, 1, 15, 14, 30)});
    addListingRow("dos file am four-digit year", "12-31-1999  12:05AM             2048 old.zip",
                  Listed{"old.zip", false, false, 2048, at(1999, 12, 31, 0, 5)});
    addListingRow("dos 24h", "03-04-2022  17:09  10 a b.txt",
                  Listed{"a b.txt", false, false, 10, at(2022, 3, 4, 17, 9)});
    addListingRow("iis year first", "2002-09-02  18:48       <DIR>          Program Files",
                  Listed{"Program Files", true, false, 0, at(2002, 9, 2, 18, 48)});
    addListingRow("iis thousands separator", "2002-09-02  18:48                9,730 readme.txt",
                  Listed{"readme.txt", false, false, 9730, at(2002, 9, 2, 18, 48)});
    addListingRow("iis large size", "09-02-2002  06:48PM        1,234,567 big.iso",
                  Listed{"big.iso", false, false, 1234567, at(2002, 9, 2, 18, 48)});

    // Not entries.
    for (const auto& [tag, line] : std::initializer_list<std::pair<const char*, QByteArray>>{
             {"total", "total 24"},
             {"empty", "\r\n"},
             {"dot", "drwxr-xr-x 2 a b 4096 Jan 1 2020 ."},
             {"dot dot", "drwxr-xr-x 2 a b 4096 Jan 1 2020 .."},
             {"dos dot dot", "01-01-20  01:00AM <DIR> .."},
             {"slash in name", "-rw-r--r-- 1 a b 1 Jan 1 2020 ../../etc/passwd"},
             {"link to parent", "lrwxrwxrwx 1 a b 1 Jan 1 2020 .. -> /"},
             {"no name", "-rw-r--r-- 1 a b 1 Jan 1 2020 "},
             {"garbage", "\xff\xfe<html>550 nope"},
             {"truncated", "drwxr-xr-x 2 a b 4096 Jan"},
             {"bad dos date", "1x-01-20  01:00AM <DIR> a"},
             {"bad size grouping", "01-01-20  01:00AM 12,34 a"},
         }) {
        addListingRow(tag, line, std::nullopt);
    }
}

void FtpCoreTest::parsesListingLines() {
    QFETCH(QByteArray, line);
    checkListed(parseFtpListLine(line, QDate(2026, 12, 10)));
}

void FtpCoreTest::parsesMachineListing_data() {
    addListingColumns();
    const auto utc = [](int year, int month, int day, int hour, int minute, int second) {
        return QDateTime(QDate(year, month, day), QTime(hour, minute, second), Qt::UTC)
            .toLocalTime();
    };
    addListingRow("file with blanks",
                  "type=file;size=1234;modify=20190315121314;perm=adfrw; read me.txt",
                  Listed{"read me.txt", false, false, 1234, utc(2019, 3, 15, 12, 13, 14)});
    addListingRow("folder", "type=dir;sizd=4096;modify=20200101000000;perm=flcdmpe; docs",
                  Listed{"docs", true, false, 0, utc(2020, 1, 1, 0, 0, 0)});
    addListingRow("link", "type=OS.unix=slink:/srv/v2;size=7;modify=20200101000000; current",
                  Listed{"current", false, true, 7, utc(2020, 1, 1, 0, 0, 0)});
    addListingRow("leading blank kept", "type=file;size=5;modify=20200101000000;  leading",
                  Listed{" leading", false, false, 5, utc(2020, 1, 1, 0, 0, 0)});
    addListingRow("facts in any case, fractional seconds",
                  "Type=File;Size=5;Modify=20200101101010.123; Mixed",
                  Listed{"Mixed", false, false, 5, utc(2020, 1, 1, 10, 10, 10)});
    addListingRow("name in a legacy encoding",
                  "type=file;size=5;modify=20200101000000; caf\xe9.txt",
                  Listed{kept("caf", 0xe9, ".txt"), false, false, 5, utc(2020, 1, 1, 0, 0, 0)});
    addListingRow("date that cannot be read", "type=file;size=5;modify=2020; bad date",
                  Listed{"bad date", false, false, 5, QDateTime()});
    addListingRow("this folder", "type=cdir;modify=20200101000000; .", std::nullopt);
    addListingRow("parent folder", "type=pdir;modify=20200101000000; ..", std::nullopt);
    addListingRow("slash in name", "type=file;size=1; a/b", std::nullopt);
    addListingRow("no facts", "garbage line", std::nullopt);
    addListingRow("no name", "type=file;size=1;", std::nullopt);
}

void FtpCoreTest::parsesMachineListing() {
    QFETCH(QByteArray, line);
    checkListed(parseMlsdLine(line));
}

// -------------------------------------------------------------- favorites

namespace {
TFavoriteSite site(const QString& server, const QString& user = "u", const QString& port = "21") {
    TFavoriteSite site;
    site.server = server;
    site.user = user;
    site.password = "pw-" + server;
    site.description = "about " + server;
    site.port = port;
    return site;
}
}  // namespace

void FtpCoreTest::favoritesSectionNamesAndData() {
    QTemporaryDir dir;
    FavoritesFile file(dir.filePath("Favorites.Config"));
    QCOMPARE(file.add(site("one")), QString("1"));
    QCOMPARE(file.add(site("two")), QString("2"));
    QCOMPARE(file.add(site("three")), QString("3"));
    file.remove("2");
    // Two sections left: "3" is taken, so the next free number is 4.
    QCOMPARE(file.add(site("four")), QString("4"));
    QCOMPARE(file.sections(), QStringList({"1", "3", "4"}));
    QCOMPARE(file.site("1").server, QString("one"));
    QCOMPARE(file.site("1").password, QString("pw-one"));
    QCOMPARE(file.site("3").description, QString("about three"));

    // An empty server hides the site from the tree but still counts.
    file.write("4", site(""));
    QCOMPARE(file.add(site("five")), QString("5"));
    QStringList shown;
    for (const FavoriteTreeSite& node : readFavoriteTree(file)) {
        shown << node.section + ":" + node.server;
    }
    QCOMPARE(shown, QStringList({"1:one", "3:three", "5:five"}));

    // Keys in their fixed order; a line break cannot start a new key.
    TFavoriteSite sneaky = site("six");
    sneaky.description = "x\r\nPassword=stolen";
    file.write("6", sneaky);
    QFile raw(file.path());
    QVERIFY(raw.open(QIODevice::ReadOnly));
    const QByteArray text = raw.readAll();
    QVERIFY(
        text.endsWith("[6]\r\nServer=six\r\nUser=u\r\nPassword=pw-six\r\n"
                      "Description=x  Password=stolen\r\nStartDir=\r\nPort=21\r\n"
                      "TimeOut=6\r\nPassive=0\r\nAscii=0\r\n"));
    QCOMPARE(file.site("6").password, QString("pw-six"));
}

void FtpCoreTest::favoritesTreeAndFieldsRoundTrip() {
    QTemporaryDir dir;
    QFile raw(dir.filePath("Favorites.Config"));
    QVERIFY(raw.open(QIODevice::WriteOnly));
    raw.write(
        "[1]\r\nServer=ftp.example\r\nUser=\r\nPassword=pw\r\nDescription=Home\r\n"
        "StartDir=\r\nPort=2121\r\nTimeOut=9\r\nPassive=1\r\nAscii=2\r\n");
    raw.close();
    FavoritesFile file(raw.fileName());
    const QList<FavoriteTreeSite> tree = readFavoriteTree(file);
    QCOMPARE(tree.size(), 1);
    QStringList lines;
    for (const FavoriteDetail& detail : tree[0].details) {
        lines << detail.text;
    }
    QCOMPARE(lines, QStringList({"User: None", "Password: pw", "Description: Home",
                                 "Start Folder: None", "Port: 2121", "Time Out: 9",
                                 "Passive Mode: Passive", "Ascii Mode: None"}));
    QCOMPARE(tree[0].details[6].icon, FavoriteIcon::On);
    QCOMPARE(tree[0].details[7].icon, FavoriteIcon::Off);

    const TFavoriteSite back = siteFromFavoriteLines(tree[0].server, lines);
    QCOMPARE(back.server, QString("ftp.example"));
    QCOMPARE(back.user, QString("None"));  // shown as "None", read back literally
    QCOMPARE(back.startDir, QString());    // ... except the start folder
    QCOMPARE(back.port, QString("2121"));
    QCOMPARE(back.timeOut, QString("9"));
    QVERIFY(back.passive);
    QVERIFY(!back.ascii);

    // Check boxes read any non-zero number as true and ignore the rest.
    QCOMPARE(favoriteCheckFlag(file.value("1", "Ascii")), std::optional<bool>(true));
    QCOMPARE(favoriteCheckFlag("0"), std::optional<bool>(false));
    QCOMPARE(favoriteCheckFlag(""), std::nullopt);
    QCOMPARE(favoriteCheckFlag("yes"), std::nullopt);

    // A file written elsewhere in a single-byte code page keeps its characters
    // when a site is written back.
    QVERIFY(raw.open(QIODevice::WriteOnly));
    raw.write("[1]\r\nServer=ftp.example\r\nDescription=Caf\xE9 \xABm\xFCller\xBB\r\n");
    raw.close();
    QCOMPARE(file.site("1").description, QString::fromUtf8("Caf\u00e9 \u00abm\u00fcller\u00bb"));
    file.write("1", file.site("1"));
    QCOMPARE(file.site("1").description, QString::fromUtf8("Caf\u00e9 \u00abm\u00fcller\u00bb"));
}

void FtpCoreTest::favoritesExportIsVerbatimAndPrivate() {
    QTemporaryDir dir;
    FavoritesFile file(dir.filePath("Favorites.Config"));
    QVERIFY_THROWS_EXCEPTION(AppError, file.exportTo(dir.filePath("none.txt")));
    QVERIFY(!QFile::exists(dir.filePath("none.txt")));
    file.add(site("one"));
    file.add(site("two", "", "2121"));
    QCOMPARE(QFile::permissions(file.path()), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                  QFileDevice::ReadUser | QFileDevice::WriteUser);
    const QString target = dir.filePath("copy.txt");
    file.exportTo(target);
    QFile a(file.path());
    QFile b(target);
    QVERIFY(a.open(QIODevice::ReadOnly) && b.open(QIODevice::ReadOnly));
    const QByteArray original = a.readAll();
    QCOMPARE(b.readAll(), original);
    QVERIFY(original.contains("Password=pw-two\r\n"));
}

// ---------------------------------------------------------- remote rules

void FtpCoreTest::remoteFolderRules_data() {
    QTest::addColumn<QString>("root");
    QTest::addColumn<QStringList>("folders");
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("parent");
    QTest::newRow("pub") << "/pub" << QStringList{"/docs", "/img"} << "/pub/docs/img"
                         << "/";
    QTest::newRow("a/b") << "/a/b" << QStringList{} << "/a/b"
                         << "/a";
    QTest::newRow("root") << "/" << QStringList{"/docs"} << "/docs"
                          << "/";
    QTest::newRow("relative start") << "pub" << QStringList{"/x"} << "pub/x"
                                    << "/";
    QTest::newRow("home") << "/home/user" << QStringList{"/a b"} << "/home/user/a b"
                          << "/home";
}

void FtpCoreTest::remoteFolderRules() {
    QFETCH(QString, root);
    QFETCH(QStringList, folders);
    QTEST(remoteNodePath(root, folders), "path");
    QTEST(remoteParentFolder(root), "parent");
}

void FtpCoreTest::fileIcons_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("icon");
    QTest::newRow("html") << "index.html" << int(RemoteFileIcon::WebPage);
    QTest::newRow("php before text") << "a.php.txt" << int(RemoteFileIcon::Text);
    QTest::newRow("zip") << "x.zip" << int(RemoteFileIcon::Archive);
    QTest::newRow("mp3") << "song.mp3" << int(RemoteFileIcon::Sound);
    QTest::newRow("case sensitive") << "PIC.JPG" << int(RemoteFileIcon::File);
    QTest::newRow("config") << "Favorites.Config" << int(RemoteFileIcon::File);
    QTest::newRow("lower config") << "app.config" << int(RemoteFileIcon::Text);
    QTest::newRow("xml") << "feed.xml" << int(RemoteFileIcon::Xml);
    QTest::newRow("name only") << "htmlfile" << int(RemoteFileIcon::File);
}

void FtpCoreTest::fileIcons() {
    QFETCH(QString, name);
    QFETCH(int, icon);
    QCOMPARE(int(remoteFileIcon(name)), icon);
}

void FtpCoreTest::resumeOffsets_data() {
    QTest::addColumn<int>("choice");
    QTest::addColumn<qint64>("existing");
    QTest::addColumn<qint64>("source");
    QTest::addColumn<qint64>("offset");
    QTest::newRow("resume shorter")
        << int(FileExistsChoice::Resume) << qint64(10) << qint64(30) << qint64(10);
    QTest::newRow("resume as long")
        << int(FileExistsChoice::Resume) << qint64(30) << qint64(30) << qint64(0);
    QTest::newRow("resume longer")
        << int(FileExistsChoice::Resume) << qint64(40) << qint64(30) << qint64(0);
    QTest::newRow("replace") << int(FileExistsChoice::Replace) << qint64(10) << qint64(30)
                             << qint64(0);
    QTest::newRow("cancel") << int(FileExistsChoice::Cancel) << qint64(10) << qint64(30)
                            << qint64(-1);
}

void FtpCoreTest::resumeOffsets() {
    QFETCH(int, choice);
    QFETCH(qint64, existing);
    QFETCH(qint64, source);
    // Download: the local file exists; upload: the remote one. Same rule.
    QTEST(downloadStartOffset(FileExistsChoice(choice), existing, source), "offset");
    QTEST(uploadStartOffset(FileExistsChoice(choice), existing, source), "offset");
}

// ------------------------------------------------------ protocol client

void FtpCoreTest::sessionOnRealServers_data() {
    QTest::addColumn<int>("kind");
    QTest::addColumn<bool>("passive");
    for (Kind kind : {Kind::Pyftpdlib, Kind::Vsftpd}) {
        for (bool passive : {true, false}) {
            QTest::addRow("%s %s", qPrintable(FtpServerFixture::kindName(kind)),
                          passive ? "passive" : "active")
                << int(kind) << passive;
        }
    }
}

void FtpCoreTest::sessionOnRealServers() {
    QFETCH(int, kind);
    QFETCH(bool, passive);
    FtpServerFixture& fixture = *server(Kind(kind));
    const QString folder = QString("session-%1").arg(passive ? "p" : "a");
    const QString base =
        fixture.writableFolder() == "/" ? "/" + folder : fixture.writableFolder() + "/" + folder;
    QDir(fixture.localPath(base)).removeRecursively();

    FtpClient client;
    QSignalSpy closed(&client, &FtpClient::connectionClosed);
    connectTo(client, fixture, passive);
    QVERIFY(client.isConnected());
    QVERIFY(client.isReady());
    QCOMPARE(client.currentFolder(), QString("/"));

    client.changeFolder(fixture.writableFolder());
    client.makeFolder(folder);
    client.changeFolder(base);
    QCOMPARE(client.currentFolder(), base);
    client.makeFolder("sub dir");

    // Upload a file, then resume it with APPE from the middle.
    QByteArray content;
    for (int i = 0; i < 20000; ++i) {
        content += QByteArray::number(i) + ' ';
    }
    QBuffer local(&content);
    local.open(QIODevice::ReadOnly);
    QBuffer firstHalf;
    firstHalf.setData(content.left(50000));
    firstHalf.open(QIODevice::ReadOnly);
    client.store("data file.bin", firstHalf, 0);
    QVERIFY(client.fileExists("data file.bin"));
    QVERIFY(client.fileExists(base + "/data file.bin"));
    QVERIFY(!client.fileExists("missing.bin"));
    QCOMPARE(client.fileSize("data file.bin"), qint64(50000));
    QSignalSpy proceeded(&client, &FtpClient::dataProceeded);
    client.store("data file.bin", local, 50000);
    QCOMPARE(client.fileSize("data file.bin"), qint64(content.size()));
    QFile onServer(fixture.localPath(base + "/data file.bin"));
    QVERIFY(onServer.open(QIODevice::ReadOnly));
    QCOMPARE(onServer.readAll(), content);
    qint64 sent = 0;
    for (const QList<QVariant>& call : proceeded) {
        sent += call.at(0).toLongLong();
    }
    QCOMPARE(sent, qint64(content.size() - 50000));

    // Download from an offset into the same place of the local stream.
    QByteArray target = content.left(1000) + QByteArray(10, 'x');
    QBuffer download(&target);
    download.open(QIODevice::ReadWrite);
    client.retrieve("data file.bin", download, 1000);
    QCOMPARE(target, content);

    // Listing, rename, delete.
    QStringList names;
    client.list([&](const FtpListEntry& entry) {
        names << (entry.folder ? "/" : "") + entry.name + ":" + QString::number(entry.size);
    });
    names.sort();
    QCOMPARE(names,
             QStringList({"/sub dir:0", "data file.bin:" + QString::number(content.size())}));
    const QList<QByteArray> lines = client.detailedList();
    QCOMPARE(lines.size(), 2);
    QVERIFY(lines.join('\n').contains("sub dir"));

    client.rename("data file.bin", "renamed.bin");
    QVERIFY(QFile::exists(fixture.localPath(base + "/renamed.bin")));
    client.deleteFile("renamed.bin");
    QVERIFY(!QFile::exists(fixture.localPath(base + "/renamed.bin")));
    client.removeFolder(base + "/sub dir");
    QVERIFY(!QDir(fixture.localPath(base + "/sub dir")).exists());

    // A refused command keeps the session usable.
    QVERIFY_THROWS_EXCEPTION(AppError, client.changeFolder("no-such-folder"));
    QVERIFY(client.lastReplyText().startsWith("550"));
    QVERIFY(client.isReady());
    QCOMPARE(client.currentFolder(), base);

    client.close();
    QVERIFY(!client.isConnected());
    QCOMPARE(closed.count(), 0);  // a requested close is not a lost connection
}

void FtpCoreTest::awkwardNamesOnRealServers_data() {
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("command");
    // pyftpdlib offers MLSD in its FEAT reply, vsftpd does not.
    QTest::newRow("pyftpdlib, MLSD") << int(Kind::Pyftpdlib) << "MLSD";
    QTest::newRow("vsftpd, LIST") << int(Kind::Vsftpd) << "LIST";
}

void FtpCoreTest::awkwardNamesOnRealServers() {
    QFETCH(int, kind);
    QFETCH(QString, command);
    FtpServerFixture& fixture = *server(Kind(kind));
    // Blanks inside and at the end, and a name in Latin-1 (not UTF-8).
    const QList<QByteArray> names = {"a file with  blanks.bin ", "caf\xe9 men\xfc.bin"};
    QMap<QString, QByteArray> contents;
    QDir().mkpath(fixture.localPath("/names"));
    for (const QByteArray& name : names) {
        const QByteArray content = "content of " + name + QByteArray(5000, char(name.size()));
        QVERIFY(
            writeFileAtRawPath(QFile::encodeName(fixture.localPath("/names/")) + name, content));
        contents[textFromServerBytes(name)] = content;
    }
    FtpClient client;
    QSignalSpy commands(&client, &FtpClient::commandSent);
    connectTo(client, fixture);
    client.changeFolder("/names");
    QList<FtpListEntry> entries;
    client.list([&](const FtpListEntry& entry) { entries << entry; });
    QStringList sent;
    for (const QList<QVariant>& call : commands) {
        sent << call.at(0).toString();
    }
    QVERIFY2(sent.contains(command), qPrintable(sent.join(", ")));
    QStringList listed;
    for (const FtpListEntry& entry : entries) {
        listed << entry.name;
        QCOMPARE(entry.size, qint64(contents.value(entry.name).size()));
    }
    listed.sort();
    QCOMPARE(listed, QStringList(contents.keys()));
    // The names go back byte for byte: each file comes down whole.
    for (const FtpListEntry& entry : entries) {
        QByteArray fetched;
        QBuffer target(&fetched);
        target.open(QIODevice::WriteOnly);
        client.retrieve(entry.name, target, 0);
        QCOMPARE(fetched, contents.value(entry.name));
    }
    QVERIFY(client.isReady());
    // Qt cannot name the Latin-1 file; the bytes can.
    for (const QByteArray& name : names) {
        ::unlink((QFile::encodeName(fixture.localPath("/names/")) + name).constData());
    }
    QDir().rmdir(fixture.localPath("/names"));
}

void FtpCoreTest::logInRefusedWithBadPassword() {
    FtpClient client;
    QSignalSpy errors(&client, &FtpClient::errorOccurred);
    client.setServer("127.0.0.1");
    client.setPort(m_pyftpd->port());
    client.setUserName(m_pyftpd->user());
    client.setPassword("wrong");
    client.setTimeOut(10);
    try {
        client.open();
        QFAIL("log-in with a wrong password succeeded");
    } catch (const AppError& error) {
        QVERIFY2(error.message().startsWith("530"), qPrintable(error.message()));
    }
    QVERIFY(!client.isConnected());
    QCOMPARE(errors.count(), 1);
    // The same client logs in once the password is right.
    client.setPassword(m_pyftpd->password());
    client.open();
    QVERIFY(client.isReady());
}

void FtpCoreTest::sizeRefusedInAsciiMode() {
    QFile file(m_pyftpd->localPath("/sized.txt"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("hello\n");
    file.close();
    FtpClient client;
    connectTo(client, *m_pyftpd);
    client.setTransferType(FtpClient::TransferType::Ascii);
    QVERIFY_THROWS_EXCEPTION(AppError, client.fileSize("sized.txt"));
    QVERIFY(client.isReady());
    client.setTransferType(FtpClient::TransferType::Binary);
    QCOMPARE(client.fileSize("sized.txt"), qint64(6));
}

void FtpCoreTest::silentServerTimesOutWhileEventsRun() {
    ScriptedFtpServer silent(ScriptedFtpServer::Behaviour::SilentPwd);
    FtpClient client;
    connectTo(client, silent.port(), 1);
    // Ticks counted only while the call waits: none unless the wait runs events.
    int ticksWhileWaiting = 0;
    QTimer ticker;
    connect(&ticker, &QTimer::timeout, [&] { ticksWhileWaiting += client.isBusy() ? 1 : 0; });
    ticker.start(50);
    QSignalSpy closed(&client, &FtpClient::connectionClosed);
    // The second is measured, not a tick of some longer time-out: the call
    // ends before a timer of ten seconds started with it fires. Load delays
    // the timers of this thread but does not reorder them.
    bool tenSecondsUp = false;
    QTimer::singleShot(10000, &client, [&tenSecondsUp] { tenSecondsUp = true; });
    QElapsedTimer clock;
    clock.start();
    try {
        client.currentFolder();
        QFAIL("a silent server did not time out");
    } catch (const AppError& error) {
        QVERIFY(error.message().contains("did not answer within 1 seconds"));
    }
    QVERIFY(clock.elapsed() >= 900);
    QVERIFY(!tenSecondsUp);
    QVERIFY2(ticksWhileWaiting > 0, "the event loop did not run while waiting");
    QVERIFY(!client.isConnected());
    QTRY_COMPARE(closed.count(), 1);
}

void FtpCoreTest::abortEndsWaitingCall() {
    ScriptedFtpServer silent(ScriptedFtpServer::Behaviour::SilentPwd);
    FtpClient client;
    connectTo(client, silent.port(), 30);
    QTimer::singleShot(100, &client, [&] {
        QVERIFY(client.isBusy());
        QVERIFY(!client.isReady());
        // A second call from inside the wait is refused, not interleaved.
        QVERIFY_THROWS_EXCEPTION(AppError, client.changeFolder("/"));
        client.abort();
    });
    // Ended by the stop, not by the half-minute time-out.
    try {
        client.currentFolder();
        QFAIL("the call returned from a silent server");
    } catch (const AppError& error) {
        QCOMPARE(error.message(), QString("The FTP operation was stopped."));
    }
    QVERIFY(!client.isConnected());
    QVERIFY(!client.isBusy());
}

void FtpCoreTest::replyThatIsNotFtp() {
    ScriptedFtpServer http(ScriptedFtpServer::Behaviour::NotFtp);
    FtpClient client;
    try {
        connectTo(client, http.port(), 5);
        QFAIL("an HTTP answer was taken for FTP");
    } catch (const AppError& error) {
        QVERIFY2(error.message().contains("not an FTP reply"), qPrintable(error.message()));
    }
    QVERIFY(!client.isConnected());

    ScriptedFtpServer silent(ScriptedFtpServer::Behaviour::Silent);
    QVERIFY_THROWS_EXCEPTION(AppError, connectTo(client, silent.port(), 1));
    QVERIFY(!client.isConnected());
}

void FtpCoreTest::droppedConnectionIsReportedAndReconnectable() {
    ScriptedFtpServer dropping(ScriptedFtpServer::Behaviour::DropOnCwd);
    FtpClient client;
    QSignalSpy closed(&client, &FtpClient::connectionClosed);
    connectTo(client, dropping.port(), 5);
    QVERIFY_THROWS_EXCEPTION(AppError, client.changeFolder("/x"));
    QVERIFY(!client.isConnected());
    QTRY_COMPARE(closed.count(), 1);
    connectTo(client, dropping.port(), 5);
    QCOMPARE(client.currentFolder(), QString("/home/scripted"));
}

void FtpCoreTest::passiveDataGoesToControlPeer() {
    ScriptedFtpServer foreign(ScriptedFtpServer::Behaviour::ForeignPasv);
    FtpClient client;
    connectTo(client, foreign.port(), 3);
    QStringList names;
    client.list([&](const FtpListEntry& entry) { names << entry.name; });
    QCOMPARE(names, QStringList{"a.txt"});
    QCOMPARE(foreign.dataPeer(), QHostAddress(QHostAddress::LocalHost));
}

void FtpCoreTest::multiLineReplyAndMaskedPassword() {
    ScriptedFtpServer normal(ScriptedFtpServer::Behaviour::Normal);
    FtpClient client;
    QSignalSpy commands(&client, &FtpClient::commandSent);
    QSignalSpy replies(&client, &FtpClient::replyTextRead);
    connectTo(client, normal.port(), 3);
    QCOMPARE(client.currentFolder(), QString("/home/scripted"));
    QStringList sent;
    for (const QList<QVariant>& call : commands) {
        sent << call.at(0).toString();
    }
    QVERIFY(sent.contains("PASS ****"));
    QVERIFY(!sent.join('\n').contains("PASS p"));
    QCOMPARE(replies.count(), 6);  // greeting, USER, PASS, and the three PWD lines
    // The server's control bytes never reach a log or a terminal.
    QCOMPARE(replies.at(3).at(0).toString(), QString("257-first [2Jline"));
}

void FtpCoreTest::lineBreakInNameIsRefused() {
    ScriptedFtpServer normal(ScriptedFtpServer::Behaviour::Normal);
    FtpClient client;
    connectTo(client, normal.port(), 3);
    QVERIFY_THROWS_EXCEPTION(AppError, client.deleteFile("a\r\nDELE b"));
    QVERIFY(!normal.received().join('\n').contains("DELE"));
    QVERIFY(client.isReady());
}

void FtpCoreTest::credentialsAreBoundWhenTheConnectStarts() {
    ScriptedFtpServer slow(ScriptedFtpServer::Behaviour::SlowGreeting);
    FtpClient client;
    // Another site's log-in is typed while this connect still waits.
    QTimer::singleShot(100, &client, [&] {
        QVERIFY(client.isBusy());
        client.setUserName("other-user");
        client.setPassword("other-secret");
        QVERIFY_THROWS_EXCEPTION(AppError, client.open());
    });
    connectTo(client, slow.port(), 3);
    QVERIFY(client.isReady());
    const QString received = slow.received().join('\n');
    QVERIFY2(received.startsWith("USER u\nPASS p"), qPrintable(received));
    QVERIFY(!received.contains("other"));
}

void FtpCoreTest::listingIsBounded() {
    ScriptedFtpServer server(ScriptedFtpServer::Behaviour::Normal);
    server.listing.clear();
    for (int i = 0; server.listing.size() < 300000; ++i) {
        server.listing += "-rw-r--r-- 1 u g 5 Jan 01 2020 file" + QByteArray::number(i) + "\r\n";
    }
    FtpClient client;
    connectTo(client, server.port(), 3);
    client.setMaximumListingSize(100000);
    try {
        client.list([](const FtpListEntry&) {});
        QFAIL("a listing above the bound was read");
    } catch (const AppError& error) {
        QCOMPARE(error.message(),
                 QString("The server's listing is larger than 100000 bytes; it was not read."));
    }
    QCOMPARE(client.currentFolder(), QString("/home/scripted"));
}

void FtpCoreTest::failedTransferLeavesNoReplyBehind_data() {
    QTest::addColumn<int>("failure");
    QTest::newRow("local disk fills up during a download") << 0;
    QTest::newRow("local file cannot be read during an upload") << 1;
    QTest::newRow("server closes the data connection during an upload") << 2;
}

void FtpCoreTest::failedTransferLeavesNoReplyBehind() {
    // The transfer fails on our side before its final reply was read; the
    // next command must get its own reply, not that one.
    QFETCH(int, failure);
    FtpClient client;
    std::unique_ptr<ScriptedFtpServer> scripted;
    QString home = "/";
    if (failure == 2) {
        scripted = std::make_unique<ScriptedFtpServer>(ScriptedFtpServer::Behaviour::DropStoreData);
        connectTo(client, scripted->port(), 3);
        home = "/home/scripted";
    } else {
        connectTo(client, *m_pyftpd);
    }
    QString message;
    try {
        if (failure == 0) {
            SmallDisk disk(64);
            if (!disk.mounted()) {
                QSKIP(qPrintable("mounting a small tmpfs is not permitted here: " + disk.error()));
            }
            QFile remote(m_pyftpd->localPath("/large.bin"));
            QVERIFY(remote.open(QIODevice::WriteOnly));
            remote.write(QByteArray(4 * 1024 * 1024, 'L'));
            remote.close();
            QFile local(disk.filePath("large.bin"));
            QVERIFY(local.open(QIODevice::WriteOnly));
            client.retrieve("large.bin", local, 0);
        } else if (failure == 1) {
            BrokenSource local(100000);
            client.store("broken.bin", local, 0);
        } else {
            QByteArray data(1024 * 1024, 'u');
            QBuffer local(&data);
            local.open(QIODevice::ReadOnly);
            client.store("dropped.bin", local, 0);
        }
        QFAIL("the failed transfer was reported done");
    } catch (const AppError& error) {
        message = error.message();
    }
    const QString expected =
        QStringList{"Cannot write the local file", "Cannot read the local file",
                    "The server closed the data connection"}[failure];
    QVERIFY2(message.startsWith(expected), qPrintable(message));
    QVERIFY(client.isReady());
    QCOMPARE(client.currentFolder(), home);
    QVERIFY(client.isReady());
}

CORVANTA_TEST_MAIN(FtpCoreTest)
#include "tst_ftp_core.moc"
