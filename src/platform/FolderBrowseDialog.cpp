#include "FolderBrowseDialog.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

bool isInside(const QString& path, const QString& root) {
    const QString clean = QDir::cleanPath(path);
    const QString base = QDir::cleanPath(root);
    return clean == base || base == QLatin1String("/") || clean.startsWith(base + QLatin1Char('/'));
}

}  // namespace

// Qt's file dialog, asking its owner before it accepts.
class FolderBrowseDialog::Files : public QFileDialog {
public:
    explicit Files(FolderBrowseDialog* owner) : QFileDialog(owner), m_owner(owner) {}

protected:
    void accept() override { m_owner->tryAccept(); }

private:
    FolderBrowseDialog* m_owner;
};

FolderBrowseDialog::FolderBrowseDialog(const FolderBrowseRequest& request, QWidget* parent)
    : QDialog(parent), m_request(request) {
    setWindowTitle(request.title.isEmpty() ? QString::fromLatin1(kApplicationTitle)
                                           : request.title);
    auto* layout = new QVBoxLayout(this);
    auto* label = new QLabel(request.label, this);
    label->setObjectName("FolderLabel");
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    layout->addWidget(label);
    m_status = new QLabel(this);
    m_status->setObjectName("FolderStatus");
    m_status->setTextFormat(Qt::PlainText);  // folder names are whatever is on the disk
    m_status->setAccessibleName("Selected folder");
    m_status->setVisible(request.showStatus);
    layout->addWidget(m_status);

    m_files = new Files(this);
    m_files->setWindowFlags(Qt::Widget);
    m_files->setOption(QFileDialog::DontUseNativeDialog);
    m_files->setFileMode(QFileDialog::Directory);
    m_files->setOption(QFileDialog::ShowDirsOnly, !request.includeFiles);
    m_files->setSizeGripEnabled(false);
    layout->addWidget(m_files);
    for (const char* name : {"fileTypeCombo", "fileTypeLabel"}) {
        if (auto* widget = m_files->findChild<QWidget*>(name))
            widget->hide();
    }
    if (!request.editBox) {
        for (const char* name : {"fileNameEdit", "fileNameLabel"}) {
            if (auto* widget = m_files->findChild<QWidget*>(name))
                widget->hide();
        }
    }
    if (!request.systemNewFolder) {
        if (auto* button = m_files->findChild<QToolButton*>("newFolderButton"))
            button->hide();
    }
    if (!request.rootFolder.isEmpty()) {
        m_files->setSidebarUrls({QUrl::fromLocalFile(request.rootFolder)});
        m_files->setDirectory(request.rootFolder);
    }
    if (!request.newFolderCaption.isEmpty()) {
        m_newFolder = new QPushButton(request.newFolderCaption, m_files);
        m_newFolder->setObjectName("OwnNewFolderButton");
        m_newFolder->setAutoDefault(false);
        const int least = 75 * logicalDpiX() / 96;
        m_newFolder->setMinimumWidth(qMax(
            least, m_newFolder->fontMetrics().horizontalAdvance(request.newFolderCaption) + 12));
        if (auto* grid = qobject_cast<QGridLayout*>(m_files->layout())) {
            grid->addWidget(m_newFolder, grid->rowCount() - 1, 0, Qt::AlignLeft);
        } else {
            layout->addWidget(m_newFolder, 0, Qt::AlignLeft);
        }
        connect(m_newFolder, &QPushButton::clicked, this, [this] {
            if (m_request.newFolderClicked)
                m_request.newFolderClicked(*this);
        });
    }

    connect(m_files, &QFileDialog::currentChanged, this, [this](const QString& path) {
        selectionMoved(path.isEmpty() ? m_files->directory().absolutePath() : path);
    });
    connect(m_files, &QFileDialog::directoryEntered, this, [this](const QString& folder) {
        if (!m_request.rootFolder.isEmpty() && !isInside(folder, m_request.rootFolder)) {
            m_files->setDirectory(m_request.rootFolder);
            return;
        }
        selectionMoved(folder);
    });
    connect(m_files, &QFileDialog::finished, this, [this](int result) { done(result); });
}

QFileDialog* FolderBrowseDialog::files() const {
    return m_files;
}

std::optional<QString> FolderBrowseDialog::run() {
    resize(560, 440);
    if (const QScreen* screen =
            parentWidget() ? parentWidget()->screen() : QApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    if (m_request.initialized)
        m_request.initialized(*this);
    if (exec() != QDialog::Accepted || m_chosen.isEmpty())
        return std::nullopt;
    return m_chosen;
}

void FolderBrowseDialog::setSelection(const QString& path) {
    const QFileInfo info(path);
    if (!info.exists())
        return;
    m_files->selectFile(info.absoluteFilePath());
    selectionMoved(info.absoluteFilePath());
}

void FolderBrowseDialog::setStatusText(const QString& text) {
    m_status->setText(text);
}

void FolderBrowseDialog::setOkEnabled(bool enabled) {
    m_okEnabled = enabled;
    applyOkEnabled();
    // The file dialog sets its button again after its own updates.
    QTimer::singleShot(0, this, [this] { applyOkEnabled(); });
}

void FolderBrowseDialog::setNewFolderEnabled(bool enabled) {
    if (m_newFolder)
        m_newFolder->setEnabled(enabled);
}

void FolderBrowseDialog::cancel() {
    m_files->reject();
}

void FolderBrowseDialog::selectionMoved(const QString& path) {
    if (path == m_current)
        return;
    m_current = path;
    if (m_request.selectionChanged)
        m_request.selectionChanged(*this, path);
}

void FolderBrowseDialog::applyOkEnabled() {
    if (auto* box = m_files->findChild<QDialogButtonBox*>("buttonBox")) {
        if (QPushButton* ok = box->button(QDialogButtonBox::Open))
            ok->setEnabled(m_okEnabled);
    }
}

void FolderBrowseDialog::tryAccept() {
    if (!m_okEnabled)
        return;
    const auto acceptable = [this](const QString& path) {
        const QFileInfo info(path);
        return !path.isEmpty() && (info.isDir() || (m_request.includeFiles && info.isFile()));
    };
    QString path = m_files->selectedFiles().value(0);
    if (!acceptable(path)) {
        if (m_request.validate) {
            if (m_request.validateFailed)
                m_request.validateFailed(*this);
            else
                QApplication::beep();
            return;
        }
        path = m_current;  // the typed name is ignored; the highlighted folder counts
        if (!acceptable(path))
            return;
    }
    m_chosen = QFileInfo(path).absoluteFilePath();
    accept();
}
