#include "TrafficUnit.h"

namespace {

QString formatScaled(double value, const char* unit, const QLocale& locale) {
    QLocale withGroups = locale;
    withGroups.setNumberOptions(locale.numberOptions() & ~QLocale::OmitGroupSeparator);
    return withGroups.toString(value, 'f', 2) + QLatin1Char(' ') + QLatin1String(unit);
}

}  // namespace

QString FormatMacAddress(const quint8* bytes, quint32 length) {
    if (length == 0)
        return QStringLiteral("00-00-00-00-00-00");
    QStringList pairs;
    for (quint32 i = 0; i < length && i < 8; ++i) {
        pairs.append(QStringLiteral("%1").arg(bytes[i], 2, 16, QLatin1Char('0')).toUpper());
    }
    return pairs.join(QLatin1Char('-'));
}

QString FormatIPv4(quint32 address) {
    QString text;
    for (int octet = 0; octet < 4; ++octet) {
        text += QStringLiteral("%1.").arg((address >> (8 * octet)) & 0xff, 3);
    }
    text.chop(1);
    return text;
}

QString FormatBytes(quint32 bytes, const QLocale& locale) {
    if (bytes < 1024u)
        return formatScaled(bytes, "B", locale);
    if (bytes < 1048576u)
        return formatScaled(bytes / 1024.0, "KB", locale);
    if (bytes < 1073741824u)
        return formatScaled(bytes / 1048576.0, "MB", locale);
    return formatScaled(bytes / 1073741824.0, "GB", locale);
}

QString FormatSpeed(quint32 bitsPerSecond, const QLocale& locale) {
    if (bitsPerSecond < 1000u)
        return formatScaled(bitsPerSecond, "bps", locale);
    if (bitsPerSecond < 1000000u)
        return formatScaled(bitsPerSecond / 1000.0, "Kbps", locale);
    if (bitsPerSecond < 1000000000u)
        return formatScaled(bitsPerSecond / 1e6, "Mbps", locale);
    return formatScaled(bitsPerSecond / 1e9, "Gbps", locale);
}

TTraffic::TTraffic(const IPHelper::InterfaceRow& row, const QList<IPHelper::AddressRow>& addresses,
                   const Notification& onNewTraffic)
    : InterfaceIndex(row.index) {
    IPAddress = QStringLiteral("!not_found!");
    for (const IPHelper::AddressRow& address : addresses) {
        if (address.index == InterfaceIndex) {
            IPAddress = FormatIPv4(address.address);
            break;
        }
    }
    MACAddress = FormatMacAddress(row.physAddr.data(), std::min<quint32>(row.physAddrLen, 8));
    QString description = QString::fromUtf8(row.description);
    qsizetype start = 0;
    qsizetype end = description.size();
    while (start < end && description.at(start) <= QLatin1Char(' '))
        ++start;
    while (end > start && description.at(end - 1) <= QLatin1Char(' '))
        --end;
    Description = description.mid(start, end - start);
    PrevInOctets = row.inOctets;
    PrevOutOctets = row.outOctets;
    Speed = row.speed;
    if (onNewTraffic)
        onNewTraffic(this);
}

void TTraffic::Update(quint32 inOctets, quint32 outOctets, quint32 speed) {
    if (!Running)
        return;
    Speed = speed;

    InPerSec = inOctets - PrevInOctets;
    TotalIn += InPerSec;
    if (InPerSec > 0)
        ++ActiveCountIn;
    if (InPerSec > PeakInPerSec)
        PeakInPerSec = InPerSec;
    if (ActiveCountIn > 0)
        AverageInPerSec = TotalIn / ActiveCountIn;
    PrevInOctets = inOctets;

    OutPerSec = outOctets - PrevOutOctets;
    TotalOut += OutPerSec;
    if (OutPerSec > 0)
        ++ActiveCountOut;
    if (OutPerSec > PeakOutPerSec)
        PeakOutPerSec = OutPerSec;
    if (ActiveCountOut > 0)
        AverageOutPerSec = TotalOut / ActiveCountOut;
    PrevOutOctets = outOctets;
}

void TTraffic::ResetCounters() {
    ActiveCountIn = ActiveCountOut = 0;
    TotalIn = TotalOut = 0;
    InPerSec = OutPerSec = 0;
    PeakInPerSec = PeakOutPerSec = 0;
}

void TTraffic::Freeze() {
    Running = false;
    if (OnFreeze)
        OnFreeze(this);
}

void TTraffic::UnFreeze() {
    Running = true;
    if (OnUnFreeze)
        OnUnFreeze(this);
}

void TTraffic::MarkDisconnected() {
    Connected = false;
    Running = false;
}

QString TTraffic::StatusText() const {
    return QLatin1String(Connected ? "Connected" : "NOT connected") +
           QLatin1String(Running ? ", Running" : ", NOT running");
}

void TrafficMonitor::refresh(const QList<IPHelper::InterfaceRow>& rows,
                             const std::function<QList<IPHelper::AddressRow>()>& addresses) {
    for (const auto& adapter : m_adapters) {
        if (adapter->Connected)
            adapter->Found = false;
    }
    for (const IPHelper::InterfaceRow& row : rows) {
        if (TTraffic* adapter = findTraffic(row.index)) {
            adapter->Update(row.inOctets, row.outOctets, row.speed);
            continue;
        }
        // Owned before the notification runs, so the view can find it by position.
        m_adapters.push_back(nullptr);
        auto& slot = m_adapters.back();
        slot = std::make_unique<TTraffic>(row,
                                          addresses ? addresses() : QList<IPHelper::AddressRow>());
        TTraffic* adapter = slot.get();
        adapter->Found = true;
        adapter->OnFreeze = onFreezeChanged;
        adapter->OnUnFreeze = onFreezeChanged;
        if (onNewTraffic)
            onNewTraffic(adapter);
    }
    for (const auto& adapter : m_adapters) {
        if (!adapter->Found)
            adapter->MarkDisconnected();
    }
}

TTraffic* TrafficMonitor::findTraffic(quint32 interfaceIndex) {
    for (const auto& adapter : m_adapters) {
        if (adapter->InterfaceIndex == interfaceIndex) {
            adapter->Found = true;
            return adapter.get();
        }
    }
    return nullptr;
}

int TrafficMonitor::indexOf(const TTraffic* adapter) const {
    for (size_t i = 0; i < m_adapters.size(); ++i) {
        if (m_adapters[i].get() == adapter)
            return int(i);
    }
    return -1;
}

void TrafficMonitor::remove(int position) {
    if (position >= 0 && position < count())
        m_adapters.erase(m_adapters.begin() + position);
}

int selectionAfterRemove(int removed, int countBefore) {
    const int remaining = countBefore - 1;
    if (remaining < 2)
        return -1;
    const int marked = std::min(removed, remaining - 1);
    return marked == 0 ? remaining - 1 : marked - 1;
}
