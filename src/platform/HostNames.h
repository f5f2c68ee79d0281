#pragma once

#include <QString>

// The machine's and the user's names and IPv4 name resolution, as the network
// tools ask for them. Blocking calls; UI thread is fine (the tools wait there).
namespace HostNames {

// The computer (host) name, empty when it cannot be read.
QString computerName();

// The name of the user the program runs for.
QString userName();

// The machine's own IPv4 address in dotted form: the first address of an
// interface that is up and is not loopback (resolving the host name gives
// 127.0.1.1 on many Linux systems, which tells the user nothing). Empty when
// there is none.
QString internalAddress();

struct Resolution {
    QString address;  // dotted IPv4 address, empty on failure
    int error =
        0;  // getaddrinfo's EAI_* code (0 on success), or EAI_SYSTEM with errno in systemErrno
    int systemErrno = 0;
    QString errorText() const;
};

// Resolves a host name (a dotted address stays as it is) to its first IPv4 address.
Resolution resolveIPv4(const QString& host);

// The name registered for a dotted IPv4 address, empty when there is none.
QString reverseLookup(const QString& address);

}  // namespace HostNames
