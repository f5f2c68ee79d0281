#include "UpdateStatusBar.h"

#include <QEvent>
#include <QLabel>
#include <QProgressBar>
#include <QToolButton>

namespace {

QToolButton* panelButton(const QString& caption, const QString& name, QWidget* parent) {
    auto* button = new QToolButton(parent);
    button->setText(caption);
    button->setObjectName(name);
    button->setAccessibleName(caption);
    button->setAutoRaise(true);
    button->setFixedWidth(48);
    return button;
}

}  // namespace

UpdateStatusBar::UpdateStatusBar(QWidget* parent) : QStatusBar(parent) {
    setObjectName("StatusBar");
    setSizeGripEnabled(false);
    TBXCancel = panelButton("Cancel", "TBXCancel", this);
    TBXResume = panelButton("Resume", "TBXResume", this);
    TBXResume->hide();
    auto* spacer = new QWidget(this);
    spacer->setFixedWidth(20);
    status = new QLabel("Update Progress :", this);
    status->setObjectName("UpdateStatus");
    status->setTextFormat(Qt::PlainText);  // errors quote what servers said
    status->setAccessibleName("Update status");
    status->setFixedWidth(300);
    pbUpgreder = new QProgressBar(this);
    pbUpgreder->setObjectName("pbUpgreder");
    pbUpgreder->setAccessibleName("Update progress");
    pbUpgreder->setRange(0, 100);
    pbUpgreder->setFixedWidth(200);
    pbUpgreder->hide();
    for (QWidget* panel :
         {static_cast<QWidget*>(TBXCancel), static_cast<QWidget*>(TBXResume), spacer,
          static_cast<QWidget*>(status), static_cast<QWidget*>(pbUpgreder)})
        addWidget(panel);
    if (parent)
        parent->installEventFilter(this);
}

bool UpdateStatusBar::eventFilter(QObject* watched, QEvent* event) {
    return watched == parent() && event->type() == QEvent::StatusTip;
}
