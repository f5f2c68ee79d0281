#pragma once

#include "ToolWindow.h"

class TfrmNotepad : public ToolWindow {
    Q_OBJECT
public:
    explicit TfrmNotepad(ToolHost& host, QWidget* parent = nullptr);

    // Text hand-off: the control is cleared and the text is its only line.
    void handOffText(const QString& text);
    // A page source from the browser, shown in Html mode.
    void showHtmlSource(const QString& html);
};
