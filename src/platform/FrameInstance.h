#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

class QLocalServer;
class QLocalSocket;

// One running frame per user session. The first start listens on a local
// socket in the session's runtime folder ($XDG_RUNTIME_DIR); a later start
// hands its arguments to it there and ends. A socket left behind by a run
// that crashed answers no one: it is removed and the new start takes its
// place. A lock file beside the socket makes "look, then listen" one step, so
// two starts at the same moment still end with one frame.
//
// Owner thread only; the owner's thread needs an event loop to receive.
class FrameInstance : public QObject {
    Q_OBJECT
public:
    enum class Role {
        Primary,     // this process shows the frame (error() tells when it cannot listen)
        HandedOver,  // the running frame took the arguments
        Failed,      // a frame runs but did not take them: see error()
    };

    // `folder` holds the socket and its lock; empty: the session's runtime folder.
    explicit FrameInstance(const QString& folder = QString(), QObject* parent = nullptr);
    ~FrameInstance() override;

    // Hands `arguments` to the running frame, or becomes the one that runs.
    // Waits at most `timeoutMs` for a running frame to answer.
    Role claim(const QStringList& arguments, int timeoutMs = 20000);
    QString error() const { return m_error; }
    QString socketPath() const;

    static QString sessionFolder();

signals:
    // Arguments a later start handed over (Primary only).
    void argumentsReceived(const QStringList& arguments);

private:
    bool handOver(QLocalSocket& socket, const QStringList& arguments, int timeoutMs);
    void receive(QLocalSocket* socket);

    QString m_folder;
    QString m_error;
    QLocalServer* m_server = nullptr;
};
