#include "fmTranslate.h"

TTransFrm::TTransFrm(ToolHost& host, QWidget* parent) : ToolWindow(host, ToolKind::NetTranslator, parent) {}

void TTransFrm::handOffText(const QString&) {}
