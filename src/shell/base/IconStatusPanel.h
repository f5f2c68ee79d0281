#pragma once

#include <QIcon>
#include <QWidget>

class QLabel;

// The first status-bar panel of the tool windows that show a state with a
// small picture beside its text (busy, stopped, done).
class IconStatusPanel : public QWidget {
public:
    // `width` is fixed so the panels after it keep their place while the text
    // changes; the text label is named `textName` for tests and assistive tools.
    IconStatusPanel(int width, const QString& textName, QWidget* parent);

    void setText(const QString& text);
    QString text() const;
    // A null icon clears the picture.
    void setIcon(const QIcon& icon);

private:
    QLabel* m_icon;
    QLabel* m_text;
};
