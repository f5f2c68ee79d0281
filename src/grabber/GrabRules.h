#pragma once

#include <QByteArray>
#include <QFlags>
#include <QString>
#include <functional>

// The grab options, set from the window's check items at each grab.
enum GrabOption {
    gaGrabAll = 0x1,
    gaGrabImages = 0x2,
    gaGrabAudioVideo = 0x4,
    gaGrabData = 0x8,
    gaMakeBrowsable = 0x10,
    gaGrabFrames = 0x20,
    gaReplaceExisting = 0x40,
};
Q_DECLARE_FLAGS(GrabOptions, GrabOption)
Q_DECLARE_OPERATORS_FOR_FLAGS(GrabOptions)

// The address a grab downloads for `link` found on the page at `base` (an
// empty base: `link` is the root address). Resolved as a browser resolves a
// link ("\" counts as "/", tabs and line breaks are dropped), unsafe
// characters escaped, the fragment dropped, the scheme and the host in lower
// case; a root address without "://" is read as an http address. The path and
// the query keep their case: servers tell "/A.html" from "/a.html".
QString grabAddress(const QString& base, const QString& link);

// The host of an address, in lower case; empty when it has none.
QString addressHost(const QString& address);

// True when `host` is `siteHost` or one of its sub-domains.
bool isOnSite(const QString& host, const QString& siteHost);

// The local file of an address below `folder`: the address's path, each
// segment decoded and made one plain name (no "..", no separators, no leading
// dots, no control characters, at most 255 bytes; empty ones dropped), with
// "index.htm" for an address that names a folder. Host and query are not
// used, so the result always lies inside `folder`.
QString grabLocalFile(const QString& folder, const QString& address);

// `path` itself when `taken` refuses it not, else the first of "name1.ext",
// "name2.ext", ... (the number before the last "." of the file name; a name
// without one gets the number at its end) that `taken` leaves free.
QString numberedFile(const QString& path, const std::function<bool(const QString&)>& taken);

// The relative path from folder `fromFolder` to file `toFile` ("../img/a.gif"):
// the folder names both share from the start (compared case-sensitively)
// dropped, "../" for each remaining folder of `fromFolder`, then the remaining
// folders of `toFile`, then its name.
QString relativePath(const QString& fromFolder, const QString& toFile);

// relativePath() written as a link in a page: every segment percent-encoded,
// so that a browser finds the file whatever characters its name holds.
QByteArray relativeLink(const QString& fromFolder, const QString& toFile);

// The link from folder `fromFolder` that names folder `toFolder` ("../img/",
// "./" for the same folder), encoded as relativeLink().
QByteArray relativeFolderLink(const QString& fromFolder, const QString& toFolder);

// The type filter: the server's status is below 400 and the content type
// (any case) names a kind the options ask for; pages ("html") and what they
// need to show themselves (style sheets, scripts, fonts) always pass.
bool passesTypeFilter(GrabOptions options, int statusCode, const QString& contentType);

// True when `host` names this machine or a local network: "localhost" and
// its sub-domains, and addresses of loopback, private, link-local, shared
// and unspecified ranges (IPv4 and IPv6, IPv4 mapped into IPv6 too).
bool isPrivateHost(const QString& host);
