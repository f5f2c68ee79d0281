#pragma once

#include <QString>

// Addresses of the outside services the suite talks to (the maker's server,
// translation, search engines, WhoIs servers). Each is a constant of the
// program that the settings store can override: a text value named after the
// service under "\Software\Corvanta\Services". Tests point them at loopback.
namespace ServiceAddress {

inline constexpr const char* kServicesKey = "\\Software\\Corvanta\\Services";

// The stored override for `name`, or `defaultAddress` when none is stored.
QString get(const QString& name, const QString& defaultAddress);
// Stores an override (used by tests and by anyone who runs their own mirror).
void set(const QString& name, const QString& address);

// The project's own web site, the one address behind the browser's "Home" and
// the suite's web-site items.
inline constexpr const char* kProjectSiteName = "ProjectSite";
inline constexpr const char* kProjectSiteDefault = "https://corvanta.sourceforge.io/";
QString projectSite();

// The maker's contact mail address (the about box's "Mail The Developer", the
// web update's contact).
inline constexpr const char* kMakerMailAddress = "developers@corvanta.net";

// The page on the components the suite is built from ("Visit Clever's
// Components home page").
inline constexpr const char* kComponentsSiteName = "ComponentsSite";
inline constexpr const char* kComponentsSiteDefault = "https://corvanta.sourceforge.io/components/";

// The maker's update server: the web update list and files, and the release
// file. Reached over https only, since what it serves is run.
inline constexpr const char* kUpdateServerName = "UpdateServer";
inline constexpr const char* kUpdateServerDefault = "https://corvanta.sourceforge.io";

}  // namespace ServiceAddress
