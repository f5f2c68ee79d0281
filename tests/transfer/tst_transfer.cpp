#include <linux/capability.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>
#include <zlib.h>

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include "ActiveFtpServer.h"
#include "AppError.h"
#include "FaultHttpServer.h"
#include "FtpServerFixture.h"
#include "LocalFileName.h"
#include "LoopbackHttpServer.h"
#include "NginxFixture.h"
#include "RawFileName.h"
#include "ServerText.h"
#include "TclMultiDownLoader.h"
#include "TclMultiUploader.h"
#include "TestEnvironment.h"
#include "TransferUrl.h"

namespace {

QByteArray randomBytes(qint64 size, quint32 seed) {
    QByteArray data(size, Qt::Uninitialized);
    QRandomGenerator generator(seed);
    const qint64 words = size / 4;
    generator.fillRange(reinterpret_cast<quint32*>(data.data()), words);
    for (qint64 i = words * 4; i < size; ++i)
        data[i] = char(generator.generate());
    return data;
}

QByteArray sha256(const QByteArray& data) {
    return QCryptographicHash::hash(data, QCryptographicHash::Sha256).toHex();
}

QByteArray fileSha256(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return "missing";
    QCryptographicHash hash(QCryptographicHash::Sha256);
    hash.addData(&file);
    return hash.result().toHex();
}

QByteArray gzipped(const QByteArray& data) {
    z_stream stream{};
    deflateInit2(&stream, 9, Z_DEFLATED, 16 + MAX_WBITS, 9, Z_DEFAULT_STRATEGY);
    QByteArray out(int(deflateBound(&stream, uLong(data.size()))), Qt::Uninitialized);
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.constData()));
    stream.avail_in = uInt(data.size());
    stream.next_out = reinterpret_cast<Bytef*>(out.data());
    stream.avail_out = uInt(out.size());
    deflate(&stream, Z_FINISH);
    out.resize(qsizetype(stream.total_out));
    deflateEnd(&stream);
    return out;
}

// Records what a downloader reports and checks that it reports on the
// owner's thread.
struct EventLog {
    explicit EventLog(TclMultiTransfer* engine) {
        QObject::connect(engine, &TclMultiTransfer::statusChanged, engine,
                         [this](TclTransferItem*, TransferStatus s) {
                             check();
                             statuses << s;
                         });
        QObject::connect(engine, &TclMultiTransfer::dataProceeded, engine,
                         [this](TclTransferItem*, int, qint64 size, QByteArrayView block, qint64) {
                             check();
                             blocks << size;
                             if (block.size() != size)
                                 wrongThread = true;
                         });
        QObject::connect(engine, &TclMultiTransfer::errorOccurred, engine,
                         [this](TclTransferItem* item, const QString& m, int code) {
                             check();
                             errors << m;
                             codes << code;
                             codeOf[item] = code;
                         });
        QObject::connect(engine, &TclMultiTransfer::processCompleted, engine,
                         [this](TclTransferItem*) {
                             check();
                             ++completed;
                         });
        QObject::connect(engine, &TclMultiTransfer::resourceInfoObtained, engine,
                         [this](TclTransferItem*, const TransferResourceInfo& info) {
                             check();
                             infos << info;
                         });
        if (auto* downloader = qobject_cast<TclMultiDownLoader*>(engine)) {
            QObject::connect(downloader, &TclMultiTransfer::previewTextObtained, engine,
                             [this](TclTransferItem*, const QStringList& lines) {
                                 check();
                                 previews << lines;
                             });
        }
        QObject::connect(engine, &TclMultiTransfer::busyStateChanged, engine, [this](bool busy) {
            check();
            busyChanges << busy;
        });
    }
    void check() {
        if (QThread::currentThread() != qApp->thread())
            wrongThread = true;
    }
    qint64 bytes() const {
        qint64 sum = 0;
        for (qint64 b : blocks)
            sum += b;
        return sum;
    }
    QList<TransferStatus> statuses;
    QList<qint64> blocks;
    QStringList errors;
    QList<int> codes;
    QHash<const TclTransferItem*, int> codeOf;  // the last code per item
    QList<TransferResourceInfo> infos;
    QList<QStringList> previews;
    QList<bool> busyChanges;
    int completed = 0;
    bool wrongThread = false;
};

bool waitIdle(TclMultiTransfer& engine, int ms = 30000) {
    QDeadlineTimer deadline(ms);
    while (engine.isBusy() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    // Let the finished controller threads be reaped.
    QCoreApplication::processEvents();
    return !engine.isBusy();
}

// Fast retries for the fault cases.
void quickRetries(TransferSettings& settings, int tries = 4) {
    settings.tryCount = tries;
    settings.reconnectAfter = 50;
    settings.timeOut = 1500;
}

QByteArray fileContents(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("missing");
}

// What the file system holds for the file, holes left out.
qint64 allocatedBytes(const QString& path) {
    struct stat info {};
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? qint64(info.st_blocks) * 512
                                                                   : -1;
}

ino_t inodeOf(const QString& path) {
    struct stat info {};
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? info.st_ino : 0;
}

}  // namespace

class TransferTests : public QObject {
    Q_OBJECT
private slots:
    void sameNameDownloadsKeepApart();
    void initTestCase();
    void init();

    void splitRule_data();
    void splitRule();
    void fileNames_data();
    void fileNames();
    void contentRanges();
    void urlsFromPaths_data();
    void urlsFromPaths();
    void displayNames_data();
    void displayNames();

    void nginxDownload_data();
    void nginxDownload();
    void gzipDownload();
    void gzipBombFails();
    void gzipUndoesOneLayer();
    void serverWithoutSize();
    void withoutResourceInfo();
    void requestsPerFile_data();
    void requestsPerFile();
    void unsafeOfferedNameStaysInFolder();
    void credentialsStayWithTheirHost();

    void faults_data();
    void faults();
    void tryCountZeroTriesOnce();
    void clientErrorsEndAtOnce_data();
    void clientErrorsEndAtOnce();
    void refusedAddresses_data();
    void refusedAddresses();
    void localFileCannotBeCreated();

    void everyEndReportsAPreview_data();
    void everyEndReportsAPreview();
    void compressedRetryEmptiesItsFile();
    void localFolderChangeSparesRunningItems();
    void claimedNameIsGivenBack();
    void refusedPriorityIsNoted();

    void stopAndResume();
    void resumeOfChangedResourceStartsAgain();
    void admissionOfFiveItems();
    void startWhileRunningIsRefused();
    void deleteRunningItem();
    void setLocalFolderMovesItems();
    void lowerPriorityWorkers();

    void ftpDownload_data();
    void ftpDownload();
    void ftpUpload();
    void ftpUploadEdgeCases();
    void ftpUploadStopAndRestart();

    void fileReplacedOnlyWhenComplete_data();
    void fileReplacedOnlyWhenComplete();
    void linksInsideTheDownloadFolder_data();
    void linksInsideTheDownloadFolder();
    void announcedSizeNeverFillsTheDisk_data();
    void announcedSizeNeverFillsTheDisk();
    void activeDataConnectionOnlyFromTheServer_data();
    void activeDataConnectionOnlyFromTheServer();

private:
    QTemporaryDir m_work;
    NginxFixture m_nginx;
    FaultHttpServer m_fault;
    FtpServerFixture m_ftp;
    QString folder(const QString& name) { return m_work.path() + "/" + name; }
};

void TransferTests::initTestCase() {
    QVERIFY(m_work.isValid());
    QVERIFY2(m_nginx.start(), qPrintable(m_nginx.errorText()));
    QVERIFY(m_fault.start());
    QVERIFY2(m_ftp.start(), qPrintable(m_ftp.errorText()));
}

// Every test starts with empty download folders: a file from an earlier run
// would turn the expected name into a numbered one.
void TransferTests::init() {
    QDir work(m_work.path());
    for (const QFileInfo& entry : work.entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot)) {
        if (entry.isDir() && !entry.isSymLink())
            QVERIFY(QDir(entry.filePath()).removeRecursively());
        else
            QVERIFY(QFile::remove(entry.filePath()));
    }
}

void TransferTests::splitRule_data() {
    QTest::addColumn<qint64>("size");
    QTest::addColumn<bool>("randomAccess");
    QTest::addColumn<int>("threads");
    QTest::addColumn<QList<qint64>>("lengths");
    QTest::newRow("100000 in five")
        << qint64(100000) << true << 5 << QList<qint64>{20000, 20000, 20000, 20000, 20000};
    QTest::newRow("20000 in two") << qint64(20000) << true << 5 << QList<qint64>{10000, 10000};
    QTest::newRow("rest to the last")
        << qint64(100003) << true << 5 << QList<qint64>{20000, 20000, 20000, 20000, 20003};
    QTest::newRow("below one batch") << qint64(8191) << true << 5 << QList<qint64>{8191};
    QTest::newRow("thread count caps")
        << qint64(1000000) << true << 3 << QList<qint64>{333333, 333333, 333334};
    QTest::newRow("no random access") << qint64(100000) << false << 5 << QList<qint64>{100000};
    QTest::newRow("unknown size") << qint64(-1) << true << 5 << QList<qint64>{-1};
    QTest::newRow("empty") << qint64(0) << true << 5 << QList<qint64>{0};
}

void TransferTests::splitRule() {
    QFETCH(qint64, size);
    QFETCH(bool, randomAccess);
    QFETCH(int, threads);
    QFETCH(QList<qint64>, lengths);
    const QList<TransferPart> parts = splitIntoParts(size, randomAccess, 8192, threads);
    QList<qint64> got;
    qint64 next = 0;
    for (const TransferPart& part : parts) {
        QCOMPARE(part.start, next);
        next += part.length;
        got << part.length;
    }
    QCOMPARE(got, lengths);
}

void TransferTests::fileNames_data() {
    QTest::addColumn<QString>("offered");
    QTest::addColumn<QString>("safe");
    QTest::newRow("plain") << "report.pdf"
                           << "report.pdf";
    QTest::newRow("parent folders") << "../../etc/passwd"
                                    << "passwd";
    QTest::newRow("windows path") << "C:\\x\\..\\boot.ini"
                                  << "boot.ini";
    QTest::newRow("dot dot only") << ".."
                                  << "";
    QTest::newRow("control bytes") << QString(
                                          "a\nb\r\x01"
                                          "c.txt")
                                   << "abc.txt";
    QTest::newRow("trailing slash") << "folder/"
                                    << "";
    QTest::newRow("hidden file") << "../.bashrc"
                                 << "bashrc";
    QTest::newRow("C1 controls") << QString::fromUtf8("a\u0085b\u009bc.txt") << "abc.txt";
    QTest::newRow("order overrides and isolates")
        << QString::fromUtf8("invoice\u202etxt.exe\u2066\u200f\u2069") << "invoicetxt.exe";
    QTest::newRow("half a pair alone") << QString(QChar(0xdc00)) + "x" + QChar(0xd800) << "x";
    // A pair that would end past 255 bytes goes whole.
    QTest::newRow("cut before a pair")
        << QString(252, 'a') + QString::fromUtf8("\U0001F600") << QString(252, 'a');
    QTest::newRow("cut keeps what fits") << QString(251, 'a') + QString::fromUtf8("\U0001F600b")
                                         << QString(251, 'a') + QString::fromUtf8("\U0001F600");
    // Quadratic work on a name like this would not end within the test's time.
    QTest::newRow("huge name of dots")
        << QString(2000000, '.') + QString(2000000, 'a') << QString(255, 'a');
}

void TransferTests::fileNames() {
    QFETCH(QString, offered);
    QFETCH(QString, safe);
    QCOMPARE(safeFileName(offered), safe);
}

void TransferTests::contentRanges() {
    qint64 first = 0, last = 0, total = 0;
    QVERIFY(parseContentRange("bytes 10-19/100", &first, &last, &total));
    QCOMPARE(first, 10);
    QCOMPARE(last, 19);
    QCOMPARE(total, 100);
    QVERIFY(parseContentRange("bytes 0-0/*", &first, &last, &total));
    QCOMPARE(total, -1);
    QVERIFY(!parseContentRange("bytes 20-10/100", &first, &last, &total));
    QVERIFY(!parseContentRange("bytes 0-100/100", &first, &last, &total));
    QVERIFY(!parseContentRange("items 0-1/2", &first, &last, &total));
    QVERIFY(!parseContentRange("bytes */100", &first, &last, &total));

    QCOMPARE(contentDispositionFileName("attachment; filename=\"a b.txt\""), QString("a b.txt"));
    QCOMPARE(contentDispositionFileName("attachment; filename*=UTF-8''%C3%A4.txt; filename=\"x\""),
             QString("ä.txt"));
    QCOMPARE(contentDispositionFileName("inline"), QString());
    QCOMPARE(fileNameFromUrl("http://h/dir/"), QString("index.html"));
    QCOMPARE(fileNameFromUrl("http://h/a%20b.zip?x=1"), QString("a b.zip"));
    QCOMPARE(fileNameFromUrl("http://h/%2e%2e"), QString("index.html"));
}

void TransferTests::urlsFromPaths_data() {
    QTest::addColumn<QString>("base");
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("url");
    QTest::addColumn<QString>("shown");
    QTest::newRow("ftp path starts at the server's root")
        << "ftp://127.0.0.1:2121"
        << "/pub/a b#1?.txt"
        << "ftp://127.0.0.1:2121/%2F/pub/a%20b%231%3F.txt"
        << "a b#1?.txt";
    QTest::newRow("percent and non-ASCII as UTF-8") << "ftp://host"
                                                    << "/100%/Grüße.txt"
                                                    << "ftp://host/%2F/100%25/Gr%C3%BC%C3%9Fe.txt"
                                                    << "Grüße.txt";
    QTest::newRow("ftp root folder") << "ftp://host"
                                     << "/"
                                     << "ftp://host/%2F/"
                                     << "";
    QTest::newRow("web page path") << "http://host:8080"
                                   << "/docs/a b.html"
                                   << "http://host:8080/docs/a%20b.html"
                                   << "a b.html";
    QTest::newRow("relative to a folder") << "ftp://host/%2F/pub/"
                                          << "new name.txt"
                                          << "ftp://host/%2F/pub/new%20name.txt"
                                          << "new name.txt";
    QTest::newRow("relative, folder without slash") << "http://host/dir"
                                                    << "x;type=a"
                                                    << "http://host/dir/x%3Btype=a"
                                                    << "x;type=a";
    QTest::newRow("characters kept") << "http://host"
                                     << "/a-b_c.d~e!$&'()*+,=@"
                                     << "http://host/a-b_c.d~e!$&'()*+,=@"
                                     << "a-b_c.d~e!$&'()*+,=@";
    QTest::newRow("name kept byte for byte from a server")
        << "ftp://host" << QString("/caf") + QChar(0xDCE9) + ".txt"
        << "ftp://host/%2F/caf%E9.txt" << QString("caf\uFFFD.txt");
    QTest::newRow("control bytes and backslash")
        << "http://host" << QString("/a\\b\tc") << "http://host/a%5Cb%09c"
        << "a\\b\tc";
}

void TransferTests::urlsFromPaths() {
    QFETCH(QString, base);
    QFETCH(QString, path);
    QFETCH(QString, url);
    QCOMPARE(urlWithPath(base, path), url);
    QVERIFY(isAcceptableUrl(url));
    QTEST(urlDisplayName(url), "shown");
}

void TransferTests::displayNames_data() {
    QTest::addColumn<QString>("url");
    QTest::addColumn<QString>("shown");
    QTest::newRow("folder address") << "http://host/dir/"
                                    << "";
    QTest::newRow("windows path") << "C:\\downloads\\file.txt"
                                  << "file.txt";
    QTest::newRow("not UTF-8") << "ftp://host/%2F/x/caf%E9.txt" << QString("caf\uFFFD.txt");
    QTest::newRow("encoded slash stays in the name") << "http://host/a%2Fb"
                                                     << "a/b";
}

void TransferTests::displayNames() {
    QFETCH(QString, url);
    QTEST(urlDisplayName(url), "shown");
}

void TransferTests::nginxDownload_data() {
    QTest::addColumn<qint64>("size");
    QTest::addColumn<int>("parts");
    QTest::newRow("empty") << qint64(0) << 1;
    QTest::newRow("one byte") << qint64(1) << 1;
    QTest::newRow("8191") << qint64(8191) << 1;
    QTest::newRow("20000") << qint64(20000) << 2;
    QTest::newRow("100000") << qint64(100000) << 5;
    QTest::newRow("50 MB") << qint64(50 * 1000 * 1000) << 5;
}

void TransferTests::sameNameDownloadsKeepApart() {
    // Two addresses ending alike, fetched at once into one folder that already
    // holds a file of that name: three files, none overwritten.
    const QByteArray first = randomBytes(300000, 21), second = randomBytes(200000, 22);
    QVERIFY(m_nginx.writeFile("one/same.bin", first));
    QVERIFY(m_nginx.writeFile("two/same.bin", second));
    QDir().mkpath(folder("clash"));
    QFile existing(folder("clash") + "/same.bin");
    QVERIFY(existing.open(QIODevice::WriteOnly));
    existing.write("mine");
    existing.close();

    TclMultiDownLoader engine;
    engine.settings().localFolder = folder("clash");
    TclDownLoadItem* a = engine.addItem();
    a->setUrl(m_nginx.url("/one/same.bin"));
    TclDownLoadItem* b = engine.addItem();
    b->setUrl(m_nginx.url("/two/same.bin"));
    engine.start(a);
    engine.start(b);
    QVERIFY(waitIdle(engine));
    QCOMPARE(a->status(), TransferStatus::Done);
    QCOMPARE(b->status(), TransferStatus::Done);
    QVERIFY(a->localFile() != b->localFile());
    QCOMPARE(fileSha256(a->localFile()), sha256(first));
    QCOMPARE(fileSha256(b->localFile()), sha256(second));
    QCOMPARE(fileSha256(folder("clash") + "/same.bin"), sha256("mine"));
    QVERIFY(a->localFile().endsWith(" (1).bin") || a->localFile().endsWith(" (2).bin"));
}

void TransferTests::nginxDownload() {
    QFETCH(qint64, size);
    QFETCH(int, parts);
    const QByteArray data = randomBytes(size, quint32(size) + 1);
    const QString name = QStringLiteral("sized/%1.bin").arg(size);
    QVERIFY(m_nginx.writeFile(name, data));
    QFile served(m_nginx.root() + "/" + name);
    QVERIFY(served.open(QIODevice::ReadWrite));
    QVERIFY(served.setFileTime(QDateTime(QDate(2021, 5, 6), QTime(7, 8, 9), Qt::UTC),
                               QFileDevice::FileModificationTime));
    served.close();

    TclMultiDownLoader engine;
    engine.settings().localFolder = folder("nginx");
    EventLog log(&engine);
    TclDownLoadItem* item = engine.addItem();
    item->setUrl(m_nginx.url("/" + name));
    engine.start(item);
    QVERIFY(engine.isBusy());
    QVERIFY(waitIdle(engine));

    QCOMPARE(item->status(), TransferStatus::Done);
    QCOMPARE(item->localFile(), folder("nginx") + "/" + QString::number(size) + ".bin");
    QCOMPARE(fileSha256(item->localFile()), sha256(data));
    QCOMPARE(item->parts().size(), parts);
    QCOMPARE(item->bytesDone(), size);
    QCOMPARE(item->resourceSize(), size);
    // The file carries the resource's date.
    QCOMPARE(QFileInfo(item->localFile()).lastModified().toSecsSinceEpoch(),
             QFileInfo(m_nginx.root() + "/" + name).lastModified().toSecsSinceEpoch());
    QCOMPARE(log.bytes(), size);
    QCOMPARE(log.infos.size(), 1);
    QCOMPARE(log.infos.first().size, size);
    QCOMPARE(log.infos.first().name, QString::number(size) + ".bin");
    QCOMPARE(log.infos.first().statusCode, size == 0 ? 200 : 206);
    QCOMPARE(log.completed, 1);
    QCOMPARE(log.busyChanges, (QList<bool>{true, false}));
    QCOMPARE(log.statuses.last(), TransferStatus::Done);
    QVERIFY(log.errors.isEmpty());
    QVERIFY(!log.wrongThread);
    for (qint64 block : log.blocks)
        QVERIFY(block <= 8192);
}

void TransferTests::gzipDownload() {
    NginxFixture server;
    NginxFixture::Options options;
    options.gzip = true;
    QVERIFY2(server.start(options), qPrintable(server.errorText()));
    QByteArray text;
    for (int i = 0; i < 20000; ++i)
        text += "line " + QByteArray::number(i) + " of a compressible text\n";
    QVERIFY(server.writeFile("page.txt", text));

    TclMultiDownLoader engine;
    engine.settings().localFolder = folder("gzip");
    TclDownLoadItem* item = engine.addItem();
    item->setUrl(server.url("/page.txt"));
    engine.start(item);
    QVERIFY(waitIdle(engine));
    QCOMPARE(item->status(), TransferStatus::Done);
    QVERIFY(item->resourceInfo()->compressed);
    QCOMPARE(item->parts().size(), 1);
    QCOMPARE(fileSha256(item->localFile()), sha256(text));
    QVERIFY(!QFile::exists(item->localFile() + "~"));
    // The preview is the stream as written: the gzip magic, its control byte replaced.
    QVERIFY(item->previewText().first().startsWith(QString(QChar(0x80)) + QChar(0x8b)));

    // Compression not allowed: the identity body in parallel parts.
    TclDownLoadItem* plain = engine.addItem();
    plain->setUrl(server.url("/page.txt"));
    plain->setLocalFile(folder("gzip") + "/plain.txt");
    plain->setAllowCompression(false);
    engine.start(plain);
    QVERIFY(waitIdle(engine));
    QCOMPARE(plain->status(), TransferStatus::Done);
    QCOMPARE(plain->parts().size(), 5);
    QCOMPARE(fileSha256(plain->localFile()), sha256(text));
}

void TransferTests::gzipBombFails() {
    FaultHttpServer server;
    QVERIFY(server.start());
    FaultHttpServer::Behaviour behaviour;
    behaviour.body = gzipped(QByteArray(64 * 1024 * 1024, '\0'));
    behaviour.contentEncoding = "gzip";
    server.setBehaviour(behaviour);

    TclMultiDownLoader engine;
    EventLog log(&engine);
    TclDownLoadItem* item = engine.addItem();
    item->setUrl(server.url("/bomb"));
    item->setLocalFile(folder("bomb") + "/bomb.bin");
    engine.start(item);
    QVERIFY(waitIdle(engine));
    QCOMPARE(item->status(), TransferStatus::Failed);
    QCOMPARE(log.errors.size(), 1);
    QVERIFY2(log.errors.first().contains("limit"), qPrintable(log.errors.first()));
    QVERIFY(!QFile::exists(item->localFile()));
}

void TransferTests::gzipUndoesOneLayer() {
    FaultHttpServer server;
    QVERIFY(server.start());
    const QByteArray archive = gzipped(QByteArray(100000, 'a'));  // a .gz file as the resource
    FaultHttpServer::Behaviour behaviour;
    behaviour.body = gzipped(archive);
    behaviour.contentEncoding = "gzip";
    server.setBehaviour(behaviour);

    TclMultiDownLoader engine;
    TclDownLoadItem* item = engine.addItem();
    item->setUrl(server.url("/data.gz"));
    item->setLocalFile(folder("layers") + "/data.gz");
    engine.start(item);
    QVERIFY(waitIdle(engine));
    QCOMPARE(item->status(), TransferStatus::Done);
    QCOMPARE(fileSha256(item->localFile()), sha256(archive));
    // One request, for the whole gzip stream.
    const auto requests = server.requests();
    QCOMPARE(requests.size(), 1);
    QCOMPARE(requests.last().acceptEncoding, QByteArray("gzip"));
    QVERIFY(requests.last().range.isEmpty() || requests.last().range == "bytes=0-");
}

void TransferTests::serverWithoutSize() {
    FaultHttpServer::Behaviour behaviour;
    behaviour.body = randomBytes(70000, 7);
    behaviour.noLength = true;
    behaviour.ignoreRange = true;
    m_fault.setBehaviour(behaviour);
    m_fault.clearRequests();

    TclMultiDownLoader engine;
    TclDownLoadItem* item = engine.addItem();
    item->setUrl(m_fault.url());
    item->setLocalFile(folder("nosize") + "/file.bin");
    engine.start(item);
    QVERIFY(waitIdle(engine));
    QCOMPARE(item->status(), TransferStatus::Done);
    QCOMPARE(item->parts().size(), 1);
    QCOMPARE(fileSha256(item->localFile()), sha256(behaviour.body));
    const auto requests = m_fault.requests();
    QCOMPARE(requests.last().method, QByteArray("GET"));
    QCOMPARE(requests.last().range, QByteArray("bytes=0-"));
}

void TransferTests::withoutResourceInfo() {
    FaultHttpServer::Behaviour behaviour;
    behaviour.body = randomBytes(100000, 8);
    m_fault.setBehaviour(behaviour);
    m_fault.clearRequests();

    TclMultiDownLoader engine;
    engine.settings().doNotGetResourceInfo = true;
    engine.settings().localFolder = folder("noinfo");
    EventLog log(&engine);
    TclDownLoadItem* item = engine.addItem();
    item->setUrl(m_fault.url("/dir/data.bin"));
    engine.start(item);
    QVERIFY(waitIdle(engine));
    QCOMPARE(item->status(), TransferStatus::Done);
    QCOMPARE(item->localFile(), folder("noinfo") + "/data.bin");
    QCOMPARE(fileSha256(item->localFile()), sha256(behaviour.body));
    QCOMPARE(item->parts().size(), 1);
    const auto requests = m_fault.requests();
    QCOMPARE(requests.size(), 1);
    QCOMPARE(requests.first().method, QByteArray("GET"));
    // The answer of the one GET is reported as the resource information.
    QCOMPARE(log.infos.size(), 1);
    QCOMPARE(log.infos.first().size, 100000);
}

void TransferTests::requestsPerFile_data() {
    QTest::addColumn<int>("size");
    QTest::addColumn<int>(
        "mode");  // 0 plain, 1 ignores ranges, 2 gzip, 3 without the resource information
    QTest::addColumn<QList<QByteArray>>("ranges");  // of the requests, sorted
    QTest::newRow("small file") << 5000 << 0 << QList<QByteArray>{"bytes=0-"};
    QTest::newRow("empty file") << 0 << 0 << QList<QByteArray>{"bytes=0-"};
    QTest::newRow("split in five")
        << 100000 << 0
        << QList<QByteArray>{"bytes=0-", "bytes=20000-39999", "bytes=40000-59999",
                             "bytes=60000-79999", "bytes=80000-99999"};
    QTest::newRow("server ignores ranges") << 100000 << 1 << QList<QByteArray>{"bytes=0-"};
    QTest::newRow("compressed") << 100000 << 2 << QList<QByteArray>{"bytes=0-"};
    QTest::newRow("without the resource information")
        << 100000 << 3 << QList<QByteArray>{"bytes=0-"};
}

void TransferTests::requestsPerFile() {
    // The first answer tells what the resource is and brings its first part.
    QFETCH(int, size);
    QFETCH(int, mode);
    QFETCH(QList<QByteArray>, ranges);
    FaultHttpServer server;
    QVERIFY(server.start());
    const QByteArray data = randomBytes(size, 13);
    FaultHttpServer::Behaviour behaviour;
    behaviour.body = data;
    behaviour.ignoreRange = mode == 1;
    if (mode == 2) {
        behaviour.body = gzipped(data);
        behaviour.contentEncoding = "gzip";
    }
    server.setBehaviour(behaviour);

    TclMultiDownLoader engine;
    engine.settings().doNotGetResourceInfo = mode == 3;
    EventLog log(&engine);
    bool dataBeforeInfo = false;
    connect(&engine, &TclMultiTransfer::dataProceeded, this,
            [&] { dataBeforeInfo = dataBeforeInfo || log.infos.isEmpty(); });
    TclDownLoadItem* item = engine.addItem();
    item->setUrl(server.url());
    item->setLocalFile(folder("requests") + QStringLiteral("/%1-%2.bin").arg(size).arg(mode));
    engine.start(item);
    QVERIFY(waitIdle(engine));
    QVERIFY2(item->status() == TransferStatus::Done, qPrintable(item->errors().join('\n')));
    QCOMPARE(fileSha256(item->localFile()), sha256(data));
    QCOMPARE(item->parts().size(), ranges.size());
    QCOMPARE(log.infos.size(), 1);
    QCOMPARE(log.infos.first().size, mode == 2 ? 0 : size);  // a gzip stream's is unknown
    QCOMPARE(log.infos.first().statusCode, mode == 1 || mode == 2 || size == 0 ? 200 : 206);
    QVERIFY(!dataBeforeInfo);
    const auto requests = server.requests();
    QList<QByteArray> asked;
    for (const auto& request : requests) {
        QCOMPARE(request.method, QByteArray("GET"));
        asked << request.range;
        // The parts after the first prove the resource they continue.
        if (&request != &requests.first()) {
            QCOMPARE(request.ifRange, behaviour.etag);
            QCOMPARE(request.acceptEncoding, QByteArray("identity"));
        }
    }
    QCOMPARE(requests.first().acceptEncoding, QByteArray(mode == 3 ? "identity" : "gzip"));
    std::sort(asked.begin(), asked.end());
    QCOMPARE(asked, ranges);
}

void TransferTests::unsafeOfferedNameStaysInFolder() {
    FaultHttpServer::Behaviour behaviour;
    behaviour.body = "payload";
    behaviour.contentDisposition = "attachment; filename=\"../../outside.txt\"";
    m_fault.setBehaviour(behaviour);

    TclMultiDownLoader engine;
    engine.settings().localFolder = folder("offered/inner");
    TclDownLoadItem* item = engine.addItem();
    item->setUrl(m_fault.url("/get?id=3"));
    engine.start(item);
    QVERIFY(waitIdle(engine));
    QCOMPARE(item->status(), TransferStatus::Done);
    QCOMPARE(item->localFile(), folder("offered/inner") + "/outside.txt");
    QCOMPARE(item->resourceInfo()->name, QString("outside.txt"));
    QVERIFY(!QFile::exists(folder("outside.txt")));
}

void TransferTests::credentialsStayWithTheirHost() {
    LoopbackHttpServer other;
    // Another host: a second loopback address.
    QVERIFY(other.start(
        LoopbackHttpServer::serveMap({{"/moved", "moved body"}}, "application/octet-stream"),
        QHostAddress("127.0.0.2")));
    const QByteArray elsewhere = other.url("/moved").toUtf8();
    const QByteArray expected = "Basic " + QByteArray("user:pw").toBase64();
    LoopbackHttpServer server;
    QVERIFY(server.start([&](const LoopbackHttpServer::Request& request) {
        LoopbackHttpServer::Response response;
        if (request.headers.value("authorization") != expected) {
            response.status = 401;
            response.reason = "Unauthorized";
            response.headers << qMakePair(QByteArray("WWW-Authenticate"),
                                          QByteArray("Basic realm=\"files\""));
            response.body = "denied";
        } else if (request.target == "/secret") {
            response.body = "secret body";
        } else {
            response.status = 302;
            response.reason = "Found";
            response.headers << qMakePair(QByteArray("Location"), elsewhere);
        }
        return response;
    }));

    TclMultiDownLoader engine;
    engine.settings().localFolder = folder("auth");
    QList<TclDownLoadItem*> items;
    for (const char* path : {"/secret", "/elsewhere"}) {
        TclDownLoadItem* item = engine.addItem();
        item->setUrl(server.url(path));
        item->setUserName("user");
        item->setPassword("pw");
        items << item;
    }
    engine.startAll();
    QVERIFY(waitIdle(engine));
    QCOMPARE(items[0]->status(), TransferStatus::Done);
    QCOMPARE(fileSha256(items[0]->localFile()), sha256("secret body"));
    QCOMPARE(items[1]->status(), TransferStatus::Done);
    QCOMPARE(fileSha256(items[1]->localFile()), sha256("moved body"));
    QVERIFY(!other.requests().isEmpty());
    for (const auto& request : other.requests())
        QVERIFY(!request.headers.contains("authorization"));
}

void TransferTests::faults_data() {
    QTest::addColumn<int>("mode");
    QTest::addColumn<bool>("succeeds");
    QTest::addColumn<QString>("errorPart");
    QTest::addColumn<int>("errorCode");
    // 0 drop twice, 1 ignore ranges, 2 stall once, 3 500 once, 4 500 always,
    // 5 announces more than it sends, 6 drops every time before the body,
    // 7 drops every connection after 192 KiB of 16 MiB (as a link that breaks
    // every 3 MiB of 256 MiB), 8 ignores ranges and drops every time at 5000
    QTest::newRow("drops the connection twice") << 0 << true << "" << 0;
    QTest::newRow("ignores ranges") << 1 << true << "" << 0;
    QTest::newRow("stalls past the time-out once") << 2 << true << "" << 0;
    QTest::newRow("answers 500 once") << 3 << true << "" << 0;
    QTest::newRow("answers 500 always") << 4 << false << "500" << 500;
    QTest::newRow("announces more than it sends")
        << 5 << false << "" << int(TransferError::Network);
    QTest::newRow("drops every time before the body")
        << 6 << false << "" << int(TransferError::Network);
    QTest::newRow("drops every connection, each try gets further") << 7 << true << "" << 0;
    QTest::newRow("ignores ranges and drops every time at the same byte")
        << 8 << false << "" << int(TransferError::Network);
}

void TransferTests::faults() {
    QFETCH(int, mode);
    QFETCH(bool, succeeds);
    QFETCH(QString, errorPart);
    QFETCH(int, errorCode);
    FaultHttpServer server;
    QVERIFY(server.start());
    FaultHttpServer::Behaviour behaviour;
    behaviour.body = randomBytes(100000, 11);
    switch (mode) {
        case 0:
            behaviour.dropAfterBytes = 5000, behaviour.dropTimes = 2;
            break;
        case 1:
            behaviour.ignoreRange = true;
            break;
        case 2:
            // Idle transfers are checked about once a second: 4 s is well past the
            // 1.5 s time-out at any phase of those checks.
            behaviour.stallAfterBytes = 3000, behaviour.stallMs = 4000, behaviour.stallTimes = 1;
            break;
        case 3:
            behaviour.failStatus = 500, behaviour.failTimes = 1;
            break;
        case 4:
            behaviour.failStatus = 500, behaviour.failTimes = -1;
            behaviour.failReason = "Server \x1b]0;owned\x07Error\x9b";  // a terminal escape
            break;
        case 5:
            behaviour.announcedLength = 150000, behaviour.ignoreRange = true;
            break;
        case 6:
            behaviour.dropAfterBytes = 0, behaviour.dropTimes = 1000;
            break;
        case 7:
            behaviour.body = randomBytes(16 * 1024 * 1024, 12);
            behaviour.dropAfterBytes = 192 * 1024, behaviour.dropTimes = 1000;
            break;
        case 8:
            behaviour.ignoreRange = true;
            behaviour.dropAfterBytes = 5000, behaviour.dropTimes = 1000;
            break;
    }
    server.setBehaviour(behaviour);

    TclMultiDownLoader engine;
    quickRetries(engine.settings(), 3);
    EventLog log(&engine);
    TclDownLoadItem* item = engine.addItem();
    item->setUrl(server.url());
    item->setLocalFile(folder("faults") + QStringLiteral("/%1.bin").arg(mode));
    engine.start(item);
    QVERIFY(waitIdle(engine));
    QVERIFY(!log.wrongThread);
    if (succeeds) {
        QCOMPARE(item->status(), TransferStatus::Done);
        QCOMPARE(fileSha256(item->localFile()), sha256(behaviour.body));
    } else {
        QCOMPARE(item->status(), TransferStatus::Failed);
        QVERIFY(!log.errors.isEmpty());
        QCOMPARE(item->errors(), log.errors);
        if (!errorPart.isEmpty())
            QVERIFY2(log.errors.first().contains(errorPart), qPrintable(log.errors.first()));
        for (QChar c : log.errors.first())
            QVERIFY2(c.unicode() >= 32 && (c.unicode() < 0x7f || c.unicode() > 0x9f),
                     qPrintable(log.errors.first()));
        QCOMPARE(log.codes.first(), errorCode);
    }
    QCOMPARE(log.completed, 1);
    if (mode == 2) {
        // The time-out fired: the part that stalled was asked for again from
        // where it stalled, 3000 bytes into it (a server that resumes on its
        // own would need no such request). Any part may be the one.
        QStringList ranges;
        QSet<qint64> starts;
        for (const auto& request : server.requests()) {
            ranges << QString::fromLatin1(request.range);
            const QRegularExpressionMatch start =
                QRegularExpression("^bytes=(\\d+)-").match(ranges.last());
            if (start.hasMatch())
                starts << start.captured(1).toLongLong();
        }
        const bool retried = std::any_of(starts.begin(), starts.end(),
                                         [&](qint64 from) { return starts.contains(from - 3000); });
        QVERIFY2(retried, qPrintable(ranges.join(", ")));
    }
}

void TransferTests::tryCountZeroTriesOnce() {
    FaultHttpServer server;
    QVERIFY(server.start());
    FaultHttpServer::Behaviour behaviour;
    behaviour.failStatus = 503;
    behaviour.failTimes = -1;
    server.setBehaviour(behaviour);

    TclMultiDownLoader engine;
    engine.settings().tryCount = 0;
    engine.settings().reconnectAfter = 10;
    engine.settings().doNotGetResourceInfo = true;
    TclDownLoadItem* item = engine.addItem();
    item->setUrl(server.url());
    item->setLocalFile(folder("once") + "/x.bin");
    engine.start(item);
    QVERIFY(waitIdle(engine));
    QCOMPARE(item->status(), TransferStatus::Failed);
    QCOMPARE(server.requests().size(), 1);
}

void TransferTests::clientErrorsEndAtOnce_data() {
    QTest::addColumn<int>("status");
    QTest::addColumn<bool>("resourceInfo");
    QTest::addColumn<int>("requests");
    QTest::newRow("404") << 404 << true << 1;
    QTest::newRow("404 without the resource information") << 404 << false << 1;
    QTest::newRow("403") << 403 << true << 1;
    QTest::newRow("410") << 410 << false << 1;
    QTest::newRow("408 is tried again") << 408 << true << 3;
    QTest::newRow("429 is tried again") << 429 << false << 3;
    QTest::newRow("503 is tried again") << 503 << true << 3;
}

void TransferTests::clientErrorsEndAtOnce() {
    QFETCH(int, status);
    QFETCH(bool, resourceInfo);
    QFETCH(int, requests);
    FaultHttpServer server;
    QVERIFY(server.start());
    FaultHttpServer::Behaviour behaviour;
    behaviour.failStatus = status;
    behaviour.failReason = "Refused";
    behaviour.failTimes = -1;
    server.setBehaviour(behaviour);

    TclMultiDownLoader engine;
    quickRetries(engine.settings(), 3);
    engine.settings().doNotGetResourceInfo = !resourceInfo;
    EventLog log(&engine);
    TclDownLoadItem* item = engine.addItem();
    item->setUrl(server.url());
    item->setLocalFile(folder("refusals") + QStringLiteral("/%1.bin").arg(status));
    engine.start(item);
    QVERIFY(waitIdle(engine));
    QCOMPARE(item->status(), TransferStatus::Failed);
    QCOMPARE(log.codes, QList<int>{status});
    QCOMPARE(item->errors(),
             QStringList{QStringLiteral("The server answered %1 Refused").arg(status)});
    QCOMPARE(server.requests().size(), requests);
}

void TransferTests::refusedAddresses_data() {
    QTest::addColumn<QString>("url");
    QTest::newRow("line break") << m_fault.url("/a\r\nX-Injected: 1");
    QTest::newRow("control byte") << m_fault.url("/a\x01");
    QTest::newRow("other scheme") << "file:///etc/passwd";
    QTest::newRow("empty") << "";
}

void TransferTests::refusedAddresses() {
    QFETCH(QString, url);
    m_fault.clearRequests();
    TclMultiDownLoader engine;
    EventLog log(&engine);
    TclDownLoadItem* item = engine.addItem();
    item->setUrl(url);
    item->setLocalFile(folder("refused") + "/x");
    engine.start(item);
    QVERIFY(waitIdle(engine));
    QCOMPARE(item->status(), TransferStatus::Failed);
    QCOMPARE(log.codes, QList<int>{int(TransferError::Address)});
    QVERIFY(m_fault.requests().isEmpty());
}

void TransferTests::localFileCannotBeCreated() {
    QVERIFY(m_nginx.writeFile("small.bin", "0123456789"));
    QFile blocker(folder("blocker"));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();

    TclMultiDownLoader engine;
    EventLog log(&engine);
    TclDownLoadItem* item = engine.addItem();
    item->setUrl(m_nginx.url("/small.bin"));
    item->setLocalFile(folder("blocker") +
                       "/inside/small.bin");  // a file stands where a folder must
    engine.start(item);
    TclDownLoadItem* full = engine.addItem();
    full->setUrl(m_nginx.url("/small.bin"));
    full->setLocalFile("/dev/full");  // every write fails as on a full disk
    engine.start(full);
    QVERIFY(waitIdle(engine));
    QCOMPARE(item->status(), TransferStatus::Failed);
    QCOMPARE(full->status(), TransferStatus::Failed);
    QCOMPARE(log.codes, QList<int>(2, int(TransferError::LocalFile)));
}

void TransferTests::everyEndReportsAPreview_data() {
    QTest::addColumn<int>("end");
    QTest::newRow("done") << 0;
    QTest::newRow("the resource phase fails") << 1;
    QTest::newRow("the owner's filter refuses") << 2;
    QTest::newRow("the local file cannot be made") << 3;
}

void TransferTests::everyEndReportsAPreview() {
    QFETCH(int, end);
    FaultHttpServer server;
    QVERIFY(server.start());
    FaultHttpServer::Behaviour behaviour;
    behaviour.body = "first line\x01\r\nsecond";
    if (end == 1)
        behaviour.failStatus = 404, behaviour.failTimes = -1;
    server.setBehaviour(behaviour);
    QFile blocker(folder("preview-blocker"));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();

    TclMultiDownLoader engine;
    quickRetries(engine.settings(), 1);
    if (end == 2)
        engine.setFilter([](TclDownLoadItem*) { return false; });
    EventLog log(&engine);
    TclDownLoadItem* item = engine.addItem();
    item->setUrl(server.url());
    item->setLocalFile(end == 3 ? folder("preview-blocker") + "/inside/x"
                                : folder("preview") + QStringLiteral("/%1.txt").arg(end));
    engine.start(item);
    QVERIFY(waitIdle(engine));
    QCOMPARE(log.completed, 1);
    QCOMPARE(log.previews.size(), 1);
    if (end == 0) {
        QCOMPARE(log.previews.first(),
                 QStringList({"first line" + QString(QChar(0x80)), "second"}));
    } else {
        QCOMPARE(log.previews.first(), QStringList());
        QCOMPARE(item->previewText(), QStringList());
    }
}

void TransferTests::compressedRetryEmptiesItsFile() {
    // The first try of a gzip stream breaks off; the second gets a shorter
    // stream (the resource changed meanwhile), which must not keep the tail
    // of the first in the "~" file.
    FaultHttpServer server;
    QVERIFY(server.start());
    FaultHttpServer::Behaviour behaviour;
    behaviour.body = gzipped(randomBytes(300000, 51));
    behaviour.contentEncoding = "gzip";
    behaviour.dropAfterBytes = 100000;
    behaviour.dropTimes = 2;  // the resource phase's GET and the first try
    server.setBehaviour(behaviour);
    FaultHttpServer::Behaviour later = behaviour;
    later.body = gzipped("the resource as it is now\n");
    later.dropTimes = 0;

    TclMultiDownLoader engine;
    quickRetries(engine.settings(), 3);
    TclDownLoadItem* item = engine.addItem();
    item->setUrl(server.url("/page.txt"));
    item->setLocalFile(folder("gzip-retry") + "/page.txt");
    bool changed = false;
    connect(&engine, &TclMultiTransfer::dataProceeded, this, [&] {
        if (!std::exchange(changed, true))
            server.setBehaviour(later);
    });
    engine.start(item);
    QVERIFY(waitIdle(engine));
    QVERIFY2(item->status() == TransferStatus::Done, qPrintable(item->errors().join('\n')));
    QCOMPARE(fileSha256(item->localFile()), sha256("the resource as it is now\n"));
    QVERIFY(!QFile::exists(item->localFile() + "~"));
}

void TransferTests::localFolderChangeSparesRunningItems() {
    FaultHttpServer server;
    QVERIFY(server.start());
    const QByteArray plain = randomBytes(200000, 52);
    FaultHttpServer::Behaviour behaviour;
    behaviour.body = gzipped(plain);
    behaviour.contentEncoding = "gzip";
    behaviour.chunkDelayMs = 10;
    server.setBehaviour(behaviour);

    TclMultiDownLoader engine;
    engine.settings().localFolder = folder("before");
    TclDownLoadItem* running = engine.addItem();
    running->setUrl(server.url("/data.bin"));
    TclDownLoadItem* idle = engine.addItem();
    idle->setUrl(server.url("/other.bin"));
    bool moved = false;
    connect(&engine, &TclMultiTransfer::dataProceeded, this, [&] {
        if (!std::exchange(moved, true))
            engine.setLocalFolder(folder("after"));
    });
    engine.start(running);
    QVERIFY(waitIdle(engine));
    QVERIFY(moved);
    // The running item was unpacked and dated in the file it started with.
    QVERIFY2(running->status() == TransferStatus::Done, qPrintable(running->errors().join('\n')));
    QCOMPARE(running->localFile(), folder("before") + "/data.bin");
    QCOMPARE(fileSha256(running->localFile()), sha256(plain));
    QCOMPARE(QFileInfo(running->localFile()).lastModified(),
             QDateTime(QDate(2020, 3, 3), QTime(10, 20, 30), Qt::UTC));
    QVERIFY(!QFileInfo::exists(folder("after")));
    QCOMPARE(idle->localFile(), folder("after") + "/other.bin");
}

void TransferTests::claimedNameIsGivenBack() {
    QVERIFY(m_nginx.writeFile("again.bin", randomBytes(30000, 53)));
    TclMultiDownLoader engine;
    engine.settings().localFolder = folder("again");
    TclDownLoadItem* first = engine.addItem();
    first->setUrl(m_nginx.url("/again.bin"));
    engine.start(first);
    QVERIFY(waitIdle(engine));
    QCOMPARE(first->localFile(), folder("again") + "/again.bin");
    // The file is gone: the same address gets the same name again.
    QVERIFY(QFile::remove(first->localFile()));
    engine.deleteItem(first);
    TclDownLoadItem* second = engine.addItem();
    second->setUrl(m_nginx.url("/again.bin"));
    engine.start(second);
    QVERIFY(waitIdle(engine));
    QCOMPARE(second->status(), TransferStatus::Done);
    QCOMPARE(second->localFile(), folder("again") + "/again.bin");
}

void TransferTests::refusedPriorityIsNoted() {
    // Without the right to raise priorities (dropped for this thread, and so
    // for the threads it starts), a "Higher" item says so once and goes on.
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct saved[2] = {};
    QVERIFY(syscall(SYS_capget, &header, saved) == 0);
    __user_cap_data_struct reduced[2] = {saved[0], saved[1]};
    reduced[0].effective &= ~(1u << CAP_SYS_NICE);
    if (syscall(SYS_capset, &header, reduced) != 0)
        QSKIP("this process may not change its capabilities");
    const auto restore = qScopeGuard([&] { syscall(SYS_capset, &header, saved); });
    QVERIFY(m_nginx.writeFile("high.bin", randomBytes(100000, 54)));
    TclMultiDownLoader engine;
    EventLog log(&engine);
    TclDownLoadItem* item = engine.addItem();
    item->setUrl(m_nginx.url("/high.bin"));
    item->setLocalFile(folder("high") + "/high.bin");
    item->setPriority(TransferPriority::Higher);
    engine.start(item);
    QVERIFY(waitIdle(engine));
    QCOMPARE(item->status(), TransferStatus::Done);
    QCOMPARE(item->parts().size(), 5);
    QCOMPARE(item->errors().size(), 1);  // once, not once per worker
    QVERIFY2(item->errors().first().contains("\"Higher\""), qPrintable(item->errors().first()));
    QVERIFY(log.errors.isEmpty());  // noted, not an error event
}

void TransferTests::stopAndResume() {
    FaultHttpServer server;
    QVERIFY(server.start());
    FaultHttpServer::Behaviour behaviour;
    behaviour.body = randomBytes(400000, 21);
    server.setBehaviour(behaviour);

    TclMultiDownLoader engine;
    EventLog log(&engine);
    TclDownLoadItem* item = engine.addItem();
    item->setUrl(server.url());
    item->setLocalFile(folder("resume") + "/file.bin");
    // Stop once about a third has arrived: the worker waits for this handler,
    // so the stop lands in the middle of the transfer.
    auto stopper = connect(&engine, &TclMultiTransfer::dataProceeded, this, [&] {
        if (item->bytesDone() > 130000)
            engine.stop(item);
    });
    engine.start(item);
    QVERIFY(waitIdle(engine));
    disconnect(stopper);
    QCOMPARE(item->status(), TransferStatus::Stopped);
    const QList<TransferPart> stoppedParts = item->parts();
    QCOMPARE(stoppedParts.size(), 5);
    QVERIFY(item->bytesDone() < 400000);
    const ino_t inode = inodeOf(partialFileName(item->localFile()));
    QVERIFY(inode != 0);

    server.clearRequests();
    engine.start(item);
    QVERIFY(waitIdle(engine));
    QCOMPARE(item->status(), TransferStatus::Done);
    QCOMPARE(fileSha256(item->localFile()), sha256(behaviour.body));
    QCOMPARE(inodeOf(item->localFile()), inode);
    // Each unfinished part asked for its remaining bytes only, proving the
    // resource with If-Range.
    QSet<QByteArray> ranges;
    for (const auto& request : server.requests()) {
        if (request.method == "GET" && request.range != "bytes=0-") {
            ranges << request.range;
            QCOMPARE(request.ifRange, behaviour.etag);
            QCOMPARE(request.acceptEncoding, QByteArray("identity"));
        }
    }
    QSet<QByteArray> expected;
    for (const TransferPart& part : stoppedParts) {
        if (part.bytesDone < part.length)
            expected << "bytes=" + QByteArray::number(part.offset()) + "-" +
                            QByteArray::number(part.start + part.length - 1);
    }
    QCOMPARE(ranges, expected);
}

void TransferTests::resumeOfChangedResourceStartsAgain() {
    FaultHttpServer server;
    QVERIFY(server.start());
    FaultHttpServer::Behaviour behaviour;
    behaviour.body = randomBytes(300000, 31);
    server.setBehaviour(behaviour);

    TclMultiDownLoader engine;
    TclDownLoadItem* item = engine.addItem();
    item->setUrl(server.url());
    item->setLocalFile(folder("changed") + "/file.bin");
    auto stopper = connect(&engine, &TclMultiTransfer::dataProceeded, this, [&] {
        if (item->bytesDone() > 100000)
            engine.stop(item);
    });
    engine.start(item);
    QVERIFY(waitIdle(engine));
    disconnect(stopper);
    QCOMPARE(item->status(), TransferStatus::Stopped);

    // Same size, other content, other validator.
    behaviour.body = randomBytes(300000, 32);
    behaviour.etag = "\"v2\"";
    server.setBehaviour(behaviour);
    engine.start(item);
    QVERIFY(waitIdle(engine));
    QCOMPARE(item->status(), TransferStatus::Done);
    QCOMPARE(fileSha256(item->localFile()), sha256(behaviour.body));

    // Changed between the resource phase and the parts: the If-Range of the
    // parts is refused (200), so the item starts its file again.
    behaviour.body = randomBytes(300000, 33);
    behaviour.etag = "\"v3\"";
    TclDownLoadItem* racing = engine.addItem();
    racing->setUrl(server.url());
    racing->setLocalFile(folder("changed") + "/racing.bin");
    connect(&engine, &TclMultiTransfer::resourceInfoObtained, this, [&](TclTransferItem* which) {
        if (which == racing)
            server.setBehaviour(behaviour);
    });
    engine.start(racing);
    QVERIFY(waitIdle(engine));
    QCOMPARE(racing->status(), TransferStatus::Done);
    QCOMPARE(fileSha256(racing->localFile()), sha256(behaviour.body));
}

void TransferTests::admissionOfFiveItems() {
    FaultHttpServer server;
    QVERIFY(server.start());
    FaultHttpServer::Behaviour behaviour;
    behaviour.body = randomBytes(40000, 41);
    behaviour.chunkDelayMs = 20;
    server.setBehaviour(behaviour);

    TclMultiDownLoader engine;
    EventLog log(&engine);
    int maxRunning = 0;
    connect(&engine, &TclMultiTransfer::statusChanged, this,
            [&] { maxRunning = qMax(maxRunning, engine.runningCount()); });
    QList<TclDownLoadItem*> items;
    for (int i = 0; i < 7; ++i) {
        TclDownLoadItem* item = engine.addItem();
        item->setUrl(server.url());
        item->setLocalFile(folder("admission") + QStringLiteral("/%1.bin").arg(i));
        items << item;
    }
    engine.startAll();
    QCOMPARE(engine.runningCount(), 5);
    QVERIFY(items[5]->isWaiting());
    QVERIFY(!items[5]->isRunning());
    engine.stop(items[6]);  // taken off the waiting list
    QVERIFY(!items[6]->isWaiting());
    QVERIFY(waitIdle(engine));
    QCOMPARE(maxRunning, 5);
    for (int i = 0; i < 6; ++i)
        QCOMPARE(items[i]->status(), TransferStatus::Done);
    QCOMPARE(items[6]->status(), TransferStatus::Stopped);
    QCOMPARE(log.completed, 6);
    QCOMPARE(log.busyChanges, (QList<bool>{true, false}));
    QVERIFY(!log.wrongThread);
}

void TransferTests::startWhileRunningIsRefused() {
    FaultHttpServer server;
    QVERIFY(server.start());
    FaultHttpServer::Behaviour behaviour;
    behaviour.failStatus = 500;
    behaviour.failTimes = -1;
    server.setBehaviour(behaviour);

    TclMultiDownLoader engine;
    engine.settings().reconnectAfter = 60000;
    TclDownLoadItem* item = engine.addItem();
    item->setUrl(server.url());
    item->setLocalFile(folder("refuse") + "/x.bin");
    engine.start(item);
    QVERIFY(item->isRunning());
    try {
        engine.start(item);
        QFAIL("a running item was started again");
    } catch (const AppError& error) {
        QCOMPARE(error.message(), QString("Operation is in progress"));
    }
    // The first try has failed; the item now waits a minute before the next
    // one, and a stop ends that wait at once.
    QTRY_VERIFY(item->isPausedBeforeRetry());
    QCOMPARE(server.requests().size(), 1);
    engine.stopAll();
    // Idle well inside the minute, and without its next try: the stop ended
    // the pause rather than waiting it out.
    QVERIFY(waitIdle(engine, 30000));
    QCOMPARE(server.requests().size(), 1);
    QCOMPARE(item->status(), TransferStatus::Stopped);
}

void TransferTests::deleteRunningItem() {
    FaultHttpServer server;
    QVERIFY(server.start());
    FaultHttpServer::Behaviour behaviour;
    behaviour.body = randomBytes(50000, 61);
    behaviour.chunkDelayMs = 30;
    server.setBehaviour(behaviour);

    TclMultiDownLoader engine;
    EventLog log(&engine);
    TclDownLoadItem* item = engine.addItem();
    item->setUrl(server.url());
    item->setLocalFile(folder("delete") + "/x.bin");
    engine.start(item);
    engine.deleteItem(item);
    QCOMPARE(engine.count(), 0);
    QVERIFY(waitIdle(engine));
    QCOMPARE(log.completed, 0);  // no event names a deleted item
    QCOMPARE(log.busyChanges, (QList<bool>{true, false}));

    // Destroying an engine while items run neither hangs nor crashes.
    auto doomed = std::make_unique<TclMultiDownLoader>();
    TclDownLoadItem* running = doomed->addItem();
    running->setUrl(server.url());
    running->setLocalFile(folder("delete") + "/y.bin");
    bool receiving = false;
    connect(doomed.get(), &TclMultiTransfer::dataProceeded, this, [&] { receiving = true; });
    doomed->start(running);
    QTRY_VERIFY(receiving);  // its worker is in the middle of the body
    QVERIFY(running->isRunning());
    doomed.reset();
}

void TransferTests::setLocalFolderMovesItems() {
    TclMultiDownLoader engine;
    engine.settings().localFolder = "/downloads";
    TclDownLoadItem* item = engine.addItem();
    // An address names the local file in the engine's folder ...
    item->setUrl("ftp://host/%2F/pub/a%20b%23.zip");
    QCOMPARE(item->localFile(), QString("/downloads/a b#.zip"));
    // ... until the owner names one.
    item->setLocalFile("/old/place/file.zip");
    engine.setLocalFolder("/new/folder");
    QCOMPARE(item->localFile(), QString("/new/folder/file.zip"));

    TclMultiUploader uploader;
    TclUploadItem* upload = uploader.addItem();
    upload->setUrl("ftp://host/remote/dir/old.txt");
    upload->setLocalFile("/home/u/new name.txt");
    QCOMPARE(upload->url(), QString("ftp://host/remote/dir/new%20name.txt"));
    QCOMPARE(upload->threadCount(), 1);
}

// Nice values of this process's threads, by thread id.
static QMap<QString, int> threadNiceValues() {
    QMap<QString, int> values;
    for (const QString& task :
         QDir("/proc/self/task").entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile stat("/proc/self/task/" + task + "/stat");
        if (!stat.open(QIODevice::ReadOnly))
            continue;
        const QByteArray line = stat.readAll();
        const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
        if (fields.size() > 16)
            values[task] = fields[16].toInt();  // field 19 of the line
    }
    return values;
}

void TransferTests::lowerPriorityWorkers() {
    const QString mainThread = QString::number(QCoreApplication::applicationPid());
    const int base = threadNiceValues().value(mainThread);
    QVERIFY(m_nginx.writeFile("nice.bin", randomBytes(100000, 91)));
    TclMultiDownLoader engine;
    TclDownLoadItem* item = engine.addItem();
    item->setUrl(m_nginx.url("/nice.bin"));
    item->setLocalFile(folder("nice") + "/nice.bin");
    item->setPriority(TransferPriority::Lower);
    int lowered = 0;
    // The reporting worker waits while this runs, so it is alive to be seen.
    connect(&engine, &TclMultiTransfer::dataProceeded, this, [&] {
        lowered = qMax(lowered, int(threadNiceValues().values().count(qMin(base + 5, 19))));
    });
    engine.start(item);
    QVERIFY(waitIdle(engine));
    QCOMPARE(item->status(), TransferStatus::Done);
    QVERIFY(lowered >= 2);  // the item's controller and its parts
    QCOMPARE(threadNiceValues().value(mainThread), base);
}

void TransferTests::ftpDownload_data() {
    QTest::addColumn<bool>("passive");
    QTest::addColumn<qint64>("size");
    QTest::addColumn<QByteArray>("name");  // as the server names it
    QTest::newRow("passive, five parts")
        << true << qint64(300000) << QByteArray("down load #1 100%.bin");
    QTest::newRow("active, five parts")
        << false << qint64(300000) << QByteArray("down load #1 100%.bin");
    QTest::newRow("passive, small, a name not in UTF-8")
        << true << qint64(5000) << QByteArray("caf\xe9 ?.bin");
}

void TransferTests::ftpDownload() {
    QFETCH(bool, passive);
    QFETCH(qint64, size);
    QFETCH(QByteArray, name);
    const QByteArray data = randomBytes(size, quint32(size) + (passive ? 1 : 2));
    QVERIFY(writeFileAtRawPath(QFile::encodeName(m_ftp.root()) + "/" + name, data));
    // The same path below the log-in folder: the address names the one from the root.
    QVERIFY(writeFileAtRawPath(
        QFile::encodeName(m_ftp.root() + FtpServerFixture::loginFolder()) + "/" + name, "decoy"));

    TclMultiDownLoader engine;
    engine.settings().passiveFtp = passive;
    quickRetries(engine.settings());
    engine.settings().timeOut = 5000;
    EventLog log(&engine);
    TclDownLoadItem* item = engine.addItem();
    // The path as the remote tree keeps it: the name's bytes exactly.
    item->setUrl(m_ftp.url("/" + textFromServerBytes(name)));
    item->setUserName(FtpServerFixture::user());
    item->setPassword(FtpServerFixture::password());
    item->setLocalFile(folder("ftp") + QStringLiteral("/%1-%2.bin").arg(passive).arg(size));
    engine.start(item);
    QVERIFY(waitIdle(engine));
    QVERIFY2(item->status() == TransferStatus::Done, qPrintable(item->errors().join('\n')));
    QCOMPARE(log.infos.first().size, size);
    QCOMPARE(item->parts().size(), size > 100000 ? 5 : 1);
    QCOMPARE(fileSha256(item->localFile()), sha256(data));
    // Qt cannot name a file that is not UTF-8; its bytes can.
    ::unlink((QFile::encodeName(m_ftp.root()) + "/" + name).constData());
    ::unlink((QFile::encodeName(m_ftp.root() + FtpServerFixture::loginFolder()) + "/" + name)
                 .constData());
}

void TransferTests::ftpUpload() {
    const QByteArray data = randomBytes(20000, 71);
    QFile local(folder("up.bin"));
    QVERIFY(local.open(QIODevice::WriteOnly));
    local.write(data);
    local.close();
    QDir(m_ftp.root()).mkpath("incoming");

    for (bool passive : {true, false}) {
        TclMultiUploader engine;
        engine.settings().passiveFtp = passive;
        EventLog log(&engine);
        TclUploadItem* item = engine.addItem();
        item->setUrl(m_ftp.url("/incoming/placeholder"));
        item->setLocalFile(folder("up.bin"));
        item->setUserName(FtpServerFixture::user());
        item->setPassword(FtpServerFixture::password());
        QCOMPARE(item->url(), m_ftp.url("/incoming/up.bin"));
        engine.start(item);
        QVERIFY(waitIdle(engine));
        QVERIFY2(item->status() == TransferStatus::Done, qPrintable(item->errors().join('\n')));
        QCOMPARE(fileSha256(m_ftp.root() + "/incoming/up.bin"), sha256(data));
        QCOMPARE(log.blocks, (QList<qint64>{8192, 8192, 3616}));
        QCOMPARE(item->resourceInfo()->size, 20000);
        QCOMPARE(log.completed, 1);
        QVERIFY(!log.wrongThread);
        QFile::remove(m_ftp.root() + "/incoming/up.bin");
    }
}

void TransferTests::ftpUploadEdgeCases() {
    QFile empty(folder("empty.txt"));
    QVERIFY(empty.open(QIODevice::WriteOnly));
    empty.close();

    TclMultiUploader engine;
    quickRetries(engine.settings(), 2);
    // Every end here is the server's or the disk's answer, never the clock's:
    // a time-out long enough for a slow, loaded machine.
    engine.settings().timeOut = 30000;
    EventLog log(&engine);
    auto make = [&](const QString& remote, const QString& local) {
        TclUploadItem* item = engine.addItem();
        item->setUrl(m_ftp.url(remote));
        item->setLocalFile(local);
        item->setUserName(FtpServerFixture::user());
        item->setPassword(FtpServerFixture::password());
        return item;
    };
    TclUploadItem* emptyItem = make("/x", folder("empty.txt"));
    TclUploadItem* noFolder = make("/no/such/folder/x", folder("empty.txt"));
    TclUploadItem* noSource = make("/x", folder("does-not-exist.txt"));
    engine.startAll();
    QVERIFY(waitIdle(engine));
    QCOMPARE(emptyItem->status(), TransferStatus::Done);
    QVERIFY(QFile::exists(m_ftp.root() + "/empty.txt"));
    QCOMPARE(QFileInfo(m_ftp.root() + "/empty.txt").size(), 0);
    QCOMPARE(noFolder->status(), TransferStatus::Failed);
    QCOMPARE(noFolder->errors().size(), 1);
    QVERIFY(!QFileInfo::exists(m_ftp.root() + "/no"));
    QVERIFY2(log.codeOf.value(noFolder) >= 500 && log.codeOf.value(noFolder) < 600,
             qPrintable(QString::number(log.codeOf.value(noFolder))));  // the server's refusal
    QCOMPARE(noSource->status(), TransferStatus::Failed);
    QCOMPARE(noSource->errors(), QStringList{"The data source stream is not assigned"});
    QCOMPARE(log.codeOf.value(noSource), int(TransferError::DataSource));
}

void TransferTests::ftpUploadStopAndRestart() {
    const QByteArray data = randomBytes(200000, 81);
    QFile local(folder("big-up.bin"));
    QVERIFY(local.open(QIODevice::WriteOnly));
    local.write(data);
    local.close();

    TclMultiUploader engine;
    quickRetries(engine.settings(), 2);
    EventLog log(&engine);
    TclUploadItem* item = engine.addItem();
    item->setUrl(m_ftp.url("/x"));
    item->setLocalFile(folder("big-up.bin"));
    item->setUserName(FtpServerFixture::user());
    item->setPassword(FtpServerFixture::password());
    auto stopper = connect(&engine, &TclMultiTransfer::dataProceeded, this,
                           [&](TclTransferItem*, int, qint64, QByteArrayView, qint64 sent) {
                               if (sent >= 50000)
                                   engine.stop(item);
                           });
    engine.start(item);
    QVERIFY(waitIdle(engine));
    disconnect(stopper);
    QCOMPARE(item->status(), TransferStatus::Stopped);

    log.blocks.clear();
    engine.start(item);
    QVERIFY(waitIdle(engine));
    QCOMPARE(item->status(), TransferStatus::Done);
    QCOMPARE(log.bytes(), qint64(data.size()));  // all of it again, from 0
    QCOMPARE(fileSha256(m_ftp.root() + "/big-up.bin"), sha256(data));
}

void TransferTests::fileReplacedOnlyWhenComplete_data() {
    QTest::addColumn<bool>("completes");
    QTest::newRow("the download completes") << true;
    QTest::newRow("the download fails half way") << false;
}

// The data goes to a partial file beside the target: a file of that name
// keeps its contents while the download runs and after it fails, and is
// replaced whole once the download is complete, before it is told as done.
void TransferTests::fileReplacedOnlyWhenComplete() {
    QFETCH(bool, completes);
    FaultHttpServer server;
    QVERIFY(server.start());
    FaultHttpServer::Behaviour behaviour;
    behaviour.body = randomBytes(300000, 61);
    if (!completes)
        behaviour.ignoreRange = true, behaviour.dropAfterBytes = 40000, behaviour.dropTimes = 1000;
    server.setBehaviour(behaviour);
    const QString target = folder("replace") + "/file.bin";
    QDir().mkpath(folder("replace"));
    QFile existing(target);
    QVERIFY(existing.open(QIODevice::WriteOnly));
    existing.write("the user's own file");
    existing.close();

    TclMultiDownLoader engine;
    quickRetries(engine.settings(), 2);
    TclDownLoadItem* item = engine.addItem();
    item->setUrl(server.url());
    item->setLocalFile(target);
    QByteArray whileRunning;
    connect(&engine, &TclMultiTransfer::dataProceeded, this, [&] {
        if (whileRunning.isEmpty())
            whileRunning = fileContents(target);
    });
    // Whoever hears "Done" finds the file in place.
    QByteArrayList whenDone;
    connect(&engine, &TclMultiTransfer::statusChanged, this,
            [&](TclTransferItem*, TransferStatus status) {
                if (status == TransferStatus::Done)
                    whenDone << fileContents(target);
            });
    engine.start(item);
    QVERIFY(waitIdle(engine));
    QCOMPARE(whileRunning, QByteArray("the user's own file"));
    QCOMPARE(item->status(), completes ? TransferStatus::Done : TransferStatus::Failed);
    QCOMPARE(whenDone, completes ? QByteArrayList{behaviour.body} : QByteArrayList{});
    QCOMPARE(fileContents(target), completes ? behaviour.body : "the user's own file");
    QCOMPARE(QFile::exists(partialFileName(target)), !completes);
}

void TransferTests::linksInsideTheDownloadFolder_data() {
    QTest::addColumn<QString>("link");    // made inside the download folder
    QTest::addColumn<QString>("points");  // to this path outside it
    QTest::addColumn<QString>("file");    // the item's local file in the download folder
    QTest::newRow("a linked folder on the way") << "sub"
                                                << "outside"
                                                << "sub/x.bin";
    QTest::newRow("a link where the file goes") << "x.bin"
                                                << "outside/victim"
                                                << "x.bin";
}

// The download folder may itself be reached through a link; nothing below it
// is: a linked folder fails the item, a link at the file's name is replaced.
void TransferTests::linksInsideTheDownloadFolder() {
    QFETCH(QString, link);
    QFETCH(QString, points);
    QFETCH(QString, file);
    const QByteArray data = randomBytes(20000, 62);
    QVERIFY(m_nginx.writeFile("linked.bin", data));
    QVERIFY(QDir().mkpath(folder("outside")));
    QVERIFY(QDir().mkpath(folder("real-downloads")));
    QFile victim(folder("outside/victim"));
    QVERIFY(victim.open(QIODevice::WriteOnly));
    victim.write("keep");
    victim.close();
    QVERIFY(QFile::link(folder("real-downloads"), folder("downloads")));
    QVERIFY(QFile::link(folder(points), folder("downloads/" + link)));

    TclMultiDownLoader engine;
    engine.settings().localFolder = folder("downloads");
    EventLog log(&engine);
    TclDownLoadItem* item = engine.addItem();
    item->setUrl(m_nginx.url("/linked.bin"));
    item->setLocalFile(folder("downloads/" + file));
    engine.start(item);
    QVERIFY(waitIdle(engine));
    QCOMPARE(fileContents(folder("outside/victim")), QByteArray("keep"));
    QCOMPARE(QDir(folder("outside")).entryList(QDir::Files), QStringList{"victim"});
    if (file.contains('/')) {
        QCOMPARE(item->status(), TransferStatus::Failed);
        QCOMPARE(log.codes, QList<int>{int(TransferError::LocalFile)});
        QVERIFY2(log.errors.first().contains("symbolic link"), qPrintable(log.errors.first()));
    } else {
        QVERIFY2(item->status() == TransferStatus::Done, qPrintable(item->errors().join('\n')));
        QVERIFY(!QFileInfo(folder("downloads/" + file)).isSymLink());
        QCOMPARE(fileContents(folder("real-downloads/" + file)), data);
    }
}

void TransferTests::announcedSizeNeverFillsTheDisk_data() {
    QTest::addColumn<int>("mode");  // 0 announces a petabyte, 1 sends nothing, 2 sends some
    QTest::newRow("announces more than the disk holds") << 0;
    QTest::newRow("FTP, tells 8 MiB, sends nothing") << 1;
    QTest::newRow("announces 8 MiB, sends a part of it") << 2;
}

// Space is reserved only for a size that fits with room to spare, and a
// failed download leaves no reserved space behind: no file without data, and
// a partial file with data keeps only the blocks of that data.
void TransferTests::announcedSizeNeverFillsTheDisk() {
    QFETCH(int, mode);
    FaultHttpServer server;
    QVERIFY(server.start());
    FaultHttpServer::Behaviour behaviour;
    behaviour.body = randomBytes(8 * 1024 * 1024, 63);
    ActiveFtpServer ftp(behaviour.body, "127.0.0.1");
    ftp.refuseRetrieval();
    QVERIFY(ftp.start());
    if (mode == 0) {
        behaviour.body = "not much";
        behaviour.ignoreRange = true;
        behaviour.announcedLength = qint64(1) << 50;
    } else {
        behaviour.dropAfterBytes = 60000, behaviour.dropTimes = 1000;
    }
    server.setBehaviour(behaviour);

    TclMultiDownLoader engine;
    quickRetries(engine.settings(), 2);
    EventLog log(&engine);
    TclDownLoadItem* item = engine.addItem();
    item->setUrl(mode == 1 ? ftp.url() : server.url());
    item->setLocalFile(folder("space") + "/file.bin");
    // Once data has come the server breaks for good.
    connect(&engine, &TclMultiTransfer::dataProceeded, this, [&] {
        FaultHttpServer::Behaviour broken = behaviour;
        broken.failStatus = 503, broken.failTimes = -1;
        server.setBehaviour(broken);
    });
    engine.start(item);
    QVERIFY(waitIdle(engine));
    QCOMPARE(item->status(), TransferStatus::Failed);
    QVERIFY(!log.codes.isEmpty());
    const QString partial = partialFileName(item->localFile());
    if (mode == 0) {
        QCOMPARE(log.codes.first(), int(TransferError::LocalFile));
        QVERIFY2(log.errors.first().contains("not enough free space"),
                 qPrintable(log.errors.first()));
    }
    if (mode < 2) {
        QCOMPARE(QDir(folder("space")).entryList(QDir::Files), QStringList());
    } else {
        QVERIFY(item->bytesDone() > 0);
        QCOMPARE(QFileInfo(partial).size(), behaviour.body.size());
        // A block on either side of each part's data at most.
        QVERIFY2(allocatedBytes(partial) <= item->bytesDone() + 5 * 2 * 4096,
                 qPrintable(QString::number(allocatedBytes(partial))));
    }
    QVERIFY(!QFile::exists(item->localFile()));
}

void TransferTests::activeDataConnectionOnlyFromTheServer_data() {
    QTest::addColumn<QByteArray>("source");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("from the server") << QByteArray("127.0.0.1") << true;
    QTest::newRow("from another host") << QByteArray("127.0.0.2") << false;
}

// In active mode anyone who finds the client's port could deliver the file;
// only a connection from the control connection's peer is taken.
void TransferTests::activeDataConnectionOnlyFromTheServer() {
    QFETCH(QByteArray, source);
    QFETCH(bool, accepted);
    const QByteArray data = randomBytes(50000, 64);
    ActiveFtpServer server(data, source);
    QVERIFY(server.start());

    TclMultiDownLoader engine;
    quickRetries(engine.settings(), 2);
    EventLog log(&engine);
    TclDownLoadItem* item = engine.addItem();
    item->setUrl(server.url());
    item->setThreadCount(1);
    item->setLocalFile(folder("active") + "/file.bin");
    engine.start(item);
    QVERIFY(waitIdle(engine));
    QVERIFY(server.dataConnections() > 0);
    if (accepted) {
        QVERIFY2(item->status() == TransferStatus::Done, qPrintable(item->errors().join('\n')));
        QCOMPARE(fileContents(item->localFile()), data);
    } else {
        QCOMPARE(item->status(), TransferStatus::Failed);
        QVERIFY2(log.errors.first().contains("127.0.0.2"), qPrintable(log.errors.first()));
        QCOMPARE(item->bytesDone(), 0);
        QCOMPARE(QDir(folder("active")).entryList(QDir::Files), QStringList());
    }
}

CORVANTA_TEST_MAIN(TransferTests)
#include "tst_transfer.moc"
