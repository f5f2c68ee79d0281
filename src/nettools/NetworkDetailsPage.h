#pragma once

#include <QWidget>
#include <functional>

#include "AddressDetails.h"
#include "IPHelper.h"
#include "ImageStrip.h"
#include "TrafficUnit.h"

class QAction;
class QLineEdit;
class QPlainTextEdit;
class QTabBar;

// The Network Tools' "Network Details" page: the traffic monitor of every
// adapter (a tab each, its status, IN and OUT figures, freeze, clear and
// remove) and the computer's address details. UI thread only.
class NetworkDetailsPage : public QWidget {
    Q_OBJECT
public:
    struct Hooks {
        std::function<void()> close;    // "Close": the window's
        std::function<void()> saveLog;  // "Save Log": the connection log's
    };
    NetworkDetailsPage(const ImageList& images, Hooks hooks, QWidget* parent = nullptr);
    ~NetworkDetailsPage() override;

    // One step of the window's timer: the interface counters read and shown.
    void RefreshTraffic();
    // The interface table's source (tests substitute fixtures).
    void setInterfaceSource(std::function<QList<IPHelper::InterfaceRow>()> source);
    // The "Details:" group: the external address as downloaded and the local
    // facts; read back as shown (the user may have edited them) for the log.
    void showAddressDetails(const AddressDetails& details);
    AddressDetails addressDetails() const;

    TTraffic* selectedAdapter() const { return m_selected; }
    const TrafficMonitor& trafficMonitor() const { return m_monitor; }

private:
    void addAdapterTab(TTraffic* adapter);
    void TrafficTabsChange(int index);
    void ShowSelectedAdapter();
    void ClearAdapterView();
    void adapterFreezeChanged(TTraffic* adapter);
    void FreezeButtonClick();
    void UnFreezeButtonClick();
    void ClearCountersButtonClick();
    void RemoveInactiveButtonClick();
    void updateDescriptionHint();

    Hooks m_hooks;
    TrafficMonitor m_monitor;
    TTraffic* m_selected = nullptr;
    std::function<QList<IPHelper::InterfaceRow>()> m_interfaceSource;

    QLineEdit* ledAdapterDescription = nullptr;
    QLineEdit* StatusText = nullptr;
    QLineEdit* ledMACAddress = nullptr;
    QLineEdit* ledSpeed = nullptr;
    QLineEdit* ledOctInSec = nullptr;
    QLineEdit* ledPeakINSec = nullptr;
    QLineEdit* ledAvgINSec = nullptr;
    QLineEdit* ledTotalIN = nullptr;
    QLineEdit* ledOctOUTSec = nullptr;
    QLineEdit* ledPeakOUTSec = nullptr;
    QLineEdit* ledAvgOUTSec = nullptr;
    QLineEdit* ledTotalOUT = nullptr;
    QAction* FreezeButton = nullptr;
    QAction* UnFreezeButton = nullptr;
    QAction* ClearCountersButton = nullptr;
    QAction* RemoveInactiveButton = nullptr;
    QTabBar* TrafficTabs = nullptr;
    QLineEdit* edHostP = nullptr;
    QLineEdit* edHostN = nullptr;
    QPlainTextEdit* MemExtIP = nullptr;
    QLineEdit* edIntIP = nullptr;
};
