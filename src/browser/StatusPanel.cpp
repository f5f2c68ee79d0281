#include "StatusPanel.h"

#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>

StatusPanel::StatusPanel(int width, Qt::Alignment alignment, QWidget* parent)
    : QWidget(parent), m_image(new QLabel(this)), m_caption(new QLabel(this)) {
    setFixedWidth(width);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(2, 0, 2, 0);
    layout->setSpacing(4);
    m_image->setFixedSize(16, 16);
    m_image->hide();
    m_caption->setAlignment(alignment | Qt::AlignVCenter);
    m_caption->setTextFormat(Qt::PlainText);
    // A long status text must not widen the panel.
    m_caption->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    layout->addWidget(m_image);
    layout->addWidget(m_caption, 1);
}

QString StatusPanel::caption() const {
    return m_caption->text();
}

void StatusPanel::setCaption(const QString& text) {
    m_caption->setText(text);
}

void StatusPanel::setCaptionColour(const QColor& colour) {
    QPalette palette = m_caption->palette();
    palette.setColor(QPalette::WindowText, colour);
    m_caption->setPalette(palette);
}

QColor StatusPanel::captionColour() const {
    return m_caption->palette().color(QPalette::WindowText);
}

void StatusPanel::setImage(const QIcon& icon, int index) {
    m_imageIndex = index;
    if (index < 0 || icon.isNull()) {
        m_image->clear();
        m_image->setVisible(index >= 0);
        return;
    }
    m_image->setPixmap(icon.pixmap(16, 16));
    m_image->show();
}

void StatusPanel::addWidget(QWidget* widget) {
    static_cast<QHBoxLayout*>(layout())->insertWidget(1, widget);
}
