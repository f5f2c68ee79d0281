#include "GrabRules.h"

#include <QStringList>
#include <QUrl>

#include "LocalFileName.h"

QString grabAddress(const QString& base, const QString& link) {
    QString text = link.trimmed();
    text.remove(QLatin1Char('\t')).remove(QLatin1Char('\n')).remove(QLatin1Char('\r'));
    text.replace(QLatin1Char('\\'), QLatin1Char('/'));
    QUrl url;
    if (base.isEmpty()) {
        if (!text.contains(QLatin1String("://")))
            text.prepend(QLatin1String("http://"));
        url = QUrl(text, QUrl::TolerantMode);
    } else {
        url = QUrl(base, QUrl::TolerantMode).resolved(QUrl(text, QUrl::TolerantMode));
    }
    if (!url.isValid())
        return {};
    url.setScheme(url.scheme().toLower());
    url.setHost(url.host().toLower());
    return url.adjusted(QUrl::RemoveFragment | QUrl::NormalizePathSegments)
        .toString(QUrl::FullyEncoded);
}

QString addressHost(const QString& address) {
    return QUrl(address).host().toLower();
}

bool isOnSite(const QString& host, const QString& siteHost) {
    if (host.isEmpty() || siteHost.isEmpty())
        return false;
    return host == siteHost || host.endsWith(QLatin1Char('.') + siteHost);
}

QString grabLocalFile(const QString& folder, const QString& address) {
    const QString path = QUrl(address).path(QUrl::FullyEncoded);
    QStringList names;
    for (const QString& segment : path.split(QLatin1Char('/'))) {
        const QString name = safeFileName(QUrl::fromPercentEncoding(segment.toUtf8()));
        if (!name.isEmpty())
            names.append(name);
    }
    const QString last = path.section(QLatin1Char('/'), -1);
    if (names.isEmpty() || last.isEmpty() ||
        safeFileName(QUrl::fromPercentEncoding(last.toUtf8())).isEmpty())
        names.append(QStringLiteral("index.htm"));
    QString base = folder;
    if (!base.endsWith(QLatin1Char('/')))
        base += QLatin1Char('/');
    return base + names.join(QLatin1Char('/'));
}

QString numberedFile(const QString& path, const std::function<bool(const QString&)>& taken) {
    if (!taken(path))
        return path;
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    const QString folder = path.left(slash + 1);
    QString name = path.mid(slash + 1);
    if (!name.contains(QLatin1Char('.')))
        name += QLatin1Char('.');
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    for (int number = 1;; ++number) {
        QString candidate = folder + name.left(dot) + QString::number(number) + name.mid(dot);
        if (candidate.endsWith(QLatin1Char('.')))
            candidate.chop(1);
        if (!taken(candidate))
            return candidate;
    }
}

QString relativePath(const QString& fromFolder, const QString& toFile) {
    const QStringList from = fromFolder.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    QStringList to = toFile.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    const QString fileName = to.isEmpty() ? QString() : to.takeLast();
    qsizetype shared = 0;
    while (shared < from.size() && shared < to.size() && from[shared] == to[shared])
        ++shared;
    QString result;
    for (qsizetype i = shared; i < from.size(); ++i)
        result += QStringLiteral("../");
    for (qsizetype i = shared; i < to.size(); ++i)
        result += to[i] + QLatin1Char('/');
    return result + fileName;
}

QByteArray relativeLink(const QString& fromFolder, const QString& toFile) {
    QByteArrayList segments;
    for (const QString& segment : relativePath(fromFolder, toFile).split(QLatin1Char('/')))
        segments.append(QUrl::toPercentEncoding(segment));
    return segments.join('/');
}

bool passesTypeFilter(GrabOptions options, int statusCode, const QString& contentType) {
    if (statusCode >= 400)
        return false;
    const QString type = contentType.toLower();
    return options.testFlag(gaGrabAll) || type.contains(QLatin1String("html")) ||
           (type.contains(QLatin1String("image")) && options.testFlag(gaGrabImages)) ||
           ((type.contains(QLatin1String("audio")) || type.contains(QLatin1String("video"))) &&
            options.testFlag(gaGrabAudioVideo)) ||
           (type.contains(QLatin1String("application")) && options.testFlag(gaGrabData));
}
