#pragma once

#include <QDateTime>
#include <QList>
#include <QLocale>
#include <QSet>
#include <QString>
#include <QStringList>

#include "AddressDetails.h"
#include "IPHelper.h"

// One TCP endpoint as the connection table shows it.
struct TTcpConnStatus {
    QString localAddress;
    QString localPort;
    QString remoteAddress;
    QString remotePort;
    QString state;
};

// The well-known service name of a port, or the number in four places.
QString FormatPort(quint32 port);

// "closed", "listening", ... "delete_tcb"; empty for an unknown state.
QString tcpStateName(quint32 state);

// GetTcpConnections: the listening and established rows as texts.
QList<TTcpConnStatus> GetTcpConnections(const QList<IPHelper::TcpRow>& rows);
QList<TTcpConnStatus> GetTcpConnections();  // from the system table

// The locale's short date and long time (without a time zone) of a moment,
// as the tools stamp their rows and logs.
QString shortDateText(const QDateTime& moment, const QLocale& locale = QLocale());
QString longTimeText(const QDateTime& moment, const QLocale& locale = QLocale());

// The history behind the "Ports and IP's" table: rows of seven texts (date,
// time, local address, local port, remote address, remote port, state) that
// always end with one empty row. Rows are only ever appended, until a restart.
class ConnectionHistory {
public:
    static constexpr int kColumns = 7;
    static constexpr int kRowLimit = 1000;

    ConnectionHistory();  // two empty rows

    const QList<QStringList>& rows() const { return m_rows; }
    int rowCount() const { return int(m_rows.size()); }
    // Grows by one at every restart, so a view knows to redraw from the top.
    int generation() const { return m_generation; }

    // PollConnections' step: appends every connection the history does not
    // hold yet (same local port, remote address, remote port and state; the
    // local address does not count). Listening ones only when `showListeners`.
    // Returns the number of rows added.
    int poll(const QList<TTcpConnStatus>& connections, bool showListeners, const QDateTime& now,
             const QLocale& locale = QLocale());

    // More than kRowLimit rows (the empty last one counted): time to warn and restart.
    bool overLimit() const { return m_rows.size() > kRowLimit; }

    // RestartHistory: one listen-status row and the empty row.
    void restart(bool showListeners, const QDateTime& now, const QLocale& locale = QLocale());

    // Seven lines per row, empty cells as empty lines (for the network log).
    QStringList logLines() const;

private:
    void append(const QStringList& cells);
    static QString key(const QString& port, const QString& address, const QString& remotePort,
                       const QString& state);

    QList<QStringList> m_rows;
    QSet<QString> m_keys;  // key() of every filled row
    int m_generation = 0;
};

// The warning shown when the table passes its row limit.
QString rowLimitWarningText();

// The lines "Save Log" appends to the window log: heading, time stamp, the
// address details, then seven lines per history row.
QStringList networkLogSnapshot(const AddressDetails& details, const ConnectionHistory& history,
                               const QDateTime& now, const QLocale& locale = QLocale());
