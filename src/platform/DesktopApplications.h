#pragma once

#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

// One application the desktop has registered: a ".desktop" file of type
// Application in an "applications" folder of the XDG data folders.
struct DesktopEntry {
    QString id;  // "org.gnome.Nautilus.desktop"; sub-folders joined by '-'
    QString name;
    QString exec;
    QString tryExec;
    QStringList categories;
    QStringList mimeTypes;
    bool terminal = false;
};

// Reads the [Desktop Entry] group of a desktop file. Nothing for anything but
// a usable application: another type, Hidden=true, no Exec, or no group at all.
std::optional<DesktopEntry> parseDesktopEntry(QByteArrayView text);

// The command line of an Exec value, quoting and escapes undone. `arguments`
// replace the file or address field code (%f %F %u %U); without one they are
// dropped. Other field codes are dropped, "%%" is a percent sign. Nothing for
// a malformed value (an open quote, no program, a field code in its place).
std::optional<QStringList> execCommand(const QString& exec,
                                       const QStringList& arguments = QStringList());

// The desktop files named for `mimeType` in the [Default Applications] group
// of a mimeapps.list file, in order.
QStringList parseDefaultApplications(QByteArrayView text, const QString& mimeType);

// The applications the desktop has registered whose programs are installed,
// read once when made. Earlier folders hide entries of later ones with the
// same id, as the XDG data folders do.
class DesktopApplications {
public:
    // $XDG_DATA_HOME and $XDG_DATA_DIRS (with their defaults), and the
    // mimeapps.list files of $XDG_CONFIG_HOME, $XDG_CONFIG_DIRS and the data
    // folders.
    static DesktopApplications fromEnvironment();

    DesktopApplications(const QStringList& applicationFolders, const QStringList& mimeAppsFiles);

    const QList<DesktopEntry>& entries() const { return m_entries; }
    const DesktopEntry* byId(const QString& id) const;  // with or without ".desktop"
    // The first entry, in id order, that lists every one of `categories`.
    const DesktopEntry* byCategories(const QStringList& categories) const;
    // The desktop's choice for a MIME type or scheme ("x-scheme-handler/mailto"):
    // the first mimeapps.list default that is registered, otherwise the first
    // entry, in id order, that declares the type.
    const DesktopEntry* defaultFor(const QString& mimeType) const;

    // Whether the program is installed: an executable file at an absolute
    // path, or found on $PATH.
    static bool isInstalled(const QString& program);

private:
    QList<DesktopEntry> m_entries;  // sorted by id
    QStringList m_mimeAppsFiles;
};
