#pragma once

#include <QString>

// Which icon the address box draws beside a text.
struct AddressIconChoice {
    enum Kind { ShellFolder, File, Folder, WebPage, Empty } kind;
    QString detail;  // the upper-case shell folder name, or the local path of a file or folder
};

// Shell folder names first (without regard to case), then an existing file or
// a "file://" address, an existing folder, any other text (a web page), and the
// empty text.
AddressIconChoice addressIconChoice(const QString& text);
