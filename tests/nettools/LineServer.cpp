#include "LineServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#include <chrono>

bool LineServer::start(const Script& script) {
    m_script = script;
    m_listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (m_listener < 0 || ::bind(m_listener, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
        ::listen(m_listener, 8) != 0 ||
        ::getsockname(m_listener, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        return false;
    }
    m_port = ntohs(address.sin_port);
    m_thread = std::thread([this] { serve(); });
    return true;
}

void LineServer::stop() {
    m_stopping = true;
    if (m_thread.joinable())
        m_thread.join();
    if (m_listener >= 0)
        ::close(m_listener);
    m_listener = -1;
}

QList<QByteArray> LineServer::requests() const {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_requests;
}

void LineServer::serve() {
    while (!m_stopping) {
        pollfd entry{m_listener, POLLIN, 0};
        if (::poll(&entry, 1, 50) <= 0)
            continue;
        const int connection = ::accept(m_listener, nullptr, nullptr);
        if (connection < 0)
            continue;
        QByteArray request;
        char buffer[256];
        while (!request.contains('\n')) {
            pollfd in{connection, POLLIN, 0};
            if (::poll(&in, 1, 2000) <= 0)
                break;
            const ssize_t n = ::recv(connection, buffer, sizeof buffer, 0);
            if (n <= 0)
                break;
            request.append(buffer, n);
        }
        {
            std::lock_guard<std::mutex> guard(m_lock);
            m_requests.append(request);
        }
        if (m_script.stall) {
            while (!m_stopping)
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
        } else {
            for (qsizetype sent = 0; sent < m_script.answer.size(); sent += m_script.chunkSize) {
                if (sent > 0)
                    std::this_thread::sleep_for(std::chrono::milliseconds(m_script.pauseMs));
                const QByteArray chunk = m_script.answer.mid(sent, m_script.chunkSize);
                ::send(connection, chunk.constData(), size_t(chunk.size()), MSG_NOSIGNAL);
            }
        }
        ::close(connection);
    }
}
