#pragma once

#include "ToolWindow.h"

class TTransFrm : public ToolWindow {
    Q_OBJECT
public:
    explicit TTransFrm(ToolHost& host, QWidget* parent = nullptr);

    // Text hand-off: the source box is cleared and the text is its only line.
    void handOffText(const QString& text);
};
