#pragma once

#include <QtGlobal>
#include <atomic>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

// The listening side of the tests' own servers: a socket on 127.0.0.1 (a
// free port), one thread per accepted connection running `serve`, which
// owns and closes its socket. stop() (and the destructor) shuts every open
// connection down and joins its thread, so a server holding a listener as
// its last member is stopped before the rest of it goes.
class LoopbackListener {
public:
    LoopbackListener() = default;
    ~LoopbackListener() { stop(); }
    LoopbackListener(const LoopbackListener&) = delete;
    LoopbackListener& operator=(const LoopbackListener&) = delete;

    bool start(std::function<void(int socket)> serve);
    void stop();
    quint16 port() const { return m_port; }
    // For the connections' loops: true once stop() has begun.
    bool stopping() const { return m_stopping; }

private:
    void acceptLoop();

    std::function<void(int)> m_serve;
    int m_listener = -1;
    quint16 m_port = 0;
    std::atomic<bool> m_stopping{false};
    std::thread m_acceptThread;
    std::mutex m_lock;
    std::vector<std::thread> m_connections;  // guarded by m_lock
    std::vector<int> m_openSockets;          // guarded by m_lock
};

// Sends all of `data`, false when the peer has gone.
bool sendAll(int socket, const char* data, qint64 size);
