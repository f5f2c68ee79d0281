// One block of settings as the store tests write it: every value of a key and
// of its sub-key "Detail" derived from the block's number, so a store read
// back tells which block it holds, or that it holds a mixture.
#pragma once

#include <QDate>
#include <QString>

#include "Registry.h"

namespace RegistryBlock {

inline QString keyPath(const QString& key) {
    return QStringLiteral("\\Software\\Corvanta\\") + key;
}

// Texts of varying length, so blocks move the store's pages around.
inline QString blockText(int n) {
    return QStringLiteral("block %1;").arg(n).repeated(1 + n % 40);
}

inline void write(Registry& registry, const QString& key, int n) {
    registry.openKey(keyPath(key), true);
    for (int i = 0; i < 8; ++i) {
        registry.writeInteger(QStringLiteral("v%1").arg(i), n);
    }
    registry.writeString(QStringLiteral("text"), blockText(n));
    registry.writeDate(QStringLiteral("date"), QDate(2000, 1, 1).addDays(n));
    registry.openKey(keyPath(key) + QStringLiteral("\\Detail"), true);
    for (int i = 0; i < 4; ++i) {
        registry.writeInteger(QStringLiteral("d%1").arg(i), -n);
    }
}

// The block the store holds for `key`: 0 when none was ever committed, -1
// when its values come from different blocks (or are damaged).
inline int read(Registry& registry, const QString& key) {
    if (!registry.openKey(keyPath(key), false) || !registry.valueExists(QStringLiteral("v0"))) {
        return registry.openKey(keyPath(key) + QStringLiteral("\\Detail"), false) &&
                       registry.valueExists(QStringLiteral("d0"))
                   ? -1
                   : 0;
    }
    try {
        const int n = registry.readInteger(QStringLiteral("v0"));
        for (int i = 1; i < 8; ++i) {
            if (registry.readInteger(QStringLiteral("v%1").arg(i)) != n) {
                return -1;
            }
        }
        if (registry.readString(QStringLiteral("text")) != blockText(n) ||
            registry.readDate(QStringLiteral("date")) != QDate(2000, 1, 1).addDays(n)) {
            return -1;
        }
        if (!registry.openKey(keyPath(key) + QStringLiteral("\\Detail"), false)) {
            return -1;
        }
        for (int i = 0; i < 4; ++i) {
            if (registry.readInteger(QStringLiteral("d%1").arg(i)) != -n) {
                return -1;
            }
        }
        return n;
    } catch (const RegistryError&) {
        return -1;
    }
}

}  // namespace RegistryBlock
