#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// What `corvanta [ADDRESS|FILE]...` opens: each argument becomes a Web
// Browser window (http, https), an FTP Client window logged in at the address
// (ftp) or an Editor window on a local file.
struct StartTarget {
    enum class Kind { Web, Ftp, File };
    Kind kind = Kind::Web;
    QString target;  // the address as given, or the file's absolute path

    bool operator==(const StartTarget&) const = default;
};

struct StartArguments {
    QList<StartTarget> targets;
    QStringList errors;  // one line per argument that opens nothing

    // The targets as arguments that read the same from any working folder:
    // what a second start hands to the running frame.
    QStringList handOverArguments() const;
};

// Reads the arguments in order. A name of an existing file is a file (even
// one that looks like an address); otherwise an http, https, ftp or file
// address; anything else is an error. Relative names are taken from
// `workingFolder`.
StartArguments readStartArguments(const QStringList& arguments, const QString& workingFolder);
