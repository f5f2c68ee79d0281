#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QIcon>
#include <cstdio>
#include <cstring>

#include "Connectivity.h"
#include "FrameInstance.h"
#include "MenuAccessibility.h"
#include "Paths.h"
#include "QtPrompts.h"
#include "ShellLauncher.h"
#include "StartArguments.h"
#include "SuiteToolWindows.h"
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
    // The browser engine shares GL contexts between windows.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
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
    SuiteToolWindows tools;
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
    return app.exec();
}
