#pragma once

#include <QByteArrayView>

// Whether the machine has an internet connection: true when the kernel's
// routing table holds a default route (IPv4 or IPv6) over an interface that
// is up. Any failure to read the tables counts as not connected.
bool IsConnected();

// Parsers over /proc/net/route and /proc/net/ipv6_route: true when a default
// route (destination 0 with prefix 0) is present and marked up.
bool hasDefaultRouteIpv4(QByteArrayView procNetRoute);
bool hasDefaultRouteIpv6(QByteArrayView procNetIpv6Route);
