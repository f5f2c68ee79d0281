#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QElapsedTimer>
#include <QString>
#include <functional>
#include <list>
#include <memory>
#include <optional>

#include "IcmpSocket.h"

enum class TReplyStatusType { Echo, Error, Timeout, Unreachable, TTLExceeded };

// What one echo request brought back.
struct TReplyStatus {
    int BytesReceived = 0;  // whole IP packet, header included
    QString FromIpAddress = QStringLiteral("0.0.0.0");
    int MsgType = 0;
    int SequenceId = 0;
    int MsRoundTripTime = 0;
    int TimeToLive = 0;  // of the reply's IP header
    TReplyStatusType ReplyStatusType = TReplyStatusType::Timeout;
};

// The window's ICMP echo client, shared by the pinger and the trace route.
// Sequence numbers start at 3489 and grow with every request of the client.
// A request waits for the reply carrying its own identifier and sequence
// number; others are ignored while time remains.
//
// UI thread: while it waits it calls `idle` every few milliseconds so the
// window can keep painting and take clicks. A request may thus start while
// another waits (the pinger's during a trace's): both share the socket, and a
// reply that comes in for the waiting one is kept for it.
class IcmpEchoClient {
public:
    using SocketOpener = std::function<std::unique_ptr<IcmpSocket>()>;

    static constexpr quint16 kFirstSequence = 3489;
    static constexpr int kRequestSize = 52;

    // `opener` makes the socket at the first request (default: IcmpSocket::open()).
    explicit IcmpEchoClient(SocketOpener opener = {});
    ~IcmpEchoClient();

    QString Host;  // name or dotted address, resolved before each request
    int TTL = 128;
    int ReceiveTimeout = 1000;  // milliseconds
    std::function<void()> idle;

    // Sends one echo request and waits for its answer; the result is in
    // ReplyStatus (a timeout is a result, not a failure). Throws AppError when
    // the host does not resolve, the socket cannot be opened or used, or the
    // answer is of an unexpected type ("Non-echo type response received").
    // `stopped` is asked after each `idle`: once it answers true the request
    // is given up at once, Ping returns false and ReplyStatus is unchanged.
    bool Ping(const std::function<bool()>& stopped = {});

    const TReplyStatus& ReplyStatus() const { return m_reply; }
    quint16 nextSequence() const { return m_sequence; }
    // The socket kind in use, once a request has opened it.
    std::optional<IcmpSocket::Kind> socketKind() const;

    // The 52-byte echo request: header (type 8, checksum, identifier,
    // sequence), a 4-byte millisecond stamp, 8 zero bytes, 32 "E".
    static QByteArray buildRequest(quint16 identifier, quint16 sequence, quint32 stampMs);
    // RFC 792 checksum: one's complement of the one's-complement sum.
    static quint16 checksum(QByteArrayView data);

    // Decides what a received IP packet means for the request (identifier,
    // sequence): nothing when it is not about that request, which includes a
    // packet too short to tell. Throws AppError "Non-echo type response
    // received" for an answer to the request of an unexpected type.
    // `checkIdentifier` is false for the datagram socket, whose identifier the
    // kernel chooses (and already filters by).
    static std::optional<TReplyStatus> matchReply(QByteArrayView ipPacket, const QString& from,
                                                  quint16 identifier, quint16 sequence,
                                                  bool checkIdentifier);

private:
    // A request waiting for its reply; what came for it, once it came.
    struct Waiting {
        quint16 sequence;
        QElapsedTimer clock;  // since the request was sent
        std::optional<TReplyStatus> reply;
        QString error;  // an answer of an unexpected type
    };
    // Hands a received packet to the waiting request it answers, if any.
    void deliver(const IcmpSocket::Packet& packet, quint16 identifier);

    SocketOpener m_opener;
    std::unique_ptr<IcmpSocket> m_socket;
    quint16 m_sequence = kFirstSequence;
    TReplyStatus m_reply;
    std::list<Waiting> m_waiting;  // innermost request last
};

// The pinger's line for a result: "72 bytes from 127.0.0.1: icmp_seq=3489
// ttl=64 time<1 ms".
QString pingReplyLine(const TReplyStatus& reply);

// The trace route's hop line.
QString traceHopLine(int hop, const QString& hostName, const QString& fromAddress, qint64 elapsedMs,
                     int timeToLive, const QString& info);
