#include "FavoriteSitesPage.h"

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QMenu>
#include <QTabWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "AppError.h"
#include "FtpImages.h"
#include "FtpPrompts.h"
#include "Prompts.h"
#include "SitePropertiesPage.h"

FavoriteSitesPage::FavoriteSitesPage(const Places& places, const ImageList& images,
                                     Prompts& prompts, std::function<bool()> sessionOpen,
                                     QWidget* parent)
    : QWidget(parent),
      m_places(places),
      m_images(images),
      m_prompts(prompts),
      m_sessionOpen(std::move(sessionOpen)),
      m_favorites(FavoritesFile::defaultPath()) {
    setObjectName("FavSites");
    auto* layout = new QVBoxLayout(this);
    TVFav = new QTreeWidget;
    TVFav->setObjectName("TVFav");
    TVFav->setAccessibleName("Favorite Sites");
    TVFav->setHeaderHidden(true);
    TVFav->setEditTriggers(QAbstractItemView::NoEditTriggers);
    TVFav->setExpandsOnDoubleClick(false);
    TVFav->setToolTip(
        "Press the + to expand the favorite details.\n\rPress doubleclick to connect.\n\rRight "
        "click menu is avaliable.");
    TVFav->setContextMenuPolicy(Qt::CustomContextMenu);
    layout->addWidget(TVFav);
    connect(TVFav, &QTreeWidget::itemCollapsed, this, [](QTreeWidgetItem* item) {
        // Details once shown stay shown until the next rebuild.
        item->setExpanded(true);
    });
    // Filled when another site is selected only, never on a mere redraw, so
    // what the user typed stays for "Edit Site Properties" to save.
    connect(TVFav, &QTreeWidget::currentItemChanged, this, &FavoriteSitesPage::FillSiteFields);
    connect(TVFav, &QTreeWidget::itemDoubleClicked, this, &FavoriteSitesPage::TVFavDblClick);
    connect(TVFav, &QTreeWidget::customContextMenuRequested, this, &FavoriteSitesPage::contextMenu);
}

void FavoriteSitesPage::showFirstTime() {
    const bool haveFile = m_favorites.exists();
    if (haveFile) {
        runGuarded(m_prompts, [this] {
            fillFieldsFromFile();
            RebuildFavorites();
        });
        m_places.pages->setCurrentWidget(this);
    } else {
        m_places.pages->setCurrentWidget(m_places.site);
    }
    m_places.remove->setEnabled(haveFile);
    m_places.exportAll->setEnabled(haveFile);
}

void FavoriteSitesPage::RebuildFavorites() {
    const QList<FavoriteTreeSite> sites = readFavoriteTree(m_favorites);
    TVFav->setUpdatesEnabled(false);
    const QSignalBlocker blocker(TVFav);
    TVFav->clear();
    for (QAction* entry : m_entries) {
        m_places.menu->removeAction(entry);
        entry->deleteLater();
    }
    m_entries.clear();
    for (const FavoriteTreeSite& site : sites) {
        m_places.pages->setCurrentWidget(this);
        m_places.header->setVisible(true);
        auto* node = new QTreeWidgetItem(TVFav, {site.server});
        node->setIcon(0, ftpIcon(m_images, FtpImage::Site));
        node->setData(0, kSectionRole, site.section);
        TVFav->setCurrentItem(node);
        QAction* entry = m_places.menu->addAction(ftpIcon(m_images, FtpImage::Site), site.server);
        const QString section = site.section;
        entry->setData(section);
        connect(entry, &QAction::triggered, this, [this, section] { DoFavNode(section); });
        m_entries.append(entry);
        for (const FavoriteDetail& detail : site.details) {
            auto* line = new QTreeWidgetItem(node, {detail.text});
            const FtpImage icon = detail.icon == FavoriteIcon::On    ? FtpImage::On
                                  : detail.icon == FavoriteIcon::Off ? FtpImage::Off
                                                                     : FtpImage::Detail;
            line->setIcon(0, ftpIcon(m_images, icon));
        }
    }
    TVFav->setUpdatesEnabled(true);
    // The tree is redrawn with its new selection, which fills the fields.
    if (m_places.pages->currentWidget() == this) {
        FillSiteFields();
    }
}

QTreeWidgetItem* FavoriteSitesPage::favoriteSiteNode(QTreeWidgetItem* node) const {
    if (!node) {
        return nullptr;
    }
    return node->childCount() > 0 || !node->parent() ? node : node->parent();
}

void FavoriteSitesPage::FillSiteFields() {
    QTreeWidgetItem* site = favoriteSiteNode(TVFav->currentItem());
    if (!site || site->childCount() < 8) {
        return;
    }
    const QString section = site->data(0, kSectionRole).toString();
    if (section == m_filledSection) {
        return;
    }
    m_filledSection = section;
    QStringList lines;
    for (int i = 0; i < site->childCount(); ++i) {
        lines.append(site->child(i)->text(0));
    }
    const TFavoriteSite fields = siteFromFavoriteLines(site->text(0), lines);
    // While connected the start folder field shows the session's root.
    m_places.site->showSite(fields, !m_sessionOpen());
    site->child(6)->setIcon(0, ftpIcon(m_images, fields.passive ? FtpImage::On : FtpImage::Off));
    site->child(7)->setIcon(0, ftpIcon(m_images, fields.ascii ? FtpImage::On : FtpImage::Off));
}

void FavoriteSitesPage::fillFieldsFromFile() {
    const QStringList sections = m_favorites.sections();
    if (sections.isEmpty()) {
        return;
    }
    QTreeWidgetItem* site = favoriteSiteNode(TVFav->currentItem());
    const QString section = site ? site->data(0, kSectionRole).toString() : sections.first();
    m_filledSection = section;
    SitePropertiesPage& fields = *m_places.site;
    fields.edtServer->setText(m_favorites.value(section, "Server"));
    fields.edtUser->setText(m_favorites.value(section, "User"));
    fields.edtPassword->setText(m_favorites.value(section, "Password"));
    fields.edtDesc->setText(m_favorites.value(section, "Description"));
    if (!m_sessionOpen()) {
        fields.edtStartDir->setText(m_favorites.value(section, "StartDir"));
    }
    fields.edtPort->setText(m_favorites.value(section, "Port"));
    fields.edtTimeO->setText(m_favorites.value(section, "TimeOut"));
    if (const auto passive = favoriteCheckFlag(m_favorites.value(section, "Passive"))) {
        fields.cbPassiveMode->setChecked(*passive);
    }
    if (const auto ascii = favoriteCheckFlag(m_favorites.value(section, "Ascii"))) {
        fields.cbAsciiMode->setChecked(*ascii);
    }
}

void FavoriteSitesPage::TBXAddToFavClick() {
    addSite(m_places.site->site());
}

void FavoriteSitesPage::addSite(const TFavoriteSite& site) {
    if (site.server.isEmpty()) {
        ftpHelpMessage(m_prompts, "Please fill in all the correct details for the FTP connection",
                       1100);
        return;
    }
    runGuarded(m_prompts, [this, site] {
        m_favorites.add(site);
        RebuildFavorites();
    });
}

void FavoriteSitesPage::DoEditSite() {
    m_places.pages->setCurrentWidget(m_places.site);
    m_places.site->edtServer->setFocus();
    QTreeWidgetItem* site = favoriteSiteNode(TVFav->currentItem());
    if (!site) {
        return;
    }
    const QString section = site->data(0, kSectionRole).toString();
    runGuarded(m_prompts, [this, section] {
        m_favorites.write(section, m_places.site->site());
        RebuildFavorites();
    });
}

void FavoriteSitesPage::DoRemoveFromFav() {
    QTreeWidgetItem* site = favoriteSiteNode(TVFav->currentItem());
    if (!site) {
        site = TVFav->topLevelItem(0);
    }
    if (!site) {
        return;
    }
    const QString section = site->data(0, kSectionRole).toString();
    delete site;
    runGuarded(m_prompts, [this, section] {
        m_favorites.remove(section);
        RebuildFavorites();
        fillFieldsFromFile();
    });
}

void FavoriteSitesPage::DoExportFav() {
    runGuarded(m_prompts, [this] {
        if (!QFileInfo(m_favorites.path()).isReadable()) {
            throw AppError("Cannot open file \"" + m_favorites.path() +
                           "\". No such file or directory.");
        }
        const QString path = chooseExportFile(m_prompts, "FTP Client = Export Favorites",
                                              QDir::homePath() + "/Favorites.Config");
        if (path.isEmpty()) {
            return;
        }
        m_favorites.exportTo(path);
    });
}

void FavoriteSitesPage::DoExpandNode() {
    if (QTreeWidgetItem* node = TVFav->currentItem()) {
        TVFav->expandRecursively(TVFav->indexFromItem(node));
    }
}

void FavoriteSitesPage::DoFavNode(const QString& section) {
    m_places.pages->setCurrentWidget(this);
    // By section, not by caption: two favorites may share a host.
    for (int i = 0; i < TVFav->topLevelItemCount(); ++i) {
        if (TVFav->topLevelItem(i)->data(0, kSectionRole).toString() == section) {
            TVFav->setCurrentItem(TVFav->topLevelItem(i));
            break;
        }
    }
    m_filledSection.clear();  // the entry connects to the site as stored
    FillSiteFields();
    emit logInRequested();
}

void FavoriteSitesPage::TVFavDblClick() {
    QTreeWidgetItem* node = TVFav->currentItem();
    if (node && !node->text(0).isEmpty()) {
        emit logInRequested();
        return;
    }
    ftpHelpMessage(m_prompts, "Please Enter A Valid FTP Details To Connect.", 1200);
    m_places.pages->setCurrentWidget(m_places.site);
}

void FavoriteSitesPage::contextMenu(const QPoint& position) {
    QTreeWidgetItem* node = TVFav->itemAt(position);
    if (!node) {
        return;
    }
    TVFav->setCurrentItem(node);
    QMenu menu;
    menu.addSeparator();
    menu.addAction("Connect", this, &FavoriteSitesPage::logInRequested);
    menu.addAction("Disconnect", this, &FavoriteSitesPage::logOutRequested);
    menu.addSeparator();
    menu.addAction("Expand To Get Site Properties", this, &FavoriteSitesPage::DoExpandNode);
    menu.addAction("Edit Site Properties", this, &FavoriteSitesPage::DoEditSite);
    menu.addAction("Remove From Favotites ", this, &FavoriteSitesPage::DoRemoveFromFav);
    menu.addAction("Export Favotites ", this, &FavoriteSitesPage::DoExportFav);
    menu.exec(TVFav->viewport()->mapToGlobal(position));
}
