#include "dlgReplaceText.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>

TTextReplaceDialog::TTextReplaceDialog(QWidget* parent) : TTextSearchDialog(parent) {
    setWindowTitle(QStringLiteral("Replace text"));
    cbReplaceText = new QComboBox(this);
    cbReplaceText->setEditable(true);
    cbReplaceText->setInsertPolicy(QComboBox::NoInsert);
    auto* label = new QLabel(QStringLiteral("&Replace with:"), this);
    label->setBuddy(cbReplaceText);
    m_textRows->addWidget(label, 1, 0);
    m_textRows->addWidget(cbReplaceText, 1, 1);
}

QString TTextReplaceDialog::replaceText() const {
    return cbReplaceText->currentText();
}
void TTextReplaceDialog::setReplaceText(const QString& text) {
    cbReplaceText->setEditText(text);
}
QStringList TTextReplaceDialog::replaceTextHistory() const {
    return history(cbReplaceText);
}
void TTextReplaceDialog::setReplaceTextHistory(const QStringList& history) {
    setHistory(cbReplaceText, history);
}

void TTextReplaceDialog::accept() {
    moveTextToTop(cbReplaceText);
    TTextSearchDialog::accept();
}
