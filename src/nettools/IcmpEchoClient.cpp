#include "IcmpEchoClient.h"

#include <unistd.h>
#include <QDateTime>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QtEndian>

#include "AppError.h"
#include "HostNames.h"

namespace {

constexpr int kEchoReply = 0;
constexpr int kDestinationUnreachable = 3;
constexpr int kEchoRequest = 8;
constexpr int kTimeExceeded = 11;
constexpr int kWaitSliceMs = 20;

quint16 readBig16(QByteArrayView data, qsizetype offset) {
    return quint16(quint8(data[offset]) << 8 | quint8(data[offset + 1]));
}

}  // namespace

IcmpEchoClient::IcmpEchoClient(SocketOpener opener) : m_opener(std::move(opener)) {
    if (!m_opener)
        m_opener = [] { return IcmpSocket::open(); };
}

IcmpEchoClient::~IcmpEchoClient() = default;

std::optional<IcmpSocket::Kind> IcmpEchoClient::socketKind() const {
    if (!m_socket)
        return std::nullopt;
    return m_socket->kind();
}

quint16 IcmpEchoClient::checksum(QByteArrayView data) {
    quint32 sum = 0;
    qsizetype i = 0;
    for (; i + 1 < data.size(); i += 2)
        sum += readBig16(data, i);
    if (i < data.size())
        sum += quint32(quint8(data[i])) << 8;
    while (sum >> 16)
        sum = (sum & 0xffff) + (sum >> 16);
    return quint16(~sum);
}

QByteArray IcmpEchoClient::buildRequest(quint16 identifier, quint16 sequence, quint32 stampMs) {
    QByteArray packet(kRequestSize, '\0');
    packet[0] = char(kEchoRequest);
    qToBigEndian(identifier, packet.data() + 4);
    qToBigEndian(sequence, packet.data() + 6);
    qToLittleEndian(stampMs, packet.data() + 8);
    packet.replace(20, 32, QByteArray(32, 'E'));
    qToBigEndian(checksum(packet), packet.data() + 2);
    return packet;
}

std::optional<TReplyStatus> IcmpEchoClient::matchReply(QByteArrayView ip, const QString& from,
                                                       quint16 identifier, quint16 sequence,
                                                       bool checkIdentifier) {
    // A raw socket sees every ICMP packet of the machine: one too short to
    // say what it is about cannot be this request's answer, so it is passed
    // over like any other stranger rather than ending the series.
    if (ip.size() < 1)
        return std::nullopt;
    const int headerLength = (quint8(ip[0]) & 0x0f) * 4;
    if (headerLength < 20 || ip.size() < headerLength + 8)
        return std::nullopt;
    const QByteArrayView icmp = ip.sliced(headerLength);
    const int type = quint8(icmp[0]);
    if (type == kEchoRequest)
        return std::nullopt;  // our own request seen on loopback

    TReplyStatus reply;
    reply.BytesReceived = int(ip.size());
    reply.FromIpAddress = from;
    reply.MsgType = type;
    reply.TimeToLive = quint8(ip[8]);

    // The echo reply carries identifier and sequence itself; an error carries
    // them in the request it quotes (its IP header, then its ICMP header).
    QByteArrayView quoted = icmp;
    if (type != kEchoReply) {
        const QByteArrayView inner = icmp.sliced(8);
        if (inner.size() < 20)
            return std::nullopt;
        const int innerHeaderLength = (quint8(inner[0]) & 0x0f) * 4;
        if (innerHeaderLength < 20 || inner.size() < innerHeaderLength + 8 ||
            quint8(inner[9]) != 1 /* ICMP */) {
            return std::nullopt;
        }
        quoted = inner.sliced(innerHeaderLength);
        if (quint8(quoted[0]) != kEchoRequest)
            return std::nullopt;
    }
    if (checkIdentifier && readBig16(quoted, 4) != identifier)
        return std::nullopt;
    if (readBig16(quoted, 6) != sequence)
        return std::nullopt;
    reply.SequenceId = sequence;

    switch (type) {
        case kEchoReply:
            reply.ReplyStatusType = TReplyStatusType::Echo;
            break;
        case kTimeExceeded:
            reply.ReplyStatusType = TReplyStatusType::TTLExceeded;
            break;
        case kDestinationUnreachable:
            reply.ReplyStatusType = TReplyStatusType::Unreachable;
            break;
        default:
            throw AppError(QStringLiteral("Non-echo type response received"));
    }
    return reply;
}

void IcmpEchoClient::deliver(const IcmpSocket::Packet& packet, quint16 identifier) {
    const bool checkIdentifier = m_socket->kind() == IcmpSocket::Kind::Raw;
    for (Waiting& waiting : m_waiting) {
        if (waiting.reply || !waiting.error.isEmpty())
            continue;
        try {
            if (auto reply = matchReply(packet.ipPacket, packet.from, identifier, waiting.sequence,
                                        checkIdentifier)) {
                reply->MsRoundTripTime = int(waiting.clock.elapsed());
                waiting.reply = *reply;
                return;
            }
        } catch (const AppError& error) {
            waiting.error = error.message();
            return;
        }
    }
}

bool IcmpEchoClient::Ping(const std::function<bool()>& stopped) {
    // Until an answer is read this request's result is an error, so a request
    // that throws never leaves the previous request's result in place.
    const TReplyStatus previous = m_reply;
    m_reply = TReplyStatus{};
    m_reply.ReplyStatusType = TReplyStatusType::Error;
    const HostNames::Resolution target = HostNames::resolveIPv4(Host);
    if (target.address.isEmpty()) {
        throw AppError(
            QStringLiteral("Can not resolve host \"%1\": %2").arg(Host, target.errorText()));
    }
    if (!m_socket)
        m_socket = m_opener();
    m_socket->setTimeToLive(TTL);

    const quint16 identifier = quint16(::getpid() & 0xffff);
    const quint16 sequence = m_sequence++;
    m_waiting.push_back(Waiting{sequence, {}, std::nullopt, {}});
    // Whatever way this request ends, it waits no more.
    struct Forget {
        std::list<Waiting>& list;
        std::list<Waiting>::iterator request;
        ~Forget() { list.erase(request); }
    } const self{m_waiting, std::prev(m_waiting.end())};
    Waiting& waiting = *self.request;
    waiting.clock.start();
    m_socket->send(target.address, buildRequest(identifier, sequence,
                                                quint32(QDateTime::currentMSecsSinceEpoch())));

    const QDeadlineTimer deadline(ReceiveTimeout);
    while (true) {
        const int wait = int(std::min<qint64>(deadline.remainingTime(), kWaitSliceMs));
        if (const auto packet = m_socket->receive(wait))
            deliver(*packet, identifier);
        // Read here, or by a request started meanwhile (in `idle`).
        if (waiting.reply) {
            m_reply = *waiting.reply;
            return true;
        }
        if (!waiting.error.isEmpty())
            throw AppError(waiting.error);
        if (deadline.hasExpired())
            break;
        if (idle)
            idle();
        if (stopped && stopped()) {
            m_reply = previous;
            return false;
        }
    }
    m_reply = TReplyStatus{};
    m_reply.SequenceId = sequence;
    m_reply.MsRoundTripTime = int(waiting.clock.elapsed());
    m_reply.ReplyStatusType = TReplyStatusType::Timeout;
    return true;
}

QString pingReplyLine(const TReplyStatus& reply) {
    const QString time = reply.MsRoundTripTime > 0
                             ? QStringLiteral("=") + QString::number(reply.MsRoundTripTime)
                             : QStringLiteral("<1");
    return QString::number(reply.BytesReceived) + QStringLiteral(" bytes from ") +
           reply.FromIpAddress + QStringLiteral(": icmp_seq=") + QString::number(reply.SequenceId) +
           QStringLiteral(" ttl=") + QString::number(reply.TimeToLive) + QStringLiteral(" time") +
           time + QStringLiteral(" ms");
}

QString traceHopLine(int hop, const QString& hostName, const QString& fromAddress, qint64 elapsedMs,
                     int timeToLive, const QString& info) {
    // "%-4d %-45s %-18s %4dms  %-4d %s"
    return QString::number(hop).leftJustified(4) + QLatin1Char(' ') + hostName.leftJustified(45) +
           QLatin1Char(' ') + fromAddress.leftJustified(18) + QLatin1Char(' ') +
           QString::number(elapsedMs).rightJustified(4) + QStringLiteral("ms  ") +
           QString::number(timeToLive).leftJustified(4) + QLatin1Char(' ') + info;
}
