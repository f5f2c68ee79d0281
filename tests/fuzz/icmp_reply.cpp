// libFuzzer target: what the pinger and the trace route make of an ICMP packet
// that arrives while they wait. The first five bytes choose the request it is
// matched against (identifier, sequence, whether the identifier counts); the
// rest is the IPv4 packet.
#include <QtEndian>

#include "AppError.h"
#include "FuzzSupport.h"
#include "IcmpEchoClient.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 5) {
        return 0;
    }
    const quint16 identifier = qFromBigEndian<quint16>(data);
    const quint16 sequence = qFromBigEndian<quint16>(data + 2);
    const bool checkIdentifier = data[4] & 1;
    const QByteArrayView packet = fuzz::bytesOf(data + 5, size - 5);
    try {
        const auto reply = IcmpEchoClient::matchReply(packet, QStringLiteral("127.0.0.1"),
                                                      identifier, sequence, checkIdentifier);
        if (reply) {
            FUZZ_CHECK(reply->SequenceId == sequence);
            FUZZ_CHECK(reply->BytesReceived == packet.size());
            FUZZ_CHECK(reply->ReplyStatusType == TReplyStatusType::Echo ||
                       reply->ReplyStatusType == TReplyStatusType::TTLExceeded ||
                       reply->ReplyStatusType == TReplyStatusType::Unreachable);
            pingReplyLine(*reply);
            traceHopLine(1, QString(), reply->FromIpAddress, reply->MsRoundTripTime,
                         reply->TimeToLive, QString());
        }
    } catch (const AppError&) {
        // "Not enough bytes received", "Non-echo type response received"
    }
    return 0;
}
