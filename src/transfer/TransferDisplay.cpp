#include "TransferDisplay.h"

#include <QLocale>
#include <cmath>

#include "ServerText.h"
#include "TransferUrl.h"

QString formatTransferSize(double bytes) {
    const QLocale locale;
    if (!(bytes >= 0))
        bytes = 0;
    if (bytes < 1024)
        return locale.toString(bytes, 'f', 2) + QStringLiteral(" b");
    if (bytes / 1024 < 1024)
        return locale.toString(bytes / 1024, 'f', 2) + QStringLiteral(" Kb");
    return locale.toString(bytes / 1024 / 1024, 'f', 2) + QStringLiteral(" Mb");
}

QString formatTransferTime(double seconds) {
    if (!(seconds > 0) || std::isinf(seconds))
        seconds = 0;
    // Whole minutes in 64 bits: a slow transfer's remaining time can pass
    // the 45 days that 16 bits of minutes hold.
    const qint64 minutes = qint64(std::floor(seconds / 60));
    const qint64 secs = qint64(std::floor(seconds - 60.0 * double(minutes)));
    const qint64 hours = minutes / 60;
    const qint64 days = hours / 24;
    QString text;
    if (days > 0)
        text += QStringLiteral("%1 d ").arg(days);
    if (days > 0 || hours - 24 * days > 0)
        text += QStringLiteral("%1 h ").arg(hours - 24 * days);
    text += QStringLiteral("%1 m %2 s")
                .arg(minutes - 60 * hours)
                .arg(qBound(qint64(0), secs, qint64(59)));
    return text;
}

QString transferCaption(const QString& url) {
    const QString caption = printableText(urlDisplayName(url));
    return caption.trimmed().isEmpty() ? QStringLiteral("Undefined") : caption;
}

ProgressBars progressBars(int width, qint64 size, qint64 bytesDone,
                          const QList<TransferPart>& parts) {
    ProgressBars bars;
    if (size <= 0 || width <= 0)
        return bars;
    const auto scaled = [&](qint64 bytes) {
        return int(std::lround(double(qBound<qint64>(0, bytes, size)) * width / double(size)));
    };
    bars.totalWidth = scaled(bytesDone);
    for (const TransferPart& part : parts) {
        ProgressSegment segment;
        segment.left = scaled(part.start);
        segment.width = qMin(scaled(part.bytesDone), width - segment.left);
        segment.status = part.status;
        bars.parts.append(segment);
    }
    return bars;
}
