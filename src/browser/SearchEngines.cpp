#include "SearchEngines.h"

#include "ServiceAddress.h"

const SearchEngineInfo& searchEngineInfo(SearchEngine engine) {
    for (const SearchEngineInfo& info : kSearchEngines) {
        if (info.engine == engine)
            return info;
    }
    return kSearchEngines.front();
}

QString searchServiceName(SearchEngine engine) {
    return QStringLiteral("Search") + QLatin1String(searchEngineInfo(engine).caption);
}

QString searchAddress(SearchEngine engine, const QString& site, const QString& query) {
    const SearchEngineInfo& info = searchEngineInfo(engine);
    QString address = site;
    if (!address.contains(QLatin1String("://")))
        address.prepend(QLatin1String("https://"));
    while (address.endsWith(u'/'))
        address.chop(1);
    return address + QLatin1String(info.pathAndKey) + query + QLatin1String(info.suffix);
}

QString searchAddress(SearchEngine engine, const QString& query) {
    const QString site = ServiceAddress::get(searchServiceName(engine),
                                             QLatin1String(searchEngineInfo(engine).defaultSite));
    return searchAddress(engine, site, query);
}
