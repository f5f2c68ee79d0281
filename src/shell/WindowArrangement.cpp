#include "WindowArrangement.h"

#include <QMdiArea>
#include <QMdiSubWindow>
#include <algorithm>

QList<QPointer<QMdiSubWindow>> WindowArrangement::mdiOrder() const {
    QList<QPointer<QMdiSubWindow>> order;
    const QList<QMdiSubWindow*> stacking = m_area.subWindowList(QMdiArea::StackingOrder);
    for (auto it = stacking.crbegin(); it != stacking.crend(); ++it)
        order.append(*it);  // topmost first, as the platform counts
    return order;
}

void WindowArrangement::cascade() {
    m_area.cascadeSubWindows();
}

void WindowArrangement::tileVertically() {
    tile(Direction::Columns);
}

void WindowArrangement::tileHorizontally() {
    tile(Direction::Rows);
}

void WindowArrangement::tile(Direction direction) {
    QList<QMdiSubWindow*> windows = m_area.subWindowList();
    windows.removeIf(
        [](const QMdiSubWindow* sub) { return sub->isMinimized() || sub->isHidden(); });
    if (windows.isEmpty())
        return;
    // The tiles leave the strip of minimized windows along the bottom free.
    QRect area = m_area.viewport()->rect();
    int iconsHeight = 0;
    for (const QMdiSubWindow* sub : m_area.subWindowList()) {
        if (sub->isMinimized() && !sub->isHidden())
            iconsHeight = std::max(iconsHeight, sub->height());
    }
    if (iconsHeight < area.height())
        area.setHeight(area.height() - iconsHeight);
    const int count = int(windows.size());
    for (int i = 0; i < count; ++i) {
        QMdiSubWindow* sub = windows[i];
        sub->showNormal();
        if (direction == Direction::Columns) {
            const int width = area.width() / count;
            sub->setGeometry(i * width, 0, width, area.height());
        } else {
            const int height = area.height() / count;
            sub->setGeometry(0, i * height, area.width(), height);
        }
    }
}

void WindowArrangement::arrangeIcons() {
    const QRect area = m_area.viewport()->rect();
    int x = 0;
    for (QMdiSubWindow* sub : m_area.subWindowList()) {
        if (!sub->isMinimized())
            continue;
        const QSize size = sub->size();
        sub->move(x, area.height() - size.height());
        x += size.width();
    }
}

void WindowArrangement::minimizeAll() {
    const QList<QPointer<QMdiSubWindow>> order = mdiOrder();
    // Otherwise the area passes the activation on as each window goes and
    // brings the next one back maximized, as the one before it was.
    m_area.setOption(QMdiArea::DontMaximizeSubWindowOnActivation, true);
    for (auto it = order.crbegin(); it != order.crend(); ++it) {
        if (*it)
            (*it)->showMinimized();
    }
    m_area.setOption(QMdiArea::DontMaximizeSubWindowOnActivation, false);
}

void WindowArrangement::closeAll() {
    const QList<QPointer<QMdiSubWindow>> order = mdiOrder();
    for (auto it = order.crbegin(); it != order.crend(); ++it) {
        if (*it)
            (*it)->close();
    }
}
