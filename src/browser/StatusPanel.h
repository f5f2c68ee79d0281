#pragma once

#include <QWidget>

class QLabel;

// One panel of the browser's status bar: an image, a caption in its own
// colour, a hint (tool tip) and room for an extra widget.
class StatusPanel : public QWidget {
    Q_OBJECT
public:
    StatusPanel(int width, Qt::Alignment alignment, QWidget* parent = nullptr);

    QString caption() const;
    void setCaption(const QString& text);
    void setCaptionColour(const QColor& colour);
    QColor captionColour() const;
    QString hint() const { return toolTip(); }
    void setHint(const QString& hint) { setToolTip(hint); }
    // -1 removes the image.
    void setImage(const QIcon& icon, int index);
    int imageIndex() const { return m_imageIndex; }
    void addWidget(QWidget* widget);

private:
    QLabel* m_image;
    QLabel* m_caption;
    int m_imageIndex = -1;
};
