#include "FileInfoPage.h"

#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSplitter>
#include <QVBoxLayout>

#include "TransferQueue.h"

namespace {

QWidget* headed(const QString& heading, QWidget* body) {
    auto* box = new QWidget;
    auto* layout = new QVBoxLayout(box);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* label = new QLabel(heading);
    label->setBuddy(body);
    layout->addWidget(label);
    layout->addWidget(body);
    return box;
}

}  // namespace

FileInfoPage::FileInfoPage(TransferQueue& queue, QWidget* parent)
    : QWidget(parent), m_queue(queue) {
    setObjectName("tabDetails");
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    auto* form = new QFormLayout;
    auto edit = [](const char* name) {
        auto* field = new QLineEdit;
        field->setObjectName(name);
        return field;
    };
    edtURL = edit("edtURL");
    edtDirectory = edit("edtDirectory");
    edtFile = edit("edtFile");
    form->addRow("Remote File:", edtURL);
    form->addRow("Local Folder:", edtDirectory);
    form->addRow("File Name:", edtFile);
    memInfo = new QPlainTextEdit;
    memInfo->setObjectName("memInfo");
    memInfo->setReadOnly(true);
    memErrors = new QPlainTextEdit;
    memErrors->setObjectName("memErrors");
    memErrors->setReadOnly(true);
    auto* memos = new QSplitter(Qt::Horizontal);
    memos->addWidget(headed("Information", memInfo));
    memos->addWidget(headed("Error Retrieve Log", memErrors));
    auto* fields = new QWidget;
    fields->setLayout(form);
    layout->addWidget(fields, 2);
    layout->addWidget(memos, 3);

    connect(edtURL, &QLineEdit::textChanged, this, [this](const QString& text) {
        if (m_filling || !m_queue.holds(m_shown)) {
            return;
        }
        // A download's local file follows from the address in the engine.
        const QString url = queueAddressFromText(text);
        m_shown->setUrl(url);
        m_queue.model().showUrl(m_shown, url);
    });
    connect(edtFile, &QLineEdit::textChanged, this, [this](const QString& text) {
        if (!m_filling && m_queue.holds(m_shown)) {
            m_shown->setLocalFile(text);
        }
    });
    connect(edtDirectory, &QLineEdit::textChanged, this, [this](const QString& text) {
        if (!m_filling) {
            m_queue.downloader().setLocalFolder(text);
        }
    });
}

void FileInfoPage::clear() {
    m_shown = nullptr;
    m_filling = true;
    edtURL->clear();
    edtFile->clear();
    memInfo->clear();
    memErrors->clear();
    m_filling = false;
}

void FileInfoPage::showItem(TclTransferItem* item) {
    m_shown = item;
    m_filling = true;
    edtDirectory->setText(m_queue.downloader().settings().localFolder);
    edtURL->setText(queueAddressText(item->url()));
    edtFile->setText(item->localFile());
    memInfo->setPlainText(transferInformationLines(item->resourceInfo()).join('\n'));
    const QStringList errors = item->errors();
    memErrors->setPlainText(errors.isEmpty() ? QString("There are no errors yet.")
                                             : errors.join('\n'));
    m_filling = false;
}

void FileInfoPage::enableFor(TclTransferItem* item) {
    const bool editable = item && !item->isRunning();
    edtURL->setEnabled(editable);
    edtFile->setEnabled(editable);
    edtDirectory->setEnabled(editable && !m_queue.isUpload(item));
}
