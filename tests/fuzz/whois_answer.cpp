// libFuzzer target: the WhoIs client reading an answer. A server thread on
// loopback reads the query line, sends the input in one piece and closes.
// Without zero bytes (which end what their chunk contributes) the answer
// shown is the input, decoded as UTF-8 or, failing that, Latin-1.
#include <QStringDecoder>
#include <atomic>
#include <mutex>
#include <thread>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include "FuzzSupport.h"
#include "WhoisClient.h"

namespace {

int g_listener = -1;
quint16 g_port = 0;
std::mutex g_lock;
QByteArray g_answer;  // guarded by g_lock

void serve() {
    while (true) {
        const int connection = ::accept(g_listener, nullptr, nullptr);
        if (connection < 0) {
            continue;
        }
        char byte = 0;
        while (::recv(connection, &byte, 1, 0) == 1 && byte != '\n') {
        }
        QByteArray answer;
        {
            std::lock_guard<std::mutex> locked(g_lock);
            answer = g_answer;
        }
        qsizetype sent = 0;
        while (sent < answer.size()) {
            const ssize_t n = ::send(connection, answer.constData() + sent,
                                     size_t(answer.size() - sent), MSG_NOSIGNAL);
            if (n <= 0) {
                break;
            }
            sent += n;
        }
        ::close(connection);
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    g_listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (::bind(g_listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(g_listener, 16) != 0 ||
        ::getsockname(g_listener, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        std::abort();
    }
    g_port = ntohs(address.sin_port);
    std::thread(serve).detach();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray input = fuzz::bytesOf(data, size).toByteArray();
    {
        std::lock_guard<std::mutex> locked(g_lock);
        g_answer = input;
    }
    WhoisClient client;
    client.port = g_port;
    client.receiveTimeoutMs = 5000;
    const WhoisClient::Reply reply =
        client.WhoisRequest(QStringLiteral("127.0.0.1"), "example.com");
    FUZZ_CHECK(reply.code == 0);
    if (!input.contains('\0')) {
        QStringDecoder utf8(QStringDecoder::Utf8);
        const QString decoded = utf8.decode(input);
        FUZZ_CHECK(reply.text == (utf8.hasError() ? QString::fromLatin1(input) : decoded));
    }
    return 0;
}
