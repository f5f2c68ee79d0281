#include "newDlg.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "Prompts.h"

TNewDialog::TNewDialog(Prompts& prompts, const QString& prompt, const QString& proposed,
                       QWidget* parent)
    : QDialog(parent),
      m_prompts(prompts),
      m_label(new QLabel(prompt, this)),
      m_field(new QLineEdit(proposed, this)) {
    m_label->setTextFormat(Qt::PlainText);
    setWindowTitle(prompt);
    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton("OK", QDialogButtonBox::AcceptRole)->setDefault(true);
    buttons->addButton("Cancel", QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &TNewDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &TNewDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_label);
    layout->addWidget(m_field);
    layout->addWidget(buttons);
    m_field->selectAll();
}

void TNewDialog::accept() {
    if (m_field->text().isEmpty()) {
        m_prompts.message(Prompts::Kind::Warning, QString(), "The value can not be empty");
        return;
    }
    m_result = m_field->text();
    QDialog::accept();
}

QString TNewDialog::ask(Prompts& prompts, const QString& prompt, const QString& proposed,
                        QWidget* parent) {
    TNewDialog dialog(prompts, prompt, proposed, parent ? parent->window() : nullptr);
    dialog.exec();
    return dialog.result();
}
