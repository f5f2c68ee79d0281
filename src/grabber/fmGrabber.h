#pragma once

#include "ToolWindow.h"

class TGrabberFrm : public ToolWindow {
    Q_OBJECT
public:
    explicit TGrabberFrm(ToolHost& host, QWidget* parent = nullptr);

    // Address hand-off: fills the root-address box and starts grabbing.
    void handOffAddress(const QString& address);
};
