#pragma once

#include <QWidget>

class BrowserHost;
class ImageList;
class QCheckBox;
class QLabel;
class QLineEdit;

// The find bar below the page ("Find", "Find In The Page"): the text to find,
// next and previous, case, and how many matches the page holds. Enter finds
// the next match, Shift+Enter the previous one, Escape closes the bar and
// clears the highlighting.
//
// UI thread only.
class FindBar : public QWidget {
    Q_OBJECT
public:
    FindBar(BrowserHost& browser, const ImageList& images, QWidget* parent = nullptr);

    // Shows the bar with the keyboard in its field, the text selected.
    void open();
    void close();
    void findNext();
    void findPrevious();

    QLineEdit* field() const { return m_field; }
    // "3 of 7", "Not found", or empty before a search.
    QString resultText() const;

signals:
    // The page answered a search.
    void found(int activeMatch, int matches);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void find(bool backward);

    BrowserHost& m_browser;
    QLineEdit* m_field = nullptr;
    QCheckBox* m_matchCase = nullptr;
    QLabel* m_result = nullptr;
};
