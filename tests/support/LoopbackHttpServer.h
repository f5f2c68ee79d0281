#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QList>
#include <QMap>
#include <QMutex>
#include <QThread>
#include <functional>
#include <memory>

class QTcpServer;

// A small HTTP/1.1 server on a loopback address (127.0.0.1 unless told) for tests, running on a
// thread of its own so that clients that block the test's thread still get answers. It records
// every request and answers through a handler (called on the server's thread). Connections are
// closed after each answer.
class LoopbackHttpServer {
public:
    struct Request {
        QByteArray method;
        QByteArray target;                     // path and query as sent
        QMap<QByteArray, QByteArray> headers;  // names lower-cased
        QByteArray body;
    };
    struct Response {
        int status = 200;
        QByteArray reason = "OK";
        QList<QPair<QByteArray, QByteArray>> headers;
        QByteArray body;
        int delayMs = 0;  // wait before answering
    };
    using Handler = std::function<Response(const Request&)>;

    LoopbackHttpServer();
    ~LoopbackHttpServer();

    // Starts listening on a free port of `address`; false when it cannot. A
    // second loopback address (127.0.0.2) stands for another host without
    // any name to resolve.
    bool start(Handler handler, const QHostAddress& address = QHostAddress::LocalHost);
    void stop();

    quint16 port() const { return m_port; }
    // "http://<address>:<port>" followed by `path`.
    QString url(const QString& path = QString()) const;

    QList<Request> requests() const;
    void clearRequests();

    // A handler that serves fixed bodies by path (404 elsewhere).
    static Handler serveMap(QMap<QByteArray, QByteArray> bodiesByPath,
                            QByteArray contentType = "text/html");

private:
    class Worker;
    QThread m_thread;
    Worker* m_worker = nullptr;
    quint16 m_port = 0;
    QHostAddress m_address;
    mutable QMutex m_lock;
    QList<Request> m_requests;  // guarded by m_lock
    Handler m_handler;
    friend class Worker;
};
