#pragma once

#include <QList>
#include <QString>

#include "TransferTypes.h"

// How every list of transfer items shows an item: its caption, sizes, times
// and the geometry of the drawn "Progress" cell. One definition, shared by the
// FTP queue and the Web Site Grabber.

// "%.2n b" below 1024 bytes, else "%.2n Kb" below 1024 KiB, else "%.2n Mb"
// (two decimals, the default locale's separators; no larger unit).
QString formatTransferSize(double bytes);

// "[d d ][h h ]m m s s": days when there are any, hours when there are days or
// hours. Negative or not-a-number counts as 0.
QString formatTransferTime(double seconds);

// The row caption: the address's name as a person reads it (urlDisplayName:
// the text after its last "\", "/" or ":", decoded), control characters
// dropped; "Undefined" when that is blank.
QString transferCaption(const QString& url);

// The bars of one "Progress" cell of `width` pixels, from the item's resource
// size, bytes done and parts. Empty (no bars) when the size is not known.
struct ProgressSegment {
    int left = 0;
    int width = 0;
    TransferStatus status = TransferStatus::Ready;
};
struct ProgressBars {
    int totalWidth = 0;  // from the left edge
    QList<ProgressSegment> parts;
};
ProgressBars progressBars(int width, qint64 size, qint64 bytesDone,
                          const QList<TransferPart>& parts);
