#pragma once

#include <QByteArrayView>
#include <QHash>
#include <QString>

// The browser engine's disk cache as the Images view reads it: one file per
// cached resource, named by a hash, whose header holds the resource's cache
// key (the address, with the engine's prefixes) ahead of the body.
class EngineCacheIndex {
public:
    // The address of a cache entry from the first bytes of its entry file, or
    // an empty text when they are not an entry's header.
    static QString entryAddress(QByteArrayView head);

    // Reads the entry files under `folder` (the engine's cache path, searched
    // through): for each address the first file found that holds it.
    static EngineCacheIndex scan(const QString& folder);

    // The bytes the files below `folder` take.
    static qint64 diskUsage(const QString& folder);

    // The cache file holding `address`, compared exactly; empty when none.
    QString localFile(const QString& address) const { return m_files.value(address); }
    int count() const { return int(m_files.size()); }

private:
    QHash<QString, QString> m_files;
};
