#pragma once

#include <qnamespace.h>
#include <QString>
#include <QStringList>

// Rules of the remote tree: folders are shown as "/" + name, files by name;
// ".." stands for the current root.

// What a node of the remote tree keeps of its listing line, as item data.
namespace RemoteNodeRole {
constexpr int Size = Qt::UserRole + 3;
constexpr int Date = Qt::UserRole + 4;
constexpr int Attributes = Qt::UserRole + 5;
constexpr int Line = Qt::UserRole + 6;
// The node's text byte for byte as the server named it: commands use it, the
// node shows it without control bytes.
constexpr int Name = Qt::UserRole + 7;
}  // namespace RemoteNodeRole

// One level up from `root`: "/pub" -> "/", "/a/b" -> "/a", "/" -> "/".
QString remoteParentFolder(const QString& root);

// The path of a node: the root followed by the texts of the folder nodes from
// the top down to the node ("/pub" + "/docs" + "/img" -> "/pub/docs/img").
QString remoteNodePath(const QString& root, const QStringList& folderTexts);

// The text a listing entry gets in the tree.
QString remoteEntryText(const QString& name, bool folderOrLink);
inline bool isRemoteFolderText(const QString& text) {
    return text.startsWith('/');
}

// A file's icon by the extension of its name (dot included, case-sensitive).
enum class RemoteFileIcon { File, WebPage, Archive, Picture, Sound, Text, Xml };
RemoteFileIcon remoteFileIcon(const QString& name);

// "File Exists Dialog" answers and the start offset they give.
enum class FileExistsChoice { Replace, Resume, Cancel };

// Download into an existing local file of `localLength` bytes from a remote
// file of `remoteSize`: resume continues only a shorter local file; anything
// else starts over with an emptied file. -1 for Cancel.
qint64 downloadStartOffset(FileExistsChoice choice, qint64 localLength, qint64 remoteSize);

// Upload over an existing remote file: resume appends only when the remote
// file is shorter than the local one. -1 for Cancel.
qint64 uploadStartOffset(FileExistsChoice choice, qint64 remoteSize, qint64 localLength);
