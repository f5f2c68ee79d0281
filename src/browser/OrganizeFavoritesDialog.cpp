#include "OrganizeFavoritesDialog.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "AppError.h"
#include "FavoritesFolder.h"
#include "FavoritesTreeWidget.h"
#include "Prompts.h"

OrganizeFavoritesDialog::OrganizeFavoritesDialog(Prompts& prompts, const QString& favorites,
                                                 const QIcon& shortcutIcon, QWidget* parent)
    : QDialog(parent), m_prompts(prompts), m_favorites(favorites) {
    setObjectName(QStringLiteral("OrganizeFavoritesDialog"));
    setWindowTitle(QStringLiteral("Organize Favorites"));
    auto* layout = new QHBoxLayout(this);
    auto* commands = new QVBoxLayout;
    commands->addWidget(new QLabel(
        QStringLiteral("Select a favorite or a folder,\nthen choose what to do with it.")));
    const struct {
        const char* name;
        const char* caption;
        void (OrganizeFavoritesDialog::*handler)();
    } buttons[] = {
        {"btnCreateFolder", "&Create Folder", &OrganizeFavoritesDialog::createFolderClick},
        {"btnRename", "&Rename", &OrganizeFavoritesDialog::renameClick},
        {"btnMove", "&Move to Folder...", &OrganizeFavoritesDialog::moveClick},
        {"btnDelete", "&Delete", &OrganizeFavoritesDialog::deleteClick},
    };
    for (const auto& entry : buttons) {
        auto* button = new QPushButton(QLatin1String(entry.caption));
        button->setObjectName(QLatin1String(entry.name));
        connect(button, &QPushButton::clicked, this, entry.handler);
        commands->addWidget(button);
    }
    commands->addStretch(1);
    auto* close = new QDialogButtonBox(QDialogButtonBox::Close);
    connect(close, &QDialogButtonBox::rejected, this, &QDialog::reject);
    commands->addWidget(close);
    layout->addLayout(commands);

    m_tree =
        new FavoritesTreeWidget(FavoritesTreeWidget::Content::FoldersAndShortcuts, shortcutIcon);
    m_tree->setAccessibleName(QStringLiteral("Favorites"));
    m_tree->load(favorites);
    layout->addWidget(m_tree, 1);
    resize(520, 400);
}

void OrganizeFavoritesDialog::run(const std::function<QString()>& command) {
    QString select;
    try {
        select = command();
    } catch (const AppError& error) {
        m_prompts.errorBox(error.message());
    }
    m_tree->load(m_favorites, select);
}

void OrganizeFavoritesDialog::createFolderClick() {
    QString name = QStringLiteral("New Folder");
    if (!m_prompts.inputQuery(windowTitle(), QStringLiteral("Folder name:"), name))
        return;
    run([&] { return FavoritesFolder::createFolder(m_favorites, m_tree->selectedFolder(), name); });
}

void OrganizeFavoritesDialog::renameClick() {
    const QString path = m_tree->selectedPath();
    if (path.isEmpty() || path == m_favorites)
        return;
    QString name = FavoritesFolder::displayName(path);
    if (!m_prompts.inputQuery(windowTitle(), QStringLiteral("New name:"), name))
        return;
    run([&] { return FavoritesFolder::rename(m_favorites, path, name); });
}

void OrganizeFavoritesDialog::moveClick() {
    const QString path = m_tree->selectedPath();
    if (path.isEmpty() || path == m_favorites)
        return;
    const QString folder = m_prompts.folder(QStringLiteral("Move to Folder"), m_favorites);
    if (folder.isEmpty())
        return;
    run([&] { return FavoritesFolder::moveInto(m_favorites, path, folder); });
}

void OrganizeFavoritesDialog::deleteClick() {
    const QString path = m_tree->selectedPath();
    if (path.isEmpty() || path == m_favorites)
        return;
    const QString question = m_tree->selectedIsFolder()
                                 ? QStringLiteral("Delete the folder \"%1\" and all it holds?")
                                 : QStringLiteral("Delete the favorite \"%1\"?");
    if (m_prompts.message(Prompts::Kind::Question, windowTitle(),
                          question.arg(FavoritesFolder::displayName(path)),
                          Prompts::Yes | Prompts::No) != Prompts::Yes)
        return;
    run([&] {
        FavoritesFolder::remove(m_favorites, path);
        return QString();
    });
}
