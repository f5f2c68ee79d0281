#pragma once

#include <QList>
#include <QString>
#include <functional>

#include "TransferTypes.h"

// The local side of one run of a download: the folder of its target and the
// file its data goes to.
//
// The data goes to the target's partial file (partialFileName), which is
// renamed over the target once the download is complete: an existing target
// is replaced only by a whole download, never truncated or half-written.
// Only a target that exists as a device or a pipe (/dev/null) is written
// in place.
//
// Links: the download folder may be reached through symbolic links (the
// owner chose it); below it none is followed. The folders between it and the
// target are made when missing and must not be links, and a link standing at
// the target's name is replaced, not written through.
//
// Threading: one thread opens, reserves, commits and closes; the part
// workers share fd() for positioned writes while it is open.
class DownloadFile {
public:
    DownloadFile() = default;
    ~DownloadFile();
    DownloadFile(const DownloadFile&) = delete;
    DownloadFile& operator=(const DownloadFile&) = delete;

    // Opens the target's folder and its partial file, created empty when
    // missing and otherwise kept as it is. `downloadFolder` is the download
    // folder when `target` lies under it; otherwise the target's own folder
    // is. False, with `error`, when the file cannot be had; a partial file
    // that another download holds counts as such.
    bool open(const QString& downloadFolder, const QString& target, QString* error);
    void close();
    bool isOpen() const { return m_fd >= 0; }
    bool isDirect() const { return m_direct; }
    int fd() const { return m_fd; }
    // The file written: the partial file, or the target when written in place.
    QString path() const;
    qint64 size() const;

    // Empties the file.
    bool truncate(QString* error);
    // Sets the file's length to `size` bytes, `present` of them already
    // written. Refused with an error when the rest does not fit on the disk;
    // the disk space is reserved only when it fits with room to spare
    // (roomToSpare), so the download cannot be the one that fills the disk.
    bool reserve(qint64 size, qint64 present, QString* error);
    // Closes the file after a run that did not complete: removes a partial
    // file that holds no data (or none worth continuing: not `resumable`), and
    // gives back the reserved space of the ranges `parts` have not written,
    // so only real data stays for a later run to continue.
    void leave(const QList<TransferPart>& parts, bool resumable);

    // Replaces the partial file's contents by what `produce` writes into a
    // fresh file from the partial one (the unpacking of a compressed
    // download); `produce` gets both descriptors and returns an error text,
    // empty on success.
    bool transform(const std::function<QString(int from, int to)>& produce, QString* error);
    // Sets the modification and access times of the data written.
    void setTime(qint64 secondsSinceEpoch);
    // Renames the partial file over the target. With `keepExisting` an
    // existing file keeps its name and the download takes the next free
    // "name (n).ext" instead. `committed` gets the path the file now has.
    bool commit(bool keepExisting, QString* committed, QString* error);

    // Free space a reservation leaves on a file system of `totalBytes`: 1% of
    // it, at least 64 MiB and at most 1 GiB.
    static qint64 roomToSpare(qint64 totalBytes);
    // The size of the partial file of `target` (a regular file), -1 without one.
    static qint64 partialSize(const QString& target);

private:
    bool openFolder(const QString& downloadFolder, const QString& folder, QString* error);

    int m_folder = -1;  // the target's folder
    int m_fd = -1;
    bool m_direct = false;
    QString m_folderPath;
    QString m_name;         // the target's name in m_folder
    QString m_partialName;  // the partial file's name in m_folder
};
