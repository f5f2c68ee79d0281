#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>
#include <functional>

// One plain HTTP(S) request of the kind the suite makes outside the transfer
// engine: the external-address page, a translation, the release check. It
// waits in a local event loop, so the window keeps painting while the request
// runs; the caller guards against re-entry.
//
// UI thread (or any thread with an event loop).
namespace PlainHttp {

struct Result {
    bool ok = false;         // the request completed with a 2xx status
    int status = 0;          // HTTP status, 0 when none was received
    QString errorText;       // the client's error text when !ok
    QByteArray contentType;  // the reply's Content-Type header
    QString finalUrl;        // the address answered, after redirections
    bool tooLarge = false;   // the body passed the options' limit (body then empty)
    QByteArray body;
};

struct Options {
    QList<QPair<QByteArray, QByteArray>> headers;  // sent as given (User-Agent too)
    int timeoutMs = 30000;
    // A body announced or arriving larger (after decompression) ends the
    // request as failed: a server does not get to fill the memory.
    qint64 maximumBodySize = 8 * 1024 * 1024;
    // Called as bytes arrive (received so far, total or -1).
    std::function<void(qint64, qint64)> progress;
    // Polled while waiting; returning true aborts the request.
    std::function<bool()> cancelled;
};

Result get(const QString& url, const Options& options = Options());
// A POST of `body`; its Content-Type goes among the options' headers.
Result post(const QString& url, const QByteArray& body, const Options& options = Options());

}  // namespace PlainHttp
