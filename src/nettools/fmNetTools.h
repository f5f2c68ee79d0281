#pragma once

#include <QList>
#include <QTimer>
#include <functional>

#include "ConnectionTable.h"
#include "IPHelper.h"
#include "IcmpEchoClient.h"
#include "ImageStrip.h"
#include "NetworkDetailsPage.h"
#include "ToolWindow.h"
#include "WhoisClient.h"

class QAction;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QSpinBox;
class QTabWidget;
class QTableWidget;
class QToolBar;
class TracePage;

// The Network Tools window: connection history, traffic monitor and address
// details (NetworkDetailsPage), trace route, pinger and WhoIs, on five pages. A one-second timer
// polls the TCP table and the interface counters. UI thread only.
class TNetToosFrm : public ToolWindow {
    Q_OBJECT
public:
    explicit TNetToosFrm(ToolHost& host, QWidget* parent = nullptr);
    ~TNetToosFrm() override;

    // Address hand-off: fills the trace, ping and WhoIs boxes, shows the trace
    // page and runs the WhoIs query.
    void handOffAddress(const QString& address);

    // Refused (with a self-closing notice) while a ping series or a trace runs.
    bool queryClose() override;

    // The timer's two steps, public for the tests that drive them.
    void PollConnections();
    void RefreshTraffic() { m_details->RefreshTraffic(); }
    void RestartHistory();

    // Sources of the system tables (tests substitute fixtures).
    void setConnectionSource(std::function<QList<TTcpConnStatus>()> source);
    void setInterfaceSource(std::function<QList<IPHelper::InterfaceRow>()> source);
    // The WhoIs port; 43 but in tests.
    void setWhoisPort(quint16 port) { m_whois.port = port; }

    const ConnectionHistory& history() const { return m_history; }
    const QStringList& windowLog() const { return m_windowLog; }
    TTraffic* selectedAdapter() const { return m_details->selectedAdapter(); }
    const TrafficMonitor& trafficMonitor() const { return m_details->trafficMonitor(); }

protected:
    void showEvent(QShowEvent* event) override;

private:
    QWidget* buildConnectionPage();
    QWidget* buildPingerPage();
    QWidget* buildWhoisPage();
    QAction* closeAction(QToolBar* bar, const QString& caption);

    void setStatus(const QString& text, int icon = -1);
    void readSettings();
    void writeSettings();
    void FetchAddressDetails();
    void timerTick();
    void syncTable();

    void SaveLogClick();

    // Pinger
    void btnPingClick();
    void TBXPStopClick();
    void addReply(const QString& line);

    // WhoIs
    void TBXWGoClick();

    ImageList m_images{16};
    QTimer m_timer;
    QStringList m_windowLog;
    ConnectionHistory m_history;
    int m_shownGeneration = -1;
    IcmpEchoClient m_icmp;
    WhoisClient m_whois;
    std::function<QList<TTcpConnStatus>()> m_connectionSource;
    bool m_shown = false;
    bool m_pingRunning = false;
    bool m_pingStopped = false;

    QTabWidget* m_pages = nullptr;
    QLabel* m_statusIcon = nullptr;
    QLabel* m_statusText = nullptr;

    // "Ports and IP's"
    QTableWidget* sgConnHist = nullptr;
    QCheckBox* cbShowListeners = nullptr;

    NetworkDetailsPage* m_details = nullptr;  // "Network Details"
    TracePage* m_trace = nullptr;             // "Trace Address"

    // "Pinger"
    QLineEdit* edtPng = nullptr;
    QAction* btnPing = nullptr;
    QSpinBox* spnPing = nullptr;
    QListWidget* lstReplies = nullptr;

    // "WhoIs"
    QComboBox* ComboBox1 = nullptr;
    QLineEdit* EdtWhoIs = nullptr;
    QPlainTextEdit* MemWhois = nullptr;
};
