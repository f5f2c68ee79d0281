#include "RemoteTree.h"

QString remoteParentFolder(const QString& root) {
    const qsizetype slash = root.lastIndexOf('/');
    if (slash <= 0) {
        return "/";
    }
    return root.left(slash);
}

QString remoteNodePath(const QString& root, const QStringList& folderTexts) {
    QString path = root;
    for (const QString& text : folderTexts) {
        // The root "/" and a node "/docs" make "/docs", not "//docs".
        if (path.endsWith('/') && text.startsWith('/')) {
            path.chop(1);
        }
        path += text;
    }
    return path.isEmpty() ? QString("/") : path;
}

QString remoteEntryText(const QString& name, bool folderOrLink) {
    return folderOrLink ? "/" + name : name;
}

RemoteFileIcon remoteFileIcon(const QString& name) {
    const qsizetype dot = name.lastIndexOf('.');
    const QString extension = dot < 0 ? QString() : name.mid(dot);
    auto has = [&](std::initializer_list<const char*> parts) {
        for (const char* part : parts) {
            if (extension.contains(QLatin1String(part))) {
                return true;
            }
        }
        return false;
    };
    if (has({"htm", "php", "css"})) {
        return RemoteFileIcon::WebPage;
    }
    if (has({"zip", "rar"})) {
        return RemoteFileIcon::Archive;
    }
    if (has({"gif", "jpg", "bmp", "png", "ico"})) {
        return RemoteFileIcon::Picture;
    }
    if (has({"mp", "wav"})) {
        return RemoteFileIcon::Sound;
    }
    if (has({"txt", "config"})) {
        return RemoteFileIcon::Text;
    }
    if (has({"xml"})) {
        return RemoteFileIcon::Xml;
    }
    return RemoteFileIcon::File;
}

qint64 downloadStartOffset(FileExistsChoice choice, qint64 localLength, qint64 remoteSize) {
    switch (choice) {
        case FileExistsChoice::Cancel:
            return -1;
        case FileExistsChoice::Replace:
            return 0;
        case FileExistsChoice::Resume:
            return localLength < remoteSize ? localLength : 0;
    }
    return -1;
}

qint64 uploadStartOffset(FileExistsChoice choice, qint64 remoteSize, qint64 localLength) {
    switch (choice) {
        case FileExistsChoice::Cancel:
            return -1;
        case FileExistsChoice::Replace:
            return 0;
        case FileExistsChoice::Resume:
            return remoteSize >= 0 && remoteSize < localLength ? remoteSize : 0;
    }
    return -1;
}
