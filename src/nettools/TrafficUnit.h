#pragma once

#include <QList>
#include <QLocale>
#include <QString>
#include <functional>
#include <memory>
#include <vector>

#include "IPHelper.h"

// Address formatters shared by the network tools: "00-1A-2B-3C-4D-5E" and the
// padded "%3d." dotted form (" 10.  0.  0.  1") shown in adapter tabs and in
// the connection table.
QString FormatMacAddress(const quint8* bytes, quint32 length);
QString FormatIPv4(quint32 address);  // first octet in the lowest byte

// Byte amounts in base 1024 ("1,023.00 B", "1.00 KB", "1.00 MB", "1.00 GB"),
// link speeds in base 1000 ("100.00 Mbps", "1.00 Gbps"), with the locale's
// separators and two decimals.
QString FormatBytes(quint32 bytes, const QLocale& locale = QLocale());
QString FormatSpeed(quint32 bitsPerSecond, const QLocale& locale = QLocale());

// The traffic counters of one network interface. Fed the interface's
// cumulative 32-bit octet counters once per refresh; all arithmetic wraps
// modulo 2^32, so a counter that wraps between two updates still gives the
// right interval amount. There is no clock here: "per second" means per
// update.
class TTraffic {
public:
    using Notification = std::function<void(TTraffic*)>;

    // `addresses` is the IPv4 address table, searched for the interface's
    // first address; `onNewTraffic` is called last, with the new object.
    TTraffic(const IPHelper::InterfaceRow& row, const QList<IPHelper::AddressRow>& addresses,
             const Notification& onNewTraffic = {});

    void Update(quint32 inOctets, quint32 outOctets, quint32 speed);
    void ResetCounters();
    void Freeze();
    void UnFreeze();
    void MarkDisconnected();  // final: nothing connects it again
    QString StatusText() const;

    QString IPAddress;
    QString MACAddress;
    QString Description;
    quint32 InPerSec = 0;
    quint32 TotalIn = 0;
    quint32 PeakInPerSec = 0;
    quint32 InterfaceIndex = 0;
    quint32 ActiveCountIn = 0;
    quint32 Speed = 0;
    quint32 PrevInOctets = 0;
    quint32 TotalOut = 0;
    quint32 PeakOutPerSec = 0;
    quint32 OutPerSec = 0;
    quint32 PrevOutOctets = 0;
    quint32 ActiveCountOut = 0;
    quint32 AverageInPerSec = 0;
    quint32 AverageOutPerSec = 0;
    Notification OnFreeze;
    Notification OnUnFreeze;
    bool Connected = true;
    bool Found = false;  // scratch flag of the monitor's refresh pass
    bool Running = true;
};

// The set of adapters the traffic monitor shows, one per interface ever
// listed, in the order they appeared. Owns the counter objects.
class TrafficMonitor {
public:
    // Called for each adapter made by a refresh (the view adds its tab).
    TTraffic::Notification onNewTraffic;
    // Set as OnFreeze and OnUnFreeze of every adapter made.
    TTraffic::Notification onFreezeChanged;

    // RefreshTraffic's pass over one reading of the interface table: updates
    // known adapters, makes new ones, marks the missing ones disconnected.
    // `addresses` is asked for the address table only when an adapter is made.
    void refresh(const QList<IPHelper::InterfaceRow>& rows,
                 const std::function<QList<IPHelper::AddressRow>()>& addresses);

    // FindTraffic: the first adapter with that index (marking it Found), or null.
    TTraffic* findTraffic(quint32 interfaceIndex);

    int count() const { return int(m_adapters.size()); }
    TTraffic* at(int position) const { return m_adapters.at(size_t(position)).get(); }
    int indexOf(const TTraffic* adapter) const;
    void remove(int position);
    void clear() { m_adapters.clear(); }

private:
    std::vector<std::unique_ptr<TTraffic>> m_adapters;
};

// After the tab at `removed` of `countBefore` tabs is deleted: the tab to
// select (the one before the marked position, wrapping to the last), or -1
// when fewer than two tabs remain.
int selectionAfterRemove(int removed, int countBefore);
