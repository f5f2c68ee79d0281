#pragma once

#include <QList>
#include <QStringList>

#include "ShellLauncher.h"

// Records what would be started instead of starting it.
class RecordingShellLauncher : public ShellLauncher {
public:
    QList<QStringList> started;
    QStringList addresses;

    bool start(const QStringList& command) override {
        started.append(command);
        return true;
    }
    bool openAddress(const QString& address) override {
        addresses.append(address);
        return true;
    }
};
