#include "FavoriteSites.h"

#include <QFile>
#include <QSaveFile>

#include "AppError.h"
#include "IniFile.h"
#include "Paths.h"

QString FavoritesFile::defaultPath() {
    return Paths::writableProgramFile("Favorites.Config");
}

bool FavoritesFile::exists() const {
    return QFile::exists(m_path);
}

QStringList FavoritesFile::sections() const {
    return IniFile::load(m_path).sections();
}

QString FavoritesFile::value(const QString& section, const QString& key) const {
    const QString text = IniFile::load(m_path).value(section, key);
    return text.isNull() ? QString("") : text;
}

TFavoriteSite FavoritesFile::site(const QString& section) const {
    const IniFile ini = IniFile::load(m_path);
    auto text = [&](const char* key) {
        const QString value = ini.value(section, key);
        return value.isNull() ? QString("") : value;
    };
    TFavoriteSite site;
    site.server = text("Server");
    site.user = text("User");
    site.password = text("Password");
    site.description = text("Description");
    site.startDir = text("StartDir");
    site.port = text("Port");
    site.timeOut = text("TimeOut");
    site.passive = text("Passive") == "1";
    site.ascii = text("Ascii") == "1";
    return site;
}

namespace {
void writeKeys(IniFile& ini, const QString& section, const TFavoriteSite& site) {
    ini.setValue(section, "Server", site.server);
    ini.setValue(section, "User", site.user);
    ini.setValue(section, "Password", site.password);
    ini.setValue(section, "Description", site.description);
    ini.setValue(section, "StartDir", site.startDir);
    ini.setValue(section, "Port", site.port);
    ini.setValue(section, "TimeOut", site.timeOut);
    ini.setValue(section, "Passive", site.passive ? "1" : "0");
    ini.setValue(section, "Ascii", site.ascii ? "1" : "0");
}
}  // namespace

QString FavoritesFile::add(const TFavoriteSite& site) {
    IniFile ini = IniFile::load(m_path);
    qsizetype number = ini.sections().size() + 1;
    while (ini.hasSection(QString::number(number))) {
        ++number;
    }
    const QString section = QString::number(number);
    writeKeys(ini, section, site);
    ini.save(m_path);
    return section;
}

void FavoritesFile::write(const QString& section, const TFavoriteSite& site) {
    IniFile ini = IniFile::load(m_path);
    writeKeys(ini, section, site);
    ini.save(m_path);
}

void FavoritesFile::remove(const QString& section) {
    IniFile ini = IniFile::load(m_path);
    ini.removeSection(section);
    ini.save(m_path);
}

void FavoritesFile::exportTo(const QString& target) const {
    QFile source(m_path);
    if (!source.open(QIODevice::ReadOnly)) {
        throw AppError("Cannot open " + m_path + ": " + source.errorString());
    }
    source.close();
    const IniFile ini = IniFile::load(m_path);
    QSaveFile file(target);
    if (!file.open(QIODevice::WriteOnly)) {
        throw AppError("Cannot write " + target + ": " + file.errorString());
    }
    for (const QByteArray& line : ini.lines()) {
        file.write(line + "\r\n");
    }
    if (!file.commit()) {
        throw AppError("Cannot write " + target + ": " + file.errorString());
    }
}

std::optional<bool> favoriteCheckFlag(const QString& value) {
    bool ok = false;
    const long long number = value.trimmed().toLongLong(&ok);
    if (!ok) {
        return std::nullopt;
    }
    return number != 0;
}

QList<FavoriteTreeSite> readFavoriteTree(const FavoritesFile& file) {
    const IniFile ini = IniFile::load(file.path());
    QList<FavoriteTreeSite> sites;
    for (const QString& section : ini.sections()) {
        auto text = [&](const char* key) { return ini.value(section, key); };
        auto orNone = [&](const char* key) {
            const QString value = text(key);
            return value.isEmpty() ? QString("None") : value;
        };
        const QString server = text("Server");
        if (server.isEmpty()) {
            continue;
        }
        const bool passive = text("Passive") == "1";
        const bool ascii = text("Ascii") == "1";
        FavoriteTreeSite site{section, server, {}};
        site.details = {
            {"User: " + orNone("User"), FavoriteIcon::Detail},
            {"Password: " + orNone("Password"), FavoriteIcon::Detail},
            {"Description: " + orNone("Description"), FavoriteIcon::Detail},
            {"Start Folder: " + orNone("StartDir"), FavoriteIcon::Detail},
            {"Port: " + orNone("Port"), FavoriteIcon::Detail},
            {"Time Out: " + orNone("TimeOut"), FavoriteIcon::Detail},
            {QString("Passive Mode: ") + (passive ? "Passive" : "Active"),
             passive ? FavoriteIcon::On : FavoriteIcon::Off},
            {QString("Ascii Mode: ") + (ascii ? "Ascii" : "None"),
             ascii ? FavoriteIcon::On : FavoriteIcon::Off},
        };
        sites.append(site);
    }
    return sites;
}

TFavoriteSite siteFromFavoriteLines(const QString& server, const QStringList& details) {
    auto line = [&](int index) { return index < details.size() ? details[index] : QString(); };
    // Each value starts right after its label's colon.
    auto after = [&](int index, int position) { return line(index).mid(position).trimmed(); };
    TFavoriteSite site;
    site.server = server;
    site.user = after(0, 5);
    site.password = after(1, 9);
    site.description = after(2, 12);
    site.startDir = line(3).contains("None") ? QString() : after(3, 13);
    site.port = after(4, 5);
    site.timeOut = after(5, 9);
    site.passive = !line(6).contains("Active");
    site.ascii = !line(7).contains("None");
    return site;
}
