#pragma once

#include "ToolWindow.h"

class TbrowserFrm : public ToolWindow {
    Q_OBJECT
public:
    explicit TbrowserFrm(ToolHost& host, QWidget* parent = nullptr);

    // Navigate: hands the address to the browser control unchanged.
    void Navigate(const QString& address);
    // NavigateNoHistory: navigates without leaving a back-history entry.
    void NavigateNoHistory(const QString& address);
};
