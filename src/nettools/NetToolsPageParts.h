#pragma once

#include <QString>

class QLabel;
class QToolBar;
class QWidget;

// What the pages of the Network Tools window are made of alike.
namespace NetToolsPageParts {

// Status icons of the window's image strip.
inline constexpr int kBusyIcon = 5;
inline constexpr int kStoppedIcon = 1;
inline constexpr int kCloseImage = 0;

// A page's tool bar: 16-pixel images with their captions beside them.
QToolBar* pageToolBar(QWidget* page);
// The fixed heading above a page's list, in the design's small font.
QLabel* heading(const QString& text, QWidget* parent);
// A tool bar's label for `field`: screen readers name the field by it (an
// editable field is otherwise named by its text).
QLabel* fieldLabel(const QString& text, QWidget* field, QWidget* parent);
// Lets queued window events run (painting, timers, clicks) between the steps
// of a ping series or a trace, and while one echo request waits: "Stop" then
// gives up the request at once instead of after its time-out.
void letEventsRun();

}  // namespace NetToolsPageParts
