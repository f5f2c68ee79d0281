#pragma once

#include <QDialog>

class Prompts;
class QLabel;
class QLineEdit;

// The name prompt: caption and label are the prompt, one field pre-filled
// with the proposed name. "OK" on an empty field tells the user and stays.
class TNewDialog : public QDialog {
    Q_OBJECT
public:
    TNewDialog(Prompts& prompts, const QString& prompt, const QString& proposed,
               QWidget* parent = nullptr);

    QLineEdit* field() const { return m_field; }
    // The field's text after "OK", empty after "Cancel".
    QString result() const { return m_result; }

    static QString ask(Prompts& prompts, const QString& prompt, const QString& proposed,
                       QWidget* parent);

    void accept() override;

private:
    Prompts& m_prompts;
    QLabel* m_label;
    QLineEdit* m_field;
    QString m_result;
};
