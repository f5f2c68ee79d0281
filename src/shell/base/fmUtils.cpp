#include "fmUtils.h"

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <filesystem>
#include <system_error>

#include "LanguageId.h"
#include "Prompts.h"
#include "SpecialFolders.h"

namespace {

// "name=value" lines as the captions are kept.
QString lineName(const QString& line) {
    return line.section(QLatin1Char('='), 0, 0);
}

QString lineValue(const QString& line) {
    const qsizetype equals = line.indexOf(QLatin1Char('='));
    return equals < 0 ? QString() : line.mid(equals + 1);
}

const QString* findLine(const QStringList& lines, const QString& name) {
    for (const QString& line : lines) {
        if (lineName(line).compare(name, Qt::CaseInsensitive) == 0)
            return &line;
    }
    return nullptr;
}

struct LanguageCaptions {
    const char* language;
    const char* newFolder;
    const char* label;
};

// The label of "0415" is the Polish words for "current folder", kept as
// UTF-8 here.
constexpr LanguageCaptions kCaptions[] = {
    {"Default", "New folder", "Current folder:"},
    {"0009", "New folder", "Current folder:"},
    {"0406", "Ny mappe", "Valgt mappe:"},
    {"0407", "Neuer Ordner", "Ausgew\xC3\xA4hlter Ordner:"},
    {"0409", "New folder", "Current folder:"},
    {"040C", "Nouveau Dossier", "Dossier Courant:"},
    {"0410", "Nuova Cartella", "Cartella selezionata:"},
    {"0413", "Nieuwe map", "Huidige map:"},
    {"0415", "Nowy folder",
     "Bie\xC5\xBC\xC4\x85"
     "cy folder"},
    {"0416", "Nova Pasta", "Pasta Atual:"},
    {"0807", "Neuer Ordner", "Ausgew\xC3\xA4hlter Ordner:"},
    {"0809", "New folder", "Current folder:"},
    {"080C", "Nouveau Dossier", "Dossier Courant:"},
    {"0810", "Nuova Cartella", "Cartella selezionata:"},
    {"0C07", "Neuer Ordner", "Ausgew\xC3\xA4hlter Ordner:"},
    {"0C09", "New folder", "Current folder:"},
    {"0C0C", "Nouveau Dossier", "Dossier Courant:"},
    {"1007", "Neuer Ordner", "Ausgew\xC3\xA4hlter Ordner:"},
    {"1009", "New folder", "Current folder:"},
    {"100C", "Nouveau Dossier", "Dossier Courant:"},
    {"1407", "Neuer Ordner", "Ausgew\xC3\xA4hlter Ordner:"},
    {"1409", "New folder", "Current folder:"},
    {"140C", "Nouveau Dossier", "Dossier Courant:"},
    {"1809", "New folder", "Current folder:"},
    {"180C", "Nouveau Dossier", "Dossier Courant:"},
    {"1C09", "New folder", "Current folder:"},
    {"2009", "New folder", "Current folder:"},
    {"2809", "New folder", "Current folder:"},
    {"2C09", "New folder", "Current folder:"},
};

QStringList captionLines(const char* LanguageCaptions::*field) {
    QStringList lines;
    for (const LanguageCaptions& captions : kCaptions)
        lines.append(QString::fromLatin1(captions.language) + QLatin1Char('=') +
                     QString::fromUtf8(captions.*field));
    return lines;
}

}  // namespace

QString captionForLanguage(const QStringList& lines, const QString& languageId) {
    if (lines.isEmpty())
        return {};
    if (const QString* line = findLine(lines, languageId))
        return lineValue(*line);
    if (const QString* line = findLine(lines, QStringLiteral("Default")))
        return lineValue(*line);
    return lineValue(lines.first());
}

QStringList defaultNewFolderCaptions() {
    return captionLines(&LanguageCaptions::newFolder);
}

QStringList defaultLabelCaptions() {
    return captionLines(&LanguageCaptions::label);
}

QString shortenPath(const QString& path, int width, QChar separator) {
    if (path.size() <= width || width <= 5 || !path.contains(separator) ||
        path.mid(2).count(separator) < 2)
        return path.left(width);
    QString head;
    QString rest = path;
    // A network path keeps its two leading separators and its server. (Only
    // a path that starts with two: a single leading one is a Linux root.)
    const QString twoSeparators(2, separator);
    if (path.startsWith(twoSeparators)) {
        head = twoSeparators;
        rest = path.mid(2);
    }
    const qsizetype first = rest.indexOf(separator);
    head += rest.left(first + 1) + QStringLiteral("...");
    rest = rest.mid(first + 1);
    while (head.size() + 1 + rest.size() > width && rest.contains(separator))
        rest = rest.mid(rest.indexOf(separator) + 1);
    const QString text = head + separator + rest;
    return text.size() > width ? text.left(width - 3) + QStringLiteral("...") : text;
}

TBrowse4Folder::TBrowse4Folder(Prompts& prompts, QObject* parent)
    : QObject(parent), m_prompts(prompts), m_language(systemLanguageIdentifier()) {
    setLabelCaptions(defaultLabelCaptions());
    setNewFolderCaptions(defaultNewFolderCaptions());
}

void TBrowse4Folder::setLabelCaptions(const QStringList& lines) {
    m_labelCaptions = lines;
    m_labelCaption = captionForLanguage(lines, m_language);
}

void TBrowse4Folder::setNewFolderCaptions(const QStringList& lines) {
    m_newFolderCaptions = lines;
    m_newFolderCaption = captionForLanguage(lines, m_language);
}

bool TBrowse4Folder::ownNewFolderButton() const {
    // The old dialog style only: the new one has a new-folder command of its own.
    return !(m_flags & TBrowseInfoFlag::NewDialogStyle) &&
           !(m_flags & TBrowseInfoFlag::HideNewFolderButton);
}

bool TBrowse4Folder::Execute() {
    FolderBrowseRequest request;
    request.title = captionForLanguage(m_titles, m_language);
    request.label = m_labelCaption;
    if (m_rootFolder != foDesktopExpanded)
        request.rootFolder = SpecialFolders::path(m_rootFolder);
    request.newFolderCaption = ownNewFolderButton() ? m_newFolderCaption : QString();
    request.systemNewFolder = (m_flags & TBrowseInfoFlag::NewDialogStyle) &&
                              !(m_flags & TBrowseInfoFlag::HideNewFolderButton);
    request.showStatus = m_flags.testFlag(TBrowseInfoFlag::ShowPath);
    request.editBox = m_flags.testFlag(TBrowseInfoFlag::EditBox);
    request.includeFiles = m_flags.testFlag(TBrowseInfoFlag::Includefiles);
    request.validate = m_flags.testFlag(TBrowseInfoFlag::Validate);
    request.initialized = [this](FolderBrowser& dialog) { initialized(dialog); };
    request.selectionChanged = [this](FolderBrowser& dialog, const QString& path) {
        selectionChanged(dialog, path);
    };
    request.validateFailed = [this](FolderBrowser& dialog) {
        if (OnValidateFailed) {
            OnValidateFailed(*this, dialog.window());
        } else {
            QApplication::beep();
        }
    };
    request.newFolderClicked = [this](FolderBrowser& dialog) { newFolderClicked(dialog); };

    std::optional<QString> chosen;
    do {
        m_reopen = false;
        chosen = m_prompts.browseForFolder(request);
        m_dialog = nullptr;
    } while (m_reopen);
    m_reopenPath.clear();
    if (!chosen)
        return false;
    m_folder = *chosen;
    m_displayName = QFileInfo(m_folder).fileName();
    if (m_returnSpecialFolder)
        m_specialFolder = SpecialFolders::numberOf(m_folder);
    return true;
}

void TBrowse4Folder::SetSelection(const QString& path) {
    if (m_dialog)
        m_dialog->setSelection(path);
}

void TBrowse4Folder::initialized(FolderBrowser& dialog) {
    m_dialog = &dialog;
    if (ownNewFolderButton())
        dialog.setNewFolderEnabled(m_okAllowed);
    const QString special =
        m_specialFolder != -1 ? SpecialFolders::path(m_specialFolder) : QString();
    if (!special.isEmpty() && QFileInfo::exists(special)) {
        dialog.setSelection(special);
    } else if (!m_reopenPath.isEmpty()) {
        dialog.setSelection(m_reopenPath);
    } else if (!m_folder.isEmpty()) {
        dialog.setSelection(m_folder);
    }
    if (OnInitialized)
        OnInitialized(*this, dialog.window());
}

void TBrowse4Folder::selectionChanged(FolderBrowser& dialog, const QString& path) {
    m_currentPath = path;
    m_displayName = QFileInfo(path).fileName();
    if (m_flags & TBrowseInfoFlag::ShowPath)
        dialog.setStatusText(shortenPath(path, 50));
    m_okAllowed = !path.isEmpty();
    bool enabled = m_flags.testFlag(TBrowseInfoFlag::OnlyFileSystem) ? m_okAllowed : true;
    // A file-system ancestor here is a folder (files have no children).
    if (m_flags.testFlag(TBrowseInfoFlag::OnlyAncestors) && !QFileInfo(path).isDir())
        enabled = false;
    dialog.setOkEnabled(enabled);
    if (ownNewFolderButton())
        dialog.setNewFolderEnabled(enabled);
    if (OnSelectionChanged)
        OnSelectionChanged(*this, dialog.window(), path);
}

void TBrowse4Folder::newFolderClicked(FolderBrowser& dialog) {
    if (m_currentPath.isEmpty())
        return;  // no folder highlighted to make it in
    const QString answer = m_prompts.inputBox(m_newFolderCaption, QString(), QString());
    if (answer.isEmpty())
        return;
    m_reopen = true;
    QString path = m_currentPath;
    if (!answer.startsWith(QLatin1Char('/')) && !path.endsWith(QLatin1Char('/')))
        path += QLatin1Char('/');
    path += answer;
    std::error_code error;
    std::filesystem::create_directories(QFile::encodeName(path).toStdString(), error);
    if (!QFileInfo(path).isDir()) {
        m_reopen = false;
        m_reopenPath.clear();
        QString text = QStringLiteral("The directory or file cannot be created.");
        if (error)
            text += QStringLiteral("\n%1: %2").arg(path, QString::fromLocal8Bit(error.message()));
        m_prompts.message(Prompts::Kind::Error, QString(), text, Prompts::Ok);
    } else {
        m_reopenPath = path;
    }
    dialog.cancel();
}
