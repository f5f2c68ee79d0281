#include "ShellOpen.h"

#include <QDesktopServices>
#include <QUrl>

bool openFolderInFileManager(const QString& folder) {
    return QDesktopServices::openUrl(QUrl::fromLocalFile(folder));
}
