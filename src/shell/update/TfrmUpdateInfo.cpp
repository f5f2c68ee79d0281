#include "TfrmUpdateInfo.h"

#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>

namespace {

QLineEdit* readOnlyField(const QString& text, const QString& name, QWidget* parent) {
    auto* field = new QLineEdit(text, parent);
    field->setReadOnly(true);
    field->setObjectName(name);
    field->setCursorPosition(0);
    return field;
}

}  // namespace

TfrmUpdateInfo::TfrmUpdateInfo(const TclUpdateInfoText& text, QWidget* parent) : QDialog(parent) {
    setObjectName("frmUpdateInfo");
    setWindowTitle("Update Info");
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);

    lblInfo = new QLabel(text.sentence, this);
    lblInfo->setObjectName("lblInfo");
    lblInfo->setTextFormat(Qt::PlainText);  // the versions come from the server
    lblInfo->setWordWrap(true);
    lblInfo->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    edtAuthor = readOnlyField(text.author, "edtAuthor", this);
    edtProduct = readOnlyField(text.productName, "edtProduct", this);
    // The list, then what will run: the user agrees to these commands.
    QStringList lines = text.updates;
    if (!text.commands.isEmpty()) {
        lines << QString() << QStringLiteral("Commands that will run as your user:")
              << text.commands;
    }
    memUpdates = new QPlainTextEdit(lines.join(QLatin1Char('\n')), this);
    memUpdates->setObjectName("memUpdates");
    memUpdates->setReadOnly(true);
    memUpdates->setLineWrapMode(QPlainTextEdit::NoWrap);
    memUpdates->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    edtEmail = readOnlyField(text.email, "edtEmail", this);
    btnUpdate = new QPushButton("&Update Now", this);
    btnUpdate->setObjectName("btnUpdate");
    btnUpdate->setDefault(true);
    btnCancel = new QPushButton("Do &Not Update", this);
    btnCancel->setObjectName("btnCancel");
    connect(btnUpdate, &QPushButton::clicked, this, &QDialog::accept);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(8, 8, 8, 8);
    grid->setVerticalSpacing(4);
    grid->addWidget(lblInfo, 0, 0, 1, 2);
    const std::pair<const char*, QWidget*> rows[] = {
        {"Author", edtAuthor},
        {"Product", edtProduct},
        {"Updates", memUpdates},
        {"E-Mail", edtEmail},
    };
    int row = 1;
    for (const auto& [caption, field] : rows) {
        auto* label = new QLabel(caption, this);
        label->setBuddy(field);
        field->setAccessibleName(caption);
        const bool memo = field == memUpdates;
        grid->addWidget(label, row, 0, Qt::AlignLeft | (memo ? Qt::AlignTop : Qt::AlignVCenter));
        grid->addWidget(field, row, 1);
        ++row;
    }
    grid->setRowStretch(3, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnUpdate);
    buttons->addWidget(btnCancel);
    grid->addLayout(buttons, row, 0, 1, 2);
    setFixedSize(375, 249);
}

bool TfrmUpdateInfo::ask(const TclUpdateInfoText& text, QWidget* parent) {
    TfrmUpdateInfo dialog(text, parent);
    if (QScreen* screen = parent ? parent->screen() : QGuiApplication::primaryScreen())
        dialog.move(screen->availableGeometry().center() - dialog.rect().center());
    return dialog.exec() == QDialog::Accepted;
}
