#include "SitePropertiesPage.h"

#include <QAction>
#include <QCheckBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QToolButton>

SitePropertiesPage::SitePropertiesPage(const QList<QAction*>& buttons, QWidget* parent)
    : QScrollArea(parent) {
    setObjectName("SiteProper");
    setWidgetResizable(true);
    setFrameShape(QFrame::NoFrame);
    auto* fields = new QWidget;
    auto* form = new QFormLayout(fields);
    auto edit = [](const char* name, const QString& text = QString()) {
        auto* field = new QLineEdit(text);
        field->setObjectName(name);
        return field;
    };
    edtServer = edit("edtServer");
    edtUser = edit("edtUser");
    edtPassword = edit("edtPassword");  // shown in plain text, as stored
    edtDesc = edit("edtDesc");
    edtStartDir = edit("edtStartDir");
    edtPort = edit("edtPort", "21");
    edtTimeO = edit("edtTimeO", "6");
    edtTimeO->setAccessibleName("Time Out");  // its row holds a layout, which no label names
    form->addRow("IP / Host", edtServer);
    form->addRow("User:", edtUser);
    form->addRow("Password:", edtPassword);
    form->addRow("Site Description", edtDesc);
    form->addRow("Web Site Start Folder:", edtStartDir);
    form->addRow("Port", edtPort);
    auto* timeOut = new QHBoxLayout;
    timeOut->addWidget(edtTimeO);
    timeOut->addWidget(new QLabel("Sec."));
    form->addRow("Time Out", timeOut);
    cbPassiveMode = new QCheckBox("Passive Mode");
    cbPassiveMode->setObjectName("cbPassiveMode");
    cbAsciiMode = new QCheckBox("Ascii Mode");
    cbAsciiMode->setObjectName("cbAsciiMode");
    cbAnonymous = new QCheckBox("Log As Anonymous");
    cbAnonymous->setObjectName("cbAnonymous");
    form->addRow(cbPassiveMode);
    form->addRow(cbAsciiMode);
    form->addRow(cbAnonymous);
    connect(cbAnonymous, &QCheckBox::toggled, this, [this](bool checked) {
        if (checked) {
            edtUser->setText("anonymous");
        }
    });
    auto* buttonRow = new QHBoxLayout;
    for (QAction* action : buttons) {
        auto* button = new QToolButton;
        button->setDefaultAction(action);
        button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
        buttonRow->addWidget(button);
    }
    form->addRow(buttonRow);
    setWidget(fields);
}

TFavoriteSite SitePropertiesPage::site() const {
    TFavoriteSite site;
    site.server = edtServer->text();
    site.user = edtUser->text();
    site.password = edtPassword->text();
    site.description = edtDesc->text();
    site.startDir = edtStartDir->text();
    site.port = edtPort->text();
    site.timeOut = edtTimeO->text();
    site.passive = cbPassiveMode->isChecked();
    site.ascii = cbAsciiMode->isChecked();
    return site;
}

void SitePropertiesPage::showSite(const TFavoriteSite& site, bool withStartFolder) {
    edtServer->setText(site.server);
    edtUser->setText(site.user);
    edtPassword->setText(site.password);
    edtDesc->setText(site.description);
    if (withStartFolder) {
        edtStartDir->setText(site.startDir);
    }
    edtPort->setText(site.port);
    edtTimeO->setText(site.timeOut);
    cbPassiveMode->setChecked(site.passive);
    cbAsciiMode->setChecked(site.ascii);
}

void SitePropertiesPage::clearText() {
    for (QLineEdit* field : {edtServer, edtUser, edtPassword, edtStartDir, edtDesc}) {
        field->clear();
    }
}
