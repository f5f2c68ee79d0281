#pragma once

#include <QMap>
#include <QPointer>
#include <QStringList>
#include <QTcpServer>
#include <QTcpSocket>

// A tiny FTP server on 127.0.0.1 for what real servers will not do on
// command: stay silent, answer with something that is not FTP, drop the
// connection, or name a foreign address in its PASV reply. It runs on the
// test's thread (the client waits in local event loops, which serve it).
class ScriptedFtpServer : public QObject {
    Q_OBJECT
public:
    // DropStoreData: closes an upload's data connection after 16 KiB and
    // answers 426. SlowGreeting: greets 300 ms after the connection.
    enum class Behaviour {
        Normal,
        Silent,
        NotFtp,
        DropOnCwd,
        SilentPwd,
        ForeignPasv,
        DropStoreData,
        SlowGreeting,
    };

    explicit ScriptedFtpServer(Behaviour behaviour, QObject* parent = nullptr);
    quint16 port() const { return m_server.serverPort(); }
    // Every command line received.
    const QStringList& received() const { return m_received; }
    // The peer of the last data connection.
    QHostAddress dataPeer() const { return m_dataPeer; }
    QByteArray listing = "-rw-r--r-- 1 u g 5 Jan 01 2020 a.txt\r\n";

private:
    void onConnection();
    void onLine(QTcpSocket* socket, const QByteArray& line);
    // The data connection the client opened for the current command, if any.
    QTcpSocket* takeDataConnection();

    Behaviour m_behaviour;
    QTcpServer m_server;
    QTcpServer m_data;
    QPointer<QTcpSocket> m_dataSocket;
    QHostAddress m_dataPeer;
    qint64 m_uploaded = 0;  // bytes of the current upload
    QStringList m_received;
};
