#include "PageCommandRules.h"

#include <array>
#include <cmath>

namespace PageCommandRules {

namespace {

// Steps that read as one size apart, as the five text sizes have always done.
constexpr std::array<double, 5> kZoomBySize{0.75, 0.875, 1.0, 1.25, 1.5};

}  // namespace

double zoomForTextSize(int size) {
    if (size < kSmallestTextSize || size > kLargestTextSize)
        return 1.0;
    return kZoomBySize[size];
}

int textSizeForZoom(double zoom) {
    for (int size = kSmallestTextSize; size <= kLargestTextSize; ++size) {
        // The engine keeps the factor as a zoom level: allow for the round trip.
        if (std::abs(kZoomBySize[size] - zoom) < 0.001)
            return size;
    }
    return -1;
}

bool refusedOffline(const QUrl& url) {
    const QString scheme = url.scheme().toLower();
    return scheme == QLatin1String("http") || scheme == QLatin1String("https") ||
           scheme == QLatin1String("ftp") || scheme == QLatin1String("ws") ||
           scheme == QLatin1String("wss");
}

QString mailAddressForPage(const QString& locationName, const QString& locationAddress) {
    const QString body = QStringLiteral("Check this site:    ") + locationName +
                         QStringLiteral("     ") + locationAddress;
    return QStringLiteral("mailto:?body=") + QString::fromLatin1(QUrl::toPercentEncoding(body));
}

QString maximizeCaption(bool maximized) {
    return maximized ? QStringLiteral("View Normal") : QStringLiteral("View Maximize");
}

HostFlags startHostFlags() {
    return HostFlag::DisableScriptInactive | HostFlag::FlatScrollBar | HostFlag::DivBlockDefault |
           HostFlag::UrlEncodingEnableUtf8 | HostFlag::EnableFormsAutocomplete |
           HostFlag::EnableInplaceNavigation | HostFlag::Theme;
}

HostFlags bordersHostFlags(bool checked) {
    if (checked) {
        return HostFlag::No3DBorder | HostFlag::DisableScriptInactive | HostFlag::FlatScrollBar |
               HostFlag::DivBlockDefault | HostFlag::UrlEncodingEnableUtf8 |
               HostFlag::EnableFormsAutocomplete | HostFlag::EnableInplaceNavigation |
               HostFlag::Theme | HostFlag::No3DOuterBorder;
    }
    return HostFlag::No3DBorder | HostFlag::ScrollNo | HostFlag::DisableScriptInactive |
           HostFlag::DivBlockDefault | HostFlag::UrlEncodingEnableUtf8 |
           HostFlag::EnableFormsAutocomplete | HostFlag::EnableInplaceNavigation |
           HostFlag::NoTheme;
}

ViewBorder viewBorder(HostFlags flags) {
    if (!flags.testFlag(HostFlag::No3DBorder))
        return ViewBorder::Sunken;
    return flags.testFlag(HostFlag::No3DOuterBorder) ? ViewBorder::None : ViewBorder::Flat;
}

bool showsScrollBars(HostFlags flags) {
    return !flags.testFlag(HostFlag::ScrollNo);
}

}  // namespace PageCommandRules
