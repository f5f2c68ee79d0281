#include "RecentFiles.h"

void RecentFiles::add(const QString& path) {
    if (path.isEmpty()) {
        return;
    }
    remove(path);
    m_entries.prepend(path);
    while (m_entries.size() > kCapacity) {
        m_entries.removeLast();
    }
}

void RecentFiles::remove(const QString& path) {
    m_entries.removeIf(
        [&](const QString& entry) { return entry.compare(path, Qt::CaseInsensitive) == 0; });
}

void moveToTopOfHistory(QStringList& history, const QString& text, int capacity) {
    if (!text.isEmpty()) {
        history.removeIf(
            [&](const QString& entry) { return entry.compare(text, Qt::CaseInsensitive) == 0; });
        history.prepend(text);
    }
    while (history.size() > capacity) {
        history.removeLast();
    }
}
