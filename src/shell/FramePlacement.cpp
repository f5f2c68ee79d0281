#include "FramePlacement.h"

namespace FramePlacement {

QRect onScreen(const QRect& stored, const QList<QRect>& screens, const QRect& current) {
    for (const QRect& screen : screens) {
        const QRect shown = stored.intersected(screen);
        if (shown.width() >= kLeastVisible && shown.height() >= kLeastVisible)
            return stored;
    }
    if (current.isEmpty())
        return stored;
    return QRect(current.topLeft(), stored.size().boundedTo(current.size()));
}

}  // namespace FramePlacement
