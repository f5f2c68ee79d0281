#include "PlainHttp.h"

#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>
#include <QUrl>

namespace PlainHttp {

namespace {

Result send(const QByteArray& method, const QString& url, const QByteArray& body,
            const Options& options) {
    Result result;
    const QUrl address(url);
    if (!address.isValid() || address.scheme().isEmpty()) {
        result.errorText = QStringLiteral("Invalid address: %1").arg(url);
        return result;
    }
    QNetworkAccessManager manager;
    QNetworkRequest request(address);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::NoLessSafeRedirectPolicy);
    for (const auto& [name, value] : options.headers) {
        request.setRawHeader(name, value);
    }
    QNetworkReply* reply = method == "POST" ? manager.post(request, body) : manager.get(request);
    QEventLoop loop;
    QTimer timeout;
    timeout.setSingleShot(true);
    bool timedOut = false;
    QObject::connect(&timeout, &QTimer::timeout, &loop, [&] {
        timedOut = true;
        reply->abort();
    });
    QTimer poll;
    if (options.cancelled) {
        QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
            if (options.cancelled())
                reply->abort();
        });
        poll.start(50);
    }
    if (options.progress) {
        QObject::connect(reply, &QNetworkReply::downloadProgress, &loop,
                         [&](qint64 received, qint64 total) { options.progress(received, total); });
    }
    // The body is taken as it arrives, so the reply never holds more than
    // the limit either.
    bool& tooLarge = result.tooLarge;
    const auto take = [&] {
        if (tooLarge)
            return;
        const qint64 announced = reply->header(QNetworkRequest::ContentLengthHeader).toLongLong();
        if (announced > options.maximumBodySize ||
            result.body.size() + reply->bytesAvailable() > options.maximumBodySize) {
            tooLarge = true;
            reply->abort();
            return;
        }
        result.body += reply->readAll();
    };
    QObject::connect(reply, &QNetworkReply::metaDataChanged, &loop, take);
    QObject::connect(reply, &QNetworkReply::readyRead, &loop, take);
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    timeout.start(options.timeoutMs);
    if (!reply->isFinished())
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    take();
    result.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    result.contentType = reply->rawHeader("Content-Type");
    result.finalUrl = reply->url().toString();
    if (tooLarge) {
        result.body.clear();
        result.errorText = QStringLiteral("The answer is larger than %1 bytes; it was not taken")
                               .arg(options.maximumBodySize);
    } else if (timedOut) {
        result.errorText = QStringLiteral("The request timed out");
    } else if (reply->error() != QNetworkReply::NoError) {
        result.errorText = reply->errorString();
    } else {
        result.ok = result.status >= 200 && result.status < 300;
        if (!result.ok)
            result.errorText = QStringLiteral("HTTP status %1").arg(result.status);
    }
    delete reply;
    return result;
}

}  // namespace

Result get(const QString& url, const Options& options) {
    return send("GET", url, QByteArray(), options);
}

Result post(const QString& url, const QByteArray& body, const Options& options) {
    return send("POST", url, body, options);
}

}  // namespace PlainHttp
