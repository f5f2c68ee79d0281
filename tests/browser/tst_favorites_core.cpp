#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include "AppError.h"
#include "BookmarkFile.h"
#include "FavoritesFolder.h"
#include "FileAttributes.h"
#include "HistoryStore.h"
#include "InternetShortcut.h"
#include "TestEnvironment.h"

namespace {

void writeFile(const QString& path, const QByteArray& content) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(content);
}

void shortcut(const QString& path, const QString& url) {
    writeFile(path, "[InternetShortcut]\r\nURL=" + url.toUtf8() + "\r\n");
}

// Records as "Folder|Name|Url|Level", readable when a comparison fails.
QStringList describe(const QList<TUrlRec>& records) {
    QStringList lines;
    for (const TUrlRec& record : records)
        lines.append(
            QStringList{record.Folder, record.Name, record.Url, QString::number(record.Level)}.join(
                '|'));
    return lines;
}

// Every file below `root`, relative, with its shortcut address.
QStringList shortcutsBelow(const QString& root) {
    QStringList found;
    QDirIterator it(root, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        found.append(QDir(root).relativeFilePath(path) + " -> " + InternetShortcut::readUrl(path));
    }
    found.sort();
    return found;
}

// The import of a bookmark file's bytes into `target`, as the dialog does it.
QList<TUrlRec> importBytes(const QByteArray& content, const QString& target) {
    QList<TUrlRec> records = BookmarkFile::parseBookmarkFile(content);
    BookmarkFile::sortRecords(records);
    return FavoritesFolder::importRecords(records, target);
}

}  // namespace

class FavoritesCoreTest : public QObject {
    Q_OBJECT
private slots:
    void internetShortcutAddress_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("url");
        QTest::newRow("plain") << QByteArray("[InternetShortcut]\r\nURL=http://a.example/\r\n")
                               << "http://a.example/";
        QTest::newRow("any case, blanks, other keys")
            << QByteArray(
                   "[DEFAULT]\nBASEURL=http://wrong/\n[ internetshortcut ]\n"
                   "IconIndex=0\n url = http://b.example/x?y=1,2 \n")
            << "http://b.example/x?y=1,2";
        QTest::newRow("byte order mark")
            << QByteArray("\xEF\xBB\xBF[InternetShortcut]\nURL=http://c.example/\n")
            << "http://c.example/";
        QTest::newRow("key in another section")
            << QByteArray("[Other]\nURL=http://d.example/\n") << "";
        QTest::newRow("no key") << QByteArray("[InternetShortcut]\nIconFile=x\n") << "";
        QTest::newRow("not a shortcut") << QByteArray("\x00\x01garbage", 9) << "";
    }
    void internetShortcutAddress() {
        QFETCH(QByteArray, content);
        QTemporaryDir dir;
        writeFile(dir.filePath("a.url"), content);
        QTEST(InternetShortcut::readUrl(dir.filePath("a.url")), "url");
    }

    void internetShortcutWriteAndMissingFile() {
        QTemporaryDir dir;
        InternetShortcut::write(dir.filePath("x.url"), "http://x.example/a\r\nURL=http://evil/");
        QCOMPARE(InternetShortcut::readUrl(dir.filePath("x.url")),
                 "http://x.example/a  URL=http://evil/");
        QCOMPARE(InternetShortcut::readUrl(dir.filePath("missing.url")), "");
        QVERIFY_THROWS_EXCEPTION(
            AppError, InternetShortcut::write(dir.filePath("no/such/x.url"), "http://x/"));
    }

    // A root bookmark, nested folders closed as a shallower folder follows, a
    // folder with the system attribute, a shortcut without an address, a
    // hidden shortcut, and a file that is not a shortcut.
    void exportWritesTheBookmarkFile() {
        QTemporaryDir dir;
        const QString root = dir.filePath("Favorites");
        shortcut(root + "/A.url", "http://a.example/");
        shortcut(root + "/.hidden.URL", "http://hidden.example/");
        writeFile(root + "/NoUrl.url", "[InternetShortcut]\r\n");
        writeFile(root + "/notes.txt", "not a bookmark");
        shortcut(root + "/F/B.url", "http://b.example/");
        shortcut(root + "/F/G/C.url", "http://c.example/");
        shortcut(root + "/H/D.url", "http://d.example/");
        shortcut(root + "/Sys/S.url", "http://s.example/");
        if (!FileAttributes::setSystem(root + "/Sys", true))
            QSKIP("The file system keeps no user extended attributes.");
        QVERIFY(FileAttributes::isSystem(root + "/Sys"));
        QVERIFY(!FileAttributes::isSystem(root + "/H"));

        const QByteArray expected =
            "<!-- Made with Corvanta - Web Application -->\r\n"
            "\r\n"
            "<TITLE>Corvanta Converted Bookmarks</TITLE>\r\n"
            "<H1>Corvanta Converted Bookmarks</H1>\r\n"
            "\r\n"
            "<DL><P>\r\n"
            "    <DT><A HREF=\"http://hidden.example/\">.hidden</A><BR>\r\n"
            "    <DT><A HREF=\"http://a.example/\">A</A><BR>\r\n"
            "    <DT><A HREF=\"no path\">NoUrl</A><BR>\r\n"
            "\r\n"
            "    <DT><H3>F</H3>\r\n"
            "    <DL><P>\r\n"
            "        <DT><A HREF=\"http://b.example/\">B</A><BR>\r\n"
            "\r\n"
            "        <DT><H3>G</H3>\r\n"
            "        <DL><P>\r\n"
            "            <DT><A HREF=\"http://c.example/\">C</A><BR>\r\n"
            "        </DL><P>\r\n"
            "\r\n"
            "    </DL><P>\r\n"
            "\r\n"
            "\r\n"
            "    <DT><H3>H</H3>\r\n"
            "    <DL><P>\r\n"
            "        <DT><A HREF=\"http://d.example/\">D</A><BR>\r\n"
            "        <DT><A HREF=\"http://s.example/\">S</A><BR>\r\n"
            "\r\n"
            "</DL><P>\r\n";
        QCOMPARE(FavoritesFolder::exportBookmarks(root), expected);
    }

    // Ordering by plain bytes would put "News\Local" after "News Sites" and
    // so inside it.
    void exportKeepsEachFolderTogether() {
        QTemporaryDir dir;
        const QString root = dir.filePath("Favorites");
        shortcut(root + "/News/n.url", "http://n.example/");
        shortcut(root + "/News Sites/s.url", "http://s.example/");
        shortcut(root + "/News/Local/l.url", "http://l.example/");
        const QList<TUrlRec> read = BookmarkFile::readBookmarkFile(
            BookmarkFile::splitLines(QString::fromUtf8(FavoritesFolder::exportBookmarks(root))));
        QCOMPARE(describe(read),
                 (QStringList{"News|||1", "News|n|http://n.example/|1", "News\\Local|||2",
                              "News\\Local|l|http://l.example/|2", "News Sites|||1",
                              "News Sites|s|http://s.example/|1"}));
    }

    void importRecreatesTheExportedTree() {
        QTemporaryDir dir;
        const QString root = dir.filePath("Favorites");
        shortcut(root + "/A.url", "http://a.example/");
        shortcut(root + "/F/B.url", "http://b.example/");
        shortcut(root + "/F/G/C.url", "http://c.example/");
        shortcut(root + "/H/D.url", "http://d.example/");
        QDir().mkpath(root + "/Empty");
        const QByteArray file = FavoritesFolder::exportBookmarks(root);

        const QString target = FavoritesFolder::prepareImportFolder(root, "Imported Bookmarks");
        QCOMPARE(target, root + "/Imported Bookmarks");
        QVERIFY(importBytes(file, target).isEmpty());
        QCOMPARE(shortcutsBelow(target),
                 (QStringList{"A.url -> http://a.example/", "F/B.url -> http://b.example/",
                              "F/G/C.url -> http://c.example/", "H/D.url -> http://d.example/"}));
        QVERIFY(QFileInfo(target + "/Empty").isDir());
    }

    void readBookmarkFile_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("records");
        const QString a = "<DT><A HREF=\"http://a.example/\">A</A><BR>\n";
        QTest::newRow("the last line is not examined")
            << a + "<DT><A HREF=\"http://b.example/\">B</A><BR>"
            << QStringList{"|A|http://a.example/|0"};
        QTest::newRow("a final line break adds no line")
            << a + "<DT><A HREF=\"http://b.example/\">B</A><BR>\r\n"
            << QStringList{"|A|http://a.example/|0"};
        QTest::newRow("https alone is skipped")
            << "<DT><A HREF=\"https://s.example/\">S</A>\n" + a + "</DL>"
            << QStringList{"|A|http://a.example/|0"};
        QTest::newRow("unsafe characters")
            << "<DT><A HREF=\"http://q.example/?a=1\">What? A: B/C\\D|E*</A>\n</DL>"
            << QStringList{"|What- A- B-C-D-E-|http://q.example/?a=1|0"};
        QTest::newRow("folders, levels and siblings")
            << "<DL><P>\n<DT><H3 ADD_DATE=\"1\">F1</H3>\n<DL><P>\n" + a +
                   "<DT><H3>G</H3>\n<DL><P>\n" + a + "</DL><P>\n</DL><P>\n<DT><H3>F2</H3>\n" + a +
                   "</DL><P>\n" + a + "</DL><P>"
            << QStringList{"F1|||1",
                           "F1|A|http://a.example/|1",
                           "F1\\G|||2",
                           "F1\\G|A|http://a.example/|2",
                           "F2|||1",
                           "F2|A|http://a.example/|1",
                           "|A|http://a.example/|0"};
        QTest::newRow("lines without quotes or name are not bookmarks")
            << "see http://x.example/ here\n<A HREF=\"http://y.example/\"\n" + a + "end"
            << QStringList{"|A|http://a.example/|0"};
        QTest::newRow("an empty title takes the host name")
            << "<DT><A HREF=\"http://e.example/x\"></A>\nend"
            << QStringList{"|e.example|http://e.example/x|0"};
        QTest::newRow("hostile names")
            << "<DT><H3>..</H3>\n<DT><A HREF=\"http://h.example/\">../../etc/passwd</A>\n"
               "<DT><A HREF=\"http://c.example/\">tab\there</A>\n</DL>\n</DL>\n</DL>\n"
               "<DT><H3>/</H3>\nend"
            << QStringList{"Untitled|||1", "Untitled|-..-etc-passwd|http://h.example/|1",
                           "Untitled|tab-here|http://c.example/|1", "-|||1"};
    }
    void readBookmarkFile() {
        QFETCH(QString, text);
        QTEST(describe(BookmarkFile::readBookmarkFile(BookmarkFile::splitLines(text))), "records");
    }

    // A file in the format browsers export today, written by hand: nested
    // lists, attributes, https and other schemes, references, several tags
    // on a line, a description, an empty folder, and no line break at the end.
    void netscapeBookmarkFile() {
        const QByteArray file =
            "<!DOCTYPE NETSCAPE-Bookmark-file-1>\n"
            "<!-- This is an automatically generated file.\n     It will be read and overwritten."
            " -->\n"
            "<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=UTF-8\">\n"
            "<TITLE>Bookmarks</TITLE>\n<H1>Bookmarks</H1>\n"
            "<DL><p>\n"
            "    <DT><H3 ADD_DATE=\"1700000000\" LAST_MODIFIED=\"1700000001\" "
            "PERSONAL_TOOLBAR_FOLDER=\"true\">Bookmarks bar</H3>\n"
            "    <DL><p>\n"
            "        <DT><A HREF=\"https://www.example.com/a?x=1&amp;y=2\" ADD_DATE=\"1700000002\" "
            "ICON=\"data:image/png;base64,iVBO>RK\">Tom &amp; Jerry &#8211; &#x263A;</A>\n"
            "        <DD>A description that is not a bookmark\n"
            "        <DT><H3>Work/Home: News</H3>\n"
            "        <DL><p>\n"
            "            <DT><A HREF='http://news.example/'>Caf\xC3\xA9 <b>news</b></A>"
            "<DT><A HREF=ftp://files.example/pub>Files</A>\n"
            "        </DL><p>\n"
            "        <DT><H3>Empty</H3>\n"
            "        <DL><p>\n"
            "        </DL><p>\n"
            "        <DT><A HREF=\"javascript:void(0)\">Bookmarklet</A>\n"
            "    </DL><p>\n"
            "    <DT><A HREF=\"https://last.example/\" ADD_DATE=\"1\">Last</A>\n"
            "</DL><p><DT><A HREF=\"https://after.example/\">After the list</A>";
        QCOMPARE(describe(BookmarkFile::parseBookmarkFile(file)),
                 (QStringList{
                     "Bookmarks bar|||1",
                     "Bookmarks bar|Tom & Jerry \u2013 \u263A|https://www.example.com/a?x=1&y=2|1",
                     "Bookmarks bar\\Work-Home- News|||2",
                     "Bookmarks bar\\Work-Home- News|Caf\u00E9 news|http://news.example/|2",
                     "Bookmarks bar\\Work-Home- News|Files|ftp://files.example/pub|2",
                     "Bookmarks bar\\Empty|||2",
                     "Bookmarks bar|Bookmarklet|javascript:void(0)|1",
                     "|Last|https://last.example/|0",
                     "|After the list|https://after.example/|0",
                 }));
    }

    // Thousands of nested folders, in both formats: the bookmarks all come
    // in, the folders beyond the deepest one folded into it.
    void deepFoldersAreFolded_data() {
        QTest::addColumn<QByteArray>("file");
        const int depth = 3000;
        QByteArray lines = "<DL>\n";
        QByteArray netscape = "<!DOCTYPE NETSCAPE-Bookmark-file-1>\n<DL><p>\n";
        for (int i = 0; i < depth; ++i) {
            lines += "<DT><H3>f</H3>\n<DL>\n<DT><A HREF=\"http://h/" + QByteArray::number(i) +
                     "\">b</A>\n";
            netscape += "<DT><H3>f</H3><DL><p><DT><A HREF=\"http://h/" + QByteArray::number(i) +
                        "\">b</A>\n";
        }
        QTest::newRow("line rules") << lines + QByteArray("</DL>\n").repeated(depth) + "end\n";
        QTest::newRow("browsers' format") << netscape + QByteArray("</DL><p>\n").repeated(depth);
    }

    void deepFoldersAreFolded() {
        QFETCH(QByteArray, file);
        const QList<TUrlRec> records = BookmarkFile::parseBookmarkFile(file);
        int bookmarks = 0;
        for (const TUrlRec& record : records) {
            QVERIFY(record.Level <= BookmarkFile::kDeepestFolder);
            QVERIFY(record.Folder.count('\\') < BookmarkFile::kDeepestFolder);
            bookmarks += record.isFolder() ? 0 : 1;
        }
        QCOMPARE(bookmarks, 3000);
        QCOMPARE(records.last().Folder, QStringList(BookmarkFile::kDeepestFolder, "f").join('\\'));
    }

    // Whatever a bookmark file names, everything the import writes lies in
    // the chosen subfolder, and every name fits the file system.
    void hostileImportStaysInTheSubfolder() {
        QTemporaryDir dir;
        const QString favorites = dir.filePath("Favorites");
        QDir().mkpath(favorites);
        const QString target = FavoritesFolder::prepareImportFolder(favorites, "In");
        const QByteArray longName(1000, 'x');
        const QByteArray lines =
            "<DT><H3>..</H3>\n<DL><P>\n"
            "<DT><A HREF=\"http://a.example/\">..</A>\n"
            "<DT><A HREF=\"http://b.example/\">../../../outside</A>\n"
            "<DT><H3>../..</H3>\n"
            "<DT><A HREF=\"http://c.example/\">\x01\x1f\x7f</A>\n"
            "<DT><A HREF=\"http://d.example/\">" +
            longName +
            "</A>\n"
            "</DL>\nend";
        const QByteArray netscape =
            "<!DOCTYPE NETSCAPE-Bookmark-file-1>\n<DL><p>"
            "<DT><H3>..</H3><DL><p><DT><H3>&#47;etc</H3><DL><p>"
            "<DT><A HREF=\"https://e.example/\">&#46;&#46;/&#46;&#46;</A>"
            "<DT><A HREF=\"https://f.example/\">" +
            longName +
            "</A>"
            "</DL><p></DL><p></DL><p>";
        QVERIFY(importBytes(lines, target).isEmpty());
        QVERIFY(importBytes(netscape, target).isEmpty());
        // Records made by hand are refused rather than written outside.
        const QList<TUrlRec> handMade{{"..\\..", "x", "http://x/", 2},
                                      {"", "../y", "http://y/", 0}};
        QCOMPARE(FavoritesFolder::importRecords(handMade, target).size(), 2);

        const QStringList everything = shortcutsBelow(dir.path());
        QCOMPARE(everything.size(), 6);
        for (const QString& entry : everything) {
            QVERIFY2(entry.startsWith("Favorites/In/"), qPrintable(entry));
            for (const QString& part : entry.section(" -> ", 0, 0).split('/'))
                QVERIFY2(part.toUtf8().size() <= 255, qPrintable(part));
        }
        QVERIFY(QFileInfo::exists(target + "/Untitled/-..-..-outside.url"));
        QVERIFY(QFileInfo::exists(target + "/Untitled/-../---.url"));
    }

    void duplicateNamesAreBothKept() {
        QTemporaryDir dir;
        const QByteArray file =
            "<DT><A HREF=\"http://one.example/\">Home</A>\n"
            "<DT><A HREF=\"http://two.example/\">Home</A>\nend";
        QVERIFY(importBytes(file, dir.path()).isEmpty());
        QCOMPARE(shortcutsBelow(dir.path()), (QStringList{"Home (2).url -> http://two.example/",
                                                          "Home.url -> http://one.example/"}));
    }

    void importSubfolderName_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("folder");  // relative to the Favorites folder; empty: refused
        QTest::newRow("plain") << "Imported Bookmarks"
                               << "Imported Bookmarks";
        QTest::newRow("existing folder") << "Old"
                                         << "Old";
        QTest::newRow("inside an existing folder") << "Old/New"
                                                   << "Old/New";
        QTest::newRow("empty") << ""
                               << "";
        QTest::newRow("the folder itself") << "."
                                           << "";
        QTest::newRow("parent") << ".."
                                << "";
        QTest::newRow("out and back in") << "../Favorites/x"
                                         << "x";
        QTest::newRow("outside") << "../x"
                                 << "";
        QTest::newRow("below a missing folder") << "Missing/New"
                                                << "";
        QTest::newRow("an existing file") << "file.url"
                                          << "";
    }
    void importSubfolderName() {
        QFETCH(QString, name);
        QFETCH(QString, folder);
        QTemporaryDir dir;
        const QString favorites = dir.filePath("Favorites");
        QDir().mkpath(favorites + "/Old");
        shortcut(favorites + "/file.url", "http://x/");
        QCOMPARE(FavoritesFolder::prepareImportFolder(favorites, name),
                 folder.isEmpty() ? QString() : favorites + "/" + folder);
        QVERIFY(!QFileInfo::exists(dir.filePath("x")));
    }

    void organizeStaysInTheFolder() {
        QTemporaryDir dir;
        const QString root = dir.filePath("Favorites");
        shortcut(root + "/Site.url", "http://s.example/");
        const QString folder = FavoritesFolder::createFolder(root, root, "Work");
        QCOMPARE(folder, root + "/Work");
        QString moved = FavoritesFolder::moveInto(root, root + "/Site.url", folder);
        QCOMPARE(moved, root + "/Work/Site.url");
        moved = FavoritesFolder::rename(root, moved, "Renamed");
        QCOMPARE(moved, root + "/Work/Renamed.url");
        QCOMPARE(FavoritesFolder::displayName(moved), "Renamed");
        QCOMPARE(FavoritesFolder::shortcutFile(root, folder, "a/b: c"), root + "/Work/a-b- c.url");

        QVERIFY_THROWS_EXCEPTION(AppError, FavoritesFolder::rename(root, moved, ".."));
        QVERIFY_THROWS_EXCEPTION(AppError, FavoritesFolder::createFolder(root, root, "a/b"));
        QVERIFY_THROWS_EXCEPTION(AppError, FavoritesFolder::createFolder(root, root, "Work"));
        QVERIFY_THROWS_EXCEPTION(AppError, FavoritesFolder::moveInto(root, moved, dir.path()));
        QVERIFY_THROWS_EXCEPTION(AppError, FavoritesFolder::moveInto(root, folder, folder));
        QVERIFY_THROWS_EXCEPTION(AppError, FavoritesFolder::remove(root, root));
        QVERIFY_THROWS_EXCEPTION(AppError, FavoritesFolder::remove(root, root + "/../Favorites"));
        QVERIFY_THROWS_EXCEPTION(AppError,
                                 FavoritesFolder::shortcutFile(root, dir.path(), "outside"));
        FavoritesFolder::remove(root, folder);
        QVERIFY(!QFileInfo::exists(folder));
        QVERIFY(QFileInfo(root).isDir());
    }

    void historyByDaySiteAndPage() {
        QTemporaryDir dir;
        HistoryStore store(dir.path());
        const QDate today = QDate::currentDate();
        const QDateTime morning(today, QTime(9, 0));
        const QDateTime yesterday = morning.addDays(-1);
        store.recordVisit(QUrl("http://b.example/one"), "One", yesterday);
        store.recordVisit(QUrl("http://a.example/x"), "X", morning);
        store.recordVisit(QUrl("http://b.example/two"), "Two", morning);
        store.recordVisit(QUrl("http://b.example/two"), "Two again", morning.addSecs(60));
        const qint64 late = store.recordVisit(QUrl("file:///tmp/page.html"), "", morning);
        store.updateTitle(late, "Local page");
        QCOMPARE(store.recordVisit(QUrl("about:blank"), "Blank"), 0);
        QCOMPARE(store.recordVisit(QUrl("data:text/html,x"), "Data"), 0);
        // Nobody else reads where the user went: not the store, not its journal.
        for (const char* name : {"History.db", "History.db-wal"}) {
            const QFile::Permissions others =
                QFile::ReadGroup | QFile::WriteGroup | QFile::ReadOther | QFile::WriteOther;
            QVERIFY2(QFileInfo::exists(dir.filePath(name)), name);
            QCOMPARE(QFile::permissions(dir.filePath(name)) & others, QFile::Permissions());
        }

        QCOMPARE(store.days(), (QList<QDate>{today, today.addDays(-1)}));
        QCOMPARE(store.sites(today), (QStringList{"My Computer", "a.example", "b.example"}));
        const QList<HistoryStore::Page> pages = store.pages(today, "b.example");
        QCOMPARE(pages.size(), 1);
        QCOMPARE(pages[0].url, "http://b.example/two");
        QCOMPARE(pages[0].title, "Two again");
        QCOMPARE(pages[0].lastVisit, morning.addSecs(60));
        QCOMPARE(store.pages(today, "My Computer")[0].title, "Local page");
        QCOMPARE(HistoryStore::addressFromInfoTip(HistoryStore::infoTip(pages[0])),
                 "http://b.example/two");

        // A second store on the same file sees the same visits; clearing empties both.
        HistoryStore other(dir.path());
        QCOMPARE(other.visitCount(), 5);
        other.clear();
        QVERIFY(store.days().isEmpty());
    }

    void historyTexts() {
        QCOMPARE(HistoryStore::addressFromInfoTip("Title\n  http://a/  "), "http://a/");
        QCOMPARE(HistoryStore::addressFromInfoTip("  http://b/ "), "http://b/");
        QCOMPARE(HistoryStore::addressFromInfoTip(""), "");
        const QDate today(2024, 5, 15);  // a Wednesday
        QCOMPARE(HistoryStore::dayCaption(today, today), "Today");
        QCOMPARE(HistoryStore::dayCaption(today.addDays(-1), today), "Tuesday");
        QCOMPARE(HistoryStore::dayCaption(today.addDays(-6), today), "Thursday");
        QCOMPARE(HistoryStore::dayCaption(today.addDays(-7), today), "2024-05-08");
    }
};

CORVANTA_TEST_MAIN(FavoritesCoreTest)
#include "tst_favorites_core.moc"
