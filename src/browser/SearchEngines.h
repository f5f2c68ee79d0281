#pragma once

#include <QString>
#include <array>

// The seven search engines of the "Search" menu. Paths and query keys are
// fixed; each host is a service address ("Search" + caption) that the store
// may override.
enum class SearchEngine { Google, MSN, Lycos, AltaVista, Yahoo, Excite, Ebay };

struct SearchEngineInfo {
    SearchEngine engine;
    const char* item;  // the menu item's name
    const char* caption;
    int image;  // index into Browser.bmp
    const char* defaultHost;
    const char* pathAndKey;  // inserted after the host, before the query
    const char* suffix;      // appended after the query
};

inline constexpr std::array<SearchEngineInfo, 7> kSearchEngines{{
    {SearchEngine::Google, "TBXGoogle", "Google", 31, "www.google.com", "/search?q=", ""},
    {SearchEngine::MSN, "TBXMSN", "MSN", 28, "search.msn.com", "/results.asp?q=", ""},
    {SearchEngine::Lycos, "TBXLycos", "Lycos", 27, "search.lycos.com",
     "/main/default.asp?lpv=1&&loc=searchhp&&query=", ""},
    {SearchEngine::AltaVista, "TBXAltaVista", "AltaVista", 30, "www.altavista.com",
     "/sites/search/web?q=", "&&pg=q&&kl=XX"},
    {SearchEngine::Yahoo, "TBXYahoo", "Yahoo", 32, "search.yahoo.com", "/bin/search?p=", ""},
    {SearchEngine::Excite, "TBXExcite", "Excite", 29, "www.excite.com",
     "/search.gw?c=web&search=", ""},
    {SearchEngine::Ebay, "TBXEBay", "Ebay", 33, "search.ebay.com",
     "/search/search.dll?MfcISAPICommand=GetResult&ht=1&SortProperty=MetaEndSort&query=", ""},
}};

const SearchEngineInfo& searchEngineInfo(SearchEngine engine);

// The service name under which an engine's host may be overridden.
QString searchServiceName(SearchEngine engine);

// "http://", the host, the engine's path and key, then `query` exactly as
// typed (neither trimmed nor encoded), then the engine's suffix.
QString searchAddress(SearchEngine engine, const QString& host, const QString& query);
// The same with the engine's host from the service addresses.
QString searchAddress(SearchEngine engine, const QString& query);
