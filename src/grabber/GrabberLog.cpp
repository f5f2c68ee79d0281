#include "GrabberLog.h"

#include <QContextMenuEvent>
#include <QMenu>
#include <QRegularExpression>

namespace {

const QColor kNavy(0, 0, 128);

// Addresses as a reader sees them in a line: with a scheme, or starting "www.".
const QRegularExpression& addressPattern() {
    static const QRegularExpression pattern(
        QStringLiteral(R"((?:https?|ftp|file)://[^\s<>"]+|www\.[^\s<>"]+)"),
        QRegularExpression::CaseInsensitiveOption);
    return pattern;
}

// The line as HTML; each address becomes a link whose target is its index
// in `addresses`, so that a click hands on the text exactly as shown.
QString lineHtml(const QString& text, const QColor& colour, QStringList& addresses) {
    QString html;
    qsizetype position = 0;
    auto matches = addressPattern().globalMatch(text);
    while (matches.hasNext()) {
        const QRegularExpressionMatch match = matches.next();
        html += text.mid(position, match.capturedStart() - position).toHtmlEscaped();
        html += QStringLiteral("<a href=\"%1\">%2</a>")
                    .arg(addresses.size())
                    .arg(match.captured().toHtmlEscaped());
        addresses.append(match.captured());
        position = match.capturedEnd();
    }
    html += text.mid(position).toHtmlEscaped();
    if (html.isEmpty())
        html = QStringLiteral("&nbsp;");
    return QStringLiteral("<span style=\"color:%1; white-space:pre-wrap\">%2</span>")
        .arg(colour.name(), html);
}

}  // namespace

GrabberLog::GrabberLog(QWidget* parent) : QTextBrowser(parent), m_colour(kNavy) {
    m_showTimer.setSingleShot(true);
    m_showTimer.setInterval(100);
    connect(&m_showTimer, &QTimer::timeout, this, &GrabberLog::showPending);
    setOpenLinks(false);
    setOpenExternalLinks(false);
    setUndoRedoEnabled(false);
    connect(this, &QTextBrowser::anchorClicked, this, [this](const QUrl& link) {
        bool ok = false;
        const int index = link.toString().toInt(&ok);
        if (ok && index >= 0 && index < m_addresses.size())
            emit linkClicked(m_addresses[index]);
    });
}

void GrabberLog::addLine(const QString& text) {
    m_lines.append(text);
    m_pending.append(lineHtml(text, m_colour, m_addresses));
    if (!m_showTimer.isActive())
        m_showTimer.start();
}

void GrabberLog::showPending() {
    m_showTimer.stop();
    for (const QString& html : std::exchange(m_pending, {}))
        append(html);
}

void GrabberLog::clearLines() {
    m_showTimer.stop();
    m_pending.clear();
    clear();
    m_lines.clear();
    m_addresses.clear();
}

void GrabberLog::contextMenuEvent(QContextMenuEvent* event) {
    QMenu menu(this);
    QAction* copy = menu.addAction(QStringLiteral("Copy Selected Text To Clipboard"));
    copy->setEnabled(textCursor().hasSelection());
    connect(copy, &QAction::triggered, this, &QTextBrowser::copy);
    menu.exec(event->globalPos());
}
