#pragma once

#include <QDialog>
#include <functional>

class Prompts;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTabWidget;

// The about box: the program's name, release and stage, the credits, the
// licence and the change log, links to the home page and to the developer's
// mail address, and the release check.
class TfrmAbout : public QDialog {
    Q_OBJECT
public:
    static constexpr const char* kCaption = "About  Corvanta  0.08  Beta";

    // The frame's actions the box runs.
    struct Actions {
        std::function<void()> goHome;           // DoGoHome
        std::function<void()> mailMe;           // DoMailMe
        std::function<void()> checkForUpdates;  // DoCheck4Updates
    };

    // `dataFolder` holds "ChangeLog.txt" and "Credits.txt".
    TfrmAbout(Prompts& prompts, Actions actions, const QString& dataFolder,
              QWidget* parent = nullptr);

    // Fills the box (its messages come first), then shows it modally.
    int showModal();
    void FormShow();

    QTabWidget* pages = nullptr;
    QLineEdit* edtApplication = nullptr;
    QLineEdit* edtVersion = nullptr;
    QLineEdit* edtStage = nullptr;
    QLabel* LaGoHome = nullptr;
    QLabel* LaGoMail = nullptr;
    QPlainTextEdit* memCredits = nullptr;
    QPlainTextEdit* memLicence = nullptr;
    QPlainTextEdit* memChangeLog = nullptr;
    QPushButton* BtnCheckUpdate = nullptr;
    QPushButton* BtnClosae = nullptr;

private:
    QWidget* buildAboutPage();
    // Loads a data file into `box`; false when the file is missing.
    bool loadDataFile(const QString& name, QPlainTextEdit* box);

    Prompts& m_prompts;
    Actions m_actions;
    QString m_dataFolder;
};
