#pragma once

#include <Qsci/qsciscintilla.h>

#include "DocumentFile.h"

class QMenu;

// The editing component as the editor window uses it: a document held as the
// file's bytes, a line-number gutter counted from 0, and the notifications the
// window's handlers need.
class NotepadEditor : public QsciScintilla {
    Q_OBJECT
public:
    explicit NotepadEditor(QWidget* parent = nullptr);

    // Replaces the whole document with `bytes`, edited in `encoding`, new
    // lines ending with `lineEnd`; the undo history is cleared.
    void loadBytes(const QByteArray& bytes, TextEncoding encoding, LineEnd lineEnd);
    // The same with a file's bytes, read piece by piece into the document;
    // encoding and line end follow the file. Throws AppError when the file
    // cannot be opened or read, and the document stays as it was.
    void loadFile(const QString& path);
    // The document exactly as held, valid until the next change.
    QByteArrayView bytes() const;
    TextEncoding encoding() const { return m_encoding; }
    // False for large documents, which do without per-change notifications
    // (textChanged among them); their changes show in SCN_UPDATEUI instead.
    bool reportsChanges() const { return m_reportsChanges; }
    LineEnd lineEnd() const { return m_lineEnd; }

    // Many changes reported as one, while it lives: the component's report of
    // each (which QScintilla's accessibility code answers with a count of the
    // characters before the change) is off, and textChanged comes once at
    // the end.
    class BulkChange {
    public:
        explicit BulkChange(NotepadEditor& editor);
        ~BulkChange();
        BulkChange(const BulkChange&) = delete;
        BulkChange& operator=(const BulkChange&) = delete;

    private:
        NotepadEditor& m_editor;
        bool m_reported;
    };

    // Byte offsets of the document and UTF-16 indexes of its decoded text.
    qsizetype textIndexOfByte(qsizetype byteOffset) const;

    // Caret line and column, both counted from 1, the column as displayed
    // (tabs expanded, virtual space included).
    QPoint caretLineAndColumn() const;

    void setContextMenu(QMenu* menu) { m_contextMenu = menu; }
    void setShowSpecialCharacters(bool on);
    void setWordWrap(bool on);

    // Colours from `start` only as far as is likely shown; the rest is
    // coloured as it comes into view.
    void recolor(int start = 0, int end = -1) override;

signals:
    void keyReleased(int key);
    void mouseReleased();
    void filesDropped(const QStringList& paths);

protected:
    void keyReleaseEvent(QKeyEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void applyDocumentOptions();
    void reattachLexer();
    void beginLoading(qint64 incoming);
    void appendBytes(QByteArrayView bytes);
    void finishLoading(TextEncoding encoding, LineEnd lineEnd);
    void setChangeReports(bool on);
    void refreshLineNumbers();

    TextEncoding m_encoding = TextEncoding::Utf8;
    LineEnd m_lineEnd = LineEnd::Lf;
    QMenu* m_contextMenu = nullptr;
    int m_gutterDigits = 0;
    bool m_reportsChanges = true;
};
