#pragma once

#include "ToolWindowFactory.h"

// The suite's six real tool windows.
class SuiteToolWindows : public ToolWindowFactory {
public:
    ToolWindow* create(ToolKind kind, ToolHost& host) override;
    void navigate(ToolWindow* browser, const QString& address, bool noHistory) override;
    void showHtml(ToolWindow* browser, const QString& html, const QString& baseAddress) override;
    void showText(ToolWindow* editor, const QString& text, bool html) override;
    void handOff(ToolWindow* window, const QString& text) override;
    void openFile(ToolWindow* editor, const QString& path) override;
    void openAddress(ToolWindow* ftp, const QString& address) override;
};
