#pragma once

#include <QString>

class TclTransferItem;

// What corvanta-get prints about an item.

// "12.3 MiB": bytes in binary units, one decimal above bytes.
QString sizeText(double bytes);
// "0:07", "12:05", "1:02:03"; "-:--" when unknown (not positive).
QString durationText(double seconds);
// The item's progress line, at most `width` characters: name, percentage,
// bytes, speed and time left.
QString progressLine(const TclTransferItem& item, int width);
// The closing lines of a finished and of a stopped item.
QString savedLine(const TclTransferItem& item);
QString stoppedLine(const TclTransferItem& item);
