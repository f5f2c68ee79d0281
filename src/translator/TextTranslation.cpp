#include "TextTranslation.h"

#include <QStringDecoder>

#include "LanguagePairs.h"
#include "PlainHttp.h"
#include "TranslationServices.h"

namespace TextTranslation {

namespace {

bool isHexDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}

bool isKeptAsIs(char c) {
    if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'))
        return true;
    return QByteArrayView("-._~!$'()*,:@/?").contains(c);
}

}  // namespace

QString rewriteSource(const QString& text) {
    QString result = text;
    result.replace(u' ', QStringLiteral("%20"));
    result.replace(u'\n', QStringLiteral("%0D%0A"));
    result.remove(u'\r');
    result.replace(u'<', u'(');
    result.replace(u'>', u')');
    result.replace(u'&', u' ');
    result.replace(u';', u',');
    return result;
}

QString encodeQueryValue(const QString& value) {
    const QByteArray bytes = value.toUtf8();
    QByteArray out;
    out.reserve(bytes.size() * 3);
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const char c = bytes[i];
        const bool escape = c == '%' && i + 2 < bytes.size() && isHexDigit(bytes[i + 1]) &&
                            isHexDigit(bytes[i + 2]);
        if (escape || isKeptAsIs(c)) {
            out += c;
        } else {
            out += '%';
            out += QByteArray::number(uchar(c), 16).rightJustified(2, '0').toUpper();
        }
    }
    return QString::fromLatin1(out);
}

QString requestUrl(const QString& serviceAddress, const QString& sourceText, int pairIndex) {
    return TranslationServices::url(serviceAddress,
                                    "/systran/box?id=SystranSoft-en&ttype=text&text=" +
                                        encodeQueryValue(rewriteSource(sourceText)) +
                                        "&lp=" + languagePairCode(pairIndex));
}

QString decodeReply(const QByteArray& body) {
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(body);
    return utf8.hasError() ? QString::fromLatin1(body) : text;
}

QString cutTranslation(const QString& reply) {
    const qsizetype marker = reply.indexOf(u"\"translation\"");
    if (marker < 0)
        return {};
    const qsizetype start = marker + 85;
    if (start >= reply.size())
        return {};
    const qsizetype end = reply.indexOf(u"</textarea>", start);
    if (end < 0)
        return {};
    QString text = reply.mid(start, end - start);
    // Line feeds go through the 0xA7 sign, so a "§" in the translation also
    // becomes a line break.
    text.replace(u'\n', QChar(0xA7));
    text.replace(QChar(0xA7), QStringLiteral("\r\n"));
    return text;
}

QString receivedStatus(qsizetype length) {
    return QString::number(length) + "  Bytes Recived";
}

Result translate(const QString& serviceAddress, const QString& sourceText, int pairIndex) {
    PlainHttp::Options options;
    options.headers = {
        {"Accept", "text/html, */*"},
        {"Content-Type", "text/html"},
        {"User-Agent", "Mozilla/3.0 (compatible; Indy Library)"},
    };
    // A translation of a text is about the text's size.
    options.maximumBodySize = 4 * 1024 * 1024;
    const PlainHttp::Result reply =
        PlainHttp::get(requestUrl(serviceAddress, sourceText, pairIndex), options);
    Result result;
    if (!reply.ok) {
        result.errorText = reply.errorText;
        return result;
    }
    const QString text = decodeReply(reply.body);
    result.ok = true;
    result.replyLength = text.size();
    result.translation = cutTranslation(text);
    return result;
}

}  // namespace TextTranslation
