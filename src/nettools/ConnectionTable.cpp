#include "ConnectionTable.h"

#include <QHostAddress>
#include <QRegularExpression>

#include "TrafficUnit.h"

QString FormatPort(quint32 port) {
    switch (port) {
        case 0:
            return QStringLiteral("LOOPBACK");
        case 7:
            return QStringLiteral("ECHO");
        case 9:
            return QStringLiteral("DISCRD");
        case 13:
            return QStringLiteral("DAYTIM");
        case 17:
            return QStringLiteral("QOTD");
        case 19:
            return QStringLiteral("CHARGEN");
        case 20:
            return QStringLiteral("FTP ");
        case 21:
            return QStringLiteral("FTPC");
        case 23:
            return QStringLiteral("TELNET");
        case 25:
            return QStringLiteral("SMTP");
        case 37:
            return QStringLiteral("TIME");
        case 43:
            return QStringLiteral("WHOIS");
        case 53:
            return QStringLiteral("DNS ");
        case 67:
            return QStringLiteral("BOOTPS");
        case 68:
            return QStringLiteral("BOOTPC");
        case 69:
            return QStringLiteral("TFTP");
        case 70:
            return QStringLiteral("GOPHER");
        case 79:
            return QStringLiteral("FING");
        case 80:
            return QStringLiteral("HTTP");
        case 88:
            return QStringLiteral("KERB");
        case 109:
            return QStringLiteral("POP2");
        case 110:
            return QStringLiteral("POP3");
        case 119:
            return QStringLiteral("NNTP");
        case 123:
            return QStringLiteral("NTP ");
        case 135:
            return QStringLiteral("LOCSVC");
        case 137:
            return QStringLiteral("NBNAME");
        case 138:
            return QStringLiteral("NBDGRAM");
        case 139:
            return QStringLiteral("NBSESS");
        case 161:
            return QStringLiteral("SNMP");
        default:
            return QStringLiteral("%1").arg(port, 4);
    }
}

QString tcpStateName(quint32 state) {
    static const char* const names[] = {"closed",      "listening", "syn_sent",  "syn_rcvd",
                                        "established", "fin_wait1", "fin_wait2", "close_wait",
                                        "closing",     "last_ack",  "time_wait", "delete_tcb"};
    return state >= 1 && state <= 12 ? QString::fromLatin1(names[state - 1]) : QString();
}

QList<TTcpConnStatus> GetTcpConnections(const QList<IPHelper::TcpRow>& rows) {
    QList<TTcpConnStatus> connections;
    connections.reserve(rows.size());
    const QString none = QStringLiteral("...");
    for (const IPHelper::TcpRow& row : rows) {
        if (row.state != IPHelper::kTcpListen && row.state != IPHelper::kTcpEstablished)
            continue;
        const bool noRemote =
            row.ipv6 ? row.remoteAddr6 == std::array<quint8, 16>{} : row.remoteAddr == 0;
        const auto text6 = [](const std::array<quint8, 16>& address) {
            return QHostAddress(address.data()).toString();
        };
        const QString local = row.ipv6 ? text6(row.localAddr6) : FormatIPv4(row.localAddr);
        const QString remote = row.ipv6 ? text6(row.remoteAddr6) : FormatIPv4(row.remoteAddr);
        connections.append({local, FormatPort(row.localPort), noRemote ? none : remote,
                            noRemote ? none : FormatPort(row.remotePort), tcpStateName(row.state)});
    }
    return connections;
}

QList<TTcpConnStatus> GetTcpConnections() {
    return GetTcpConnections(IPHelper::readTcpRows());
}

QString shortDateText(const QDateTime& moment, const QLocale& locale) {
    return locale.toString(moment.date(), QLocale::ShortFormat);
}

QString longTimeText(const QDateTime& moment, const QLocale& locale) {
    // Qt's long time format names the time zone; the stamp is local time alone.
    static const QRegularExpression zone(QStringLiteral("\\s*t+\\s*"));
    QString format = locale.timeFormat(QLocale::LongFormat);
    format.replace(zone, QStringLiteral(" "));
    return locale.toString(moment.time(), format.trimmed());
}

ConnectionHistory::ConnectionHistory() {
    m_rows.append(QStringList(kColumns, QString()));
    m_rows.append(QStringList(kColumns, QString()));
}

QString ConnectionHistory::key(const QString& port, const QString& address,
                               const QString& remotePort, const QString& state) {
    const QChar separator(0x1f);
    return port + separator + address + separator + remotePort + separator + state;
}

void ConnectionHistory::append(const QStringList& cells) {
    m_rows.last() = cells;
    m_keys.insert(key(cells[3], cells[4], cells[5], cells[6]));
    m_rows.append(QStringList(kColumns, QString()));
}

int ConnectionHistory::poll(const QList<TTcpConnStatus>& connections, bool showListeners,
                            const QDateTime& now, const QLocale& locale) {
    const QString listening = tcpStateName(IPHelper::kTcpListen);
    QString date;
    QString time;
    int added = 0;
    for (const TTcpConnStatus& connection : connections) {
        if (!showListeners && connection.state == listening)
            continue;
        if (m_keys.contains(key(connection.localPort, connection.remoteAddress,
                                connection.remotePort, connection.state))) {
            continue;
        }
        if (date.isEmpty()) {
            date = shortDateText(now, locale);
            time = longTimeText(now, locale);
        }
        append({date, time, connection.localAddress, connection.localPort, connection.remoteAddress,
                connection.remotePort, connection.state});
        ++added;
    }
    return added;
}

void ConnectionHistory::restart(bool showListeners, const QDateTime& now, const QLocale& locale) {
    m_rows.clear();
    m_keys.clear();
    m_rows.append(QStringList(kColumns, QString()));
    const QString stars = QStringLiteral("  ***");
    append(
        {shortDateText(now, locale), longTimeText(now, locale),
         showListeners ? QStringLiteral("Listen status On") : QStringLiteral("Listen status Off"),
         showListeners ? QStringLiteral("  ON") : QStringLiteral("  OFF"), stars, stars, stars});
    ++m_generation;
}

QStringList ConnectionHistory::logLines() const {
    QStringList lines;
    lines.reserve(m_rows.size() * kColumns);
    for (const QStringList& row : m_rows)
        lines += row;
    return lines;
}

QString rowLimitWarningText() {
    return QStringLiteral(" There are more then ") + QString::number(ConnectionHistory::kRowLimit) +
           QStringLiteral(" entries in the table!") + QLatin1Char('\r') +
           QStringLiteral(" To avoid resource problems, table will be cleared");
}

QStringList networkLogSnapshot(const AddressDetails& details, const ConnectionHistory& history,
                               const QDateTime& now, const QLocale& locale) {
    QStringList lines{
        QStringLiteral("Corvanta Network Log"),
        QString(24, QLatin1Char('-')),
        shortDateText(now, locale) + QLatin1Char(' ') + longTimeText(now, locale),
        QString(23, QLatin1Char('-')),
        QStringLiteral("PC External IP: ") + details.externalAddress,
        QStringLiteral("PC Internal IP: ") + details.internalAddress,
        QStringLiteral("User Name: ") + details.userName,
        QStringLiteral("PC Name: ") + details.computerName,
    };
    lines += history.logLines();
    return lines;
}
