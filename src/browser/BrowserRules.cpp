#include "BrowserRules.h"

#include "ServiceAddress.h"

namespace BrowserRules {

ProgressDisplay progressDisplay(int progress, int maximum) {
    if (progress < 1 || maximum < 2)
        return {false, 1, QString()};
    // The engine's maximum is 10000 for pages; other maxima make the two differ
    // on purpose (7 of 10 shows the bar at 70 and the text "0 %").
    const int position = int(qint64(progress) * 100 / maximum);
    return {true, position, QString::number(progress / 100) + QStringLiteral(" %")};
}

QString mainToolbarCaption(bool checked) {
    return checked ? QStringLiteral("Hide The Browser Main Toolbar")
                   : QStringLiteral("Show The Browser Main Toolbar");
}

QString accessoriesToolbarCaption(bool checked) {
    return checked ? QStringLiteral("Hide The Accesories Toolbar")
                   : QStringLiteral("Show The Accesories Toolbar");
}

QString siteNameHint(const QString& locationName) {
    return QStringLiteral("Web Site Name: ") + locationName;
}

QString frameCaption(const QString& locationName) {
    return siteNameHint(locationName) + QStringLiteral("      Corvanta");
}

QString doneHint(const QString& locationAddress) {
    return QStringLiteral("Address: ") + locationAddress;
}

QString translatedAddressText(const QString& text) {
    return text.contains(QStringLiteral("blank"), Qt::CaseSensitive)
               ? QString::fromLatin1(kBlankAddress)
               : text;
}

StartPage startPageChoice(const QString& storedStartPage, bool startPageRead,
                          bool blankPageExists) {
    if (startPageRead && !storedStartPage.isEmpty() &&
        storedStartPage != QLatin1String(kBlankAddress)) {
        return StartPage::Address;
    }
    return blankPageExists ? StartPage::LocalBlankPage : StartPage::Nothing;
}

QString homeAddress() {
    return ServiceAddress::projectSite();
}

}  // namespace BrowserRules
