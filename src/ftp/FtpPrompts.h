#pragma once

#include <QString>
#include <functional>

class Prompts;

// Runs a handler body of the FTP window: an AppError ends it and is shown in
// the application's error box (a call the user stopped ends it quietly); the
// window stays usable.
void runGuarded(Prompts& prompts, const std::function<void()>& work);

// The FTP window's self-closing help message, titled "FTP-Client Help Message".
void ftpHelpMessage(Prompts& prompts, const QString& text, int milliseconds);

// Text the user typed as a whole number; anything else ends the operation with
// the conversion error message.
int integerFromText(const QString& text);

// The file of the window's two exports, chosen in a save dialog titled
// `caption` ("Text file", "Word file") that proposes `proposed`. A name without
// an extension gets ".txt"; a file of the final name that exists is replaced
// only when the user agrees, else the dialog shows again. Empty when cancelled.
QString chooseExportFile(Prompts& prompts, const QString& caption, QString proposed);
