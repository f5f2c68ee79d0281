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

QString searchAddress(SearchEngine engine, const QString& host, const QString& query) {
    const SearchEngineInfo& info = searchEngineInfo(engine);
    return QStringLiteral("http://") + host + QLatin1String(info.pathAndKey) + query +
           QLatin1String(info.suffix);
}

QString searchAddress(SearchEngine engine, const QString& query) {
    const QString host = ServiceAddress::get(searchServiceName(engine),
                                             QLatin1String(searchEngineInfo(engine).defaultHost));
    return searchAddress(engine, host, query);
}
