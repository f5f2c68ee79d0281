#include "LoopbackHttpServer.h"

#include <QMetaObject>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

class LoopbackHttpServer::Worker : public QObject {
public:
    explicit Worker(LoopbackHttpServer& owner) : m_owner(owner) {}

    quint16 listen(const QHostAddress& address) {
        m_server = new QTcpServer(this);
        if (!m_server->listen(address, 0)) {
            return 0;
        }
        QObject::connect(m_server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* socket = m_server->nextPendingConnection()) {
                socket->setParent(this);
                QObject::connect(socket, &QTcpSocket::readyRead, socket,
                                 [this, socket] { onReadyRead(socket); });
                QObject::connect(socket, &QTcpSocket::disconnected, socket, [this, socket] {
                    m_buffers.remove(socket);  // a half-sent request goes with its socket
                    socket->deleteLater();
                });
            }
        });
        return m_server->serverPort();
    }

private:
    void onReadyRead(QTcpSocket* socket) {
        QByteArray& buffer = m_buffers[socket];
        buffer += socket->readAll();
        const int headerEnd = buffer.indexOf("\r\n\r\n");
        if (headerEnd < 0)
            return;
        Request request;
        const QList<QByteArray> lines = buffer.left(headerEnd).split('\n');
        const QList<QByteArray> first = lines.value(0).trimmed().split(' ');
        request.method = first.value(0);
        request.target = first.value(1);
        qsizetype length = 0;
        for (int i = 1; i < lines.size(); ++i) {
            const int colon = lines[i].indexOf(':');
            if (colon <= 0)
                continue;
            const QByteArray name = lines[i].left(colon).trimmed().toLower();
            const QByteArray value = lines[i].mid(colon + 1).trimmed();
            request.headers.insert(name, value);
            if (name == "content-length")
                length = value.toLongLong();
        }
        if (buffer.size() < headerEnd + 4 + length)
            return;
        request.body = buffer.mid(headerEnd + 4, length);
        m_buffers.remove(socket);
        {
            QMutexLocker locker(&m_owner.m_lock);
            m_owner.m_requests.append(request);
        }
        const Response response =
            m_owner.m_handler ? m_owner.m_handler(request) : Response{404, "Not Found", {}, {}, 0};
        auto send = [socket, response, head = request.method == "HEAD"] {
            QByteArray out =
                "HTTP/1.1 " + QByteArray::number(response.status) + " " + response.reason + "\r\n";
            bool hasLength = false;
            for (const auto& [name, value] : response.headers) {
                out += name + ": " + value + "\r\n";
                hasLength = hasLength || name.toLower() == "content-length";
            }
            if (!hasLength)
                out += "Content-Length: " + QByteArray::number(response.body.size()) + "\r\n";
            out += "Connection: close\r\n\r\n";
            if (!head)
                out += response.body;
            socket->write(out);
            socket->disconnectFromHost();
        };
        if (response.delayMs > 0) {
            QTimer::singleShot(response.delayMs, socket, send);
        } else {
            send();
        }
    }

    LoopbackHttpServer& m_owner;
    QTcpServer* m_server = nullptr;
    QHash<QTcpSocket*, QByteArray> m_buffers;
};

LoopbackHttpServer::LoopbackHttpServer() = default;

LoopbackHttpServer::~LoopbackHttpServer() {
    stop();
}

bool LoopbackHttpServer::start(Handler handler, const QHostAddress& address) {
    stop();
    m_handler = std::move(handler);
    m_address = address;
    m_worker = new Worker(*this);
    m_worker->moveToThread(&m_thread);
    m_thread.start();
    quint16 port = 0;
    QMetaObject::invokeMethod(
        m_worker, [this, &port] { port = m_worker->listen(m_address); },
        Qt::BlockingQueuedConnection);
    m_port = port;
    return m_port != 0;
}

void LoopbackHttpServer::stop() {
    if (!m_worker)
        return;
    QMetaObject::invokeMethod(
        m_worker, [this] { delete m_worker; }, Qt::BlockingQueuedConnection);
    m_worker = nullptr;
    m_thread.quit();
    m_thread.wait();
    m_port = 0;
}

QString LoopbackHttpServer::url(const QString& path) const {
    return QStringLiteral("http://%1:%2%3").arg(m_address.toString()).arg(m_port).arg(path);
}

QList<LoopbackHttpServer::Request> LoopbackHttpServer::requests() const {
    QMutexLocker locker(&m_lock);
    return m_requests;
}

void LoopbackHttpServer::clearRequests() {
    QMutexLocker locker(&m_lock);
    m_requests.clear();
}

LoopbackHttpServer::Handler LoopbackHttpServer::serveMap(QMap<QByteArray, QByteArray> bodiesByPath,
                                                         QByteArray contentType) {
    return [bodiesByPath, contentType](const Request& request) {
        const QByteArray path = request.target.split('?').value(0);
        if (!bodiesByPath.contains(path)) {
            return Response{404, "Not Found", {}, "not found", 0};
        }
        return Response{200, "OK", {{"Content-Type", contentType}}, bodiesByPath.value(path), 0};
    };
}
