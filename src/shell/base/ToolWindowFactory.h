#pragma once

#include <QString>

#include "ToolKind.h"

class ToolHost;
class ToolWindow;

// How the frame makes tool windows and hands them input without knowing their
// classes. The program uses the suite's real tools (SuiteToolWindows); frame
// tests use light stand-ins.
class ToolWindowFactory {
public:
    virtual ~ToolWindowFactory() = default;
    virtual ToolWindow* create(ToolKind kind, ToolHost& host) = 0;
    // A Web Browser window navigates to `address` (without a back-history
    // entry when `noHistory`).
    virtual void navigate(ToolWindow* browser, const QString& address, bool noHistory) = 0;
    // A Web Browser window shows `html` as the page at `baseAddress`.
    virtual void showHtml(ToolWindow* browser, const QString& html, const QString& baseAddress) = 0;
    // An Editor window takes `text` as its only content (Html mode when `html`).
    virtual void showText(ToolWindow* editor, const QString& text, bool html) = 0;
    // The tray menu's hand-off: a new window of any kind takes the address or
    // text the user typed into the control the hand-off fills, and runs the
    // command it runs (a Web Browser navigates to it).
    virtual void handOff(ToolWindow* window, const QString& text) = 0;
    // The command line's openings: an Editor window loads the file at `path`;
    // an FTP Client window logs in at the ftp:// `address` and shows its path.
    virtual void openFile(ToolWindow* editor, const QString& path) = 0;
    virtual void openAddress(ToolWindow* ftp, const QString& address) = 0;
};
