#pragma once

#include <QObject>
#include <QString>
#include <functional>
#include <memory>

// One way of translating: the offline engine, the web translation service, or
// a LibreTranslate-compatible server. The value "TranslationEngine" of the
// translator's settings chooses one.
//
// UI thread only.
enum class EngineKind { Local, WebService, LibreTranslate };

// The stored text for an engine ("local", "web", "libretranslate") and back;
// an unknown or empty text means the offline engine.
QString engineSettingText(EngineKind kind);
EngineKind engineKindFromSetting(const QString& text);

struct TranslationOutcome {
    enum class Status {
        Translated,
        Unsupported,  // the engine cannot do the pair; nothing was sent
        Failed,
    };
    Status status = Status::Failed;
    QString text;                  // the translation, with "\n" line breaks
    QString message;               // Unsupported: what to install or set; Failed: the error
    QString engine;                // who answered, for the status bar
    qsizetype receivedLength = 0;  // characters received
};

class TranslationEngine : public QObject {
    Q_OBJECT
public:
    enum class Format { Text, Html };

    // The text to translate, or why there is none (a page that could not be
    // fetched).
    struct Source {
        bool ok = false;
        QString text;
        QString error;
        QString address;  // where a fetched page came from, after redirections
    };
    using SourceProvider = std::function<Source()>;

    using QObject::QObject;

    // The engine as the status bar names it before it has answered.
    virtual QString description() const = 0;

    // Translates what `source` gives for the language box's pair `pairIndex`
    // (-1: none chosen). `source` is asked only once the engine knows it can
    // translate the pair, so nothing is fetched or sent for a pair it cannot
    // do. `finished` follows exactly once, possibly before this returns; one
    // translation at a time.
    virtual void translate(int pairIndex, Format format, SourceProvider source) = 0;

signals:
    void finished(const TranslationOutcome& outcome);
};

struct EngineSettings {
    EngineKind kind = EngineKind::Local;
    QString libreTranslateApiKey;  // sent only when not empty
};

// The engine the settings choose, with its service address from the store.
std::unique_ptr<TranslationEngine> makeTranslationEngine(const EngineSettings& settings);
