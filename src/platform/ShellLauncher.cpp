#include "ShellLauncher.h"

#include <QDesktopServices>
#include <QProcess>
#include <QUrl>

bool DesktopShellLauncher::start(const QStringList& command) {
    if (command.isEmpty())
        return false;
    return QProcess::startDetached(command.first(), command.mid(1));
}

bool DesktopShellLauncher::openAddress(const QString& address) {
    return QDesktopServices::openUrl(QUrl(address));
}
