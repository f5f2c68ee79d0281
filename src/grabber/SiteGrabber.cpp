#include "SiteGrabber.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QUrl>

#include "AppError.h"
#include "GrabFolder.h"
#include "LocalFileName.h"
#include "TransferDisplay.h"

namespace {

// The item's file and what the engine kept of a download it did not finish
// (a stopped item keeps its part for a resume the grab never asks for).
void removeTemporary(const QString& temporary) {
    QFile::remove(temporary);
    QFile::remove(partialFileName(temporary));
}

// Worker threads' stack: the parser does not recurse, the link collector
// walks the tree with a stack of its own; this leaves ample room.
constexpr uint kWorkerStack = 8 * 1024 * 1024;
// A server that asks for more than this is left for this long.
constexpr int kLongestPause = 300;

// The options' say on a requisite of this kind.
bool isWanted(GrabOptions options, PageLink::Kind kind) {
    if (options.testFlag(gaGrabAll))
        return true;
    switch (kind) {
        case PageLink::Kind::Image:
            return options.testFlag(gaGrabImages);
        case PageLink::Kind::Media:
            return options.testFlag(gaGrabAudioVideo);
        case PageLink::Kind::Data:
            return options.testFlag(gaGrabData);
        default:
            return true;
    }
}

bool isHtml(const QString& contentType) {
    return contentType.contains(QLatin1String("html"), Qt::CaseInsensitive);
}

bool isStyleSheet(const QString& contentType) {
    return contentType.contains(QLatin1String("text/css"), Qt::CaseInsensitive);
}

QString pathAndQuery(const QString& address) {
    const QUrl url(address);
    QString path = url.path(QUrl::FullyEncoded);
    if (url.hasQuery())
        path += QLatin1Char('?') + url.query(QUrl::FullyEncoded);
    return path;
}

}  // namespace

QString progressText(const GrabProgress& progress) {
    return QStringLiteral("%1 of %2 files, %3 of %4, %5/s, %6")
        .arg(progress.filesDone)
        .arg(progress.filesKnown)
        .arg(formatTransferSize(double(progress.bytesDone)),
             formatTransferSize(double(qMax(progress.bytesKnown, progress.bytesDone))),
             formatTransferSize(progress.rate), formatTransferTime(progress.seconds));
}

SiteGrabber::SiteGrabber(QObject* parent) : QObject(parent), m_downloader(this) {
    m_workers.setMaxThreadCount(2);
    m_workers.setStackSize(kWorkerStack);
    m_downloader.setFilter([this](TclDownLoadItem* item) {
        // Only known before the download with the resource information asked for.
        if (m_downloader.settings().doNotGetResourceInfo || m_robotsOf.contains(item))
            return true;
        const auto info = item->resourceInfo();
        return !info || passesTypeFilter(m_options, info->statusCode, info->contentType);
    });
    m_downloader.setCompletionHook([this](TclDownLoadItem* item) {
        if (m_robotsOf.contains(item))
            robotsEnded(item);
        else
            itemEnded(item);
    });
    connect(&m_downloader, &TclMultiTransfer::resourceInfoObtained, this,
            [this](TclTransferItem* item, const TransferResourceInfo& info) {
                const auto found = m_addressOf.constFind(item);
                if (found == m_addressOf.cend() || info.size <= 0)
                    return;
                Target& target = m_targets[*found];
                if (target.size < 0) {
                    target.size = info.size;
                    m_sizesKnown += info.size;
                }
            });
    connect(&m_downloader, &TclMultiTransfer::dataProceeded, this,
            [this](TclTransferItem* item, int, qint64 size) {
                m_bytesDone += size;
                const auto found = m_addressOf.constFind(item);
                if (found == m_addressOf.cend())
                    return;
                const auto target = m_targets.constFind(*found);
                if (target != m_targets.cend() && target->size < 0)
                    m_bytesUnsized += size;
            });
    connect(&m_downloader, &TclMultiTransfer::serverBusy, this,
            [this](TclTransferItem* item, int seconds) {
                // The whole host waits, and comes back with fewer connections.
                const QString host =
                    m_robotsOf.value(item, m_targets.value(m_addressOf.value(item)).host);
                if (!m_hosts.contains(host))
                    return;
                HostState& state = m_hosts[host];
                state.limit = qMax(1, state.limit / 2);
                state.nextStart =
                    qMax(state.nextStart,
                         m_clock.elapsed() + 1000 * qint64(qBound(1, seconds, kLongestPause)));
            });
    connect(&m_downloader, &TclMultiTransfer::errorOccurred, this,
            [this](TclTransferItem* item, const QString&, int code) {
                if (m_robotsOf.contains(item))
                    m_robotsError.insert(item, code);
            });
    connect(&m_downloader, &TclMultiTransfer::busyStateChanged, this, [this] { updateBusy(); });
    m_pumpTimer.setSingleShot(true);
    connect(&m_pumpTimer, &QTimer::timeout, this, [this] {
        pump();
        updateBusy();
    });
    // An interrupted grab goes on from what the record held a moment before.
    m_recordTimer.setInterval(3000);
    connect(&m_recordTimer, &QTimer::timeout, this, [this] {
        if (m_record.isDirty())
            m_record.save();
    });
}

SiteGrabber::~SiteGrabber() {
    m_downloader.stopAll();
    m_workers.waitForDone();
}

QString SiteGrabber::localFileOf(const QString& address) const {
    const auto found = m_targets.constFind(address);
    return found == m_targets.cend() ? QString() : found->localFile;
}

bool SiteGrabber::isUnchanged(const TclTransferItem* item) {
    const auto info = item->resourceInfo();
    return info && info->statusCode == 304;
}

GrabProgress SiteGrabber::progress() const {
    GrabProgress progress;
    progress.filesDone = m_filesDone;
    progress.filesKnown = int(m_targets.size());
    progress.bytesDone = m_bytesDone;
    progress.bytesKnown = m_sizesKnown + m_bytesUnsized;
    progress.seconds = m_busy ? m_clock.nsecsElapsed() / 1e9 : m_seconds;
    progress.rate = progress.seconds > 0 ? m_bytesDone / progress.seconds : 0;
    return progress;
}

void SiteGrabber::grab(const QString& address, int depth) {
    if (m_grabbing || m_busy)
        throw AppError(QStringLiteral("Operation is in progress"));
    if (m_folder.trimmed().isEmpty())
        throw AppError(QStringLiteral("Please choose the folder to save the site to."));
    m_allowedHosts.clear();
    m_refusedHosts.clear();
    m_downloader.clear();
    m_targets.clear();
    m_addressOf.clear();
    m_robotsOf.clear();
    m_robotsError.clear();
    m_hosts.clear();
    m_claimed.clear();
    m_existingFiles.clear();
    m_resolved = std::make_shared<PageReader::Resolved>();
    m_verifiedFolders.clear();
    m_pages.clear();
    m_unchanged = m_kept = m_robotsRefused = m_filesDone = 0;
    m_bytesDone = m_sizesKnown = m_bytesUnsized = 0;
    m_depth = qMax(0, depth);
    m_root = address;
    const QString rootAddress = grabAddress(QString(), address);
    m_rootHost = addressHost(rootAddress);
    // One connection per file: the host's connections are the files it serves at once.
    TransferSettings& settings = m_downloader.settings();
    settings.maxStartedItems = qMax(5, 2 * m_politeness.connectionsPerHost);
    settings.batchSize = 64 * 1024;
    m_record.load(m_folder);
    m_record.beginGrab(rootAddress);
    m_clock.start();
    m_grabbing = true;
    m_busy = true;
    m_ended = false;
    emit busyStateChanged(true);
    m_recordTimer.start();
    PageReader::Link root;
    root.address = rootAddress;
    root.host = m_rootHost;
    root.localFile = grabLocalFile(m_folder, rootAddress);
    addLink(root, nullptr);
    pump();
    updateBusy();
}

void SiteGrabber::stopAll() {
    m_grabbing = false;
    m_pumpTimer.stop();
    // What has not started yet never will.
    for (auto host = m_hosts.begin(); host != m_hosts.end(); ++host) {
        for (const QString& address : std::exchange(host->queue, {}))
            resolve(m_targets[address], State::NoFile);
    }
    m_downloader.stopAll();
    updateBusy();
}

bool SiteGrabber::isTaken(const QString& file) const {
    if (m_claimed.contains(file))
        return true;  // another item of this grab writes it
    const QFileInfo info(file);
    return info.exists() && (!m_options.testFlag(gaReplaceExisting) || info.isDir());
}

SiteGrabber::LinkTarget SiteGrabber::addLink(const PageReader::Link& link,
                                             const PageContext* page) {
    if (link.address.isEmpty())
        return {};
    const bool onSite = isOnSite(link.host, m_rootHost) || m_allowedHosts.contains(link.host);
    const bool requisite = isRequisite(link.kind);
    const bool deepEnough = !page || m_depth == 0 || requisite || page->level < m_depth - 1;
    // The root is typed, not written in a page: its fragment only goes. A
    // page linked with "#" is not followed; a requisite's fragment is only
    // a part of it (an icon of a sprite, a font's variant).
    const bool allowed = onSite && deepEnough && isWanted(m_options, link.kind) &&
                         (!page || requisite || !link.hash);
    const QString fragment = page ? link.fragment : QString();
    if (m_targets.contains(link.address))
        return {link.address, {}, fragment};
    if (!allowed || !m_grabbing) {
        // A page of the site left out (beyond the depth, or linked with "#")
        // opens from a file of its name that is there already.
        if (onSite && m_options.testFlag(gaReplaceExisting)) {
            auto known = m_existingFiles.constFind(link.localFile);
            if (known == m_existingFiles.cend())
                known =
                    m_existingFiles.insert(link.localFile, GrabFolder::isPlainFile(link.localFile));
            if (*known)
                return {{}, link.localFile, fragment};
        }
        return {};
    }
    Target* target = newTarget(link, page);
    if (target->state == State::Queued)
        enqueue(link.address);
    return {link.address, {}, fragment};
}

SiteGrabber::Target* SiteGrabber::newTarget(const PageReader::Link& link, const PageContext* page) {
    const QString& address = link.address;
    Target target;
    target.host = link.host;
    target.requisite = isRequisite(link.kind);
    target.level = !page ? 0 : page->level + (target.requisite ? 0 : 1);
    target.exempt = !page;
    const GrabRecord::Entry* earlier = m_record.find(address);
    if (earlier && !m_claimed.contains(earlier->file) && GrabFolder::isPlainFile(earlier->file)) {
        // The file an earlier grab saved for this address: kept as it is when
        // the stopped grab this one goes on with saved it, else asked for
        // again only if it changed.
        target.localFile = earlier->file;
        target.contentType = earlier->contentType;
        if (m_record.savedByThisGrab(*earlier) && m_record.continues()) {
            target.state = State::Saved;
            target.earlier = true;
            ++m_kept;
            ++m_filesDone;
        }
    } else {
        if (earlier)
            m_record.remove(address);
        target.localFile =
            numberedFile(link.localFile, [this](const QString& path) { return isTaken(path); });
    }
    m_claimed.insert(target.localFile);
    Target& stored = m_targets.insert(address, target).value();
    if (stored.state == State::Saved)
        parseLater(address, stored);
    return &stored;
}

void SiteGrabber::enqueue(const QString& address) {
    const QString& hostName = m_targets[address].host;
    if (!m_hosts.contains(hostName))
        m_hosts[hostName].limit = qMax(1, m_politeness.connectionsPerHost);
    m_hosts[hostName].queue.append(address);
}

void SiteGrabber::pump() {
    if (!m_grabbing)
        return;
    const qint64 now = m_clock.elapsed();
    qint64 wake = -1;
    for (auto it = m_hosts.begin(); it != m_hosts.end(); ++it) {
        HostState& host = *it;
        if (host.queue.isEmpty())
            continue;
        if (m_politeness.obeyRobots && host.robots == HostState::Robots::Unknown)
            startRobots(it.key(), host);
        while (!host.queue.isEmpty() && host.running < host.limit) {
            if (host.nextStart > now) {
                wake = wake < 0 ? host.nextStart : qMin(wake, host.nextStart);
                break;
            }
            // While robots.txt is on its way only the typed address goes.
            const bool rulesKnown =
                !m_politeness.obeyRobots || host.robots == HostState::Robots::Known;
            qsizetype next = 0;
            if (!rulesKnown) {
                while (next < host.queue.size() && !m_targets[host.queue[next]].exempt)
                    ++next;
                if (next == host.queue.size())
                    break;
            }
            const QString address = host.queue.takeAt(next);
            Target& target = m_targets[address];
            if (rulesKnown && !target.exempt && !host.rules.allows(pathAndQuery(address))) {
                ++m_robotsRefused;
                resolve(target, State::NoFile);
                continue;
            }
            startTarget(address, host);
            if (m_politeness.delayMs > 0)
                host.nextStart = now + m_politeness.delayMs;
        }
    }
    if (wake >= 0)
        m_pumpTimer.start(int(qMax<qint64>(0, wake - now)));
}

void SiteGrabber::startTarget(const QString& address, HostState& host) {
    Target& target = m_targets[address];
    const QString problem = GrabFolder::prepare(m_folder, target.localFile, &m_verifiedFolders);
    if (!problem.isEmpty()) {
        emit logLine(QStringLiteral("Error on address %1: %2").arg(address, problem));
        ++m_filesDone;
        resolve(target, State::NoFile);
        return;
    }
    TclDownLoadItem* item = m_downloader.addItem();
    item->setUrl(address);
    item->setLocalFile(GrabFolder::temporaryName(target.localFile, ++m_serial));
    item->setThreadCount(1);
    if (const GrabRecord::Entry* earlier = m_record.find(address);
        earlier && earlier->file == target.localFile)
        item->setConditions(earlier->etag, earlier->lastModified);
    target.item = item;
    target.state = State::Pending;
    m_addressOf.insert(item, address);
    ++host.running;
    m_downloader.start(item);
}

void SiteGrabber::startRobots(const QString& hostName, HostState& host) {
    // On the scheme and port of the first address waiting there.
    QUrl robots(host.queue.first());
    robots.setPath(QStringLiteral("/robots.txt"));
    robots.setQuery(QString());
    robots.setFragment(QString());
    if (!GrabFolder::prepare(m_folder, m_folder + QLatin1String("/robots.txt")).isEmpty()) {
        host.robots = HostState::Robots::Known;
        return;
    }
    TclDownLoadItem* item = m_downloader.addItem();
    item->setUrl(robots.toString(QUrl::FullyEncoded));
    item->setLocalFile(
        GrabFolder::temporaryName(m_folder + QLatin1String("/robots.txt"), ++m_serial));
    item->setThreadCount(1);
    m_robotsOf.insert(item, hostName);
    host.robots = HostState::Robots::Fetching;
    ++host.running;
    m_downloader.start(item);
}

void SiteGrabber::robotsEnded(TclDownLoadItem* item) {
    const QString hostName = m_robotsOf.value(item);
    HostState& host = m_hosts[hostName];
    --host.running;
    host.robots = HostState::Robots::Known;
    const auto info = item->resourceInfo();
    const TransferStatus status = item->status();
    QByteArray text;
    if ((status == TransferStatus::Done || status == TransferStatus::Warnings) && info &&
        info->statusCode < 400 &&
        GrabFolder::read(item->localFile(), 64 * RobotsRules::kLargestFile, &text)) {
        host.rules = RobotsRules::parse(
            text, m_downloader.settings().userAgent.section(QLatin1Char('/'), 0, 0));
    } else if (const int code = m_robotsError.value(item);
               status != TransferStatus::Stopped && !(code >= 400 && code < 500)) {
        // A site whose rules cannot be read may not want to be read at all.
        host.rules = RobotsRules::disallowAll();
        emit logLine(
            QStringLiteral("The robots.txt of %1 could not be read: only the address typed "
                           "is fetched there (see \"Ignore robots.txt\").")
                .arg(hostName));
    }
    removeTemporary(item->localFile());
    pump();
}

void SiteGrabber::itemEnded(TclDownLoadItem* item) {
    const auto found = m_addressOf.constFind(item);
    if (found == m_addressOf.cend())
        return;
    const QString address = *found;
    Target& target = m_targets[address];
    --m_hosts[target.host].running;
    ++m_filesDone;
    settle(address, target, item);
    if (target.state == State::Saved)
        parseLater(address, target);
    pump();
}

// Puts the item's file in place, or keeps the earlier one, and resolves the target.
void SiteGrabber::settle(const QString& address, Target& target, TclDownLoadItem* item) {
    const QString temporary = item->localFile();
    const TransferStatus status = item->status();
    const auto info = item->resourceInfo();
    const bool done = status == TransferStatus::Done || status == TransferStatus::Warnings;
    if (done && isUnchanged(item) && GrabFolder::isPlainFile(target.localFile)) {
        removeTemporary(temporary);
        target.earlier = true;
        ++m_unchanged;
        noteRecord(address, target);
        resolve(target, State::Saved);
        return;
    }
    if (!done || !GrabFolder::isPlainFile(temporary) || isUnchanged(item)) {
        removeTemporary(temporary);
        resolve(target, State::NoFile);
        return;
    }
    if (info)
        target.contentType = info->contentType;
    // A changed file whose earlier copy is to stay gets a name of its own.
    if (!m_options.testFlag(gaReplaceExisting) && QFileInfo::exists(target.localFile)) {
        m_claimed.remove(target.localFile);
        target.localFile =
            numberedFile(target.localFile, [this](const QString& path) { return isTaken(path); });
        m_claimed.insert(target.localFile);
    }
    // The folders are checked again: nothing may have put a link in their place.
    const QString problem = GrabFolder::prepare(m_folder, target.localFile, &m_verifiedFolders);
    if (!problem.isEmpty() || ::rename(QFile::encodeName(temporary).constData(),
                                       QFile::encodeName(target.localFile).constData()) != 0) {
        emit logLine(QStringLiteral("Error on address %1: cannot save %2 %3")
                         .arg(address, target.localFile, problem));
        removeTemporary(temporary);
        resolve(target, State::NoFile);
        return;
    }
    target.identity = GrabFolder::fileIdentity(target.localFile);
    if (info) {
        GrabRecord::Entry entry;
        entry.file = target.localFile;
        entry.etag = info->etag;
        entry.lastModified = info->lastModified;
        entry.contentType = info->contentType;
        m_record.set(address, entry);
    }
    resolve(target, State::Saved);
}

void SiteGrabber::noteRecord(const QString& address, const Target& target) {
    const GrabRecord::Entry* earlier = m_record.find(address);
    GrabRecord::Entry entry = earlier ? *earlier : GrabRecord::Entry{};
    entry.file = target.localFile;
    m_record.set(address, entry);
}

// Reads a saved page or style sheet for its links on a worker.
void SiteGrabber::parseLater(const QString& address, const Target& target) {
    const bool page = isHtml(target.contentType) && !target.requisite;
    const bool sheet = isStyleSheet(target.contentType);
    if (!page && !sheet)
        return;
    const PageReader::Request request{address, target.localFile, m_folder,  m_rootHost,
                                      sheet,   target.earlier,   m_resolved};
    workStarted();
    m_workers.start([this, request] {
        const PageReader::Page page = PageReader::read(request);
        QMetaObject::invokeMethod(
            this, [this, address = request.address, page] { parsed(address, page); },
            Qt::QueuedConnection);
    });
}

void SiteGrabber::parsed(const QString& address, const PageReader::Page& page) {
    if (!page.refusal.isEmpty()) {
        // The page stays as it was saved; the grab goes on.
        emit logLine(QStringLiteral("Links not followed in %1: %2").arg(address, page.refusal));
    } else {
        followLinks(address, page);
    }
    pump();
    workEnded();
}

void SiteGrabber::allowFrameHosts(const PageReader::Page& page) {
    for (const PageReader::Link& link : page.links) {
        const QString& host = link.host;
        if (link.kind != PageLink::Kind::Frame || host.isEmpty() || host == m_rootHost ||
            m_allowedHosts.contains(host))
            continue;
        // A page on the web may not lead the grab into the user's own network.
        if (isPrivateHost(host) || page.privateHosts.contains(host)) {
            if (!m_refusedHosts.contains(host)) {
                m_refusedHosts.insert(host);
                emit logLine(QStringLiteral("Frames of %1 not followed: it is an address of "
                                            "a local network the grab was not started on.")
                                 .arg(host));
            }
            continue;
        }
        m_allowedHosts.insert(host);
    }
}

void SiteGrabber::followLinks(const QString& address, const PageReader::Page& page) {
    const auto found = m_targets.constFind(address);
    if (found == m_targets.cend())
        return;
    const PageContext context{address, found->level, found->localFile, found->earlier};
    const quint64 identity = found->identity;
    if (m_options.testFlag(gaGrabFrames))
        allowFrameHosts(page);
    const bool browsable = m_options.testFlag(gaMakeBrowsable);
    const int id = m_nextPage++;
    PendingPage pending{context.file, identity, {}, 0, page.base, page.baseFolder};
    for (const PageReader::Link& link : page.links) {
        LinkTarget linked;
        // A page an earlier grab rewrote links to the files of the copy.
        const QString recorded =
            link.copyFile.isEmpty() ? QString() : m_record.addressOf(link.copyFile);
        if (!recorded.isEmpty()) {
            PageReader::Link known = link;
            known.address = recorded;
            known.host = addressHost(recorded);
            known.localFile = link.copyFile;
            known.hash = false;
            linked = addLink(known, &context);
        } else {
            linked = addLink(link, &context);
        }
        if (!browsable || linked.isNone())
            continue;
        pending.links.append({link.offset, link.length, linked});
        if (!linked.address.isEmpty()) {
            Target& target = m_targets[linked.address];
            if (target.state == State::Queued || target.state == State::Pending) {
                target.waitingPages.append(id);
                ++pending.pending;
            }
        }
    }
    if (pending.links.isEmpty())
        return;
    if (pending.pending == 0) {
        rewrite(pending);
    } else {
        m_pages.insert(id, pending);
    }
}

void SiteGrabber::resolve(Target& target, State state) {
    target.state = state;
    const QList<int> waiting = std::exchange(target.waitingPages, {});
    for (int id : waiting) {
        auto page = m_pages.find(id);
        if (page == m_pages.end() || --page->pending > 0)
            continue;
        const PendingPage ready = *page;
        m_pages.erase(page);
        rewrite(ready);
    }
}

void SiteGrabber::rewrite(const PendingPage& page) {
    PageReader::Rewrite job{page.file, page.identity, page.baseFolder, {}, page.base};
    job.targets.reserve(page.links.size());
    for (const PageLinkTarget& link : page.links) {
        QString file = link.target.existingFile;
        if (!link.target.address.isEmpty()) {
            const auto target = m_targets.constFind(link.target.address);
            if (target == m_targets.cend() || target->state != State::Saved)
                continue;
            file = target->localFile;
        }
        job.targets.append({link.offset, link.length, file, link.target.fragment});
    }
    if (job.targets.isEmpty())
        return;
    workStarted();
    m_workers.start([this, job] {
        const QString error = PageReader::rewrite(job);
        QMetaObject::invokeMethod(
            this,
            [this, error] {
                if (!error.isEmpty())
                    emit logLine(error);
                workEnded();
            },
            Qt::QueuedConnection);
    });
}

void SiteGrabber::workStarted() {
    ++m_work;
}

void SiteGrabber::workEnded() {
    --m_work;
    updateBusy();
}

void SiteGrabber::updateBusy() {
    if (!m_busy || m_downloader.isBusy() || m_work > 0)
        return;
    for (const HostState& host : std::as_const(m_hosts)) {
        if (!host.queue.isEmpty())
            return;
    }
    if (!m_ended) {
        m_ended = true;
        grabEnded();
        if (m_work > 0)
            return;  // the pages it let go are rewritten first
    }
    if (m_finished)
        m_record.finishGrab();
    m_record.save();
    if (m_unchanged > 0)
        emit logLine(QStringLiteral("%1 files were unchanged since the last grab and were kept.")
                         .arg(m_unchanged));
    if (m_kept > 0)
        emit logLine(
            QStringLiteral("%1 files were kept as the stopped grab had saved them.").arg(m_kept));
    if (m_robotsRefused > 0)
        emit logLine(QStringLiteral("%1 addresses were left out as the site's robots.txt asks.")
                         .arg(m_robotsRefused));
    m_busy = false;
    emit busyStateChanged(false);
}

void SiteGrabber::grabEnded() {
    m_finished = m_grabbing;
    m_grabbing = false;
    m_seconds = m_clock.nsecsElapsed() / 1e9;
    m_recordTimer.stop();
    // Items stopped while they waited for their turn never ran: nothing of
    // theirs was saved.
    for (Target& target : m_targets) {
        if (target.state == State::Pending || target.state == State::Queued)
            resolve(target, State::NoFile);
    }
}
