#pragma once

#include <QByteArray>
#include <QString>
#include <atomic>
#include <mutex>
#include <thread>
#include <vector>

// An FTP server on 127.0.0.1 that serves one file in active mode only (PORT
// and EPRT), opening each data connection from an address of the test's
// choice: 127.0.0.1 as a server does, or another loopback address as a
// stranger who found the client's port would. Any user name and password
// log in. One thread per control connection.
class ActiveFtpServer {
public:
    ActiveFtpServer(QByteArray body, QByteArray dataSource);
    ~ActiveFtpServer();

    bool start();
    QString url(const QString& path = QStringLiteral("/file.bin")) const;
    // Data connections opened (connected) so far.
    int dataConnections() const { return m_dataConnections.load(); }
    // Every RETR is answered 550: the size is told, no byte ever comes.
    void refuseRetrieval() { m_refuseRetrieval = true; }

private:
    void acceptLoop();
    void serve(int socket);
    bool sendData(const QByteArray& host, int port, qint64 offset);

    const QByteArray m_body;
    const QByteArray m_dataSource;
    int m_listener = -1;
    quint16 m_port = 0;
    std::atomic<bool> m_stopping{false};
    std::atomic<int> m_dataConnections{0};
    std::atomic<bool> m_refuseRetrieval{false};
    std::thread m_acceptThread;
    std::mutex m_lock;
    std::vector<std::thread> m_connections;  // guarded by m_lock
    std::vector<int> m_openSockets;          // guarded by m_lock
};
