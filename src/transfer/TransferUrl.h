#pragma once

#include <QString>

// Addresses of remote files built from the paths and names a person sees, and
// turned back into them. The transfer queue's rows, the grabber's items and the
// update files all name their resources through these two.

// The address of `path` on the server named by `base` ("scheme://host[:port]",
// optionally followed by a folder path that is already encoded). A path that
// starts with "/" replaces the base's path; any other path is joined to it as
// to a folder. Each segment of `path` is percent-encoded as UTF-8 (a name kept
// byte for byte from a server, see ServerText.h, as its own bytes) except for
// letters, digits and - . _ ~ ! $ & ' ( ) * + , = : @, so blanks, "#", "%",
// "?", ";" and non-ASCII names reach the server as they are named.
//
// An absolute path of an ftp:// address is written after "%2F" ("/pub/a b" as
// "ftp://host/%2F/pub/a%20b"): FTP reads a URL's path from the log-in folder,
// and the encoded slash makes it start at the server's root instead, so the
// path of the remote tree is the path fetched.
QString urlWithPath(const QString& base, const QString& path);

// The name a person sees for an address: the text after its last "/", "\" or
// ":", percent-decoded (bytes that are not UTF-8 are shown as U+FFFD). Empty
// when the address ends with one of them.
QString urlDisplayName(const QString& url);
