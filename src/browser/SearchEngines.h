#pragma once

#include <QString>
#include <array>

// The seven search engines of the "Search" menu. Each engine's site (scheme
// and host) is a service address ("Search" + caption) that the store may
// override. An engine that still exists is reached at its current host over
// https; the item of an engine that is gone keeps its caption and reaches its
// successor's search page (MSN's search is now Bing's, AltaVista's Yahoo's).
enum class SearchEngine { Google, MSN, Lycos, AltaVista, Yahoo, Excite, Ebay };

struct SearchEngineInfo {
    SearchEngine engine;
    const char* item;  // the menu item's name
    const char* caption;
    int image;                // index into Browser.bmp
    const char* defaultSite;  // scheme and host
    const char* pathAndKey;   // inserted after the site, before the query
    const char* suffix;       // appended after the query
};

inline constexpr std::array<SearchEngineInfo, 7> kSearchEngines{{
    {SearchEngine::Google, "TBXGoogle", "Google", 31, "https://www.google.com", "/search?q=", ""},
    {SearchEngine::MSN, "TBXMSN", "MSN", 28, "https://www.bing.com", "/search?q=", ""},
    {SearchEngine::Lycos, "TBXLycos", "Lycos", 27, "https://search.lycos.com", "/web/?q=", ""},
    {SearchEngine::AltaVista, "TBXAltaVista", "AltaVista", 30, "https://search.yahoo.com",
     "/search?p=", ""},
    {SearchEngine::Yahoo, "TBXYahoo", "Yahoo", 32, "https://search.yahoo.com", "/search?p=", ""},
    {SearchEngine::Excite, "TBXExcite", "Excite", 29, "https://results.excite.com", "/serp?q=", ""},
    {SearchEngine::Ebay, "TBXEBay", "Ebay", 33, "https://www.ebay.com", "/sch/i.html?_nkw=", ""},
}};

const SearchEngineInfo& searchEngineInfo(SearchEngine engine);

// The service name under which an engine's site may be overridden.
QString searchServiceName(SearchEngine engine);

// The site ("https://" is assumed where it names no scheme), the engine's path
// and key, then `query` exactly as typed (neither trimmed nor encoded), then
// the engine's suffix.
QString searchAddress(SearchEngine engine, const QString& site, const QString& query);
// The same with the engine's site from the service addresses.
QString searchAddress(SearchEngine engine, const QString& query);
