#pragma once

#include <QDialog>

class Prompts;
class QGridLayout;
class QHBoxLayout;
class QLineEdit;
class QPushButton;
class ToolHost;

// What the export and import dialogs share: a dialog border, kept on top and
// centred on the screen when shown; rows of a label and an edit, the file
// rows with a browse button that picks an HTML file.
class BookmarkDialog : public QDialog {
    Q_OBJECT
protected:
    BookmarkDialog(ToolHost& host, QWidget* parent);

    ToolHost& host() const { return m_host; }
    Prompts& prompts() const;

    // Adds a row of the grid: label, edit, and a browse button when
    // `browse` is given (then returned through it).
    QLineEdit* addRow(const QString& label, const char* editName, const QString& text,
                      QPushButton** browse = nullptr);
    // A row holding only `widget`.
    void addRow(QWidget* widget);
    QPushButton* addButton(const char* name, const QString& caption);
    // The file dialog of a browse button: starts in the home folder; the
    // chosen file replaces the edit's text.
    void browseInto(QLineEdit* edit, const QString& caption);

    void showEvent(QShowEvent* event) override;

private:
    ToolHost& m_host;
    QGridLayout* m_grid;
    QHBoxLayout* m_buttons;
};
