#pragma once

#include <QElapsedTimer>
#include <QHash>
#include <QObject>
#include <QSet>
#include <QStringList>
#include <QThreadPool>
#include <QTimer>
#include <optional>

#include "GrabRecord.h"
#include "GrabRules.h"
#include "PageLinks.h"
#include "PageReader.h"
#include "RobotsRules.h"
#include "TclMultiDownLoader.h"

// How a grab treats the servers it reads.
struct GrabPoliteness {
    bool obeyRobots = true;      // the site's robots.txt is honoured
    int connectionsPerHost = 5;  // files of one host fetched at once
    int delayMs = 0;             // between the starts of two requests to one host
};

// Where a grab stands, for a person to read.
struct GrabProgress {
    int filesDone = 0;   // ended, saved or not
    int filesKnown = 0;  // found so far
    qint64 bytesDone = 0;
    qint64 bytesKnown = 0;  // the sizes the servers told, and what came of the others
    double seconds = 0;     // since the grab started
    double rate = 0;        // bytes per second over that time
};

// "12 of 40 files, 1.20 Mb of 3.40 Mb, 250.00 Kb/s, 0 m 5 s": files and bytes
// done of those known, the rate and the time so far, in the transfer lists'
// formats.
QString progressText(const GrabProgress& progress);

// A grab of one web site into a local folder, run by the downloader it owns:
// the root page is downloaded, the links of every downloaded page on the same
// site are followed to the chosen depth, and what each saved page needs to
// show itself (style sheets and what they import, scripts, pictures, fonts,
// media of the kinds the options ask for) is fetched whatever the depth.
// With gaMakeBrowsable the saved pages' and style sheets' links are
// rewritten to relative paths of the saved files.
//
// Rewriting waits until every file a page links to has ended, and a link is
// rewritten only to a file that was saved, so every rewritten link opens
// offline; links to what the grab did not save stay as they were written.
// Every file the grab writes lies inside the local folder, is written under
// a temporary name and renamed into place, and no symbolic link below the
// folder is followed.
//
// Polite: the site's robots.txt is honoured unless told otherwise, at most
// GrabPoliteness::connectionsPerHost files of a host are fetched at once,
// with the chosen delay between requests, and a server that asks to wait
// (429 or 503 with Retry-After) is left alone that long with fewer
// connections. A folder that holds an earlier grab is updated: files whose
// server says they are unchanged are kept, and a stopped grab of the same
// address goes on where it stopped.
//
// Threading: UI thread. The downloader reports here on that thread; pages
// and style sheets are parsed and rewritten on worker threads, and the grab
// stays busy until their results are in, so it cannot look finished while
// links are still being added.
class SiteGrabber : public QObject {
    Q_OBJECT
public:
    explicit SiteGrabber(QObject* parent = nullptr);
    ~SiteGrabber() override;

    TclMultiDownLoader& downloader() { return m_downloader; }

    GrabOptions grabOptions() const { return m_options; }
    void setGrabOptions(GrabOptions options) { m_options = options; }
    GrabPoliteness politeness() const { return m_politeness; }
    void setPoliteness(const GrabPoliteness& politeness) { m_politeness = politeness; }
    bool doNotGetResourceInfo() const { return m_downloader.settings().doNotGetResourceInfo; }
    void setDoNotGetResourceInfo(bool on) { m_downloader.settings().doNotGetResourceInfo = on; }
    QString localFolder() const { return m_folder; }
    void setLocalFolder(const QString& folder) { m_folder = folder; }

    // Starts a grab at `address`, following links up to `depth` levels (1:
    // the root page and what it needs; 0 or less: no limit). Throws AppError
    // "Operation is in progress" while grabbing or busy, and when no local
    // folder is set.
    void grab(const QString& address, int depth);
    // Stops every item; the grab is over (the saved pages are still rewritten
    // once the items have ended).
    void stopAll();

    // True from the start of a grab until its last file and page are done.
    bool isBusy() const { return m_busy; }
    bool isGrabbing() const { return m_grabbing; }
    QString rootAddress() const { return m_root; }
    int depth() const { return m_depth; }
    QStringList allowedHosts() const { return m_allowedHosts.values(); }

    // The addresses this grab downloads or downloaded, and the local file of
    // one (empty for an address that is not one of them).
    QStringList addresses() const { return m_targets.keys(); }
    QString localFileOf(const QString& address) const;

    GrabProgress progress() const;
    // Files the servers said were unchanged since the folder's last grab.
    int unchangedCount() const { return m_unchanged; }
    // True when the server answered the item that its file is unchanged.
    static bool isUnchanged(const TclTransferItem* item);

signals:
    void busyStateChanged(bool busy);
    // A line for the grab's log beyond the downloader's events.
    void logLine(const QString& text);

private:
    enum class State { Queued, Pending, Saved, NoFile };
    struct Target {
        QString localFile;
        State state = State::Queued;
        QList<int> waitingPages;  // one entry per link waiting for it
        TclDownLoadItem* item = nullptr;
        QString host;
        int level = 0;
        bool requisite = false;  // fetched for a page, whatever the depth
        bool exempt = false;     // the root: typed, not found, so robots.txt does not bar it
        bool earlier = false;    // its file is one an earlier grab saved
        QString contentType;
        qint64 size = -1;      // told by the server; -1 unknown
        quint64 identity = 0;  // of the file this grab saved (GrabFolder::fileIdentity)
    };
    // The page a link stands in.
    struct PageContext {
        QString address;
        int level = 0;
        QString file;
        bool earlier = false;  // an earlier grab saved (and rewrote) it
    };
    // A link as the rewriting needs it: to a target of the grab, or to a file
    // that existed already.
    struct LinkTarget {
        QString address;
        QString existingFile;
        QString fragment;
        bool isNone() const { return address.isEmpty() && existingFile.isEmpty(); }
    };
    struct PageLinkTarget {
        qsizetype offset = 0;
        qsizetype length = 0;
        LinkTarget target;
    };
    struct PendingPage {
        QString file;
        quint64 identity = 0;  // of the file as this grab saved it; 0 for an earlier one
        QList<PageLinkTarget> links;
        int pending = 0;  // links whose target has not ended yet
        // The page's <base href>: where it stands, and the folder of the copy
        // its links are then relative to (else the page's own folder).
        std::optional<PageLink> base;
        QString baseFolder;
    };
    struct HostState {
        QStringList queue;  // addresses waiting for their turn, in order
        int running = 0;
        int limit = 5;
        qint64 nextStart = 0;  // ms on m_clock
        enum class Robots { Unknown, Fetching, Known } robots = Robots::Unknown;
        RobotsRules rules;
    };
    // `page`: where the link stands; none for the root.
    LinkTarget addLink(const PageReader::Link& link, const PageContext* page);
    Target* newTarget(const PageReader::Link& link, const PageContext* page);
    void enqueue(const QString& address);
    void pump();
    void startTarget(const QString& address, HostState& host);
    void startRobots(const QString& hostName, HostState& host);
    void robotsEnded(TclDownLoadItem* item);
    void itemEnded(TclDownLoadItem* item);
    void settle(const QString& address, Target& target, TclDownLoadItem* item);
    void parseLater(const QString& address, const Target& target);
    void parsed(const QString& address, const PageReader::Page& page);
    void allowFrameHosts(const PageReader::Page& page);
    void followLinks(const QString& address, const PageReader::Page& page);
    void resolve(Target& target, State state);
    void rewrite(const PendingPage& page);
    void workStarted();
    void workEnded();
    void updateBusy();
    void grabEnded();
    bool isTaken(const QString& file) const;
    void noteRecord(const QString& address, const Target& target);

    GrabOptions m_options = GrabOptions(0x7f);
    GrabPoliteness m_politeness;
    QString m_folder;
    bool m_grabbing = false;
    bool m_busy = false;
    bool m_ended = false;     // the last file ended; pages may still be rewritten
    bool m_finished = false;  // the grab went through to its end, not stopped
    QString m_root;
    QString m_rootHost;
    int m_depth = 0;
    QSet<QString> m_allowedHosts;
    QSet<QString> m_refusedHosts;      // frame hosts on a local network
    QHash<QString, Target> m_targets;  // by address
    QHash<const TclTransferItem*, QString> m_addressOf;
    QHash<const TclTransferItem*, QString> m_robotsOf;  // robots.txt items, by host
    QHash<const TclTransferItem*, int> m_robotsError;   // their error events' codes
    QHash<QString, HostState> m_hosts;
    QSet<QString> m_claimed;               // local files of the grab's items
    QHash<QString, bool> m_existingFiles;  // files left out, by whether they exist
    QSet<QString> m_verifiedFolders;       // found to be folders, not links
    std::shared_ptr<PageReader::Resolved> m_resolved;
    QHash<int, PendingPage> m_pages;  // saved pages waiting to be rewritten
    int m_nextPage = 0;
    int m_work = 0;  // parses and rewrites not back yet
    quint64 m_serial = 0;
    GrabRecord m_record;
    QTimer m_pumpTimer;
    QTimer m_recordTimer;
    QElapsedTimer m_clock;
    double m_seconds = 0;  // of the last grab, once it ended
    int m_unchanged = 0;
    int m_kept = 0;  // taken as a stopped grab left them
    int m_robotsRefused = 0;
    qint64 m_bytesDone = 0;
    qint64 m_sizesKnown = 0;
    qint64 m_bytesUnsized = 0;
    int m_filesDone = 0;

    // Parsers and rewriters; their stack fits the deepest page they accept.
    QThreadPool m_workers;
    // Last: destroyed first, so its workers are gone before the state above.
    TclMultiDownLoader m_downloader;
};
