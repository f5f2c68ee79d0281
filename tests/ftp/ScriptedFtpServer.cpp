#include "ScriptedFtpServer.h"

#include <QTimer>

ScriptedFtpServer::ScriptedFtpServer(Behaviour behaviour, QObject* parent)
    : QObject(parent), m_behaviour(behaviour) {
    m_server.listen(QHostAddress::LocalHost, 0);
    m_data.listen(QHostAddress::LocalHost, 0);
    connect(&m_server, &QTcpServer::newConnection, this, &ScriptedFtpServer::onConnection);
    connect(&m_data, &QTcpServer::newConnection, this, [this] {
        m_dataSocket = m_data.nextPendingConnection();
        m_dataPeer = m_dataSocket->peerAddress();
    });
}

void ScriptedFtpServer::onConnection() {
    QTcpSocket* socket = m_server.nextPendingConnection();
    switch (m_behaviour) {
        case Behaviour::Silent:
            return;
        case Behaviour::NotFtp:
            socket->write("HTTP/1.1 400 Bad Request\r\n\r\n");
            return;
        case Behaviour::SlowGreeting:
            QTimer::singleShot(300, socket, [socket] { socket->write("220 scripted\r\n"); });
            break;
        default:
            socket->write("220 scripted\r\n");
    }
    connect(socket, &QTcpSocket::readyRead, this, [this, socket] {
        while (socket->canReadLine()) {
            onLine(socket, socket->readLine().trimmed());
        }
    });
}

QTcpSocket* ScriptedFtpServer::takeDataConnection() {
    if (!m_dataSocket) {
        m_data.waitForNewConnection(2000);  // may take it through newConnection
        if (!m_dataSocket && m_data.hasPendingConnections()) {
            m_dataSocket = m_data.nextPendingConnection();
            m_dataPeer = m_dataSocket->peerAddress();
        }
    }
    QTcpSocket* taken = m_dataSocket;
    m_dataSocket.clear();  // the next command gets the next connection
    return taken;
}

void ScriptedFtpServer::onLine(QTcpSocket* socket, const QByteArray& line) {
    m_received.append(QString::fromUtf8(line));
    const QByteArray verb = line.split(' ').first().toUpper();
    if (verb == "USER") {
        socket->write("331 password please\r\n");
    } else if (verb == "PASS") {
        socket->write("230 in\r\n");
    } else if (verb == "CWD" && m_behaviour == Behaviour::DropOnCwd) {
        socket->abort();
    } else if (verb == "PWD" && m_behaviour == Behaviour::SilentPwd) {
        // never answers
    } else if (verb == "PWD") {
        socket->write(
            "257-first \x1b[2Jline\x07\r\n continued\r\n257 \"/home/scripted\" is current\r\n");
    } else if (verb == "PASV") {
        // Another address, where nothing listens (still loopback, so a client
        // that follows it fails without leaving the machine): the client
        // must connect to us regardless.
        const quint16 port = m_data.serverPort();
        socket->write(QString("227 Entering Passive Mode (127,0,0,%1,%2,%3)\r\n")
                          .arg(m_behaviour == Behaviour::ForeignPasv ? 3 : 2)
                          .arg(port >> 8)
                          .arg(port & 255)
                          .toUtf8());
    } else if (verb == "LIST") {
        socket->write("150 here it comes\r\n");
        if (QTcpSocket* data = takeDataConnection()) {
            data->write(listing);
            data->disconnectFromHost();
        }
        socket->write("226 done\r\n");
    } else if ((verb == "STOR" || verb == "APPE") && m_behaviour == Behaviour::DropStoreData) {
        socket->write("150 send it\r\n");
        m_uploaded = 0;
        if (QTcpSocket* data = takeDataConnection()) {
            connect(data, &QTcpSocket::readyRead, this, [this, socket, data] {
                m_uploaded += data->readAll().size();
                if (m_uploaded >= 16384 && data->state() == QAbstractSocket::ConnectedState) {
                    data->abort();
                    socket->write("426 Connection closed; transfer aborted.\r\n");
                }
            });
        }
    } else if (verb == "QUIT") {
        socket->write("221 bye\r\n");
        socket->disconnectFromHost();
    } else {
        socket->write("200 ok\r\n");
    }
}
