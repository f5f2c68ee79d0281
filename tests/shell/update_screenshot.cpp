// Shows the frame running a web update against the loopback update server and
// saves two pictures of the screen (for looking at them as a user would): the
// update information dialog, then the status bar while the file downloads.
//   update_screenshot OUTPUT-FOLDER      (under xvfb-run)
#include <QApplication>
#include <QDir>
#include <QGuiApplication>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>

#include "QtPrompts.h"
#include "RecordingShellLauncher.h"
#include "ServiceAddress.h"
#include "TclWebUpdate.h"
#include "TestEnvironment.h"
#include "TfrmUpdateInfo.h"
#include "ToolWindow.h"
#include "ToolWindowFactory.h"
#include "UpdateCheck.h"
#include "UpdateServer.h"
#include "fmMain.h"

namespace {

class EmptyTools : public ToolWindowFactory {
public:
    ToolWindow* create(ToolKind kind, ToolHost& host) override {
        return new ToolWindow(host, kind);
    }
    void navigate(ToolWindow*, const QString&, bool) override {}
    void showHtml(ToolWindow*, const QString&, const QString&) override {}
    void showText(ToolWindow*, const QString&, bool) override {}
    void handOff(ToolWindow*, const QString&) override {}
    void openFile(ToolWindow*, const QString&) override {}
    void openAddress(ToolWindow*, const QString&) override {}
};

void grabScreen(const QString& path) {
    QGuiApplication::primaryScreen()->grabWindow(0).save(path);
}

}  // namespace

int main(int argc, char** argv) {
    TestEnvironment::prepare();
    QApplication app(argc, argv);
    const QString folder = argc > 1 ? argv[1] : QDir::currentPath();
    UpdateServer server;
    if (!server.start()) {
        qWarning("%s", qPrintable(server.errorText()));
        return 1;
    }
    const QByteArray first(64 * 1024, 'f');
    const QByteArray second(2 * 1024 * 1024, 'u');
    server.publishFile("slow/update-1.0.tar", first);
    server.publishFile("slow/update-1.1.tar", second);
    server.publishFile("Update.config", "[Corvanta]\nVersion=9\n");
    server.publishList(
        UpdateServer::entry("1.0", server.url("/slow/update-1.0.tar"),
                            "cp \"$(update)/update-1.0.tar\" \"$(update)/installed-1.0.tar\"",
                            UpdateServer::digestOf(first)) +
        UpdateServer::entry(
            "1.1", server.url("/slow/update-1.1.tar"),
            "cp \"$(update)/update-1.1.tar\" \"$(update)/installed-1.1.tar\"\necho installed",
            UpdateServer::digestOf(second)));
    server.trustInQt();
    ServiceAddress::set(ServiceAddress::kUpdateServerName, server.url());

    QtPrompts prompts;
    EmptyTools tools;
    RecordingShellLauncher shell;
    TfrmMain frame(
        prompts, tools, shell, [] { return true; }, nullptr, server.publicKey());
    frame.updateCheck()->clWebUpdate().downloaderSettings().certificateAuthorities =
        server.certificateFile();
    frame.show();
    (void)QTest::qWaitFor([&] { return frame.startedUp(); });
    frame.updateCheck()->DoCheck4Updates();

    QTimer::singleShot(500, [&] {
        auto* dialog = qobject_cast<TfrmUpdateInfo*>(QApplication::activeModalWidget());
        if (!dialog) {
            app.exit(1);
            return;
        }
        grabScreen(folder + "/update-dialog.png");
        dialog->btnUpdate->click();
        QTimer::singleShot(1500, [&] {
            grabScreen(folder + "/update-status.png");
            app.exit(0);
        });
    });
    frame.updateCheck()->DoClUpdate();
    return app.exec();
}
