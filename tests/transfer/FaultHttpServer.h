#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <mutex>

#include "LoopbackListener.h"

// An HTTP server on 127.0.0.1 that serves one body at any path and misbehaves
// on command: drops the connection after some bytes, ignores ranges, lies
// about the length, stalls, answers an error status. One thread per
// connection; every connection is closed after its answer.
class FaultHttpServer {
public:
    struct Behaviour {
        QByteArray body;
        QByteArray etag = "\"v1\"";
        QByteArray contentType = "application/octet-stream";
        QByteArray contentEncoding;     // sent as is when set (body already encoded)
        QByteArray contentDisposition;  // sent as is when set
        bool ignoreRange = false;       // always 200 with the whole body
        bool noLength = false;          // no Content-Length: the close ends the body
        qint64 announcedLength = -1;    // Content-Length claimed instead of the true one
        int dropAfterBytes = -1;        // close after this many body bytes ...
        int dropTimes = 0;              // ... in this many GET answers
        int stallAfterBytes = -1;       // stop sending for stallMs after this many bytes ...
        int stallMs = 0;
        int stallTimes = 0;  // ... in this many GET answers
        int failStatus = 0;  // answer GETs (and HEADs) with this status ...
        QByteArray failReason = "Server Error";
        int failTimes = 0;     // ... this many times; -1: always
        int chunkDelayMs = 0;  // pause between 8 KiB chunks (a slow server)
    };
    struct Request {
        QByteArray method;
        QByteArray range;
        QByteArray ifRange;
        QByteArray acceptEncoding;
    };

    FaultHttpServer();

    bool start();
    void setBehaviour(const Behaviour& behaviour);
    QString url(const QString& path = QStringLiteral("/file.bin")) const;
    QList<Request> requests() const;
    void clearRequests();

private:
    void serve(int socket);

    mutable std::mutex m_lock;
    Behaviour m_behaviour;        // guarded by m_lock
    QList<Request> m_requests;    // guarded by m_lock
    LoopbackListener m_listener;  // last: stopped before the rest goes
};
