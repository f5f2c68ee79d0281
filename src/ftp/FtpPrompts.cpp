#include "FtpPrompts.h"

#include <QFileInfo>

#include "AppError.h"
#include "FtpClient.h"
#include "Prompts.h"

void runGuarded(Prompts& prompts, const std::function<void()>& work) {
    try {
        work();
    } catch (const FtpStopped&) {
        // A stop the user asked for needs no error box.
    } catch (const AppError& error) {
        prompts.errorBox(error.message());
    }
}

void ftpHelpMessage(Prompts& prompts, const QString& text, int milliseconds) {
    prompts.timedMessage("FTP-Client Help Message", text, milliseconds);
}

int integerFromText(const QString& text) {
    bool ok = false;
    const int value = text.trimmed().toInt(&ok);
    if (!ok) {
        throw AppError(QString("'%1' is not a valid integer value.").arg(text));
    }
    return value;
}

QString chooseExportFile(Prompts& prompts, const QString& caption, QString proposed) {
    for (;;) {
        // The dialog's own question would be about the name as typed, not
        // about the one saved: this function asks instead.
        QString path = prompts.saveFileNameOwnOverwriteQuestion(
            caption, proposed, "Text file (*.txt);;Word file (*.doc)");
        if (path.isEmpty()) {
            return path;
        }
        if (QFileInfo(path).suffix().isEmpty()) {
            path += ".txt";
        }
        if (!QFileInfo::exists(path) ||
            prompts.message(
                Prompts::Kind::Warning, caption,
                QFileInfo(path).fileName() + " already exists.\nDo you want to replace it?",
                Prompts::Yes | Prompts::No) == Prompts::Yes) {
            return path;
        }
        proposed = path;
    }
}
