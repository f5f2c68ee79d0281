#pragma once

#include <QIcon>
#include <QTreeWidget>

// The Favorites folder as a tree for the add and organize dialogs: the
// folder itself as the single top node, its folders and, when asked for,
// its shortcuts (shown without ".url"). Read in full when loaded.
class FavoritesTreeWidget : public QTreeWidget {
    Q_OBJECT
public:
    enum class Content { Folders, FoldersAndShortcuts };

    // `shortcutIcon` marks the shortcuts (the file's own icon when null).
    explicit FavoritesTreeWidget(Content content, const QIcon& shortcutIcon = QIcon(),
                                 QWidget* parent = nullptr);

    // Reads `root` anew, keeping the selection on `select` (a path) when it
    // is still there, on the top node otherwise.
    void load(const QString& root, const QString& select = QString());
    QString root() const { return m_root; }

    // The selected entry's path, or an empty text.
    QString selectedPath() const;
    bool selectedIsFolder() const;
    // The selected folder, or the folder holding the selected shortcut.
    QString selectedFolder() const;

private:
    void addChildren(QTreeWidgetItem* parent, const QString& folder, int depth);
    Content m_content;
    QIcon m_shortcutIcon;
    QString m_root;
};
