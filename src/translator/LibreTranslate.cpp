#include "LibreTranslate.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QUrl>

#include "LanguagePairs.h"
#include "PlainHttp.h"
#include "ServiceAddress.h"
#include "TranslationServices.h"

namespace LibreTranslate {

namespace {

QStringList namesFor(const QString& boxCode) {
    if (boxCode == QLatin1String("zt"))
        return {QStringLiteral("zt"), QStringLiteral("zh-Hant"), QStringLiteral("zh-TW")};
    if (boxCode == QLatin1String("zh"))
        return {QStringLiteral("zh"), QStringLiteral("zh-Hans"), QStringLiteral("zh-CN")};
    return {boxCode};
}

}  // namespace

std::optional<Languages> parseLanguages(const QByteArray& reply) {
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(reply, &error);
    if (error.error != QJsonParseError::NoError || !document.isArray())
        return std::nullopt;
    Languages languages;
    QStringList all;
    bool namesTargets = false;
    for (const QJsonValue& entry : document.array()) {
        const QString code = entry.toObject().value(QLatin1String("code")).toString();
        if (code.isEmpty())
            continue;
        all.append(code);
        QStringList targets;
        const QJsonValue listed = entry.toObject().value(QLatin1String("targets"));
        namesTargets = namesTargets || listed.isArray();
        for (const QJsonValue& target : listed.toArray()) {
            if (target.toString() != code)
                targets.append(target.toString());
        }
        languages.insert(code, targets);
    }
    if (!namesTargets) {
        for (auto it = languages.begin(); it != languages.end(); ++it) {
            it.value() = all;
            it.value().removeAll(it.key());
        }
    }
    return languages;
}

std::optional<QPair<QString, QString>> serverPair(const Languages& languages, const QString& source,
                                                  const QString& target) {
    for (const QString& from : namesFor(source)) {
        const auto found = languages.constFind(from);
        if (found == languages.cend())
            continue;
        for (const QString& to : namesFor(target)) {
            if (found->contains(to))
                return QPair<QString, QString>{from, to};
        }
    }
    return std::nullopt;
}

QByteArray translateRequest(const QString& text, const QString& source, const QString& target,
                            bool html, const QString& apiKey) {
    QJsonObject request{
        {QStringLiteral("q"), text},
        {QStringLiteral("source"), source},
        {QStringLiteral("target"), target},
        {QStringLiteral("format"), html ? QStringLiteral("html") : QStringLiteral("text")},
    };
    if (!apiKey.isEmpty())
        request.insert(QStringLiteral("api_key"), apiKey);
    return QJsonDocument(request).toJson(QJsonDocument::Compact);
}

Reply parseTranslateReply(const QByteArray& body) {
    const QJsonObject object = QJsonDocument::fromJson(body).object();
    Reply reply;
    const QJsonValue text = object.value(QLatin1String("translatedText"));
    if (text.isString()) {
        reply.ok = true;
        reply.text = text.toString();
    } else {
        reply.error = object.value(QLatin1String("error")).toString();
    }
    return reply;
}

}  // namespace LibreTranslate

namespace {

constexpr int kTimeoutMs = 120000;  // a long text takes its time on a small server

QString serverAddress() {
    return ServiceAddress::get(QLatin1String(LibreTranslate::kServiceName),
                               QLatin1String(LibreTranslate::kServiceDefault));
}

// The server's own error text where it sent one, the client's otherwise.
QString failure(const PlainHttp::Result& result) {
    const QString said = LibreTranslate::parseTranslateReply(result.body).error;
    return said.isEmpty() ? result.errorText
                          : said + QStringLiteral(" (") + result.errorText + u')';
}

}  // namespace

LibreTranslateEngine::LibreTranslateEngine(QString apiKey, QObject* parent)
    : TranslationEngine(parent), m_apiKey(std::move(apiKey)) {}

QString LibreTranslateEngine::description() const {
    return QStringLiteral("Engine: LibreTranslate at ") + serverAddress();
}

void LibreTranslateEngine::translate(int pairIndex, Format format, SourceProvider source) {
    const QString server = serverAddress();
    TranslationOutcome outcome;
    outcome.engine = description();
    const auto done = [this, &outcome](TranslationOutcome::Status status, const QString& message) {
        outcome.status = status;
        outcome.message = message;
        emit finished(outcome);
    };
    PlainHttp::Options options;
    options.timeoutMs = kTimeoutMs;
    const PlainHttp::Result listed =
        PlainHttp::get(TranslationServices::url(server, QStringLiteral("/languages")), options);
    const std::optional<LibreTranslate::Languages> languages =
        listed.ok ? LibreTranslate::parseLanguages(listed.body) : std::nullopt;
    if (!languages) {
        done(
            TranslationOutcome::Status::Failed,
            QStringLiteral("The LibreTranslate server at %1 gave no list of languages: %2")
                .arg(server, listed.ok ? QStringLiteral("the reply is not one") : failure(listed)));
        return;
    }
    const PairLanguages pair = pairLanguages(pairIndex);
    const auto codes = LibreTranslate::serverPair(*languages, pair.source, pair.target);
    if (!codes) {
        QStringList known = languages->keys();
        known.sort();
        done(TranslationOutcome::Status::Unsupported,
             QStringLiteral("The LibreTranslate server at %1 cannot translate %2 (its languages: "
                            "%3).\n\nInstall these languages on the server, or set the value "
                            "\"TranslationEngine\" under \\Software\\Corvanta\\Translator to "
                            "\"local\" for the offline translator.")
                 .arg(server, languagePairCaption(pairIndex),
                      known.isEmpty() ? QStringLiteral("none") : known.join(QStringLiteral(", "))));
        return;
    }
    const Source text = source();
    if (!text.ok) {
        done(TranslationOutcome::Status::Failed, text.error);
        return;
    }
    options.headers = {{"Content-Type", "application/json"}, {"Accept", "application/json"}};
    const PlainHttp::Result reply =
        PlainHttp::post(TranslationServices::url(server, QStringLiteral("/translate")),
                        LibreTranslate::translateRequest(text.text, codes->first, codes->second,
                                                         format == Format::Html, m_apiKey),
                        options);
    const LibreTranslate::Reply translated = LibreTranslate::parseTranslateReply(reply.body);
    if (!reply.ok || !translated.ok) {
        done(TranslationOutcome::Status::Failed,
             QStringLiteral("The LibreTranslate server at %1 did not translate: %2")
                 .arg(server, reply.ok ? QStringLiteral("its reply holds no translation")
                                       : failure(reply)));
        return;
    }
    outcome.status = TranslationOutcome::Status::Translated;
    outcome.text = translated.text;
    outcome.receivedLength = translated.text.size();
    outcome.engine = QStringLiteral("Translated by LibreTranslate at ") + server;
    emit finished(outcome);
}
