#pragma once

#include <QHash>
#include <QList>
#include <QMutex>
#include <QSet>
#include <QString>
#include <memory>
#include <optional>

#include "PageLinks.h"

// The work a grab does on a saved page or style sheet away from the user
// interface: reading it for its links, resolved as a browser resolves them,
// and writing it back with its links pointing into the copy. Pure functions
// of their requests; any thread.
namespace PageReader {

struct Link;

// Links already resolved, shared by the workers of one grab: the pages of a
// site repeat their links (menus, headers), and resolving costs more than
// finding. Keyed by the folder the link is relative to and the link.
class Resolved {
public:
    bool find(const QString& key, Link* link) const;
    void insert(const QString& key, const Link& link);

private:
    mutable QMutex m_lock;
    struct Entry {
        QString address, host, localFile;
    };
    QHash<QString, Entry> m_entries;  // guarded by m_lock
};

struct Request {
    QString address;  // of the page
    QString file;     // its saved file
    QString folder;   // the grab's folder
    QString rootHost;
    bool sheet = false;    // a style sheet, not a page
    bool earlier = false;  // an earlier grab saved it, and may have rewritten its links
    std::shared_ptr<Resolved> resolved;  // shared by the grab's requests; may be null
};

// A link of the page, resolved.
struct Link {
    PageLink::Kind kind = PageLink::Kind::Anchor;
    qsizetype offset = 0;
    qsizetype length = 0;
    QString address;  // absolute; empty for a jump inside the page or an unusable link
    QString host;
    QString fragment;
    bool hash = false;  // written with a "#"
    QString localFile;  // the file of `address` in the copy (grabLocalFile)
    QString copyFile;   // of an earlier page: the file of the copy the link names as written
};

struct Page {
    QList<Link> links;
    std::optional<PageLink> base;  // the <base href> as written; absent when unusable
    QString baseFolder;            // the folder of the copy the links are relative to
    QString refusal;               // why the links were not read; empty when they were
    QSet<QString> privateHosts;    // hosts of frames taken to a local network
};

// Kept up to here: kLargestParsedPage refuses larger pages with a reason.
inline constexpr qint64 kLargestRead = kLargestParsedPage + 1;

Page read(const Request& request);

struct Rewrite {
    QString file;
    quint64 identity = 0;  // of the file as the grab saved it (GrabFolder::replace)
    QString folder;        // the links are written relative to it
    struct Target {
        qsizetype offset = 0;
        qsizetype length = 0;
        QString file;
        QString fragment;
    };
    QList<Target> targets;
    std::optional<PageLink> base;  // written as the folder, seen from the page's own
};

// Writes the page with every target's link pointing at its file; error
// text, or empty.
QString rewrite(const Rewrite& rewrite);

}  // namespace PageReader
