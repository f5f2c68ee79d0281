#include "fmMain.h"

TfrmMain::TfrmMain(QWidget* parent) : QMainWindow(parent) { setWindowTitle("Corvanta"); }
