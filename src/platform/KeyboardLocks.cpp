#include "KeyboardLocks.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QStringList>

#if defined(CORVANTA_HAVE_XKB) && QT_CONFIG(xcb)
#define CORVANTA_ASK_XKB 1
#include <X11/XKBlib.h>  // last: Xlib defines names such as Bool and None
#endif

namespace {

bool capsLockLedOn() {
    static const QStringList leds = [] {
        QStringList files;
        const QDir dir(QStringLiteral("/sys/class/leds"));
        for (const QString& name : dir.entryList({QStringLiteral("*capslock*")}, QDir::Dirs)) {
            files.append(dir.filePath(name + QStringLiteral("/brightness")));
        }
        return files;
    }();
    for (const QString& path : leds) {
        QFile file(path);
        if (file.open(QIODevice::ReadOnly) && file.readAll().trimmed().toInt() > 0) {
            return true;
        }
    }
    return false;
}

}  // namespace

namespace KeyboardLocks {

bool capsLockOn() {
#ifdef CORVANTA_ASK_XKB
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (Display* display = x11 ? x11->display() : nullptr) {
        XkbStateRec state{};
        if (XkbGetState(display, XkbUseCoreKbd, &state) == Success) {
            return (state.locked_mods & LockMask) != 0;
        }
    }
#endif
    return capsLockLedOn();
}

}  // namespace KeyboardLocks
