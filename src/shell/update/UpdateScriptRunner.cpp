#include "UpdateScriptRunner.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <QFile>
#include <cerrno>

extern char** environ;

UpdateScriptRunner::UpdateScriptRunner(QObject* parent) : QObject(parent) {}

UpdateScriptRunner::~UpdateScriptRunner() {
    if (m_waiter.joinable())
        m_waiter.join();
}

QString UpdateScriptRunner::exitProblem(int status) {
    if (WIFEXITED(status))
        return WEXITSTATUS(status) == 0 ? QString()
                                        : QStringLiteral("exit code %1").arg(WEXITSTATUS(status));
    if (WIFSIGNALED(status))
        return QStringLiteral("ended by signal %1").arg(WTERMSIG(status));
    return QStringLiteral("ended abnormally (status %1)").arg(status);
}

int UpdateScriptRunner::start(const QString& scriptPath, const QString& logPath) {
    if (m_running)
        return EBUSY;
    if (m_waiter.joinable())
        m_waiter.join();
    const QByteArray shell = QFile::encodeName(m_shell);
    const QByteArray script = QFile::encodeName(scriptPath);
    const QByteArray log = QFile::encodeName(logPath);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, log.constData(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0600);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    char* argv[] = {const_cast<char*>("sh"), const_cast<char*>(script.constData()), nullptr};
    pid_t pid = 0;
    const int error = posix_spawn(&pid, shell.constData(), &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    if (error != 0)
        return error;
    m_running = true;
    m_waiter = std::thread([this, pid] {
        int status = 0;
        while (::waitpid(pid, &status, 0) < 0) {
            if (errno != EINTR) {
                status = 0x7f00;  // not seen to end well: exit code 127
                break;
            }
        }
        QMetaObject::invokeMethod(
            this,
            [this, status] {
                m_running = false;
                emit finished(status);
            },
            Qt::QueuedConnection);
    });
    return 0;
}
