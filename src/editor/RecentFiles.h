#pragma once

#include <QStringList>

// The editor's recent files: at most five full paths, most recent first, no
// two equal when compared without regard to letter case.
class RecentFiles {
public:
    static constexpr int kCapacity = 5;

    // AddRecentFile: an empty path is ignored; every entry equal to it
    // (ignoring case) goes, the path goes on top, the list keeps five entries.
    void add(const QString& path);
    // Removes the entry equal to `path` (ignoring case), if there is one.
    void remove(const QString& path);
    void clear() { m_entries.clear(); }

    const QStringList& entries() const { return m_entries; }
    int size() const { return m_entries.size(); }
    bool isEmpty() const { return m_entries.isEmpty(); }

private:
    QStringList m_entries;
};

// History of a search dialog's drop-down list: a confirmed non-empty text
// moves to the top (case-insensitively it appears only once) and the list
// keeps `capacity` entries.
void moveToTopOfHistory(QStringList& history, const QString& text, int capacity = 10);
