#include "TranslationEngine.h"

#include "ApertiumEngine.h"
#include "LibreTranslate.h"
#include "WebServiceEngine.h"

namespace {

struct EngineName {
    EngineKind kind;
    const char* text;
};

constexpr EngineName kEngineNames[] = {
    {EngineKind::Local, "local"},
    {EngineKind::WebService, "web"},
    {EngineKind::LibreTranslate, "libretranslate"},
};

}  // namespace

QString engineSettingText(EngineKind kind) {
    for (const EngineName& name : kEngineNames) {
        if (name.kind == kind)
            return QString::fromLatin1(name.text);
    }
    return QString::fromLatin1(kEngineNames[0].text);
}

EngineKind engineKindFromSetting(const QString& text) {
    for (const EngineName& name : kEngineNames) {
        if (text.trimmed().compare(QLatin1String(name.text), Qt::CaseInsensitive) == 0)
            return name.kind;
    }
    return EngineKind::Local;
}

std::unique_ptr<TranslationEngine> makeTranslationEngine(const EngineSettings& settings) {
    switch (settings.kind) {
        case EngineKind::WebService:
            return std::make_unique<WebServiceEngine>();
        case EngineKind::LibreTranslate:
            return std::make_unique<LibreTranslateEngine>(settings.libreTranslateApiKey);
        case EngineKind::Local:
            break;
    }
    return std::make_unique<ApertiumEngine>();
}
