#pragma once

#include <QWidget>
#include <functional>

#include "FavoriteSites.h"
#include "ImageStrip.h"

class Prompts;
class QAction;
class QMenu;
class QTabWidget;
class QTreeWidget;
class QTreeWidgetItem;
class SitePropertiesPage;

// The "Favorite Sites" page: the sites of "Favorites.Config" as a tree, their
// entries in the window's "Favorites" menu, and the operations that add, edit,
// remove and export them through the "Site Properties" fields.
class FavoriteSitesPage : public QWidget {
    Q_OBJECT
public:
    struct Places {
        SitePropertiesPage* site;
        QTabWidget* pages;   // the left pane's page control
        QMenu* menu;         // "Favorites": the site entries go at its end
        QAction* header;     // "My Favorites FTP Sites:"
        QAction* remove;     // "Remove From Favorites"
        QAction* exportAll;  // "Export Favorites To A Text File"
    };
    // `sessionOpen` tells whether a session uses the start folder field as its root.
    FavoriteSitesPage(const Places& places, const ImageList& images, Prompts& prompts,
                      std::function<bool()> sessionOpen, QWidget* parent = nullptr);

    // A site's node in the tree holds its section under this role; its menu
    // entry holds it as the action's data. Two sites may name one host.
    static constexpr int kSectionRole = Qt::UserRole + 1;

    // The window is shown: fields, tree and menu from the file when it exists.
    void showFirstTime();

    void RebuildFavorites();
    void FillSiteFields();
    void TBXAddToFavClick();
    // The quick-connect variant: `site` holds the quick-connect fields.
    void addSite(const TFavoriteSite& site);
    void DoEditSite();
    void DoRemoveFromFav();
    void DoExportFav();
    void DoExpandNode();
    void DoFavNode(const QString& section);
    void TVFavDblClick();

signals:
    void logInRequested();
    void logOutRequested();

private:
    void fillFieldsFromFile();
    QTreeWidgetItem* favoriteSiteNode(QTreeWidgetItem* node) const;
    void contextMenu(const QPoint& position);

    Places m_places;
    const ImageList& m_images;
    Prompts& m_prompts;
    std::function<bool()> m_sessionOpen;
    FavoritesFile m_favorites;
    QTreeWidget* TVFav = nullptr;
    QList<QAction*> m_entries;
    // The section whose site the Site Properties fields were last filled
    // from; they are filled again only when another site is selected.
    QString m_filledSection;
};
