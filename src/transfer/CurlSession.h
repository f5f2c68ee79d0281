#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <atomic>

#include "TransferTypes.h"

typedef void CURL;
struct curl_slist;

// One libcurl easy handle for one worker thread, set up from the engine's
// settings (agent, proxies, bypass list, time-outs, passive mode, credentials).
// The handle comes from, and goes back to, a process-wide set of idle handles
// whose open connections later sessions reuse.
// It aborts the transfer when `stop` or `abort` becomes true or when no byte moved for
// the time-out. An active-mode FTP data connection is accepted only from the
// control connection's peer. Not shared between threads.
class CurlSession {
public:
    CurlSession(const TransferSettings& settings, const std::atomic<bool>* stop,
                const std::atomic<bool>* abort = nullptr);
    ~CurlSession();
    CurlSession(const CurlSession&) = delete;
    CurlSession& operator=(const CurlSession&) = delete;

    CURL* handle() const { return m_curl; }

    // Resets the handle for a request to `url` with the item's credentials.
    void prepare(const QString& url, int port, const QString& userName, const QString& password);
    void setHeaders(const QList<QByteArray>& headers);
    // Performs the request; returns the curl code. Headers of the last
    // response are in responseHeaders().
    int perform();
    // A text for the user for a failed perform.
    QString errorText(int code) const;
    // The error event's code for a failed perform: the server's refusing
    // status or reply code, else TransferError::TimedOut or Network.
    int errorCode(int code) const;
    bool timedOut() const { return m_timedOut; }

    // Response of the last perform (the final one after redirects).
    long statusCode() const;
    QByteArray header(const QByteArray& lowerName) const;
    QByteArray reasonPhrase() const { return m_reason; }

    // Called by libcurl.
    void noteActivity();

private:
    static size_t onHeader(char* data, size_t size, size_t count, void* self);
    static int onSocket(void* self, int socket, int purpose);
    static int onProgress(void* self, long long, long long, long long, long long);

    const TransferSettings& m_settings;
    const std::atomic<bool>* m_stop;
    const std::atomic<bool>* m_abort;
    CURL* m_curl = nullptr;
    curl_slist* m_headerList = nullptr;
    char m_errorBuffer[256] = {};
    QList<QPair<QByteArray, QByteArray>> m_headers;
    QByteArray m_reason;
    qint64 m_lastActivity = 0;  // ms on the monotonic clock
    long long m_lastBytes = -1;
    bool m_timedOut = false;
    QByteArray m_foreignData;  // the address of a data connection refused, else empty
};
