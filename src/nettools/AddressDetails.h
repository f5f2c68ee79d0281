#pragma once

#include <QString>

// The machine facts of the "Details:" group, also written at the head of a
// saved network log.
struct AddressDetails {
    QString externalAddress;
    QString internalAddress;
    QString userName;
    QString computerName;
};

// The external-address page: "/myip.php" on the maker's server. The server is
// the service "MakerServer" (a host, or a URL base such as
// "http://127.0.0.1:8080").
QString externalAddressUrl();

// Downloads `url` into `file` (replacing it only when the download worked).
// False when it failed.
bool downloadToFile(const QString& url, const QString& file);

// The internal address, user and computer names (everything but the external address).
AddressDetails localAddressDetails();
