#pragma once

#include <QByteArray>
#include <QList>
#include <atomic>
#include <mutex>
#include <thread>

// A one-shot-per-connection TCP server on 127.0.0.1 for the WhoIs tests: it
// reads the request up to its line feed, records it, then sends the scripted
// answer in chunks with a pause between them and closes. Runs on a thread of
// its own because the client blocks the test's thread.
class LineServer {
public:
    struct Script {
        QByteArray answer;
        int chunkSize = 400;
        int pauseMs = 30;
        bool stall = false;  // never answer nor close (until the server stops)
    };

    LineServer() = default;
    ~LineServer() { stop(); }

    bool start(const Script& script);
    void stop();
    quint16 port() const { return m_port; }
    QList<QByteArray> requests() const;

private:
    void serve();

    Script m_script;
    int m_listener = -1;
    quint16 m_port = 0;
    std::thread m_thread;
    std::atomic<bool> m_stopping{false};
    mutable std::mutex m_lock;
    QList<QByteArray> m_requests;  // guarded by m_lock
};
