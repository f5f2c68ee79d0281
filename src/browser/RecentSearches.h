#pragma once

#include <QStringList>

// The search box's list of recent searches, most recent first.
class RecentSearches {
public:
    static constexpr int kKept = 8;    // entries left after a new search
    static constexpr int kStored = 9;  // values "0".."8" read at start-up

    const QStringList& entries() const { return m_entries; }
    // Start-up: entries as stored, empty ones skipped; the list is not cut, so
    // a stored list of nine stays whole until the first new search.
    void setStored(const QStringList& stored);

    // After a search for `text`: an entry equal without regard to case moves
    // to the top keeping its own case; otherwise `text` goes on top and the
    // list is cut to kKept.
    void add(const QString& text);

private:
    QStringList m_entries;
};
