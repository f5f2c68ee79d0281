#include <QtTest>

#include <QDialog>
#include <QLabel>

#include "QtPrompts.h"
#include "TestEnvironment.h"

// The prompts as Qt shows them: whatever text a caller hands over (a page's
// alert, a server's greeting) is shown as the characters it is.
class PromptsTests : public QObject {
    Q_OBJECT
private slots:
    void outsideTextStaysPlain_data();
    void outsideTextStaysPlain();
};

void PromptsTests::outsideTextStaysPlain_data() {
    QTest::addColumn<QString>("prompt");
    QTest::addColumn<Qt::TextFormat>("format");
    QTest::newRow("message box") << "message" << Qt::PlainText;
    QTest::newRow("self-closing box") << "timed" << Qt::PlainText;
    QTest::newRow("input query") << "query" << Qt::PlainText;
    QTest::newRow("password query") << "password" << Qt::PlainText;
    QTest::newRow("input box") << "box" << Qt::PlainText;
    QTest::newRow("rich text the caller composed") << "rich" << Qt::RichText;
}

void PromptsTests::outsideTextStaysPlain() {
    QFETCH(QString, prompt);
    QFETCH(Qt::TextFormat, format);
    const QString text = "Welcome <a href=\"file:///etc/passwd\">click</a><img src=\"/x.png\">";
    QtPrompts prompts;
    bool found = false;
    Qt::TextFormat shown = Qt::AutoText;
    QTimer poll;
    connect(&poll, &QTimer::timeout, [&] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!dialog || !dialog->isVisible())
            return;
        for (QLabel* label : dialog->findChildren<QLabel*>()) {
            if (label->text() == text) {
                found = true;
                shown = label->textFormat();
            }
        }
        dialog->reject();
    });
    poll.start(20);
    QString value = "answer";
    if (prompt == "message")
        prompts.message(Prompts::Kind::Warning, QString(), text, Prompts::Ok);
    else if (prompt == "timed")
        prompts.timedMessage(QString(), text, 60000);
    else if (prompt == "query")
        prompts.inputQuery(QString(), text, value);
    else if (prompt == "password")
        prompts.passwordQuery(QString(), text, value);
    else if (prompt == "box")
        prompts.inputBox(QString(), text, value);
    else
        prompts.richTextMessage(Prompts::Kind::Information, QString(), text, Prompts::Ok);
    QVERIFY(found);
    QCOMPARE(shown, format);
}

CORVANTA_TEST_MAIN(PromptsTests)
#include "tst_prompts.moc"
