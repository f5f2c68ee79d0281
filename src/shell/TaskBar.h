#pragma once

#include <QColor>
#include <QList>
#include <QPointer>
#include <QToolBar>

class ImageList;
class QActionGroup;
class QMdiArea;
class QMdiSubWindow;
class QToolButton;
class ToolWindow;

// TTBXTaskBar: one checkable button per registered tool window, in one radio
// group; the button of the active window is ticked. Clicking a button brings
// its window forward (maximized again when it was minimized).
class TTBXTaskBar : public QToolBar {
    Q_OBJECT
public:
    static constexpr int kRadioGroup = 131313;
    static constexpr int kCaptionLimit = 12;

    TTBXTaskBar(QMdiArea& area, const ImageList& images, QWidget* parent = nullptr);

    // The caption rule: at most 12 characters shown whole without a hint;
    // longer ones cut to 12 followed by "...", the full caption as the hint.
    static QString buttonCaption(const QString& caption);
    static QString buttonHint(const QString& caption);

    // AddTask: nothing for an absent window or one that already has a task.
    void AddTask(ToolWindow* window, const QString& caption, const QColor& colour, int image);
    // RemoveTask: nothing for a window without a task.
    void RemoveTask(ToolWindow* window);

    // Task activation of `window`'s task, as a click on its button runs it.
    void activateTaskOf(const ToolWindow* window);

    int taskCount() const { return m_tasks.size(); }
    QAction* buttonOf(const ToolWindow* window) const;
    QToolButton* toolButtonOf(const ToolWindow* window) const;
    // The tool window whose button lies under `position` (task-bar coordinates).
    ToolWindow* windowAt(const QPoint& position) const;

signals:
    // Any mouse button pressed or released on the bar or its buttons.
    void mouseDown(Qt::MouseButton button, const QPoint& globalPosition);
    void mouseUp(Qt::MouseButton button);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Task {
        QPointer<ToolWindow> window;
        QAction* button;
        QColor colour;
        int image;
    };

    void activateTask(const Task& task);  // task activation by its button
    void windowActivated(QMdiSubWindow* subWindow);
    void tick(const Task& task);
    int indexOf(const ToolWindow* window) const;
    QMdiSubWindow* subWindowOf(const ToolWindow* window) const;

    QMdiArea& m_area;
    const ImageList& m_images;
    QActionGroup* m_group;
    QAction* m_closeAction;
    QAction* m_spacer;
    QList<Task> m_tasks;
    int m_redrawSuspension = 0;
    bool m_minimizing = false;  // a window is being minimized in this turn of events
};
