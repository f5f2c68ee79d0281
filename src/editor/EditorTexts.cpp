#include "EditorTexts.h"

namespace EditorTexts {

QString position(int line, int column) {
    return QStringLiteral("Position:") + QString::asprintf(" %6d:%3d ", line, column);
}

QString insertMode(bool overwrite) {
    return overwrite ? QStringLiteral("Insert key is On!") : QStringLiteral("Insert key is Off.");
}

QString capsLock(bool on) {
    return on ? QStringLiteral("Caps Lock is On!") : QStringLiteral("Caps Lock is Off.");
}

QString dateAndTime(const QDateTime& moment, const QLocale& locale) {
    return locale.toString(moment.date(), QLocale::ShortFormat) + QStringLiteral("  ") +
           locale.toString(moment.time(), QLocale::LongFormat);
}

}  // namespace EditorTexts

QString modeEntry(EditorMode mode) {
    switch (mode) {
        case EditorMode::Pascal:
            return QStringLiteral("Pascal");
        case EditorMode::Xml:
            return QStringLiteral("XML");
        case EditorMode::Html:
            return QStringLiteral("Html");
        case EditorMode::Text:
            break;
    }
    return QStringLiteral("Text");
}

ModeChoice modeForEntry(EditorMode mode) {
    switch (mode) {
        case EditorMode::Pascal:
            return {mode, QStringLiteral("Pascal"), QStringLiteral("Ready in Pascal mode")};
        case EditorMode::Xml:
            return {mode, QStringLiteral("XML"), QStringLiteral("Ready in Xml mode")};
        case EditorMode::Html:
            return {mode, QStringLiteral("Html"), QStringLiteral("Ready in Html mode")};
        case EditorMode::Text:
            break;
    }
    return {EditorMode::Text, QStringLiteral("Text"), QStringLiteral("Ready in Text mode")};
}

ModeChoice modeForExtension(const QString& extension) {
    const auto has = [&](const char* letters) {
        return extension.contains(QLatin1String(letters), Qt::CaseSensitive);
    };
    if (has("pas") || has("dfm") || has("dpr")) {
        return modeForEntry(EditorMode::Pascal);
    }
    if (has("xml")) {
        ModeChoice choice = modeForEntry(EditorMode::Xml);
        choice.boxText = QStringLiteral("Xml");
        return choice;
    }
    if (has("htm")) {
        return modeForEntry(EditorMode::Html);
    }
    return modeForEntry(EditorMode::Text);
}

QPoint confirmDialogPosition(QSize dialog, const QRect& client, QPoint matchTopLeft,
                             int lineHeight) {
    int x;
    if (dialog.width() >= client.width()) {
        x = client.left() - (dialog.width() - client.width()) / 2;
    } else if (matchTopLeft.x() + dialog.width() > client.left() + client.width()) {
        x = client.left() + client.width() - dialog.width();
    } else {
        x = matchTopLeft.x();
    }
    const int matchBottom = matchTopLeft.y() + lineHeight;
    int y;
    if (matchBottom > client.top() + client.height() * 2 / 3) {
        y = matchTopLeft.y() - dialog.height() - 4;
    } else {
        y = matchBottom + 4;
    }
    return {x, y};
}
