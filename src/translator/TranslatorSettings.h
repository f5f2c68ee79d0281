#pragma once

#include <QStringList>

// The translator's values in the settings store, under
// "\Software\Corvanta\Translator": `SelectedTranslation` (the language box's
// index, -1 for none) and the page-address history as texts "0" to "7".
struct TranslatorSettings {
    int selectedTranslation = -1;
    QStringList addressHistory;  // most recent first

    // Reads what is stored; a missing key or value leaves the default. Failures
    // of the store are swallowed: the window then starts with what it has.
    static TranslatorSettings read();
    // Writes both, creating the key; a store that cannot be written is ignored
    // (the window closes all the same).
    void write() const;
};
