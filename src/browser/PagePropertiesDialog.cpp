#include "PagePropertiesDialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QVBoxLayout>

PagePropertiesDialog::PagePropertiesDialog(const QList<QPair<QString, QString>>& lines,
                                           QWidget* parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("PagePropertiesDialog"));
    setWindowTitle(QStringLiteral("Properties"));
    auto* form = new QFormLayout;
    for (const auto& [caption, text] : lines) {
        auto* value = new QLabel(text);
        value->setTextFormat(Qt::PlainText);  // the page's own title and addresses
        value->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
        value->setWordWrap(true);
        value->setMinimumWidth(360);
        auto* label = new QLabel(caption);
        label->setBuddy(value);
        form->addRow(label, value);
    }
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addStretch(1);
    layout->addWidget(buttons);
}
