#include "LanguagePairs.h"

namespace {

bool inTable(int index) {
    return index >= 0 && index < int(kLanguagePairs.size());
}

}  // namespace

QString languagePairCode(int index) {
    if (!inTable(index)) {
        return QStringLiteral("es_en");
    }
    return QString::fromLatin1(kLanguagePairs[index].code);
}

QString languagePairCaption(int index) {
    return QString::fromLatin1(inTable(index) ? kLanguagePairs[index].caption
                                              : "Spanish to English");
}

PairLanguages pairLanguages(int index) {
    const QString code = languagePairCode(index);
    return {code.section(u'_', 0, 0), code.section(u'_', 1, 1)};
}
