#pragma once

#include <QStringList>

class FtpServerFixture;
class QTreeWidgetItem;
class TFTPfrm;

// Drives an FTP window as a person does: the Site Properties fields and
// "Login", and the remote tree.
namespace FtpWindowDriver {

// Logs in to `server` (passive mode, a 10 s time-out) with `startFolder`.
void logIn(TFTPfrm& window, const FtpServerFixture& server, const QString& startFolder = {});
// The remote tree's node reached by following texts from the top ("..",
// "/pub", ...); none when one is missing.
QTreeWidgetItem* remoteNode(TFTPfrm& window, const QStringList& texts);
// Makes that node the selected one; false when it is missing.
bool selectRemote(TFTPfrm& window, const QStringList& texts);

}  // namespace FtpWindowDriver
