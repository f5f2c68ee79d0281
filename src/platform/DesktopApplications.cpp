#include "DesktopApplications.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QStandardPaths>
#include <algorithm>

namespace {

constexpr qint64 kMaxDesktopFileSize = 1 << 20;  // real ones are a few kB

// Unescapes a value of type string (\s \n \t \r \\); other backslashes stay.
QString unescapeValue(const QString& value) {
    QString out;
    out.reserve(value.size());
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value[i];
        if (c != u'\\' || i + 1 == value.size()) {
            out += c;
            continue;
        }
        const QChar next = value[++i];
        switch (next.unicode()) {
            case 's':
                out += u' ';
                break;
            case 'n':
                out += u'\n';
                break;
            case 't':
                out += u'\t';
                break;
            case 'r':
                out += u'\r';
                break;
            case '\\':
                out += u'\\';
                break;
            default:
                out += u'\\';
                out += next;
                break;
        }
    }
    return out;
}

QStringList splitList(const QString& value) {
    QStringList items = value.split(u';', Qt::SkipEmptyParts);
    for (QString& item : items)
        item = item.trimmed();
    items.removeAll(QString());
    return items;
}

bool isTrue(const QString& value) {
    return value.trimmed() == QLatin1String("true");
}

// Key = value lines of one group; a localized key ("Name[de]") is skipped.
template <typename Visit>
void forEachKey(QByteArrayView text, const QString& group, Visit&& visit) {
    const QStringList lines = QString::fromUtf8(text.data(), text.size()).split(u'\n');
    bool inGroup = false;
    for (QString line : lines) {
        line = line.trimmed();
        if (line.isEmpty() || line.startsWith(u'#'))
            continue;
        if (line.startsWith(u'[')) {
            inGroup = line == u'[' + group + u']';
            continue;
        }
        if (!inGroup)
            continue;
        const qsizetype equals = line.indexOf(u'=');
        if (equals <= 0)
            continue;
        const QString key = line.left(equals).trimmed();
        if (key.contains(u'['))
            continue;
        visit(key, line.mid(equals + 1).trimmed());
    }
}

QStringList xdgFolders(const char* variable, const QString& fallback) {
    QStringList folders;
    for (const QString& folder : qEnvironmentVariable(variable).split(u':', Qt::SkipEmptyParts)) {
        if (QDir::isAbsolutePath(folder))
            folders.append(folder);
    }
    return folders.isEmpty() ? fallback.split(u':') : folders;
}

QString xdgHome(const char* variable, const QString& belowHome) {
    const QString value = qEnvironmentVariable(variable);
    return QDir::isAbsolutePath(value) ? value : QDir::homePath() + u'/' + belowHome;
}

QByteArray readSmallFile(const QString& path) {
    QFile file(path);
    if (file.size() > kMaxDesktopFileSize || !file.open(QIODevice::ReadOnly))
        return {};
    return file.read(kMaxDesktopFileSize);
}

}  // namespace

std::optional<DesktopEntry> parseDesktopEntry(QByteArrayView text) {
    DesktopEntry entry;
    QString type;
    bool hidden = false;
    forEachKey(text, QStringLiteral("Desktop Entry"),
               [&](const QString& key, const QString& value) {
                   if (key == QLatin1String("Type"))
                       type = value;
                   else if (key == QLatin1String("Name"))
                       entry.name = unescapeValue(value);
                   else if (key == QLatin1String("Exec"))
                       entry.exec = unescapeValue(value);
                   else if (key == QLatin1String("TryExec"))
                       entry.tryExec = unescapeValue(value);
                   else if (key == QLatin1String("Categories"))
                       entry.categories = splitList(value);
                   else if (key == QLatin1String("MimeType"))
                       entry.mimeTypes = splitList(value);
                   else if (key == QLatin1String("Terminal"))
                       entry.terminal = isTrue(value);
                   else if (key == QLatin1String("Hidden"))
                       hidden = isTrue(value);
               });
    if (type != QLatin1String("Application") || hidden || entry.exec.isEmpty())
        return std::nullopt;
    return entry;
}

std::optional<QStringList> execCommand(const QString& exec, const QStringList& arguments) {
    // Split into words, honouring double quotes (inside which a backslash
    // escapes " ` $ and itself) and keeping track of which words were quoted,
    // since field codes only count outside quotes.
    struct Word {
        QString text;
        bool quoted = false;
    };
    QList<Word> words;
    Word word;
    bool inWord = false;
    bool inQuotes = false;
    for (qsizetype i = 0; i < exec.size(); ++i) {
        const QChar c = exec[i];
        if (inQuotes) {
            if (c == u'"') {
                inQuotes = false;
            } else if (c == u'\\' && i + 1 < exec.size() &&
                       QStringLiteral("\"`$\\").contains(exec[i + 1])) {
                word.text += exec[++i];
            } else {
                word.text += c;
            }
        } else if (c == u'"') {
            inQuotes = true;
            inWord = true;
            word.quoted = true;
        } else if (c.isSpace()) {
            if (inWord)
                words.append(word);
            word = Word();
            inWord = false;
        } else {
            word.text += c;
            inWord = true;
        }
    }
    if (inQuotes)
        return std::nullopt;
    if (inWord)
        words.append(word);

    const auto isFieldCode = [](const Word& w) {
        return !w.quoted && w.text.size() == 2 && w.text[0] == u'%';
    };
    // The program comes first: a field code there would run a file or an
    // address as the program.
    if (words.isEmpty() || isFieldCode(words.first()))
        return std::nullopt;
    QStringList command;
    bool argumentsPlaced = false;
    for (const Word& w : words) {
        if (w.quoted) {
            command.append(w.text);
            continue;
        }
        if (w.text.size() == 2 && w.text[0] == u'%' && QStringLiteral("fFuU").contains(w.text[1])) {
            if (!argumentsPlaced) {
                const bool many = w.text[1].isUpper();
                command.append(many ? arguments : arguments.mid(0, 1));
                argumentsPlaced = true;
            }
            continue;
        }
        // Field codes inside a word go; "%%" stays a percent sign.
        QString text;
        for (qsizetype i = 0; i < w.text.size(); ++i) {
            if (w.text[i] == u'%' && i + 1 < w.text.size()) {
                if (w.text[i + 1] == u'%')
                    text += u'%';
                ++i;
                continue;
            }
            text += w.text[i];
        }
        if (!text.isEmpty())
            command.append(text);
    }
    if (command.isEmpty() || command.first().isEmpty())
        return std::nullopt;
    return command;
}

QStringList parseDefaultApplications(QByteArrayView text, const QString& mimeType) {
    QStringList ids;
    forEachKey(text, QStringLiteral("Default Applications"),
               [&](const QString& key, const QString& value) {
                   if (key == mimeType)
                       ids += splitList(value);
               });
    return ids;
}

DesktopApplications DesktopApplications::fromEnvironment() {
    QStringList dataFolders{xdgHome("XDG_DATA_HOME", QStringLiteral(".local/share"))};
    dataFolders += xdgFolders("XDG_DATA_DIRS", QStringLiteral("/usr/local/share:/usr/share"));
    QStringList configFolders{xdgHome("XDG_CONFIG_HOME", QStringLiteral(".config"))};
    configFolders += xdgFolders("XDG_CONFIG_DIRS", QStringLiteral("/etc/xdg"));

    QStringList applicationFolders;
    QStringList mimeAppsFiles;
    for (const QString& folder : configFolders)
        mimeAppsFiles.append(folder + QStringLiteral("/mimeapps.list"));
    for (const QString& folder : dataFolders) {
        applicationFolders.append(folder + QStringLiteral("/applications"));
        mimeAppsFiles.append(folder + QStringLiteral("/applications/mimeapps.list"));
    }
    return DesktopApplications(applicationFolders, mimeAppsFiles);
}

DesktopApplications::DesktopApplications(const QStringList& applicationFolders,
                                         const QStringList& mimeAppsFiles)
    : m_mimeAppsFiles(mimeAppsFiles) {
    QSet<QString> seen;
    for (const QString& folder : applicationFolders) {
        const QDir root(folder);
        QDirIterator it(folder, {QStringLiteral("*.desktop")}, QDir::Files,
                        QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString path = it.next();
            QString id = root.relativeFilePath(path);
            id.replace(u'/', u'-');
            if (seen.contains(id))
                continue;
            // A hidden or broken entry still hides the same id further down.
            seen.insert(id);
            std::optional<DesktopEntry> entry = parseDesktopEntry(readSmallFile(path));
            if (!entry)
                continue;
            // TryExec names the program to look for; otherwise Exec's first word.
            QString program = entry->tryExec;
            if (program.isEmpty()) {
                const std::optional<QStringList> command = execCommand(entry->exec);
                program = command ? command->first() : QString();
            }
            if (!isInstalled(program))
                continue;
            entry->id = id;
            m_entries.append(*entry);
        }
    }
    std::sort(m_entries.begin(), m_entries.end(),
              [](const DesktopEntry& a, const DesktopEntry& b) { return a.id < b.id; });
}

const DesktopEntry* DesktopApplications::byId(const QString& id) const {
    const QString wanted =
        id.endsWith(QLatin1String(".desktop")) ? id : id + QStringLiteral(".desktop");
    for (const DesktopEntry& entry : m_entries) {
        if (entry.id == wanted)
            return &entry;
    }
    return nullptr;
}

const DesktopEntry* DesktopApplications::byCategories(const QStringList& categories) const {
    if (categories.isEmpty())
        return nullptr;
    for (const DesktopEntry& entry : m_entries) {
        const bool all = std::all_of(categories.begin(), categories.end(), [&](const QString& c) {
            return entry.categories.contains(c);
        });
        if (all)
            return &entry;
    }
    return nullptr;
}

const DesktopEntry* DesktopApplications::defaultFor(const QString& mimeType) const {
    for (const QString& file : m_mimeAppsFiles) {
        for (const QString& id : parseDefaultApplications(readSmallFile(file), mimeType)) {
            if (const DesktopEntry* entry = byId(id))
                return entry;
        }
    }
    for (const DesktopEntry& entry : m_entries) {
        if (entry.mimeTypes.contains(mimeType))
            return &entry;
    }
    return nullptr;
}

bool DesktopApplications::isInstalled(const QString& program) {
    if (program.isEmpty())
        return false;
    if (QDir::isAbsolutePath(program)) {
        const QFileInfo info(program);
        return info.isFile() && info.isExecutable();
    }
    return !QStandardPaths::findExecutable(program).isEmpty();
}
