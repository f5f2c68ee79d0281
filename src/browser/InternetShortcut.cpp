#include "InternetShortcut.h"

#include <QFile>
#include <QSaveFile>

#include "AppError.h"

namespace {

// A shortcut is a few hundred bytes; anything far larger is not one.
constexpr qint64 kMaximumSize = 1024 * 1024;

}  // namespace

namespace InternetShortcut {

QString readUrl(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() > kMaximumSize)
        return QString();
    bool inSection = false;
    QByteArray content = file.readAll();
    if (content.startsWith("\xEF\xBB\xBF"))
        content.remove(0, 3);
    const QList<QByteArray> lines = content.split('\n');
    for (const QByteArray& raw : lines) {
        const QByteArray line = raw.trimmed();
        if (line.startsWith('[')) {
            const qsizetype close = line.indexOf(']');
            inSection =
                close > 0 &&
                line.mid(1, close - 1).trimmed().compare("InternetShortcut", Qt::CaseInsensitive) ==
                    0;
            continue;
        }
        if (!inSection)
            continue;
        const qsizetype equals = line.indexOf('=');
        if (equals > 0 && line.left(equals).trimmed().compare("URL", Qt::CaseInsensitive) == 0)
            return QString::fromUtf8(line.mid(equals + 1).trimmed());
    }
    return QString();
}

bool isShortcutName(const QString& fileName) {
    return fileName.endsWith(QLatin1String(kExtension), Qt::CaseInsensitive);
}

void write(const QString& path, const QString& url) {
    QString value = url;
    value.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        throw AppError(QStringLiteral("The shortcut %1 cannot be written.").arg(path));
    file.write("[InternetShortcut]\r\nURL=" + value.toUtf8() + "\r\n");
    if (!file.commit())
        throw AppError(QStringLiteral("The shortcut %1 cannot be written.").arg(path));
}

}  // namespace InternetShortcut
