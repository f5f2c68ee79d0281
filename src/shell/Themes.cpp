#include "Themes.h"

#include <QApplication>

namespace {

// Menus, tool bars, status bars and dock titles are what a theme restyles; the
// tools' own content keeps the desktop's look.
const char* const kAluminum = R"(
QMenuBar, QToolBar, QStatusBar, QDockWidget::title {
  background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #f4f5f6, stop:0.5 #d9dcdf,
                              stop:0.51 #cdd1d5, stop:1 #e4e6e8);
  border-bottom: 1px solid #9aa0a6;
}
QMenuBar::item { background: transparent; padding: 3px 8px; }
QMenuBar::item:selected, QMenu::item:selected {
  background: #7d8891; color: white; border-radius: 2px;
}
QMenu { background: #eceef0; border: 1px solid #8a9197; }
QMenu::separator { height: 1px; background: #a7adb3; margin: 3px 6px; }
QToolBar QToolButton { padding: 2px; border: 1px solid transparent; border-radius: 3px; }
QToolBar QToolButton:hover { border-color: #7d8891; background: #f7f8f9; }
QToolBar QToolButton:checked { border-color: #59626a; background: #c3c8cd; }
)";

const char* const kOfficeXP = R"(
QMenuBar, QToolBar, QStatusBar, QDockWidget::title {
  background: #ece9d8;
  border-bottom: 1px solid #c5c2b2;
}
QMenuBar::item { background: transparent; padding: 3px 8px; }
QMenuBar::item:selected {
  background: #c1d2ee; border: 1px solid #316ac5; color: black;
}
QMenu { background: #fcfcf9; border: 1px solid #8a867a; }
QMenu::item { padding: 4px 24px 4px 28px; }
QMenu::item:selected { background: #c1d2ee; border: 1px solid #316ac5; color: black; }
QMenu::separator { height: 1px; background: #c5c2b2; margin: 2px 4px 2px 28px; }
QToolBar QToolButton { padding: 2px; border: 1px solid transparent; }
QToolBar QToolButton:hover { background: #c1d2ee; border-color: #316ac5; }
QToolBar QToolButton:checked { background: #98b5e2; border-color: #316ac5; }
)";

const char* const kStripes = R"(
QMenuBar, QToolBar, QStatusBar, QDockWidget::title {
  background: qlineargradient(spread:repeat, x1:0, y1:0, x2:0, y2:0.16,
                              stop:0 #e9eef7, stop:0.5 #e9eef7, stop:0.51 #d3dcec, stop:1 #d3dcec);
  border-bottom: 1px solid #8fa3c4;
}
QMenuBar::item { background: transparent; padding: 3px 8px; }
QMenuBar::item:selected, QMenu::item:selected { background: #3b5f9a; color: white; }
QMenu { background: #f3f6fb; border: 1px solid #5c77a3; }
QMenu::separator { height: 2px; background: #b9c7de; margin: 3px 6px; }
QToolBar QToolButton { padding: 2px; border: 1px solid transparent; border-radius: 2px; }
QToolBar QToolButton:hover { background: #ffffff; border-color: #3b5f9a; }
QToolBar QToolButton:checked { background: #b4c6e4; border-color: #3b5f9a; }
)";

}  // namespace

namespace Themes {

QStringList names() {
    return {"Default", "Aluminum", "OfficeXP", "Stripes"};
}

QString styleSheet(const QString& name) {
    if (name == "Aluminum")
        return kAluminum;
    if (name == "OfficeXP")
        return kOfficeXP;
    if (name == "Stripes")
        return kStripes;
    return QString();
}

bool apply(const QString& name) {
    if (!names().contains(name)) {
        return false;
    }
    qApp->setStyleSheet(styleSheet(name));
    return true;
}

}  // namespace Themes
