#include "ToolWindow.h"

#include <QCloseEvent>

#include "ToolHost.h"

ToolWindow::ToolWindow(ToolHost& host, ToolKind kind, QWidget* parent)
    : QMainWindow(parent), m_host(host), m_kind(kind) {
    setWindowTitle(QString::fromLatin1(toolKindInfo(kind).designCaption));
    // A tool window lives inside the MDI area; its own main-window flag would
    // make it a top-level window when shown on its own.
    setWindowFlags(Qt::Widget);
}

ToolWindow::~ToolWindow() = default;

Prompts& ToolWindow::prompts() const {
    return m_host.prompts();
}

void ToolWindow::closeEvent(QCloseEvent* event) {
    if (!queryClose()) {
        event->ignore();
        return;
    }
    m_host.removeTask(this);
    emit closing(this);
    event->accept();
}
