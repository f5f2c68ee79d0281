#pragma once

#include <QString>
#include <optional>

#include "TclTransferItem.h"

// The state file that corvanta-get leaves beside a file it did not finish
// ("NAME.corvanta-get", beside the partial file "NAME.corvanta-part" that
// holds the data): the address, the file, the partial file it was written for
// and the engine's resume state (parts with their bytes done, the resource's
// size and validator). A later run of the same command continues from it; it
// is removed once the file is complete.
//
// A state file is trusted only for the very partial file it was written for,
// told by its device and inode: one that a server managed to place, or that
// another file left behind, names nothing and changes nothing.
struct DownloadState {
    QString url;          // without a password: the file beside the download is no place for one
    QString file;         // absolute path of the finished file
    QString partialFile;  // "device:inode" of the partial file it describes
    TransferResumeState resume;

    static constexpr const char* kSuffix = ".corvanta-get";
    static QString pathFor(const QString& file) { return file + QLatin1String(kSuffix); }
    // The address as a state file keeps it, and matches it: its password left out.
    static QString addressOf(const QString& url);
    // "device:inode" of the partial file of `file`; empty when there is no
    // such plain file (a link does not count).
    static QString partialFileOf(const QString& file);

    // Whether the partial file of `file` is the one this state was written for.
    bool describesPartialFile() const;

    // Whether a later run may continue the parts rather than start the file
    // again: a validator to prove the server still has the same resource,
    // and parts that lie within the size without overlapping.
    bool canContinue() const;
};

// Written whole or not at all. False (and `error`) when it cannot be written.
bool writeDownloadState(const DownloadState& state, QString* error = nullptr);
// Nothing when the file is missing, unreadable or not a state file.
std::optional<DownloadState> readDownloadState(const QString& path);
// The state files in `folder` that belong to `url` and to the partial files
// beside them, oldest first.
QList<DownloadState> findDownloadStates(const QString& folder, const QString& url);
