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
    // to a closed loopback port, the one the test process holds when it names
    // one (port 9 is only closed where no discard service runs).
    if (qEnvironmentVariableIsSet("CORVANTA_TEST")) {
        const int held = qEnvironmentVariableIntValue("CORVANTA_TEST_CLOSED_PORT");
        const int port = held > 0 && held < 65536 ? held : 9;
        if (defaultAddress.contains("://")) {
            QUrl url(defaultAddress);
            url.setHost("127.0.0.1");
            url.setPort(port);
            return url.toString();
        }
        // A bare host (a WhoIs server) would be asked on its well-known
        // port, where a system service may listen: name the closed port.
        return QStringLiteral("127.0.0.1:%1").arg(port);
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
