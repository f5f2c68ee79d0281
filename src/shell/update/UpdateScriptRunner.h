#pragma once

#include <QObject>
#include <QString>
#include <thread>

// Runs one update script with the command interpreter ("/bin/sh"), its output
// and its error output going to a log file, and reports its end with how it
// ended.
//
// Owner thread only; `finished` arrives on it.
class UpdateScriptRunner : public QObject {
    Q_OBJECT
public:
    explicit UpdateScriptRunner(QObject* parent = nullptr);
    // Waits for a script still running: it may be halfway through an install.
    ~UpdateScriptRunner() override;

    void setShell(const QString& path) { m_shell = path; }
    QString shell() const { return m_shell; }

    // 0 once the script runs, else the system's error number (the interpreter
    // or the log cannot be opened). Refused (EBUSY) while a script runs.
    int start(const QString& scriptPath, const QString& logPath);
    bool isRunning() const { return m_running; }

    // Empty for a script that exited with 0, else what went wrong ("exit code
    // 2", "ended by signal 9"). `status` is the status waitpid gave.
    static QString exitProblem(int status);

signals:
    void finished(int status);

private:
    QString m_shell = QStringLiteral("/bin/sh");
    bool m_running = false;
    std::thread m_waiter;  // waits for the child's end
};
