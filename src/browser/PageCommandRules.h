#pragma once

#include <QFlags>
#include <QString>
#include <QUrl>

// The rules behind the browser window's page commands, apart from the
// widgets and the engine so that they can be checked without a window.
namespace PageCommandRules {

// Text sizes as the menu numbers them: 0 the smallest, 4 the largest, 2 the
// page as it was written.
inline constexpr int kSmallestTextSize = 0;
inline constexpr int kLargestTextSize = 4;
inline constexpr int kMediumTextSize = 2;

// The engine's zoom factor for a text size; 1.0 for a number outside 0..4.
double zoomForTextSize(int size);
// The text size a zoom factor stands for, or -1 when it is none of the five.
int textSizeForZoom(double zoom);

// Whether a request for `url` is refused while the window works offline:
// everything that would go out on the network. Local files, content handed
// over and the engine's own pages still load.
bool refusedOffline(const QUrl& url);

// "Send The URL In Mail": a new message whose body names the page. The body
// is percent-encoded so that a title holding "&", "#" or "%" reaches the mail
// program whole instead of ending the body there.
QString mailAddressForPage(const QString& locationName, const QString& locationAddress);

// "View Maximize": the item's caption once the window is in the new state.
QString maximizeCaption(bool maximized);

// The host's user-interface flags, as the engine is told them.
enum class HostFlag {
    No3DBorder = 0x1,
    ScrollNo = 0x2,
    DisableScriptInactive = 0x4,
    FlatScrollBar = 0x8,
    DivBlockDefault = 0x10,
    UrlEncodingEnableUtf8 = 0x20,
    EnableFormsAutocomplete = 0x40,
    EnableInplaceNavigation = 0x80,
    Theme = 0x100,
    NoTheme = 0x200,
    No3DOuterBorder = 0x400,
};
Q_DECLARE_FLAGS(HostFlags, HostFlag)

// The set every window starts with.
HostFlags startHostFlags();
// "Hide 3D Borders" after a toggle to `checked`: the whole set is replaced.
HostFlags bordersHostFlags(bool checked);

// How the window draws what the flags ask for.
enum class ViewBorder { Sunken, Flat, None };
ViewBorder viewBorder(HostFlags flags);
bool showsScrollBars(HostFlags flags);

}  // namespace PageCommandRules

Q_DECLARE_OPERATORS_FOR_FLAGS(PageCommandRules::HostFlags)
