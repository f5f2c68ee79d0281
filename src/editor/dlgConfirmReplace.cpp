#include "dlgConfirmReplace.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

#include "EditorTexts.h"

TConfirmReplaceDialog::TConfirmReplaceDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Confirm replace"));
    auto* layout = new QVBoxLayout(this);
    auto* top = new QHBoxLayout;
    auto* icon = new QLabel(this);
    const int size = style()->pixelMetric(QStyle::PM_MessageBoxIconSize);
    icon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxQuestion).pixmap(size, size));
    top->addWidget(icon, 0, Qt::AlignTop);
    m_label = new QLabel(this);
    m_label->setWordWrap(true);
    m_label->setTextFormat(Qt::PlainText);
    m_label->setMinimumWidth(260);
    top->addWidget(m_label, 1);
    layout->addLayout(top);
    auto* buttons = new QHBoxLayout;
    btnReplace = new QPushButton(QStringLiteral("&Yes"), this);
    btnSkip = new QPushButton(QStringLiteral("&No"), this);
    btnCancel = new QPushButton(QStringLiteral("Cancel"), this);
    btnReplaceAll = new QPushButton(QStringLiteral("Yes to &all"), this);
    btnReplace->setDefault(true);
    for (QPushButton* button : {btnReplace, btnSkip, btnCancel, btnReplaceAll}) {
        buttons->addWidget(button);
    }
    layout->addLayout(buttons);
    connect(btnReplace, &QPushButton::clicked, this, [this] { done(Yes); });
    connect(btnSkip, &QPushButton::clicked, this, [this] { done(No); });
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(btnReplaceAll, &QPushButton::clicked, this, [this] { done(YesToAll); });
}

void TConfirmReplaceDialog::prepareForSearchText(const QString& searchText) {
    m_label->setText(EditorTexts::kConfirmReplace.arg(searchText));
    adjustSize();
}

QString TConfirmReplaceDialog::question() const {
    return m_label->text();
}

ReplaceAction TConfirmReplaceDialog::actionFor(int result) {
    switch (result) {
        case Yes:
            return ReplaceAction::Replace;
        case No:
            return ReplaceAction::Skip;
        case YesToAll:
            return ReplaceAction::ReplaceAll;
        default:
            return ReplaceAction::Cancel;
    }
}
