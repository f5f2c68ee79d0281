#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>
#include <optional>

#include "TranslationEngine.h"

// A LibreTranslate-compatible server: `GET /languages` lists what it has,
// `POST /translate` with the JSON keys q, source, target, format (and api_key
// where the server wants one) answers {"translatedText": ...}.
namespace LibreTranslate {

inline constexpr const char* kServiceName = "LibreTranslate";
// Such a server run on the user's own machine listens here by default.
inline constexpr const char* kServiceDefault = "http://localhost:5000";

// The `GET /languages` reply: each language code with the codes it translates
// into. A server that names no targets translates between all it lists.
// Nothing when the reply is no such list.
using Languages = QHash<QString, QStringList>;
std::optional<Languages> parseLanguages(const QByteArray& reply);

// The server's codes for a pair of the language box ("zt" is also known as
// "zh-Hant", "zh" as "zh-Hans"), or nothing when the server lacks the pair.
std::optional<QPair<QString, QString>> serverPair(const Languages& languages, const QString& source,
                                                  const QString& target);

QByteArray translateRequest(const QString& text, const QString& source, const QString& target,
                            bool html, const QString& apiKey);

// The translation in a `POST /translate` reply, or the server's error.
struct Reply {
    bool ok = false;
    QString text;
    QString error;
};
Reply parseTranslateReply(const QByteArray& body);

}  // namespace LibreTranslate

// The engine over such a server, at the service address "LibreTranslate".
// Its requests wait in a local event loop, as the suite's other HTTP requests.
class LibreTranslateEngine : public TranslationEngine {
    Q_OBJECT
public:
    explicit LibreTranslateEngine(QString apiKey, QObject* parent = nullptr);

    QString description() const override;
    void translate(int pairIndex, Format format, SourceProvider source) override;

private:
    QString m_apiKey;
};
