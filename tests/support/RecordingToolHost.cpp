#include "RecordingToolHost.h"

#include "ToolWindow.h"

ToolWindow* RecordingToolHost::openTool(ToolKind kind) {
    opened.append(kind);
    if (!factory) {
        return nullptr;
    }
    ToolWindow* window = factory(kind);
    if (window) {
        addTask(window, toolKindCaption(kind), toolKindInfo(kind).taskBarImage);
    }
    return window;
}

void RecordingToolHost::addTask(ToolWindow* window, const QString& caption, int image) {
    if (!window)
        return;
    for (const Task& task : tasks) {
        if (task.window == window)
            return;
    }
    if (!caption.isEmpty())
        window->setWindowTitle(caption);
    tasks.append({window, caption, image});
}

void RecordingToolHost::removeTask(ToolWindow* window) {
    for (int i = 0; i < tasks.size(); ++i) {
        if (tasks[i].window == window) {
            tasks.removeAt(i);
            removed.append(window);
            return;
        }
    }
}

ToolWindow* RecordingToolHost::browseUrl(const QString& address, History history,
                                         const QString& caption, int image) {
    browsed.append({address, history, caption, image});
    return nullptr;
}

ToolWindow* RecordingToolHost::browseHtml(const QString& html, const QString& baseAddress,
                                          const QString& caption, int image) {
    pages.append({html, baseAddress, caption, image});
    return nullptr;
}

ToolWindow* RecordingToolHost::openInEditor(const QString& text, bool html) {
    editorTexts.append({text, html});
    return nullptr;
}
