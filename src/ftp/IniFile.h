#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

// A small INI file reader and writer that keeps the file as it stands: the
// order of sections and keys, comments and blank lines survive a write.
// Section and key names compare without regard to case; values are trimmed
// when read and written as given. Lines end in CR LF when written.
class IniFile {
public:
    // Reads `path`; a missing or unreadable file reads as empty.
    static IniFile load(const QString& path);
    // Writes the file; a new file is made readable by its owner only.
    // Throws AppError when the file cannot be written.
    void save(const QString& path) const;

    QStringList sections() const;
    bool hasSection(const QString& section) const;
    // The value, or a null string when the key is absent.
    QString value(const QString& section, const QString& key) const;
    // Replaces the key's value or appends the key to its section (appending
    // the section when it is new). Line breaks in the value become blanks:
    // they would start new keys.
    void setValue(const QString& section, const QString& key, const QString& value);
    void removeSection(const QString& section);

    const QList<QByteArray>& lines() const { return m_lines; }

private:
    struct Range {
        qsizetype header = -1;  // line of "[section]"
        qsizetype end = -1;     // first line after the section
    };
    Range find(const QString& section) const;
    static bool isHeader(const QByteArray& line, QString* name = nullptr);
    static bool keyOf(const QByteArray& line, QString* key, QString* value);

    QList<QByteArray> m_lines;
};
