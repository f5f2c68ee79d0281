#include "WebServiceEngine.h"

#include "ServiceAddress.h"
#include "TextTranslation.h"
#include "TranslationServices.h"

namespace {

QString serviceAddress() {
    return ServiceAddress::get(QLatin1String(TranslationServices::kTextName),
                               QLatin1String(TranslationServices::kTextDefault));
}

}  // namespace

QString WebServiceEngine::description() const {
    return QStringLiteral("Engine: web translation service at ") + serviceAddress();
}

void WebServiceEngine::translate(int pairIndex, Format, SourceProvider source) {
    TranslationOutcome outcome;
    outcome.engine = description();
    const Source text = source();
    if (!text.ok) {
        outcome.message = text.error;
        emit finished(outcome);
        return;
    }
    const QString service = serviceAddress();
    const TextTranslation::Result result =
        TextTranslation::translate(service, text.text, pairIndex);
    if (!result.ok) {
        outcome.message = result.errorText;
        emit finished(outcome);
        return;
    }
    outcome.status = TranslationOutcome::Status::Translated;
    outcome.text = result.translation;
    outcome.text.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).remove(u'\r');
    outcome.receivedLength = result.replyLength;
    outcome.engine = QStringLiteral("Translated by the web translation service at ") + service;
    emit finished(outcome);
}
