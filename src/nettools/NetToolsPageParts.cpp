#include "NetToolsPageParts.h"

#include <QCoreApplication>
#include <QFont>
#include <QLabel>
#include <QToolBar>

namespace NetToolsPageParts {

QToolBar* pageToolBar(QWidget* page) {
    auto* bar = new QToolBar(page);
    bar->setIconSize(QSize(16, 16));
    bar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    return bar;
}

QLabel* heading(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    QFont font(QStringLiteral("Verdana"));
    font.setPointSize(7);
    label->setFont(font);
    return label;
}

QLabel* fieldLabel(const QString& text, QWidget* field, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setBuddy(field);
    return label;
}

void letEventsRun() {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

}  // namespace NetToolsPageParts
