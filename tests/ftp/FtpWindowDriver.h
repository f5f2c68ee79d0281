#pragma once

#include <QByteArray>
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

// Local files of a test: written with their folders (a failure fails the
// test), and read back ("<missing>" when there is none).
void writeFile(const QString& path, const QByteArray& content);
QByteArray readFile(const QString& path);

}  // namespace FtpWindowDriver
