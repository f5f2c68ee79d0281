#pragma once

class QPrinter;
class QWidget;

// Prints `window` as it is drawn on the screen, on one page of `printer`,
// scaled in proportion from the screen's resolution to the printer's.
//
// A print to a file is written whole or not at all: a file that cannot be
// written completely keeps what it held. Throws AppError whose message is
// the failure's kind, ": " and what went wrong ("FileError: ...").
void printWindowImage(QWidget& window, QPrinter& printer);
