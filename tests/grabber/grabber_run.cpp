// Runs the Web Site Grabber window on one address until the grab ends, for
// bench/grabber.sh (offscreen) and for looking at the window (under
// xvfb-run with --show). Prints "seconds=<wall time of the grab>
// files=<files ended> bytes=<bytes of bodies fetched> unchanged=<files the
// server said were unchanged>". --ca trusts the authorities of a PEM file.
//
//   grabber_run ADDRESS FOLDER DEPTH [--no-multipart] [--ca FILE] [--show SECONDS]
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLineEdit>
#include <QSpinBox>
#include <QTest>
#include <cstdio>

#include "RecordingToolHost.h"
#include "TestEnvironment.h"
#include "fmGrabber.h"

int main(int argc, char** argv) {
    TestEnvironment::prepare();
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 4) {
        std::fprintf(stderr,
                     "usage: grabber_run ADDRESS FOLDER DEPTH [--no-multipart] [--ca FILE] "
                     "[--show S]\n");
        return 2;
    }
    const int show = args.contains("--show") ? args.value(args.indexOf("--show") + 1).toInt() : 0;
    const QString authorities =
        args.contains("--ca") ? args.value(args.indexOf("--ca") + 1) : QString();
    RecordingToolHost host;
    host.scripted.answerButton(Prompts::Ok);  // unchecking "Multipart Downloading"
    TGrabberFrm window(host);
    window.setWindowFlags(Qt::Window);
    window.resize(1180, 640);
    window.move(0, 0);
    window.show();
    if (args.contains("--no-multipart"))
        window.option("Multipart Downloading")->setChecked(false);
    window.grabber().downloader().settings().certificateAuthorities = authorities;
    window.targetDirBox()->setText(args[2]);
    window.levelBox()->setValue(args[3].toInt());
    window.rootUrlBox()->setEditText(args[1]);
    QElapsedTimer clock;
    clock.start();
    QEventLoop loop;
    QObject::connect(&window.grabber(), &SiteGrabber::busyStateChanged, &loop, [&loop](bool busy) {
        if (!busy)
            loop.quit();
    });
    window.findChild<QAction*>("TBXGrab")->trigger();
    if (window.grabber().isBusy())
        loop.exec();
    const GrabProgress progress = window.grabber().progress();
    std::printf("seconds=%.3f files=%d bytes=%lld unchanged=%d\n", clock.nsecsElapsed() / 1e9,
                progress.filesDone, qint64(progress.bytesDone), window.grabber().unchangedCount());
    std::fflush(stdout);
    if (show > 0)
        QTest::qWait(show * 1000);
    return 0;
}
