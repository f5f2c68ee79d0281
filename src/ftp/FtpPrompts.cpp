#include "FtpPrompts.h"

#include <QFileInfo>

#include "AppError.h"
#include "Prompts.h"

void runGuarded(Prompts& prompts, const std::function<void()>& work) {
    try {
        work();
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

QString ftpExportFilter() {
    return "Text file (*.txt);;Word file (*.doc)";
}

QString withDefaultExtension(const QString& path) {
    return QFileInfo(path).suffix().isEmpty() ? path + ".txt" : path;
}
