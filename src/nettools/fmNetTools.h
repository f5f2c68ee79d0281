#pragma once

#include "ToolWindow.h"

class TNetToosFrm : public ToolWindow {
    Q_OBJECT
public:
    explicit TNetToosFrm(ToolHost& host, QWidget* parent = nullptr);

    // Address hand-off: fills the trace, ping and WhoIs boxes, shows the trace
    // page and runs the WhoIs query.
    void handOffAddress(const QString& address);
};
