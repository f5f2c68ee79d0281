#pragma once

#include <QString>
#include <QStringList>

// A browser window's stored settings: read in one guarded block at start-up,
// written in one block at destruction.
struct BrowserSettings {
    QString startPage;
    bool startPageRead = false;
    bool accessoriesToolbar = false;  // "TBXHideMTB"
    bool favoritesPanel = false;      // "TBXFavoritesTB"
    bool historyPanel = false;        // "TBXHistoryTB"
    bool cookiesPanel = false;        // "TBXCookiesTB"
    bool blocker = false;             // "Blocker"
    QStringList searches;             // "BrowserSearch" 0..8, empty ones skipped

    // The start-up block: any failure (a missing or non-numeric Boolean, an
    // unusable store) ends it silently; what was read before stays read.
    static BrowserSettings read();

    // Destruction: the five Booleans under "BrowserSettings", then the address
    // entries under "BrowserHistory" and the searches under "BrowserSearch".
    // Higher-numbered values of an earlier, longer list are left in place.
    static void write(const BrowserSettings& settings, const QStringList& addresses);

    // ClearOwnHistory: deletes the stored address list ("BrowserHistory") and
    // search list ("BrowserSearch"). Open windows keep theirs and store them
    // again when they are destroyed. Throws AppError when the store fails.
    static void clearOwnHistory();
    // "Clear Corvanta Search History": deletes the stored search list only.
    static void clearSearchHistory();
};

// What the browser preferences dialog reads when it opens and writes when it
// closes, under "BrowserSettings".
struct BrowserPreferences {
    QString startPage;   // "StartPage"
    QString mailClient;  // "MailClient"

    // Missing values read as empty texts; an unusable store reads as nothing.
    static BrowserPreferences read();
    // Creates the key when missing. Throws AppError when the store fails.
    static void write(const BrowserPreferences& preferences);
};
