#include <QLocale>
#include <QtTest>

#include "TestEnvironment.h"
#include "TransferDisplay.h"

class TransferDisplayTests : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }

    void sizes_data();
    void sizes();
    void times_data();
    void times();
    void captions_data();
    void captions();
    void progressBars();
};

void TransferDisplayTests::sizes_data() {
    QTest::addColumn<double>("bytes");
    QTest::addColumn<QString>("text");
    QTest::newRow("nothing") << 0.0 << "0.00 b";
    QTest::newRow("below a kilobyte") << 1023.0 << "1,023.00 b";
    QTest::newRow("one kilobyte") << 1024.0 << "1.00 Kb";
    QTest::newRow("kilobytes") << 1536.0 << "1.50 Kb";
    QTest::newRow("below a megabyte") << 1024.0 * 1024 - 1 << "1,024.00 Kb";
    QTest::newRow("megabytes") << 5.25 * 1024 * 1024 << "5.25 Mb";
    QTest::newRow("no larger unit") << 5.0 * 1024 * 1024 * 1024 << "5,120.00 Mb";
    QTest::newRow("speed with a fraction") << 10.5 << "10.50 b";
    QTest::newRow("negative") << -3.0 << "0.00 b";
}

void TransferDisplayTests::sizes() {
    QFETCH(double, bytes);
    QFETCH(QString, text);
    QCOMPARE(formatTransferSize(bytes), text);
}

void TransferDisplayTests::times_data() {
    QTest::addColumn<double>("seconds");
    QTest::addColumn<QString>("text");
    QTest::newRow("nothing") << 0.0 << "0 m 0 s";
    QTest::newRow("59 s") << 59.0 << "0 m 59 s";
    QTest::newRow("a fraction is cut") << 59.97 << "0 m 59 s";
    QTest::newRow("3725 s") << 3725.0 << "1 h 2 m 5 s";
    QTest::newRow("a whole day") << 86400.0 << "1 d 0 h 0 m 0 s";
    QTest::newRow("25 hours") << 90000.0 << "1 d 1 h 0 m 0 s";
    // 16 bits of minutes would wrap after 45 days.
    QTest::newRow("50 days") << 50.0 * 86400 + 61 << "50 d 0 h 1 m 1 s";
    QTest::newRow("not a number") << qQNaN() << "0 m 0 s";
    QTest::newRow("infinite") << qInf() << "0 m 0 s";
}

void TransferDisplayTests::times() {
    QFETCH(double, seconds);
    QFETCH(QString, text);
    QCOMPARE(formatTransferTime(seconds), text);
}

void TransferDisplayTests::captions_data() {
    QTest::addColumn<QString>("url");
    QTest::addColumn<QString>("caption");
    QTest::newRow("file") << "http://h/docs/a.html"
                          << "a.html";
    QTest::newRow("query") << "http://h/list.php?p=1"
                           << "list.php?p=1";
    QTest::newRow("folder") << "http://h/docs/"
                            << "Undefined";
    QTest::newRow("blank after the slash") << "ftp://h/a/  "
                                           << "Undefined";
    QTest::newRow("backslash") << "c:\\downloads\\x.zip"
                               << "x.zip";
    QTest::newRow("colon last") << "mailto:me"
                                << "me";
    QTest::newRow("encoded name") << "http://h/caf%C3%A9%20au%20lait.html"
                                  << QString::fromUtf8("café au lait.html");
    QTest::newRow("encoded escape sequence") << "http://h/a%1B]0;x%07.html"
                                             << "a]0;x.html";
}

void TransferDisplayTests::captions() {
    QFETCH(QString, url);
    QFETCH(QString, caption);
    QCOMPARE(transferCaption(url), caption);
}

void TransferDisplayTests::progressBars() {
    // 1000 bytes in two parts on a 90-pixel cell: the total bar is the share
    // done, each segment starts at its part's place and is as long as its share.
    TransferPart first{0, 500, 500, TransferStatus::Done};
    TransferPart second{500, 500, 250, TransferStatus::Process};
    const ProgressBars bars = ::progressBars(90, 1000, 750, {first, second});
    QCOMPARE(bars.totalWidth, 68);  // 67.5 rounded
    QCOMPARE(bars.parts.size(), 2);
    QCOMPARE(bars.parts[0].left, 0);
    QCOMPARE(bars.parts[0].width, 45);
    QCOMPARE(bars.parts[1].left, 45);
    QCOMPARE(bars.parts[1].width, 23);  // 22.5 rounded
    QCOMPARE(bars.parts[1].status, TransferStatus::Process);
    // Unknown size: no bars; more done than the size: never past the cell.
    QCOMPARE(::progressBars(90, 0, 10, {first}).parts.size(), 0);
    QCOMPARE(::progressBars(90, 100, 150, {TransferPart{50, 50, 150}}).totalWidth, 90);
    QCOMPARE(::progressBars(90, 100, 150, {TransferPart{50, 50, 150}}).parts[0].width, 45);
}

CORVANTA_TEST_MAIN(TransferDisplayTests)
#include "tst_transfer_display.moc"
