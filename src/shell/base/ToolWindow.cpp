#include "ToolWindow.h"

#include <QCloseEvent>
#include <QMdiSubWindow>
#include <QToolBar>

#include "ToolHost.h"

ToolWindow::ToolWindow(ToolHost& host, ToolKind kind, QWidget* parent)
    : QMainWindow(parent), m_host(host), m_kind(kind) {
    setWindowTitle(QString::fromLatin1(toolKindInfo(kind).designCaption));
    // A tool window lives inside the MDI area; its own main-window flag would
    // make it a top-level window when shown on its own.
    setWindowFlags(Qt::Widget);
}

ToolWindow::~ToolWindow() = default;

QToolBar* ToolWindow::addFixedToolBar(const QString& title, const char* objectName) {
    QToolBar* bar = addToolBar(title);
    bar->setObjectName(QLatin1String(objectName));
    bar->setMovable(false);
    bar->setIconSize(QSize(16, 16));
    bar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    return bar;
}

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
    // A tool that closes itself (its own "Exit" or "Close", a page's
    // window.close()) takes its MDI frame along; deleting it twice is safe when
    // the close came through the frame.
    if (auto* frame = qobject_cast<QMdiSubWindow*>(parentWidget())) {
        frame->deleteLater();
    }
}
