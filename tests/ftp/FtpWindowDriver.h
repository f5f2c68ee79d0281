#pragma once

#include <QByteArray>
#include <QStringList>

class FtpServerFixture;
class QAbstractItemView;
class QPoint;
class QTreeWidget;
class QTreeWidgetItem;
class QWidget;
class TFTPfrm;

// Drives an FTP window as a person does: the Site Properties fields and
// "Login", the tool bars and menus, and the remote tree.
namespace FtpWindowDriver {

// Reaches the action named `name` the way a person can: clicks a visible tool
// button that shows it, or else picks it from its menu or from the extension
// of a shown tool bar. False, with nothing triggered, when the action is
// missing, hidden or disabled there.
bool trigger(QWidget& window, const char* name);
// Opens the context menu of `view` at `position` (viewport coordinates) and
// picks its entry `text`; false when the menu does not show that entry enabled.
bool chooseFromContextMenu(QAbstractItemView* view, const QPoint& position, const QString& text);
// Double-clicks `item` of `tree` where it is shown.
void doubleClick(QTreeWidget* tree, QTreeWidgetItem* item);

// Logs in to `server` (passive mode, a 10 s time-out) with `startFolder` by
// the Site Properties fields and the "Login" button.
void logIn(TFTPfrm& window, const FtpServerFixture& server, const QString& startFolder = {});
// The remote tree's node reached by following texts from the top ("..",
// "/pub", ...); none when one is missing.
QTreeWidgetItem* remoteNode(TFTPfrm& window, const QStringList& texts);
// Makes that node the selected one; false when it is missing.
bool selectRemote(TFTPfrm& window, const QStringList& texts);
// Opens that node as a double-click does; false when it is missing.
bool openRemote(TFTPfrm& window, const QStringList& texts);

// Local files of a test: written with their folders (a failure fails the
// test), and read back ("<missing>" when there is none).
void writeFile(const QString& path, const QByteArray& content);
QByteArray readFile(const QString& path);

}  // namespace FtpWindowDriver
