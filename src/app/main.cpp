#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QFile>
#include <QIcon>
#include <QTimer>
#include <QWindow>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>

#include "Connectivity.h"
#include "FrameInstance.h"
#include "MenuAccessibility.h"
#include "Paths.h"
#include "QtPrompts.h"
#include "ShellLauncher.h"
#include "StartArguments.h"
#include "ToolWindowsModule.h"
#include "fmMain.h"

namespace {

constexpr const char* kDesktopId = "io.sourceforge.corvanta";

void describe(QCommandLineParser& parser) {
    parser.setApplicationDescription(QStringLiteral(
        "Corvanta, a desktop internet suite: web browser, FTP client, editor, web site\n"
        "grabber, net translator and network tools in one window.\n\n"
        "Each ADDRESS or FILE opens a window of its own: an http or https address a Web\n"
        "Browser, an ftp://[user[:password]@]host[:port]/path address an FTP Client logged\n"
        "in there, a local file an Editor. While Corvanta runs, a new start hands its\n"
        "arguments to the running one and ends."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("ADDRESS|FILE"),
                                 QStringLiteral("Addresses and files to open."),
                                 QStringLiteral("[ADDRESS|FILE]..."));
}

// --help and --version answer without a display.
bool asksForHelpOrVersion(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--") == 0)
            return false;
        for (const char* option : {"-h", "--help", "-?", "-v", "--version", "--help-all"}) {
            if (std::strcmp(argv[i], option) == 0)
                return true;
        }
    }
    return false;
}

// Addresses and files that open nothing are refused before Qt looks for a
// display, so a mistyped command in a terminal without one still says what is
// wrong. Options wait for the full parse: Qt takes some of them (-platform).
bool refusesArgumentsEarly(int argc, char** argv) {
    QStringList arguments;
    for (int i = 1; i < argc; ++i) {
        if (argv[i][0] == '-')
            return false;
        arguments << QString::fromLocal8Bit(argv[i]);
    }
    const QStringList errors = readStartArguments(arguments, QDir::currentPath()).errors;
    for (const QString& error : errors)
        std::fprintf(stderr, "corvanta: %s\n", qPrintable(error));
    return !errors.isEmpty();
}

// Start-up timing for bench/startup.sh: with CORVANTA_STARTUP_LOG naming a
// file, the wall-clock times (microseconds since the epoch) of the frame's
// first paint on screen and of the end of its start-up sequence are appended
// to it.
class StartupLog : public QObject {
public:
    StartupLog(TfrmMain& frame, QString path) : m_frame(frame), m_path(std::move(path)) {}
    // Once the frame is shown: its window exists.
    void watch() { m_frame.windowHandle()->installEventFilter(this); }
    bool eventFilter(QObject* watched, QEvent* event) override {
        // An expose is painted while it is handled: logged right after.
        if (event->type() == QEvent::Expose && m_frame.windowHandle()->isExposed()) {
            watched->removeEventFilter(this);
            QTimer::singleShot(0, this, [this] {
                write("first-paint-us");
                waitForStartUp();
            });
        }
        return false;
    }

private:
    void waitForStartUp() {
        if (m_frame.startedUp()) {
            write("started-up-us");
            return;
        }
        QTimer::singleShot(5, this, [this] { waitForStartUp(); });
    }
    void write(const char* what) {
        const auto now = std::chrono::system_clock::now().time_since_epoch();
        QFile log(m_path);
        if (log.open(QIODevice::Append)) {
            log.write(QByteArray(what) + ' ' +
                      QByteArray::number(qint64(
                          std::chrono::duration_cast<std::chrono::microseconds>(now).count())) +
                      '\n');
        }
    }

    TfrmMain& m_frame;
    QString m_path;
};

void setUpApplication(QCoreApplication& app) {
    app.setApplicationName(QStringLiteral("Corvanta"));
    app.setApplicationVersion(QStringLiteral(CORVANTA_VERSION));
}

}  // namespace

int main(int argc, char** argv) {
    if (asksForHelpOrVersion(argc, argv)) {
        QCoreApplication app(argc, argv);
        setUpApplication(app);
        QCommandLineParser parser;
        describe(parser);
        parser.process(app);  // prints and ends
        return 0;
    }
    if (refusesArgumentsEarly(argc, argv))
        return 2;
    QApplication app(argc, argv);
    installMenuAccessibility();
    setUpApplication(app);
    QGuiApplication::setDesktopFileName(QLatin1String(kDesktopId));

    QCommandLineParser parser;
    describe(parser);
    if (!parser.parse(app.arguments())) {
        std::fprintf(stderr, "corvanta: %s\n", qPrintable(parser.errorText()));
        return 2;
    }
    const StartArguments start =
        readStartArguments(parser.positionalArguments(), QDir::currentPath());
    for (const QString& error : start.errors)
        std::fprintf(stderr, "corvanta: %s\n", qPrintable(error));
    if (!start.errors.isEmpty())
        return 2;

    FrameInstance instance;
    switch (instance.claim(start.handOverArguments())) {
        case FrameInstance::Role::HandedOver:
            return 0;
        case FrameInstance::Role::Failed:
            std::fprintf(stderr, "corvanta: %s\n", qPrintable(instance.error()));
            return 1;
        case FrameInstance::Role::Primary:
            if (!instance.error().isEmpty()) {
                std::fprintf(stderr, "corvanta: %s; starting without it\n",
                             qPrintable(instance.error()));
            }
            break;
    }

    // The suite's icon: the installed theme, else the one beside a build.
    QIcon::setThemeSearchPaths(QIcon::themeSearchPaths()
                               << Paths::programFolder() + QStringLiteral("/icons")
                               << Paths::installedIconsFolder());
    app.setWindowIcon(QIcon::fromTheme(QLatin1String(kDesktopId)));

    QtPrompts prompts;
    ToolWindowsModule tools(prompts);
    DesktopShellLauncher shell;
    TfrmMain frame(prompts, tools, shell, IsConnected);
    prompts.setParent(&frame);
    QObject::connect(
        &instance, &FrameInstance::argumentsReceived, &frame,
        [&frame](const QStringList& arguments) {
            // Handed over as absolute paths and addresses.
            const QList<StartTarget> targets =
                readStartArguments(arguments, QDir::rootPath()).targets;
            if (targets.isEmpty())
                frame.comeForward();  // started again from the menu: show the one that runs
            frame.openStartTargets(targets);
        });
    frame.openStartTargets(start.targets);
    frame.show();
    // Watched from here on, the frame's first expose comes later; the log's
    // filter, installed last, sees it before the frame's own start-up does.
    std::unique_ptr<StartupLog> startupLog;
    if (qEnvironmentVariableIsSet("CORVANTA_STARTUP_LOG")) {
        startupLog =
            std::make_unique<StartupLog>(frame, qEnvironmentVariable("CORVANTA_STARTUP_LOG"));
        startupLog->watch();
    }
    return app.exec();
}
