#include "TaskBar.h"

#include <QActionGroup>
#include <QApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMouseEvent>
#include <QStyle>
#include <QTimer>
#include <QToolButton>

#include "ImageStrip.h"
#include "ToolWindow.h"

TTBXTaskBar::TTBXTaskBar(QMdiArea& area, const ImageList& images, QWidget* parent)
    : QToolBar("TaskBar", parent), m_area(area), m_images(images) {
    setObjectName("TaskBar");
    setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    setIconSize(QSize(16, 16));
    QFont barFont("Tahoma");
    barFont.setPointSize(8);
    setFont(barFont);
    setContextMenuPolicy(Qt::PreventContextMenu);  // the frame shows the shared popup
    m_group = new QActionGroup(this);
    m_group->setExclusive(true);

    // The bar's own close button, at its right end, hides it.
    auto* stretch = new QWidget(this);
    stretch->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    m_spacer = addWidget(stretch);
    m_closeAction = addAction(style()->standardIcon(QStyle::SP_TitleBarCloseButton), QString(),
                              this, [this] { hide(); });
    m_closeAction->setToolTip("Hide the task bar");
    widgetForAction(m_closeAction)->setAccessibleName("Hide the task bar");
    installEventFilter(this);
    connect(&m_area, &QMdiArea::subWindowActivated, this, &TTBXTaskBar::windowActivated);
}

QString TTBXTaskBar::buttonCaption(const QString& caption) {
    if (caption.size() <= kCaptionLimit)
        return caption;
    return caption.left(kCaptionLimit) + "...";
}

QString TTBXTaskBar::buttonHint(const QString& caption) {
    return caption.size() <= kCaptionLimit ? QString() : caption;
}

int TTBXTaskBar::indexOf(const ToolWindow* window) const {
    for (int i = 0; i < m_tasks.size(); ++i) {
        if (m_tasks[i].window == window)
            return i;
    }
    return -1;
}

QAction* TTBXTaskBar::buttonOf(const ToolWindow* window) const {
    const int index = indexOf(window);
    return index < 0 ? nullptr : m_tasks[index].button;
}

QToolButton* TTBXTaskBar::toolButtonOf(const ToolWindow* window) const {
    QAction* button = buttonOf(window);
    return button ? qobject_cast<QToolButton*>(widgetForAction(button)) : nullptr;
}

ToolWindow* TTBXTaskBar::windowAt(const QPoint& position) const {
    QAction* action = actionAt(position);
    for (const Task& task : m_tasks) {
        if (task.button == action)
            return task.window;
    }
    return nullptr;
}

QMdiSubWindow* TTBXTaskBar::subWindowOf(const ToolWindow* window) const {
    for (QMdiSubWindow* sub : m_area.subWindowList()) {
        if (sub->widget() == window)
            return sub;
    }
    return nullptr;
}

void TTBXTaskBar::AddTask(ToolWindow* window, const QString& caption, const QColor& colour,
                          int image) {
    if (!window || indexOf(window) >= 0)
        return;
    const QString shown = caption.isEmpty() ? window->windowTitle() : caption;
    for (const Task& task : m_tasks)
        task.button->setChecked(false);
    auto* button = new QAction(this);
    button->setText(buttonCaption(shown));
    button->setIconText(buttonCaption(shown));  // keeps the "..." a tool button would drop
    button->setToolTip(buttonHint(shown));
    button->setIcon(m_images.icon(image));
    button->setCheckable(true);
    button->setProperty("radioGroup", kRadioGroup);
    m_group->addAction(button);
    insertAction(m_spacer, button);
    if (!caption.isEmpty())
        window->setWindowTitle(caption);
    button->setChecked(true);
    if (QMdiSubWindow* sub = subWindowOf(window))
        sub->installEventFilter(this);
    if (QToolButton* tool = qobject_cast<QToolButton*>(widgetForAction(button))) {
        QPalette palette = tool->palette();
        palette.setColor(QPalette::ButtonText, colour);
        tool->setPalette(palette);
        tool->installEventFilter(this);
    }
    const Task task{window, button, colour, image};
    m_tasks.append(task);
    connect(button, &QAction::triggered, this, [this, window] { activateTaskOf(window); });
    // Tied to the button: once RemoveTask has deleted it, nothing of this runs.
    connect(window, &QObject::destroyed, button, [this, button] {
        // A window destroyed without closing (program end) drops its button.
        for (int i = 0; i < m_tasks.size(); ++i) {
            if (m_tasks[i].button == button) {
                m_tasks.removeAt(i);
                delete button;
                return;
            }
        }
    });
}

void TTBXTaskBar::RemoveTask(ToolWindow* window) {
    const int index = indexOf(window);
    if (index < 0)
        return;
    delete m_tasks.takeAt(index).button;
}

void TTBXTaskBar::tick(const Task& task) {
    for (const Task& each : m_tasks)
        each.button->setChecked(false);
    task.button->setChecked(true);
}

void TTBXTaskBar::activateTaskOf(const ToolWindow* window) {
    const int index = indexOf(window);
    if (index >= 0)
        activateTask(m_tasks[index]);
}

void TTBXTaskBar::activateTask(const Task& task) {
    tick(task);
    QMdiSubWindow* sub = subWindowOf(task.window);
    if (!sub)
        return;
    // Redrawing is held while the window is brought forward so the area is
    // painted once, with its frame and children.
    if (m_redrawSuspension++ == 0)
        m_area.setUpdatesEnabled(false);
    m_area.setActiveSubWindow(sub);
    if (QToolButton* tool = toolButtonOf(task.window)) {
        QPalette palette = tool->palette();
        palette.setColor(QPalette::ButtonText,
                         QApplication::palette().color(QPalette::ToolTipText));
        tool->setPalette(palette);
    }
    task.window->setFocus();
    sub->raise();
    if (sub->isMinimized())
        sub->showMaximized();
    if (--m_redrawSuspension == 0) {
        m_area.setUpdatesEnabled(true);
        m_area.update();
    }
}

void TTBXTaskBar::windowActivated(QMdiSubWindow* subWindow) {
    if (!subWindow)
        return;
    auto* window = qobject_cast<ToolWindow*>(subWindow->widget());
    const int index = indexOf(window);
    if (index < 0)
        return;
    tick(m_tasks[index]);
    // Activated by any means (the "Window" menu, Ctrl+Tab), a minimized
    // window comes back as a click on its button brings it; not when the area
    // merely passes the activation on as another window is being minimized.
    if (subWindow->isMinimized() && !m_minimizing)
        subWindow->showMaximized();
    window->activated();  // the window's own activation handler, after ours
}

bool TTBXTaskBar::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::WindowStateChange) {
        // Seen before the window and its area act on the change.
        auto* sub = qobject_cast<QMdiSubWindow*>(watched);
        if (sub && sub->isMinimized() && !m_minimizing) {
            m_minimizing = true;
            QTimer::singleShot(0, this, [this] { m_minimizing = false; });
        }
        return false;
    }
    if (event->type() == QEvent::MouseButtonPress) {
        auto* mouse = static_cast<QMouseEvent*>(event);
        emit mouseDown(mouse->button(), mouse->globalPosition().toPoint());
        if (mouse->button() == Qt::RightButton && watched != this) {
            return true;  // a right click does not activate the button's window
        }
    } else if (event->type() == QEvent::MouseButtonRelease) {
        auto* mouse = static_cast<QMouseEvent*>(event);
        emit mouseUp(mouse->button());
        if (mouse->button() == Qt::RightButton && watched != this)
            return true;
    }
    return QToolBar::eventFilter(watched, event);
}
