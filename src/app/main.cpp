#include <QApplication>

#include "Connectivity.h"
#include "QtPrompts.h"
#include "ShellLauncher.h"
#include "SuiteToolWindows.h"
#include "fmMain.h"

int main(int argc, char** argv) {
    // The browser engine shares GL contexts between windows.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    app.setApplicationName("Corvanta");
    QtPrompts prompts;
    SuiteToolWindows tools;
    DesktopShellLauncher shell;
    TfrmMain frame(prompts, tools, shell, IsConnected);
    prompts.setParent(&frame);
    frame.show();
    return app.exec();
}
