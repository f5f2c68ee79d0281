#pragma once

#include <QWidget>

class QCheckBox;
class QLabel;
class QTextEdit;

// The connection log under the remote files list: the server's replies and the
// commands sent, one line each, optionally coloured by word as they arrive; a
// header whose caption tells the caret's line and column; "Copy To Clipboard".
class ConnectionLogPanel : public QWidget {
    Q_OBJECT
public:
    explicit ConnectionLogPanel(QWidget* parent = nullptr);

    QTextEdit* log() const { return memLog; }
    // One line at the end of the log, coloured by word when "Colored Log.
    // (Uses some cpu)" is checked. Only the new line is coloured: the colours
    // are those of colouring the whole log anew, without its cost.
    void appendLine(const QString& line);
    // Gives `editor` the log's reactions: its text changes, clicks and key
    // releases update the log and the caption, and its menu copies its text.
    void attach(QTextEdit* editor);
    // Caret to the end of the log, scrolled into view.
    void moveCaretToEnd();

private:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void colourRange(int from, const QString& text);
    void showCaretPosition();
    void watch(QTextEdit* edit);

    QLabel* m_caption = nullptr;
    QCheckBox* cbColoredLog = nullptr;
    QTextEdit* memLog = nullptr;
};
