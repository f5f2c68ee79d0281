#include "FtpStatusBar.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QStatusBar>

FtpStatusBar::FtpStatusBar(QStatusBar* bar, const ImageList& images) : m_images(images) {
    auto* panel = new QWidget;
    auto* layout = new QHBoxLayout(panel);
    layout->setContentsMargins(0, 0, 0, 0);
    m_icon = new QLabel;
    m_text = new QLabel;
    m_text->setObjectName("statusPanel0");
    m_text->setTextFormat(Qt::PlainText);  // server replies and file names
    layout->addWidget(m_icon);
    layout->addWidget(m_text, 1);
    panel->setMinimumWidth(150);
    m_kind = new QLabel;
    m_kind->setObjectName("statusPanel1");
    // Wide enough for the longer of its two captions in the font in use.
    m_kind->setFixedWidth(qMax(80, m_kind->fontMetrics().horizontalAdvance("Selected Folder:") +
                                       2 * m_kind->fontMetrics().averageCharWidth()));
    m_name = new QLineEdit;
    m_name->setObjectName("statusPanel2");
    m_name->setAccessibleName("Selected Entry");
    m_name->setReadOnly(true);
    m_name->setFixedWidth(150);
    bar->addWidget(panel);
    bar->addWidget(m_kind);
    bar->addWidget(m_name);
}

QString FtpStatusBar::text() const {
    return m_text->text();
}

void FtpStatusBar::setText(const QString& text) {
    m_text->setText(text);
}

void FtpStatusBar::setIcon(FtpImage image) {
    m_icon->setPixmap(ftpIcon(m_images, image).pixmap(16));
}

void FtpStatusBar::showSelection(const QString& kind, const QString& name) {
    m_kind->setText(kind);
    m_name->setText(name);
}
