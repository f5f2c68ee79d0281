#pragma once

#include <QDialog>

#include "TextSearch.h"

class QLabel;

// "Confirm replace": the question asked for each match of a replace run.
class TConfirmReplaceDialog : public QDialog {
    Q_OBJECT
public:
    // Dialog results besides Rejected (Cancel or closing the box).
    enum Result { Yes = 2, No = 3, YesToAll = 4 };

    explicit TConfirmReplaceDialog(QWidget* parent = nullptr);

    // The label: "Replace this occurence of "<search text>"?".
    void prepareForSearchText(const QString& searchText);
    QString question() const;
    // The replace action a dialog result stands for.
    static ReplaceAction actionFor(int result);

    QPushButton* btnReplace;
    QPushButton* btnSkip;
    QPushButton* btnCancel;
    QPushButton* btnReplaceAll;

private:
    QLabel* m_label;
};
