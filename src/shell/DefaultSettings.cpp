#include "DefaultSettings.h"

#include "Registry.h"

namespace DefaultSettings {

QStringList keptKeys() {
    return {QStringLiteral("Services"), QStringLiteral("TypedURLs"),
            QStringLiteral("Internet Settings")};
}

void restore() {
    Registry registry;
    if (!registry.openKey(QLatin1String(kRootKey), false))
        return;
    const QStringList kept = keptKeys();
    bool keptAny = false;
    for (const QString& name : registry.getKeyNames()) {
        if (kept.contains(name, Qt::CaseInsensitive)) {
            keptAny = true;
        } else {
            registry.deleteKey(name);
        }
    }
    for (const QString& name : registry.getValueNames())
        registry.deleteValue(name);
    if (!keptAny)
        registry.deleteKey(QLatin1String(kRootKey));
}

}  // namespace DefaultSettings
