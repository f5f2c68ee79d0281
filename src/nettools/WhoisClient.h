#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// A WhoIs client on plain blocking sockets: connect to the server's port 43,
// send the query and one line feed, read the whole answer until the server
// closes. Failures come back as codes in the Windows Sockets numbering less
// 10000 (so the texts users and documentation know, "Error WSAECONNREFUSED",
// stay the same on every system).
//
// Blocking; the window calls it on the UI thread.
class WhoisClient {
public:
    static constexpr quint16 kWhoisPort = 43;
    static constexpr int kChunkSize = 500;

    struct Resolved {
        QString address;  // dotted; empty on failure
        int code = 0;
    };
    struct Reply {
        QString text;
        int code = 0;  // of the failing socket step, 0 when none failed
    };

    // A server box's text: "host" or "host:port" (a server on another port).
    struct ServerName {
        QString host;
        quint16 port = kWhoisPort;
    };
    static ServerName splitServer(const QString& server, quint16 defaultPort);

    // ResolveServer: the first IPv4 address of a host name or dotted address.
    static Resolved ResolveServer(const QString& host);

    // WhoisRequest: one query to `address` (dotted) on `port`.
    Reply WhoisRequest(const QString& address, const QString& query) const;

    // WhoisQuery: resolves Server unless an address is cached, then asks it
    // about Query (on the port Server names, else `port`). The answer text,
    // or the error text when nothing came.
    QString WhoisQuery();

    QString Server;
    QString CachedAddress;  // emptied by the caller whenever Server changes
    QString Query;
    quint16 port = kWhoisPort;  // when Server names none
    // A server that accepts and then says nothing would otherwise hold the
    // window forever; after this long without data the read ends with
    // "Error WSAETIMEDOUT".
    int receiveTimeoutMs = 60000;

    // "Error WSAECONNREFUSED" for 61, ...; empty for a code without a name.
    static QString errorText(int code);
    // The code for a Linux errno, and for a getaddrinfo failure.
    static int codeFromErrno(int error);
    static int codeFromResolver(int eaiError, int systemErrno);

    // The eight public WhoIs servers offered in the server list (the first is
    // the default).
    static QStringList defaultServers();

private:
    Reply request(const QString& address, quint16 port, const QString& query) const;
};
