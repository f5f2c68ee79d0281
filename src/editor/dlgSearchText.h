#pragma once

#include <QDialog>
#include <QStringList>

class QCheckBox;
class QComboBox;
class QGridLayout;
class QRadioButton;

// "Search Text": the search text with its history, the five options and the
// direction. On OK the texts of its lists move to the top of their histories.
class TTextSearchDialog : public QDialog {
    Q_OBJECT
public:
    explicit TTextSearchDialog(QWidget* parent = nullptr);

    bool searchBackwards() const;
    void setSearchBackwards(bool value);
    bool searchCaseSensitive() const;
    void setSearchCaseSensitive(bool value);
    bool searchFromCursor() const;
    void setSearchFromCursor(bool value);
    bool searchInSelectionOnly() const;
    void setSearchInSelectionOnly(bool value);
    bool searchWholeWords() const;
    void setSearchWholeWords(bool value);
    bool searchRegularExpression() const;
    void setSearchRegularExpression(bool value);

    QString searchText() const;
    void setSearchText(const QString& text);
    QStringList searchTextHistory() const;
    void setSearchTextHistory(const QStringList& history);

    QComboBox* cbSearchText;
    QCheckBox* cbSearchCaseSensitive;
    QCheckBox* cbSearchWholeWords;
    QCheckBox* cbSearchFromCursor;
    QCheckBox* cbSearchSelectedOnly;
    QCheckBox* cbRegularExpression;
    QRadioButton* rbForward;
    QRadioButton* rbBackward;

    void accept() override;

protected:
    // Rows above the options; the replace dialog adds its own there.
    QGridLayout* m_textRows;
    static void setHistory(QComboBox* box, const QStringList& history);
    static void moveTextToTop(QComboBox* box);
    static QStringList history(const QComboBox* box);
};
