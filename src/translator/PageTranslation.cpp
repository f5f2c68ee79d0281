#include "PageTranslation.h"

#include "LanguagePairs.h"
#include "TranslationServices.h"

namespace PageTranslation {

std::optional<QString> address(const QString& serviceAddress, const QString& typed, int pairIndex) {
    QString page = typed.trimmed();
    if (page.size() <= 7)
        return std::nullopt;
    // The service is given the scheme in its own escaped form below.
    page.remove(QStringLiteral("http://"), Qt::CaseInsensitive);
    page.remove(QStringLiteral("https://"), Qt::CaseInsensitive);
    return TranslationServices::url(
        serviceAddress,
        "/babelfish/trurl_load?url=http%3A%2F%2F" + page + "&lp=" + languagePairCode(pairIndex));
}

QStringList recordAddress(QStringList history, const QString& typed) {
    history.removeAll(typed);
    history.prepend(typed);
    while (history.size() > kHistorySize)
        history.removeLast();
    return history;
}

}  // namespace PageTranslation
