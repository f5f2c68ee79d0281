#include "TransferUrl.h"

#include <QByteArray>
#include <QList>
#include <cstring>

#include "ServerText.h"

namespace {

bool keptInSegment(char c) {
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'))
        return true;
    // ";" is left out: FTP addresses read ";type=" as a transfer type.
    return c != 0 && std::strchr("-._~!$&'()*+,=:@", c) != nullptr;
}

QByteArray encodedPath(const QByteArray& path) {
    static const char hex[] = "0123456789ABCDEF";
    QByteArray out;
    out.reserve(path.size() * 3);
    for (char c : path) {
        if (c == '/' || keptInSegment(c)) {
            out += c;
        } else {
            out += '%';
            out += hex[uchar(c) >> 4];
            out += hex[uchar(c) & 15];
        }
    }
    return out;
}

}  // namespace

QString urlWithPath(const QString& base, const QString& path) {
    const qsizetype scheme = base.indexOf(QLatin1String("://"));
    const qsizetype authority = scheme < 0 ? 0 : scheme + 3;
    qsizetype pathStart = base.indexOf(QLatin1Char('/'), authority);
    if (pathStart < 0)
        pathStart = base.size();
    const QString origin = base.left(pathStart);
    const QString encoded = QString::fromLatin1(encodedPath(serverBytes(path)));
    if (path.startsWith(QLatin1Char('/'))) {
        if (base.startsWith(QLatin1String("ftp://"), Qt::CaseInsensitive))
            return origin + QLatin1String("/%2F") + encoded;
        return origin + encoded;
    }
    QString folder = base.mid(pathStart);
    if (!folder.endsWith(QLatin1Char('/')))
        folder += QLatin1Char('/');
    return origin + folder + encoded;
}

QString urlDisplayName(const QString& url) {
    const qsizetype cut =
        qMax(qMax(url.lastIndexOf(QLatin1Char('/')), url.lastIndexOf(QLatin1Char('\\'))),
             url.lastIndexOf(QLatin1Char(':')));
    return QString::fromUtf8(QByteArray::fromPercentEncoding(url.mid(cut + 1).toUtf8()));
}
