#include "AddressIconRule.h"

#include <QFileInfo>
#include <QStringList>
#include <QUrl>

namespace {

const QStringList& shellFolderNames() {
    static const QStringList names{
        "DESKTOP",     "PRINTERS",  "MY DOCUMENTS",  "RECYCLE BIN",       "NETWORK NEIGHBORHOOD",
        "MY COMPUTER", "PROGRAMS",  "CONTROL PANEL", "FAVORITES",         "STARTUP",
        "RECENT",      "SENDTO",    "STARTMENU",     "DESKTOP DIRECTORY", "NETHOOD",
        "FONTS",       "TEMPLATES", "APPDATA",       "PRINTHOOD"};
    return names;
}

}  // namespace

AddressIconChoice addressIconChoice(const QString& text) {
    const QString upper = text.toUpper();
    if (shellFolderNames().contains(upper))
        return {AddressIconChoice::ShellFolder, upper};
    if (text.startsWith(QLatin1String("file://"), Qt::CaseInsensitive)) {
        return {AddressIconChoice::File, QUrl(text).toLocalFile()};
    }
    const QFileInfo info(text);
    if (!text.isEmpty() && info.exists()) {
        return {info.isDir() ? AddressIconChoice::Folder : AddressIconChoice::File, text};
    }
    if (!text.isEmpty())
        return {AddressIconChoice::WebPage, QString()};
    return {AddressIconChoice::Empty, QString()};
}
