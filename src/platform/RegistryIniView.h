#pragma once

#include <QString>
#include <QStringList>

// The INI-style view of one settings key: a section names a sub-key of the
// key (the empty section is the key itself), an identifier names a text value.
// Each call is one short block of its own.
class RegistryIniView {
public:
    explicit RegistryIniView(const QString& keyPath, const QString& databaseFile = QString())
        : m_keyPath(keyPath), m_databaseFile(databaseFile) {}

    QString readString(const QString& section, const QString& ident,
                       const QString& defaultValue) const;
    void writeString(const QString& section, const QString& ident, const QString& value);
    bool valueExists(const QString& section, const QString& ident) const;
    void deleteKey(const QString& section, const QString& ident);

private:
    QString sectionPath(const QString& section) const;
    QString m_keyPath;
    QString m_databaseFile;
};
