#pragma once

#include <QString>
#include <functional>

class Prompts;

// Runs a handler body of the FTP window: an AppError ends it and is shown in
// the application's error box; the window stays usable.
void runGuarded(Prompts& prompts, const std::function<void()>& work);

// The FTP window's self-closing help message, titled "FTP-Client Help Message".
void ftpHelpMessage(Prompts& prompts, const QString& text, int milliseconds);

// Text the user typed as a whole number; anything else ends the operation with
// the conversion error message.
int integerFromText(const QString& text);

// The filter of the window's two export dialogs ("Text file", "Word file").
QString ftpExportFilter();
// The export dialogs propose "txt" as the extension of a bare name.
QString withDefaultExtension(const QString& path);
