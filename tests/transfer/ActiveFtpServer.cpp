#include "ActiveFtpServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QList>
#include <algorithm>

namespace {

bool reply(int socket, const QByteArray& line) {
    const QByteArray text = line + "\r\n";
    return sendAll(socket, text.constData(), text.size());
}

}  // namespace

ActiveFtpServer::ActiveFtpServer(QByteArray body, QByteArray dataSource)
    : m_body(std::move(body)), m_dataSource(std::move(dataSource)) {}

bool ActiveFtpServer::start() {
    return m_listener.start([this](int socket) { serve(socket); });
}

QString ActiveFtpServer::url(const QString& path) const {
    return QStringLiteral("ftp://127.0.0.1:%1%2").arg(m_listener.port()).arg(path);
}

bool ActiveFtpServer::sendData(const QByteArray& host, int port, qint64 offset) {
    const int data = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in source{}, target{};
    source.sin_family = target.sin_family = AF_INET;
    target.sin_port = htons(quint16(port));
    bool ok = data >= 0 && ::inet_pton(AF_INET, m_dataSource.constData(), &source.sin_addr) == 1 &&
              ::inet_pton(AF_INET, host.constData(), &target.sin_addr) == 1 &&
              ::bind(data, reinterpret_cast<sockaddr*>(&source), sizeof source) == 0 &&
              ::connect(data, reinterpret_cast<sockaddr*>(&target), sizeof target) == 0;
    if (ok) {
        ++m_dataConnections;
        const qint64 from = std::min<qint64>(offset, m_body.size());
        ok = sendAll(data, m_body.constData() + from, m_body.size() - from);
    }
    if (data >= 0)
        ::close(data);
    return ok;
}

void ActiveFtpServer::serve(int socket) {
    reply(socket, "220 active only");
    QByteArray input, host;
    int port = 0;
    qint64 offset = 0;
    char buffer[4096];
    while (!m_listener.stopping()) {
        const qsizetype end = input.indexOf("\r\n");
        if (end < 0) {
            pollfd poller{socket, POLLIN, 0};
            if (::poll(&poller, 1, 100) <= 0)
                continue;
            const ssize_t n = ::recv(socket, buffer, sizeof buffer, 0);
            if (n <= 0)
                break;
            input.append(buffer, n);
            continue;
        }
        const QByteArray line = input.left(end);
        input.remove(0, end + 2);
        const qsizetype blank = line.indexOf(' ');
        const QByteArray verb = line.left(blank < 0 ? line.size() : blank).toUpper();
        const QByteArray argument = blank < 0 ? QByteArray() : line.mid(blank + 1);
        if (verb == "USER") {
            reply(socket, "331 password please");
        } else if (verb == "PASS") {
            reply(socket, "230 in");
        } else if (verb == "PWD") {
            reply(socket, "257 \"/\"");
        } else if (verb == "CWD" || verb == "TYPE") {
            reply(socket, "200 ok");
        } else if (verb == "SIZE") {
            reply(socket, "213 " + QByteArray::number(m_body.size()));
        } else if (verb == "MDTM") {
            reply(socket, "213 20200303102030");
        } else if (verb == "REST") {
            offset = argument.toLongLong();
            reply(socket, "350 restarting");
        } else if (verb == "EPRT") {
            // |1|127.0.0.1|port|
            const QList<QByteArray> fields = argument.split(argument.isEmpty() ? '|' : argument[0]);
            host = fields.value(2);
            port = fields.value(3).toInt();
            reply(socket, fields.value(1) == "1" ? "200 ok" : "522 IPv4 only");
        } else if (verb == "PORT") {
            const QList<QByteArray> numbers = argument.split(',');
            if (numbers.size() == 6) {
                host = numbers.mid(0, 4).join('.');
                port = numbers[4].toInt() * 256 + numbers[5].toInt();
            }
            reply(socket, "200 ok");
        } else if (verb == "RETR") {
            if (m_refuseRetrieval) {
                reply(socket, "550 not now");
                continue;
            }
            if (port == 0) {
                reply(socket, "425 use PORT or EPRT first");
                continue;
            }
            reply(socket, "150 sending");
            const bool sent = sendData(host, port, offset);
            reply(socket, sent ? "226 done" : "426 the data connection broke");
            port = 0;
            offset = 0;
        } else if (verb == "QUIT") {
            reply(socket, "221 bye");
            break;
        } else {
            reply(socket, "502 not here");
        }
    }
}
