#include "TypedAddresses.h"

#include "Registry.h"

namespace TypedAddresses {

QStringList valuesToWrite(const QStringList& entries) {
    const int count = entries.size() >= kMaximum - 1 ? kMaximum : int(entries.size()) + 1;
    QStringList values;
    for (int i = 0; i < count; ++i)
        values.append(i < entries.size() ? entries[i] : QString());
    return values;
}

QStringList load() {
    QStringList entries;
    try {
        Registry registry;
        if (!registry.openKey(kKey, false))
            return entries;
        for (int i = 1; i <= kMaximum; ++i) {
            const QString value = registry.readString(QStringLiteral("Url%1").arg(i));
            if (!value.isEmpty())
                entries.append(value);
        }
    } catch (const AppError&) {
        // An unreadable list leaves the box empty.
    }
    return entries;
}

void writeBack(const QStringList& entries) {
    try {
        Registry registry;
        if (!registry.openKey(kKey, true))
            return;
        const QStringList values = valuesToWrite(entries);
        for (int i = 0; i < values.size(); ++i) {
            registry.writeString(QStringLiteral("Url%1").arg(i + 1), values[i]);
        }
    } catch (const AppError&) {
        // A store that cannot be written keeps its old list.
    }
}

}  // namespace TypedAddresses

void writeNumberedList(Registry& registry, const QStringList& entries) {
    for (int i = 0; i < entries.size(); ++i)
        registry.writeString(QString::number(i), entries[i]);
}

QStringList readNumberedList(Registry& registry, int count) {
    QStringList entries;
    for (int i = 0; i < count; ++i) {
        const QString value = registry.readString(QString::number(i));
        if (!value.isEmpty())
            entries.append(value);
    }
    return entries;
}
