#include "fileDlg.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

TFileExistsDialog::TFileExistsDialog(const QString& fileName, QWidget* parent)
    : QDialog(parent), m_label(new QLabel(this)) {
    setWindowTitle("File Exists Dialog");
    m_label->setText(QString("File already exists %1").arg(fileName));
    m_label->setTextFormat(Qt::PlainText);  // the name came from a server
    m_label->setWordWrap(true);
    auto* buttons = new QHBoxLayout;
    auto add = [&](const QString& caption, FileExistsChoice choice) {
        auto* button = new QPushButton(caption, this);
        button->setObjectName("btn" + caption);
        connect(button, &QPushButton::clicked, this, [this, choice] {
            m_choice = choice;
            choice == FileExistsChoice::Cancel ? reject() : accept();
        });
        buttons->addWidget(button);
        return button;
    };
    add("Replace", FileExistsChoice::Replace)->setDefault(true);
    add("Resume", FileExistsChoice::Resume);
    add("Cancel", FileExistsChoice::Cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_label);
    layout->addLayout(buttons);
    setFixedSize(360, 120);
}

FileExistsChoice TFileExistsDialog::ask(const QString& fileName, QWidget* parent) {
    TFileExistsDialog dialog(fileName, parent ? parent->window() : nullptr);
    dialog.exec();
    return dialog.choice();
}
