#pragma once

#include <QObject>
#include <QString>
#include <functional>

#include "ImageStrip.h"

class HandOff;
class QMainWindow;
class QMenu;
class QSystemTrayIcon;
class QTimer;

// Hiding the program into the system tray and bringing it back: the animated
// tray icon, its tip, its events and the tray menu, which is built in the
// frame's shared popup menu each time it is opened.
//
// Without a tray (the desktop has none) minimizing leaves the frame minimized
// as any window: the program never hides with no way back.
//
// UI thread only.
class TrayController : public QObject {
    Q_OBJECT
public:
    static constexpr int kFrameInterval = 200;  // ms per animation frame
    static constexpr int kTipLength = 63;

    struct Actions {
        std::function<void()> exit;   // close the frame
        std::function<void()> about;  // the about box
    };

    // `trayImages` (the four frames) and `menuImages` belong to the frame and
    // outlive this object, as does `sharedPopup`.
    TrayController(QMainWindow& frame, const ImageList& trayImages, const ImageList& menuImages,
                   QMenu& sharedPopup, HandOff& handOff, Actions actions,
                   std::function<bool()> trayAvailable);
    ~TrayController() override;

    // Makes MinimizeToTray the handler of the frame's minimizing.
    void install();
    // The application's handler for its minimizing.
    void MinimizeToTray();
    void DoShowForm();
    // Fills the shared popup with the tray menu and shows it at `at`.
    void ShowTrayMenu(const QPoint& at);
    void fillTrayMenu();

    // One tick of the animation timer.
    void Timer1Timer();

    // The tip of the icon, cut to 63 characters.
    void setTip(const QString& tip);

    bool isHiddenInTray() const { return m_hidden; }
    // The animation frame shown last; kept for the whole run.
    int frameCounter() const { return m_counter; }
    QTimer* timer() const { return Timer1; }
    // The icon, made at the first call.
    QSystemTrayIcon* icon();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QMainWindow& m_frame;
    const ImageList& m_trayImages;
    const ImageList& m_menuImages;
    QMenu& m_popup;
    HandOff& m_handOff;
    Actions m_actions;
    std::function<bool()> m_trayAvailable;
    QTimer* Timer1;
    QSystemTrayIcon* m_icon = nullptr;
    QString m_tip;
    int m_counter = 0;
    bool m_hidden = false;
    bool m_restoreMaximized = false;
};
