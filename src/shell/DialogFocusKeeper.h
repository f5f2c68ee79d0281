#pragma once

#include <QList>
#include <QObject>
#include <QPointer>

class QWidget;

// Gives the frame back the keyboard after any modal dialog of the program
// closes: the frame is activated again, the tool window that had the focus is
// the active MDI window again and its focus widget has the focus. Without it a
// system without a window manager to hand the focus back leaves the frame
// inactive, so keys still reach the text but no window shortcut works until a
// click.
//
// UI thread only.
class DialogFocusKeeper : public QObject {
    Q_OBJECT
public:
    explicit DialogFocusKeeper(QWidget& frame);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Open {
        QPointer<QWidget> dialog;
        QPointer<QWidget> focus;  // what had the focus as the dialog opened
    };
    void restore(const QPointer<QWidget>& focus);

    QWidget& m_frame;
    QList<Open> m_open;
};
