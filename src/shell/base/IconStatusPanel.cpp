#include "IconStatusPanel.h"

#include <QHBoxLayout>
#include <QLabel>

IconStatusPanel::IconStatusPanel(int width, const QString& textName, QWidget* parent)
    : QWidget(parent), m_icon(new QLabel(this)), m_text(new QLabel(this)) {
    setFixedWidth(width);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    m_icon->setFixedSize(16, 16);
    m_text->setObjectName(textName);
    m_text->setTextFormat(Qt::PlainText);  // addresses and server answers
    layout->addWidget(m_icon);
    layout->addWidget(m_text, 1);
}

void IconStatusPanel::setText(const QString& text) {
    m_text->setText(text);
}

QString IconStatusPanel::text() const {
    return m_text->text();
}

void IconStatusPanel::setIcon(const QIcon& icon) {
    if (icon.isNull())
        m_icon->clear();
    else
        m_icon->setPixmap(icon.pixmap(16, 16));
}
