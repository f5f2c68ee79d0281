#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

// One favorite FTP site as typed on the "Site Properties" page.
struct TFavoriteSite {
    QString server;
    QString user;
    QString password;
    QString description;
    QString startDir;
    QString port = "21";
    QString timeOut = "6";
    bool passive = false;
    bool ascii = false;
};

// "Favorites.Config": one INI section per site, named by a number, keys in a
// fixed order. No cache: every call reads (and writes) the file.
class FavoritesFile {
public:
    explicit FavoritesFile(QString path) : m_path(std::move(path)) {}
    // Where the suite keeps it.
    static QString defaultPath();

    const QString& path() const { return m_path; }
    bool exists() const;
    QStringList sections() const;
    // A key's text; empty when absent.
    QString value(const QString& section, const QString& key) const;
    // The site of a section; the flags are true only for exactly "1".
    TFavoriteSite site(const QString& section) const;

    // A new section named by the count of sections plus one (or the next
    // unused number); returns its name.
    QString add(const TFavoriteSite& site);
    // Writes the nine keys into `section`.
    void write(const QString& section, const TFavoriteSite& site);
    void remove(const QString& section);
    // A copy of the file's lines, CR LF ended. Throws AppError when the
    // favorites file cannot be read or the copy cannot be written.
    void exportTo(const QString& target) const;

private:
    QString m_path;
};

// A flag read back into a check box: any non-zero number is true; a missing or
// non-numeric value gives nothing (the box keeps its state).
std::optional<bool> favoriteCheckFlag(const QString& value);

// The favorites tree: one node per site with a non-empty server, in file
// order, each with its eight detail lines.
enum class FavoriteIcon { Site, Detail, On, Off };
struct FavoriteDetail {
    QString text;
    FavoriteIcon icon;
};
struct FavoriteTreeSite {
    QString section;
    QString server;
    QList<FavoriteDetail> details;
};
QList<FavoriteTreeSite> readFavoriteTree(const FavoritesFile& file);

// The site the tree shows, read back from a site node's text and its eight
// detail lines. Empty values come back as "None", except the start folder,
// which is emptied when its line mentions "None".
TFavoriteSite siteFromFavoriteLines(const QString& server, const QStringList& details);
