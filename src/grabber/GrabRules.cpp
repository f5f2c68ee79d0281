#include "GrabRules.h"

#include <QHostAddress>
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

namespace {

// The steps from folder `from` to folder `to`: ".." for each name of `from`
// beyond those both share from the start (compared case-sensitively), then
// the remaining names of `to`.
QStringList folderSteps(const QString& from, const QString& to) {
    const QStringList fromNames = from.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    const QStringList toNames = to.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    qsizetype shared = 0;
    while (shared < fromNames.size() && shared < toNames.size() &&
           fromNames[shared] == toNames[shared])
        ++shared;
    QStringList steps;
    for (qsizetype i = shared; i < fromNames.size(); ++i)
        steps.append(QStringLiteral(".."));
    return steps + toNames.mid(shared);
}

QByteArray encodedSteps(const QStringList& steps) {
    QByteArrayList segments;
    for (const QString& step : steps)
        segments.append(QUrl::toPercentEncoding(step));
    return segments.join('/');
}

}  // namespace

QString relativePath(const QString& fromFolder, const QString& toFile) {
    const qsizetype slash = toFile.lastIndexOf(QLatin1Char('/'));
    QStringList steps = folderSteps(fromFolder, toFile.left(qMax<qsizetype>(0, slash)));
    steps.append(toFile.mid(slash + 1));
    return steps.join(QLatin1Char('/'));
}

QByteArray relativeLink(const QString& fromFolder, const QString& toFile) {
    return encodedSteps(relativePath(fromFolder, toFile).split(QLatin1Char('/')));
}

QByteArray relativeFolderLink(const QString& fromFolder, const QString& toFolder) {
    const QStringList steps = folderSteps(fromFolder, toFolder);
    return steps.isEmpty() ? QByteArray("./") : encodedSteps(steps) + '/';
}

bool passesTypeFilter(GrabOptions options, int statusCode, const QString& contentType) {
    if (statusCode >= 400)
        return false;
    const QString type = contentType.toLower();
    return options.testFlag(gaGrabAll) || type.contains(QLatin1String("html")) ||
           type.contains(QLatin1String("text/css")) || type.contains(QLatin1String("javascript")) ||
           type.contains(QLatin1String("ecmascript")) || type.contains(QLatin1String("font")) ||
           (type.contains(QLatin1String("image")) && options.testFlag(gaGrabImages)) ||
           ((type.contains(QLatin1String("audio")) || type.contains(QLatin1String("video"))) &&
            options.testFlag(gaGrabAudioVideo)) ||
           (type.contains(QLatin1String("application")) && options.testFlag(gaGrabData));
}

bool isPrivateHost(const QString& host) {
    QString name = host.toLower();
    if (name.startsWith(QLatin1Char('[')) && name.endsWith(QLatin1Char(']')))
        name = name.mid(1, name.size() - 2);
    if (name.endsWith(QLatin1Char('.')))
        name.chop(1);
    if (name == QLatin1String("localhost") || name.endsWith(QLatin1String(".localhost")))
        return true;
    QHostAddress address(name);
    if (address.isNull())
        return false;
    bool mapped = false;
    const quint32 ipv4 = address.toIPv4Address(&mapped);
    if (mapped) {
        const auto in = [ipv4](quint32 network, int bits) {
            return (ipv4 >> (32 - bits)) == (network >> (32 - bits));
        };
        return in(0x00000000, 8) || in(0x7F000000, 8) || in(0x0A000000, 8) || in(0xAC100000, 12) ||
               in(0xC0A80000, 16) || in(0xA9FE0000, 16) || in(0x64400000, 10);
    }
    return address.isLoopback() || address == QHostAddress::AnyIPv6 ||
           address.isInSubnet(QHostAddress(QStringLiteral("fc00::")), 7) ||
           address.isInSubnet(QHostAddress(QStringLiteral("fe80::")), 10);
}
