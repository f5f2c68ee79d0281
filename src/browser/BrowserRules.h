#pragma once

#include <QString>

// The browser window's fixed texts and small rules, kept apart from the
// widgets so that they can be checked without a window.
namespace BrowserRules {

// Added to the engine's own user agent as an extra token (never replacing it).
inline constexpr const char* kUserAgentText =
    "Mozilla/4.0 (compatible; MSIE 5.01; Windows NT 5.0; Corvanta 0.06)";
// Where the token is recorded while a browser window exists: a value named by
// the whole text, with empty data.
inline constexpr const char* kUserAgentKey =
    "\\Software\\Corvanta\\Internet Settings\\User Agent\\Post Platform";

inline constexpr const char* kSettingsKey = "\\Software\\Corvanta\\BrowserSettings";
inline constexpr const char* kSearchKey = "\\Software\\Corvanta\\BrowserSearch";
inline constexpr const char* kHistoryKey = "\\Software\\Corvanta\\BrowserHistory";

// The start page's name for the local blank page, and what the address box
// shows for any address that mentions "blank".
inline constexpr const char* kBlankAddress = "About : Blank";
inline constexpr const char* kMessageCaption = "Corvanta Message-box";

// The progress panel for a ProgressChange(progress, maximum).
struct ProgressDisplay {
    bool visible;
    int position;  // 0..100 for the bar
    QString text;  // the panel's caption
};
ProgressDisplay progressDisplay(int progress, int maximum);

// The view items' captions after a toggle to `checked`.
QString mainToolbarCaption(bool checked);
QString accessoriesToolbarCaption(bool checked);

// "Web Site Name: " and the location name, as the title panel's hint.
QString siteNameHint(const QString& locationName);
// The frame's caption while a page with that location name is shown.
QString frameCaption(const QString& locationName);
// "Address: " and the location address, panel 0's hint once loading is done.
QString doneHint(const QString& locationAddress);

// The URL-translation rule: the visible address text to show instead of
// `text` (unchanged unless it contains "blank", compared with case).
QString translatedAddressText(const QString& text);

// What the start-up opens for the stored "StartPage".
enum class StartPage { Address, LocalBlankPage, Nothing };
StartPage startPageChoice(const QString& storedStartPage, bool startPageRead, bool blankPageExists);

// The project page opened by "Home": the suite's one project address.
QString homeAddress();

}  // namespace BrowserRules
