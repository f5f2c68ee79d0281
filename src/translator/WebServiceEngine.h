#pragma once

#include "TranslationEngine.h"

// The web translation service: the one GET and the reply page of
// TextTranslation, at the service address "Translation". Plain text only; the
// window hands whole pages to the page translation service itself.
class WebServiceEngine : public TranslationEngine {
    Q_OBJECT
public:
    using TranslationEngine::TranslationEngine;

    QString description() const override;
    void translate(int pairIndex, Format format, SourceProvider source) override;
};
