#pragma once

#include <QDialog>
#include <functional>

class FavoritesTreeWidget;
class Prompts;

// "Organize Favorites": the Favorites folder's folders and shortcuts with
// the commands to make a folder, rename, move into another folder and
// delete. What it receives is the Favorites folder.
class OrganizeFavoritesDialog : public QDialog {
    Q_OBJECT
public:
    OrganizeFavoritesDialog(Prompts& prompts, const QString& favorites,
                            const QIcon& shortcutIcon = QIcon(), QWidget* parent = nullptr);

    FavoritesTreeWidget* tree() const { return m_tree; }

    void createFolderClick();
    void renameClick();
    void moveClick();
    void deleteClick();

private:
    // Runs one command; its failure is shown and the tree read again.
    void run(const std::function<QString()>& command);

    Prompts& m_prompts;
    QString m_favorites;
    FavoritesTreeWidget* m_tree;
};
