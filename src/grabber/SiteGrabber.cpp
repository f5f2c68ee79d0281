#include "SiteGrabber.h"

#include <QFile>
#include <QFileInfo>
#include <QUrl>

#include "AppError.h"
#include "PageLinks.h"

namespace {

// Larger pages are kept as downloaded, unparsed.
constexpr qint64 kLargestPage = 32 * 1024 * 1024;

QByteArray readPage(const QString& file) {
    QFile page(file);
    if (!page.open(QIODevice::ReadOnly) || page.size() > kLargestPage)
        return {};
    return page.readAll();
}

// Writes a saved page's new bytes over its old ones, in place as the page
// was written: a new file per page costs the file system far more, thousands
// of times over. Should the write fail (a full disk), the old bytes go back.
void rewritePage(const QString& path, const QByteArray& before, const QByteArray& after) {
    QFile file(path);
    if (!file.open(QIODevice::ReadWrite))
        return;
    if (file.write(after) == after.size() && file.resize(after.size()) && file.flush())
        return;
    file.seek(0);
    file.write(before);
    file.resize(before.size());
}

QString fragmentOf(const QString& link) {
    const qsizetype hash = link.indexOf(QLatin1Char('#'));
    return hash < 0 ? QString() : link.mid(hash + 1);
}

}  // namespace

SiteGrabber::SiteGrabber(QObject* parent) : QObject(parent), m_downloader(this) {
    m_downloader.setFilter([this](TclDownLoadItem* item) {
        // Only known before the download with the resource information asked for.
        if (m_downloader.settings().doNotGetResourceInfo)
            return true;
        const auto info = item->resourceInfo();
        return !info || passesTypeFilter(m_options, info->statusCode, info->contentType);
    });
    m_downloader.setCompletionHook([this](TclDownLoadItem* item) { itemEnded(item); });
    // Connected before any owner's handler: the grab is over when they hear of it.
    connect(&m_downloader, &TclMultiTransfer::busyStateChanged, this, [this](bool busy) {
        if (!busy)
            grabEnded();
    });
}

SiteGrabber::~SiteGrabber() = default;

QString SiteGrabber::localFileOf(const QString& address) const {
    const auto found = m_targets.constFind(address);
    return found == m_targets.cend() ? QString() : found->localFile;
}

void SiteGrabber::grab(const QString& address, int depth) {
    if (m_grabbing || m_downloader.isBusy())
        throw AppError(QStringLiteral("Operation is in progress"));
    if (m_folder.trimmed().isEmpty())
        throw AppError(QStringLiteral("Please choose the folder to save the site to."));
    m_allowedHosts.clear();
    m_grabbing = true;
    m_downloader.clear();
    m_targets.clear();
    m_addressOf.clear();
    m_claimed.clear();
    m_pages.clear();
    m_depth = qMax(0, depth);
    m_root = address;
    m_rootHost = addressHost(grabAddress(QString(), address));
    m_downloader.setLocalFolder(m_folder);
    addLink(address, nullptr, QString());
    if (!m_downloader.isBusy())
        m_grabbing = false;  // nothing to fetch: the grab is over at once
}

void SiteGrabber::stopAll() {
    m_downloader.stopAll();
    m_grabbing = false;
}

bool SiteGrabber::isTaken(const QString& file) const {
    if (m_claimed.contains(file))
        return true;  // another item of this grab writes it
    const QFileInfo info(file);
    return info.exists() && (!m_options.testFlag(gaReplaceExisting) || info.isDir());
}

SiteGrabber::LinkTarget SiteGrabber::addLink(const QString& link, const TclDownLoadItem* page,
                                             const QString& base) {
    // A jump inside the page needs nothing local.
    if (page && link.trimmed().startsWith(QLatin1Char('#')))
        return {};
    const QString address = grabAddress(base, link);
    if (address.isEmpty())
        return {};
    const QString host = addressHost(address);
    const bool onSite = isOnSite(host, m_rootHost) || m_allowedHosts.contains(host);
    const bool deepEnough = !page || m_depth == 0 || page->level() < m_depth - 1;
    // The root is typed, not written in a page: its fragment only goes.
    const bool allowed = onSite && deepEnough && (!page || !link.contains(QLatin1Char('#')));
    const QString fragment = page ? fragmentOf(link) : QString();
    if (m_targets.contains(address))
        return {address, {}, fragment};
    if (!allowed) {
        // A page of the site left out (beyond the depth, or linked with "#")
        // opens from a file of its name that is there already.
        if (onSite && m_options.testFlag(gaReplaceExisting)) {
            const QString file = grabLocalFile(m_folder, address);
            if (QFileInfo(file).isFile())
                return {{}, file, fragment};
        }
        return {};
    }
    const QString file = numberedFile(grabLocalFile(m_folder, address),
                                      [this](const QString& path) { return isTaken(path); });
    m_claimed.insert(file);
    TclDownLoadItem* item = m_downloader.addItem();
    item->setUrl(address);
    item->setLocalFile(file);
    item->setLevel(page ? page->level() + 1 : 0);
    m_targets.insert(address, Target{file, State::Pending, {}});
    m_addressOf.insert(item, address);
    m_downloader.start(item);
    return {address, {}, fragment};
}

void SiteGrabber::itemEnded(TclDownLoadItem* item) {
    const auto found = m_addressOf.constFind(item);
    if (found == m_addressOf.cend())
        return;
    Target& target = m_targets[*found];
    const TransferStatus status = item->status();
    const bool saved = (status == TransferStatus::Done || status == TransferStatus::Warnings) &&
                       QFileInfo(target.localFile).isFile();
    const auto info = item->resourceInfo();
    const bool page = saved && info && info->statusCode < 400 &&
                      info->contentType.contains(QLatin1String("html"), Qt::CaseInsensitive);
    const QString file = target.localFile;
    // Resolved first: a page that links to itself waits for nobody.
    resolve(target, saved ? State::Saved : State::NoFile);
    if (page && m_grabbing)
        followLinks(item, file);
}

void SiteGrabber::followLinks(TclDownLoadItem* item, const QString& file) {
    const QByteArray bytes = readPage(file);
    if (bytes.isEmpty())
        return;
    std::optional<PageLink> baseLink;
    const QList<PageLink> links = extractPageLinks(bytes, &baseLink);
    // The links are relative to the page's <base href>, itself relative to the page.
    QString base = item->url();
    if (baseLink) {
        const QString address = grabAddress(base, baseLink->value);
        if (!address.isEmpty())
            base = address;
        else
            baseLink.reset();
    }
    if (m_options.testFlag(gaGrabFrames)) {
        for (const PageLink& link : links) {
            if (link.kind != PageLink::Kind::Frame)
                continue;
            const QString host = addressHost(grabAddress(base, link.value));
            if (!host.isEmpty())
                m_allowedHosts.insert(host);
        }
    }
    const bool browsable = m_options.testFlag(gaMakeBrowsable);
    const int id = m_nextPage++;
    PendingPage pending{file, {}, 0, baseLink, QFileInfo(file).path()};
    if (baseLink)
        pending.baseFolder = QFileInfo(grabLocalFile(m_folder, base)).path();
    for (const PageLink& link : links) {
        const LinkTarget target = addLink(link.value, item, base);
        if (!browsable || target.isNone())
            continue;
        pending.links.append({link.offset, link.length, target});
        if (!target.address.isEmpty()) {
            Target& linked = m_targets[target.address];
            if (linked.state == State::Pending) {
                linked.waitingPages.append(id);
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
    const QByteArray bytes = readPage(page.file);
    if (bytes.isEmpty())
        return;
    const QString& folder = page.baseFolder;
    QList<LinkReplacement> replacements;
    for (const PageLinkTarget& link : page.links) {
        QString file = link.target.existingFile;
        if (!link.target.address.isEmpty()) {
            const Target& target = m_targets.value(link.target.address);
            if (target.state != State::Saved)
                continue;
            file = target.localFile;
        }
        QByteArray text = relativeLink(folder, file);
        if (!link.target.fragment.isEmpty())
            text += '#' + QUrl::toPercentEncoding(link.target.fragment, "/?:@!$()*+,;=");
        replacements.append({link.offset, link.length, text});
    }
    if (page.base && !replacements.isEmpty()) {
        // The rewritten links are relative to the base, which now names the
        // base's folder in the copy.
        replacements.append({page.base->offset, page.base->length,
                             relativeFolderLink(QFileInfo(page.file).path(), folder)});
    }
    const QByteArray rewritten = replaceLinks(bytes, replacements);
    if (rewritten == bytes)
        return;
    rewritePage(page.file, bytes, rewritten);
}

void SiteGrabber::grabEnded() {
    m_grabbing = false;
    // Items stopped while they waited for their turn never ran: nothing of
    // theirs was saved.
    for (Target& target : m_targets) {
        if (target.state == State::Pending)
            resolve(target, State::NoFile);
    }
}
