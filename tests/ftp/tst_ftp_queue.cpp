#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QSpinBox>
#include <QSplitter>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextEdit>
#include <QTreeView>
#include <QTreeWidget>
#include <QtTest>
#include <memory>

#include "FavoriteSites.h"
#include "FtpClient.h"
#include "FtpServerFixture.h"
#include "FtpWindowDriver.h"
#include "ListSortKey.h"
#include "LocalFileName.h"
#include "LocalFoldersPage.h"
#include "RecordingToolHost.h"
#include "Registry.h"
#include "ScriptedFtpServer.h"
#include "TestEnvironment.h"
#include "TextColouring.h"
#include "TransferDisplay.h"
#include "TransferQueue.h"
#include "TransferQueueStore.h"
#include "WithoutCapability.h"
#include "fmFTP.h"

using Kind = FtpServerFixture::Kind;
using FtpWindowDriver::readFile;
using FtpWindowDriver::writeFile;
using Column = TransferQueueModel::Column;

namespace {

QByteArray randomBytes(qsizetype size) {
    QByteArray data(size, Qt::Uninitialized);
    QRandomGenerator generator(size);
    generator.fillRange(reinterpret_cast<quint32*>(data.data()), size / 4);
    return data;
}

void setModified(const QString& path, const QDateTime& when) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadWrite));
    QVERIFY(file.setFileTime(when, QFileDevice::FileModificationTime));
}

QList<QStringList> rows(const QList<QStringList>& texts, const QList<int>& order) {
    QList<QStringList> sorted;
    for (int index : order) {
        sorted << texts[index];
    }
    return sorted;
}

}  // namespace

class FtpQueueTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void sortKeyRule();
    void logColouring_data();
    void logColouring();
    void previewColouring_data();
    void previewColouring();
    void downloadFolderAndAddress_data();
    void downloadFolderAndAddress();
    void keptPartsText_data();
    void keptPartsText();
    void storeHandsEachItemToOneWindow();

    void folderQueuesItsFilesOnly();
    void twentyMegabytesInFiveParts();
    void blanksAndNonAsciiInName();
    void startAllRules();
    void uploadToMissingFolderFails();
    void desktopDropQueuesUploadsUnstarted();
    void closeQuery();
    void queueKeptAcrossWindows_data();
    void queueKeptAcrossWindows();
    void progressRedrawsAreThrottled();
    void optionsReachBothEngines();
    void fileInfoAndPreviewPages();
    void fileInfoEditsTheItemItShows_data();
    void fileInfoEditsTheItemItShows();
    void queueTakesTheConnectedSite();
    void higherPriorityRefusedBySystem();
    void keptQueueExplainedOnce_data();
    void keptQueueExplainedOnce();
    void logAndViewItems();
    void openDownloadFolder();

private:
    void openWindow();
    void logIn(FtpServerFixture& server, const QString& startFolder = QString()) {
        FtpWindowDriver::logIn(*m_window, server, startFolder);
        QCOMPARE(m_host->scripted.countOf(Prompts::Kind::Error), 0);
    }
    void select(const QStringList& texts) {
        QVERIFY2(FtpWindowDriver::selectRemote(*m_window, texts), qPrintable(texts.join(" > ")));
    }
    // "Add Files To Download Queue" of the selected remote node's context menu.
    void addToDownloads() {
        auto* tree = m_window->findChild<QTreeWidget*>("tvList");
        QTreeWidgetItem* node = tree->currentItem();
        QVERIFY(node);
        tree->scrollToItem(node);
        QVERIFY(FtpWindowDriver::chooseFromContextMenu(tree, tree->visualItemRect(node).center(),
                                                       "Add Files To Download Queue"));
    }
    // An entry of the transfers list's context menu, opened on `item`'s row.
    void chooseInQueue(TclTransferItem* item, const QString& text) {
        showPage("tabTransfers");
        auto* list = m_window->findChild<QTreeView*>("LVTransfer");
        const QModelIndex index = queue().model().index(queue().model().rowOf(item), 0);
        list->scrollTo(index);
        QVERIFY2(
            FtpWindowDriver::chooseFromContextMenu(list, list->visualRect(index).center(), text),
            qPrintable(text));
    }
    void selectLocal(const QString& path) {
        m_window->findChild<LocalFoldersPage*>()->selectPath(path);
    }
    QPoint rowCenter(TclTransferItem* item) {
        auto* list = m_window->findChild<QTreeView*>("LVTransfer");
        const QModelIndex index = queue().model().index(queue().model().rowOf(item), 0);
        list->scrollTo(index);
        return list->visualRect(index).center();
    }
    void selectRow(TclTransferItem* item) {
        auto* list = m_window->findChild<QTreeView*>("LVTransfer");
        list->setCurrentIndex(queue().model().index(queue().model().rowOf(item), 0));
    }
    void showPage(const char* name) {
        auto* pages = m_window->findChild<QTabWidget*>("pcBottom");
        pages->setCurrentWidget(m_window->findChild<QWidget*>(name));
    }
    TransferQueue& queue() { return m_window->queue(); }
    QString cell(TclTransferItem* item, Column column) {
        return queue().model().texts(queue().model().rowOf(item)).value(column);
    }
    QString downloads() const { return m_local.path() + "/FTP Downloads"; }
    // An item that runs until stopped: its server never greets.
    TclTransferItem* addRunningItem();

    std::unique_ptr<FtpServerFixture> m_pyftpd;
    std::unique_ptr<FtpServerFixture> m_vsftpd;
    std::unique_ptr<FtpServerFixture> m_slow;  // pyftpdlib sending 256 KiB/s per connection
    ScriptedFtpServer m_silent{ScriptedFtpServer::Behaviour::Silent};
    std::unique_ptr<RecordingToolHost> m_host;
    std::unique_ptr<TFTPfrm> m_window;
    QTemporaryDir m_local;
};

void FtpQueueTest::initTestCase() {
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    m_pyftpd = std::make_unique<FtpServerFixture>(Kind::Pyftpdlib);
    m_vsftpd = std::make_unique<FtpServerFixture>(Kind::Vsftpd);
    m_slow = std::make_unique<FtpServerFixture>(Kind::Pyftpdlib);
    m_slow->setSendLimit(256 * 1024);
    QString error;
    for (FtpServerFixture* server : {m_pyftpd.get(), m_vsftpd.get(), m_slow.get()}) {
        QVERIFY2(server->start(&error), qPrintable(error));
    }
}

void FtpQueueTest::init() {
    QFile::remove(TransferQueueStore::defaultFile());
    for (const QString& entry :
         QDir(m_local.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot)) {
        const QString path = m_local.filePath(entry);
        QFileInfo(path).isDir() ? QDir(path).removeRecursively() : QFile::remove(path);
    }
    openWindow();
}

void FtpQueueTest::openWindow() {
    m_window.reset();
    m_host = std::make_unique<RecordingToolHost>();
    m_window = std::make_unique<TFTPfrm>(*m_host);
    // No test writes into the user's own download folder; set before the
    // window shows, which brings back the kept queue.
    queue().downloader().setLocalFolder(m_local.path());
    m_window->show();
}

void FtpQueueTest::cleanup() {
    if (m_window) {
        queue().stopAndWait(10000);
    }
    m_window.reset();
    m_host.reset();
}

TclTransferItem* FtpQueueTest::addRunningItem() {
    TclTransferItem* item =
        queue().addDownload({"ftp://127.0.0.1/%2F/never.bin", m_local.filePath("never.bin"), "u",
                             "p", m_silent.port()});
    queue().startItem(item);
    return item;
}

// ----------------------------------------------------------------- rules

void FtpQueueTest::sortKeyRule() {
    // Captions and the "Speed" column (sub-item 3, column 4) as texts.
    const QList<QStringList> texts{{"b.txt", "", "", "", "9.00 Kb/s"},
                                   {"a.txt", "", "", "", "10.00 Kb/s"},
                                   {"B.txt", "", "", "", "1.00 Mb/s"}};
    ListSortKey key;
    QCOMPARE(key.order(texts), QList<int>({0, 1, 2}));  // unsorted until a click
    key.click(4);
    QCOMPARE(key.value(), 5);
    // As text: "9.00 Kb/s" after "10.00 Kb/s".
    QCOMPARE(rows(texts, key.order(texts)).first().value(4), QString("1.00 Mb/s"));
    QCOMPARE(key.order(texts), QList<int>({2, 1, 0}));
    key.click(4);
    QCOMPARE(key.value(), -5);
    QCOMPARE(key.order(texts), QList<int>({0, 1, 2}));
    // Another column sorts ascending again; the comparison heeds case.
    key.click(0);
    QCOMPARE(key.value(), 1);
    QCOMPARE(rows(texts, key.order(texts)), QList<QStringList>({texts[1], texts[0], texts[2]}));
}

void FtpQueueTest::logColouring_data() {
    QTest::addColumn<QString>("line");
    QTest::addColumn<QStringList>("coloured");  // word=colour in order
    QTest::newRow("logged in") << "Status: 230 User logged in."
                               << QStringList{"Status:=blue", "User=red", "logged=green",
                                              "in.=green"};
    QTest::newRow("login incorrect") << "Status: 530 Login incorrect."
                                     << QStringList{"Status:=blue", "Login=red", "incorrect.=red"};
    QTest::newRow("words across lines") << "Transfer complete.\r\nCommand: PASS ****"
                                        << QStringList{"Transfer=green", "complete.\r=green"};
    QTest::newRow("nothing to colour") << "Status: 257 \"/\"  " << QStringList{"Status:=blue"};
}

void FtpQueueTest::logColouring() {
    QFETCH(QString, line);
    QFETCH(QStringList, coloured);
    const QMap<TextColour, QString> names{
        {TextColour::Green, "green"}, {TextColour::Red, "red"}, {TextColour::Blue, "blue"}};
    QStringList got;
    for (const ColouredRun& run : colourLogText(line)) {
        got << line.mid(run.start, run.length) + "=" + names.value(run.colour);
    }
    QCOMPARE(got, coloured);
}

void FtpQueueTest::previewColouring_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("colours");  // one letter per character: b, r, g
    QTest::newRow("tag with a quoted value") << "x<a h=\"v\">y"
                                             << "brrrrrrgrrb";
    QTest::newRow("braces are tags") << "{k}z"
                                     << "rrrb";
    QTest::newRow("quotes outside tags are text") << "\"q\"<b>"
                                                  << "bbbrrr";
    QTest::newRow("an open quote ends with its tag") << "<a \">b"
                                                     << "rrrrrb";
}

void FtpQueueTest::previewColouring() {
    QFETCH(QString, text);
    QFETCH(QString, colours);
    QString got;
    for (const ColouredRun& run : colourPreviewText(text)) {
        const QChar letter = run.colour == TextColour::Blue  ? 'b'
                             : run.colour == TextColour::Red ? 'r'
                                                             : 'g';
        got += QString(run.length, letter);
    }
    QCOMPARE(got, colours);
}

void FtpQueueTest::downloadFolderAndAddress_data() {
    QTest::addColumn<QString>("localPath");
    QTest::addColumn<bool>("isFolder");
    QTest::addColumn<QString>("remoteFolder");
    QTest::addColumn<QString>("folder");
    QTest::newRow("no local node") << "" << false << "/pub"
                                   << "/engine";
    QTest::newRow("a file") << "/home/u/notes.txt" << false << "/pub"
                            << "/home/u/FTP Downloads";
    QTest::newRow("a folder, remote file") << "/home/u/" << true << ""
                                           << "/home/u/FTP Downloads";
    QTest::newRow("a folder, remote folder") << "/home/u" << true << "/pub"
                                             << "/home/u/FTP Downloads/pub";
    QTest::newRow("a server's dots stay inside") << "/home/u" << true << "/.."
                                                 << "/home/u/FTP Downloads";
}

void FtpQueueTest::downloadFolderAndAddress() {
    QFETCH(QString, localPath);
    QFETCH(bool, isFolder);
    QFETCH(QString, remoteFolder);
    QFETCH(QString, folder);
    QCOMPARE(queueDownloadFolder(localPath, isFolder, remoteFolder, "/engine"), folder);
    // The address carries no port or credentials, and its path from the root.
    QCOMPARE(queuedFileUrl("host", "/pub/", "a b#.txt"),
             QString("ftp://host/%2F/pub/a%20b%23.txt"));
    QCOMPARE(queueCaption(queuedFileUrl("host", "/pub", "a b#.txt")), QString("a b#.txt"));
    QCOMPARE(queueCaption("ftp://host/%2F/pub/"), QString("Undefined"));
    // Shown as read, typed back as read: a "%" in a name is a "%".
    const QString url = queuedFileUrl("host", "/pub", "50% a#b.txt");
    QCOMPARE(queueAddressText(url), QString("ftp://host/pub/50% a#b.txt"));
    QCOMPARE(queueAddressFromText(" ftp://host/pub/50% a#b.txt "), url);
}

void FtpQueueTest::keptPartsText_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<qint64>("size");
    QTest::addColumn<int>("parts");
    QTest::newRow("two parts") << "0,500,100;500,500,500" << qint64(1000) << 2;
    QTest::newRow("a gap") << "0,400,100;500,500,500" << qint64(1000) << 0;
    QTest::newRow("short of the size") << "0,500,100" << qint64(1000) << 0;
    QTest::newRow("more done than the part") << "0,1000,1001" << qint64(1000) << 0;
    QTest::newRow("not numbers") << "0,a,1" << qint64(1000) << 0;
    QTest::newRow("nothing") << "" << qint64(1000) << 0;
}

void FtpQueueTest::keptPartsText() {
    QFETCH(QString, text);
    QFETCH(qint64, size);
    QFETCH(int, parts);
    const QList<TransferPart> read = partsFromText(text, size);
    QCOMPARE(read.size(), parts);
    if (parts > 0) {
        QCOMPARE(partsText(read), text);
    }
}

void FtpQueueTest::storeHandsEachItemToOneWindow() {
    const QString file = m_local.filePath("queue.db");
    SavedTransfer first;
    first.url = "ftp://h/%2F/a";
    first.localFile = "/tmp/a";
    first.userName = "u";
    first.password = "p w";
    first.port = 2121;
    first.threadCount = 3;
    first.resourceSize = 1000;
    first.validator = "1000:1700000000";
    first.parts = partsFromText("0,500,100;500,500,500", 1000);
    SavedTransfer second;
    second.upload = true;
    second.url = "ftp://h/%2F/b";
    second.parts = first.parts;  // without its proof: not kept
    second.resourceSize = 1000;
    {
        TransferQueueStore store(file);
        store.append({first});
        store.append({second});  // a second window closing
    }
    QCOMPARE(QFile::permissions(file) & (QFile::ReadOther | QFile::ReadGroup),
             QFile::Permissions());
    TransferQueueStore store(file);
    const QList<SavedTransfer> taken = store.take();
    QCOMPARE(taken.size(), 2);
    QCOMPARE(taken[0].url, first.url);
    QCOMPARE(taken[0].password, first.password);
    QCOMPARE(taken[0].port, 2121);
    QCOMPARE(taken[0].threadCount, 3);
    QCOMPARE(partsText(taken[0].parts), partsText(first.parts));
    QVERIFY(taken[1].upload);
    QVERIFY(taken[1].parts.isEmpty());
    QVERIFY(store.take().isEmpty());  // the next window finds nothing
}

// ---------------------------------------------------------------- window

void FtpQueueTest::folderQueuesItsFilesOnly() {
    const QString root = m_pyftpd->root();
    writeFile(root + "/pub/set/a.txt", randomBytes(3000));
    writeFile(root + "/pub/set/b.txt", randomBytes(70000));
    writeFile(root + "/pub/set/sub/c.txt", "c");
    logIn(*m_pyftpd, "/pub");
    QVERIFY(FtpWindowDriver::openRemote(*m_window, {"..", "/set"}));
    select({"..", "/set"});
    selectLocal(m_local.path());
    addToDownloads();
    QCOMPARE(m_host->scripted.last().text, QString("2 files were added to the Downloads"));
    QTRY_VERIFY_WITH_TIMEOUT(!queue().isBusy(), 20000);
    QCOMPARE(QDir(downloads() + "/set").entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
             QStringList({"a.txt", "b.txt"}));
    for (const QString name : {"a.txt", "b.txt"}) {
        QCOMPARE(readFile(downloads() + "/set/" + name), readFile(root + "/pub/set/" + name));
    }
    QCOMPARE(queue().model().rowCount(), 2);
    for (int row = 0; row < 2; ++row) {
        QCOMPARE(queue().model().texts(row).value(Column::Status), QString("Done"));
    }
    // Site user and password, no port in the address.
    TclTransferItem* item = queue().model().itemAt(0);
    QCOMPARE(item->userName(), m_pyftpd->user());
    QCOMPARE(item->port(), int(m_pyftpd->port()));
    QVERIFY(item->url().startsWith("ftp://127.0.0.1/%2F/pub/set/"));
}

void FtpQueueTest::twentyMegabytesInFiveParts() {
    const QByteArray content = randomBytes(20 * 1024 * 1024);
    writeFile(m_vsftpd->root() + "/pub/big.bin", content);
    logIn(*m_vsftpd, "/pub");
    select({"..", "big.bin"});
    selectLocal(m_local.path());
    addToDownloads();
    QCOMPARE(m_host->scripted.last().text, QString("The file big.bin was added to the Downloads"));
    QTRY_VERIFY_WITH_TIMEOUT(!queue().isBusy(), 60000);
    QVERIFY(readFile(downloads() + "/big.bin") == content);
    TclTransferItem* item = queue().model().itemAt(0);
    QCOMPARE(item->parts().size(), 5);
    QCOMPARE(cell(item, Column::Direction), QString("   Downloading"));
    QCOMPARE(cell(item, Column::Proceed), QString("20.00 Mb"));
    QCOMPARE(cell(item, Column::FileSize), QString("20.00 Mb"));
    QCOMPARE(cell(item, Column::Status), QString("Done"));
    QCOMPARE(cell(item, Column::Remained), QString("0 m 0 s"));
}

void FtpQueueTest::blanksAndNonAsciiInName() {
    const QString name = QString::fromUtf8("my r\u00e9sum\u00e9 \u65e5\u672c 2.txt");
    writeFile(m_pyftpd->root() + "/" + name, "caf\xc3\xa9");
    logIn(*m_pyftpd, "/");
    select({"..", name});
    selectLocal(m_local.path());
    addToDownloads();
    QTRY_VERIFY_WITH_TIMEOUT(!queue().isBusy(), 20000);
    TclTransferItem* item = queue().model().itemAt(0);
    QCOMPARE(cell(item, Column::Caption), name);
    QCOMPARE(cell(item, Column::Status), QString("Done"));
    QCOMPARE(readFile(downloads() + "/" + name), QByteArray("caf\xc3\xa9"));
}

void FtpQueueTest::startAllRules() {
    writeFile(m_pyftpd->root() + "/done.txt", "done");
    writeFile(m_pyftpd->root() + "/later.txt", "later");
    logIn(*m_pyftpd, "/");
    select({"..", "done.txt"});
    selectLocal(m_local.path());
    addToDownloads();
    QTRY_VERIFY_WITH_TIMEOUT(!queue().isBusy(), 20000);
    TclTransferItem* done = queue().model().itemAt(0);
    QCOMPARE(done->status(), TransferStatus::Done);

    TclTransferItem* stopped = queue().addDownload({queuedFileUrl("127.0.0.1", "/", "later.txt"),
                                                    m_local.filePath("later.txt"), m_pyftpd->user(),
                                                    m_pyftpd->password(), m_pyftpd->port()});
    queue().startItem(stopped);
    queue().stopItem(stopped);
    QTRY_VERIFY(!stopped->isRunning());
    QCOMPARE(cell(stopped, Column::Status), QString("Stopped"));
    TclTransferItem* running = addRunningItem();
    QVERIFY(running->isRunning());

    chooseInQueue(running, "Start All Transfers");
    QCOMPARE(m_host->scripted.countOf(Prompts::Kind::Error), 0);  // the running one is left alone
    QCOMPARE(queue().model().rowOf(done), -1);
    QCOMPARE(queue().model().rowCount(), 2);
    QTRY_COMPARE_WITH_TIMEOUT(cell(stopped, Column::Status), QString("Done"), 20000);
    QCOMPARE(readFile(m_local.filePath("later.txt")), QByteArray("later"));
    QVERIFY(running->isRunning());

    // Stop all, then start all: the finished one goes, the other runs again.
    chooseInQueue(running, "Stop All Transfers");
    QTRY_VERIFY_WITH_TIMEOUT(!queue().isBusy(), 10000);
    QCOMPARE(cell(running, Column::Status), QString("Stopped"));
    chooseInQueue(running, "Start All Transfers");
    QCOMPARE(queue().model().rowCount(), 1);
    QVERIFY(running->isRunning());
}

void FtpQueueTest::uploadToMissingFolderFails() {
    QDir().mkpath(m_pyftpd->root() + "/gone");
    writeFile(m_local.filePath("up.txt"), "upload me");
    logIn(*m_pyftpd, "/");
    QDir(m_pyftpd->root() + "/gone").removeRecursively();
    select({"..", "/gone"});
    selectLocal(m_local.filePath("up.txt"));
    // One quick try, through the Options page.
    m_window->findChild<QSpinBox*>("edtTryCount")->setValue(1);
    m_window->findChild<QSpinBox*>("edtReconnect")->setValue(0);
    QCOMPARE(queue().uploader().settings().tryCount, 1);
    m_window->DoAddToUpload();
    QCOMPARE(m_host->scripted.last().text, QString("The file up.txt was added to the Uploads"));
    QTRY_VERIFY_WITH_TIMEOUT(!queue().isBusy(), 20000);
    TclTransferItem* item = queue().model().itemAt(0);
    QVERIFY(item->url().endsWith("/%2F/gone/up.txt"));
    QCOMPARE(cell(item, Column::Status), QString("Failed"));
    QCOMPARE(cell(item, Column::Direction), QString("   Uploading"));
    selectRow(item);
    showPage("tabDetails");
    const QString errors = m_window->findChild<QPlainTextEdit*>("memErrors")->toPlainText();
    QVERIFY(!item->errors().isEmpty());
    QCOMPARE(errors, item->errors().join('\n'));
    // The Editor and File Browser pages are for downloads only.
    auto* pages = m_window->findChild<QTabWidget*>("pcBottom");
    QVERIFY(!pages->isTabVisible(3));
    QCOMPARE(m_host->scripted.countOf(Prompts::Kind::Error), 0);  // no message box
}

void FtpQueueTest::desktopDropQueuesUploadsUnstarted() {
    writeFile(m_local.filePath("dropped.txt"), "dropped");
    logIn(*m_pyftpd, "/");
    select({".."});
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(m_local.filePath("dropped.txt")),
                  QUrl::fromLocalFile(m_local.path())});  // a folder is left out
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(m_window.get(), &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(m_window.get(), &drop);
    QVERIFY(m_host->scripted.count() > 0);
    QCOMPARE(m_host->scripted.last().text,
             "The file " + m_local.filePath("dropped.txt") + " was added to the Uploads");
    QCOMPARE(queue().model().rowCount(), 1);
    TclTransferItem* item = queue().model().itemAt(0);
    QCOMPARE(cell(item, Column::Status), QString("Ready"));
    QVERIFY(!queue().isBusy());
    QCOMPARE(item->url(), QString("ftp://127.0.0.1/%2F/dropped.txt"));
}

void FtpQueueTest::closeQuery() {
    // Nothing transfers: no question, no log-out first.
    logIn(*m_pyftpd, "/");
    QVERIFY(m_window->close());
    QCOMPARE(m_host->scripted.countOf(Prompts::Kind::Warning), 0);
    QVERIFY(m_window->client().isConnected());

    openWindow();
    logIn(*m_pyftpd, "/");
    TclTransferItem* running = addRunningItem();
    m_host->scripted.answerButton(Prompts::Cancel);
    QVERIFY(!m_window->close());
    const auto& asked = m_host->scripted.last();
    QCOMPARE(asked.caption, QString("Warning"));
    QCOMPARE(asked.text,
             QString("The file transferring is in progress. Do you wish to stop the process?"));
    QCOMPARE(asked.buttons, Prompts::Buttons(Prompts::Ok | Prompts::Cancel));
    QVERIFY(running->isRunning());
    m_host->scripted.answerButton(Prompts::Ok);
    QVERIFY(m_window->close());
    QVERIFY(!queue().isBusy());
    QCOMPARE(cell(running, Column::Status), QString("Stopped"));
    QVERIFY(!m_window->client().isConnected());
}

void FtpQueueTest::queueKeptAcrossWindows_data() {
    QTest::addColumn<bool>("changeRemote");
    QTest::newRow("unchanged: the kept parts continue") << false;
    QTest::newRow("changed: from byte 0") << true;
}

void FtpQueueTest::queueKeptAcrossWindows() {
    QFETCH(bool, changeRemote);
    const QString remote = m_slow->root() + "/slow.bin";
    const QByteArray content = randomBytes(4 * 1024 * 1024);
    writeFile(remote, content);
    setModified(remote, QDateTime(QDate(2022, 3, 4), QTime(5, 6), Qt::UTC));
    logIn(*m_slow, "/");
    select({"..", "slow.bin"});
    selectLocal(m_local.path());
    addToDownloads();
    TclTransferItem* item = queue().model().itemAt(0);
    // Stopped once every part has bytes, long before the end.
    const auto everyPartStarted = [item] {
        const QList<TransferPart> parts = item->parts();
        return parts.size() == 5 &&
               std::all_of(parts.begin(), parts.end(),
                           [](const TransferPart& p) { return p.bytesDone > 0; });
    };
    QTRY_VERIFY_WITH_TIMEOUT(everyPartStarted(), 20000);
    chooseInQueue(item, "Stop All Transfers");
    QTRY_VERIFY_WITH_TIMEOUT(!queue().isBusy(), 10000);
    const qint64 kept = item->bytesDone();
    QVERIFY(kept < content.size());
    m_window.reset();  // closing keeps the unfinished item

    // A byte the first window fetched, spoilt on disk: a run that continues
    // the kept parts leaves it, one from byte 0 fetches it again.
    const QString local = downloads() + "/slow.bin";
    {
        // The data so far is in the partial file until the download is complete.
        QFile file(partialFileName(local));
        QVERIFY(file.exists());
        QVERIFY(file.open(QIODevice::ReadWrite));
        file.write(QByteArray(1, char(~content[0])));
    }
    QByteArray expected = content;
    if (changeRemote) {
        // Same size, another modification time: no proof that it is the same file.
        expected = randomBytes(content.size() - 1) + "!";
        writeFile(remote, expected);
        setModified(remote, QDateTime(QDate(2023, 3, 4), QTime(5, 6), Qt::UTC));
    } else {
        expected[0] = char(~content[0]);
    }

    openWindow();
    QCOMPARE(queue().model().rowCount(), 1);
    TclTransferItem* restored = queue().model().itemAt(0);
    QCOMPARE(cell(restored, Column::Status), QString("Stopped"));
    QCOMPARE(cell(restored, Column::Proceed), formatTransferSize(double(kept)));
    QCOMPARE(restored->userName(), m_slow->user());
    QCOMPARE(restored->localFile(), local);
    chooseInQueue(restored, "Start All Transfers");
    QTRY_VERIFY_WITH_TIMEOUT(!queue().isBusy(), 60000);
    QCOMPARE(cell(restored, Column::Status), QString("Done"));
    QVERIFY(readFile(local) == expected);
    // Done items are not kept.
    m_window.reset();
    QVERIFY(TransferQueueStore().take().isEmpty());
}

void FtpQueueTest::progressRedrawsAreThrottled() {
    writeFile(m_slow->root() + "/paced.bin", randomBytes(2 * 1024 * 1024));
    logIn(*m_slow, "/");
    select({"..", "paced.bin"});
    selectLocal(m_local.path());
    QSignalSpy redraws(&queue().model(), &QAbstractItemModel::dataChanged);
    QElapsedTimer clock;
    clock.start();
    addToDownloads();
    QTRY_VERIFY_WITH_TIMEOUT(!queue().isBusy(), 30000);
    const qint64 elapsed = clock.elapsed();
    int progress = 0;
    for (const QList<QVariant>& signal : redraws) {
        const QModelIndex first = signal[0].toModelIndex();
        const QModelIndex last = signal[1].toModelIndex();
        progress += first.column() <= Column::Progress && last.column() >= Column::Progress;
    }
    // Hundreds of blocks arrived; the row was redrawn ten times a second at
    // most, plus once for each of its parts' status changes.
    QVERIFY2(progress <= elapsed / TransferQueue::kRefreshMs + 2 * 5 + 3,
             qPrintable(QString("%1 redraws in %2 ms").arg(progress).arg(elapsed)));
    QVERIFY(progress >= 3);
}

void FtpQueueTest::optionsReachBothEngines() {
    const QList<QGroupBox*> groups = m_window->findChildren<QGroupBox*>();
    QCOMPARE(groups.size(), 3);
    const auto allEnabled = [&] {
        return std::all_of(groups.begin(), groups.end(),
                           [](QGroupBox* g) { return g->isEnabled(); });
    };
    QVERIFY(!allEnabled());  // no item selected
    TclTransferItem* item =
        queue().addDownload({"ftp://h/%2F/a", m_local.filePath("a"), "ann", "pw", 0});
    selectRow(item);
    showPage("tabOptions");
    QVERIFY(allEnabled());
    QCOMPARE(m_window->findChild<QLineEdit*>("edtMultiUser")->text(), QString("ann"));
    QCOMPARE(m_window->findChild<QSpinBox*>("edtThreadCount")->value(), 5);
    QCOMPARE(m_window->findChild<QSpinBox*>("edtTimeOut")->value(), 7);

    m_window->findChild<QSpinBox*>("edtTimeOut")->setValue(30);
    QCOMPARE(queue().downloader().settings().timeOut, 30000);
    QCOMPARE(queue().uploader().settings().timeOut, 30000);
    // No time-out of 0 s: it would fail every transfer at once.
    auto* timeOut = m_window->findChild<QSpinBox*>("edtTimeOut");
    timeOut->selectAll();
    QTest::keyClicks(timeOut, "0");
    QTest::keyClick(timeOut, Qt::Key_Return);
    QCOMPARE(timeOut->value(), 30);
    QCOMPARE(queue().downloader().settings().timeOut, 30000);
    m_window->findChild<QPlainTextEdit*>("memBypass")->setPlainText(" localhost\nexample.test \n");
    QCOMPARE(queue().downloader().settings().proxyBypass,
             QStringList({"localhost", "example.test"}));
    QVERIFY(queue().uploader().settings().proxyBypass.isEmpty());
    m_window->findChild<QSpinBox*>("edtPreviewCount")->setValue(100);
    QCOMPARE(queue().downloader().settings().previewCharCount, 100);
    auto* port = m_window->findChild<QLineEdit*>("edtHttpPort");
    port->setText("8080");
    emit port->editingFinished();
    QCOMPARE(queue().uploader().settings().httpProxyPort, 8080);
    port->setText("eighty");
    emit port->editingFinished();
    QCOMPARE(m_host->scripted.last().text, QString("'eighty' is not a valid integer value."));
    QCOMPARE(queue().downloader().settings().httpProxyPort, 8080);
    QCOMPARE(port->text(), QString("8080"));

    m_window->findChild<QComboBox*>("cbPriority")->setCurrentText("Higher");
    QCOMPARE(item->priority(), TransferPriority::Higher);
    m_window->findChild<QSpinBox*>("edtThreadCount")->setValue(3);
    QCOMPARE(item->threadCount(), 3);
    m_window->findChild<QLineEdit*>("edtMultiPassword")->setText("new");
    QCOMPARE(item->password(), QString("new"));

    // A running item: the whole page is disabled.
    TclTransferItem* running = addRunningItem();
    showPage("tabTransfers");
    selectRow(running);
    showPage("tabOptions");
    QVERIFY(
        std::none_of(groups.begin(), groups.end(), [](QGroupBox* g) { return g->isEnabled(); }));
}

void FtpQueueTest::fileInfoAndPreviewPages() {
    const QByteArray page = "<p class=\"x\">hi\x01</p>";
    writeFile(m_pyftpd->root() + "/page.html", page);
    logIn(*m_pyftpd, "/");
    select({"..", "page.html"});
    selectLocal(m_local.path());
    addToDownloads();
    QTRY_VERIFY_WITH_TIMEOUT(!queue().isBusy(), 20000);
    TclTransferItem* item = queue().model().itemAt(0);
    selectRow(item);
    showPage("tabDetails");
    auto* pages = m_window->findChild<QTabWidget*>("pcBottom");
    QVERIFY(pages->isTabVisible(3) && pages->isTabVisible(4));
    // The address as a person reads it; the encoded one is the engine's.
    QCOMPARE(item->url(), QString("ftp://127.0.0.1/%2F/page.html"));
    QCOMPARE(m_window->findChild<QLineEdit*>("edtURL")->text(),
             QString("ftp://127.0.0.1/page.html"));
    QCOMPARE(cell(item, Column::RemoteFile), QString("ftp://127.0.0.1/page.html"));
    QCOMPARE(m_window->findChild<QLineEdit*>("edtFile")->text(), downloads() + "/page.html");
    const QStringList info =
        m_window->findChild<QPlainTextEdit*>("memInfo")->toPlainText().split('\n');
    QCOMPARE(info.value(0), QString("Resource page.html"));
    QCOMPARE(info.value(1), QString("Size 20.00 Bytes"));
    QCOMPARE(m_window->findChild<QPlainTextEdit*>("memErrors")->toPlainText(),
             QString("There are no errors yet."));

    // The preview: control bytes replaced, tags red, quoted values green, text blue.
    showPage("TabEditor");
    auto* editor = m_window->findChild<QTextEdit*>("RichEditor");
    QCOMPARE(editor->toPlainText(), QString::fromLatin1("<p class=\"x\">hi\x80</p>"));
    const auto colourAt = [&](int position) {
        QTextCursor cursor(editor->document());
        cursor.setPosition(position + 1);
        return cursor.charFormat().foreground().color();
    };
    QCOMPARE(colourAt(0), QColor(255, 0, 0));
    QCOMPARE(colourAt(10), QColor(0, 128, 0));
    QCOMPARE(colourAt(13), QColor(0, 0, 255));

    // Edits change the selected item while it does not run.
    showPage("tabDetails");
    auto* address = m_window->findChild<QLineEdit*>("edtURL");
    address->selectAll();
    QTest::keyClicks(address, "ftp://127.0.0.1/my docs/other page#2.html");
    QCOMPARE(item->url(), QString("ftp://127.0.0.1/%2F/my%20docs/other%20page%232.html"));
    QCOMPARE(cell(item, Column::Caption), QString("other page#2.html"));
    QCOMPARE(item->localFile(), m_local.path() + "/other page#2.html");
    // The encoded form is taken as it stands.
    address->setText("ftp://127.0.0.1/%2F/other%20page.html");
    QCOMPARE(item->url(), QString("ftp://127.0.0.1/%2F/other%20page.html"));
    QCOMPARE(item->localFile(), m_local.path() + "/other page.html");
    m_window->findChild<QLineEdit*>("edtDirectory")->setText(m_local.filePath("elsewhere"));
    QCOMPARE(item->localFile(), m_local.filePath("elsewhere") + "/other page.html");
}

void FtpQueueTest::logAndViewItems() {
    logIn(*m_pyftpd, "/");
    auto* log = m_window->findChild<QTextEdit*>("memLog");
    // Colouring takes the lines so far, then each new one.
    m_window->findChild<QCheckBox*>("cbColoredLog")->setChecked(true);
    QVERIFY(FtpWindowDriver::trigger(*m_window, "TBXRefresh"));
    const auto colourOf = [&](const QString& word, bool last) {
        const QString text = log->toPlainText();
        const int at = last ? text.lastIndexOf(word) : text.indexOf(word);
        QTextCursor cursor(log->document());
        cursor.setPosition(at + 1);
        return cursor.charFormat().foreground().color();
    };
    QCOMPARE(colourOf("Status:", false), QColor(0, 0, 255));
    QCOMPARE(colourOf("Status:", true), QColor(0, 0, 255));
    QCOMPARE(colourOf("Login successful.", false), QColor(255, 0, 0));
    QCOMPARE(colourOf("successful.", false), QColor(0, 128, 0));
    QCOMPARE(colourOf("Command:", true), QColor(Qt::black));

    // A click names the caret's line and column.
    QTextCursor caret = log->textCursor();
    caret.setPosition(log->document()->findBlockByNumber(2).position() + 4);
    log->setTextCursor(caret);
    QTest::mousePress(log->viewport(), Qt::LeftButton, {}, log->cursorRect().center());
    auto* caption = m_window->findChild<QLabel*>("lblLogCaption");
    QTRY_VERIFY(caption->text().startsWith("Connection Log - Copy from line position:3:"));

    const auto trigger = [&](const char* name) {
        auto* action = m_window->findChild<QAction*>(name);
        action->trigger();
        return action->text();
    };
    QCOMPARE(trigger("TBXVHideFiles"), QString("Show The Files List Window"));
    QVERIFY(!m_window->findChild<QTreeView*>("LVFiles")->isVisible());
    QCOMPARE(trigger("TBXVHideFiles"), QString("Hide The Files List Window"));
    auto* rightPane = qobject_cast<QSplitter*>(log->parentWidget()->parentWidget());
    QVERIFY(rightPane);
    QCOMPARE(rightPane->sizes().last(), 93);
    auto* pages = m_window->findChild<QTabWidget*>("pcBottom");
    QCOMPARE(trigger("TBXVShowEditor"), QString("Hide The Editor"));
    QCOMPARE(pages->currentWidget()->objectName(), QString("TabEditor"));
    QCOMPARE(trigger("TBXVShowEditor"), QString("Show The Editor"));
    QVERIFY(!pages->isTabVisible(3));
    QCOMPARE(pages->currentWidget()->objectName(), QString("tabTransfers"));
    QCOMPARE(trigger("TBXVHideLog"), QString("Show The Log Window"));
    QVERIFY(!log->isVisible());
}

void FtpQueueTest::openDownloadFolder() {
    QStringList opened;
    m_window->setFolderOpener([&](const QString& folder) {
        opened << folder;
        return true;
    });
    auto* page = m_window->findChild<LocalFoldersPage*>();
    emit page->nodeClicked(m_local.path());
    QVERIFY(FtpWindowDriver::trigger(*m_window, "TBXOpenDownloadFolder"));  // not there yet
    QCOMPARE(m_host->scripted.last().text,
             QString("We fail to launch The file browser.\n\rYou should select the download "
                     "folder first."));
    QVERIFY(opened.isEmpty());
    QDir().mkpath(downloads());
    QVERIFY(FtpWindowDriver::trigger(*m_window, "TBXOpenDownloadFolder"));
    QCOMPARE(opened, QStringList{downloads() + "/"});
}

void FtpQueueTest::fileInfoEditsTheItemItShows_data() {
    QTest::addColumn<bool>("doubleClick");  // else "File Properties"
    QTest::newRow("double click") << true;
    QTest::newRow("File Properties") << false;
}

void FtpQueueTest::fileInfoEditsTheItemItShows() {
    QFETCH(bool, doubleClick);
    const auto add = [&](const QString& name) {
        return queue().addDownload(
            {queuedFileUrl("127.0.0.1", "/", name), m_local.filePath(name), "u", "p", 21});
    };
    TclTransferItem* first = add("first.txt");
    TclTransferItem* second = add("second.txt");
    auto* list = m_window->findChild<QTreeView*>("LVTransfer");
    auto* pages = m_window->findChild<QTabWidget*>("pcBottom");
    auto* fileName = m_window->findChild<QLineEdit*>("edtFile");
    const auto choose = [&](TclTransferItem* item) {
        showPage("tabTransfers");
        if (doubleClick) {
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, rowCenter(item));
            QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, rowCenter(item));
        } else {
            // The right button goes down on the row before its menu shows.
            QTest::mouseClick(list->viewport(), Qt::RightButton, {}, rowCenter(item));
            QVERIFY(
                FtpWindowDriver::chooseFromContextMenu(list, rowCenter(item), "File Properties"));
        }
        QCOMPARE(pages->currentWidget()->objectName(), QString("tabDetails"));
        QCOMPARE(fileName->text(), item->localFile());
    };
    choose(first);
    choose(second);
    // What is typed changes the item shown, and only that one.
    fileName->selectAll();
    QTest::keyClicks(fileName, m_local.filePath("renamed.txt"));
    QCOMPARE(second->localFile(), m_local.filePath("renamed.txt"));
    QCOMPARE(first->localFile(), m_local.filePath("first.txt"));
}

void FtpQueueTest::queueTakesTheConnectedSite() {
    // A favorite of another host, chosen while connected, fills the site
    // fields; the session's files are still queued from the session's server.
    writeFile(m_pyftpd->root() + "/mine.txt", "mine");
    QFile::remove(FavoritesFile::defaultPath());
    TFavoriteSite other;
    other.server = "127.0.0.2";
    other.user = "other";
    other.password = "other-secret";
    other.port = "2121";
    FavoritesFile(FavoritesFile::defaultPath()).add(other);
    openWindow();
    logIn(*m_pyftpd, "/");
    // Its entry in the Favorites menu: "already connected", the fields filled.
    QAction* entry = nullptr;
    for (QAction* action : m_window->findChildren<QAction*>()) {
        entry = action->text() == "127.0.0.2" ? action : entry;
    }
    QVERIFY(entry);
    entry->trigger();
    QCOMPARE(m_window->findChild<QLineEdit*>("edtServer")->text(), QString("127.0.0.2"));
    select({"..", "mine.txt"});
    selectLocal(m_local.path());
    addToDownloads();
    QFile::remove(FavoritesFile::defaultPath());
    QTRY_VERIFY_WITH_TIMEOUT(!queue().isBusy(), 20000);
    TclTransferItem* item = queue().model().itemAt(0);
    QCOMPARE(item->url(), QString("ftp://127.0.0.1/%2F/mine.txt"));
    QCOMPARE(item->userName(), m_pyftpd->user());
    QCOMPARE(item->password(), m_pyftpd->password());
    QCOMPARE(item->port(), int(m_pyftpd->port()));
    QCOMPARE(cell(item, Column::Status), QString("Done"));
    QCOMPARE(readFile(downloads() + "/mine.txt"), QByteArray("mine"));
}

void FtpQueueTest::higherPriorityRefusedBySystem() {
    // An ordinary user's threads may not run above the process.
    WithoutCapability ordinaryUser(CAP_SYS_NICE);
    if (!ordinaryUser.ok()) {
        QSKIP("this process may not change its capabilities");
    }
    writeFile(m_pyftpd->root() + "/high.txt", "high");
    const auto add = [&](const QString& local) {
        return queue().addDownload({queuedFileUrl("127.0.0.1", "/", "high.txt"),
                                    m_local.filePath(local), m_pyftpd->user(), m_pyftpd->password(),
                                    m_pyftpd->port()});
    };
    TclTransferItem* first = add("first.txt");
    TclTransferItem* second = add("second.txt");
    auto* priority = m_window->findChild<QComboBox*>("cbPriority");
    const QString refused(
        "This system lets only a privileged user raise the priority of transfers: they keep "
        "the priority \"Normal\".");
    for (TclTransferItem* item : {first, second}) {
        showPage("tabTransfers");
        selectRow(item);
        showPage("tabOptions");
        QTest::keyClick(priority, Qt::Key_End);  // the last priority offered
        QCOMPARE(priority->currentText(), QString("Normal"));
        QCOMPARE(item->priority(), TransferPriority::Normal);
    }
    QCOMPARE(m_host->scripted.count(), 1);  // said once
    QCOMPARE(m_host->scripted.last().text, refused);
    chooseInQueue(first, "Start All Transfers");
    QTRY_VERIFY_WITH_TIMEOUT(!queue().isBusy(), 20000);
    for (TclTransferItem* item : {first, second}) {
        QCOMPARE(item->status(), TransferStatus::Done);
        QCOMPARE(item->errors(), QStringList());
    }
}

void FtpQueueTest::keptQueueExplainedOnce_data() {
    QTest::addColumn<QString>("button");
    QTest::newRow("cleared") << "Clear Them";
    QTest::newRow("kept") << "Keep Them";
}

void FtpQueueTest::keptQueueExplainedOnce() {
    QFETCH(QString, button);
    Registry().deleteKey("\\Software\\Corvanta\\FtpClient");
    const auto notice = [&] { return m_window->findChild<QWidget*>("keptQueueNotice"); };
    QVERIFY(notice());
    QVERIFY(!notice()->isVisible());  // nothing was kept for this window
    queue().addDownload({queuedFileUrl("127.0.0.1", "/", "later.txt"),
                         m_local.filePath("later.txt"), "ann", "secret", 21});
    openWindow();  // the first window keeps the item; this one brings it back
    QCOMPARE(queue().model().rowCount(), 1);
    QVERIFY(notice()->isVisible());
    const QString said = notice()->findChild<QLabel*>()->text();
    QVERIFY2(said.contains("1 transfer") && said.contains("passwords") &&
                 said.contains(TransferQueueStore::defaultFile()),
             qPrintable(said));
    QPushButton* answer = nullptr;
    for (QPushButton* candidate : notice()->findChildren<QPushButton*>()) {
        answer = candidate->text() == button ? candidate : answer;
    }
    QVERIFY(answer);
    QTest::mouseClick(answer, Qt::LeftButton);
    QVERIFY(!notice()->isVisible());
    const int kept = button == "Clear Them" ? 0 : 1;
    QCOMPARE(queue().model().rowCount(), kept);
    // Said the first time only.
    openWindow();
    QCOMPARE(queue().model().rowCount(), kept);
    QVERIFY(!notice()->isVisible());
}

CORVANTA_TEST_MAIN(FtpQueueTest)
#include "tst_ftp_queue.moc"
