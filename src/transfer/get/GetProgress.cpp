#include "GetProgress.h"

#include <QFileInfo>
#include <cmath>

#include "TclTransferItem.h"
#include "TransferTypes.h"

namespace {

QString itemName(const TclTransferItem& item) {
    const QString file = item.localFile();
    return file.isEmpty() ? item.url() : QFileInfo(file).fileName();
}

}  // namespace

QString sizeText(double bytes) {
    const char* units[] = {"B", "KiB", "MiB", "GiB", "TiB"};
    int unit = 0;
    while (bytes >= 1024 && unit < 4) {
        bytes /= 1024;
        ++unit;
    }
    return QString::number(bytes, 'f', unit == 0 ? 0 : 1) + QLatin1Char(' ') +
           QLatin1String(units[unit]);
}

QString durationText(double seconds) {
    if (!(seconds > 0) || !std::isfinite(seconds) || seconds > 99 * 3600.0)
        return QStringLiteral("-:--");
    const qint64 whole = qint64(std::ceil(seconds));
    const qint64 hours = whole / 3600, minutes = whole / 60 % 60, rest = whole % 60;
    if (hours > 0)
        return QStringLiteral("%1:%2:%3")
            .arg(hours)
            .arg(minutes, 2, 10, QLatin1Char('0'))
            .arg(rest, 2, 10, QLatin1Char('0'));
    return QStringLiteral("%1:%2").arg(minutes).arg(rest, 2, 10, QLatin1Char('0'));
}

QString progressLine(const TclTransferItem& item, int width) {
    const qint64 size = item.resourceSize();
    const qint64 done = item.bytesDone();
    QString figures = size > 0 ? QStringLiteral("%1%  %2 of %3")
                                     .arg(done * 100 / size, 3)
                                     .arg(sizeText(double(done)), sizeText(double(size)))
                               : sizeText(double(done));
    figures += QStringLiteral("  %1/s  %2 left  %3")
                   .arg(sizeText(item.speed()), durationText(item.remaining()),
                        transferStatusText(item.status()));
    QString name = itemName(item);
    const int room = qMax(12, width - int(figures.size()) - 2);
    if (name.size() > room)
        name = QStringLiteral("...") + name.right(room - 3);
    return (name + QStringLiteral("  ") + figures).left(qMax(1, width));
}

QString savedLine(const TclTransferItem& item) {
    return QStringLiteral("Saved %1 (%2 in %3)")
        .arg(item.localFile(), sizeText(double(item.bytesDone())), durationText(item.elapsed()));
}

QString stoppedLine(const TclTransferItem& item) {
    const qint64 size = item.resourceSize();
    const QString share = size > 0 ? QStringLiteral("%1%").arg(item.bytesDone() * 100 / size)
                                   : sizeText(double(item.bytesDone()));
    return QStringLiteral("Stopped %1 at %2; the same command continues it")
        .arg(item.localFile(), share);
}
