#pragma once

#include "ToolWindow.h"

class TFTPfrm : public ToolWindow {
    Q_OBJECT
public:
    explicit TFTPfrm(ToolHost& host, QWidget* parent = nullptr);

    // Address hand-off: shows the quick-connect bar and fills its server box.
    void handOffAddress(const QString& address);
};
