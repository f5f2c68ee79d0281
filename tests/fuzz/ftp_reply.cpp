// libFuzzer target: the FTP client reading a server's replies, multi-line ones
// included. A server on loopback sends the input and closes; the client logs
// in and asks for the current folder and a file's size, so the input's
// replies land in the greeting, USER, PASS, PWD, TYPE and SIZE.
//
// The reply reading lives inside FtpClient, so the target drives the client
// over a real connection.
#include <QTcpServer>
#include <QTcpSocket>

#include "AppError.h"
#include "FtpClient.h"
#include "FuzzSupport.h"

namespace {

QTcpServer* g_server = nullptr;
QByteArray g_replies;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzz::ensureApplication();
    g_server = new QTcpServer;
    if (!g_server->listen(QHostAddress::LocalHost, 0)) {
        std::abort();
    }
    QObject::connect(g_server, &QTcpServer::newConnection, [] {
        while (QTcpSocket* socket = g_server->nextPendingConnection()) {
            QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            socket->write(g_replies);
            socket->disconnectFromHost();
        }
    });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    g_replies = fuzz::bytesOf(data, size).toByteArray();
    FtpClient client;
    client.setServer(QStringLiteral("127.0.0.1"));
    client.setPort(g_server->serverPort());
    client.setUserName(QStringLiteral("user"));
    client.setPassword(QStringLiteral("secret"));
    client.setTimeOut(2);
    QObject::connect(&client, &FtpClient::replyTextRead,
                     [](const QString& line) { FUZZ_CHECK(!line.contains(u'\n')); });
    try {
        client.open();
        client.currentFolder();
        client.fileSize(QStringLiteral("file"));
    } catch (const AppError&) {
        // A refusal, a reply that is not FTP or the closed connection.
    }
    client.close();
    return 0;
}
