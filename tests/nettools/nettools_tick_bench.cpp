// One timer tick of the network tools, timed: read the TCP table, poll it into
// a connection history of 1000 rows, refresh the traffic counters. Prints the
// median of the runs in microseconds. Used by bench/nettools.sh.
#include <QCoreApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "ConnectionTable.h"
#include "IPHelper.h"
#include "TrafficUnit.h"

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 11;
    std::vector<qint64> times;
    int tableRows = 0;
    int connections = 0;
    for (int run = 0; run < runs; ++run) {
        // A history already holding 1000 rows, none of them matching.
        ConnectionHistory history;
        QList<TTcpConnStatus> filler;
        for (int i = 0; i < 998; ++i)
            filler.append({"x", "y", QString::number(i), "z", "established"});
        history.poll(filler, true, QDateTime::currentDateTime());
        TrafficMonitor monitor;
        monitor.refresh(IPHelper::GetInterfaceRows(), [] { return IPHelper::GetAddressRows(); });

        QElapsedTimer clock;
        clock.start();
        const QList<TTcpConnStatus> current = GetTcpConnections();
        history.poll(current, true, QDateTime::currentDateTime());
        monitor.refresh(IPHelper::GetInterfaceRows(), [] { return IPHelper::GetAddressRows(); });
        times.push_back(clock.nsecsElapsed() / 1000);
        tableRows = history.rowCount();
        connections = int(current.size());
    }
    std::sort(times.begin(), times.end());
    std::printf("connections=%d rows=%d median_us=%lld\n", connections, tableRows,
                static_cast<long long>(times[times.size() / 2]));
    return 0;
}
