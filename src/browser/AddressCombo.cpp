#include "AddressCombo.h"

#include <QAbstractItemView>
#include <QAction>
#include <QFileIconProvider>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMimeDatabase>
#include <QStandardPaths>

#include "AddressIconRule.h"
#include "TypedAddresses.h"

namespace {

QIcon themed(const char* name, QAbstractFileIconProvider::IconType fallback) {
    return QIcon::fromTheme(QLatin1String(name), QFileIconProvider().icon(fallback));
}

QIcon shellFolderIcon(const QString& name) {
    using Type = QAbstractFileIconProvider::IconType;
    if (name == "DESKTOP" || name == "DESKTOP DIRECTORY")
        return themed("user-desktop", Type::Desktop);
    if (name == "MY COMPUTER")
        return themed("computer", Type::Computer);
    if (name == "RECYCLE BIN")
        return themed("user-trash", Type::Trashcan);
    if (name == "NETWORK NEIGHBORHOOD" || name == "NETHOOD")
        return themed("network-workgroup", Type::Network);
    if (name == "PRINTERS" || name == "PRINTHOOD")
        return themed("printer", Type::Drive);
    if (name == "FONTS")
        return themed("preferences-desktop-font", Type::Folder);
    if (name == "FAVORITES")
        return themed("emblem-favorite", Type::Folder);
    if (name == "CONTROL PANEL")
        return themed("preferences-system", Type::Folder);
    if (name == "MY DOCUMENTS")
        return themed("folder-documents", Type::Folder);
    return themed("folder", Type::Folder);
}

}  // namespace

AddressCombo::AddressCombo(QWidget* parent) : QComboBox(parent) {
    setObjectName(QStringLiteral("Addrs"));
    setAccessibleName(QStringLiteral("Address"));
    setEditable(true);
    setInsertPolicy(QComboBox::NoInsert);
    setMaxVisibleItems(25);
    setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    setMinimumContentsLength(20);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    m_textIcon = lineEdit()->addAction(iconFor(QString()), QLineEdit::LeadingPosition);
    m_textIcon->setText(QStringLiteral("Address type"));
    connect(lineEdit(), &QLineEdit::textChanged, this, [this](const QString& text) {
        m_textIcon->setIcon(iconFor(text));
        // Editing the text closes an open list.
        if (view()->isVisible() && lineEdit()->hasFocus())
            hidePopup();
    });
    // Enter in the open list is taken here, before the list reports it; a
    // click reports through activated(), seen on the way there. (The box also
    // reports activated() when the list merely moves its highlight, so that
    // alone chooses nothing.)
    view()->installEventFilter(this);
    view()->viewport()->installEventFilter(this);
    connect(this, qOverload<int>(&QComboBox::activated), this, [this](int row) {
        if (std::exchange(m_clicked, false))
            chooseEntry(row, true);
    });

    const QStringList stored = TypedAddresses::load();
    reload(stored, stored.isEmpty() ? QString() : stored.first());
}

QStringList AddressCombo::entries() const {
    QStringList list;
    for (int i = 0; i < count(); ++i)
        list.append(itemText(i));
    return list;
}

void AddressCombo::ShowAddress(const QString& address) {
    m_currentAddress = address;
    setVisibleText(address);
}

void AddressCombo::setVisibleText(const QString& text) {
    const QSignalBlocker blocker(this);
    // No current entry: the box would draw that entry's icon beside the text's own.
    setCurrentIndex(-1);
    lineEdit()->setText(text);
    lineEdit()->setCursorPosition(0);
    m_textIcon->setIcon(iconFor(text));
}

void AddressCombo::enterText() {
    if (view()->isVisible())
        return;  // the list's own Enter is a choice
    const QString text = lineEdit()->text();
    m_currentAddress = text;
    QStringList list = entries();
    list.prepend(text);
    reload(list, text);
    writeBack();
    emit UrlSelected(text);
}

void AddressCombo::chooseEntry(int row, bool byMouse) {
    if (row < 0 || row >= count())
        return;
    const QString text = itemText(row);
    if (!byMouse) {
        QStringList list = entries();
        list.move(row, 0);
        reload(list, text);
        writeBack();
    } else {
        setVisibleText(text);
    }
    m_currentAddress = text;
    lineEdit()->selectAll();
    emit UrlSelected(text);
}

QIcon AddressCombo::iconFor(const QString& text) {
    const AddressIconChoice choice = addressIconChoice(text);
    QFileIconProvider provider;
    switch (choice.kind) {
        case AddressIconChoice::ShellFolder:
            return shellFolderIcon(choice.detail);
        case AddressIconChoice::File: {
            const QMimeType type = QMimeDatabase().mimeTypeForFile(choice.detail);
            return QIcon::fromTheme(
                type.iconName(),
                QIcon::fromTheme(type.genericIconName(), provider.icon(QFileInfo(choice.detail))));
        }
        case AddressIconChoice::Folder:
            return themed("folder", QAbstractFileIconProvider::Folder);
        case AddressIconChoice::WebPage:
            return QIcon::fromTheme(QStringLiteral("text-html"),
                                    provider.icon(QAbstractFileIconProvider::File));
        case AddressIconChoice::Empty:
            break;
    }
    return QIcon::fromTheme(QStringLiteral("internet-web-browser"),
                            provider.icon(QAbstractFileIconProvider::Network));
}

void AddressCombo::showPopup() {
    m_clicked = false;
    QComboBox::showPopup();
}

void AddressCombo::keyPressEvent(QKeyEvent* event) {
    // The box holds the keyboard focus (its line edit hands it over), so every
    // key of the closed box arrives here first; a key sent to the line edit
    // itself comes here too, as the line edit leaves Enter to its parent.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        enterText();
        event->accept();
        return;
    }
    // With the list closed, down opens it and up does nothing; the list itself
    // handles the keys while it is open.
    if (event->key() == Qt::Key_Down) {
        showPopup();
        return;
    }
    if (event->key() == Qt::Key_Up)
        return;
    QComboBox::keyPressEvent(event);
}

bool AddressCombo::eventFilter(QObject* watched, QEvent* event) {
    if (watched == view() && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        const QModelIndex highlighted = view()->currentIndex();
        if ((key == Qt::Key_Return || key == Qt::Key_Enter) && highlighted.isValid()) {
            hidePopup();
            chooseEntry(highlighted.row(), false);
            return true;
        }
    } else if (watched == view()->viewport() && event->type() == QEvent::MouseButtonRelease) {
        m_clicked = true;
    }
    return QComboBox::eventFilter(watched, event);
}

void AddressCombo::reload(const QStringList& list, const QString& text) {
    const QSignalBlocker blocker(this);
    clear();
    for (const QString& entry : list)
        addItem(iconFor(entry), entry);
    setVisibleText(text);
}

void AddressCombo::writeBack() {
    if (RegistryUpdate)
        TypedAddresses::writeBack(entries());
}
