#include "ApertiumEngine.h"

#include "ApertiumModes.h"
#include "LanguagePairs.h"

namespace {

// What a process may say on its error channel that is kept for the message.
constexpr qsizetype kMaxErrorBytes = 4096;

// The packages that give every pair among English, French, Italian,
// Portuguese and Spanish.
constexpr const char* kPackages =
    "apertium, apertium-eng-spa, apertium-fr-es, apertium-spa-ita and apertium-es-pt";

QString otherEngines() {
    return QStringLiteral(
        "or set \"TranslationEngine\" under \\Software\\Corvanta\\Translator to "
        "\"libretranslate\" and the service address \"LibreTranslate\" under "
        "\\Software\\Corvanta\\Services to a LibreTranslate-compatible server that has the "
        "pair.");
}

}  // namespace

ApertiumEngine::ApertiumEngine(QString program, QObject* parent)
    : TranslationEngine(parent), m_program(std::move(program)) {}

ApertiumEngine::~ApertiumEngine() {
    stopProcesses();
}

QString ApertiumEngine::description() const {
    return QStringLiteral("Engine: Apertium (offline)");
}

void ApertiumEngine::translate(int pairIndex, Format format, SourceProvider source) {
    m_pairIndex = pairIndex;
    m_format = format;
    m_source = std::move(source);
    m_listing = new QProcess(this);
    connect(m_listing, &QProcess::finished, this, &ApertiumEngine::modesListed);
    connect(m_listing, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
        if (error != QProcess::FailedToStart)
            return;
        finish(TranslationOutcome::Status::Unsupported,
               QStringLiteral("The offline translator (Apertium) is not installed. Install the "
                              "Debian packages %1, ")
                       .arg(QLatin1String(kPackages)) +
                   otherEngines());
    });
    m_listing->start(m_program, {QStringLiteral("-l")});
}

void ApertiumEngine::modesListed() {
    if (m_listing->exitStatus() != QProcess::NormalExit || m_listing->exitCode() != 0) {
        finish(TranslationOutcome::Status::Failed,
               QStringLiteral("The offline translator could not list its language pairs: ") +
                   QString::fromUtf8(m_listing->readAllStandardError().left(kMaxErrorBytes)));
        return;
    }
    const QStringList modes = ApertiumModes::parseList(m_listing->readAllStandardOutput());
    const PairLanguages pair = pairLanguages(m_pairIndex);
    m_route = ApertiumModes::route(modes, pair.source, pair.target);
    if (m_route.isEmpty()) {
        const QString caption = languagePairCaption(m_pairIndex);
        const QString installed =
            modes.isEmpty() ? QStringLiteral("none") : modes.join(QStringLiteral(", "));
        finish(TranslationOutcome::Status::Unsupported,
               QStringLiteral("The offline translator (Apertium) cannot translate %1: none of "
                              "its installed language pairs (%2) leads there, directly or "
                              "through another language.\n\n"
                              "Install an Apertium language pair for these languages (the "
                              "Debian packages apertium-eng-spa, apertium-fr-es, "
                              "apertium-spa-ita and apertium-es-pt cover every pair among "
                              "English, French, Italian, Portuguese and Spanish), ")
                       .arg(caption, installed) +
                   otherEngines());
        return;
    }
    const Source source = m_source();
    if (!source.ok) {
        finish(TranslationOutcome::Status::Failed, source.error);
        return;
    }
    run(m_route, source.text);
}

void ApertiumEngine::run(const QStringList& modes, const QString& text) {
    const QString format =
        m_format == Format::Html ? QStringLiteral("html") : QStringLiteral("txt");
    for (const QString& mode : modes) {
        auto* step = new QProcess(this);
        // -u: unknown words are passed on as they are, without a mark.
        step->setProgram(m_program);
        step->setArguments({QStringLiteral("-u"), QStringLiteral("-f"), format, mode});
        if (!m_steps.isEmpty())
            m_steps.last()->setStandardOutputProcess(step);
        connect(step, &QProcess::readyReadStandardError, this, [this, step] { keepErrors(step); });
        connect(step, &QProcess::finished, this, &ApertiumEngine::stepFinished);
        connect(step, &QProcess::errorOccurred, this, [this, step](QProcess::ProcessError error) {
            if (error == QProcess::FailedToStart) {
                finish(TranslationOutcome::Status::Failed,
                       QStringLiteral("The offline translator could not be started: ") +
                           step->errorString());
            }
        });
        m_steps.append(step);
    }
    // Read as it comes, so a long output never stalls the pipe.
    QProcess* last = m_steps.last();
    connect(last, &QProcess::readyReadStandardOutput, this,
            [this, last] { m_output += last->readAllStandardOutput(); });
    m_output.clear();
    m_errors.clear();
    m_running = int(m_steps.size());
    const QList<QProcess*> steps = m_steps;
    for (QProcess* step : steps) {
        step->start();
        if (m_steps.isEmpty())  // it could not start, which ended the translation
            return;
    }
    m_inputBlank = text.trimmed().isEmpty();
    m_steps.first()->write(text.toUtf8());
    m_steps.first()->closeWriteChannel();
}

void ApertiumEngine::stepFinished() {
    if (--m_running > 0)
        return;
    QProcess* last = m_steps.last();
    m_output += last->readAllStandardOutput();
    for (QProcess* step : m_steps)
        keepErrors(step);
    // The engine's script says 0 even when a program of its pipe is missing;
    // it then writes nothing but its complaint.
    const bool silent = m_output.trimmed().isEmpty() && !m_inputBlank && !m_errors.isEmpty();
    for (QProcess* step : m_steps) {
        if (step->exitStatus() != QProcess::NormalExit || step->exitCode() != 0 || silent) {
            finish(TranslationOutcome::Status::Failed,
                   QStringLiteral("The offline translator stopped with an error (%1): %2")
                       .arg(step->arguments().constLast(), QString::fromUtf8(m_errors).trimmed()));
            return;
        }
    }
    finish(TranslationOutcome::Status::Translated, QString::fromUtf8(m_output));
}

void ApertiumEngine::keepErrors(QProcess* step) {
    const QByteArray said = step->readAllStandardError();
    m_errors += said.left(std::max<qsizetype>(0, kMaxErrorBytes - m_errors.size()));
}

void ApertiumEngine::finish(TranslationOutcome::Status status, const QString& textOrMessage) {
    TranslationOutcome outcome;
    outcome.status = status;
    if (status == TranslationOutcome::Status::Translated) {
        outcome.text = textOrMessage;
        outcome.receivedLength = textOrMessage.size();
        outcome.engine =
            QStringLiteral("Translated by Apertium (%1)").arg(m_route.join(QStringLiteral(", ")));
    } else {
        outcome.message = textOrMessage;
        outcome.engine = description();
    }
    stopProcesses();
    m_output.clear();
    emit finished(outcome);
}

void ApertiumEngine::stopProcesses() {
    QList<QProcess*> processes = m_steps;
    if (m_listing)
        processes.append(m_listing);
    m_steps.clear();
    m_listing = nullptr;
    for (QProcess* process : processes) {
        process->disconnect(this);
        if (process->state() != QProcess::NotRunning) {
            process->kill();
            process->waitForFinished(1000);
        }
        process->deleteLater();
    }
}
