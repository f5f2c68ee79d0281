#include "FileAttributes.h"

#include <sys/xattr.h>

#include <QByteArray>
#include <QFile>

namespace {

constexpr const char* kAttributeName = "user.DOSATTRIB";

// The attribute bits, or 0 when the file has none or they are unreadable.
unsigned readBits(const QByteArray& path) {
    char value[64] = {};
    const ssize_t size = getxattr(path.constData(), kAttributeName, value, sizeof value - 1);
    if (size < 3 || value[0] != '0' || (value[1] != 'x' && value[1] != 'X'))
        return 0;
    // The text may be followed by binary data: stop at the first non-digit.
    bool any = false;
    unsigned bits = 0;
    for (ssize_t i = 2; i < size && i < 10; ++i) {
        const char c = value[i];
        const int digit = c >= '0' && c <= '9'   ? c - '0'
                          : c >= 'a' && c <= 'f' ? c - 'a' + 10
                          : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                                 : -1;
        if (digit < 0)
            break;
        bits = bits * 16 + unsigned(digit);
        any = true;
    }
    return any ? bits : 0;
}

}  // namespace

namespace FileAttributes {

bool isSystem(const QString& path) {
    return (readBits(QFile::encodeName(path)) & kSystem) != 0;
}

bool setSystem(const QString& path, bool system) {
    const QByteArray name = QFile::encodeName(path);
    unsigned bits = readBits(name);
    bits = system ? (bits | kSystem) : (bits & ~kSystem);
    const QByteArray text = "0x" + QByteArray::number(bits, 16);
    return setxattr(name.constData(), kAttributeName, text.constData(), size_t(text.size()), 0) ==
           0;
}

}  // namespace FileAttributes
