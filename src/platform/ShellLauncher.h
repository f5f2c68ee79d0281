#pragma once

#include <QString>
#include <QStringList>

// Starts things outside the suite: a program, or the desktop's handler for an
// address (a web page, "mailto:"). Nothing waits for what was started, and
// callers ignore failures, as a shell-open does; the result says whether it
// could be started at all.
//
// UI thread.
class ShellLauncher {
public:
    virtual ~ShellLauncher() = default;
    // `command` is the program followed by its arguments.
    virtual bool start(const QStringList& command) = 0;
    virtual bool openAddress(const QString& address) = 0;
};

// The real one: detached processes; addresses through the desktop (its
// portal, or xdg-open).
class DesktopShellLauncher : public ShellLauncher {
public:
    bool start(const QStringList& command) override;
    bool openAddress(const QString& address) override;
};
