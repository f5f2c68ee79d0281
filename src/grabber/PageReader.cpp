#include "PageReader.h"

#include <QDir>
#include <QFileInfo>
#include <QHostAddress>
#include <QHostInfo>
#include <QUrl>

#include "GrabFolder.h"
#include "GrabRules.h"

namespace {

// True when a host name is taken to a local network address.
bool resolvesPrivate(const QString& host) {
    if (isPrivateHost(host))
        return true;
    if (!QHostAddress(host).isNull())
        return false;
    const QHostInfo info = QHostInfo::fromName(host);
    for (const QHostAddress& address : info.addresses()) {
        if (isPrivateHost(address.toString()))
            return true;
    }
    return false;
}

QString fragmentOf(const QString& link) {
    const qsizetype hash = link.indexOf(QLatin1Char('#'));
    return hash < 0 ? QString() : link.mid(hash + 1);
}

// The file of the copy a link of an earlier page names, when it lies in the folder.
QString copyFileOf(const QUrl& localBase, const QString& link, const QString& folder) {
    const QUrl url = localBase.resolved(QUrl(link, QUrl::TolerantMode));
    if (!url.isLocalFile())
        return {};
    const QString file = QDir::cleanPath(url.toLocalFile());
    return file.startsWith(folder + QLatin1Char('/')) ? file : QString();
}

}  // namespace

namespace PageReader {

bool Resolved::find(const QString& key, Link* link) const {
    QMutexLocker locker(&m_lock);
    const auto found = m_entries.constFind(key);
    if (found == m_entries.cend())
        return false;
    link->address = found->address;
    link->host = found->host;
    link->localFile = found->localFile;
    return true;
}

void Resolved::insert(const QString& key, const Link& link) {
    QMutexLocker locker(&m_lock);
    if (m_entries.size() < 200000)
        m_entries.insert(key, {link.address, link.host, link.localFile});
}

Page read(const Request& request) {
    Page page;
    QByteArray bytes;
    PageParse parsed;
    if (!GrabFolder::read(request.file, kLargestRead, &bytes)) {
        page.refusal = QStringLiteral("the file cannot be read");
        return page;
    }
    if (request.sheet) {
        parsed.links = extractStyleLinks(bytes);
    } else {
        parsed = parsePage(bytes);
    }
    if (!parsed.refusal.isEmpty()) {
        page.refusal = parsed.refusal;
        return page;
    }
    // The links are relative to the page's <base href>, itself relative to the page.
    const QString folder = QDir::cleanPath(request.folder);
    QUrl base(request.address);
    QUrl localBase = QUrl::fromLocalFile(request.file);
    page.baseFolder = QFileInfo(request.file).path();
    if (parsed.base) {
        const QString resolved = grabAddress(request.address, parsed.base->value);
        if (!resolved.isEmpty()) {
            page.base = parsed.base;
            base = QUrl(resolved);
            localBase = localBase.resolved(QUrl(parsed.base->value));
            // An earlier grab wrote the base as the folder of the copy.
            page.baseFolder = request.earlier ? QFileInfo(localBase.toLocalFile()).path()
                                              : QFileInfo(grabLocalFile(folder, resolved)).path();
        }
    }
    const QString baseText = base.toString();
    // A link with a path of its own resolves alike from any page of the folder.
    const QString baseFolder =
        baseText.left(baseText.lastIndexOf(QLatin1Char('/')) + 1) + QLatin1Char(' ');
    page.links.reserve(parsed.links.size());
    for (const PageLink& found : parsed.links) {
        Link link;
        link.kind = found.kind;
        link.offset = found.offset;
        link.length = found.length;
        link.hash = found.value.contains(QLatin1Char('#'));
        link.fragment = fragmentOf(found.value);
        // A jump inside the page needs nothing.
        const QString value = found.value.trimmed();
        if (!value.startsWith(QLatin1Char('#'))) {
            const bool shared = request.resolved && !value.isEmpty() &&
                                !value.startsWith(QLatin1Char('?')) && !base.hasQuery();
            const QString key = shared ? baseFolder + found.value : QString();
            if (!shared || !request.resolved->find(key, &link)) {
                link.address = grabAddress(baseText, found.value);
                link.host = addressHost(link.address);
                if (!link.address.isEmpty())
                    link.localFile = grabLocalFile(folder, link.address);
                if (shared)
                    request.resolved->insert(key, link);
            }
            if (request.earlier)
                link.copyFile = copyFileOf(localBase, found.value, folder);
        }
        if (link.kind == PageLink::Kind::Frame && !link.host.isEmpty() &&
            !isOnSite(link.host, request.rootHost) && !page.privateHosts.contains(link.host) &&
            resolvesPrivate(link.host))
            page.privateHosts.insert(link.host);
        page.links.append(link);
    }
    return page;
}

QString rewrite(const Rewrite& rewrite) {
    QList<LinkReplacement> replacements;
    replacements.reserve(rewrite.targets.size() + 1);
    for (const Rewrite::Target& target : rewrite.targets) {
        QByteArray text = relativeLink(rewrite.folder, target.file);
        if (!target.fragment.isEmpty())
            text += '#' + QUrl::toPercentEncoding(target.fragment, "/?:@!$()*+,;=");
        replacements.append({target.offset, target.length, text});
    }
    if (rewrite.base && !replacements.isEmpty()) {
        // The rewritten links are relative to the base, which now names the
        // base's folder in the copy.
        replacements.append({rewrite.base->offset, rewrite.base->length,
                             relativeFolderLink(QFileInfo(rewrite.file).path(), rewrite.folder)});
    }
    QByteArray bytes;
    if (replacements.isEmpty() || !GrabFolder::read(rewrite.file, kLargestRead, &bytes))
        return {};
    const QByteArray rewritten = replaceLinks(bytes, replacements);
    if (rewritten == bytes)
        return {};
    return GrabFolder::replace(rewrite.file, rewrite.identity, bytes, rewritten);
}

}  // namespace PageReader
