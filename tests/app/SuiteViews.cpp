#include "SuiteViews.h"

#include <QAbstractItemView>
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QFileDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QSet>
#include <QStyle>
#include <QStyleOption>
#include <QTabWidget>
#include <QTextDocument>
#include <QToolBar>
#include <QToolButton>

#include "AddFavoriteDialog.h"
#include "FolderBrowseDialog.h"
#include "OrganizeFavoritesDialog.h"
#include "Paths.h"
#include "TfrmUpdateInfo.h"
#include "ToolWindow.h"
#include "dlgConfirmReplace.h"
#include "dlgExporter.h"
#include "dlgImporter.h"
#include "dlgReplaceText.h"
#include "dlgSearchText.h"
#include "fileDlg.h"
#include "fmAbout.h"
#include "fmMain.h"
#include "newDlg.h"

namespace {

// The tab widgets between `widget` and `window`, with the page of each that
// holds it, outermost last.
QList<QPair<QTabWidget*, int>> enclosingTabs(QWidget* widget, QWidget* window) {
    QList<QPair<QTabWidget*, int>> tabs;
    for (QWidget* child = widget; child && child != window; child = child->parentWidget()) {
        QWidget* parent = child->parentWidget();
        // A page's parent is the tab widget's stack, whose parent is the tab widget.
        auto* owner = parent ? qobject_cast<QTabWidget*>(parent->parentWidget()) : nullptr;
        if (owner && owner->indexOf(child) >= 0)
            tabs.append({owner, owner->indexOf(child)});
    }
    return tabs;
}

QString withoutMnemonics(QString text) {
    text.replace(QLatin1String("&&"), QStringLiteral("\x01"));
    text.remove(QLatin1Char('&'));
    text.replace(QStringLiteral("\x01"), QStringLiteral("&"));
    return text;
}

int widestLine(const QFontMetrics& metrics, const QString& text) {
    int widest = 0;
    for (const QString& line : text.split(QLatin1Char('\n')))
        widest = std::max(widest, metrics.horizontalAdvance(line));
    return widest;
}

QString describe(const QWidget* widget, const QString& text, int needs, int has) {
    QString shown = text.left(40);
    shown.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return QStringLiteral("%1 %2 \"%3\" needs %4 px, has %5")
        .arg(QLatin1String(widget->metaObject()->className()), widget->objectName(), shown)
        .arg(needs)
        .arg(has);
}

bool insideItemViewOrMenu(const QWidget* widget) {
    for (const QWidget* parent = widget->parentWidget(); parent; parent = parent->parentWidget()) {
        if (qobject_cast<const QAbstractItemView*>(parent) || qobject_cast<const QMenu*>(parent))
            return true;
    }
    return false;
}

// Fields whose value the test does not choose and whose length has no bound:
// a page's address, title, referrer and cookie, paths below the home folder,
// the user's and the computer's names. No width fits every such value (a
// person scrolls through it), so only a caption shown in place of the value
// (a placeholder) must fit; values the tests type in stay checked. Each goes
// by the class of its tool window or dialog and its own name (an editable
// box's line edit by the box's name).
bool showsOpenEndedValue(const QWidget* widget) {
    static const QSet<QString> fields{
        QStringLiteral("TbrowserFrm/Addrs"),        QStringLiteral("TbrowserFrm/UrlN"),
        QStringLiteral("TbrowserFrm/UrlT"),         QStringLiteral("TbrowserFrm/DocR"),
        QStringLiteral("TbrowserFrm/Coo"),          QStringLiteral("TFTPfrm/ShellCombo"),
        QStringLiteral("TGrabberFrm/edtTargetDir"), QStringLiteral("TNetToosFrm/edHostN"),
        QStringLiteral("TNetToosFrm/edHostP"),      QStringLiteral("QFileDialog/lookInCombo"),
        QStringLiteral("QFileDialog/fileNameEdit"), QStringLiteral("TImportFrm/Edit2"),
        QStringLiteral("TExportFrm/Edit1"),
    };
    const QWidget* named = widget;
    if (widget->objectName().isEmpty() && qobject_cast<const QComboBox*>(widget->parentWidget()))
        named = widget->parentWidget();
    for (const QWidget* owner = widget->parentWidget(); owner; owner = owner->parentWidget()) {
        if (qobject_cast<const ToolWindow*>(owner) || qobject_cast<const QDialog*>(owner)) {
            return fields.contains(QLatin1String(owner->metaObject()->className()) +
                                   QLatin1Char('/') + named->objectName());
        }
    }
    return false;
}

int iconRoom(const QIcon& icon, const QSize& size) {
    return icon.isNull() ? 0 : size.width() + 4;
}

// The width the text of a label may use, and the width it needs.
std::optional<QPair<int, int>> labelWidths(const QLabel* label) {
    // A label that ignores its text's width (a status message of any length)
    // is cut on purpose.
    if (label->text().isEmpty() || label->wordWrap() || !label->pixmap().isNull() ||
        label->sizePolicy().horizontalPolicy() == QSizePolicy::Ignored)
        return std::nullopt;
    int room = label->contentsRect().width() - 2 * label->margin();
    const int indent = label->indent() >= 0 ? label->indent()
                       : label->frameWidth() > 0
                           ? label->fontMetrics().horizontalAdvance(QLatin1Char('x')) / 2
                           : 0;
    if (label->alignment() & (Qt::AlignLeft | Qt::AlignRight))
        room -= indent;
    const bool rich = label->textFormat() == Qt::RichText ||
                      (label->textFormat() == Qt::AutoText && Qt::mightBeRichText(label->text()));
    int needs;
    if (rich) {
        QTextDocument document;
        document.setDefaultFont(label->font());
        document.setDocumentMargin(0);
        document.setHtml(label->text());
        needs = qCeil(document.idealWidth());
    } else {
        QString text = label->text();
        if (label->buddy())
            text = withoutMnemonics(text);
        needs = widestLine(label->fontMetrics(), text);
    }
    return QPair<int, int>{needs, room};
}

std::optional<QPair<int, int>> buttonWidths(const QAbstractButton* button) {
    if (button->text().isEmpty())
        return std::nullopt;
    const QString text = withoutMnemonics(button->text());
    const int textWidth = widestLine(button->fontMetrics(), text);
    if (auto* tool = qobject_cast<const QToolButton*>(button)) {
        if (tool->toolButtonStyle() == Qt::ToolButtonIconOnly && !tool->icon().isNull())
            return std::nullopt;
        return QPair<int, int>{tool->sizeHint().width(), tool->width()};
    }
    QStyleOptionButton option;
    option.initFrom(button);
    option.text = text;
    option.icon = button->icon();
    option.iconSize = button->iconSize();
    QStyle::SubElement contents = QStyle::SE_PushButtonContents;
    if (qobject_cast<const QCheckBox*>(button)) {
        contents = QStyle::SE_CheckBoxContents;
    } else if (qobject_cast<const QRadioButton*>(button)) {
        contents = QStyle::SE_RadioButtonContents;
    } else if (auto* push = qobject_cast<const QPushButton*>(button)) {
        if (push->isDefault())
            option.features |= QStyleOptionButton::DefaultButton;
        if (push->autoDefault())
            option.features |= QStyleOptionButton::AutoDefaultButton;
        if (push->menu())
            option.features |= QStyleOptionButton::HasMenu;
    } else {
        return std::nullopt;
    }
    const QRect room = button->style()->subElementRect(contents, &option, button);
    return QPair<int, int>{textWidth + iconRoom(button->icon(), button->iconSize()), room.width()};
}

std::optional<QPair<int, int>> lineEditWidths(const QLineEdit* edit) {
    const QString text =
        edit->displayText().isEmpty() ? edit->placeholderText() : edit->displayText();
    if (text.isEmpty() || (!edit->displayText().isEmpty() && showsOpenEndedValue(edit)))
        return std::nullopt;
    int frame = 0;
    if (edit->hasFrame()) {
        QStyleOptionFrame option;
        option.initFrom(edit);
        frame = edit->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, edit);
    }
    const QMargins margins = edit->textMargins();
    // QLineEdit keeps two pixels between its frame and its text on each side.
    const int room = edit->width() - 2 * frame - 4 - margins.left() - margins.right();
    return QPair<int, int>{edit->fontMetrics().horizontalAdvance(text), room};
}

std::optional<QPair<int, int>> comboWidths(const QComboBox* combo) {
    // An editable box is checked through its line edit; an empty one shows
    // its prompt.
    const QString text =
        combo->currentIndex() < 0 ? combo->placeholderText() : combo->currentText();
    if (combo->isEditable() || text.isEmpty() ||
        (combo->currentIndex() >= 0 && showsOpenEndedValue(combo)))
        return std::nullopt;
    QStyleOptionComboBox option;
    option.initFrom(combo);
    option.editable = false;
    option.frame = combo->hasFrame();
    option.currentText = text;
    option.currentIcon = combo->itemIcon(combo->currentIndex());
    option.iconSize = combo->iconSize();
    const QRect field = combo->style()->subControlRect(QStyle::CC_ComboBox, &option,
                                                       QStyle::SC_ComboBoxEditField, combo);
    return QPair<int, int>{combo->fontMetrics().horizontalAdvance(text) +
                               iconRoom(option.currentIcon, option.iconSize),
                           field.width()};
}

std::optional<QPair<int, int>> groupBoxWidths(const QGroupBox* box) {
    if (box->title().isEmpty())
        return std::nullopt;
    const int needs = box->fontMetrics().horizontalAdvance(withoutMnemonics(box->title())) +
                      (box->isCheckable() ? 20 : 0);
    // The title starts a few pixels in and must end before the frame does.
    return QPair<int, int>{needs, box->width() - 8};
}

}  // namespace

namespace SuiteViews {

QString fileName(const QString& caption) {
    QString name = caption.toLower();
    name.replace(QRegularExpression(QStringLiteral("[^a-z0-9]+")), QStringLiteral("-"));
    while (name.endsWith(QLatin1Char('-')))
        name.chop(1);
    while (name.startsWith(QLatin1Char('-')))
        name.remove(0, 1);
    return name;
}

QList<View> tabsOf(QWidget* window) {
    QList<View> views;
    for (QTabWidget* tabs : window->findChildren<QTabWidget*>()) {
        // Tabs of a view that a person cannot open stay out (a hidden info pane).
        QString prefix;
        const auto outer = enclosingTabs(tabs, window);
        for (auto it = outer.crbegin(); it != outer.crend(); ++it)
            prefix += fileName(it->first->tabText(it->second)) + QLatin1Char('-');
        for (int index = 0; index < tabs->count(); ++index) {
            if (!tabs->isTabVisible(index))
                continue;
            // Numbered across the window, so that pictures sort in tab order.
            const QString name = QStringLiteral("%1-%2%3")
                                     .arg(views.size() + 1, 2, 10, QLatin1Char('0'))
                                     .arg(prefix, fileName(tabs->tabText(index)));
            views.append({name, [tabs, index, outer] {
                              for (const auto& [owner, page] : outer)
                                  owner->setCurrentIndex(page);
                              tabs->setCurrentIndex(index);
                          }});
        }
    }
    if (views.isEmpty())
        views.append({QStringLiteral("window"), [] {}});
    return views;
}

QList<View> viewsOf(ToolWindow* window) {
    // The actions that open a panel, by tool; one a window lacks is passed over.
    static const struct {
        ToolKind kind;
        const char* action;
        const char* name;
    } panels[] = {
        {ToolKind::WebBrowser, "TBXFavorites", "side-favorites"},
        {ToolKind::WebBrowser, "TBXHist", "side-history"},
        {ToolKind::WebBrowser, "TBXCookies", "side-cookies"},
        {ToolKind::WebBrowser, "TBXhideMTB", "accessories-toolbar"},
    };
    QList<View> views = tabsOf(window);
    for (const auto& panel : panels) {
        QAction* action = window->findChild<QAction*>(QLatin1String(panel.action));
        if (panel.kind != window->kind() || !action)
            continue;
        const QString name = QStringLiteral("%1-%2")
                                 .arg(views.size() + 1, 2, 10, QLatin1Char('0'))
                                 .arg(QLatin1String(panel.name));
        // A panel stands beside the window's first page.
        views.append({name, [first = views.first().show, action] {
                          first();
                          if (!action->isCheckable() || !action->isChecked())
                              action->trigger();
                      }});
    }
    return views;
}

QList<Dialog> dialogs(Prompts& prompts, ToolHost& host, const QString& favorites) {
    static const FolderBrowseRequest folderRequest = [] {
        FolderBrowseRequest request;
        request.title = QStringLiteral("Browse for Folder");
        request.label = QStringLiteral("Select the folder to save the web site in:");
        request.newFolderCaption = QStringLiteral("New Folder");
        request.showStatus = true;
        return request;
    }();
    return {
        {QStringLiteral("editor-find"),
         [](QWidget* parent) -> QDialog* { return new TTextSearchDialog(parent); }},
        {QStringLiteral("editor-replace"),
         [](QWidget* parent) -> QDialog* { return new TTextReplaceDialog(parent); }},
        {QStringLiteral("editor-confirm-replace"),
         [](QWidget* parent) -> QDialog* {
             auto* dialog = new TConfirmReplaceDialog(parent);
             dialog->prepareForSearchText(QStringLiteral("colour"));
             return dialog;
         }},
        {QStringLiteral("save-as"),
         [](QWidget* parent) -> QDialog* {
             auto* dialog = new QFileDialog(parent, QStringLiteral("Save As"), QDir::homePath(),
                                            QStringLiteral("Text files (*.txt);;All files (*)"));
             dialog->setOption(QFileDialog::DontUseNativeDialog);
             dialog->setAcceptMode(QFileDialog::AcceptSave);
             return dialog;
         }},
        {QStringLiteral("folder-picker"),
         [](QWidget* parent) -> QDialog* { return new FolderBrowseDialog(folderRequest, parent); }},
        {QStringLiteral("ftp-file-exists"),
         [](QWidget* parent) -> QDialog* {
             return new TFileExistsDialog(QStringLiteral("index.html"), parent);
         }},
        {QStringLiteral("ftp-new-name"),
         [&prompts](QWidget* parent) -> QDialog* {
             return new TNewDialog(prompts, QStringLiteral("Please enter the new folder name:"),
                                   QStringLiteral("New Folder"), parent);
         }},
        {QStringLiteral("browser-import"),
         [&host](QWidget* parent) -> QDialog* { return new TImportFrm(host, parent); }},
        {QStringLiteral("browser-export"),
         [&host](QWidget* parent) -> QDialog* { return new TExportFrm(host, parent); }},
        {QStringLiteral("browser-add-favorite"),
         [&prompts, favorites](QWidget* parent) -> QDialog* {
             return new AddFavoriteDialog(prompts, favorites, QStringLiteral("http://127.0.0.1/"),
                                          QStringLiteral("Example page"), parent);
         }},
        {QStringLiteral("browser-organize-favorites"),
         [&prompts, favorites](QWidget* parent) -> QDialog* {
             return new OrganizeFavoritesDialog(prompts, favorites, QIcon(), parent);
         }},
        {QStringLiteral("update-info"),
         [](QWidget* parent) -> QDialog* {
             TclUpdateInfoText text;
             text.sentence =
                 QStringLiteral("The system detected that you are using version 0.08 of Corvanta.");
             text.author = QStringLiteral("Corvanta developers");
             text.productName = QStringLiteral("Corvanta");
             text.email = QStringLiteral("updates@example.com");
             text.updates = {
                 QStringLiteral("Version: 0.09, Size: 2.4 MB, URL: "
                                "http://127.0.0.1/corvanta-0.09.zip")};
             return new TfrmUpdateInfo(text, parent);
         }},
        {QStringLiteral("about"),
         [&prompts](QWidget* parent) -> QDialog* {
             auto* about = new TfrmAbout(prompts, {}, Paths::dataFolder(), parent);
             about->setWindowTitle(QLatin1String(TfrmAbout::kCaption));
             about->FormShow();
             return about;
         }},
    };
}

QStringList narrowControls(QWidget* root) {
    QStringList found;
    for (QWidget* widget : root->findChildren<QWidget*>()) {
        if (!widget->isVisible() || widget->visibleRegion().isEmpty() ||
            insideItemViewOrMenu(widget))
            continue;
        std::optional<QPair<int, int>> widths;
        QString text;
        if (auto* label = qobject_cast<QLabel*>(widget)) {
            widths = labelWidths(label);
            text = label->text();
        } else if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
            widths = buttonWidths(button);
            text = button->text();
        } else if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
            widths = lineEditWidths(edit);
            text = edit->displayText().isEmpty() ? edit->placeholderText() : edit->displayText();
        } else if (auto* combo = qobject_cast<QComboBox*>(widget)) {
            widths = comboWidths(combo);
            text = combo->currentIndex() < 0 ? combo->placeholderText() : combo->currentText();
        } else if (auto* box = qobject_cast<QGroupBox*>(widget)) {
            widths = groupBoxWidths(box);
            text = box->title();
        }
        if (widths && widths->first > widths->second)
            found.append(describe(widget, text, widths->first, widths->second));
    }
    return found;
}

QString overflow(const TfrmMain& frame, const ToolWindow* window) {
    const QWidget* area = frame.mdiArea()->viewport();
    const QWidget* sub = window->parentWidget();
    const QSize has = area->size();
    QSize needs = sub->size().expandedTo(sub->minimumSize());
    if (needs.width() > has.width() || needs.height() > has.height()) {
        return QStringLiteral("%1 needs %2 x %3 px, the frame's client area has %4 x %5")
            .arg(window->windowTitle())
            .arg(needs.width())
            .arg(needs.height())
            .arg(has.width())
            .arg(has.height());
    }
    // A tool bar too short for its commands hides the last of them behind
    // its extension button.
    QStringList cut;
    for (const QToolBar* bar : window->findChildren<QToolBar*>()) {
        const auto* more = bar->findChild<QToolButton*>(QStringLiteral("qt_toolbar_ext_button"));
        if (bar->isVisible() && more && more->isVisible())
            cut.append(
                QStringLiteral("%1 (%2 of %3 px)")
                    .arg(bar->objectName().isEmpty() ? bar->windowTitle() : bar->objectName())
                    .arg(bar->width())
                    .arg(bar->sizeHint().width()));
    }
    if (!cut.isEmpty()) {
        return QStringLiteral(
                   "%1 hides commands of its tool bars behind their extension "
                   "buttons: %2")
            .arg(window->windowTitle(), cut.join(QStringLiteral(", ")));
    }
    return QString();
}

}  // namespace SuiteViews
