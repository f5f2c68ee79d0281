#pragma once

#include <QString>
#include <QStringList>

// The four registered themes, in registration order. Applying one restyles
// every menu bar, toolbar, dock panel and status bar of the program at once
// (one application-wide style sheet).
namespace Themes {

QStringList names();  // "Default", "Aluminum", "OfficeXP", "Stripes"

// Applies the theme named `name`; an empty or unknown name changes nothing and
// returns false.
bool apply(const QString& name);

// The style sheet of a theme (empty for "Default" and unknown names).
QString styleSheet(const QString& name);

}  // namespace Themes
