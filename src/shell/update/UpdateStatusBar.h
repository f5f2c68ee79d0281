#pragma once

#include <QStatusBar>

class QLabel;
class QProgressBar;
class QToolButton;

// The frame's update status bar: "Cancel" and "Resume", a spacer, the status
// text and the progress bar. Hidden until an update check runs. It shows its
// panels only: the status tips of the window it is made for (`parent`) never
// cover them.
class UpdateStatusBar : public QStatusBar {
    Q_OBJECT
public:
    explicit UpdateStatusBar(QWidget* parent = nullptr);

    bool eventFilter(QObject* watched, QEvent* event) override;

    QToolButton* TBXCancel = nullptr;
    QToolButton* TBXResume = nullptr;
    QLabel* status = nullptr;
    QProgressBar* pbUpgreder = nullptr;
};
