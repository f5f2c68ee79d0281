#pragma once

#include <QDialog>

class FavoritesTreeWidget;
class Prompts;
class QLineEdit;

// "Add Favorite": saves an address as an Internet Shortcut in the Favorites
// folder under a name and in a folder the person chooses (a new folder may
// be made on the way). What it receives is an address and a title.
class AddFavoriteDialog : public QDialog {
    Q_OBJECT
public:
    AddFavoriteDialog(Prompts& prompts, const QString& favorites, const QString& address,
                      const QString& title, QWidget* parent = nullptr);

    QLineEdit* nameEdit() const { return m_name; }
    FavoritesTreeWidget* folders() const { return m_folders; }
    // The shortcut written by OK; empty until then.
    QString savedFile() const { return m_saved; }

    void newFolderClick();
    void accept() override;

private:
    Prompts& m_prompts;
    QString m_favorites;
    QString m_address;
    QLineEdit* m_name;
    FavoritesTreeWidget* m_folders;
    QString m_saved;
};
