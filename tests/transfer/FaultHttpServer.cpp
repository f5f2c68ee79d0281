#include "FaultHttpServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>

namespace {

QByteArray headerValue(const QList<QByteArray>& lines, const QByteArray& name) {
    for (const QByteArray& line : lines) {
        const qsizetype colon = line.indexOf(':');
        if (colon > 0 && line.left(colon).trimmed().toLower() == name)
            return line.mid(colon + 1).trimmed();
    }
    return {};
}

}  // namespace

FaultHttpServer::FaultHttpServer() = default;

bool FaultHttpServer::start() {
    return m_listener.start([this](int socket) { serve(socket); });
}

void FaultHttpServer::setBehaviour(const Behaviour& behaviour) {
    std::lock_guard<std::mutex> lock(m_lock);
    m_behaviour = behaviour;
}

QString FaultHttpServer::url(const QString& path) const {
    return QStringLiteral("http://127.0.0.1:%1%2").arg(m_listener.port()).arg(path);
}

QList<FaultHttpServer::Request> FaultHttpServer::requests() const {
    std::lock_guard<std::mutex> lock(m_lock);
    return m_requests;
}

void FaultHttpServer::clearRequests() {
    std::lock_guard<std::mutex> lock(m_lock);
    m_requests.clear();
}

void FaultHttpServer::serve(int socket) {
    QByteArray head;
    char buffer[4096];
    while (!head.contains("\r\n\r\n") && head.size() < 65536 && !m_listener.stopping()) {
        pollfd poller{socket, POLLIN, 0};
        if (::poll(&poller, 1, 100) <= 0)
            continue;
        const ssize_t n = ::recv(socket, buffer, sizeof buffer, 0);
        if (n <= 0)
            break;
        head.append(buffer, n);
    }
    const QList<QByteArray> lines = head.left(head.indexOf("\r\n\r\n")).split('\n');
    Request request;
    request.method = lines.isEmpty() ? QByteArray() : lines.first().split(' ').first().trimmed();
    request.range = headerValue(lines, "range");
    request.ifRange = headerValue(lines, "if-range");
    request.acceptEncoding = headerValue(lines, "accept-encoding");

    Behaviour behaviour;
    bool fail = false, drop = false, stall = false;
    {
        std::lock_guard<std::mutex> lock(m_lock);
        m_requests.append(request);
        behaviour = m_behaviour;
        if (m_behaviour.failTimes != 0) {
            fail = true;
            if (m_behaviour.failTimes > 0)
                --m_behaviour.failTimes;
        }
        if (request.method == "GET" && m_behaviour.dropTimes > 0 &&
            m_behaviour.dropAfterBytes >= 0) {
            drop = true;
            --m_behaviour.dropTimes;
        }
        if (request.method == "GET" && m_behaviour.stallTimes > 0 &&
            m_behaviour.stallAfterBytes >= 0) {
            stall = true;
            --m_behaviour.stallTimes;
        }
    }

    QByteArray answer;
    if (fail) {
        answer = "HTTP/1.1 " + QByteArray::number(behaviour.failStatus) + ' ' +
                 behaviour.failReason + "\r\nContent-Length: 5\r\nConnection: close\r\n\r\nerror";
        sendAll(socket, answer.constData(), answer.size());
    } else {
        const qint64 size = behaviour.body.size();
        qint64 first = 0, last = size - 1;
        bool partial = false;
        const bool rangeAllowed = !behaviour.ignoreRange && behaviour.contentEncoding.isEmpty() &&
                                  (request.ifRange.isEmpty() || request.ifRange == behaviour.etag);
        if (rangeAllowed && request.range.startsWith("bytes=")) {
            const QByteArray bounds = request.range.mid(6);
            const qsizetype dash = bounds.indexOf('-');
            first = bounds.left(dash).toLongLong();
            const QByteArray end = bounds.mid(dash + 1);
            last = end.isEmpty() ? size - 1 : std::min(end.toLongLong(), size - 1);
            partial = true;
        }
        if (partial && first >= size) {
            answer = "HTTP/1.1 416 Range Not Satisfiable\r\nContent-Range: bytes */" +
                     QByteArray::number(size) +
                     "\r\nContent-Length: 0\r\nConnection: close\r\n\r\n";
            sendAll(socket, answer.constData(), answer.size());
        } else {
            const qint64 length = last - first + 1;
            answer = partial ? "HTTP/1.1 206 Partial Content\r\n" : "HTTP/1.1 200 OK\r\n";
            if (partial)
                answer += "Content-Range: bytes " + QByteArray::number(first) + '-' +
                          QByteArray::number(last) + '/' + QByteArray::number(size) + "\r\n";
            if (!behaviour.noLength) {
                const qint64 announced =
                    behaviour.announcedLength >= 0 ? behaviour.announcedLength : length;
                answer += "Content-Length: " + QByteArray::number(announced) + "\r\n";
            }
            if (!behaviour.ignoreRange)
                answer += "Accept-Ranges: bytes\r\n";
            answer +=
                "ETag: " + behaviour.etag + "\r\nContent-Type: " + behaviour.contentType + "\r\n";
            answer += "Last-Modified: Tue, 03 Mar 2020 10:20:30 GMT\r\n";
            if (!behaviour.contentEncoding.isEmpty())
                answer += "Content-Encoding: " + behaviour.contentEncoding + "\r\n";
            if (!behaviour.contentDisposition.isEmpty())
                answer += "Content-Disposition: " + behaviour.contentDisposition + "\r\n";
            answer += "Connection: close\r\n\r\n";
            bool ok = sendAll(socket, answer.constData(), answer.size());
            if (request.method == "GET") {
                qint64 sent = 0;
                const char* data = behaviour.body.constData() + first;
                while (ok && sent < length && !m_listener.stopping()) {
                    qint64 chunk = std::min<qint64>(8192, length - sent);
                    if (drop)
                        chunk = std::min<qint64>(chunk, behaviour.dropAfterBytes - sent);
                    if (stall && sent < behaviour.stallAfterBytes)
                        chunk = std::min<qint64>(chunk, behaviour.stallAfterBytes - sent);
                    if (drop && chunk <= 0)
                        break;
                    if (stall && sent == behaviour.stallAfterBytes) {
                        std::this_thread::sleep_for(std::chrono::milliseconds(behaviour.stallMs));
                        stall = false;
                        continue;
                    }
                    ok = sendAll(socket, data + sent, chunk);
                    sent += chunk;
                    if (behaviour.chunkDelayMs > 0)
                        std::this_thread::sleep_for(
                            std::chrono::milliseconds(behaviour.chunkDelayMs));
                }
            }
        }
    }
    ::shutdown(socket, SHUT_WR);
    // Let the client read everything before the socket goes.
    for (int i = 0; i < 20 && !m_listener.stopping(); ++i) {
        pollfd poller{socket, POLLIN, 0};
        if (::poll(&poller, 1, 50) > 0 && ::recv(socket, buffer, sizeof buffer, 0) <= 0)
            break;
    }
}
