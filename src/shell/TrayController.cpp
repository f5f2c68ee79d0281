#include "TrayController.h"

#include <QApplication>
#include <QCursor>
#include <QMainWindow>
#include <QMenu>
#include <QStyle>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QWindowStateChangeEvent>

#include "HandOff.h"

TrayController::TrayController(QMainWindow& frame, const ImageList& trayImages,
                               const ImageList& menuImages, QMenu& sharedPopup, HandOff& handOff,
                               Actions actions, std::function<bool()> trayAvailable)
    : QObject(&frame),
      m_frame(frame),
      m_trayImages(trayImages),
      m_menuImages(menuImages),
      m_popup(sharedPopup),
      m_handOff(handOff),
      m_actions(std::move(actions)),
      m_trayAvailable(std::move(trayAvailable)),
      Timer1(new QTimer(this)) {
    Timer1->setInterval(kFrameInterval);
    connect(Timer1, &QTimer::timeout, this, &TrayController::Timer1Timer);
}

QSystemTrayIcon* TrayController::icon() {
    if (m_icon)
        return m_icon;
    // Made when first needed: finding the desktop's tray (over the session
    // bus, or among the display's windows) is work the program's start can
    // do without.
    m_icon = new QSystemTrayIcon(this);
    // The application icon until the first animation frame; a stock one when
    // the program has none, so the icon is never invisible.
    QIcon image = QApplication::windowIcon();
    if (image.isNull())
        image = QApplication::style()->standardIcon(QStyle::SP_ComputerIcon);
    m_icon->setIcon(image);
    m_icon->setToolTip(m_tip);
    connect(m_icon, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                // Trays that speak the StatusNotifierItem protocol (the
                // desktops' own) report a left click as Trigger and never a
                // double click; an embedding tray reports Trigger before the
                // double click. Either brings the program back.
                if (reason == QSystemTrayIcon::DoubleClick || reason == QSystemTrayIcon::Trigger)
                    DoShowForm();
                else if (reason == QSystemTrayIcon::Context)
                    ShowTrayMenu(QCursor::pos());
            });
    return m_icon;
}

TrayController::~TrayController() {
    Timer1->stop();
    if (m_icon)
        m_icon->hide();
}

void TrayController::install() {
    m_frame.installEventFilter(this);
}

bool TrayController::eventFilter(QObject* watched, QEvent* event) {
    if (watched == &m_frame && event->type() == QEvent::WindowStateChange && !m_hidden &&
        m_frame.isMinimized()) {
        const auto* change = static_cast<QWindowStateChangeEvent*>(event);
        m_restoreMaximized = change->oldState() & Qt::WindowMaximized;
        // Hidden once the minimizing is through, not in the middle of it.
        QTimer::singleShot(0, this, [this] {
            if (m_frame.isMinimized())
                MinimizeToTray();
        });
    }
    return QObject::eventFilter(watched, event);
}

void TrayController::MinimizeToTray() {
    if (m_hidden || !m_trayAvailable())
        return;
    m_hidden = true;
    // Minimized while hidden, as the frame's stored window state says at exit.
    if (!m_frame.isMinimized())
        m_frame.setWindowState(m_frame.windowState() | Qt::WindowMinimized);
    // The tool windows are the frame's children and hide with it.
    m_frame.hide();
    Timer1->start();  // the icon appears at the first tick
}

void TrayController::Timer1Timer() {
    m_counter = m_counter + 1 == 4 ? 0 : m_counter + 1;
    if (!m_trayAvailable()) {
        // The tray went away while the program was in it: back to the desktop
        // as a minimized window rather than lost.
        Timer1->stop();
        if (m_icon)
            m_icon->hide();
        m_hidden = false;
        m_frame.showMinimized();
        return;
    }
    const QIcon frameIcon = m_trayImages.icon(m_counter);
    if (!frameIcon.isNull())
        icon()->setIcon(frameIcon);
    if (!icon()->isVisible())
        icon()->show();
    if (m_frame.isVisible())
        Timer1->stop();
}

void TrayController::DoShowForm() {
    Timer1->stop();
    if (m_icon)
        m_icon->hide();
    if (m_frame.isVisible())
        return;
    m_hidden = false;
    Qt::WindowStates state = m_frame.windowState() & ~Qt::WindowMinimized;
    if (m_restoreMaximized)
        state |= Qt::WindowMaximized;
    m_frame.setWindowState(state);
    m_frame.show();
    m_frame.raise();
    m_frame.activateWindow();
}

void TrayController::setTip(const QString& tip) {
    m_tip = tip.left(kTipLength);
    if (m_icon)
        m_icon->setToolTip(m_tip);
}

void TrayController::fillTrayMenu() {
    m_popup.clear();
    const auto add = [this](const QString& caption, int image, std::function<void()> handler) {
        QAction* action = m_popup.addAction(m_menuImages.icon(image), caption);
        connect(action, &QAction::triggered, this, std::move(handler));
    };
    add(QStringLiteral("Show Corvanta"), 18, [this] { DoShowForm(); });
    m_popup.addSeparator();
    add(QStringLiteral("Exit"), 0, [this] { m_actions.exit(); });
    m_popup.addSeparator();
    add(QStringLiteral("About Corvanta"), 7, [this] { m_actions.about(); });
    m_popup.addSeparator();
    for (int i = 0; i < int(HandOff::kActions.size()); ++i) {
        const HandOff::Action& action = HandOff::kActions[i];
        add(QLatin1String(action.trayCaption), action.image, [this, i] { m_handOff.run(i); });
    }
    m_popup.addSeparator();
}

void TrayController::ShowTrayMenu(const QPoint& at) {
    fillTrayMenu();
    m_popup.popup(at);
}
