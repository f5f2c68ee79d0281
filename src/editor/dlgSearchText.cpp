#include "dlgSearchText.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "RecentFiles.h"

TTextSearchDialog::TTextSearchDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Search Text"));
    auto* layout = new QVBoxLayout(this);
    m_textRows = new QGridLayout;
    cbSearchText = new QComboBox(this);
    cbSearchText->setEditable(true);
    cbSearchText->setInsertPolicy(QComboBox::NoInsert);
    cbSearchText->setMinimumWidth(260);
    auto* searchLabel = new QLabel(QStringLiteral("&Search for:"), this);
    searchLabel->setBuddy(cbSearchText);
    m_textRows->addWidget(searchLabel, 0, 0);
    m_textRows->addWidget(cbSearchText, 0, 1);
    layout->addLayout(m_textRows);

    auto* groups = new QHBoxLayout;
    auto* options = new QGroupBox(QStringLiteral("Options"), this);
    auto* optionsLayout = new QVBoxLayout(options);
    cbSearchCaseSensitive = new QCheckBox(QStringLiteral("C&ase sensitivity"), options);
    cbSearchWholeWords = new QCheckBox(QStringLiteral("&Whole words only"), options);
    cbSearchFromCursor = new QCheckBox(QStringLiteral("Search from &caret"), options);
    cbSearchSelectedOnly = new QCheckBox(QStringLiteral("&Selected text only"), options);
    cbRegularExpression = new QCheckBox(QStringLiteral("&Regular expression"), options);
    for (QCheckBox* box : {cbSearchCaseSensitive, cbSearchWholeWords, cbSearchFromCursor,
                           cbSearchSelectedOnly, cbRegularExpression}) {
        optionsLayout->addWidget(box);
    }
    groups->addWidget(options);
    auto* direction = new QGroupBox(QStringLiteral("Direction"), this);
    auto* directionLayout = new QVBoxLayout(direction);
    rbForward = new QRadioButton(QStringLiteral("&Forward"), direction);
    rbBackward = new QRadioButton(QStringLiteral("&Backward"), direction);
    rbForward->setChecked(true);
    directionLayout->addWidget(rbForward);
    directionLayout->addWidget(rbBackward);
    directionLayout->addStretch();
    groups->addWidget(direction, 0);
    layout->addLayout(groups);

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    buttons->addButton(QStringLiteral("Cancel"), QDialogButtonBox::RejectRole);
    ok->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

bool TTextSearchDialog::searchBackwards() const {
    return rbBackward->isChecked();
}
void TTextSearchDialog::setSearchBackwards(bool value) {
    (value ? rbBackward : rbForward)->setChecked(true);
}
bool TTextSearchDialog::searchCaseSensitive() const {
    return cbSearchCaseSensitive->isChecked();
}
void TTextSearchDialog::setSearchCaseSensitive(bool value) {
    cbSearchCaseSensitive->setChecked(value);
}
bool TTextSearchDialog::searchFromCursor() const {
    return cbSearchFromCursor->isChecked();
}
void TTextSearchDialog::setSearchFromCursor(bool value) {
    cbSearchFromCursor->setChecked(value);
}
bool TTextSearchDialog::searchInSelectionOnly() const {
    return cbSearchSelectedOnly->isChecked();
}
void TTextSearchDialog::setSearchInSelectionOnly(bool value) {
    cbSearchSelectedOnly->setChecked(value);
}
bool TTextSearchDialog::searchWholeWords() const {
    return cbSearchWholeWords->isChecked();
}
void TTextSearchDialog::setSearchWholeWords(bool value) {
    cbSearchWholeWords->setChecked(value);
}
bool TTextSearchDialog::searchRegularExpression() const {
    return cbRegularExpression->isChecked();
}
void TTextSearchDialog::setSearchRegularExpression(bool value) {
    cbRegularExpression->setChecked(value);
}

QString TTextSearchDialog::searchText() const {
    return cbSearchText->currentText();
}
void TTextSearchDialog::setSearchText(const QString& text) {
    cbSearchText->setEditText(text);
}
QStringList TTextSearchDialog::searchTextHistory() const {
    return history(cbSearchText);
}
void TTextSearchDialog::setSearchTextHistory(const QStringList& history) {
    setHistory(cbSearchText, history);
}

void TTextSearchDialog::accept() {
    moveTextToTop(cbSearchText);
    QDialog::accept();
}

void TTextSearchDialog::setHistory(QComboBox* box, const QStringList& history) {
    const QString text = box->currentText();
    box->clear();
    box->addItems(history);
    box->setEditText(text);
}

void TTextSearchDialog::moveTextToTop(QComboBox* box) {
    const QString text = box->currentText();
    QStringList entries = history(box);
    // The dialog's list keeps every entry; the window keeps the first ten.
    moveToTopOfHistory(entries, text, int(entries.size()) + 1);
    setHistory(box, entries);
}

QStringList TTextSearchDialog::history(const QComboBox* box) {
    QStringList entries;
    for (int i = 0; i < box->count(); ++i) {
        entries.append(box->itemText(i));
    }
    return entries;
}
