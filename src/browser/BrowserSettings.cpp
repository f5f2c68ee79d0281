#include "BrowserSettings.h"

#include "BrowserRules.h"
#include "RecentSearches.h"
#include "Registry.h"
#include "TypedAddresses.h"

BrowserSettings BrowserSettings::read() {
    BrowserSettings settings;
    try {
        Registry registry;
        if (registry.openKey(BrowserRules::kSearchKey, false)) {
            settings.searches = readNumberedList(registry, RecentSearches::kStored);
        }
        if (registry.openKey(BrowserRules::kSettingsKey, false)) {
            settings.startPage = registry.readString(QStringLiteral("StartPage"));
            settings.startPageRead = true;
            settings.accessoriesToolbar = registry.readBool(QStringLiteral("TBXHideMTB"));
            settings.favoritesPanel = registry.readBool(QStringLiteral("TBXFavoritesTB"));
            settings.historyPanel = registry.readBool(QStringLiteral("TBXHistoryTB"));
            settings.cookiesPanel = registry.readBool(QStringLiteral("TBXCookiesTB"));
            settings.blocker = registry.readBool(QStringLiteral("Blocker"));
        }
    } catch (const AppError&) {
        // Settings that cannot be read leave the window's defaults.
    }
    return settings;
}

void BrowserSettings::write(const BrowserSettings& settings, const QStringList& addresses) {
    try {
        Registry registry;
        if (registry.openKey(BrowserRules::kSettingsKey, true)) {
            registry.writeBool(QStringLiteral("TBXHideMTB"), settings.accessoriesToolbar);
            registry.writeBool(QStringLiteral("TBXFavoritesTB"), settings.favoritesPanel);
            registry.writeBool(QStringLiteral("TBXHistoryTB"), settings.historyPanel);
            registry.writeBool(QStringLiteral("TBXCookiesTB"), settings.cookiesPanel);
            registry.writeBool(QStringLiteral("Blocker"), settings.blocker);
            registry.closeKey();
        }
        if (registry.openKey(BrowserRules::kHistoryKey, true)) {
            writeNumberedList(registry, addresses);
            registry.closeKey();
        }
        if (registry.openKey(BrowserRules::kSearchKey, true)) {
            writeNumberedList(registry, settings.searches);
            registry.closeKey();
        }
    } catch (const AppError&) {
        // Destruction cannot report; an unwritable store keeps what it had.
    }
}

void BrowserSettings::clearOwnHistory() {
    Registry registry;
    for (const char* key : {BrowserRules::kHistoryKey, BrowserRules::kSearchKey}) {
        if (registry.keyExists(QLatin1String(key)))
            registry.deleteKey(QLatin1String(key));
    }
}

void BrowserSettings::clearSearchHistory() {
    Registry registry;
    if (registry.keyExists(QLatin1String(BrowserRules::kSearchKey)))
        registry.deleteKey(QLatin1String(BrowserRules::kSearchKey));
}

BrowserPreferences BrowserPreferences::read() {
    BrowserPreferences preferences;
    try {
        Registry registry;
        if (registry.openKey(BrowserRules::kSettingsKey, false)) {
            if (registry.valueExists(QStringLiteral("StartPage")))
                preferences.startPage = registry.readString(QStringLiteral("StartPage"));
            if (registry.valueExists(QStringLiteral("MailClient")))
                preferences.mailClient = registry.readString(QStringLiteral("MailClient"));
        }
    } catch (const AppError&) {
        // An unreadable store opens the dialog empty, as a first run does.
    }
    return preferences;
}

void BrowserPreferences::write(const BrowserPreferences& preferences) {
    Registry registry;
    if (!registry.openKey(BrowserRules::kSettingsKey, true))
        throw AppError(QStringLiteral("The browser settings could not be stored."));
    registry.writeString(QStringLiteral("StartPage"), preferences.startPage);
    registry.writeString(QStringLiteral("MailClient"), preferences.mailClient);
    registry.closeKey();
}
