#pragma once

#include <QString>

// Text a server sent (a reason phrase, a file name, an FTP reply), made fit to
// reach a terminal or a window: control characters (C0, DEL and C1) are
// dropped, so no escape sequence or line break of the server's acts on the
// screen, and a tab becomes a blank.
QString printableText(const QString& text);
