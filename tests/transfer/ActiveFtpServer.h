#pragma once

#include <QByteArray>
#include <QString>
#include <atomic>

#include "LoopbackListener.h"

// An FTP server on 127.0.0.1 that serves one file in active mode only (PORT
// and EPRT), opening each data connection from an address of the test's
// choice: 127.0.0.1 as a server does, or another loopback address as a
// stranger who found the client's port would. Any user name and password
// log in. One thread per control connection.
class ActiveFtpServer {
public:
    ActiveFtpServer(QByteArray body, QByteArray dataSource);

    bool start();
    QString url(const QString& path = QStringLiteral("/file.bin")) const;
    // Data connections opened (connected) so far.
    int dataConnections() const { return m_dataConnections.load(); }
    // Every RETR is answered 550: the size is told, no byte ever comes.
    void refuseRetrieval() { m_refuseRetrieval = true; }

private:
    void serve(int socket);
    bool sendData(const QByteArray& host, int port, qint64 offset);

    const QByteArray m_body;
    const QByteArray m_dataSource;
    std::atomic<int> m_dataConnections{0};
    std::atomic<bool> m_refuseRetrieval{false};
    LoopbackListener m_listener;  // last: stopped before the rest goes
};
