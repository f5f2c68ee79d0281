#pragma once

#include <QFlags>
#include <QObject>
#include <QStringList>
#include <functional>

class FolderBrowser;
class Prompts;
class QWidget;

// Options of the folder picker; each member's value is the option bit it
// stood for in the folder-browse call of the system the picker was first
// written for, so a set of them is that call's option word.
enum class TBrowseInfoFlag : unsigned {
    OnlyFileSystem = 0x1,
    OnlyDomains = 0x2,
    ShowPath = 0x4,
    OnlyAncestors = 0x8,
    EditBox = 0x10,
    Validate = 0x20,
    NewDialogStyle = 0x40,
    IncludeURLs = 0x80,
    UsageHint = 0x100,
    HideNewFolderButton = 0x200,
    OnlyComputers = 0x1000,
    OnlyPrinters = 0x2000,
    Includefiles = 0x4000,
    ShowShared = 0x8000,
};
Q_DECLARE_FLAGS(TBrowseInfoFlags, TBrowseInfoFlag)
Q_DECLARE_OPERATORS_FOR_FLAGS(TBrowseInfoFlags)

// The picker's root: a special folder number (SpecialFolders), or none for
// foDesktopExpanded (the whole system).
enum TSHFolders : int {
    foDesktopExpanded = -1,
    foDesktop = 0,
    foPrograms = 2,
    foControlPanel = 3,
    foPrinters = 4,
    foPersonal = 5,
    foFavorites = 6,
    foStartup = 7,
    foRecent = 8,
    foSendto = 9,
    foRecycleBin = 10,
    foStartMenu = 11,
    foDesktopFolder = 16,
    foMyComputer = 17,
    foNetwork = 18,
    foNetworkNeighborhood = 19,
    foFonts = 20,
    foTemplates = 21,
};

// Caption lists hold lines "language=text", the language being a four-digit
// identifier (LanguageId.h) or "Default". The caption for `languageId`: its
// line's text; else, without a "Default" line, the first line's text; else
// the "Default" text. Empty for an empty list. Names compare without case.
QString captionForLanguage(const QStringList& lines, const QString& languageId);

// The default caption lists of the "New folder" button and of the label.
QStringList defaultNewFolderCaptions();
QStringList defaultLabelCaptions();

// A path shortened to `width` characters for the picker's status line:
// "C:\...\last\folders" for a drive path, "\\server\...\last\folders" for a
// network path, "/.../last/folders" for a Linux path; whatever else is too
// long is cut to its first `width` characters.
QString shortenPath(const QString& path, int width, QChar separator = QLatin1Char('/'));

// TBrowse4Folder: lets the user choose a folder in the folder-browse dialog
// (through the prompts seam), with captions by the system's language, an own
// "New folder" button in the old dialog style, the highlighted path in the
// status line, and, on request, the number of the special folder chosen.
//
// UI thread only.
class TBrowse4Folder : public QObject {
    Q_OBJECT
public:
    explicit TBrowse4Folder(Prompts& prompts, QObject* parent = nullptr);

    bool ReturnSpecialFolder() const { return m_returnSpecialFolder; }
    void setReturnSpecialFolder(bool on) { m_returnSpecialFolder = on; }
    int SpecialFolder() const { return m_specialFolder; }
    void setSpecialFolder(int number) { m_specialFolder = number; }
    QString Folder() const { return m_folder; }
    void setFolder(const QString& folder) { m_folder = folder; }
    TBrowseInfoFlags Flags() const { return m_flags; }
    void setFlags(TBrowseInfoFlags flags) { m_flags = flags; }
    TSHFolders RootFolder() const { return m_rootFolder; }
    void setRootFolder(TSHFolders root) { m_rootFolder = root; }
    QStringList LabelCaptions() const { return m_labelCaptions; }
    void setLabelCaptions(const QStringList& lines);
    QStringList NewFolderCaptions() const { return m_newFolderCaptions; }
    void setNewFolderCaptions(const QStringList& lines);
    QStringList Titles() const { return m_titles; }
    void setTitles(const QStringList& lines) { m_titles = lines; }
    QString Version() const { return QStringLiteral("8.00.00.00"); }

    // The captions in effect for the system's language.
    QString labelCaption() const { return m_labelCaption; }
    QString newFolderCaption() const { return m_newFolderCaption; }
    // The display name of the folder chosen last.
    QString displayName() const { return m_displayName; }

    // Shows the dialog; true when a folder was chosen (then Folder(), and
    // with ReturnSpecialFolder() SpecialFolder(), hold the choice).
    bool Execute();
    // Highlights `path` while the dialog is open; nothing otherwise.
    void SetSelection(const QString& path);

    std::function<void(TBrowse4Folder& sender, QWidget* dialog)> OnInitialized;
    std::function<void(TBrowse4Folder& sender, QWidget* dialog, const QString& folder)>
        OnSelectionChanged;
    std::function<void(TBrowse4Folder& sender, QWidget* dialog)> OnValidateFailed;

private:
    void initialized(FolderBrowser& dialog);
    void selectionChanged(FolderBrowser& dialog, const QString& path);
    void newFolderClicked(FolderBrowser& dialog);
    bool ownNewFolderButton() const;

    Prompts& m_prompts;
    QString m_language;
    bool m_returnSpecialFolder = false;
    int m_specialFolder = -1;
    QString m_folder;
    TBrowseInfoFlags m_flags =
        TBrowseInfoFlag::ShowPath | TBrowseInfoFlag::NewDialogStyle | TBrowseInfoFlag::ShowShared;
    TSHFolders m_rootFolder = foDesktopExpanded;
    QStringList m_labelCaptions;
    QStringList m_newFolderCaptions;
    QStringList m_titles;
    QString m_labelCaption;
    QString m_newFolderCaption;

    FolderBrowser* m_dialog = nullptr;  // while the dialog is open
    QString m_currentPath;              // of the highlighted item
    QString m_displayName;
    QString m_reopenPath;  // the new folder, highlighted when the dialog reopens
    bool m_reopen = false;
    bool m_okAllowed = false;
};
