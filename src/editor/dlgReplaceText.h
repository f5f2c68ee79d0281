#pragma once

#include "dlgSearchText.h"

// "Replace text": the search dialog with the replace text and its history.
class TTextReplaceDialog : public TTextSearchDialog {
    Q_OBJECT
public:
    explicit TTextReplaceDialog(QWidget* parent = nullptr);

    QString replaceText() const;
    void setReplaceText(const QString& text);
    QStringList replaceTextHistory() const;
    void setReplaceTextHistory(const QStringList& history);

    QComboBox* cbReplaceText;

    void accept() override;
};
