#pragma once

#include <QStringList>

#include "TranslationEngine.h"

// The translator's values in the settings store, under
// "\Software\Corvanta\Translator": `SelectedTranslation` (the language box's
// index, -1 for none), the page-address history as texts "0" to "7", and the
// engine: "TranslationEngine" ("local", "web" or "libretranslate") with
// "LibreTranslateApiKey" for a server that wants a key.
struct TranslatorSettings {
    int selectedTranslation = -1;
    QStringList addressHistory;  // most recent first
    EngineSettings engine;

    // Reads what is stored; a missing key or value leaves the default. Failures
    // of the store are swallowed: the window then starts with what it has.
    static TranslatorSettings read();
    // Writes both, creating the key; a store that cannot be written is ignored
    // (the window closes all the same).
    void write() const;
};
