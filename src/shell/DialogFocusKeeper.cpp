#include "DialogFocusKeeper.h"

#include <QApplication>
#include <QDialog>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTimer>

DialogFocusKeeper::DialogFocusKeeper(QWidget& frame) : QObject(&frame), m_frame(frame) {
    qApp->installEventFilter(this);
}

bool DialogFocusKeeper::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::Show && event->type() != QEvent::Hide)
        return false;
    auto* dialog = qobject_cast<QDialog*>(watched);
    if (!dialog || !dialog->isWindow() || !dialog->isModal())
        return false;
    if (event->type() == QEvent::Show) {
        QWidget* focus = QApplication::focusWidget();
        if (!focus || focus->window() == dialog)
            focus = m_frame.focusWidget();
        m_open.append({dialog, focus});
        return false;
    }
    for (int i = m_open.size() - 1; i >= 0; --i) {
        if (m_open[i].dialog == dialog) {
            const QPointer<QWidget> focus = m_open.takeAt(i).focus;
            // After the dialog's own clean-up, which may move the focus too.
            QTimer::singleShot(0, this, [this, focus] { restore(focus); });
            break;
        }
    }
    return false;
}

void DialogFocusKeeper::restore(const QPointer<QWidget>& focus) {
    if (!m_open.isEmpty() || !m_frame.isVisible() || QApplication::activeModalWidget())
        return;  // another dialog still holds the keyboard
    if (!QApplication::activeWindow())
        m_frame.activateWindow();
    if (!focus || focus->window() != &m_frame)
        return;
    for (QWidget* widget = focus; widget; widget = widget->parentWidget()) {
        if (auto* sub = qobject_cast<QMdiSubWindow*>(widget)) {
            if (QMdiArea* area = sub->mdiArea())
                area->setActiveSubWindow(sub);
            break;
        }
    }
    focus->setFocus(Qt::ActiveWindowFocusReason);
}
