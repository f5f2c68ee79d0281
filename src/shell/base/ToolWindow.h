#pragma once

#include <QMainWindow>

#include "ToolKind.h"

class ToolHost;
class Prompts;
class QToolBar;

// Base of every tool window (an MDI child of the frame). It keeps the contract
// the frame relies on: visible when created, asks queryClose() before closing,
// removes its task-bar button when closed and is then deleted by the MDI area.
//
// Subclasses build their menus, toolbars and status bar inside this main
// window, read their settings when shown and write them in their destructor or
// close handler.
class ToolWindow : public QMainWindow {
    Q_OBJECT
public:
    ToolWindow(ToolHost& host, ToolKind kind, QWidget* parent = nullptr);
    ~ToolWindow() override;

    ToolKind kind() const { return m_kind; }
    ToolHost& host() const { return m_host; }
    Prompts& prompts() const;

    // FormCloseQuery: false refuses the close (the frame's exit is then
    // cancelled). The default allows it.
    virtual bool queryClose() { return true; }

    // The task bar takes over a window's activation handler and calls the
    // previous one after its own; this is that handler.
    virtual void activated() {}

    // No menu of the main window's own (it would let a user hide a tool bar
    // with no way back); a tool defines its menus itself.
    QMenu* createPopupMenu() override { return nullptr; }

signals:
    // Emitted from closeEvent once the close is accepted, before deletion.
    void closing(ToolWindow* window);

protected:
    void closeEvent(QCloseEvent* event) override;
    // A tool bar fixed in place on the window's top, of 16-pixel images with
    // their captions beside them.
    QToolBar* addFixedToolBar(const QString& title, const char* objectName);

private:
    ToolHost& m_host;
    ToolKind m_kind;
};
