#include "ServiceAddress.h"

#include <QUrl>

#include "Registry.h"

namespace ServiceAddress {

QString get(const QString& name, const QString& defaultAddress) {
    try {
        Registry registry;
        if (registry.openKey(kServicesKey, false) && registry.valueExists(name)) {
            const QString stored = registry.readString(name);
            if (!stored.isEmpty())
                return stored;
        }
    } catch (const RegistryError&) {
        // An unreadable store falls back to the built-in address.
    }
    // Test runs never reach a real service: anything not pointed elsewhere goes
    // to a closed loopback port.
    if (qEnvironmentVariableIsSet("CORVANTA_TEST")) {
        if (defaultAddress.contains("://")) {
            QUrl url(defaultAddress);
            url.setHost("127.0.0.1");
            url.setPort(9);
            return url.toString();
        }
        // A bare host (a WhoIs server) would be asked on its well-known
        // port, where a system service may listen: name the closed port.
        return QStringLiteral("127.0.0.1:9");
    }
    return defaultAddress;
}

void set(const QString& name, const QString& address) {
    Registry registry;
    registry.openKey(kServicesKey, true);
    registry.writeString(name, address);
}

QString projectSite() {
    return get(QLatin1String(kProjectSiteName), QLatin1String(kProjectSiteDefault));
}

}  // namespace ServiceAddress
