#include "RecentSearches.h"

void RecentSearches::setStored(const QStringList& stored) {
    m_entries.clear();
    for (const QString& entry : stored) {
        if (!entry.isEmpty())
            m_entries.append(entry);
    }
}

void RecentSearches::add(const QString& text) {
    for (int i = 0; i < m_entries.size(); ++i) {
        if (m_entries[i].compare(text, Qt::CaseInsensitive) == 0) {
            m_entries.move(i, 0);
            return;
        }
    }
    m_entries.prepend(text);
    while (m_entries.size() > kKept)
        m_entries.removeLast();
}
