#pragma once

#include <QString>

// The two outside services of the translator. Their addresses are constants of
// the program that the settings store may override (ServiceAddress).
namespace TranslationServices {

inline constexpr const char* kTextName = "Translation";
inline constexpr const char* kTextDefault = "http://www.systranbox.com";
inline constexpr const char* kPageName = "PageTranslation";
inline constexpr const char* kPageDefault = "http://babelfish.altavista.com";

// A service address (scheme and host, with or without a final "/") followed
// by `pathAndQuery`, which starts with "/".
inline QString url(QString serviceAddress, const QString& pathAndQuery) {
    while (serviceAddress.endsWith(u'/'))
        serviceAddress.chop(1);
    return serviceAddress + pathAndQuery;
}

}  // namespace TranslationServices
