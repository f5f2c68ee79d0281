#include "PageTranslation.h"

#include <QStringDecoder>

#include "LanguagePairs.h"
#include "PlainHttp.h"
#include "TextTranslation.h"
#include "TranslationServices.h"

namespace PageTranslation {

namespace {

std::optional<QString> typedPage(const QString& typed) {
    QString page = typed.trimmed();
    if (page.size() <= 7)
        return std::nullopt;
    return page;
}

QByteArray charsetOf(const QByteArray& contentType) {
    for (const QByteArray& parameter : contentType.split(';')) {
        const QByteArray trimmed = parameter.trimmed();
        if (trimmed.toLower().startsWith("charset="))
            return trimmed.mid(8).replace('"', "").replace('\'', "").trimmed();
    }
    return {};
}

}  // namespace

std::optional<QString> address(const QString& serviceAddress, const QString& typed, int pairIndex) {
    std::optional<QString> page = typedPage(typed);
    if (!page)
        return std::nullopt;
    // The service is given the scheme in its own escaped form below.
    page->remove(QStringLiteral("http://"), Qt::CaseInsensitive);
    page->remove(QStringLiteral("https://"), Qt::CaseInsensitive);
    return TranslationServices::url(
        serviceAddress,
        "/babelfish/trurl_load?url=http%3A%2F%2F" + *page + "&lp=" + languagePairCode(pairIndex));
}

std::optional<QUrl> pageUrl(const QString& typed) {
    const std::optional<QString> page = typedPage(typed);
    if (!page)
        return std::nullopt;
    return QUrl::fromUserInput(*page);
}

QStringList recordAddress(QStringList history, const QString& typed) {
    history.removeAll(typed);
    history.prepend(typed);
    while (history.size() > kHistorySize)
        history.removeLast();
    return history;
}

QString decodePage(const QByteArray& body, const QByteArray& contentType) {
    const QByteArray charset = charsetOf(contentType);
    QStringDecoder decoder = charset.isEmpty() ? QStringDecoder::decoderForHtml(body)
                                               : QStringDecoder(charset.constData());
    if (!decoder.isValid())
        decoder = QStringDecoder::decoderForHtml(body);
    if (decoder.isValid()) {
        QString text = decoder.decode(body);
        if (!decoder.hasError())
            return text;
    }
    return TextTranslation::decodeReply(body);
}

TranslationEngine::Source fetchPage(const QUrl& url) {
    TranslationEngine::Source source;
    const QString shown = url.toDisplayString();
    if (url.scheme() != QLatin1String("http") && url.scheme() != QLatin1String("https")) {
        source.error = QStringLiteral("\"%1\" is not the address of a web page.").arg(shown);
        return source;
    }
    bool tooLarge = false;
    PlainHttp::Options options;
    options.headers = {{"Accept", "text/html, */*"}};
    options.progress = [&tooLarge](qint64 received, qint64 total) {
        tooLarge = tooLarge || received > kMaxPageBytes || total > kMaxPageBytes;
    };
    options.cancelled = [&tooLarge] { return tooLarge; };
    options.maximumBodySize = kMaxPageBytes;
    const PlainHttp::Result reply = PlainHttp::get(url.toString(QUrl::FullyEncoded), options);
    if (tooLarge || reply.tooLarge) {
        source.error = QStringLiteral("The page %1 is larger than %2 MB.")
                           .arg(shown)
                           .arg(kMaxPageBytes / (1024 * 1024));
    } else if (!reply.ok) {
        source.error =
            QStringLiteral("The page %1 could not be fetched: %2").arg(shown, reply.errorText);
    } else {
        source.ok = true;
        source.text = decodePage(reply.body, reply.contentType);
        source.address = reply.finalUrl;
    }
    return source;
}

}  // namespace PageTranslation
