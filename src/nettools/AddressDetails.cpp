#include "AddressDetails.h"

#include <QSaveFile>

#include "HostNames.h"
#include "PlainHttp.h"
#include "ServiceAddress.h"

QString externalAddressUrl() {
    QString server = ServiceAddress::get(QStringLiteral("MakerServer"),
                                         QStringLiteral("http://www.corvanta.net"));
    if (!server.contains(QStringLiteral("://")))
        server.prepend(QStringLiteral("http://"));
    while (server.endsWith(QLatin1Char('/')))
        server.chop(1);
    return server + QStringLiteral("/myip.php");
}

bool downloadToFile(const QString& url, const QString& file) {
    PlainHttp::Options options;
    options.timeoutMs = 15000;
    const PlainHttp::Result result = PlainHttp::get(url, options);
    if (!result.ok)
        return false;
    QSaveFile out(file);
    if (!out.open(QIODevice::WriteOnly))
        return false;
    out.write(result.body);
    return out.commit();
}

AddressDetails localAddressDetails() {
    AddressDetails details;
    details.internalAddress = HostNames::internalAddress();
    details.userName = HostNames::userName();
    details.computerName = HostNames::computerName();
    return details;
}
