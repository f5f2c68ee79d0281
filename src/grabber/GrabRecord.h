#pragma once

#include <QHash>
#include <QString>

// What the grabs into one folder saved, kept beside the copy in kFileName:
// for each address its file and the validators its server gave, so the next
// grab asks only for what changed, and a grab that was stopped goes on
// where it stopped. The record is outside input like any file in the
// folder: what cannot be read is left out, and every file it names lies
// below the folder.
//
// UI thread (owned by the grab).
class GrabRecord {
public:
    static constexpr const char* kFileName = ".corvanta-grab.json";
    static constexpr qint64 kLargestRecord = 64 * 1024 * 1024;

    struct Entry {
        QString file;  // absolute, below the folder
        QString etag;
        QString lastModified;
        QString contentType;
        int grab = 0;  // the grab that saved it
    };

    // Reads the record of `folder`; a missing or unreadable one is empty.
    void load(const QString& folder);
    // Writes it (under a temporary name, renamed into place); false when it cannot.
    bool save();
    bool isDirty() const { return m_dirty; }

    // A grab of `root` starts: one that goes on with a stopped grab of the
    // same address keeps its number (see continues()).
    void beginGrab(const QString& root);
    // The grab went through to its end.
    void finishGrab();
    // True when this grab goes on where a stopped one ended.
    bool continues() const { return m_continues; }
    // True when `entry` was saved by this grab or the stopped one it goes on with.
    bool savedByThisGrab(const Entry& entry) const { return entry.grab == m_grab; }

    const Entry* find(const QString& address) const;
    // The address whose file is `file`; empty when none is.
    QString addressOf(const QString& file) const { return m_addressOfFile.value(file); }
    void set(const QString& address, Entry entry);
    void remove(const QString& address);
    int size() const { return int(m_entries.size()); }

private:
    QString m_folder;
    QString m_root;
    int m_grab = 0;
    bool m_finished = true;
    bool m_continues = false;
    bool m_dirty = false;
    QHash<QString, Entry> m_entries;  // by address
    QHash<QString, QString> m_addressOfFile;
};
