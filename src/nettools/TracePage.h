#pragma once

#include <QWidget>
#include <functional>

#include "IcmpEchoClient.h"
#include "ImageStrip.h"

class Prompts;
class QAction;
class QCheckBox;
class QLineEdit;
class QPlainTextEdit;

// The Network Tools' "Trace Address" page: probes with a growing time-to-live,
// one line per hop, through the window's echo client. The trace runs on the
// UI thread and lets events run while it waits, so "Stop" acts at once.
// UI thread only.
class TracePage : public QWidget {
    Q_OBJECT
public:
    struct Hooks {
        std::function<void()> close;  // "Close": the window's
        // The window's status text, with an icon of the strip (-1: none).
        std::function<void(const QString& text, int icon)> setStatus;
        std::function<QString()> status;
    };
    static constexpr int kTimeoutMs = 15000;  // per probe
    static constexpr int kMaxHops = 30;       // hops 1 to 29 are probed

    TracePage(IcmpEchoClient& icmp, Prompts& prompts, const ImageList& images, Hooks hooks,
              QWidget* parent = nullptr);

    // From "Trace" until the trace has ended, also while a stopped one winds
    // down.
    bool running() const;
    // The target box ("Web Address / IP:").
    void setAddress(const QString& address);
    // "Resolve Host names".
    bool resolveHosts() const;
    void setResolveHosts(bool resolve);

    void TBXTrcClick();
    void TBXTStopClick();

private:
    void trace();
    void runTrace(const QString& targetAddress);
    void AddHopLine(int hop, qint64 elapsed, const QString& info, const TReplyStatus& reply);

    IcmpEchoClient& m_icmp;
    Prompts& m_prompts;
    Hooks m_hooks;
    bool m_stop = false;
    bool m_running = false;
    bool m_restart = false;  // "Trace" clicked while a stopped trace winds down

    QLineEdit* edtHost = nullptr;
    QLineEdit* edtIP = nullptr;
    QAction* TBXTrc = nullptr;
    QCheckBox* cbResolveHosts = nullptr;
    QPlainTextEdit* ReLog = nullptr;
};
