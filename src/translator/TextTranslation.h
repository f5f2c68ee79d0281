#pragma once

#include <QByteArray>
#include <QString>

// Text translation through the web translation service: one GET whose query
// carries the source text, and a reply page out of which the translation is cut.
namespace TextTranslation {

// The service's own escaping of the source text: blanks become "%20", line
// feeds "%0D%0A", carriage returns go, "<" and ">" become parentheses, "&" a
// blank and ";" a comma. Nothing else is touched.
QString rewriteSource(const QString& text);

// The HTTP client's encoding of a query value: escapes already in the text
// ("%20") stay, anything that would break the query (blanks, "&", "+", "#",
// a lone "%", control and non-ASCII characters as UTF-8) is percent-encoded.
QString encodeQueryValue(const QString& value);

// The full request address for `sourceText` and the pair at `pairIndex` of
// the language box (-1 for none).
QString requestUrl(const QString& serviceAddress, const QString& sourceText, int pairIndex);

// The reply body as text: UTF-8 when it is valid UTF-8, Latin-1 otherwise.
QString decodeReply(const QByteArray& body);

// The translation held in a reply page: from 85 characters past the start of
// the quoted marker "translation" up to the next "</textarea>"; line feeds and
// "§" (0xA7) become CR LF. Empty when either marker is missing.
QString cutTranslation(const QString& reply);

// Status text for a reply of `length` characters.
QString receivedStatus(qsizetype length);

struct Result {
    bool ok = false;
    QString errorText;  // the HTTP client's error when !ok
    qsizetype replyLength = 0;
    QString translation;
};

// Sends the request and cuts the translation out of the reply. Waits in a
// local event loop (the window keeps painting); the caller guards re-entry.
Result translate(const QString& serviceAddress, const QString& sourceText, int pairIndex);

}  // namespace TextTranslation
