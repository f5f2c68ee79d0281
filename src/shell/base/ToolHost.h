#pragma once

#include <QString>

#include "ShellOpen.h"
#include "ToolKind.h"

class Prompts;
class ToolWindow;
class QWidget;

// What a tool window may ask of the frame. The frame implements it and hands it
// to every tool window it makes; tools never include another tool's window, so
// every cross-tool call goes through here.
//
// UI thread only.
class ToolHost {
public:
    enum class History { Record, Skip };

    virtual ~ToolHost() = default;

    virtual Prompts& prompts() = 0;

    // OpenToolWindow: a new window of `kind`, maximized, registered on the task
    // bar and made the active tool window. Returns it.
    virtual ToolWindow* openTool(ToolKind kind) = 0;

    // Task bar registration. addTask also sets the window's caption (an empty
    // caption keeps the window's own); removeTask is called by a tool window
    // when it is closed and does nothing for a window without a task.
    virtual void addTask(ToolWindow* window, const QString& caption, int image) = 0;
    virtual void removeTask(ToolWindow* window) = 0;

    // The frame's own caption (set by the Web Browser and the FTP Client).
    virtual void setFrameCaption(const QString& caption) = 0;

    // Opens a new Web Browser window on `address` (Navigate, or
    // NavigateNoHistory for History::Skip). A non-empty `caption` and an
    // `image` >= 0 replace the kind's caption and task-bar image.
    virtual ToolWindow* browseUrl(const QString& address, History history = History::Record,
                                  const QString& caption = QString(), int image = -1) = 0;

    // Opens a new Web Browser window showing `html` as the page at
    // `baseAddress`: its relative links and images resolve against that
    // address. Caption and image as for browseUrl.
    virtual ToolWindow* browseHtml(const QString& html, const QString& baseAddress,
                                   const QString& caption = QString(), int image = -1) = 0;

    // Opens a new Editor window holding `text` (in Html mode when `html`).
    virtual ToolWindow* openInEditor(const QString& text, bool html) = 0;

    // The program-wide mail-client selection, as the browser's preferences
    // set it: only one of "OutlookExpress", "Outlook", "Eudora", "Hotmail",
    // "Yahoo", "Google" (exactly) changes it; any other text is ignored.
    virtual void setMailClient(const QString& selection) = 0;

    // Programs outside the suite that a tool starts through the frame: the
    // one that stands in for the kind on this desktop. Nothing happens when
    // none is installed.
    enum class DesktopProgram { AddressBook, InternetCall };
    virtual void startDesktopProgram(DesktopProgram program) = 0;
    // Hands an address to the desktop: a "mailto:" address opens a new
    // message in the user's mail program. Failures are not reported.
    virtual void openOnDesktop(const QString& address) = 0;

    // The favorites exporter's hand-off: it stores the exported file as the
    // frame's FavoritesFileToOpen, then DoNavToFav opens a new Web Browser
    // window on that file without a history entry.
    virtual void setFavoritesFileToOpen(const QString& file) = 0;
    virtual void DoNavToFav() = 0;

    // Shows `folder` in the desktop's file manager; false when that failed.
    virtual bool exploreFolder(const QString& folder) { return openFolderInFileManager(folder); }
};
