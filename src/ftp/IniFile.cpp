#include "IniFile.h"

#include <QFile>
#include <QSaveFile>
#include <QStringDecoder>

#include "AppError.h"

namespace {

// The suite writes UTF-8; a file from elsewhere may hold single-byte text,
// which is read as Latin-1 so a site written back keeps every character.
QString textOf(const QByteArray& bytes) {
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = utf8.decode(bytes);
    return utf8.hasError() ? QString::fromLatin1(bytes) : text;
}

}  // namespace

IniFile IniFile::load(const QString& path) {
    IniFile ini;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return ini;
    }
    const QByteArray data = file.readAll();
    ini.m_lines = data.split('\n');
    if (!ini.m_lines.isEmpty() && ini.m_lines.last().isEmpty()) {
        ini.m_lines.removeLast();
    }
    for (QByteArray& line : ini.m_lines) {
        if (line.endsWith('\r')) {
            line.chop(1);
        }
    }
    return ini;
}

void IniFile::save(const QString& path) const {
    const bool isNew = !QFile::exists(path);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        throw AppError("Cannot write " + path + ": " + file.errorString());
    }
    if (isNew) {
        // Passwords live in this file.
        file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    }
    for (const QByteArray& line : m_lines) {
        file.write(line);
        file.write("\r\n");
    }
    if (!file.commit()) {
        throw AppError("Cannot write " + path + ": " + file.errorString());
    }
}

bool IniFile::isHeader(const QByteArray& line, QString* name) {
    const QByteArray trimmed = line.trimmed();
    if (!trimmed.startsWith('[')) {
        return false;
    }
    const qsizetype close = trimmed.indexOf(']');
    if (close < 0) {
        return false;
    }
    if (name) {
        *name = textOf(trimmed.mid(1, close - 1)).trimmed();
    }
    return true;
}

bool IniFile::keyOf(const QByteArray& line, QString* key, QString* value) {
    const QByteArray trimmed = line.trimmed();
    if (trimmed.startsWith(';')) {
        return false;
    }
    const qsizetype equals = line.indexOf('=');
    if (equals < 0) {
        return false;
    }
    *key = textOf(line.left(equals)).trimmed();
    if (value) {
        *value = textOf(line.mid(equals + 1)).trimmed();
    }
    return true;
}

IniFile::Range IniFile::find(const QString& section) const {
    Range range;
    for (qsizetype i = 0; i < m_lines.size(); ++i) {
        QString name;
        if (!isHeader(m_lines[i], &name)) {
            continue;
        }
        if (range.header >= 0) {
            range.end = i;
            return range;
        }
        if (name.compare(section, Qt::CaseInsensitive) == 0) {
            range.header = i;
        }
    }
    if (range.header >= 0) {
        range.end = m_lines.size();
    }
    return range;
}

QStringList IniFile::sections() const {
    QStringList names;
    for (const QByteArray& line : m_lines) {
        QString name;
        if (isHeader(line, &name)) {
            names.append(name);
        }
    }
    return names;
}

bool IniFile::hasSection(const QString& section) const {
    return find(section).header >= 0;
}

QString IniFile::value(const QString& section, const QString& key) const {
    const Range range = find(section);
    for (qsizetype i = range.header + 1; range.header >= 0 && i < range.end; ++i) {
        QString name;
        QString value;
        if (keyOf(m_lines[i], &name, &value) && name.compare(key, Qt::CaseInsensitive) == 0) {
            return value.isNull() ? QString("") : value;
        }
    }
    return QString();
}

void IniFile::setValue(const QString& section, const QString& key, const QString& value) {
    QString clean = value;
    clean.replace('\r', ' ').replace('\n', ' ');
    const QByteArray line = key.toUtf8() + '=' + clean.toUtf8();
    Range range = find(section);
    if (range.header < 0) {
        m_lines.append('[' + section.toUtf8() + ']');
        m_lines.append(line);
        return;
    }
    qsizetype lastContent = range.header;
    for (qsizetype i = range.header + 1; i < range.end; ++i) {
        QString name;
        if (keyOf(m_lines[i], &name, nullptr) && name.compare(key, Qt::CaseInsensitive) == 0) {
            m_lines[i] = line;
            return;
        }
        if (!m_lines[i].trimmed().isEmpty()) {
            lastContent = i;
        }
    }
    m_lines.insert(lastContent + 1, line);
}

void IniFile::removeSection(const QString& section) {
    const Range range = find(section);
    if (range.header >= 0) {
        m_lines.remove(range.header, range.end - range.header);
    }
}
