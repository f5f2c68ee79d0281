#include "fmNetTools.h"

TNetToosFrm::TNetToosFrm(ToolHost& host, QWidget* parent) : ToolWindow(host, ToolKind::NetworkTools, parent) {}

void TNetToosFrm::handOffAddress(const QString&) {}
