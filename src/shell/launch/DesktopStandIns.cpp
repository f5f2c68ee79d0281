#include "DesktopStandIns.h"

#include "DesktopApplications.h"

namespace {

const DesktopEntry* findEntry(const StandIn& standIn, const DesktopApplications& applications) {
    for (const QString& id : standIn.desktopIds) {
        if (const DesktopEntry* entry = applications.byId(id))
            return entry;
    }
    if (!standIn.mimeType.isEmpty()) {
        if (const DesktopEntry* entry = applications.defaultFor(standIn.mimeType))
            return entry;
    }
    return applications.byCategories(standIn.categories);
}

std::optional<QStringList> inTerminal(const QStringList& command,
                                      const DesktopApplications& applications) {
    const DesktopEntry* terminal = findEntry(terminalStandIn(), applications);
    if (!terminal)
        return std::nullopt;
    std::optional<QStringList> line = execCommand(terminal->exec);
    if (!line)
        return std::nullopt;
    // "-e" is the one option that terminals agree on for running a command.
    return *line << QStringLiteral("-e") << command;
}

StandIn fileManager(QStringList arguments = QStringList()) {
    return {{"org.gnome.Nautilus", "nemo", "caja", "thunar", "org.kde.dolphin", "pcmanfm-qt",
             "pcmanfm"},
            "inode/directory",
            {"FileManager"},
            std::move(arguments),
            {}};
}

}  // namespace

std::optional<QStringList> standInCommand(const StandIn& standIn,
                                          const DesktopApplications& applications) {
    if (!standIn.terminalCommand.isEmpty()) {
        if (!DesktopApplications::isInstalled(standIn.terminalCommand.first()))
            return std::nullopt;
        return inTerminal(standIn.terminalCommand, applications);
    }
    const DesktopEntry* entry = findEntry(standIn, applications);
    if (!entry)
        return std::nullopt;
    std::optional<QStringList> command = execCommand(entry->exec, standIn.arguments);
    if (command && entry->terminal)
        return inTerminal(*command, applications);
    return command;
}

StandIn terminalStandIn() {
    return {{"org.gnome.Terminal", "org.gnome.Console", "org.kde.konsole", "xfce4-terminal",
             "lxterminal", "qterminal", "debian-xterm", "xterm"},
            {},
            {"TerminalEmulator"},
            {},
            {}};
}

StandIn addressBookStandIn() {
    return {{"org.gnome.Contacts", "org.gnome.Evolution", "org.kde.kaddressbook"},
            {},
            {"ContactManagement"},
            {},
            {}};
}

StandIn internetCallStandIn() {
    return {{"org.gnome.Calls", "linphone", "net.jami.Jami", "jami-gnome", "ekiga"},
            "x-scheme-handler/sip",
            {"Telephony"},
            {},
            {}};
}

const QList<WindowsTool>& windowsTools() {
    static const QList<WindowsTool> tools{
        {"Open Address Book", addressBookStandIn()},
        {"Open MSN Messanger",
         {{"org.gnome.Fractal", "im.pidgin.Pidgin", "pidgin", "org.kde.konversation"},
          {},
          {"InstantMessaging"},
          {},
          {}}},
        {"Open Windows Update",
         {{"org.gnome.Software", "update-manager", "org.kde.discover", "synaptic"},
          {},
          {"PackageManager"},
          {},
          {}}},
        {"Open Winows Explorer", fileManager()},
        {"", {}},
        {"Open DNS Address", {{}, {}, {}, {}, {"nslookup"}}},
        {"Open Characters / Fonts Map",
         {{"org.gnome.Characters", "gucharmap", "org.gnome.gucharmap", "org.kde.kcharselect"},
          {},
          {},
          {},
          {}}},
        {"Open Task Manager",
         {{"org.gnome.SystemMonitor", "gnome-system-monitor", "org.kde.plasma-systemmonitor",
           "org.kde.ksysguard", "xfce4-taskmanager", "lxtask", "htop"},
          {},
          {"System", "Monitor"},
          {},
          {}}},
        {"Open Control Panel",
         {{"org.gnome.Settings", "gnome-control-center", "systemsettings", "kdesystemsettings",
           "xfce-settings-manager", "lxqt-config"},
          {},
          {"Settings", "DesktopSettings"},
          {},
          {}}},
        {"Open System Info",
         {{"org.kde.kinfocenter", "hardinfo2", "hardinfo", "io.missioncenter.MissionCenter"},
          {},
          {},
          {},
          {}}},
        {"Open Registy Editor",
         {{"ca.desrt.dconf-editor", "dconf-editor", "org.gnome.dconf-editor"}, {}, {}, {}, {}}},
        {"Open Events Viewer",
         {{"org.gnome.Logs", "gnome-logs", "org.kde.ksystemlog"}, {}, {}, {}, {}}},
        {"Open MS Dos", terminalStandIn()},
        {"Open MS Config",
         {{"gnome-session-properties", "org.gnome.tweaks", "xfce-session-settings",
           "lxqt-config-session"},
          {},
          {},
          {},
          {}}},
        // The desktop's network places, where shares are connected.
        {"Open Map a network drive", fileManager({"network:///"})},
    };
    return tools;
}
