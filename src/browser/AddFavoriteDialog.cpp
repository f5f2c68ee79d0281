#include "AddFavoriteDialog.h"

#include <QDialogButtonBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

#include "AppError.h"
#include "FavoritesFolder.h"
#include "FavoritesTreeWidget.h"
#include "InternetShortcut.h"
#include "Prompts.h"

AddFavoriteDialog::AddFavoriteDialog(Prompts& prompts, const QString& favorites,
                                     const QString& address, const QString& title, QWidget* parent)
    : QDialog(parent), m_prompts(prompts), m_favorites(favorites), m_address(address) {
    setObjectName(QStringLiteral("AddFavoriteDialog"));
    setWindowTitle(QStringLiteral("Add Favorite"));
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    auto* addressText = new QLineEdit(address);
    addressText->setReadOnly(true);
    addressText->setAccessibleName(QStringLiteral("Address"));
    form->addRow(QStringLiteral("Address:"), addressText);
    // Without a title the host name is a name a person can keep or change.
    const QString host = QUrl(address).host();
    m_name = new QLineEdit(!title.trimmed().isEmpty() ? title.trimmed()
                           : !host.isEmpty()          ? host
                                                      : address);
    m_name->setObjectName(QStringLiteral("edtName"));
    m_name->setAccessibleName(QStringLiteral("Name"));
    form->addRow(QStringLiteral("&Name:"), m_name);
    layout->addLayout(form);

    layout->addWidget(new QLabel(QStringLiteral("Create in:")));
    m_folders = new FavoritesTreeWidget(FavoritesTreeWidget::Content::Folders);
    m_folders->setAccessibleName(QStringLiteral("Create in"));
    m_folders->load(favorites);
    layout->addWidget(m_folders, 1);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    QPushButton* newFolder =
        buttons->addButton(QStringLiteral("New &Folder..."), QDialogButtonBox::ActionRole);
    connect(newFolder, &QPushButton::clicked, this, &AddFavoriteDialog::newFolderClick);
    connect(buttons, &QDialogButtonBox::accepted, this, &AddFavoriteDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    QPushButton* ok = buttons->button(QDialogButtonBox::Ok);
    connect(m_name, &QLineEdit::textChanged, ok,
            [ok](const QString& text) { ok->setEnabled(!text.trimmed().isEmpty()); });
    ok->setEnabled(!m_name->text().trimmed().isEmpty());
    layout->addWidget(buttons);
    resize(420, 420);
}

void AddFavoriteDialog::newFolderClick() {
    QString name = QStringLiteral("New Folder");
    if (!m_prompts.inputQuery(QStringLiteral("New Folder"), QStringLiteral("Folder name:"), name))
        return;
    try {
        const QString folder =
            FavoritesFolder::createFolder(m_favorites, m_folders->selectedFolder(), name);
        m_folders->load(m_favorites, folder);
    } catch (const AppError& error) {
        m_prompts.errorBox(error.message());
    }
}

void AddFavoriteDialog::accept() {
    try {
        const QString file =
            FavoritesFolder::shortcutFile(m_favorites, m_folders->selectedFolder(), m_name->text());
        if (QFileInfo::exists(file) &&
            m_prompts.message(Prompts::Kind::Question, windowTitle(),
                              QStringLiteral("\"%1\" is already in your favorites. Replace it?")
                                  .arg(FavoritesFolder::displayName(file)),
                              Prompts::Yes | Prompts::No) != Prompts::Yes) {
            return;
        }
        InternetShortcut::write(file, m_address);
        m_saved = file;
        QDialog::accept();
    } catch (const AppError& error) {
        m_prompts.errorBox(error.message());
    }
}
