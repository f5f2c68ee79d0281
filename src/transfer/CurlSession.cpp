#include "CurlSession.h"

#include <arpa/inet.h>
#include <curl/curl.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <QElapsedTimer>
#include <QFile>
#include <cstring>
#include <mutex>
#include <vector>

namespace {

qint64 monotonicMs() {
    static const QElapsedTimer clock = [] {
        QElapsedTimer timer;
        timer.start();
        return timer;
    }();
    return clock.elapsed();
}

void globalInit() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

// Easy handles of ended sessions, each with the connections it keeps open:
// the next session takes the most recent one, so consecutive requests to one
// server (the items of a grab, the parts of a queue) skip the connect and any
// TLS handshake. A handle is used by one thread at a time.
class IdleHandles {
public:
    ~IdleHandles() {
        for (CURL* handle : m_handles)
            curl_easy_cleanup(handle);
    }
    CURL* take() {
        {
            std::lock_guard<std::mutex> lock(m_lock);
            if (!m_handles.empty()) {
                CURL* handle = m_handles.back();
                m_handles.pop_back();
                return handle;
            }
        }
        return curl_easy_init();
    }
    void give(CURL* handle) {
        // Options (and so pointers into the ended session) go; connections stay.
        curl_easy_reset(handle);
        {
            std::lock_guard<std::mutex> lock(m_lock);
            if (m_handles.size() < kKept) {
                m_handles.push_back(handle);
                return;
            }
        }
        curl_easy_cleanup(handle);
    }

private:
    static constexpr size_t kKept = 10;
    std::mutex m_lock;
    std::vector<CURL*> m_handles;  // guarded by m_lock
};

IdleHandles& idleHandles() {
    static IdleHandles handles;
    return handles;
}

// An address as 16 bytes, an IPv4 one in its IPv6-mapped form, so both forms
// of one address compare equal; empty when it cannot be read.
QByteArray comparableAddress(const sockaddr_storage& address) {
    QByteArray bytes(16, 0);
    if (address.ss_family == AF_INET) {
        const auto& v4 = reinterpret_cast<const sockaddr_in&>(address);
        bytes[10] = bytes[11] = char(0xff);
        std::memcpy(bytes.data() + 12, &v4.sin_addr, 4);
        return bytes;
    }
    if (address.ss_family == AF_INET6) {
        const auto& v6 = reinterpret_cast<const sockaddr_in6&>(address);
        std::memcpy(bytes.data(), &v6.sin6_addr, 16);
        return bytes;
    }
    return {};
}

QByteArray comparableAddress(const char* text) {
    sockaddr_storage address{};
    QByteArray plain(text ? text : "");
    plain = plain.left(plain.indexOf('%') < 0 ? plain.size() : plain.indexOf('%'));
    auto& v4 = reinterpret_cast<sockaddr_in&>(address);
    auto& v6 = reinterpret_cast<sockaddr_in6&>(address);
    if (inet_pton(AF_INET, plain.constData(), &v4.sin_addr) == 1)
        address.ss_family = AF_INET;
    else if (inet_pton(AF_INET6, plain.constData(), &v6.sin6_addr) == 1)
        address.ss_family = AF_INET6;
    return comparableAddress(address);
}

QByteArray proxyAddress(const QString& host, int port) {
    if (host.trimmed().isEmpty())
        return {};
    QByteArray address = host.trimmed().toUtf8();
    if (port > 0)
        address += ':' + QByteArray::number(port);
    return address;
}

}  // namespace

CurlSession::CurlSession(const TransferSettings& settings, const std::atomic<bool>* stop,
                         const std::atomic<bool>* abort)
    : m_settings(settings), m_stop(stop), m_abort(abort) {
    globalInit();
    m_curl = idleHandles().take();
}

CurlSession::~CurlSession() {
    if (m_curl)
        idleHandles().give(m_curl);
    if (m_headerList)
        curl_slist_free_all(m_headerList);
}

void CurlSession::prepare(const QString& url, int port, const QString& userName,
                          const QString& password) {
    curl_easy_reset(m_curl);
    if (m_headerList) {
        curl_slist_free_all(m_headerList);
        m_headerList = nullptr;
    }
    m_headers.clear();
    m_reason.clear();
    m_errorBuffer[0] = 0;
    m_timedOut = false;
    m_foreignData.clear();
    const QByteArray address = url.toUtf8();
    const bool ftp = url.startsWith(QLatin1String("ftp"), Qt::CaseInsensitive);
    curl_easy_setopt(m_curl, CURLOPT_URL, address.constData());
    curl_easy_setopt(m_curl, CURLOPT_PROTOCOLS_STR,
                     m_settings.httpsOnly ? "https" : "http,https,ftp");
    curl_easy_setopt(m_curl, CURLOPT_REDIR_PROTOCOLS_STR,
                     m_settings.httpsOnly ? "https" : "http,https");
    if (!m_settings.certificateAuthorities.isEmpty()) {
        curl_easy_setopt(m_curl, CURLOPT_CAINFO,
                         QFile::encodeName(m_settings.certificateAuthorities).constData());
    }
    curl_easy_setopt(m_curl, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(m_curl, CURLOPT_MAXREDIRS, 10L);
    curl_easy_setopt(m_curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(m_curl, CURLOPT_ERRORBUFFER, m_errorBuffer);
    curl_easy_setopt(m_curl, CURLOPT_USERAGENT, m_settings.userAgent.toUtf8().constData());
    curl_easy_setopt(m_curl, CURLOPT_CONNECTTIMEOUT_MS, long(qMax(1, m_settings.timeOut)));
    curl_easy_setopt(m_curl, CURLOPT_FTP_RESPONSE_TIMEOUT,
                     long(qMax(1, m_settings.timeOut / 1000)));
    // The socket is read in blocks of up to 512 KiB whatever the batch size:
    // at 8 KiB a loopback download spent more time in system calls than in
    // moving data, and 512 KiB took a tenth less processor time than 64 KiB.
    curl_easy_setopt(m_curl, CURLOPT_BUFFERSIZE,
                     long(qBound(512 * 1024, m_settings.batchSize, 2 * 1024 * 1024)));
    if (port > 0)
        curl_easy_setopt(m_curl, CURLOPT_PORT, long(port));
    if (!userName.isEmpty()) {
        curl_easy_setopt(m_curl, CURLOPT_USERNAME, userName.toUtf8().constData());
        curl_easy_setopt(m_curl, CURLOPT_PASSWORD, password.toUtf8().constData());
        // 401 answered with the stored credentials; never sent to another
        // host after a redirect (libcurl's default, kept explicitly).
        curl_easy_setopt(m_curl, CURLOPT_HTTPAUTH, long(CURLAUTH_ANY));
        curl_easy_setopt(m_curl, CURLOPT_UNRESTRICTED_AUTH, 0L);
    }
    // Only the engine's own proxy settings count, not the environment.
    const QByteArray proxy = ftp ? proxyAddress(m_settings.ftpProxy, m_settings.ftpProxyPort)
                                 : proxyAddress(m_settings.httpProxy, m_settings.httpProxyPort);
    curl_easy_setopt(m_curl, CURLOPT_PROXY, proxy.constData());
    if (!proxy.isEmpty()) {
        if (ftp)
            curl_easy_setopt(m_curl, CURLOPT_HTTPPROXYTUNNEL, 1L);
        if (!m_settings.proxyUser.isEmpty()) {
            curl_easy_setopt(m_curl, CURLOPT_PROXYUSERNAME,
                             m_settings.proxyUser.toUtf8().constData());
            curl_easy_setopt(m_curl, CURLOPT_PROXYPASSWORD,
                             m_settings.proxyPassword.toUtf8().constData());
            curl_easy_setopt(m_curl, CURLOPT_PROXYAUTH, long(CURLAUTH_ANY));
        }
        QStringList bypass;
        for (const QString& host : m_settings.proxyBypass) {
            if (!host.trimmed().isEmpty())
                bypass << host.trimmed();
        }
        curl_easy_setopt(m_curl, CURLOPT_NOPROXY,
                         bypass.join(QLatin1Char(',')).toUtf8().constData());
    }
    if (ftp) {
        // Active mode: the data connection comes back to the control
        // connection's own address.
        curl_easy_setopt(m_curl, CURLOPT_FTPPORT, m_settings.passiveFtp ? nullptr : "-");
        curl_easy_setopt(
            m_curl, CURLOPT_FTP_CREATE_MISSING_DIRS,
            m_settings.forceRemoteDir ? long(CURLFTP_CREATE_DIR) : long(CURLFTP_CREATE_DIR_NONE));
        curl_easy_setopt(
            m_curl, CURLOPT_SOCKOPTFUNCTION,
            +[](void* self, curl_socket_t socket, curlsocktype purpose) {
                return onSocket(self, socket, int(purpose));
            });
        curl_easy_setopt(m_curl, CURLOPT_SOCKOPTDATA, this);
    }
    // Bodies nobody asked for (FTP size and date answers) are dropped.
    curl_easy_setopt(
        m_curl, CURLOPT_WRITEFUNCTION,
        +[](char*, size_t size, size_t count, void*) { return size * count; });
    curl_easy_setopt(m_curl, CURLOPT_HEADERFUNCTION, &CurlSession::onHeader);
    curl_easy_setopt(m_curl, CURLOPT_HEADERDATA, this);
    curl_easy_setopt(m_curl, CURLOPT_FILETIME, 1L);
    curl_easy_setopt(m_curl, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(m_curl, CURLOPT_XFERINFOFUNCTION, &CurlSession::onProgress);
    curl_easy_setopt(m_curl, CURLOPT_XFERINFODATA, this);
}

void CurlSession::setHeaders(const QList<QByteArray>& headers) {
    if (m_headerList) {
        curl_slist_free_all(m_headerList);
        m_headerList = nullptr;
    }
    for (const QByteArray& header : headers)
        m_headerList = curl_slist_append(m_headerList, header.constData());
    curl_easy_setopt(m_curl, CURLOPT_HTTPHEADER, m_headerList);
}

int CurlSession::perform() {
    m_lastActivity = monotonicMs();
    m_lastBytes = -1;
    return curl_easy_perform(m_curl);
}

QString CurlSession::errorText(int code) const {
    if (!m_foreignData.isEmpty())
        return QStringLiteral("A data connection from %1 was refused: only the server may open it")
            .arg(QString::fromLatin1(m_foreignData));
    if (m_timedOut)
        return QStringLiteral("Operation timed out after %1 ms without data")
            .arg(m_settings.timeOut);
    QString text = QString::fromUtf8(m_errorBuffer).trimmed();
    if (text.isEmpty())
        text = QString::fromUtf8(curl_easy_strerror(CURLcode(code)));
    return text;
}

int CurlSession::errorCode(int code) const {
    if (m_timedOut || code == CURLE_OPERATION_TIMEDOUT)
        return int(TransferError::TimedOut);
    const long status = statusCode();
    return status >= 400 && status < 600 ? int(status) : int(TransferError::Network);
}

long CurlSession::statusCode() const {
    long code = 0;
    curl_easy_getinfo(m_curl, CURLINFO_RESPONSE_CODE, &code);
    return code;
}

QByteArray CurlSession::header(const QByteArray& lowerName) const {
    for (const auto& [name, value] : m_headers) {
        if (name == lowerName)
            return value;
    }
    return {};
}

void CurlSession::noteActivity() {
    m_lastActivity = monotonicMs();
}

size_t CurlSession::onHeader(char* data, size_t size, size_t count, void* self) {
    auto* session = static_cast<CurlSession*>(self);
    const size_t length = size * count;
    const QByteArray line = QByteArray(data, qsizetype(length)).trimmed();
    session->noteActivity();
    if (line.startsWith("HTTP/")) {
        // A new response (after a redirect or a 100): forget the previous one.
        session->m_headers.clear();
        const QList<QByteArray> words = line.split(' ');
        session->m_reason =
            words.size() > 2 ? line.mid(words[0].size() + words[1].size() + 2) : QByteArray();
        return length;
    }
    const qsizetype colon = line.indexOf(':');
    if (colon > 0 && session->m_headers.size() < 200)
        session->m_headers.append(
            {line.left(colon).trimmed().toLower(), line.mid(colon + 1).trimmed()});
    return length;
}

int CurlSession::onSocket(void* self, int socket, int purpose) {
    if (purpose != CURLSOCKTYPE_ACCEPT)
        return CURL_SOCKOPT_OK;
    // Active mode: anyone who finds the port could deliver the "file"; only
    // the host at the other end of the control connection may.
    auto* session = static_cast<CurlSession*>(self);
    sockaddr_storage peer{};
    socklen_t length = sizeof(peer);
    char* serverText = nullptr;
    curl_easy_getinfo(session->m_curl, CURLINFO_PRIMARY_IP, &serverText);
    const QByteArray server = comparableAddress(serverText);
    if (::getpeername(socket, reinterpret_cast<sockaddr*>(&peer), &length) == 0 &&
        !server.isEmpty() && comparableAddress(peer) == server)
        return CURL_SOCKOPT_OK;
    char text[INET6_ADDRSTRLEN] = "an unknown address";
    if (peer.ss_family == AF_INET)
        inet_ntop(AF_INET, &reinterpret_cast<sockaddr_in&>(peer).sin_addr, text, sizeof(text));
    else if (peer.ss_family == AF_INET6)
        inet_ntop(AF_INET6, &reinterpret_cast<sockaddr_in6&>(peer).sin6_addr, text, sizeof(text));
    session->m_foreignData = text;
    return CURL_SOCKOPT_ERROR;
}

int CurlSession::onProgress(void* self, long long downloadTotal, long long downloaded,
                            long long uploadTotal, long long uploaded) {
    Q_UNUSED(downloadTotal);
    Q_UNUSED(uploadTotal);
    auto* session = static_cast<CurlSession*>(self);
    if ((session->m_stop && session->m_stop->load()) ||
        (session->m_abort && session->m_abort->load()))
        return 1;
    const long long moved = downloaded + uploaded;
    const qint64 now = monotonicMs();
    if (moved != session->m_lastBytes) {
        session->m_lastBytes = moved;
        session->m_lastActivity = now;
    } else if (now - session->m_lastActivity > session->m_settings.timeOut) {
        session->m_timedOut = true;
        return 1;
    }
    return 0;
}
