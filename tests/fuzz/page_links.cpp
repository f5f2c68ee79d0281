// libFuzzer target: what the Web Site Grabber reads from a page: its links,
// the addresses and local files made of them, and the page rewritten with
// links in place of links.
#include <QDir>

#include "FuzzSupport.h"
#include "GrabRules.h"
#include "PageLinks.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArrayView page = fuzz::bytesOf(data, size);
    const QList<PageLink> links = extractPageLinks(page);
    QList<LinkReplacement> unchanged;
    const QString folder = QStringLiteral("/site");
    for (const PageLink& link : links) {
        FUZZ_CHECK(!link.value.isEmpty());
        FUZZ_CHECK(link.offset >= 0 && link.length >= 0 &&
                   link.offset + link.length <= page.size());
        unchanged.append(
            {link.offset, link.length, page.sliced(link.offset, link.length).toByteArray()});
        // Whatever the link, its file lies inside the grab's folder.
        const QString address =
            grabAddress(QStringLiteral("http://example.com/a/b.html"), link.value);
        const QString file = grabLocalFile(folder, address);
        FUZZ_CHECK(file.startsWith(folder + u'/') && QDir::cleanPath(file) == file);
        relativeLink(QStringLiteral("/site/a"), file);
    }
    // Putting every link's own text back gives the page again.
    FUZZ_CHECK(replaceLinks(page, unchanged) == page);
    return 0;
}
