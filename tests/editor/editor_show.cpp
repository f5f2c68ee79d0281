// Shows the editor window on a file for a few seconds, for looking at it
// (screenshots under xvfb-run).
//
//   editor_show FILE [SECONDS]
#include <QApplication>
#include <QTimer>

#include "NotepadEditor.h"
#include "RecordingToolHost.h"
#include "TestEnvironment.h"
#include "fmNotepad.h"

int main(int argc, char** argv) {
    TestEnvironment::prepare();
    QApplication app(argc, argv);
    if (argc < 2) {
        return 2;
    }
    RecordingToolHost host;
    TfrmNotepad window(host);
    window.setWindowFlags(Qt::Window);
    window.resize(1000, 700);
    window.move(0, 0);
    window.show();
    host.scripted.answer(QString::fromLocal8Bit(argv[1]));
    window.TBXOpenClick();
    window.editor()->setCursorPosition(3, 4);
    QTimer::singleShot(argc > 2 ? atoi(argv[2]) * 1000 : 4000, &app, &QApplication::quit);
    return app.exec();
}
