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

// The external-address page: a service that answers the caller's address as
// plain text. The service value is the page's whole address, so any such
// service can be set; one without a scheme is taken as https.
inline constexpr const char* kExternalAddressService = "ExternalAddressPage";
inline constexpr const char* kExternalAddressDefault = "https://api.ipify.org";
QString externalAddressUrl();

// Downloads `url` into `file` (replacing it only when the download worked).
// False when it failed.
bool downloadToFile(const QString& url, const QString& file);

// The internal address, user and computer names (everything but the external address).
AddressDetails localAddressDetails();
