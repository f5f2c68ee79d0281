#pragma once

#include <QComboBox>

class QAction;

// The address box: an editable list of typed addresses, most recent first,
// shared with the store's typed-address list, with an icon beside the text and
// beside every entry.
class AddressCombo : public QComboBox {
    Q_OBJECT
public:
    explicit AddressCombo(QWidget* parent = nullptr);

    QStringList entries() const;
    QString CurrentAddress() const { return m_currentAddress; }
    // Whether choices are written back to the typed-address list.
    bool RegistryUpdate = true;

    // Shows `address` as the current one without touching the entries.
    void ShowAddress(const QString& address);
    // Changes only the visible text (the URL-translation rule).
    void setVisibleText(const QString& text);

    // Enter with the list closed: the text goes on top (even when already
    // listed), the entries are written back and UrlSelected is raised.
    void enterText();
    // A choice from the open list: by Enter the entry moves to the top and the
    // entries are written back; by mouse neither happens. Both raise UrlSelected.
    void chooseEntry(int row, bool byMouse);

    // The icon the box draws for `text`.
    static QIcon iconFor(const QString& text);

    void showPopup() override;

signals:
    void UrlSelected(const QString& address);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void reload(const QStringList& entries, const QString& text);
    void writeBack();

    QString m_currentAddress;
    QAction* m_textIcon;
    bool m_clicked = false;  // the next activated() comes from a click in the list
};
