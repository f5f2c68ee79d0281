#include "NotepadEditor.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QContextMenuEvent>
#include <QMenu>
#include <QMimeData>
#include <QUrl>
#include <limits>

#include "AppError.h"

namespace {

QStringList localFiles(const QMimeData* data) {
    QStringList paths;
    if (data && data->hasUrls()) {
        for (const QUrl& url : data->urls()) {
            if (url.isLocalFile()) {
                paths.append(url.toLocalFile());
            }
        }
    }
    return paths;
}

// QScintilla's accessible text interface counts the characters from the start
// of the document on every caret move and every change: with an assistive
// technology listening, typing deep in a large document freezes for seconds.
// Large documents get a plain editable-text interface instead.
constexpr qsizetype kPlainAccessibilityBytes = 2 * 1024 * 1024;
// The component counts positions in 32 bits.
constexpr qint64 kMaximumBytes = std::numeric_limits<int>::max() - 1;

QAccessibleInterface* accessibleFor(const QString& className, QObject* object) {
    if (className == QLatin1String("NotepadEditor")) {
        auto* editor = static_cast<NotepadEditor*>(object);
        if (editor->SendScintilla(QsciScintillaBase::SCI_GETLENGTH) >= kPlainAccessibilityBytes) {
            return new QAccessibleWidget(editor, QAccessible::EditableText);
        }
    }
    return nullptr;  // QScintilla's own
}

}  // namespace

NotepadEditor::NotepadEditor(QWidget* parent) : QsciScintilla(parent) {
    QFont font(QStringLiteral("Courier New"), 10);
    font.setStyleHint(QFont::TypeWriter);
    setFont(font);
    SendScintilla(SCI_SETEOLMODE, SC_EOL_LF);

    setAutoIndent(true);
    applyDocumentOptions();
    SendScintilla(SCI_SETVIRTUALSPACEOPTIONS,
                  SCVS_RECTANGULARSELECTION | SCVS_USERACCESSIBLE);  // caret past line end
    SendScintilla(SCI_SETRECTANGULARSELECTIONMODIFIER, SCMOD_ALT);   // Alt-drag columns
    SendScintilla(SCI_SETMOUSESELECTIONRECTANGULARSWITCH, 1);
    SendScintilla(SCI_SETSCROLLWIDTHTRACKING, 1);
    SendScintilla(SCI_SETSCROLLWIDTH, 1);
    setAcceptDrops(true);
    // Installed after QScintilla's factory (made with the first editor), so asked first.
    static const bool accessibilityInstalled = [] {
        QAccessible::installFactory(accessibleFor);
        return true;
    }();
    Q_UNUSED(accessibilityInstalled);

    // Scintilla's own line numbers count from 1; a right-justified text margin
    // filled for the visible lines counts from 0.
    setMarginType(0, TextMarginRightJustified);
    setMarginsBackgroundColor(QColor(0xE8, 0xE8, 0xF0));
    setMarginsForegroundColor(QColor(0x50, 0x50, 0x70));
    setMarginWidth(1, 0);
    connect(this, &QsciScintillaBase::SCN_UPDATEUI, this, [this](int) { refreshLineNumbers(); });
    refreshLineNumbers();
}

void NotepadEditor::applyDocumentOptions() {
    // Options the component keeps with each document.
    setUtf8(true);                  // until the text says otherwise
    setIndentationsUseTabs(false);  // tabs become spaces
    setTabIndents(true);            // smart tabs
    setBackspaceUnindents(true);    // smart tab deletion
}

void NotepadEditor::loadBytes(const QByteArray& bytes, TextEncoding encoding, LineEnd lineEnd) {
    beginLoading(bytes.size());
    appendBytes(bytes);
    finishLoading(encoding, lineEnd);
}

void NotepadEditor::loadFile(const QString& path) {
    DocumentFileReader reader(path);  // a file that cannot be opened changes nothing
    if (reader.size() > kMaximumBytes) {
        throw AppError(QStringLiteral("Cannot open file \"%1\". It is larger than the Editor's "
                                      "2 GB.")
                           .arg(path));
    }
    // The file goes into a document of its own, which replaces the current
    // one once it is read whole: a file that fails half-way leaves the
    // document as it was, undo history and all. (A new document also comes
    // without the old one's per-line data, such as the highlighter's line
    // states, which would otherwise grow line by line as the file is read.)
    const QsciDocument previous = document();
    const long anchor = SendScintilla(SCI_GETANCHOR);
    const long caret = SendScintilla(SCI_GETCURRENTPOS);
    const long firstLine = SendScintilla(SCI_GETFIRSTVISIBLELINE);
    const bool previousReported = m_reportsChanges;
    setDocument(QsciDocument());
    applyDocumentOptions();
    reattachLexer();  // while the document is empty, which it styles at once
    beginLoading(reader.size());
    TextFormatProbe probe;
    try {
        for (QByteArrayView piece = reader.next(); !piece.isEmpty(); piece = reader.next()) {
            probe.add(piece);
            appendBytes(piece);
        }
    } catch (const AppError&) {
        setDocument(previous);
        // The component took a reference of its own on the old document
        // when it stopped showing it, kept for a copy that shows it nowhere;
        // shown again, nothing would ever give that reference back.
        SendScintilla(SCI_RELEASEDOCUMENT, 0, SendScintillaPtrResult(SCI_GETDOCPOINTER));
        setChangeReports(previousReported);
        reattachLexer();
        SendScintilla(SCI_SETSEL, static_cast<unsigned long>(anchor), caret);
        SendScintilla(SCI_SETFIRSTVISIBLELINE, firstLine);
        m_gutterDigits = 0;
        refreshLineNumbers();
        throw;
    }
    finishLoading(probe.encoding(), probe.lineEnd());
}

void NotepadEditor::reattachLexer() {
    // The component keeps the highlighter's state with the document.
    if (QsciLexer* current = lexer()) {
        setLexer(current);
    }
}

void NotepadEditor::setChangeReports(bool on) {
    // QScintilla reports every insertion and deletion to its accessibility
    // code, which counts the characters before the change each time, whether
    // anyone listens or not: in a large document that is a long freeze per
    // keystroke, and a second pass over the whole text while loading. Large
    // documents do without those change reports, from the load on.
    // (The mask is matched bit by bit, and every text change also carries
    // a "performed by" bit, so only unrelated kinds may stay in it.)
    m_reportsChanges = on;
    SendScintilla(SCI_SETMODEVENTMASK,
                  on ? SC_MODEVENTMASKALL : SC_MOD_CHANGEMARKER | SC_MOD_CHANGEFOLD);
}

NotepadEditor::BulkChange::BulkChange(NotepadEditor& editor)
    : m_editor(editor), m_reported(editor.m_reportsChanges) {
    if (m_reported) {
        m_editor.setChangeReports(false);
    }
}

NotepadEditor::BulkChange::~BulkChange() {
    if (!m_reported) {
        return;
    }
    m_editor.setChangeReports(true);
    emit m_editor.textChanged();
    if (QAccessible::isActive()) {
        // A text update must carry its texts (the bridge reads them from the
        // event); the run's are not kept, so readers are told of the change
        // and read the text again.
        QAccessibleTextUpdateEvent changed(&m_editor, 0, QString(), QString());
        QAccessible::updateAccessibility(&changed);
    }
}

void NotepadEditor::beginLoading(qint64 incoming) {
    // All text out at once, which resets the line data too (deleting less
    // would keep it, and have it grow again line by line as text comes in).
    SendScintilla(SCI_SETUNDOCOLLECTION, 0);
    SendScintilla(SCI_EMPTYUNDOBUFFER);
    SendScintilla(SCI_DELETERANGE, 0UL, SendScintilla(SCI_GETLENGTH));
    SendScintilla(SCI_MARGINTEXTCLEARALL);
    setChangeReports(incoming < kPlainAccessibilityBytes);
    // Room for the whole file at once, and some to spare: a full buffer is
    // copied whole to grow, which the first keystroke would otherwise pay.
    const qint64 room = incoming + incoming / 32 + 4096;
    SendScintilla(SCI_ALLOCATE, long(qMin<qint64>(room, kMaximumBytes)));
}

void NotepadEditor::appendBytes(QByteArrayView bytes) {
    // At the caret, which follows; with a length, which keeps NUL bytes.
    SendScintilla(SCI_ADDTEXT, static_cast<unsigned long>(bytes.size()), bytes.data());
}

void NotepadEditor::finishLoading(TextEncoding encoding, LineEnd lineEnd) {
    if (!m_reportsChanges) {
        // The component's text and its line tables each keep their gap where
        // the last change was: here at the end. A line put in at the top and
        // taken out again moves every gap to the caret while the file is
        // opening, so the first keystroke there does not move the whole file.
        SendScintilla(SCI_INSERTTEXT, 0UL, "\n");
        SendScintilla(SCI_DELETERANGE, 0UL, 1L);
    }
    m_encoding = encoding;
    m_lineEnd = lineEnd;
    setUtf8(encoding == TextEncoding::Utf8);
    SendScintilla(SCI_SETEOLMODE, lineEnd == LineEnd::CrLf ? SC_EOL_CRLF
                                  : lineEnd == LineEnd::Cr ? SC_EOL_CR
                                                           : SC_EOL_LF);
    SendScintilla(SCI_SETUNDOCOLLECTION, 1);
    SendScintilla(SCI_EMPTYUNDOBUFFER);
    SendScintilla(SCI_SETSAVEPOINT);
    SendScintilla(SCI_GOTOPOS, 0);
    m_gutterDigits = 0;
    refreshLineNumbers();
    // The interface is chosen by the document's size: drop one made for the
    // previous document when the choice changes.
    const bool large = !m_reportsChanges;
    if (QAccessibleInterface* current = QAccessible::queryAccessibleInterface(this)) {
        if ((current->textInterface() != nullptr) == large) {
            QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(current));
        }
    }
}

void NotepadEditor::recolor(int start, int end) {
    // Colouring a whole large document up front, as a new highlighter or font
    // would, takes seconds: what is shown is coloured now, the rest from
    // `start` on as it comes into view.
    const long firstShown = SendScintilla(SCI_GETFIRSTVISIBLELINE);
    const long lastShown =
        SendScintilla(SCI_DOCLINEFROMVISIBLE, firstShown + SendScintilla(SCI_LINESONSCREEN) + 1);
    const int shownEnd = int(SendScintilla(SCI_GETLINEENDPOSITION, lastShown));
    if (end < 0 || end > shownEnd) {
        end = qMax(start, shownEnd);
    }
    SendScintilla(SCI_STARTSTYLING, static_cast<unsigned long>(start), 0L);
    QsciScintilla::recolor(start, end);
}

QByteArrayView NotepadEditor::bytes() const {
    auto* self = const_cast<NotepadEditor*>(this);
    const auto length = qsizetype(self->SendScintilla(SCI_GETLENGTH));
    const auto* data = reinterpret_cast<const char*>(self->SendScintilla(SCI_GETCHARACTERPOINTER));
    return QByteArrayView(data, length);
}

qsizetype NotepadEditor::textIndexOfByte(qsizetype byteOffset) const {
    if (m_encoding == TextEncoding::Latin1) {
        return byteOffset;
    }
    return utf16Length(bytes().first(qBound<qsizetype>(0, byteOffset, bytes().size())));
}

QPoint NotepadEditor::caretLineAndColumn() const {
    auto* self = const_cast<NotepadEditor*>(this);
    const long position = self->SendScintilla(SCI_GETCURRENTPOS);
    const long line = self->SendScintilla(SCI_LINEFROMPOSITION, position);
    const long column = self->SendScintilla(SCI_GETCOLUMN, position) +
                        self->SendScintilla(SCI_GETSELECTIONNCARETVIRTUALSPACE, 0);
    return QPoint(int(column) + 1, int(line) + 1);
}

void NotepadEditor::setShowSpecialCharacters(bool on) {
    setWhitespaceVisibility(on ? WsVisible : WsInvisible);
    setEolVisibility(on);
    viewport()->update();
}

void NotepadEditor::setWordWrap(bool on) {
    setWrapMode(on ? WrapWord : WrapNone);
    // While wrapping only the vertical bar is shown.
    SendScintilla(SCI_SETHSCROLLBAR, on ? 0 : 1);
}

void NotepadEditor::refreshLineNumbers() {
    const long lines = SendScintilla(SCI_GETLINECOUNT);
    int digits = 3;
    for (long last = lines - 1; last >= 1000; last /= 10) {
        ++digits;
    }
    if (digits != m_gutterDigits) {
        m_gutterDigits = digits;
        setMarginWidth(0, QString(digits + 1, QLatin1Char('9')));
    }
    const long first = SendScintilla(SCI_GETFIRSTVISIBLELINE);
    const long shown = SendScintilla(SCI_LINESONSCREEN) + 1;
    long previous = -1;
    for (long display = first; display <= first + shown; ++display) {
        const long line = SendScintilla(SCI_DOCLINEFROMVISIBLE, display);
        if (line >= lines) {
            break;
        }
        if (line == previous) {
            continue;
        }
        previous = line;
        // Only changed numbers are set: setting one repaints, and a repaint
        // reports a UI update that would bring us back here.
        const QByteArray number = QByteArray::number(qlonglong(line));
        char current[24] = {};
        const long length =
            SendScintilla(SCI_MARGINGETTEXT, line, static_cast<const char*>(nullptr));
        if (length == number.size()) {
            SendScintilla(SCI_MARGINGETTEXT, line, current);
        }
        if (number != QByteArrayView(current, qstrnlen(current, sizeof current))) {
            SendScintilla(SCI_MARGINSETTEXT, line, number.constData());
            SendScintilla(SCI_MARGINSETSTYLE, line, STYLE_LINENUMBER);
        }
    }
}

void NotepadEditor::keyReleaseEvent(QKeyEvent* event) {
    QsciScintilla::keyReleaseEvent(event);
    emit keyReleased(event->key());
}

void NotepadEditor::mouseReleaseEvent(QMouseEvent* event) {
    QsciScintilla::mouseReleaseEvent(event);
    emit mouseReleased();
}

void NotepadEditor::contextMenuEvent(QContextMenuEvent* event) {
    if (m_contextMenu) {
        m_contextMenu->popup(event->globalPos());
        event->accept();
        return;
    }
    QsciScintilla::contextMenuEvent(event);
}

void NotepadEditor::dragEnterEvent(QDragEnterEvent* event) {
    if (!localFiles(event->mimeData()).isEmpty()) {
        event->acceptProposedAction();
        return;
    }
    QsciScintilla::dragEnterEvent(event);
}

void NotepadEditor::dropEvent(QDropEvent* event) {
    const QStringList paths = localFiles(event->mimeData());
    if (!paths.isEmpty()) {
        event->acceptProposedAction();
        emit filesDropped(paths);
        return;
    }
    QsciScintilla::dropEvent(event);
}
