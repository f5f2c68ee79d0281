#pragma once

#include <QList>
#include <QPointer>

class QMdiArea;
class QMdiSubWindow;

// The "Window" menu's commands over the MDI area, and the walks over the tool
// windows that closing and exiting make.
//
// A walk asks each window in turn, and asking may run events (the Editor's
// "save?" question runs its own loop); meanwhile a window may close itself
// (a page's window.close()) and be freed. Walks therefore hold guarded
// pointers and pass over the windows that went.
//
// UI thread only.
class WindowArrangement {
public:
    explicit WindowArrangement(QMdiArea& area) : m_area(area) {}

    // The MDI index order: index 0 is the active (topmost) window.
    QList<QPointer<QMdiSubWindow>> mdiOrder() const;

    void cascade();
    // Side by side, equal columns over the full height; minimized windows
    // stay minimized and take no column.
    void tileVertically();
    // One above the other, equal rows over the full width; minimized windows
    // stay minimized and take no row.
    void tileHorizontally();
    // Lines the minimized windows up along the bottom edge.
    void arrangeIcons();
    // Every window minimized, from the last MDI index down to 0.
    void minimizeAll();
    // Asks every window to close, from the last MDI index down to 0; a window
    // may refuse and the others still close.
    void closeAll();
    // Asks every window whether it may close, from MDI index 0 upwards; false
    // at the first refusal. `mayClose` answers for one window.
    template <typename Query>
    bool everyWindowMayClose(Query mayClose) const {
        for (const QPointer<QMdiSubWindow>& sub : mdiOrder()) {
            if (sub && !mayClose(sub.data()))
                return false;
        }
        return true;
    }

private:
    enum class Direction { Columns, Rows };
    void tile(Direction direction);

    QMdiArea& m_area;
};
