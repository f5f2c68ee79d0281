#include "AddressDetails.h"

#include <QSaveFile>

#include "HostNames.h"
#include "PlainHttp.h"
#include "ServiceAddress.h"

QString externalAddressUrl() {
    QString page = ServiceAddress::get(QLatin1String(kExternalAddressService),
                                       QLatin1String(kExternalAddressDefault));
    if (!page.contains(QStringLiteral("://")))
        page.prepend(QStringLiteral("https://"));
    return page;
}

bool downloadToFile(const QString& url, const QString& file) {
    PlainHttp::Options options;
    options.timeoutMs = 15000;
    options.maximumBodySize = 64 * 1024;  // the page names one address
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
