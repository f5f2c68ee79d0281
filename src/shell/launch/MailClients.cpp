#include "MailClients.h"

#include "ServiceAddress.h"

namespace MailClients {

const Client* find(const QString& selection) {
    for (const Client& client : kClients) {
        if (selection == QLatin1String(client.value))
            return &client;
    }
    return nullptr;
}

QString fromStored(const QString& stored) {
    return stored.isEmpty() ? QString::fromLatin1(kDefault) : stored;
}

QString webMailAddress(const Client& client) {
    if (!client.webMailService)
        return QString();
    return ServiceAddress::get(QLatin1String(client.webMailService),
                               QLatin1String(client.webMailDefault));
}

StandIn programStandIn(const Client& client) {
    // The first client is the desktop's own mail program; the other two name
    // the kind of program they were, each falling back to the desktop's own.
    const QString value = QLatin1String(client.value);
    QStringList ids;
    if (value == QLatin1String("Outlook")) {
        ids = QStringList{"org.gnome.Evolution", "org.kde.kontact", "org.kde.kmail2"};
    } else if (value == QLatin1String("Eudora")) {
        ids = QStringList{"org.mozilla.Thunderbird",
                          "thunderbird",
                          "net.thunderbird.Thunderbird",
                          "claws-mail",
                          "sylpheed",
                          "org.gnome.Geary"};
    }
    return {ids, QStringLiteral("x-scheme-handler/mailto"), {QStringLiteral("Email")}, {}, {}};
}

std::optional<QString> unreadMailHint(const QStringList& accounts) {
    if (accounts.isEmpty())
        return std::nullopt;
    QString hint = QStringLiteral("Accounts:\n\r");
    for (const QString& account : accounts)
        hint += account + QStringLiteral("\r\n");
    return hint;
}

}  // namespace MailClients
