#pragma once

#include <QList>
#include <QQueue>
#include <QVariant>

#include "Prompts.h"

// Prompts for tests: records every call and answers from a queue.
//
// Each answer is a QVariant: a Prompts::Button for message boxes, a QString
// (or a null QVariant for Cancel) for input and file dialogs, a QStringList
// for openFileNames, a QFont or QColor (null for Cancel), a bool for print.
// When the queue is empty a call gets the "dismissed" answer (Cancel/No/empty)
// and is still recorded, so a test can assert that no prompt was expected.
class ScriptedPrompts : public Prompts {
public:
    struct Call {
        Kind kind;
        QString caption;
        QString text;  // message text, prompt, or start path of a file dialog
        Buttons buttons;
        QString extra;  // the filter of a file dialog, the default of an input
    };

    void answer(const QVariant& value) { m_answers.enqueue(value); }
    void answerButton(Button button) { m_answers.enqueue(QVariant::fromValue(int(button))); }

    const QList<Call>& calls() const { return m_calls; }
    const Call& last() const { return m_calls.last(); }
    int count() const { return m_calls.size(); }
    int countOf(Kind kind) const;
    bool hasText(const QString& text) const;  // any call whose text equals `text`
    int pendingAnswers() const { return m_answers.size(); }
    void clear() {
        m_calls.clear();
        m_answers.clear();
    }

    Button message(Kind kind, const QString& caption, const QString& text,
                   Buttons buttons) override;
    void timedMessage(const QString& caption, const QString& text, int milliseconds) override;
    bool inputQuery(const QString& caption, const QString& prompt, QString& value) override;
    QString inputBox(const QString& caption, const QString& prompt,
                     const QString& defaultValue) override;
    QString openFileName(const QString& caption, const QString& startPath,
                         const QString& filter) override;
    QStringList openFileNames(const QString& caption, const QString& startPath,
                              const QString& filter) override;
    QString saveFileName(const QString& caption, const QString& startPath,
                         const QString& filter) override;
    QString folder(const QString& caption, const QString& startFolder) override;
    std::optional<QFont> font(const QFont& initial) override;
    std::optional<QColor> colour(const QColor& initial) override;
    bool print(QPrinter& printer) override;
    bool printerSetup(QPrinter& printer) override;

private:
    QVariant next();
    QList<Call> m_calls;
    QQueue<QVariant> m_answers;
};
