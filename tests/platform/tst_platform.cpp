#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <QLocalSocket>
#include <QTcpSocket>
#include <QtTest>

#include <QThread>
#include <csignal>
#include <memory>

#include <zlib.h>

#include "Connectivity.h"
#include "DesktopApplications.h"
#include "FrameInstance.h"
#include "LoopbackHttpServer.h"
#include "Paths.h"
#include "PlainHttp.h"
#include "Registry.h"
#include "RegistryBlock.h"
#include "RegistryIniView.h"
#include "ServiceAddress.h"
#include "ShellFolders.h"
#include "TestEnvironment.h"

class PlatformTests : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    int m_files = 0;
    QString freshStore() { return m_dir.filePath(QStringLiteral("store%1.db").arg(++m_files)); }

private slots:
    void readsFollowTheTypeRules_data();
    void readsFollowTheTypeRules();
    void valuesRoundTrip();
    void keyPathsIgnoreLeadingBackslashAndCase();
    void deleteKeyRemovesEverythingBelow();
    void aBlockOfWritesIsOneTransaction();
    void creatingAKeyOnOpenHoldsNoLock();
    void aKeyMadeMeanwhileByAnotherCopyIsFound();
    void corruptStoreIsMovedAsideOnce_data();
    void corruptStoreIsMovedAsideOnce();
    void iniViewUsesSubKeysAsSections();
    void storeHoldsTheLastCommittedBlockAfterEachKill();
    void twoCopiesWriteAtOnceWithoutLossOrLongWaits();
    void serviceAddressesStayOnLoopbackInTests();
    void shellFoldersAreSeededOnceAndThenKept();
    void storesAndTheirFoldersAreOwnerOnly();
    void plainHttpBodiesAreBounded_data();
    void plainHttpBodiesAreBounded();
    void defaultRouteDetection_data();
    void defaultRouteDetection();
    void execLines_data();
    void execLines();
    void registeredApplications();
    void contentFoldersBesideTheProgramElseInstalled();
    void secondStartHandsItsArgumentsOver();
    void staleSocketOfACrashedRunIsReplaced();
    void strangersOnTheSocketAreRefused();
};

namespace {

// A later start, in a thread of its own: its claim blocks until the first
// one's event loop has answered.
FrameInstance::Role claimInThread(const QString& folder, const QStringList& arguments,
                                  QString* error = nullptr) {
    FrameInstance::Role role = FrameInstance::Role::Failed;
    std::unique_ptr<QThread> thread(QThread::create([&] {
        FrameInstance later(folder);
        role = later.claim(arguments, 10000);
        if (error)
            *error = later.error();
    }));
    thread->start();
    while (!thread->wait(10))
        QCoreApplication::processEvents();
    return role;
}

}  // namespace

// What each typed read does with what is stored: "ok", "throws" or "empty".
void PlatformTests::readsFollowTheTypeRules_data() {
    QTest::addColumn<QString>("stored");  // integer, bool, text, date, absent
    QTest::addColumn<QString>("read");    // integer, bool, text, date
    QTest::addColumn<QString>("outcome");
    QTest::newRow("absent integer") << "absent"
                                    << "integer"
                                    << "throws";
    QTest::newRow("absent bool") << "absent"
                                 << "bool"
                                 << "throws";
    QTest::newRow("absent date") << "absent"
                                 << "date"
                                 << "throws";
    QTest::newRow("absent text") << "absent"
                                 << "text"
                                 << "empty";
    QTest::newRow("integer as bool") << "integer"
                                     << "bool"
                                     << "ok";
    QTest::newRow("bool as integer") << "bool"
                                     << "integer"
                                     << "ok";
    QTest::newRow("integer as text") << "integer"
                                     << "text"
                                     << "throws";
    QTest::newRow("text as integer") << "text"
                                     << "integer"
                                     << "throws";
    QTest::newRow("text as bool") << "text"
                                  << "bool"
                                  << "throws";
    QTest::newRow("date as integer") << "date"
                                     << "integer"
                                     << "throws";
    QTest::newRow("integer as date") << "integer"
                                     << "date"
                                     << "throws";
    QTest::newRow("text as date") << "text"
                                  << "date"
                                  << "throws";
}

void PlatformTests::readsFollowTheTypeRules() {
    QFETCH(QString, stored);
    QFETCH(QString, read);
    QFETCH(QString, outcome);
    Registry registry(freshStore());
    QVERIFY(registry.openKey("\\Software\\Corvanta\\Test", true));
    if (stored == "integer")
        registry.writeInteger("v", 7);
    if (stored == "bool")
        registry.writeBool("v", true);
    if (stored == "text")
        registry.writeString("v", "7");
    if (stored == "date")
        registry.writeDate("v", QDate(2026, 12, 10));
    bool threw = false;
    QString text;
    try {
        if (read == "integer")
            registry.readInteger("v");
        if (read == "bool")
            registry.readBool("v");
        if (read == "date")
            registry.readDate("v");
        if (read == "text")
            text = registry.readString("v");
    } catch (const RegistryError&) {
        threw = true;
    }
    QCOMPARE(threw, outcome == "throws");
    if (outcome == "empty")
        QVERIFY(text.isEmpty());
}

void PlatformTests::valuesRoundTrip() {
    const QString file = freshStore();
    {
        Registry registry(file);
        QVERIFY(registry.openKey("\\Software\\Corvanta\\MainPlatform", true));
        registry.writeInteger("Form_Theme", -1);
        registry.writeInteger("Big", 2147483647);
        registry.writeBool("AutoUpdate", false);
        registry.writeString("Web Browser", "1");
        registry.writeString("Unicode", QString::fromUtf8("Grüße €"));
        registry.writeDate("Last_Date_In_Use", QDate(1999, 1, 2));
    }
    Registry registry(file);
    QVERIFY(registry.openKey("\\Software\\Corvanta\\MainPlatform", false));
    QCOMPARE(registry.readInteger("Form_Theme"), -1);
    QCOMPARE(registry.readInteger("Big"), 2147483647);
    QCOMPARE(registry.readBool("AutoUpdate"), false);
    QCOMPARE(registry.readString("Web Browser"), QString("1"));
    QCOMPARE(registry.readString("Unicode"), QString::fromUtf8("Grüße €"));
    QCOMPARE(registry.readDate("Last_Date_In_Use"), QDate(1999, 1, 2));
    QCOMPARE(registry.valueType("Last_Date_In_Use"), Registry::ValueType::Date);
    // A Boolean is any non-zero number.
    registry.writeInteger("Flag", 5);
    QCOMPARE(registry.readBool("Flag"), true);
    QVERIFY(registry.deleteValue("Flag"));
    QVERIFY(!registry.valueExists("Flag"));
}

void PlatformTests::keyPathsIgnoreLeadingBackslashAndCase() {
    Registry registry(freshStore());
    QVERIFY(!registry.openKey("\\Software\\Corvanta\\Editor", false));
    QVERIFY(registry.openKey("\\Software\\Corvanta\\Editor", true));
    registry.writeString("MRUFile1", "/tmp/a.txt");
    registry.closeKey();
    QVERIFY(registry.openKey("Software\\Corvanta\\Editor", false));
    QCOMPARE(registry.readString("MRUFile1"), QString("/tmp/a.txt"));
    QVERIFY(registry.openKey("\\SOFTWARE\\corvanta\\editor\\", false));
    QCOMPARE(registry.readString("mrufile1"), QString("/tmp/a.txt"));
    QVERIFY(registry.openKey("\\Software\\Corvanta", false));
    QCOMPARE(registry.getKeyNames(), QStringList{"Editor"});
}

void PlatformTests::deleteKeyRemovesEverythingBelow() {
    Registry registry(freshStore());
    registry.openKey("\\Software\\Corvanta\\MainPlatform", true);
    registry.writeInteger("Form_Left", 1);
    registry.openKey("\\Software\\Corvanta\\Editor\\Deep", true);
    registry.writeString("x", "y");
    registry.openKey("\\Software\\Other", true);
    registry.writeString("keep", "me");
    registry.closeKey();

    QVERIFY(registry.openKey("\\Software", false));
    QVERIFY(registry.deleteKey("Corvanta"));  // a bare name is below the open key
    registry.closeKey();
    QVERIFY(!registry.keyExists("\\Software\\Corvanta"));
    QVERIFY(!registry.keyExists("\\Software\\Corvanta\\Editor\\Deep"));
    QVERIFY(registry.openKey("\\Software\\Other", false));
    QCOMPARE(registry.readString("keep"), QString("me"));
    // Re-creating the key after deletion starts empty.
    QVERIFY(registry.openKey("\\Software\\Corvanta\\MainPlatform", true));
    QVERIFY(registry.getValueNames().isEmpty());
}

void PlatformTests::aBlockOfWritesIsOneTransaction() {
    const QString file = freshStore();
    Registry writer(file);
    writer.openKey("\\Software\\Corvanta\\Grabber", true);
    writer.writeString("0", "first");
    writer.writeString("1", "second");
    {
        // Another accessor (another running copy) sees nothing of an open
        // block's values (the key itself was created when it was opened).
        Registry reader(file);
        QVERIFY(reader.openKey("\\Software\\Corvanta\\Grabber", false));
        QVERIFY(reader.getValueNames().isEmpty());
    }
    writer.closeKey();
    Registry reader(file);
    QVERIFY(reader.openKey("\\Software\\Corvanta\\Grabber", false));
    QCOMPARE(reader.getValueNames(), (QStringList{"0", "1"}));
}

void PlatformTests::creatingAKeyOnOpenHoldsNoLock() {
    // A reading block that created its key (the frame at start-up) must not
    // keep other writers (the windows it opens) waiting.
    const QString file = freshStore();
    Registry reading(file);
    QVERIFY(reading.openKey("\\Software\\Corvanta\\MainPlatform", true));
    QVERIFY_THROWS_EXCEPTION(RegistryError, reading.readInteger("Form_Left"));
    Registry writing(file);
    QVERIFY(writing.openKey("\\Software\\Corvanta\\BrowserSettings", true));
    writing.writeString("MailClient", "Google");
    writing.closeKey();
    QVERIFY(reading.openKey("\\Software\\Corvanta\\BrowserSettings", false));
    QCOMPARE(reading.readString("MailClient"), QString("Google"));
}

void PlatformTests::aKeyMadeMeanwhileByAnotherCopyIsFound() {
    // One copy makes a key inside a block it has not committed yet; another
    // looks for the same key, finds none and waits for the write lock.
    const QString file = freshStore();
    Registry first(file);
    QVERIFY(first.openKey("\\Software\\Corvanta", true));
    first.writeString("held", "1");  // the block holds the write lock from here
    QVERIFY(first.openKey("\\Software\\Corvanta\\Editor", true));
    QString failure;
    std::unique_ptr<QThread> second(QThread::create([&] {
        try {
            Registry registry(file);
            registry.openKey("\\Software\\Corvanta\\Editor", true);
            registry.writeString("MRUFile1", "/home/u/a.txt");
            registry.closeKey();
        } catch (const RegistryError& error) {
            failure = error.message();
        }
    }));
    second->start();
    QThread::msleep(300);
    first.closeKey();  // the key exists now
    QVERIFY(second->wait(30000));
    QVERIFY2(failure.isEmpty(), qPrintable(failure));
    Registry reader(file);
    QVERIFY(reader.openKey("\\Software\\Corvanta\\Editor", false));
    QCOMPARE(reader.readString("MRUFile1"), QString("/home/u/a.txt"));
}

void PlatformTests::corruptStoreIsMovedAsideOnce_data() {
    QTest::addColumn<QByteArray>("content");
    QTest::newRow("garbage") << QByteArray("this is not a database\n").repeated(200);
    QByteArray header("SQLite format 3");
    header.append('\0');
    QTest::newRow("truncated database") << header + QByteArray(80, '\x01');
}

void PlatformTests::corruptStoreIsMovedAsideOnce() {
    QFETCH(QByteArray, content);
    const QString file = freshStore();
    {
        QFile bad(file);
        QVERIFY(bad.open(QIODevice::WriteOnly));
        bad.write(content);
    }
    Registry registry(file);
    QVERIFY(registry.openKey("\\Software\\Corvanta\\MainPlatform", true));
    QVERIFY_THROWS_EXCEPTION(RegistryError, registry.readInteger("Form_Left"));
    registry.writeInteger("Form_Left", 3);
    registry.closeKey();

    const QString aside = Registry::takeRecoveryNotice();
    QVERIFY2(aside.startsWith(file + ".corrupt-"), qPrintable(aside));
    QFile kept(aside);
    QVERIFY(kept.open(QIODevice::ReadOnly));
    QCOMPARE(kept.readAll(), content);                  // nothing of the old file is lost
    QVERIFY(Registry::takeRecoveryNotice().isEmpty());  // told once

    Registry again(file);
    QVERIFY(again.openKey("\\Software\\Corvanta\\MainPlatform", false));
    QCOMPARE(again.readInteger("Form_Left"), 3);
    QVERIFY(Registry::takeRecoveryNotice().isEmpty());
}

void PlatformTests::iniViewUsesSubKeysAsSections() {
    const QString file = freshStore();
    RegistryIniView view("Software\\Corvanta\\Editor", file);
    QCOMPARE(view.readString("", "MRUFile1", "none"), QString("none"));
    view.writeString("", "MRUFile1", "/home/u/a.pas");
    view.writeString("Extra", "k", "v");
    QCOMPARE(view.readString("", "MRUFile1", "none"), QString("/home/u/a.pas"));
    Registry registry(file);
    QVERIFY(registry.openKey("\\Software\\Corvanta\\Editor", false));
    QCOMPARE(registry.readString("MRUFile1"), QString("/home/u/a.pas"));
    QVERIFY(registry.openKey("\\Software\\Corvanta\\Editor\\Extra", false));
    QCOMPARE(registry.readString("k"), QString("v"));
}

namespace {

QString blockWriter() {
    return QCoreApplication::applicationDirPath() + "/registry_block_writer";
}

// The blocks a writer reported committed, in order.
QList<int> committedBlocks(QProcess& writer) {
    QList<int> blocks;
    for (const QByteArray& line : writer.readAllStandardOutput().split('\n')) {
        if (line.startsWith("committed ")) {
            blocks.append(line.mid(10).toInt());
        }
    }
    return blocks;
}

}  // namespace

void PlatformTests::storeHoldsTheLastCommittedBlockAfterEachKill() {
    const QString file = freshStore();
    const quint32 seed = QRandomGenerator::global()->generate();
    QRandomGenerator random(seed);
    int held = 0;  // the block the store holds
    int killedWhileWriting = 0;
    for (int round = 1; round <= 50; ++round) {
        QProcess writer;
        writer.start(blockWriter(), {file, "A", QString::number(held + 1)});
        QVERIFY(writer.waitForStarted());
        // Two rounds in three are killed among the blocks, the third anywhere
        // from the start (opening, creating the file or the key).
        if (round % 3 != 0) {
            QVERIFY(writer.waitForReadyRead(30000));
        }
        QThread::usleep(random.bounded(100000));
        ::kill(pid_t(writer.processId()), SIGKILL);
        QVERIFY(writer.waitForFinished(30000));
        const QList<int> blocks = committedBlocks(writer);
        const int reported = blocks.isEmpty() ? held : blocks.last();
        killedWhileWriting += blocks.isEmpty() ? 0 : 1;

        Registry registry(file);
        const int now = RegistryBlock::read(registry, "A");
        // The kill may fall between a commit and its report.
        QVERIFY2(now == reported || now == reported + 1,
                 qPrintable(QString("round %1 (seed %2): the store holds block %3 after block %4 "
                                    "was committed (-1: a mixture)")
                                .arg(round)
                                .arg(seed)
                                .arg(now)
                                .arg(reported)));
        QVERIFY(Registry::takeRecoveryNotice().isEmpty());
        held = now;
    }
    QVERIFY(killedWhileWriting >= 30);
}

void PlatformTests::twoCopiesWriteAtOnceWithoutLossOrLongWaits() {
    const QString file = freshStore();
    QProcess first, second;
    first.start(blockWriter(), {file, "A", "1", "3"});
    second.start(blockWriter(), {file, "B", "1", "3"});
    QVERIFY(first.waitForFinished(60000));
    QVERIFY(second.waitForFinished(60000));
    for (QProcess* copy : {&first, &second}) {
        const QByteArray output = copy->readAllStandardOutput();
        // A block that waited out the busy time-out fails with "database is locked".
        QVERIFY2(copy->exitCode() == 0, output.right(200).constData());
        const QList<QByteArray> lines = output.trimmed().split('\n');
        QVERIFY(lines.last().startsWith("longest_ms "));
        QVERIFY2(lines.last().mid(11).toInt() < 10000, lines.last().constData());
        // Blocks were written (how many depends on the machine's load).
        QVERIFY2(lines.size() >= 3, output.constData());
        const int last = lines[lines.size() - 2].mid(10).toInt();
        Registry registry(file);
        QCOMPARE(RegistryBlock::read(registry, copy == &first ? "A" : "B"), last);
    }
}

void PlatformTests::serviceAddressesStayOnLoopbackInTests() {
    const QString closed = QString("127.0.0.1:%1").arg(TestEnvironment::closedPort());
    QCOMPARE(ServiceAddress::get("Probe", "http://example.org/path?q=1"),
             "http://" + closed + "/path?q=1");
    QCOMPARE(ServiceAddress::get("ProbeHost", "whois.example.org"), closed);
    // Nothing answers there: the port is this process's, bound and not listening.
    QTcpSocket socket;
    socket.connectToHost(QHostAddress("127.0.0.1"), TestEnvironment::closedPort());
    QVERIFY(!socket.waitForConnected(5000));
    QCOMPARE(socket.error(), QAbstractSocket::ConnectionRefusedError);
    // The override goes into the process's store: leave it as found.
    const auto forget = qScopeGuard([] {
        Registry registry;
        if (registry.openKey(ServiceAddress::kServicesKey, false))
            registry.deleteValue("Probe");
    });
    ServiceAddress::set("Probe", "http://127.0.0.1:8080");
    QCOMPARE(ServiceAddress::get("Probe", "http://example.org"), QString("http://127.0.0.1:8080"));
}

void PlatformTests::storesAndTheirFoldersAreOwnerOnly() {
    const QFile::Permissions others = QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup |
                                      QFile::ReadOther | QFile::WriteOther | QFile::ExeOther;
    const mode_t previous = ::umask(022);  // what a desktop session usually has
    QTemporaryDir dir;
    const QByteArray oldConfig = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(dir.filePath("config")));
    const QString configFolder = Paths::userConfigFolder();
    qputenv("XDG_CONFIG_HOME", oldConfig);
    {
        Registry registry(dir.filePath("store/registry.db"));
        registry.openKey("\\Software\\Corvanta\\Probe", true);
        registry.writeString("Secret", "value");
    }
    {
        Registry registry(dir.filePath("store/registry.db"));
        registry.openKey("\\Software\\Corvanta\\Probe", false);
        // The store and the journal files SQLite made beside it.
        for (const char* name : {"registry.db", "registry.db-wal", "registry.db-shm"}) {
            const QString file = dir.filePath(QStringLiteral("store/") + name);
            QVERIFY2(QFileInfo::exists(file), name);
            QCOMPARE(QFile::permissions(file) & others, QFile::Permissions());
        }
    }
    QVERIFY(Paths::createOwnerOnlyFile(dir.filePath("store/registry.db")));  // kept as it is
    ::umask(previous);
    QCOMPARE(QFile::permissions(dir.filePath("store")) & others, QFile::Permissions());
    QCOMPARE(QFile::permissions(configFolder) & others, QFile::Permissions());
    QVERIFY(QFile::permissions(dir.filePath("config")).testFlag(QFile::ReadOther));  // not ours
}

namespace {

QByteArray gzipped(const QByteArray& data) {
    z_stream stream{};
    if (deflateInit2(&stream, Z_BEST_COMPRESSION, Z_DEFLATED, 31, 9, Z_DEFAULT_STRATEGY) != Z_OK)
        return {};
    QByteArray out(int(deflateBound(&stream, uLong(data.size()))) + 32, '\0');
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    stream.avail_in = uInt(data.size());
    stream.next_out = reinterpret_cast<Bytef*>(out.data());
    stream.avail_out = uInt(out.size());
    deflate(&stream, Z_FINISH);
    out.resize(qsizetype(stream.total_out));
    deflateEnd(&stream);
    return out;
}

}  // namespace

void PlatformTests::plainHttpBodiesAreBounded_data() {
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<bool>("compressed");
    QTest::addColumn<bool>("taken");
    QTest::newRow("within the limit") << QByteArray(1000, 'a') << false << true;
    QTest::newRow("announced past the limit") << QByteArray(1001, 'a') << false << false;
    QTest::newRow("small, unpacking past the limit")
        << QByteArray(4 * 1024 * 1024, 'a') << true << false;
    QTest::newRow("small, unpacking within the limit") << QByteArray(900, 'a') << true << true;
}

void PlatformTests::plainHttpBodiesAreBounded() {
    QFETCH(QByteArray, body);
    QFETCH(bool, compressed);
    QFETCH(bool, taken);
    LoopbackHttpServer server;
    QVERIFY(server.start([&](const LoopbackHttpServer::Request&) {
        LoopbackHttpServer::Response response;
        response.body = compressed ? gzipped(body) : body;
        if (compressed)
            response.headers = {{"Content-Encoding", "gzip"}};
        return response;
    }));
    PlainHttp::Options options;
    options.maximumBodySize = 1000;
    const PlainHttp::Result result = PlainHttp::get(server.url("/page"), options);
    QCOMPARE(result.ok, taken);
    QCOMPARE(result.tooLarge, !taken);
    QCOMPARE(result.body, taken ? body : QByteArray());
    if (!taken)
        QCOMPARE(result.errorText, "The answer is larger than 1000 bytes; it was not taken");
}

void PlatformTests::shellFoldersAreSeededOnceAndThenKept() {
    const QString favorites = ShellFolders::path("Favorites");
    QCOMPARE(favorites, TestEnvironment::dataHome() + "/Corvanta/Favorites");
    QVERIFY(QFileInfo(favorites).isDir());
    {
        Registry registry;
        QVERIFY(registry.openKey(ShellFolders::kKey, false));
        QCOMPARE(registry.readString("Favorites"), favorites);
        registry.writeString("Cookies", m_dir.path());  // the user's own choice is kept
    }
    QCOMPARE(ShellFolders::path("Cookies"), m_dir.path());
    QCOMPARE(ShellFolders::path("Favorites"), favorites);
}

void PlatformTests::defaultRouteDetection_data() {
    QTest::addColumn<QByteArray>("ipv4");
    QTest::addColumn<QByteArray>("ipv6");
    QTest::addColumn<bool>("connected");
    const QByteArray head =
        "Iface\tDestination\tGateway \tFlags\tRefCnt\tUse\tMetric\tMask\t\tMTU\tWindow\tIRTT\n";
    QTest::newRow("default route up")
        << head + "eth0\t00000000\t0102A8C0\t0003\t0\t0\t100\t00000000\t0\t0\t0\n"
        << QByteArray() << true;
    QTest::newRow("only a local network")
        << head + "eth0\t0002A8C0\t00000000\t0001\t0\t0\t100\t00FFFFFF\t0\t0\t0\n"
        << QByteArray() << false;
    QTest::newRow("default route down")
        << head + "eth0\t00000000\t0102A8C0\t0002\t0\t0\t100\t00000000\t0\t0\t0\n"
        << QByteArray() << false;
    QTest::newRow("ipv6 default") << head
                                  << QByteArray(32, '0') + " 00 " + QByteArray(32, '0') + " 00 " +
                                         "fe800000000000000000000000000001 00000400 00000001 "
                                         "00000000 00000003 eth0\n"
                                  << true;
    QTest::newRow("ipv6 unreachable on lo")
        << head
        << QByteArray(32, '0') + " 00 " + QByteArray(32, '0') + " 00 " + QByteArray(32, '0') +
               " ffffffff 00000001 00000000 00200200 lo\n"
        << false;
    QTest::newRow("unreadable tables") << QByteArray() << QByteArray() << false;
}

void PlatformTests::defaultRouteDetection() {
    QFETCH(QByteArray, ipv4);
    QFETCH(QByteArray, ipv6);
    QFETCH(bool, connected);
    QCOMPARE(hasDefaultRouteIpv4(ipv4) || hasDefaultRouteIpv6(ipv6), connected);
}

void PlatformTests::execLines_data() {
    QTest::addColumn<QString>("exec");
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QStringList>("command");  // empty: refused
    QTest::newRow("plain") << "files --new-window %U" << QStringList{}
                           << QStringList{"files", "--new-window"};
    QTest::newRow("one address for %u")
        << "mailer -compose %u" << QStringList{"mailto:a@b.test", "more"}
        << QStringList{"mailer", "-compose", "mailto:a@b.test"};
    QTest::newRow("all files for %F")
        << "viewer %F --end" << QStringList{"a", "b"} << QStringList{"viewer", "a", "b", "--end"};
    QTest::newRow("quotes and escapes")
        << R"("/opt/my apps/run" "say \"hi\"" 'x' %i%c)" << QStringList{}
        << QStringList{"/opt/my apps/run", R"(say "hi")", "'x'"};
    QTest::newRow("percent sign") << "printf 100%%" << QStringList{}
                                  << QStringList{"printf", "100%"};
    QTest::newRow("open quote") << "run \"never closed" << QStringList{} << QStringList{};
    QTest::newRow("nothing to run") << "  " << QStringList{} << QStringList{};
    QTest::newRow("an address in the program's place")
        << "%U --flag" << QStringList{"http://x.test/"} << QStringList{};
}

void PlatformTests::execLines() {
    QFETCH(QString, exec);
    QFETCH(QStringList, arguments);
    QFETCH(QStringList, command);
    const std::optional<QStringList> line = execCommand(exec, arguments);
    QCOMPARE(line.value_or(QStringList{}), command);
}

void PlatformTests::registeredApplications() {
    QTemporaryDir root;
    const auto write = [&](const QString& path, const QByteArray& text) {
        QDir().mkpath(QFileInfo(root.filePath(path)).path());
        QFile file(root.filePath(path));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(text);
    };
    const QByteArray sh = "Exec=sh -c true\n";
    // The user's folder comes first and hides the system's entry of the same id.
    write("user/applications/viewer.desktop",
          "[Desktop Entry]\nType=Application\nName=Mine\nMimeType=text/plain;\n" + sh);
    write("system/applications/viewer.desktop",
          "[Desktop Entry]\nType=Application\nName=Theirs\nCategories=Office;\n" + sh);
    write("system/applications/kde/editor.desktop",
          "[Desktop Entry]\nName[de]=Bearbeiter\nName=Editor\nType=Application\n"
          "MimeType=text/plain;\nCategories=Office;TextEditor;\n" +
              sh);
    write("system/applications/gone.desktop",
          "[Desktop Entry]\nType=Application\nHidden=true\n" + sh);
    write("system/applications/link.desktop", "[Desktop Entry]\nType=Link\nURL=http://x\n");
    write("system/applications/missing.desktop",
          "[Desktop Entry]\nType=Application\nCategories=Office;\nTryExec=/nowhere/app\n" + sh);
    write("system/applications/garbage.desktop", QByteArray("\0\xff[Desk", 8));
    write("config/mimeapps.list",
          "[Added Associations]\ntext/plain=viewer.desktop;\n"
          "[Default Applications]\ntext/plain=absent.desktop;kde-editor.desktop;\n");

    const DesktopApplications apps(
        {root.filePath("user/applications"), root.filePath("system/applications")},
        {root.filePath("config/mimeapps.list")});
    QStringList ids;
    for (const DesktopEntry& entry : apps.entries())
        ids << entry.id + "=" + entry.name;
    QCOMPARE(ids, (QStringList{"kde-editor.desktop=Editor", "viewer.desktop=Mine"}));
    QCOMPARE(apps.byId("kde-editor")->categories, (QStringList{"Office", "TextEditor"}));
    QCOMPARE(apps.byCategories({"Office"})->id, QString("kde-editor.desktop"));
    QVERIFY(!apps.byCategories({"Office", "Viewer"}));
    QCOMPARE(apps.defaultFor("text/plain")->id, QString("kde-editor.desktop"));
    // Without a stated default, the first that declares the type.
    const DesktopApplications noDefaults({root.filePath("user/applications")}, {});
    QCOMPARE(noDefaults.defaultFor("text/plain")->id, QString("viewer.desktop"));
    QVERIFY(!noDefaults.defaultFor("image/png"));
}

void PlatformTests::contentFoldersBesideTheProgramElseInstalled() {
    QTemporaryDir root;
    QVERIFY(QDir(root.path()).mkpath("usr/bin"));
    QVERIFY(QDir(root.path()).mkpath("usr/share/corvanta/Images"));
    QVERIFY(QDir(root.path()).mkpath("build/Images"));
    QCOMPARE(Paths::contentFolderIn(root.filePath("usr/bin"), "Images"),
             root.filePath("usr/share/corvanta/Images"));
    QCOMPARE(Paths::contentFolderIn(root.filePath("build"), "Images"),
             root.filePath("build/Images"));
}

void PlatformTests::secondStartHandsItsArgumentsOver() {
    QTemporaryDir folder;
    FrameInstance first(folder.path());
    QCOMPARE(first.claim({"ignored"}), FrameInstance::Role::Primary);
    QSignalSpy received(&first, &FrameInstance::argumentsReceived);
    const QStringList arguments{"http://127.0.0.1:8080/", "/tmp/a file\nwith a break.txt",
                                QString::fromUtf8("/tmp/\xc3\xa9t\xc3\xa9.txt"), ""};
    QCOMPARE(claimInThread(folder.path(), arguments), FrameInstance::Role::HandedOver);
    QTRY_COMPARE(received.size(), 1);
    QCOMPARE(received.at(0).at(0).toStringList(), arguments);
    // The socket is the user's alone.
    QCOMPARE(QFileInfo(first.socketPath()).permissions() &
                 (QFile::ReadOther | QFile::WriteOther | QFile::ReadGroup | QFile::WriteGroup),
             QFile::Permissions());
}

void PlatformTests::staleSocketOfACrashedRunIsReplaced() {
    QTemporaryDir folder;
    const QString path = FrameInstance(folder.path()).socketPath();
    // What a crashed run leaves: a bound socket file nobody listens on.
    const int stale = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    qstrncpy(address.sun_path, QFile::encodeName(path).constData(), sizeof address.sun_path);
    QVERIFY(::bind(stale, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0);
    ::close(stale);
    QVERIFY(QFileInfo::exists(path));

    FrameInstance next(folder.path());
    QCOMPARE(next.claim({}, 3000), FrameInstance::Role::Primary);
    QVERIFY2(next.error().isEmpty(), qPrintable(next.error()));
    QSignalSpy received(&next, &FrameInstance::argumentsReceived);
    QCOMPARE(claimInThread(folder.path(), {"/etc/hostname"}), FrameInstance::Role::HandedOver);
    QTRY_COMPARE(received.size(), 1);
}

void PlatformTests::strangersOnTheSocketAreRefused() {
    QTemporaryDir folder;
    FrameInstance first(folder.path());
    QCOMPARE(first.claim({}), FrameInstance::Role::Primary);
    QSignalSpy received(&first, &FrameInstance::argumentsReceived);
    for (const QByteArray& junk : {QByteArray("{\"arguments\": 7}\n"), QByteArray("not json\n"),
                                   QByteArray(2 * 1024 * 1024, 'x')}) {
        QLocalSocket socket;
        socket.connectToServer(first.socketPath());
        QVERIFY(socket.waitForConnected(3000));
        socket.write(junk);
        QTRY_COMPARE(socket.state(), QLocalSocket::UnconnectedState);
    }
    QCOMPARE(received.size(), 0);
    QCOMPARE(claimInThread(folder.path(), {"x"}), FrameInstance::Role::HandedOver);
    QTRY_COMPARE(received.size(), 1);
}

CORVANTA_TEST_MAIN(PlatformTests)
#include "tst_platform.moc"
