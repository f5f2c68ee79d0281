#include "LanguagePairs.h"

QString languagePairCode(int index) {
    if (index < 0 || index >= int(kLanguagePairs.size())) {
        return QStringLiteral("es_en");
    }
    return QString::fromLatin1(kLanguagePairs[index].code);
}
