#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

// Names and paths as servers send them, kept byte for byte in a QString:
// UTF-8 is decoded, and every byte that is not part of valid UTF-8 (a name in
// a legacy encoding) is kept as the code unit U+DC80 + its value, an unpaired
// surrogate that decoded text never holds. serverBytes() gives back exactly
// the bytes that came, so such a name can be sent back in a command.
QString textFromServerBytes(QByteArrayView bytes);
QByteArray serverBytes(const QString& text);

// Text a server sent (a reason phrase, a file name, an FTP reply), made fit to
// reach a terminal or a window: control characters (C0, DEL and C1) are
// dropped, so no escape sequence or line break of the server's acts on the
// screen, a tab becomes a blank, and a byte kept from a legacy encoding is
// shown as U+FFFD.
QString printableText(const QString& text);
