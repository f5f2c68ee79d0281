#include <QApplication>

#include "fmMain.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    TfrmMain frame;
    frame.show();
    return app.exec();
}
