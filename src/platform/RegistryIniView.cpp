#include "RegistryIniView.h"

#include "Registry.h"

QString RegistryIniView::sectionPath(const QString& section) const {
    return section.isEmpty() ? m_keyPath : m_keyPath + "\\" + section;
}

QString RegistryIniView::readString(const QString& section, const QString& ident,
                                    const QString& defaultValue) const {
    Registry registry(m_databaseFile);
    if (!registry.openKey(sectionPath(section), false) || !registry.valueExists(ident)) {
        return defaultValue;
    }
    if (registry.valueType(ident) != Registry::ValueType::Text) {
        return defaultValue;
    }
    return registry.readString(ident);
}

void RegistryIniView::writeString(const QString& section, const QString& ident,
                                  const QString& value) {
    Registry registry(m_databaseFile);
    registry.openKey(sectionPath(section), true);
    registry.writeString(ident, value);
}

bool RegistryIniView::valueExists(const QString& section, const QString& ident) const {
    Registry registry(m_databaseFile);
    return registry.openKey(sectionPath(section), false) && registry.valueExists(ident);
}

void RegistryIniView::deleteKey(const QString& section, const QString& ident) {
    Registry registry(m_databaseFile);
    if (registry.openKey(sectionPath(section), false)) {
        registry.deleteValue(ident);
    }
}
