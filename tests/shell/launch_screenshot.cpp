// Shows the "mail" drop-down, the about box, the icon in a real tray (trayer)
// and the tray menu, and saves a picture of the screen for each (for looking
// at them as a user would).
//   launch_screenshot OUTPUT-FOLDER      (under xvfb-run)
#include <QApplication>
#include <QDir>
#include <QMenu>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QSystemTrayIcon>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include "FrameSession.h"
#include "Launchers.h"
#include "QtPrompts.h"
#include "TestEnvironment.h"
#include "TrayController.h"
#include "fmAbout.h"

namespace {

void grabScreen(const QString& path) {
    QGuiApplication::primaryScreen()->grabWindow(0).save(path);
}

}  // namespace

int main(int argc, char** argv) {
    TestEnvironment::prepare();
    QApplication app(argc, argv);
    const QString folder = argc > 1 ? argv[1] : QDir::currentPath();
    QProcess tray;
    tray.start("trayer", {"--edge", "bottom", "--align", "right", "--widthtype", "pixel", "--width",
                          "120", "--height", "32", "--SetDockType", "false"});
    if (!QTest::qWaitFor([] { return QSystemTrayIcon::isSystemTrayAvailable(); }, 10000)) {
        qWarning("no tray");
        return 1;
    }
    QtPrompts prompts;
    StandInTools tools;
    RecordingShellLauncher shell;
    TfrmMain frame(prompts, tools, shell, [] { return true; });
    prompts.setParent(&frame);
    frame.show();
    (void)QTest::qWaitFor([&] { return frame.startedUp(); });
    frame.DoShowEditor();

    // The mail button's drop-down.
    QToolButton* mail = frame.launchers()->mailButton();
    QTimer::singleShot(300, [&] {
        grabScreen(folder + "/mail-menu.png");
        mail->menu()->hide();
    });
    mail->showMenu();

    // The about box on its "About" page.
    QTimer::singleShot(300, [&] {
        grabScreen(folder + "/about-box.png");
        if (auto* box = qobject_cast<TfrmAbout*>(QApplication::activeModalWidget())) {
            box->pages->setCurrentIndex(3);
            QTest::qWait(100);
            grabScreen(folder + "/about-changelog.png");
            box->BtnClosae->click();
        }
    });
    frame.TBXAboutClick();

    // Into the tray; the menu where the right button would open it.
    frame.showMinimized();
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    (void)QTest::qWaitFor(
        [&] {
            return frame.tray()->icon()->isVisible() &&
                   frame.tray()->icon()->geometry().top() > screen.bottom() - 40;
        },
        5000);
    QTest::qWait(300);
    grabScreen(folder + "/tray-icon.png");
    frame.tray()->ShowTrayMenu(frame.tray()->icon()->geometry().center());
    QTest::qWait(300);
    grabScreen(folder + "/tray-menu.png");
    frame.sharedPopupMenu()->hide();
    tray.kill();
    tray.waitForFinished();
    return 0;
}
