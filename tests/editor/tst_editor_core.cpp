#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include "AppError.h"
#include "DocumentFile.h"
#include "EditorTexts.h"
#include "RecentFiles.h"
#include "StructuredTextScanner.h"
#include "TestEnvironment.h"
#include "TextSearch.h"

// A document over a plain string, recording the questions it is asked.
class StringDocument : public SearchDocument {
public:
    explicit StringDocument(QString text) : content(std::move(text)) {}

    // Lends the text's Latin-1 bytes when `singleBytes` is set (and the
    // search allows it), as a document of single bytes does.
    SearchText text(bool needsUtf16) const override {
        if (!singleBytes || needsUtf16) {
            return SearchText(content);
        }
        bytes = content.toLatin1();
        return SearchText(QLatin1StringView(bytes));
    }
    qsizetype selectionStart() const override { return std::min(anchor, caret); }
    qsizetype selectionEnd() const override { return std::max(anchor, caret); }
    void select(qsizetype start, qsizetype end, bool caretAtStart) override {
        anchor = caretAtStart ? end : start;
        caret = caretAtStart ? start : end;
    }
    void replace(qsizetype start, qsizetype end, const QString& replacement) override {
        content.replace(start, end - start, replacement);
        ++changes;
    }
    void replaceAll(const QList<TextReplacement>& replacements, qsizetype caretAfter) override {
        QString replaced;
        qsizetype copied = 0;
        for (qsizetype i = 0; i < replacements.size(); ++i) {
            replaced += content.mid(copied, replacements[i].range.start - copied);
            replaced += replacements[i].text;
            copied = replacements[i].range.end;
            const bool last = caretAfter < 0 || caretAfter >= replacements.size();
            if (i == caretAfter || (last && i == replacements.size() - 1))
                anchor = caret = replaced.size();
        }
        content = replaced + content.mid(copied);
        ++changes;
    }
    ReplaceAction askReplace(const QString&, const QString&, const TextMatch& match) override {
        asked.append(match.start);
        return answers.isEmpty() ? ReplaceAction::Cancel : answers.takeFirst();
    }
    QString selected() const {
        return content.mid(selectionStart(), selectionEnd() - selectionStart());
    }

    QString content;
    bool singleBytes = false;
    mutable QByteArray bytes;
    qsizetype anchor = 0;
    qsizetype caret = 0;
    int changes = 0;
    QList<qsizetype> asked;
    QList<ReplaceAction> answers;
};

class TestEditorCore : public QObject {
    Q_OBJECT
private slots:
    void encodingDetection_data();
    void encodingDetection();
    void lineEndDetection_data();
    void lineEndDetection();
    void utf16LengthMatchesDecoding();
    void writeKeepsPermissionsAndReportsFailures();

    void recentFilesRules();
    void historyKeepsTenNewestWithoutCaseDuplicates();

    void modeForExtension_data();
    void modeForExtension();
    void confirmPlacement_data();
    void confirmPlacement();
    void statusTexts();

    void find_data();
    void find();
    void singleByteSearchAnswersAsUtf16_data();
    void singleByteSearchAnswersAsUtf16();
    void regexReplacementExpandsGroups();
    void promptedReplaceWalksMatches();
    void yesToAllReplacesRestInOneChange();
    void backwardReplaceAndSelectionScope();

    void structuredTextTokens();
    void structuredTextLineEnds_data();
    void structuredTextLineEnds();
};

void TestEditorCore::encodingDetection_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("utf8");
    QTest::newRow("ascii") << QByteArray("plain text\n") << true;
    QTest::newRow("utf8") << QByteArray("gr\xC3\xBC\xC3\x9F \xE2\x82\xAC \xF0\x9F\x98\x80") << true;
    QTest::newRow("nul") << QByteArray("a\0b", 3) << true;
    QTest::newRow("latin1") << QByteArray("caf\xE9\n") << false;
    QTest::newRow("latin1 after long ascii") << QByteArray("0123456789abcdef\xE9") << false;
    QTest::newRow("utf8 after long ascii") << QByteArray("0123456789abcdef\xC3\xA9") << true;
    QTest::newRow("overlong") << QByteArray("\xC0\x80") << false;
    QTest::newRow("surrogate") << QByteArray("\xED\xA0\x80") << false;
    QTest::newRow("truncated") << QByteArray("ab\xE2\x82") << false;
    QTest::newRow("beyond unicode") << QByteArray("\xF4\x90\x80\x80") << false;
}

void TestEditorCore::encodingDetection() {
    QFETCH(QByteArray, bytes);
    QFETCH(bool, utf8);
    const TextEncoding encoding = detectEncoding(bytes);
    QCOMPARE(encoding == TextEncoding::Utf8, utf8);
    // Read in two pieces, split anywhere, the finding is the same.
    for (qsizetype split = 0; split <= bytes.size(); ++split) {
        TextFormatProbe probe;
        probe.add(QByteArrayView(bytes).first(split));
        probe.add(QByteArrayView(bytes).sliced(split));
        QCOMPARE(probe.encoding(), encoding);
    }
    // Whatever the choice, decoding and encoding again gives the same bytes.
    QCOMPARE(encodeText(decodeText(bytes, encoding), encoding), bytes);
}

void TestEditorCore::lineEndDetection_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("expected");
    QTest::newRow("lf") << QByteArray("a\nb\r\n") << int(LineEnd::Lf);
    QTest::newRow("crlf") << QByteArray("a\r\nb\n") << int(LineEnd::CrLf);
    QTest::newRow("cr") << QByteArray("a\rb\rc") << int(LineEnd::Cr);
    QTest::newRow("cr at end") << QByteArray("a\r") << int(LineEnd::Cr);
    QTest::newRow("none gives fallback") << QByteArray("abc") << int(LineEnd::CrLf);
}

void TestEditorCore::lineEndDetection() {
    QFETCH(QByteArray, bytes);
    QFETCH(int, expected);
    QCOMPARE(int(detectLineEnd(bytes, LineEnd::CrLf)), expected);
    for (qsizetype split = 0; split <= bytes.size(); ++split) {
        TextFormatProbe probe;
        probe.add(QByteArrayView(bytes).first(split));
        probe.add(QByteArrayView(bytes).sliced(split));
        QCOMPARE(int(probe.lineEnd(LineEnd::CrLf)), expected);
    }
}

void TestEditorCore::utf16LengthMatchesDecoding() {
    const QByteArray bytes("a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80z");
    const QString text = QString::fromUtf8(bytes);
    QCOMPARE(utf16Length(bytes), text.size());
    QCOMPARE(utf8Length(text), bytes.size());
    QCOMPARE(utf8Length(QStringView(text).left(3)), 6);  // a, é, €
}

void TestEditorCore::writeKeepsPermissionsAndReportsFailures() {
    QTemporaryDir dir;
    const QString script = dir.filePath("run.sh");
    writeDocumentFile(script, "#!/bin/sh\necho old\n");
    QFile::setPermissions(script, QFile::permissions(script) | QFile::ExeOwner);
    writeDocumentFile(script, "#!/bin/sh\necho new\n");
    QVERIFY(QFile::permissions(script) & QFile::ExeOwner);
    DocumentFileReader reader(script);
    QCOMPARE(reader.next(), QByteArrayView("#!/bin/sh\necho new\n"));
    QVERIFY(reader.next().isEmpty());

    try {
        writeDocumentFile(dir.filePath("missing/folder/file.txt"), "x");
        QFAIL("writing into a missing folder succeeded");
    } catch (const AppError& error) {
        QVERIFY2(error.message().contains("missing/folder/file.txt"), qPrintable(error.message()));
    }
    try {
        DocumentFileReader absent(dir.filePath("absent.txt"));
        QFAIL("reading a missing file succeeded");
    } catch (const AppError& error) {
        QVERIFY2(error.message().contains("No such file"), qPrintable(error.message()));
    }
}

void TestEditorCore::recentFilesRules() {
    RecentFiles recent;
    recent.add(QString());
    QVERIFY(recent.isEmpty());
    for (int i = 1; i <= 6; ++i) {
        recent.add(QStringLiteral("/f/%1.txt").arg(i));
    }
    QCOMPARE(recent.entries(),
             QStringList({"/f/6.txt", "/f/5.txt", "/f/4.txt", "/f/3.txt", "/f/2.txt"}));
    recent.add("/F/3.TXT");
    QCOMPARE(recent.entries(),
             QStringList({"/F/3.TXT", "/f/6.txt", "/f/5.txt", "/f/4.txt", "/f/2.txt"}));
    recent.remove("/F/6.TXT");
    recent.remove("/f/7.txt");
    QCOMPARE(recent.entries(), QStringList({"/F/3.TXT", "/f/5.txt", "/f/4.txt", "/f/2.txt"}));
}

void TestEditorCore::historyKeepsTenNewestWithoutCaseDuplicates() {
    QStringList history;
    for (int i = 1; i <= 11; ++i) {
        moveToTopOfHistory(history, QStringLiteral("text%1").arg(i));
    }
    QCOMPARE(history.size(), 10);
    QCOMPARE(history.first(), QString("text11"));
    QCOMPARE(history.last(), QString("text2"));
    moveToTopOfHistory(history, "TEXT5");
    QCOMPARE(history.size(), 10);
    QCOMPARE(history.first(), QString("TEXT5"));
    QCOMPARE(history.count("text5"), 0);
    moveToTopOfHistory(history, QString());
    QCOMPARE(history.first(), QString("TEXT5"));
}

void TestEditorCore::modeForExtension_data() {
    QTest::addColumn<QString>("extension");
    QTest::addColumn<int>("mode");
    QTest::addColumn<QString>("box");
    QTest::addColumn<QString>("status");
    QTest::newRow(".pas") << ".pas" << 1 << "Pascal"
                          << "Ready in Pascal mode";
    QTest::newRow(".PAS") << ".PAS" << 0 << "Text"
                          << "Ready in Text mode";
    QTest::newRow(".dpr") << ".dpr" << 1 << "Pascal"
                          << "Ready in Pascal mode";
    QTest::newRow(".dfm") << ".dfm" << 1 << "Pascal"
                          << "Ready in Pascal mode";
    QTest::newRow(".xml") << ".xml" << 2 << "Xml"
                          << "Ready in Xml mode";
    QTest::newRow(".html") << ".html" << 3 << "Html"
                           << "Ready in Html mode";
    QTest::newRow(".shtml") << ".shtml" << 3 << "Html"
                            << "Ready in Html mode";
    QTest::newRow(".txt") << ".txt" << 0 << "Text"
                          << "Ready in Text mode";
    QTest::newRow("none") << "" << 0 << "Text"
                          << "Ready in Text mode";
}

void TestEditorCore::modeForExtension() {
    QFETCH(QString, extension);
    QFETCH(int, mode);
    QFETCH(QString, box);
    QFETCH(QString, status);
    const ModeChoice choice = ::modeForExtension(extension);
    QCOMPARE(int(choice.mode), mode);
    QCOMPARE(choice.boxText, box);
    QCOMPARE(choice.status, status);
}

void TestEditorCore::confirmPlacement_data() {
    QTest::addColumn<QSize>("dialog");
    QTest::addColumn<QPoint>("match");
    QTest::addColumn<QPoint>("expected");
    const int lineHeight = 15;
    Q_UNUSED(lineHeight);
    // Window at (100, 50), 600 x 300: two thirds down is y = 250.
    QTest::newRow("near top: below") << QSize(200, 80) << QPoint(150, 70) << QPoint(150, 89);
    QTest::newRow("near bottom: above") << QSize(200, 80) << QPoint(150, 240) << QPoint(150, 156);
    QTest::newRow("lower edge on the line: below")
        << QSize(200, 80) << QPoint(150, 235) << QPoint(150, 254);
    QTest::newRow("right overflow: aligned")
        << QSize(200, 80) << QPoint(600, 70) << QPoint(500, 89);
    QTest::newRow("wider than window: centred")
        << QSize(700, 80) << QPoint(300, 70) << QPoint(50, 89);
}

void TestEditorCore::confirmPlacement() {
    QFETCH(QSize, dialog);
    QFETCH(QPoint, match);
    QFETCH(QPoint, expected);
    QCOMPARE(confirmDialogPosition(dialog, QRect(100, 50, 600, 300), match, 15), expected);
}

void TestEditorCore::statusTexts() {
    QCOMPARE(EditorTexts::position(12, 7), QString("Position:     12:  7 "));
    QCOMPARE(EditorTexts::insertMode(false), QString("Insert key is Off."));
    QCOMPARE(EditorTexts::insertMode(true), QString("Insert key is On!"));
    QCOMPARE(EditorTexts::capsLock(true), QString("Caps Lock is On!"));
    const QLocale locale(QLocale::English, QLocale::UnitedStates);
    const QDateTime moment(QDate(2026, 3, 4), QTime(5, 6, 7));
    QCOMPARE(EditorTexts::dateAndTime(moment, locale),
             locale.toString(moment.date(), QLocale::ShortFormat) + "  " +
                 locale.toString(moment.time(), QLocale::LongFormat));
}

void TestEditorCore::find_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<bool>("regex");
    QTest::addColumn<bool>("matchCase");
    QTest::addColumn<bool>("wholeWord");
    QTest::addColumn<bool>("backwards");
    QTest::addColumn<bool>("entireScope");
    QTest::addColumn<bool>("selectedOnly");
    QTest::addColumn<int>("anchor");  // selection before the search
    QTest::addColumn<int>("caret");
    QTest::addColumn<int>("found");  // start of the selected match, -1 for none
    const QString cats = "A Cat sat, then a cat ran.";
    QTest::newRow("ignoring case")
        << cats << "cat" << false << false << false << false << true << false << 0 << 0 << 2;
    QTest::newRow("case sensitive")
        << cats << "cat" << false << true << false << false << true << false << 0 << 0 << 18;
    QTest::newRow("whole word skips part")
        << "concat cat"
        << "cat" << false << false << true << false << true << false << 0 << 0 << 7;
    QTest::newRow("regex") << "x1 y22 z333"
                           << "[a-z]\\d{2}\\b" << true << false << false << false << true << false
                           << 0 << 0 << 3;
    QTest::newRow("regex whole word")
        << "ab1 b2 ab3"
        << "b\\d" << true << false << true << false << true << false << 0 << 0 << 4;
    QTest::newRow("backwards entire")
        << cats << "cat" << false << false << false << true << true << false << 0 << 0 << 18;
    QTest::newRow("forwards from caret")
        << cats << "cat" << false << false << false << false << false << false << 5 << 5 << 18;
    QTest::newRow("from caret past selected match")
        << cats << "cat" << false << false << false << false << false << false << 2 << 5 << 18;
    QTest::newRow("backwards before selected match")
        << cats << "cat" << false << false << false << true << false << false << 21 << 18 << 2;
    QTest::newRow("backwards from caret, none")
        << cats << "cat" << false << false << false << true << false << false << 3 << 3 << -1;
    QTest::newRow("selection only")
        << "cat | cat | cat"
        << "cat" << false << false << false << false << false << true << 4 << 11 << 6;
    QTest::newRow("no match") << cats << "dog" << false << false << false << false << true << false
                              << 0 << 0 << -1;
}

void TestEditorCore::find() {
    QFETCH(QString, text);
    QFETCH(QString, pattern);
    QFETCH(bool, regex);
    QFETCH(bool, matchCase);
    QFETCH(bool, wholeWord);
    QFETCH(bool, backwards);
    QFETCH(bool, entireScope);
    QFETCH(bool, selectedOnly);
    QFETCH(int, anchor);
    QFETCH(int, caret);
    QFETCH(int, found);
    // The same over UTF-16 and over the bytes a single-byte document lends.
    for (const bool singleBytes : {false, true}) {
        StringDocument document(text);
        document.singleBytes = singleBytes;
        document.anchor = anchor;
        document.caret = caret;
        PlainSearchEngine plain;
        RegexSearchEngine expression;
        SearchOptions options;
        options.matchCase = matchCase;
        options.wholeWord = wholeWord;
        options.backwards = backwards;
        options.entireScope = entireScope;
        options.selectedOnly = selectedOnly;
        const int count = searchAndReplace(document,
                                           regex ? static_cast<TextSearchEngine&>(expression)
                                                 : static_cast<TextSearchEngine&>(plain),
                                           pattern, QString(), options);
        QCOMPARE(count, found < 0 ? 0 : 1);
        if (found >= 0) {
            QCOMPARE(document.selectionStart(), found);
            // The caret ends on the side the search went to.
            QCOMPARE(document.caret,
                     backwards ? document.selectionStart() : document.selectionEnd());
        }
    }
}

void TestEditorCore::singleByteSearchAnswersAsUtf16_data() {
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<bool>("matchCase");
    // Characters whose case folds across the Latin-1 border, or to another
    // Latin-1 character, beside plain letters.
    for (const char16_t* pattern :
         {u"k", u"K", u"\u212A", u"s", u"\u017F", u"\u00B5", u"\u03BC", u"\u00FF", u"\u0178",
          u"\u00C5", u"\u212B", u"\u00DF", u"ss", u"a\u00E9", u"\u20AC", u"\U0001F600"}) {
        const QString text = QString::fromUtf16(pattern);
        QTest::addRow("%s ignoring case", qPrintable(text)) << text << false;
        QTest::addRow("%s in its case", qPrintable(text)) << text << true;
    }
}

void TestEditorCore::singleByteSearchAnswersAsUtf16() {
    QFETCH(QString, pattern);
    QFETCH(bool, matchCase);
    const Qt::CaseSensitivity cs = matchCase ? Qt::CaseSensitive : Qt::CaseInsensitive;
    // Every byte, twice over, and pairs of them, each found where UTF-16 finds it.
    QByteArray bytes;
    for (int round = 0; round < 2; ++round) {
        for (int byte = 1; byte < 256; ++byte) {
            bytes += char(byte);
        }
    }
    bytes +=
        "ssaaEa\xE9"
        "A\xC9ss";
    const QLatin1StringView single(bytes);
    const QString utf16(single);
    for (qsizetype from = 0; from <= utf16.size(); from += 7) {
        QCOMPARE(indexOfSingleBytes(single, pattern, from, cs), utf16.indexOf(pattern, from, cs));
        QCOMPARE(lastIndexOfSingleBytes(single, pattern, from, cs),
                 utf16.lastIndexOf(pattern, from, cs));
    }
}

void TestEditorCore::regexReplacementExpandsGroups() {
    StringDocument document("key=value; k2=v2");
    RegexSearchEngine engine;
    SearchOptions options;
    options.replace = options.replaceAll = true;
    options.entireScope = true;
    QCOMPARE(searchAndReplace(document, engine, "(\\w+)=(\\w+)", "$2:$1", options), 2);
    QCOMPARE(document.content, QString("value:key; v2:k2"));
}

void TestEditorCore::promptedReplaceWalksMatches() {
    StringDocument document("aa aa aa");
    PlainSearchEngine engine;
    SearchOptions options;
    options.replace = options.replaceAll = options.prompt = true;
    options.entireScope = true;
    document.answers = {ReplaceAction::Replace, ReplaceAction::Skip, ReplaceAction::Replace};
    QCOMPARE(searchAndReplace(document, engine, "aa", "bbb", options), 3);
    QCOMPARE(document.content, QString("bbb aa bbb"));
    // Each question comes with its match selected, at its place in the changed text.
    QCOMPARE(document.asked, QList<qsizetype>({0, 4, 7}));

    StringDocument cancelled("x x x");
    cancelled.answers = {ReplaceAction::Replace, ReplaceAction::Cancel};
    QCOMPARE(searchAndReplace(cancelled, engine, "x", "y", options), 2);
    QCOMPARE(cancelled.content, QString("y x x"));
}

void TestEditorCore::yesToAllReplacesRestInOneChange() {
    StringDocument document("one cat, two cat, three cat, four cat, five cat.");
    PlainSearchEngine engine;
    SearchOptions options;
    options.replace = options.replaceAll = options.prompt = true;
    options.entireScope = true;
    document.answers = {ReplaceAction::ReplaceAll};
    QCOMPARE(searchAndReplace(document, engine, "cat", "dog", options), 5);
    QCOMPARE(document.content, QString("one dog, two dog, three dog, four dog, five dog."));
    QCOMPARE(document.asked.size(), 1);
    QCOMPARE(document.changes, 1);
    QCOMPARE(document.caret, 7);  // after the first replacement, where the question was

    // Empty matches of an expression neither loop nor lose text.
    StringDocument lines("a\nb\nc");
    RegexSearchEngine expression;
    lines.answers = {ReplaceAction::ReplaceAll};
    QCOMPARE(searchAndReplace(lines, expression, "^", "> ", options), 3);
    QCOMPARE(lines.content, QString("> a\n> b\n> c"));
}

void TestEditorCore::backwardReplaceAndSelectionScope() {
    StringDocument document("ab ab ab ab");
    PlainSearchEngine engine;
    SearchOptions options;
    options.replace = options.replaceAll = options.prompt = true;
    options.backwards = true;
    options.entireScope = true;
    document.answers = {ReplaceAction::Replace, ReplaceAction::Skip, ReplaceAction::ReplaceAll};
    QCOMPARE(searchAndReplace(document, engine, "ab", "X", options), 4);
    QCOMPARE(document.content, QString("X X ab X"));
    QCOMPARE(document.asked, QList<qsizetype>({9, 6, 3}));

    StringDocument scoped("ab ab ab ab");
    scoped.anchor = 3;
    scoped.caret = 8;
    options.backwards = false;
    options.prompt = false;
    options.selectedOnly = true;
    QCOMPARE(searchAndReplace(scoped, engine, "ab", "XYZ", options), 2);
    QCOMPARE(scoped.content, QString("ab XYZ XYZ ab"));
}

void TestEditorCore::structuredTextTokens() {
    using namespace StructuredText;
    const QByteArray first = "IF x := 16#FF THEN (* open\n";
    // Rebuild the tokens with their text to check them.
    QList<QPair<QByteArray, Token>> tokens;
    qsizetype at = 0;
    const auto collect = [&](const QByteArray& line) {
        return [&tokens, &at, line](qsizetype length, Token token) {
            tokens.append({line.mid(at, length), token});
            at += length;
        };
    };
    auto state = scanLine(first, Normal, collect(first));
    QCOMPARE(state, InBlockComment);
    QCOMPARE(tokens.first(), qMakePair(QByteArray("IF"), Keyword));
    QVERIFY(tokens.contains(qMakePair(QByteArray("16#FF"), Number)));
    QVERIFY(tokens.contains(qMakePair(QByteArray("THEN"), Keyword)));
    QCOMPARE(tokens.last(), qMakePair(QByteArray("(* open\n"), Comment));
    QCOMPARE(at, first.size());

    const QByteArray second = "still *) s := 'it''s'; // done\r\n";
    tokens.clear();
    at = 0;
    state = scanLine(second, state, collect(second));
    QCOMPARE(state, Normal);
    QCOMPARE(tokens.first(), qMakePair(QByteArray("still *)"), Comment));
    QVERIFY(tokens.contains(qMakePair(QByteArray("'it'"), String)));
    QVERIFY(tokens.contains(qMakePair(QByteArray("// done"), Comment)));
    QCOMPARE(at, second.size());
    QVERIFY(isKeyword("end_if"));
    QVERIFY(!isKeyword("ending"));
}

void TestEditorCore::structuredTextLineEnds_data() {
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QList<qsizetype>>("ends");
    QTest::newRow("lf") << QByteArray("a\nbc\n") << QList<qsizetype>{2, 5};
    QTest::newRow("crlf is one end") << QByteArray("a\r\nb") << QList<qsizetype>{3, 4};
    QTest::newRow("cr") << QByteArray("a\rb\r") << QList<qsizetype>{2, 4};
    QTest::newRow("lf cr is two") << QByteArray("a\n\rb") << QList<qsizetype>{2, 3, 4};
    QTest::newRow("cr at the very end") << QByteArray("ab\r") << QList<qsizetype>{3};
    QTest::newRow("empty lines") << QByteArray("\n\n") << QList<qsizetype>{1, 2};
}

void TestEditorCore::structuredTextLineEnds() {
    QFETCH(QByteArray, text);
    QFETCH(QList<qsizetype>, ends);
    QList<qsizetype> cut;
    for (qsizetype at = 0; at < text.size(); at = cut.last()) {
        cut.append(StructuredText::lineEnd(text, at));
    }
    QCOMPARE(cut, ends);
}

CORVANTA_TEST_MAIN(TestEditorCore)
#include "tst_editor_core.moc"
