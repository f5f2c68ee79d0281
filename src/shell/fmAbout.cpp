#include "fmAbout.h"

#include <QFile>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include "Prompts.h"

namespace {

constexpr qint64 kMaxDataFileSize = 4 << 20;  // the shipped texts are a few kB

constexpr const char* kLicence =
    "CORVANTA END-USER LICENCE AGREEMENT\n"
    "\n"
    "Please read this agreement before you use Corvanta. By installing, copying\n"
    "or using Corvanta you agree to its terms.\n"
    "\n"
    "1. Grant. You may install and use Corvanta on any number of computers, and\n"
    "   copy and hand it on to others, free of charge, provided that every copy\n"
    "   carries this agreement unchanged.\n"
    "\n"
    "2. Your files. The files, settings and downloads that you make with\n"
    "   Corvanta are yours. Corvanta sends nothing about you anywhere; it only\n"
    "   contacts the addresses you open and, when you ask, its update server.\n"
    "\n"
    "3. Components. Corvanta is built from components of other authors, each\n"
    "   under its own licence; the \"Credits\" page names them.\n"
    "\n"
    "4. No warranty. Corvanta is provided \"as is\", without warranty of any\n"
    "   kind, express or implied, including but not limited to the warranties\n"
    "   of merchantability, fitness for a particular purpose and\n"
    "   non-infringement.\n"
    "\n"
    "5. Limitation of liability. In no event shall the authors be liable for\n"
    "   any claim, damages or other liability arising from the use of, or the\n"
    "   inability to use, Corvanta, even if advised of the possibility of such\n"
    "   damages.\n"
    "\n"
    "6. Beta releases. This is a beta release: keep copies of the files you\n"
    "   work on, and tell the developers what goes wrong.\n";

QLineEdit* valueBox(const QString& text, const QString& caption, QWidget* parent) {
    auto* box = new QLineEdit(text, parent);
    box->setReadOnly(true);
    box->setAccessibleName(caption);
    return box;
}

QLabel* link(const QString& text, QWidget* parent) {
    auto* label = new QLabel(
        QStringLiteral("<a href=\"#\" style=\"color: #0000ff;\">%1</a>").arg(text.toHtmlEscaped()),
        parent);
    label->setTextFormat(Qt::RichText);
    label->setCursor(Qt::PointingHandCursor);
    label->setAccessibleName(text);
    return label;
}

QPlainTextEdit* textPage(const QString& name, bool bothScrollBars, QWidget* parent) {
    auto* box = new QPlainTextEdit(parent);
    box->setObjectName(name);
    box->setReadOnly(true);
    box->setAccessibleName(name);
    if (bothScrollBars) {
        box->setLineWrapMode(QPlainTextEdit::NoWrap);
        box->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
        box->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    }
    return box;
}

}  // namespace

TfrmAbout::TfrmAbout(Prompts& prompts, Actions actions, const QString& dataFolder, QWidget* parent)
    : QDialog(parent), m_prompts(prompts), m_actions(std::move(actions)), m_dataFolder(dataFolder) {
    setObjectName("frmAbout");
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                   Qt::WindowStaysOnTopHint);
    setModal(true);

    pages = new QTabWidget(this);
    pages->addTab(buildAboutPage(), "About");
    memCredits = textPage("Credits", false, pages);
    memCredits->setPlainText("\n\n\n");  // the design's four empty lines
    pages->addTab(memCredits, "Credits");
    memLicence = textPage("Licence", true, pages);
    memLicence->setPlainText(QLatin1String(kLicence));
    pages->addTab(memLicence, "Licence");
    memChangeLog = textPage("ChangeLog", true, pages);
    pages->addTab(memChangeLog, "ChangeLog");

    BtnCheckUpdate = new QPushButton("Check For Updates", this);
    BtnClosae = new QPushButton("Close", this);
    BtnClosae->setDefault(true);
    connect(BtnCheckUpdate, &QPushButton::clicked, this, [this] { m_actions.checkForUpdates(); });
    connect(BtnClosae, &QPushButton::clicked, this, &QDialog::accept);

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(BtnCheckUpdate);
    bottom->addStretch();
    bottom->addWidget(BtnClosae);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->addWidget(pages, 1);
    layout->addLayout(bottom);
    setFixedSize(384, 375);
}

QWidget* TfrmAbout::buildAboutPage() {
    auto* page = new QWidget(pages);
    auto* grid = new QGridLayout(page);
    grid->setContentsMargins(16, 16, 16, 12);
    grid->setVerticalSpacing(8);
    edtApplication = valueBox(QString(), "Application:", page);
    edtVersion = valueBox(QString(), "Version:", page);
    edtStage = valueBox(QString(), "Stage:", page);
    int row = 0;
    for (auto [caption, box] : {std::pair{"Application:", edtApplication},
                                std::pair{"Version:", edtVersion}, std::pair{"Stage:", edtStage}}) {
        auto* label = new QLabel(QLatin1String(caption), page);
        QFont bold = label->font();
        bold.setBold(true);
        label->setFont(bold);
        label->setBuddy(box);
        grid->addWidget(label, row, 0);
        grid->addWidget(box, row, 1);
        ++row;
    }
    LaGoHome = link("Visit Our Home Page", page);
    LaGoMail = link("Mail The Developer", page);
    connect(LaGoHome, &QLabel::linkActivated, this, [this] { m_actions.goHome(); });
    connect(LaGoMail, &QLabel::linkActivated, this, [this] { m_actions.mailMe(); });
    grid->setRowMinimumHeight(row++, 8);
    grid->addWidget(LaGoHome, row++, 0, 1, 2);
    grid->addWidget(LaGoMail, row++, 0, 1, 2);
    grid->setRowStretch(row++, 1);
    auto* notice =
        new QLabel("Corvanta is free to use and to pass on, and comes with no warranty.", page);
    notice->setWordWrap(true);
    notice->setStyleSheet("color: #808080;");
    grid->addWidget(notice, row, 0, 1, 2);
    return page;
}

bool TfrmAbout::loadDataFile(const QString& name, QPlainTextEdit* box) {
    QFile file(m_dataFolder + u'/' + name);
    if (!file.exists())
        return false;
    // An unreadable file leaves the page as designed, as a missing one does,
    // without a second message.
    if (file.open(QIODevice::ReadOnly | QIODevice::Text))
        box->setPlainText(QString::fromUtf8(file.read(kMaxDataFileSize)));
    return true;
}

void TfrmAbout::FormShow() {
    pages->setCurrentIndex(0);
    edtApplication->setText("Corvanta");
    edtVersion->setText("0.08");
    edtStage->setText("Beta");
    if (!loadDataFile("ChangeLog.txt", memChangeLog)) {
        m_prompts.message(Prompts::Kind::Plain, QString(),
                          "Corvanta can not locate the ChangeLog file. Please reinstall Corvanta",
                          Prompts::Ok);
    }
    if (!loadDataFile("Credits.txt", memCredits)) {
        m_prompts.message(Prompts::Kind::Plain, QString(),
                          "Corvanta can not locate the credits file. Please reinstall Corvanta",
                          Prompts::Ok);
    }
}

int TfrmAbout::showModal() {
    FormShow();
    if (QWidget* owner = parentWidget())
        move(owner->geometry().center() - rect().center());
    return exec();
}
