#include <QtTest>

#include <QTemporaryDir>
#include <cerrno>

#include "TclUpdateInfo.h"
#include "TclWebUpdate.h"
#include "TestEnvironment.h"
#include "UpdateRules.h"
#include "UpdateServer.h"

Q_DECLARE_METATYPE(UpdateServer::Signature)

namespace {

TclUpdateInfoItem recorded(const QString& version, TclUpdateStatus status) {
    TclUpdateInfoItem item;
    item.version = version;
    item.url = "https://127.0.0.1:9/" + version + ".bin";
    item.status = status;
    return item;
}

QStringList versionsOf(const TclUpdateInfo& info) {
    QStringList versions;
    for (const TclUpdateInfoItem& item : info)
        versions << item.version;
    return versions;
}

QByteArray readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

bool writeFile(const QString& path, const QByteArray& content) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(content) == content.size();
}

// One engine set up as a program would, against the loopback server, with
// the dialog answered and every event recorded.
struct Check {
    TclWebUpdate engine;
    QString folder;
    bool answer = true;
    QList<TclUpdateInfoText> dialogs;
    QStringList errors;
    QList<int> errorCodes;
    int noUpdates = 0;
    QList<qint64> firstProgress;  // downloaded, total of the first report
    QList<QStringList> runs;      // the script of every update about to run

    // The engine trusts only the server's throw-away key.
    Check(const UpdateServer& server, const QString& base)
        : engine(nullptr, server.publicKey()), folder(base) {
        engine.setUpdateUrl(server.listUrl());
        engine.setUpdateDir(base + "/webupdate");
        engine.setScriptFolder(base);
        engine.setApplicationFolder(base + "/app/");
        engine.setProductName("Product");
        engine.setAuthor("Author");
        engine.setEmail("mail@example.invalid");
        engine.setProductUrl("https://www.corvanta.net");
        TransferSettings& settings = engine.downloaderSettings();
        settings.certificateAuthorities = server.certificateFile();
        settings.tryCount = 1;
        settings.reconnectAfter = 50;
        engine.setInfoDialog([this](const TclUpdateInfoText& text) {
            dialogs.append(text);
            return answer;
        });
        QObject::connect(&engine, &TclWebUpdate::OnError, [this](const QString& text, int code) {
            errors << text;
            errorCodes << code;
        });
        QObject::connect(&engine, &TclWebUpdate::OnNoUpdatesFound, [this] { ++noUpdates; });
        QObject::connect(&engine, &TclWebUpdate::OnDownloadProgress,
                         [this](int, qint64 downloaded, qint64 total) {
                             if (firstProgress.isEmpty())
                                 firstProgress = {downloaded, total};
                         });
        QObject::connect(
            &engine, &TclWebUpdate::OnRunUpdate,
            [this](const QStringList& script, bool, bool&, QString&) { runs << script; });
    }

    QString recordFile() const { return folder + "/webupdate/lastupdate.xml"; }
    TclUpdateInfo record() const { return loadUpdateInfo(recordFile()); }

    // One whole check; false when it did not end in time.
    bool run() {
        engine.StartCheck();
        return QTest::qWaitFor([this] { return !engine.isBusy(); }, 60000);
    }
};

}  // namespace

class UpdateCoreTests : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();

    void versionValue_data();
    void versionValue();
    void errorLine_data();
    void errorLine();
    void releaseNumber_data();
    void releaseNumber();
    void readingTheXml_data();
    void readingTheXml();
    void recordRoundTrip();
    void resumeStateMustFitItsFile_data();
    void resumeStateMustFitItsFile();

    void listAgainstRecord_data();
    void listAgainstRecord();
    void onlyASignedListWithDigestsRuns_data();
    void onlyASignedListWithDigestsRuns();
    void oversizedListIsRefused();
    void updateIsDownloadedRunAndRecorded();
    void scriptOutcome_data();
    void scriptOutcome();
    void failedUpdateEndsTheRunAndIsNeverRetried();
    void readyFileIsCheckedAgainBeforeItRuns();
    void interruptedDownloadResumesFromTheRecord();
    void updateThatNeedsClosingIsRefused();
    void onlyTrustedHttpsIsFetched_data();
    void onlyTrustedHttpsIsFetched();
    void interpreterThatCannotStartEndsTheCheck();

private:
    UpdateServer m_server;
    std::unique_ptr<QTemporaryDir> m_dir;
    QByteArray m_file = QByteArray(3000, 'u');
};

void UpdateCoreTests::initTestCase() {
    QVERIFY2(m_server.start(), qPrintable(m_server.errorText()));
    QVERIFY(m_server.publishFile("files/one.bin", m_file));
}

void UpdateCoreTests::init() {
    m_dir = std::make_unique<QTemporaryDir>();
}

// ---- rules ------------------------------------------------------------------

void UpdateCoreTests::versionValue_data() {
    QTest::addColumn<QString>("version");
    QTest::addColumn<bool>("number");
    QTest::addColumn<int>("value");
    QTest::newRow("three parts") << "1.2.3" << false << 1002003;
    QTest::newRow("1.10") << "1.10" << false << 1010;
    QTest::newRow("1.9") << "1.9" << false << 1009;
    QTest::newRow("one part") << "2" << false << 2;
    QTest::newRow("blanks trimmed") << "  1.9 " << false << 1009;
    QTest::newRow("empty part") << "1..2" << false << 1000002;
    QTest::newRow("letters count 0") << "1.x" << false << 1000;
    QTest::newRow("sign counts 0") << "1.-2" << false << 1000;
    QTest::newRow("too large counts 0") << "1.99999999999" << false << 1000;
    QTest::newRow("five parts wrap in 32 bits") << "1.0.0.0.0" << false << -727379968;
    QTest::newRow("empty") << "" << false << 0;
    QTest::newRow("number") << "12" << true << 12;
    QTest::newRow("negative number") << "-3" << true << -3;
    QTest::newRow("dotted is no number") << "1.2" << true << 0;
    QTest::newRow("too large number") << "99999999999" << true << 0;
}

void UpdateCoreTests::versionValue() {
    QFETCH(QString, version);
    QFETCH(bool, number);
    QFETCH(int, value);
    const auto format = number ? TclVersionFormat::vfNumber : TclVersionFormat::vfStandard;
    QCOMPARE(::versionValue(version, format), value);
    QVERIFY(!isNewerVersion(version, version, format));
}

void UpdateCoreTests::errorLine_data() {
    QTest::addColumn<QString>("log");
    QTest::addColumn<QString>("line");
    QTest::newRow("word in a line") << "copying\nCopy error in step 2\n"
                                    << "Copy error in step 2";
    QTest::newRow("plural is no word") << "errors found"
                                       << "";
    QTest::newRow("joined is no word") << "no_error"
                                       << "";
    QTest::newRow("punctuation is no blank") << "cp: error: disk"
                                             << "";
    QTest::newRow("capitals, first of several") << "ok\r\nStep FAILED\r\nfatal"
                                                << "Step FAILED";
    QTest::newRow("word alone") << "fatal"
                                << "fatal";
}

void UpdateCoreTests::errorLine() {
    QFETCH(QString, log);
    QFETCH(QString, line);
    QCOMPARE(firstErrorLine(log, {"fatal", "failed", "error"}), line);
}

void UpdateCoreTests::releaseNumber_data() {
    QTest::addColumn<QByteArray>("ini");
    QTest::addColumn<int>("release");
    QTest::newRow("newer") << QByteArray("[Corvanta]\nVersion=9\n") << 9;
    QTest::newRow("names in any case") << QByteArray("[corvanta]\r\n version = 10\r\n") << 10;
    QTest::newRow("other section") << QByteArray("[Other]\nVersion=9\n[Corvanta]\nName=x") << 0;
    QTest::newRow("not a number") << QByteArray("[Corvanta]\nVersion=nine") << 0;
    QTest::newRow("empty") << QByteArray() << 0;
}

void UpdateCoreTests::releaseNumber() {
    QFETCH(QByteArray, ini);
    QFETCH(int, release);
    QCOMPARE(::releaseNumber(ini), release);
}

void UpdateCoreTests::readingTheXml_data() {
    QTest::addColumn<QByteArray>("xml");
    QTest::addColumn<QStringList>("versions");
    QTest::addColumn<int>("status");
    QTest::addColumn<bool>("terminate");
    QTest::addColumn<QStringList>("script");
    const QByteArray entry =
        "<update version='1.0' status='READY' terminate='YES'>"
        "<script><![CDATA[cp a b\r\nrm c]]></script><script>second</script></update>";
    QTest::newRow("words in capitals, first script")
        << "<updateinfo>" + entry + "</updateinfo>" << QStringList{"1.0"} << 1 << true
        << QStringList{"cp a b", "rm c"};
    QTest::newRow("unknown words keep the defaults")
        << QByteArray("<updateinfo><update version='2' status='done' terminate='1'/></updateinfo>")
        << QStringList{"2"} << 0 << false << QStringList{};
    QTest::newRow("only direct children of the root")
        << QByteArray(
               "<updateinfo><group><update version='9'/></group><update version='3'/>"
               "</updateinfo>")
        << QStringList{"3"} << 0 << false << QStringList{};
    QTest::newRow("another root") << "<updates>" + entry + "</updates>" << QStringList{} << 0
                                  << false << QStringList{};
    QTest::newRow("not well-formed")
        << "<updateinfo>" + entry << QStringList{} << 0 << false << QStringList{};
}

void UpdateCoreTests::readingTheXml() {
    QFETCH(QByteArray, xml);
    QFETCH(QStringList, versions);
    QFETCH(int, status);
    QFETCH(bool, terminate);
    QFETCH(QStringList, script);
    const TclUpdateInfo info = readUpdateInfo(xml);
    QCOMPARE(versionsOf(info), versions);
    if (!info.isEmpty()) {
        QCOMPARE(int(info.last().status), status);
        QCOMPARE(info.last().terminate, terminate);
        QCOMPARE(info.last().script, script);
    }
}

void UpdateCoreTests::recordRoundTrip() {
    TclUpdateInfoItem item = recorded("1.2", TclUpdateStatus::Failed);
    item.size = "2 MB";
    item.localFile = "/tmp/a b.bin";
    item.updateDate = "1/2/26";
    item.terminate = true;
    item.sha256 = UpdateServer::sha256("x");
    item.script = {"echo \"<&>\"", "", "echo ]]> done"};
    item.resourceState.resourceSize = 100;
    item.resourceState.segments = {{0, 50, 20, TransferStatus::Ready},
                                   {50, 50, 50, TransferStatus::Ready}};
    TclUpdateInfoItem bare = recorded("1.3", TclUpdateStatus::Download);
    bare.url.clear();

    const QByteArray xml = writeUpdateInfo({item, bare});
    QVERIFY(xml.startsWith("<?xml version=\"1.0\" encoding=\"UTF-8\"?>"));
    QVERIFY(xml.contains("\n  <update "));
    QVERIFY(xml.contains("<![CDATA[echo \"<&>\"\r\n\r\necho ]]"));
    QVERIFY(xml.contains("<update version=\"1.3\" status=\"download\" terminate=\"no\">"));
    QVERIFY(!xml.contains("resourcestate resourcesize=\"0\""));

    const TclUpdateInfo back = readUpdateInfo(xml);
    QCOMPARE(back.size(), 2);
    const TclUpdateInfoItem& read = back[0];
    QCOMPARE(read.url, item.url);
    QCOMPARE(read.version, item.version);
    QCOMPARE(read.size, item.size);
    QCOMPARE(read.localFile, item.localFile);
    QCOMPARE(read.updateDate, item.updateDate);
    QCOMPARE(read.status, item.status);
    QCOMPARE(read.terminate, true);
    QCOMPARE(read.sha256, item.sha256);
    QCOMPARE(read.script, item.script);
    QCOMPARE(read.resourceState.resourceSize, qint64(100));
    QCOMPARE(read.resourceState.segments.size(), 2);
    QCOMPARE(read.resourceState.segments[0].bytesDone, qint64(20));
    QCOMPARE(read.resourceState.segments[1].start, qint64(50));
    QCOMPARE(back[1].url, QString());
    QVERIFY(back[1].resourceState.segments.isEmpty());
}

void UpdateCoreTests::resumeStateMustFitItsFile_data() {
    QTest::addColumn<qint64>("size");
    QTest::addColumn<qint64>("start");
    QTest::addColumn<qint64>("length");
    QTest::addColumn<qint64>("done");
    QTest::addColumn<bool>("usable");
    QTest::newRow("inside") << qint64(100) << qint64(40) << qint64(60) << qint64(10) << true;
    QTest::newRow("past the end") << qint64(100) << qint64(40) << qint64(61) << qint64(0) << false;
    QTest::newRow("more done than long")
        << qint64(100) << qint64(0) << qint64(10) << qint64(11) << false;
    QTest::newRow("negative") << qint64(100) << qint64(-1) << qint64(10) << qint64(0) << false;
    QTest::newRow("no size") << qint64(0) << qint64(0) << qint64(0) << qint64(0) << false;
}

void UpdateCoreTests::resumeStateMustFitItsFile() {
    QFETCH(qint64, size);
    QFETCH(qint64, start);
    QFETCH(qint64, length);
    QFETCH(qint64, done);
    QFETCH(bool, usable);
    TclResourceState state;
    state.resourceSize = size;
    state.segments = {{start, length, done, TransferStatus::Ready}};
    QCOMPARE(state.isUsable(), usable);
}

// ---- the check against the loopback server -----------------------------------

void UpdateCoreTests::listAgainstRecord_data() {
    QTest::addColumn<QStringList>("record");
    QTest::addColumn<QStringList>("list");
    QTest::addColumn<QStringList>("appended");
    QTest::addColumn<QString>("sentence");
    QTest::newRow("empty record") << QStringList{} << QStringList{"1.0", "1.1"}
                                  << QStringList{"1.0", "1.1"}
                                  << "using version '', but version '1.1' is available";
    QTest::newRow("record ends with 1.1")
        << QStringList{"1.0", "1.1"} << QStringList{"1.0", "1.1", "1.2"} << QStringList{"1.2"}
        << "using version '1.1', but version '1.2' is available";
    QTest::newRow("descending list")
        << QStringList{} << QStringList{"1.2", "1.1"} << QStringList{"1.2"}
        << "using version '', but version '1.1' is available";
    QTest::newRow("1.10 is newer than 1.9")
        << QStringList{"1.9"} << QStringList{"1.10"} << QStringList{"1.10"}
        << "using version '1.9', but version '1.10' is available";
    QTest::newRow("1.9 is older than 1.10")
        << QStringList{"1.10"} << QStringList{"1.9"} << QStringList{} << QString();
}

void UpdateCoreTests::listAgainstRecord() {
    QFETCH(QStringList, record);
    QFETCH(QStringList, list);
    QFETCH(QStringList, appended);
    QFETCH(QString, sentence);
    QString entries;
    for (const QString& version : list)
        entries += UpdateServer::entry(version, m_server.url("/files/" + version + ".bin"),
                                       "echo $(update) " + version, UpdateServer::digestOf(m_file));
    QVERIFY(m_server.publishList(entries));
    Check check(m_server, m_dir->path());
    TclUpdateInfo stored;
    for (const QString& version : record)
        stored << recorded(version, TclUpdateStatus::Success);
    if (!stored.isEmpty()) {
        QDir().mkpath(m_dir->path() + "/webupdate");
        QCOMPARE(saveUpdateInfo(stored, check.recordFile()), QString());
    }
    const QByteArray before = readFile(check.recordFile());
    check.answer = false;  // "Do &Not Update"

    QVERIFY(check.run());
    QCOMPARE(versionsOf(check.engine.actualInfo()), record + appended);
    QVERIFY(check.errors.isEmpty());
    if (appended.isEmpty()) {
        QCOMPARE(check.dialogs.size(), 0);
        QCOMPARE(check.noUpdates, 1);
    } else {
        QCOMPARE(check.dialogs.size(), 1);
        const TclUpdateInfoText& text = check.dialogs[0];
        QVERIFY2(text.sentence.contains(sentence), qPrintable(text.sentence));
        QVERIFY(text.sentence.endsWith("from the web at https://www.corvanta.net."));
        QCOMPARE(text.updates.size(), list.size());
        QCOMPARE(text.updates[0], "Version: " + list[0] + ", Size: 1 KB, URL: " +
                                      m_server.url("/files/" + list[0] + ".bin"));
        // What will run, as it will run: only the updates to be made.
        QStringList commands;
        for (const QString& version : appended)
            commands << "Update " + version + ":"
                     << "    echo " + m_dir->path() + "/webupdate " + version;
        QCOMPARE(text.commands, commands);
        QCOMPARE(check.noUpdates, 0);
    }
    // Nothing written, nothing fetched but the list.
    QCOMPARE(readFile(check.recordFile()), before);
    QStringList files{"webupdate.xml", "webupdate.xml.sig"};
    if (!record.isEmpty())
        files.prepend("lastupdate.xml");
    QCOMPARE(QDir(m_dir->path() + "/webupdate").entryList(QDir::Files), files);
}

void UpdateCoreTests::onlyASignedListWithDigestsRuns_data() {
    QTest::addColumn<UpdateServer::Signature>("signature");
    QTest::addColumn<QString>("extra");
    QTest::addColumn<QString>("error");  // empty: the update is made
    const QString digest = UpdateServer::digestOf(m_file);
    const QString other = UpdateServer::digestOf("something else");
    const QString refused = "The update list was refused: ";
    QTest::newRow("no signature") << UpdateServer::Signature::Missing << digest
                                  << refused + "it is not signed";
    QTest::newRow("signature of another key")
        << UpdateServer::Signature::OtherKey << digest
        << refused + "its signature does not check against Corvanta's update key";
    QTest::newRow("damaged signature")
        << UpdateServer::Signature::Damaged << digest
        << refused + "its signature does not check against Corvanta's update key";
    QTest::newRow("missing digest") << UpdateServer::Signature::Valid << QString()
                                    << refused + "the 1.0 update names no SHA-256 digest";
    QTest::newRow("digest that is no digest")
        << UpdateServer::Signature::Valid << "sha256=\"" + QString(64, 'g') + "\""
        << refused + "the 1.0 update names no SHA-256 digest";
    QTest::newRow("wrong digest") << UpdateServer::Signature::Valid << other
                                  << "does not match its SHA-256 digest";
    // The server claims the file is already here, in a file of its choosing
    // that matches its digest: only the record may say so.
    QTest::newRow("ready from the server")
        << UpdateServer::Signature::Valid
        << other + " status=\"ready\" localfile=\"%1\" updatedate=\"1/1/20\""
        << "does not match its SHA-256 digest";
    QTest::newRow("valid") << UpdateServer::Signature::Valid << digest << QString();
}

void UpdateCoreTests::onlyASignedListWithDigestsRuns() {
    QFETCH(UpdateServer::Signature, signature);
    QFETCH(QString, extra);
    QFETCH(QString, error);
    const QString planted = m_dir->path() + "/planted.bin";
    QVERIFY(writeFile(planted, "something else"));
    QVERIFY(m_server.publishList(
        UpdateServer::entry(
            "1.0", m_server.url("/files/one.bin"),
            "echo first > \"$(update)/ran.txt\"\necho second >> \"$(update)/ran.txt\"",
            QString(extra).replace("%1", planted)),
        signature));
    Check check(m_server, m_dir->path());
    QVERIFY(check.run());

    const QString folder = m_dir->path() + "/webupdate";
    if (error.isEmpty()) {
        QCOMPARE(check.errors, QStringList());
        const QStringList commands{"echo first > \"" + folder + "/ran.txt\"",
                                   "echo second >> \"" + folder + "/ran.txt\""};
        QCOMPARE(check.runs, QList<QStringList>{commands});
        QCOMPARE(readFile(folder + "/ran.txt"), QByteArray("first\nsecond\n"));
        QCOMPARE(check.record().value(0).status, TclUpdateStatus::Success);
        return;
    }
    QCOMPARE(check.errors.size(), 1);
    QVERIFY2(check.errors[0].contains(error), qPrintable(check.errors[0]));
    QCOMPARE(check.runs, QList<QStringList>());
    QVERIFY(!QFile::exists(folder + "/ran.txt"));
    QVERIFY(!QFile::exists(folder + "/one.bin"));
    QCOMPARE(readFile(planted), QByteArray("something else"));
    if (error.startsWith("The update list was refused")) {
        // Nothing of the list is kept, asked for or recorded.
        QVERIFY(check.errors[0].endsWith(". No update was made"));
        QCOMPARE(check.dialogs.size(), 0);
        QCOMPARE(QDir(folder).entryList(QDir::Files), QStringList());
    } else {
        // Still to be downloaded, into the file the engine chose.
        const TclUpdateInfo record = check.record();
        QCOMPARE(record.value(0).status, TclUpdateStatus::Download);
        QCOMPARE(record.value(0).localFile, folder + "/one.bin");
    }
}

void UpdateCoreTests::oversizedListIsRefused() {
    const QString entry =
        UpdateServer::entry("1.0", m_server.url("/files/one.bin"),
                            "echo ran > \"$(update)/ran.txt\"", UpdateServer::digestOf(m_file));
    QVERIFY(m_server.publishList(entry + "<!--" + QString(TclWebUpdate::kMaximumListSize, 'x') +
                                 "-->\n"));
    Check check(m_server, m_dir->path());
    QVERIFY(check.run());
    QCOMPARE(check.errors.size(), 1);
    QVERIFY2(check.errors[0].contains("is larger than 4194304 bytes"), qPrintable(check.errors[0]));
    QCOMPARE(check.dialogs.size(), 0);
    QVERIFY(!QFile::exists(m_dir->path() + "/webupdate/webupdate.xml"));
}

void UpdateCoreTests::updateIsDownloadedRunAndRecorded() {
    const QString url = m_server.url("/files/one.bin");
    QVERIFY(m_server.publishList(UpdateServer::entry(
        "1.0", url, "echo \"$(APP) $(update)\" > \"$(Update)/ran.txt\"\necho copied",
        "sha256=\"" + UpdateServer::sha256(m_file).toUpper() + "\"")));
    Check check(m_server, m_dir->path());
    QStringList before, after;
    connect(&check.engine, &TclWebUpdate::OnBeforeDownload,
            [&](const QString& address, const QString& file) { before << address << file; });
    connect(&check.engine, &TclWebUpdate::OnAfterDownload,
            [&](const QString& address, const QString& file) { after << address << file; });

    QVERIFY(check.run());
    QCOMPARE(check.errors, QStringList());
    const QString folder = m_dir->path() + "/webupdate";
    QCOMPARE(readFile(folder + "/ran.txt"), (m_dir->path() + "/app " + folder + "\n").toUtf8());
    QCOMPARE(readFile(folder + "/one.bin"), m_file);
    QCOMPARE(before, (QStringList{url, folder + "/one.bin"}));
    QCOMPARE(after, before);
    QCOMPARE(check.firstProgress.value(1), qint64(m_file.size()));
    const TclUpdateInfo record = check.record();
    QCOMPARE(record.size(), 1);
    QCOMPARE(record[0].status, TclUpdateStatus::Success);
    QCOMPARE(record[0].localFile, folder + "/one.bin");
    QVERIFY(!record[0].updateDate.isEmpty());
    // The script and its log are gone.
    QVERIFY(!QFile::exists(m_dir->path() + "/" + TclWebUpdate::kScriptFileName));
    QVERIFY(!QFile::exists(m_dir->path() + "/" + TclWebUpdate::kLogFileName));

    // The next check finds nothing and runs nothing again.
    QFile::remove(folder + "/ran.txt");
    QVERIFY(check.run());
    QCOMPARE(check.noUpdates, 1);
    QCOMPARE(check.dialogs.size(), 1);
    QVERIFY(!QFile::exists(folder + "/ran.txt"));
}

void UpdateCoreTests::scriptOutcome_data() {
    QTest::addColumn<QString>("script");
    QTest::addColumn<QString>("problem");  // empty: success
    QTest::newRow("error word") << "echo Copy error in step 2"
                                << "Copy error in step 2";
    QTest::newRow("error output counts") << "echo Step FAILED >&2"
                                         << "Step FAILED";
    QTest::newRow("plural") << "echo errors found" << QString();
    QTest::newRow("joined") << "echo no_error" << QString();
    QTest::newRow("failing exit, quiet log") << "echo copied; exit 3"
                                             << "exit code 3";
    QTest::newRow("error word and failing exit") << "echo fatal; false"
                                                 << "fatal; exit code 1";
    QTest::newRow("killed") << "kill -KILL $$"
                            << "ended by signal 9";
}

void UpdateCoreTests::scriptOutcome() {
    QFETCH(QString, script);
    QFETCH(QString, problem);
    QVERIFY(m_server.publishList(UpdateServer::entry("1.0", m_server.url("/files/one.bin"), script,
                                                     UpdateServer::digestOf(m_file))));
    Check check(m_server, m_dir->path());
    QVERIFY(check.run());
    QCOMPARE(check.record().value(0).status,
             problem.isEmpty() ? TclUpdateStatus::Success : TclUpdateStatus::Failed);
    if (problem.isEmpty()) {
        QCOMPARE(check.errors, QStringList());
    } else {
        QCOMPARE(check.errors,
                 QStringList{"The executing of 1.0 update was returned with errors (" + problem +
                             "). "});
        QCOMPARE(check.errorCodes, QList<int>{-1});
    }
}

void UpdateCoreTests::failedUpdateEndsTheRunAndIsNeverRetried() {
    const QString url = m_server.url("/files/one.bin");
    const QString digest = UpdateServer::digestOf(m_file);
    QVERIFY(m_server.publishList(
        UpdateServer::entry("1.0", url, "echo run >> \"$(update)/runs.txt\"\necho fatal", digest) +
        UpdateServer::entry("1.1", url, "echo later > \"$(update)/later.txt\"", digest)));
    Check check(m_server, m_dir->path());
    QVERIFY(check.run());
    QCOMPARE(check.errors.size(), 1);
    TclUpdateInfo record = check.record();
    QCOMPARE(record.value(0).status, TclUpdateStatus::Failed);
    QCOMPARE(record.value(1).status, TclUpdateStatus::Ready);  // not run after a failure
    QVERIFY(!QFile::exists(m_dir->path() + "/webupdate/later.txt"));

    // The next check runs the waiting update, never the failed one again.
    QVERIFY(check.run());
    record = check.record();
    QCOMPARE(record.value(0).status, TclUpdateStatus::Failed);
    QCOMPARE(record.value(1).status, TclUpdateStatus::Success);
    QCOMPARE(readFile(m_dir->path() + "/webupdate/runs.txt"), QByteArray("run\n"));
    QCOMPARE(check.dialogs.size(), 2);  // the waiting update was asked for again
}

void UpdateCoreTests::readyFileIsCheckedAgainBeforeItRuns() {
    const QString url = m_server.url("/files/one.bin");
    const QString script = "echo ran > \"$(update)/ran.txt\"";
    QVERIFY(m_server.publishList(
        UpdateServer::entry("1.0", url, script, UpdateServer::digestOf(m_file))));
    Check check(m_server, m_dir->path());
    // Downloaded and checked by an earlier check, changed on the disk since.
    const QString file = m_dir->path() + "/webupdate/one.bin";
    QVERIFY(writeFile(file, "changed"));
    TclUpdateInfoItem waiting = recorded("1.0", TclUpdateStatus::Ready);
    waiting.url = url;
    waiting.localFile = file;
    waiting.sha256 = UpdateServer::sha256(m_file);
    waiting.script = {script};
    QCOMPARE(saveUpdateInfo({waiting}, check.recordFile()), QString());

    QVERIFY(check.run());
    QCOMPARE(check.errors.size(), 1);
    QVERIFY2(check.errors[0].contains("no longer matches its SHA-256 digest"),
             qPrintable(check.errors[0]));
    QCOMPARE(check.runs.size(), 0);
    QVERIFY(!QFile::exists(file));
    QCOMPARE(check.record().value(0).status, TclUpdateStatus::Download);

    // The next check fetches the file again and makes the update.
    QVERIFY(check.run());
    QCOMPARE(check.errors.size(), 1);
    QCOMPARE(readFile(m_dir->path() + "/webupdate/ran.txt"), QByteArray("ran\n"));
    QCOMPARE(check.record().value(0).status, TclUpdateStatus::Success);
}

void UpdateCoreTests::interruptedDownloadResumesFromTheRecord() {
    // 1 MB at 100 KB/s per part: about two seconds in five parts.
    QByteArray content(1024 * 1024, Qt::Uninitialized);
    for (int i = 0; i < content.size(); ++i)
        content[i] = char((quint32(i) * 7919u) >> 5);
    QVERIFY(m_server.publishFile("slow/big.bin", content));
    QVERIFY(m_server.publishList(UpdateServer::entry(
        "2.0", m_server.url("/slow/big.bin"), "echo done > \"$(update)/ran.txt\"",
        "sha256=\"" + UpdateServer::sha256(content) + "\"")));

    qint64 savedBytes = 0;
    {
        auto first = std::make_unique<Check>(m_server, m_dir->path());
        qint64 received = 0;
        connect(&first->engine, &TclWebUpdate::OnDownloadProgress,
                [&](int, qint64 downloaded, qint64) { received = downloaded; });
        first->engine.StartCheck();
        QVERIFY(QTest::qWaitFor([&] { return received > 200 * 1024; }, 30000));
        // The program ends in the middle of the download.
        first.reset();
        const TclUpdateInfo record = loadUpdateInfo(m_dir->path() + "/webupdate/lastupdate.xml");
        QCOMPARE(record.size(), 1);
        QCOMPARE(record[0].status, TclUpdateStatus::Download);
        QCOMPARE(record[0].resourceState.resourceSize, qint64(content.size()));
        QCOMPARE(record[0].resourceState.segments.size(), 5);
        for (const TransferPart& part : record[0].resourceState.segments)
            savedBytes += part.bytesDone;
        QVERIFY(savedBytes >= 200 * 1024 && savedBytes < content.size());
    }

    Check second(m_server, m_dir->path());
    QVERIFY(second.run());
    QCOMPARE(second.errors, QStringList());
    QCOMPARE(second.dialogs.size(), 1);
    // The first report already counts what the first run had saved.
    QVERIFY2(second.firstProgress.value(0) > savedBytes,
             qPrintable(QString::number(second.firstProgress.value(0))));
    QCOMPARE(readFile(m_dir->path() + "/webupdate/big.bin"), content);
    QCOMPARE(readFile(m_dir->path() + "/webupdate/ran.txt"), QByteArray("done\n"));
    QCOMPARE(second.record().value(0).status, TclUpdateStatus::Success);
    QVERIFY(second.record().value(0).resourceState.segments.isEmpty());
}

void UpdateCoreTests::updateThatNeedsClosingIsRefused() {
    const QString url = m_server.url("/files/one.bin");
    const QString digest = UpdateServer::digestOf(m_file);
    QVERIFY(m_server.publishList(
        UpdateServer::entry("1.0", url, "echo closed > \"$(update)/closed.txt\"",
                            digest + " terminate=\"YES\"") +
        UpdateServer::entry("1.1", url, "echo ran > \"$(update)/ran.txt\"", digest)));
    Check check(m_server, m_dir->path());
    QVERIFY(check.run());
    QCOMPARE(check.errors, QStringList{"The 1.0 update must be made while Corvanta is closed, "
                                       "which Corvanta cannot do; it was not made"});
    // Only the other update is offered and made.
    QCOMPARE(check.dialogs.size(), 1);
    QCOMPARE(check.dialogs[0].commands.first(), "Update 1.1:");
    QCOMPARE(check.runs.size(), 1);
    QVERIFY(!QFile::exists(m_dir->path() + "/webupdate/closed.txt"));
    QCOMPARE(readFile(m_dir->path() + "/webupdate/ran.txt"), QByteArray("ran\n"));
    TclUpdateInfo record = check.record();
    QCOMPARE(record.value(0).status, TclUpdateStatus::Failed);
    QCOMPARE(record.value(1).status, TclUpdateStatus::Success);

    // Said once: the next check finds nothing new.
    QVERIFY(check.run());
    QCOMPARE(check.errors.size(), 1);
    QCOMPARE(check.noUpdates, 1);
}

void UpdateCoreTests::onlyTrustedHttpsIsFetched_data() {
    QTest::addColumn<bool>("plainList");
    QTest::addColumn<QString>("fileUrl");
    QTest::addColumn<bool>("trusted");
    QTest::addColumn<QString>("error");
    const QString file = m_server.url("/files/one.bin");
    QTest::newRow("plain list address") << true << file << true << "is not an https address";
    QTest::newRow("plain file address") << false << QString(file).replace("https://", "http://")
                                        << true << "is not an https address";
    QTest::newRow("redirect to plain http")
        << false << m_server.url("/to-plain/one.bin") << true << "\"http\" not supported";
    QTest::newRow("untrusted certificate") << false << file << false << "certificate";
}

void UpdateCoreTests::onlyTrustedHttpsIsFetched() {
    QFETCH(bool, plainList);
    QFETCH(QString, fileUrl);
    QFETCH(bool, trusted);
    QFETCH(QString, error);
    QVERIFY(m_server.publishList(UpdateServer::entry(
        "1.0", fileUrl, "echo ran > \"$(update)/ran.txt\"", UpdateServer::digestOf(m_file))));
    Check check(m_server, m_dir->path());
    if (plainList)
        check.engine.setUpdateUrl(QString(m_server.listUrl()).replace("https://", "http://"));
    if (!trusted)
        check.engine.downloaderSettings().certificateAuthorities.clear();
    QVERIFY(check.run());
    QVERIFY(!check.errors.isEmpty());
    QVERIFY2(check.errors[0].contains(error, Qt::CaseInsensitive), qPrintable(check.errors[0]));
    QVERIFY(!QFile::exists(m_dir->path() + "/webupdate/one.bin"));
    QVERIFY(!QFile::exists(m_dir->path() + "/webupdate/ran.txt"));
}

void UpdateCoreTests::interpreterThatCannotStartEndsTheCheck() {
    QVERIFY(m_server.publishList(UpdateServer::entry("1.0", m_server.url("/files/one.bin"),
                                                     "echo ran", UpdateServer::digestOf(m_file))));
    Check check(m_server, m_dir->path());
    check.engine.setShell(m_dir->path() + "/no-such-shell");
    QVERIFY(check.run());
    QCOMPARE(check.errors, QStringList{"Can not run cmd file, error 2"});
    QCOMPARE(check.errorCodes, QList<int>{ENOENT});
    QVERIFY(!QFile::exists(m_dir->path() + "/" + TclWebUpdate::kScriptFileName));
    QVERIFY(!QFile::exists(m_dir->path() + "/" + TclWebUpdate::kLogFileName));
    QCOMPARE(check.record().value(0).status, TclUpdateStatus::Ready);  // tried again next time
}

CORVANTA_TEST_MAIN(UpdateCoreTests)
#include "tst_update_core.moc"
