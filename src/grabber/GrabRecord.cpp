#include "GrabRecord.h"

#include <QDir>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringList>

#include "GrabFolder.h"

namespace {

// A relative path the record may name: plain names only, no way out of the folder.
bool isPlainRelative(const QString& path) {
    if (path.isEmpty() || path.startsWith(QLatin1Char('/')) || path.contains(QChar(0)))
        return false;
    for (const QString& name : path.split(QLatin1Char('/'))) {
        if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String(".."))
            return false;
    }
    return true;
}

}  // namespace

void GrabRecord::load(const QString& folder) {
    m_folder = QDir::cleanPath(folder);
    m_root.clear();
    m_grab = 0;
    m_finished = true;
    m_continues = false;
    m_dirty = false;
    m_entries.clear();
    m_addressOfFile.clear();
    QByteArray bytes;
    if (!GrabFolder::read(m_folder + QLatin1Char('/') + QLatin1String(kFileName), kLargestRecord,
                          &bytes))
        return;
    const QJsonObject record = QJsonDocument::fromJson(bytes).object();
    if (record.value(QLatin1String("version")).toInt() != 1)
        return;
    m_root = record.value(QLatin1String("root")).toString();
    m_grab = qMax(0, record.value(QLatin1String("grab")).toInt());
    m_finished = record.value(QLatin1String("finished")).toBool(true);
    const QJsonObject entries = record.value(QLatin1String("entries")).toObject();
    for (auto it = entries.begin(); it != entries.end(); ++it) {
        const QJsonObject value = it.value().toObject();
        const QString file = value.value(QLatin1String("file")).toString();
        if (!isPlainRelative(file))
            continue;
        Entry entry;
        entry.file = m_folder + QLatin1Char('/') + file;
        entry.etag = value.value(QLatin1String("etag")).toString();
        entry.lastModified = value.value(QLatin1String("modified")).toString();
        entry.contentType = value.value(QLatin1String("type")).toString();
        entry.grab = value.value(QLatin1String("grab")).toInt();
        m_addressOfFile.insert(entry.file, it.key());
        m_entries.insert(it.key(), entry);
    }
}

bool GrabRecord::save() {
    QJsonObject entries;
    for (auto it = m_entries.cbegin(); it != m_entries.cend(); ++it) {
        QJsonObject value{{QLatin1String("file"), it->file.mid(m_folder.size() + 1)},
                          {QLatin1String("grab"), it->grab}};
        if (!it->etag.isEmpty())
            value.insert(QLatin1String("etag"), it->etag);
        if (!it->lastModified.isEmpty())
            value.insert(QLatin1String("modified"), it->lastModified);
        if (!it->contentType.isEmpty())
            value.insert(QLatin1String("type"), it->contentType);
        entries.insert(it.key(), value);
    }
    const QJsonObject record{{QLatin1String("version"), 1},
                             {QLatin1String("root"), m_root},
                             {QLatin1String("grab"), m_grab},
                             {QLatin1String("finished"), m_finished},
                             {QLatin1String("entries"), entries}};
    const QString error = GrabFolder::write(m_folder + QLatin1Char('/') + QLatin1String(kFileName),
                                            QJsonDocument(record).toJson(QJsonDocument::Compact));
    if (error.isEmpty())
        m_dirty = false;
    return error.isEmpty();
}

void GrabRecord::beginGrab(const QString& root) {
    m_continues = !m_finished && m_root == root && m_grab > 0;
    if (!m_continues)
        ++m_grab;
    m_root = root;
    m_finished = false;
    m_dirty = true;
}

void GrabRecord::finishGrab() {
    m_finished = true;
    m_dirty = true;
}

const GrabRecord::Entry* GrabRecord::find(const QString& address) const {
    const auto found = m_entries.constFind(address);
    return found == m_entries.cend() ? nullptr : &*found;
}

void GrabRecord::set(const QString& address, Entry entry) {
    if (!entry.file.startsWith(m_folder + QLatin1Char('/')))
        return;
    entry.grab = m_grab;
    remove(address);
    m_addressOfFile.insert(entry.file, address);
    m_entries.insert(address, entry);
    m_dirty = true;
}

void GrabRecord::remove(const QString& address) {
    const auto found = m_entries.constFind(address);
    if (found == m_entries.cend())
        return;
    if (m_addressOfFile.value(found->file) == address)
        m_addressOfFile.remove(found->file);
    m_entries.erase(found);
    m_dirty = true;
}
