#include "ShellFolders.h"

#include <QDir>

#include "Paths.h"
#include "Registry.h"

namespace ShellFolders {

QString path(const QString& name) {
    try {
        Registry registry;
        if (registry.openKey(kKey, false)) {
            const QString stored = registry.readString(name);
            if (!stored.isEmpty())
                return stored;
        }
        const QString seeded = Paths::userDataFolder() + "/" + name;
        QDir().mkpath(seeded);
        registry.openKey(kKey, true);
        registry.writeString(name, seeded);
        return seeded;
    } catch (const AppError&) {
        return QString();
    }
}

}  // namespace ShellFolders
