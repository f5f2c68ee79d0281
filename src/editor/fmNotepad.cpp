#include "fmNotepad.h"

TfrmNotepad::TfrmNotepad(ToolHost& host, QWidget* parent) : ToolWindow(host, ToolKind::Editor, parent) {}

void TfrmNotepad::handOffText(const QString&) {}
void TfrmNotepad::showHtmlSource(const QString&) {}
