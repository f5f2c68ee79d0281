#pragma once

#include <QDialog>

#include "RemoteTree.h"

class QLabel;

// "File Exists Dialog": asks whether to replace, resume or leave an existing
// file.
class TFileExistsDialog : public QDialog {
    Q_OBJECT
public:
    TFileExistsDialog(const QString& fileName, QWidget* parent = nullptr);

    FileExistsChoice choice() const { return m_choice; }

    // Shows the dialog modally and returns the answer (Cancel when closed).
    static FileExistsChoice ask(const QString& fileName, QWidget* parent);

private:
    QLabel* m_label;
    FileExistsChoice m_choice = FileExistsChoice::Cancel;
};
