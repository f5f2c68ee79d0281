#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

class DesktopApplications;

// How a program of the suite's original world is found on this desktop: the
// first of these that the desktop has registered with its program installed.
struct StandIn {
    QStringList desktopIds;  // preferred applications, in order
    QString mimeType;        // then the desktop's choice for this type or scheme
    QStringList categories;  // then the first application in all of these
    QStringList arguments;   // handed to the application (in place of %u or %f)
    // Instead of an application: this command line, run in the terminal stand-in.
    QStringList terminalCommand;
};

// The command line that starts the stand-in, or nothing when no installed
// program stands in for it.
std::optional<QStringList> standInCommand(const StandIn& standIn,
                                          const DesktopApplications& applications);

// The terminal, which also runs terminal programs (Terminal=true).
StandIn terminalStandIn();
// The desktop's address book ("Open Address Book", the browser's "Address Book").
StandIn addressBookStandIn();
// The desktop's internet-call program (the browser's "Net Meeting ").
StandIn internetCallStandIn();

// The "Windows Tools" submenu: captions and order as the suite has always
// shown them; an empty caption is a separator.
struct WindowsTool {
    const char* caption;
    StandIn standIn;
};
const QList<WindowsTool>& windowsTools();
