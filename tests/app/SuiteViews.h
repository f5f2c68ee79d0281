#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

class Prompts;
class QDialog;
class QWidget;
class TfrmMain;
class ToolHost;
class ToolWindow;

// What a person can look at in the suite: every page and tab of a tool window,
// and the main dialogs. The layout test walks them; the gallery
// (tools/screenshot) takes a picture of each.
namespace SuiteViews {

struct View {
    QString name;                // lower case, fit for a file name: "03-trace-address"
    std::function<void()> show;  // brings the view to the front
};

// One view per tab a person can reach in `window`: every visible tab of every
// tab widget, the tabs of the tab widget's ancestors chosen on the way. A
// window without tabs has one view of itself.
QList<View> tabsOf(QWidget* window);

// Every tab of `window` (tabsOf), then each panel it opens beside its pages
// through one of its own actions (the browser's favorites, history and
// cookies).
QList<View> viewsOf(ToolWindow* window);

// "Network Tools" -> "network-tools".
QString fileName(const QString& caption);

struct Dialog {
    QString name;
    std::function<QDialog*(QWidget* parent)> make;
};

// The suite's main dialogs, made with test content. `favorites` is a folder
// the favorites dialogs may browse.
QList<Dialog> dialogs(Prompts& prompts, ToolHost& host, const QString& favorites);

// Every visible label, button, group box title and value box under `root`
// that is narrower than its text in its own font, one line each
// ("QLabel lblName \"Name:\" needs 52 px, has 40"). A box that shows a value
// of any length (an address, a path, a user's name) is held to its
// placeholder only.
QStringList narrowControls(QWidget* root);

// Empty when the maximized `window` fits the frame's client area; otherwise
// what it needs and what it has.
QString overflow(const TfrmMain& frame, const ToolWindow* window);

}  // namespace SuiteViews
