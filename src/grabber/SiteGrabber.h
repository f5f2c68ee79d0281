#pragma once

#include <QHash>
#include <QObject>
#include <QSet>
#include <QStringList>

#include "GrabRules.h"
#include "PageLinks.h"
#include "TclMultiDownLoader.h"

// A grab of one web site into a local folder, run by the downloader it owns:
// the root page is downloaded, the links of every downloaded page on the same
// site are followed to the chosen depth, and with gaMakeBrowsable the saved
// pages' links are rewritten to relative paths of the saved files.
//
// Rewriting waits until every file a page links to has ended, and a link is
// rewritten only to a file that was saved, so every rewritten link opens
// offline; links to what the grab did not save stay as they were written.
// Every file the grab writes lies inside the local folder.
//
// Threading: UI thread only. The downloader reports here on that thread; the
// link handling of a page runs while its item ends, before the downloader's
// busy count falls, so a grab cannot look finished while links are added.
class SiteGrabber : public QObject {
    Q_OBJECT
public:
    explicit SiteGrabber(QObject* parent = nullptr);
    ~SiteGrabber() override;

    TclMultiDownLoader& downloader() { return m_downloader; }

    GrabOptions grabOptions() const { return m_options; }
    void setGrabOptions(GrabOptions options) { m_options = options; }
    bool doNotGetResourceInfo() const { return m_downloader.settings().doNotGetResourceInfo; }
    void setDoNotGetResourceInfo(bool on) { m_downloader.settings().doNotGetResourceInfo = on; }
    QString localFolder() const { return m_folder; }
    void setLocalFolder(const QString& folder) { m_folder = folder; }

    // Starts a grab at `address`, following links up to `depth` levels (1:
    // the root page only; 0 or less: no limit). Throws AppError "Operation is
    // in progress" while grabbing or busy, and when no local folder is set.
    void grab(const QString& address, int depth);
    // Stops every item; the grab is over (the saved pages are still rewritten
    // once the items have ended).
    void stopAll();

    bool isBusy() const { return m_downloader.isBusy(); }
    bool isGrabbing() const { return m_grabbing; }
    QString rootAddress() const { return m_root; }
    int depth() const { return m_depth; }
    QStringList allowedHosts() const { return m_allowedHosts.values(); }

    // The addresses this grab downloads or downloaded, and the local file of
    // one (empty for an address that is not one of them).
    QStringList addresses() const { return m_targets.keys(); }
    QString localFileOf(const QString& address) const;

private:
    enum class State { Pending, Saved, NoFile };
    struct Target {
        QString localFile;
        State state = State::Pending;
        QList<int> waitingPages;  // one entry per link waiting for it
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
        QList<PageLinkTarget> links;
        int pending = 0;  // links whose target has not ended yet
        // The page's <base href>: where it stands, and the folder of the copy
        // its links are then relative to (else the page's own folder).
        std::optional<PageLink> base;
        QString baseFolder;
    };

    // `base`: the address the page's links are relative to.
    LinkTarget addLink(const QString& link, const TclDownLoadItem* page, const QString& base);
    void itemEnded(TclDownLoadItem* item);
    void followLinks(TclDownLoadItem* item, const QString& file);
    void resolve(Target& target, State state);
    void rewrite(const PendingPage& page);
    void grabEnded();
    bool isTaken(const QString& file) const;

    GrabOptions m_options = GrabOptions(0x7f);
    QString m_folder;
    bool m_grabbing = false;
    QString m_root;
    QString m_rootHost;
    int m_depth = 0;
    QSet<QString> m_allowedHosts;
    QHash<QString, Target> m_targets;  // by address
    QHash<const TclTransferItem*, QString> m_addressOf;
    QSet<QString> m_claimed;          // local files of the grab's items
    QHash<int, PendingPage> m_pages;  // saved pages waiting to be rewritten
    int m_nextPage = 0;

    // Last: destroyed first, so its workers are gone before the state above.
    TclMultiDownLoader m_downloader;
};
