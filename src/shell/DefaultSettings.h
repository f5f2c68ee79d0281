#pragma once

#include <QStringList>

// "Restore All Default Settings": every setting of the suite goes back to its
// default, except what the user set up outside the tools' own settings and
// could not set again from the program:
// - "Services": the overrides of the service addresses (an own mirror, a
//   translation server), typed in by hand;
// - "TypedURLs": the addresses typed into the browser's address box, a
//   history like the browser's own, which the browser's preferences clear;
// - "Internet Settings": the browser's user-agent additions.
// Deleting these would leave a translator without its server and empty the
// address box's list, which no one asked a restore of defaults to do.
namespace DefaultSettings {

inline constexpr const char* kRootKey = "\\Software\\Corvanta";

// The sub-keys of the root that a restore keeps.
QStringList keptKeys();

// Deletes the suite's settings but the kept keys; the root key goes too when
// nothing is kept. Throws RegistryError when the store cannot be used.
void restore();

}  // namespace DefaultSettings
