#include "fmGrabber.h"

TGrabberFrm::TGrabberFrm(ToolHost& host, QWidget* parent) : ToolWindow(host, ToolKind::WebSiteGrabber, parent) {}

void TGrabberFrm::handOffAddress(const QString&) {}
