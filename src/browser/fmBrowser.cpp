#include "fmBrowser.h"

TbrowserFrm::TbrowserFrm(ToolHost& host, QWidget* parent) : ToolWindow(host, ToolKind::WebBrowser, parent) {}

void TbrowserFrm::Navigate(const QString&) {}
void TbrowserFrm::NavigateNoHistory(const QString&) {}
