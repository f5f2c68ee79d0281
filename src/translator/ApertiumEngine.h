#pragma once

#include <QByteArray>
#include <QList>
#include <QProcess>

#include "TranslationEngine.h"

// The offline engine: the installed modes are listed (`apertium -l`) at every
// translation, so pairs installed meanwhile count; the text then runs through
// one `apertium` process, or two piped ones for a pair that goes through a
// pivot language. The window never waits: the output is read as it comes and
// `finished` follows when the last process ends. Text is UTF-8 both ways.
//
// UI thread only.
class ApertiumEngine : public TranslationEngine {
    Q_OBJECT
public:
    // `program` is the engine's command (a path or a name looked up in PATH).
    explicit ApertiumEngine(QString program = QStringLiteral("apertium"),
                            QObject* parent = nullptr);
    ~ApertiumEngine() override;

    QString description() const override;
    void translate(int pairIndex, Format format, SourceProvider source) override;

private:
    void modesListed();
    void run(const QStringList& modes, const QString& text);
    void stepFinished();
    void keepErrors(QProcess* step);
    void finish(TranslationOutcome::Status status, const QString& textOrMessage);
    void stopProcesses();

    QString m_program;
    int m_pairIndex = -1;
    Format m_format = Format::Text;
    SourceProvider m_source;
    QProcess* m_listing = nullptr;
    QList<QProcess*> m_steps;  // in pipe order
    QStringList m_route;
    QByteArray m_output;
    QByteArray m_errors;
    int m_running = 0;
    bool m_inputBlank = false;
};
