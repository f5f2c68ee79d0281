// libFuzzer target: the favorite FTP sites read from "Favorites.Config": the
// tree the window shows, each site's fields, and a site written back.
#include "FavoriteSites.h"
#include "FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::ensureApplication();
    const QString path = fuzz::scratch().filePath(QStringLiteral("Favorites.Config"));
    fuzz::writeFile(path, fuzz::bytesOf(data, size));
    FavoritesFile file(path);

    const QList<FavoriteTreeSite> tree = readFavoriteTree(file);
    for (const FavoriteTreeSite& node : tree) {
        FUZZ_CHECK(!node.server.isEmpty() && node.details.size() == 8);
        QStringList lines;
        for (const FavoriteDetail& detail : node.details) {
            lines.append(detail.text);
        }
        const TFavoriteSite shown = siteFromFavoriteLines(node.server, lines);
        const TFavoriteSite stored = file.site(node.section);
        FUZZ_CHECK(shown.server == stored.server);
        FUZZ_CHECK(shown.passive == stored.passive && shown.ascii == stored.ascii);
        favoriteCheckFlag(stored.port);
    }

    // Writing a site back over its own section keeps it (but for line breaks
    // inside a value, which are written as blanks), and the other sections.
    const QStringList sections = file.sections();
    if (sections.isEmpty()) {
        return 0;
    }
    const QString section = sections[size % sections.size()];
    TFavoriteSite site = file.site(section);
    for (QString* text : {&site.server, &site.user, &site.password, &site.description,
                          &site.startDir, &site.port, &site.timeOut}) {
        *text = text->replace(u'\r', u' ').trimmed();
    }
    file.write(section, site);
    const TFavoriteSite reread = file.site(section);
    FUZZ_CHECK(reread.server == site.server && reread.user == site.user &&
               reread.password == site.password && reread.description == site.description &&
               reread.startDir == site.startDir && reread.port == site.port &&
               reread.timeOut == site.timeOut && reread.passive == site.passive &&
               reread.ascii == site.ascii);
    FUZZ_CHECK(file.sections() == sections);
    const QString added = file.add(site);
    FUZZ_CHECK(file.sections().size() == sections.size() + 1);
    FUZZ_CHECK(file.site(added).server == site.server);
    return 0;
}
