#pragma once

#include <QString>
#include <QStringList>
#include <optional>

// Translation of a whole web page: the translator builds the page translation
// service's address for the page and opens it in a browser window.
namespace PageTranslation {

inline constexpr int kHistorySize = 8;

// The service address translating the page typed in the address box, or none
// when the typed text (blanks trimmed) has 7 characters or fewer.
std::optional<QString> address(const QString& serviceAddress, const QString& typed, int pairIndex);

// The address history after a use of `typed` (as typed): it moves to the top,
// once, and the list keeps the most recent kHistorySize entries.
QStringList recordAddress(QStringList history, const QString& typed);

}  // namespace PageTranslation
