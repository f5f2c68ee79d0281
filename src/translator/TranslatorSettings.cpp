#include "TranslatorSettings.h"

#include "PageTranslation.h"
#include "Registry.h"

namespace {

constexpr const char* kKey = "\\Software\\Corvanta\\Translator";

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
        for (int i = 0; i < addressHistory.size(); ++i) {
            registry.writeString(QString::number(i), addressHistory[i]);
        }
        registry.closeKey();
    });
}
