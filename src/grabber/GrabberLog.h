#pragma once

#include <QColor>
#include <QStringList>
#include <QTextBrowser>
#include <QTimer>

// The grabber's log (`MemLog`): lines in the current font colour, addresses
// in them shown as links; a left click on a link reports the link's text.
// Its context menu has one item, "Copy Selected Text To Clipboard". Lines
// added in a burst (a grab logs thousands) are shown together, ten times a
// second at most, or at showPending().
class GrabberLog : public QTextBrowser {
    Q_OBJECT
public:
    explicit GrabberLog(QWidget* parent = nullptr);

    void addLine(const QString& text);
    void clearLines();
    // The colour of the lines added from now on (navy at first).
    void setLineColour(const QColor& colour) { m_colour = colour; }
    QColor lineColour() const { return m_colour; }
    // The lines as written, as they are saved.
    QStringList lines() const { return m_lines; }
    void showPending();

signals:
    void linkClicked(const QString& address);

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    QColor m_colour;
    QStringList m_lines;
    QStringList m_addresses;  // the links' texts, by link target
    QStringList m_pending;    // lines as HTML, not shown yet
    QTimer m_showTimer;
};
