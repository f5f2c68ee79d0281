// The screenshot gallery (docs/screens): the suite with a fresh config and
// loopback servers, every tool window with every page and tab of each, at the
// frame's first-run size and maximized, and the main dialogs; one PNG per view
// and an index page. tools/screenshot runs it on a 1920x1080 virtual display:
//   gallery OUTPUT-FOLDER
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QScreen>
#include <QTest>
#include <QTextStream>

#include "AddressDetails.h"
#include "LineServer.h"
#include "LoopbackHttpServer.h"
#include "RecordingShellLauncher.h"
#include "ScriptedPrompts.h"
#include "ServiceAddress.h"
#include "SuiteToolWindows.h"
#include "SuiteViews.h"
#include "TestEnvironment.h"
#include "ToolWindow.h"
#include "WhoisClient.h"
#include "fmMain.h"
#include "fmNetTools.h"

namespace {

struct Picture {
    QString file;  // relative to the gallery folder
    QString caption;
};

bool save(QWidget* window, const QString& folder, const QString& file) {
    QCoreApplication::processEvents();
    // The pixels on the display, as a person sees them (the browser engine
    // draws outside Qt's widget painting).
    const QPixmap pixels = window->screen()->grabWindow(window->winId());
    if (!pixels.save(folder + QLatin1Char('/') + file)) {
        qWarning("cannot write %s", qPrintable(file));
        return false;
    }
    return true;
}

// Content for the pages that are empty in a fresh window: a ping of loopback,
// a trace and a WhoIs answer from the loopback server.
void fillNetworkTools(TNetToosFrm* window, quint16 whoisPort) {
    window->setWhoisPort(whoisPort);
    window->findChild<QLineEdit*>(QStringLiteral("edtPng"))->setText(QStringLiteral("127.0.0.1"));
    window->findChild<QLineEdit*>(QStringLiteral("edtHost"))->setText(QStringLiteral("127.0.0.1"));
    window->findChild<QLineEdit*>(QStringLiteral("EdtWhoIs"))
        ->setText(QStringLiteral("example.com"));
    for (const char* action : {"btnPing", "TBXTrc"})
        window->findChild<QAction*>(QLatin1String(action))->trigger();
    // The server box shows the registries' names; the query goes to loopback.
    auto* server = window->findChild<QComboBox*>(QStringLiteral("ComboBox1"));
    server->setEditText(QStringLiteral("127.0.0.1"));
    window->findChild<QAction*>(QStringLiteral("TBXWGo"))->trigger();
    server->setCurrentIndex(-1);
    server->setCurrentIndex(0);
}

}  // namespace

int main(int argc, char** argv) {
    TestEnvironment::prepare();
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    app.setApplicationName(QStringLiteral("Corvanta"));
    const QString folder = QDir(argc > 1 ? argv[1] : QStringLiteral("docs/screens")).absolutePath();

    LoopbackHttpServer http;
    http.start(LoopbackHttpServer::serveMap({{"/myip.php", "192.0.2.44"}}, "text/plain"));
    ServiceAddress::set(QLatin1String(kExternalAddressService), http.url("/myip.php"));
    // The WhoIs server box lists the registries by name, as in a person's first
    // run (the gallery's queries go to loopback).
    const QStringList registries = WhoisClient::defaultServers();
    for (int i = 0; i < registries.size(); ++i)
        ServiceAddress::set(QStringLiteral("WhoisServer%1").arg(i), registries[i]);
    LineServer whois;
    whois.start(
        {"Domain Name: EXAMPLE.COM\r\nRegistry Domain ID: 2336799_DOMAIN_COM-VRSN\r\n"
         "Registrar WHOIS Server: whois.example.net\r\n"
         "Updated Date: 2024-08-14T07:01:34Z\r\nCreation Date: 1995-08-14T04:00:00Z\r\n",
         500, 0, false});

    ScriptedPrompts prompts;
    SuiteToolWindows tools;
    RecordingShellLauncher shell;
    TfrmMain frame(prompts, tools, shell, [] { return true; });
    frame.show();
    if (!QTest::qWaitForWindowExposed(&frame) ||
        !QTest::qWaitFor([&frame] { return frame.startedUp(); })) {
        qCritical("the frame did not start");
        return 1;
    }
    const QSize firstRun = frame.size();
    const QRect screen = frame.screen()->availableGeometry();

    struct FrameSize {
        QString folder;
        QString title;
        std::function<void()> apply;
    };
    const QList<FrameSize> sizes = {
        {QStringLiteral("%1x%2").arg(firstRun.width()).arg(firstRun.height()),
         QStringLiteral("First-run frame, %1 x %2").arg(firstRun.width()).arg(firstRun.height()),
         [&] {
             frame.showNormal();
             frame.setGeometry(QRect(screen.topLeft(), firstRun));
         }},
        {QStringLiteral("maximized"),
         QStringLiteral("Maximized on a %1 x %2 screen").arg(screen.width()).arg(screen.height()),
         [&] {
             // No window manager runs on the virtual display: the frame
             // takes the whole screen itself.
             frame.showMaximized();
             frame.setGeometry(screen);
         }},
    };

    QList<QPair<QString, QList<Picture>>> sections;
    for (const FrameSize& size : sizes) {
        size.apply();
        QTest::qWait(500);
        QDir(folder).mkpath(size.folder);
        QList<Picture> pictures;
        for (const ToolKindInfo& kind : kToolKinds) {
            ToolWindow* window = frame.OpenToolWindow(kind.kind);
            if (auto* netTools = qobject_cast<TNetToosFrm*>(window))
                fillNetworkTools(netTools, whois.port());
            QTest::qWait(kind.kind == ToolKind::WebBrowser ? 3000 : 1500);
            for (const SuiteViews::View& view : SuiteViews::viewsOf(window)) {
                view.show();
                QTest::qWait(300);
                const QString file =
                    QStringLiteral("%1/%2-%3.png")
                        .arg(size.folder, SuiteViews::fileName(kind.caption), view.name);
                if (save(&frame, folder, file))
                    pictures.append({file, QStringLiteral("%1: %2").arg(kind.caption, view.name)});
            }
            window->parentWidget()->close();
            QTest::qWait(200);
        }
        sections.append({size.title, pictures});
    }

    frame.showNormal();
    frame.setGeometry(QRect(screen.topLeft(), firstRun));
    QDir(folder).mkpath(QStringLiteral("dialogs"));
    QList<Picture> dialogPictures;
    const QString favorites = TestEnvironment::dataHome() + QStringLiteral("/Favorites");
    QDir().mkpath(favorites + QStringLiteral("/Links"));
    for (const SuiteViews::Dialog& dialog : SuiteViews::dialogs(prompts, frame, favorites)) {
        std::unique_ptr<QDialog> shown(dialog.make(&frame));
        shown->show();
        (void)QTest::qWaitForWindowExposed(shown.get());
        const auto views = SuiteViews::tabsOf(shown.get());
        for (const SuiteViews::View& view : views) {
            view.show();
            QTest::qWait(300);
            const QString name =
                views.size() == 1 ? dialog.name : dialog.name + QLatin1Char('-') + view.name;
            const QString file = QStringLiteral("dialogs/%1.png").arg(name);
            if (save(shown.get(), folder, file))
                dialogPictures.append({file, name});
        }
    }
    sections.append({QStringLiteral("Dialogs"), dialogPictures});

    QFile index(folder + QStringLiteral("/README.md"));
    if (!index.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        qCritical("cannot write the index");
        return 1;
    }
    QTextStream out(&index);
    out << "# Corvanta as it looks\n\n"
           "Every tool window with each of its pages and tabs, in a fresh configuration "
           "with loopback servers, and the main dialogs. `tools/screenshot` makes these "
           "pictures; run it again when a window changes.\n";
    for (const auto& [title, pictures] : sections) {
        out << "\n## " << title << "\n\n";
        for (const Picture& picture : pictures)
            out << "![" << picture.caption << "](" << picture.file << ")\n";
    }
    return 0;
}
