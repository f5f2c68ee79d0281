#pragma once

#include <QList>
#include <QRect>

namespace FramePlacement {

// Least part of the frame that must lie on a screen for it to count as shown
// there: enough to take it by its title bar.
inline constexpr int kLeastVisible = 48;

// `stored` when enough of it lies on one of `screens`; otherwise the same size,
// cut to `current`, at the top left of `current`.
QRect onScreen(const QRect& stored, const QList<QRect>& screens, const QRect& current);

}  // namespace FramePlacement
