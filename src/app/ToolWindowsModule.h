#pragma once

#include <QString>

#include "ToolWindowFactory.h"

class Prompts;

// The suite's tool windows as the program reaches them: they live in a module
// of their own (corvanta_tools) that is loaded when the first tool window is
// opened, so what they need (the browser engine above all, its libraries and
// the GL context it sets up, the editing component, libcurl) costs the
// frame's start nothing. Before loading, Qt's global shared GL context is
// made, which the browser engine would otherwise have made as the program
// started.
//
// A module that cannot be loaded is told once in the error box; no tool
// window opens then (create answers nullptr). UI thread only.
class ToolWindowsModule : public ToolWindowFactory {
public:
    explicit ToolWindowsModule(Prompts& prompts) : m_prompts(prompts) {}

    // Where the module is looked for: beside the program, then where an
    // installation puts it.
    static QStringList candidates();

    ToolWindow* create(ToolKind kind, ToolHost& host) override;
    void navigate(ToolWindow* browser, const QString& address, bool noHistory) override;
    void showHtml(ToolWindow* browser, const QString& html, const QString& baseAddress) override;
    void showText(ToolWindow* editor, const QString& text, bool html) override;
    void handOff(ToolWindow* window, const QString& text) override;
    void openFile(ToolWindow* editor, const QString& path) override;
    void openAddress(ToolWindow* ftp, const QString& address) override;

private:
    ToolWindowFactory* tools();

    Prompts& m_prompts;
    ToolWindowFactory* m_tools = nullptr;
    bool m_failed = false;
};
