#include "LoopbackListener.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>

bool LoopbackListener::start(std::function<void(int)> serve) {
    m_serve = std::move(serve);
    m_listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (m_listener < 0)
        return false;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (::bind(m_listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(m_listener, 64) != 0 ||
        ::getsockname(m_listener, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        return false;
    m_port = ntohs(address.sin_port);
    m_acceptThread = std::thread([this] { acceptLoop(); });
    return true;
}

void LoopbackListener::stop() {
    if (m_stopping.exchange(true))
        return;
    if (m_listener >= 0)
        ::shutdown(m_listener, SHUT_RDWR);
    if (m_acceptThread.joinable())
        m_acceptThread.join();
    std::vector<std::thread> connections;
    {
        std::lock_guard<std::mutex> lock(m_lock);
        for (int socket : m_openSockets)
            ::shutdown(socket, SHUT_RDWR);
        connections.swap(m_connections);
    }
    for (std::thread& thread : connections)
        thread.join();
    if (m_listener >= 0)
        ::close(m_listener);
}

void LoopbackListener::acceptLoop() {
    while (!m_stopping) {
        pollfd poller{m_listener, POLLIN, 0};
        if (::poll(&poller, 1, 100) <= 0)
            continue;
        const int socket = ::accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC);
        if (socket < 0)
            continue;
        std::lock_guard<std::mutex> lock(m_lock);
        m_openSockets.push_back(socket);
        m_connections.emplace_back([this, socket] {
            m_serve(socket);
            // Out of the list before the number can be another file's.
            {
                std::lock_guard<std::mutex> lock(m_lock);
                m_openSockets.erase(std::remove(m_openSockets.begin(), m_openSockets.end(), socket),
                                    m_openSockets.end());
            }
            ::close(socket);
        });
    }
}

bool sendAll(int socket, const char* data, qint64 size) {
    while (size > 0) {
        const ssize_t n = ::send(socket, data, size_t(size), MSG_NOSIGNAL);
        if (n <= 0)
            return false;
        data += n;
        size -= n;
    }
    return true;
}
