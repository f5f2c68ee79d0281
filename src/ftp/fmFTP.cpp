#include "fmFTP.h"

TFTPfrm::TFTPfrm(ToolHost& host, QWidget* parent) : ToolWindow(host, ToolKind::FtpClient, parent) {}

void TFTPfrm::handOffAddress(const QString&) {}
