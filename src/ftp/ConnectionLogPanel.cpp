#include "ConnectionLogPanel.h"

#include <QCheckBox>
#include <QClipboard>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextEdit>
#include <QTimer>
#include <QVBoxLayout>

#include "TextColouring.h"

namespace {

QColor colourOf(TextColour colour) {
    switch (colour) {
        case TextColour::Green:
            return QColor(0, 128, 0);
        case TextColour::Red:
            return QColor(255, 0, 0);
        case TextColour::Blue:
            return QColor(0, 0, 255);
        case TextColour::Plain:
            break;
    }
    return QColor(Qt::black);
}

}  // namespace

ConnectionLogPanel::ConnectionLogPanel(QWidget* parent) : QWidget(parent) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    auto* header = new QHBoxLayout;
    m_caption = new QLabel("Connection Log");
    m_caption->setObjectName("lblLogCaption");
    cbColoredLog = new QCheckBox("Colored Log. (Uses some cpu)");
    cbColoredLog->setObjectName("cbColoredLog");
    header->addWidget(m_caption);
    header->addStretch();
    header->addWidget(cbColoredLog);
    memLog = new QTextEdit;
    memLog->setObjectName("memLog");
    memLog->setAccessibleName("Connection Log");
    memLog->setLineWrapMode(QTextEdit::NoWrap);
    memLog->setAcceptRichText(false);
    layout->addLayout(header);
    layout->addWidget(memLog);
    watch(memLog);
    connect(cbColoredLog, &QCheckBox::toggled, this, [this](bool on) {
        // Lines that came while it was off get their colours now.
        if (on) {
            colourRange(0, memLog->toPlainText());
        }
    });
}

void ConnectionLogPanel::appendLine(const QString& line) {
    // In the plain colour, whatever colour the previous line ended in; the
    // change moves the caret to the end.
    QTextCursor end(memLog->document());
    end.movePosition(QTextCursor::End);
    if (!memLog->document()->isEmpty()) {
        end.insertBlock(QTextBlockFormat(), QTextCharFormat());
    }
    const int start = end.position();
    end.insertText(line, QTextCharFormat());
    if (cbColoredLog->isChecked()) {
        colourRange(start, line);
        memLog->setFocus();
    }
}

void ConnectionLogPanel::colourRange(int from, const QString& text) {
    QTextCursor cursor(memLog->document());
    cursor.beginEditBlock();
    for (const ColouredRun& run : colourLogText(text)) {
        cursor.setPosition(from + int(run.start));
        cursor.setPosition(from + int(run.start + run.length), QTextCursor::KeepAnchor);
        QTextCharFormat format;
        format.setForeground(colourOf(run.colour));
        cursor.mergeCharFormat(format);
    }
    cursor.endEditBlock();
}

void ConnectionLogPanel::moveCaretToEnd() {
    QTextCursor cursor = memLog->textCursor();
    cursor.movePosition(QTextCursor::End);
    memLog->setTextCursor(cursor);
    memLog->ensureCursorVisible();
}

void ConnectionLogPanel::attach(QTextEdit* editor) {
    watch(editor);
}

void ConnectionLogPanel::watch(QTextEdit* edit) {
    edit->viewport()->installEventFilter(this);
    edit->installEventFilter(this);
    edit->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(edit, &QTextEdit::textChanged, this, &ConnectionLogPanel::moveCaretToEnd);
    connect(edit, &QWidget::customContextMenuRequested, this, [edit](const QPoint& position) {
        QMenu menu;
        // Each box copies its own selection.
        menu.addAction("Copy To Clipboard", edit, [edit] {
            QGuiApplication::clipboard()->setText(edit->textCursor().selectedText().replace(
                QChar::ParagraphSeparator, QLatin1Char('\n')));
        });
        menu.exec(edit->viewport()->mapToGlobal(position));
    });
}

bool ConnectionLogPanel::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::KeyRelease) {
        // After the box has handled the event, so a click's caret is counted.
        QTimer::singleShot(0, this, &ConnectionLogPanel::showCaretPosition);
    }
    return QWidget::eventFilter(watched, event);
}

void ConnectionLogPanel::showCaretPosition() {
    const QTextCursor caret = memLog->textCursor();
    m_caption->setText(QString("Connection Log - Copy from line position:%1:%2")
                           .arg(caret.blockNumber() + 1)
                           .arg(caret.positionInBlock() + 1));
}
