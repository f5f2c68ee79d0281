// Times "Translate Text" of the translator window with the offline engine on
// one file, "English to Spanish", from the click to the translation shown, and
// the longest stall of the window's event loop meanwhile. Writes the shown
// translation to OUTPUT and prints key=value lines for bench/translate.sh.
//
//   translator_bench INPUT OUTPUT
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTimer>
#include <cstdio>

#include "RecordingToolHost.h"
#include "TestEnvironment.h"
#include "fmTranslate.h"

int main(int argc, char** argv) {
    TestEnvironment::prepare();
    QApplication app(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: translator_bench INPUT OUTPUT\n");
        return 2;
    }
    QFile input(QString::fromLocal8Bit(argv[1]));
    if (!input.open(QIODevice::ReadOnly))
        return 2;
    RecordingToolHost host;
    TTransFrm window(host);
    window.show();
    window.findChild<QPlainTextEdit*>("Memo1")->setPlainText(QString::fromUtf8(input.readAll()));
    window.findChild<QComboBox*>("ComboBox1")->setCurrentIndex(13);  // English to Spanish
    auto* status = window.findChild<QLabel*>("StatusPanel0");
    QApplication::processEvents();

    // The longest gap between ticks of a 10 ms timer: how long the window
    // could not answer.
    QElapsedTimer sinceTick;
    qint64 longestStall = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout,
                     [&] { longestStall = std::max(longestStall, sinceTick.restart()); });
    QElapsedTimer timer;
    timer.start();
    sinceTick.start();
    ticker.start(10);
    window.findChild<QAction*>("TBXTranslate")->trigger();
    while (status->text() != QLatin1String("Ready") && host.scripted.count() == 0)
        QApplication::processEvents(QEventLoop::WaitForMoreEvents);
    const qint64 elapsed = timer.elapsed();
    if (host.scripted.count() > 0) {
        std::fprintf(stderr, "%s\n", qPrintable(host.scripted.last().text));
        return 1;
    }
    QFile output(QString::fromLocal8Bit(argv[2]));
    if (!output.open(QIODevice::WriteOnly))
        return 2;
    output.write(window.findChild<QPlainTextEdit*>("Memo2")->toPlainText().toUtf8());
    std::printf("window_ms=%lld\nlongest_stall_ms=%lld\n", elapsed, longestStall);
    return 0;
}
