#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <optional>

#include "TranslationEngine.h"

// Translation of a whole web page. With the web translation service the
// translator builds the page translation service's address for the page and
// opens it in a browser window; with the other engines it fetches the page,
// translates its HTML and shows the result as the page at its own address.
namespace PageTranslation {

inline constexpr int kHistorySize = 8;
// A page larger than this is not fetched whole.
inline constexpr qint64 kMaxPageBytes = 8 * 1024 * 1024;

// The service address translating the page typed in the address box, or none
// when the typed text (blanks trimmed) has 7 characters or fewer.
std::optional<QString> address(const QString& serviceAddress, const QString& typed, int pairIndex);

// The page typed in the address box, "http://" added where no scheme is given;
// none under the same rule as address().
std::optional<QUrl> pageUrl(const QString& typed);

// The address history after a use of `typed` (as typed): it moves to the top,
// once, and the list keeps the most recent kHistorySize entries.
QStringList recordAddress(QStringList history, const QString& typed);

// A page's text: in the charset its Content-Type names, else the one its
// markup declares, else UTF-8 where it is valid and Latin-1 otherwise.
QString decodePage(const QByteArray& body, const QByteArray& contentType);

// Fetches a web page (http or https) with the suite's HTTP client, waiting in
// a local event loop, and decodes it; its address is the one that answered.
TranslationEngine::Source fetchPage(const QUrl& url);

}  // namespace PageTranslation
