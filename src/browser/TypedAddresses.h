#pragma once

#include <QStringList>

class Registry;

// The list of typed addresses that the address box shares with other browsers
// of this user: text values "Url1".."Url25" in the store, 1 the most recent.
namespace TypedAddresses {

inline constexpr const char* kKey = "\\Software\\Corvanta\\TypedURLs";
inline constexpr int kMaximum = 25;

// The values to write for `entries`: 25 when there are 24 or more entries,
// else one more than the entries, the missing ones empty.
QStringList valuesToWrite(const QStringList& entries);

// Url1..Url25 in order, missing and empty values skipped; an unreadable store
// gives an empty list.
QStringList load();
// Writes valuesToWrite(entries); a store that cannot be opened gets nothing.
void writeBack(const QStringList& entries);

}  // namespace TypedAddresses

// Writes `entries` as the text values "0", "1", ... of the current key.
void writeNumberedList(Registry& registry, const QStringList& entries);
// Reads the text values "0" .. count-1 of the current key, skipping empty ones.
QStringList readNumberedList(Registry& registry, int count);
