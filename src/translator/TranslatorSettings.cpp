#include "TranslatorSettings.h"

#include "PageTranslation.h"
#include "Registry.h"

namespace {

constexpr const char* kKey = "\\Software\\Corvanta\\Translator";
constexpr const char* kEngine = "TranslationEngine";
constexpr const char* kApiKey = "LibreTranslateApiKey";

// Settings failures never stop the window; this is the one place they end.
template <typename Work>
void ignoringStoreErrors(Work&& work) {
    try {
        work();
    } catch (const AppError&) {
    }
}

}  // namespace

TranslatorSettings TranslatorSettings::read() {
    TranslatorSettings settings;
    ignoringStoreErrors([&settings] {
        Registry registry;
        if (!registry.openKey(kKey, false))
            return;
        for (int i = 0; i < PageTranslation::kHistorySize; ++i) {
            const QString entry = registry.readString(QString::number(i));
            if (!entry.isEmpty())
                settings.addressHistory.append(entry);
        }
        // Texts first: a missing integer ends the block.
        settings.engine.kind = engineKindFromSetting(registry.readString(kEngine));
        settings.engine.libreTranslateApiKey = registry.readString(kApiKey);
        settings.selectedTranslation = registry.readInteger("SelectedTranslation");
    });
    return settings;
}

void TranslatorSettings::write() const {
    ignoringStoreErrors([this] {
        Registry registry;
        if (!registry.openKey(kKey, true))
            return;
        registry.writeInteger("SelectedTranslation", selectedTranslation);
        registry.writeString(kEngine, engineSettingText(engine.kind));
        registry.writeString(kApiKey, engine.libreTranslateApiKey);
        for (int i = 0; i < addressHistory.size(); ++i) {
            registry.writeString(QString::number(i), addressHistory[i]);
        }
        registry.closeKey();
    });
}
