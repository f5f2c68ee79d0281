#include "FrameInstance.h"

#include <QDir>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QStandardPaths>

namespace {

// One message per connection: a JSON object on one line, answered with "ok".
constexpr qint64 kMaxMessage = 1024 * 1024;
constexpr const char* kSocketName = "corvanta-frame";

}  // namespace

FrameInstance::FrameInstance(const QString& folder, QObject* parent)
    : QObject(parent), m_folder(folder.isEmpty() ? sessionFolder() : folder) {}

FrameInstance::~FrameInstance() = default;

QString FrameInstance::sessionFolder() {
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QDir::isAbsolutePath(runtime) && QDir(runtime).exists())
        return runtime;
    // Qt makes a private one (/tmp/runtime-USER) when the session names none.
    return QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
}

QString FrameInstance::socketPath() const {
    return m_folder + QLatin1Char('/') + QLatin1String(kSocketName);
}

FrameInstance::Role FrameInstance::claim(const QStringList& arguments, int timeoutMs) {
    if (m_server)
        return Role::Primary;
    QLockFile lock(socketPath() + QStringLiteral(".lock"));
    // A lock whose owner died is taken over at once; a live owner holds it
    // only for the moment between looking and listening.
    lock.setStaleLockTime(0);
    if (!lock.tryLock(timeoutMs)) {
        m_error = QStringLiteral("Cannot lock %1").arg(socketPath() + QStringLiteral(".lock"));
        return Role::Failed;
    }
    QLocalSocket running;
    running.connectToServer(socketPath());
    if (running.waitForConnected(qMin(timeoutMs, 2000))) {
        lock.unlock();
        return handOver(running, arguments, timeoutMs) ? Role::HandedOver : Role::Failed;
    }
    // Nothing listens: a socket file left behind by a run that crashed goes.
    QLocalServer::removeServer(socketPath());
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!m_server->listen(socketPath())) {
        // The frame still starts, on its own.
        m_error =
            QStringLiteral("Cannot listen on %1: %2").arg(socketPath(), m_server->errorString());
        delete m_server;
        m_server = nullptr;
        return Role::Primary;
    }
    connect(m_server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* socket = m_server->nextPendingConnection()) {
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            connect(socket, &QLocalSocket::readyRead, this, [this, socket] { receive(socket); });
            receive(socket);
        }
    });
    return Role::Primary;
}

bool FrameInstance::handOver(QLocalSocket& socket, const QStringList& arguments, int timeoutMs) {
    QElapsedTimer clock;
    clock.start();
    const auto left = [&] { return int(qMax<qint64>(1, timeoutMs - clock.elapsed())); };
    QJsonObject message;
    message.insert(QStringLiteral("arguments"), QJsonArray::fromStringList(arguments));
    socket.write(QJsonDocument(message).toJson(QJsonDocument::Compact) + '\n');
    QByteArray answer;
    while (!answer.contains('\n')) {
        if (socket.bytesToWrite() > 0 ? !socket.waitForBytesWritten(left())
                                      : !socket.waitForReadyRead(left())) {
            m_error = QStringLiteral("The running Corvanta did not take the arguments: %1")
                          .arg(socket.errorString());
            return false;
        }
        answer += socket.readAll();
    }
    if (!answer.startsWith("ok")) {
        m_error = QStringLiteral("The running Corvanta refused the arguments");
        return false;
    }
    return true;
}

void FrameInstance::receive(QLocalSocket* socket) {
    if (!socket->canReadLine()) {
        if (socket->bytesAvailable() > kMaxMessage)
            socket->abort();  // not one of ours
        return;
    }
    const QByteArray line = socket->readLine(kMaxMessage);
    const QJsonDocument document = QJsonDocument::fromJson(line);
    const QJsonValue list = document.object().value(QStringLiteral("arguments"));
    if (!list.isArray()) {
        socket->write("error\n");
        socket->disconnectFromServer();
        return;
    }
    QStringList arguments;
    for (const QJsonValue& value : list.toArray())
        arguments << value.toString();
    socket->write("ok\n");
    socket->flush();
    socket->disconnectFromServer();
    emit argumentsReceived(arguments);
}
