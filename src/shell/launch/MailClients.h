#pragma once

#include <QString>
#include <QStringList>
#include <array>
#include <optional>

#include "DesktopStandIns.h"

// The program-wide mail-client selection and what the "mail" button does with it.
namespace MailClients {

struct Client {
    const char* caption;         // the item of the "mail" drop-down
    const char* value;           // the selection ("MailClient" in the store)
    const char* webMailService;  // service-address name of a web-mail page, or null
    const char* webMailDefault;
};

inline constexpr std::array<Client, 6> kClients{{
    {"Outlook Express", "OutlookExpress", nullptr, nullptr},
    {"Outlook", "Outlook", nullptr, nullptr},
    {"Eudore", "Eudora", nullptr, nullptr},
    {"Hotmail", "Hotmail", "WebMailHotmail", "https://outlook.live.com/"},
    {"Yahoo", "Yahoo", "WebMailYahoo", "https://mail.yahoo.com/"},
    {"Google", "Google", "WebMailGoogle", "https://mail.google.com/"},
}};

inline constexpr const char* kDefault = "OutlookExpress";
inline constexpr const char* kChooseFirst =
    "Press on the arrow and Choose a Default Mail Client First";

// The client whose value is exactly `selection` (case matters), if any.
const Client* find(const QString& selection);

// The selection read at start from a stored text: an empty text means the default.
QString fromStored(const QString& stored);

// The web-mail page of a web-mail client (the address the store may override).
QString webMailAddress(const Client& client);

// The desktop program that stands in for a mail program.
StandIn programStandIn(const Client& client);

// The hint of the "mail" button for the accounts with unread mail, or nothing
// when there are none (the hint then stays as it was).
std::optional<QString> unreadMailHint(const QStringList& accounts);

}  // namespace MailClients
