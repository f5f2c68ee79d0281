#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QObject>
#include <QQueue>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>

#include "AppError.h"
#include "FtpListParser.h"

class QEventLoop;
class QIODevice;
class QTcpServer;
class QTcpSocket;

// A call ended by abort() (or by close() while it ran): the user asked for it.
class FtpStopped : public AppError {
public:
    using AppError::AppError;
};

// The suite's FTP protocol client: one control connection, passive or active
// data connections, every call blocking its caller until the server has
// answered or the time-out has passed.
//
// Threading: one thread (the UI thread). A call waits in a local event loop,
// so windows keep painting and may call abort() or close() meanwhile; such a
// nested call ends the running one with an error. Only one call runs at a
// time: a second one started from a nested event handler is refused.
//
// Failures throw AppError carrying the server's reply or the socket error;
// errorOccurred is emitted first. A time-out, a reply that is not FTP or an
// abort drops the connection, since the reply stream can no longer be trusted.
class FtpClient : public QObject {
    Q_OBJECT
public:
    enum class TransferType { Ascii, Binary };
    // Ready for commands: Idle, or returned with an unexpected reply.
    enum class State {
        Closed,
        Idle,
        WaitingForReply,
        SendingData,
        ReceivingData,
        Closing,
        Aborted,
        UnexpectedReply,
    };
    Q_ENUM(State)

    // What the open connection logged in with.
    struct Site {
        QString server;
        int port = 0;
        QString userName;
        QString password;
    };

    struct Reply {
        int code = 0;
        QStringList lines;
        QString text() const { return lines.isEmpty() ? QString() : lines.last(); }
    };

    explicit FtpClient(QObject* parent = nullptr);
    ~FtpClient() override;

    void setServer(const QString& server) { m_server = server; }
    void setPort(int port) { m_port = port; }
    void setUserName(const QString& userName) { m_userName = userName; }
    void setPassword(const QString& password) { m_password = password; }
    void setTimeOut(int seconds) { m_timeOutSeconds = seconds; }
    void setPassiveMode(bool passive) { m_passive = passive; }
    void setTransferType(TransferType type) { m_transferType = type; }
    QString server() const { return m_server; }
    int timeOut() const { return m_timeOutSeconds; }
    bool passiveMode() const { return m_passive; }

    // Connects, reads the greeting, logs in with USER/PASS.
    void open();
    // The site of the open connection (as set when it was opened; settings
    // changed since are for the next open). Empty while none was opened.
    const Site& site() const { return m_site; }
    // QUIT when connected, then the socket is closed. Never throws; a running
    // call is aborted first.
    void close();
    bool isConnected() const;
    bool isReady() const;
    bool isBusy() const { return m_busy; }
    // The event-loop level (QThread::loopLevel) the running call was made
    // from: once a loop of that level runs again, its caller has returned.
    int callLoopLevel() const { return m_callLoopLevel; }
    State state() const { return m_state; }

    void changeFolder(const QString& path);
    QString currentFolder();
    // The current folder's entries, one call per entry the parser accepts:
    // through MLSD when the server's FEAT reply offers it (exact names and
    // facts), else through LIST.
    void list(const std::function<void(const FtpListEntry&)>& onEntry);
    void makeFolder(const QString& name);
    void removeFolder(const QString& path);
    void deleteFile(const QString& name);
    void rename(const QString& from, const QString& to);
    // The last reply line, without control bytes: for the status bar.
    QString lastReplyText() const;

    // TYPE with the current transfer type, then SIZE: the size, or -1 when the
    // 213 reply holds no number.
    qint64 fileSize(const QString& name);
    // NLST name: true when the listing names the file; false on a refusal or
    // a socket error.
    bool fileExists(const QString& name);
    // RETR (after REST when offset > 0); the bytes land in `local` from
    // `offset` on.
    void retrieve(const QString& name, QIODevice& local, qint64 offset);
    // STOR from the start when offset < 1; otherwise the bytes of `local` from
    // `offset` on are appended with APPE to the remote file, which the caller
    // found to be `offset` bytes long.
    void store(const QString& name, QIODevice& local, qint64 offset);
    // The LIST lines of the current folder, byte for byte as the server sent
    // them (without line ends and empty lines).
    QList<QByteArray> detailedList();
    // Listings (LIST, NLST) larger than this end with an error; 64 MiB by
    // default.
    void setMaximumListingSize(qint64 bytes) { m_maximumListingSize = bytes; }

    // Ends the running call with an error and drops the connection.
    void abort();

signals:
    void replyTextRead(const QString& text);   // each reply line, without control bytes
    void commandSent(const QString& command);  // the password shown as ****
    void statusChanged(FtpClient::State state);
    void errorOccurred(const QString& message);
    // The server or the network closed the connection (not close()). While a
    // call runs it is delivered after the call has returned.
    void connectionClosed();
    void dataProceeded(qint64 bytes);

private:
    class Call;
    struct DataChannel;

    void setState(State state);
    void wake();
    void waitUntil(const std::function<bool()>& done, const QString& what);
    void onControlReadyRead();
    void onControlDisconnected();
    void protocolFailure(const QString& message);
    void dropConnection();

    void send(const QString& command);
    Reply awaitReply(const QString& what);
    Reply command(const QString& text);
    Reply expect(const QString& text, std::initializer_list<int> codes);
    void sendType();

    // A transfer command: its first reply (an error throws), then, once the
    // data has moved, its final reply.
    Reply startTransfer(const QString& commandText);
    void finishTransfer(Reply reply, const QString& commandText);
    // Runs the data phase of a transfer command whose first reply was `reply`,
    // then reads its final reply. When the data phase fails (a local file
    // that cannot be written or read, a lost data connection), the data
    // connection goes and the final reply is still read before the error goes
    // on, so no later command takes it for its own; when it does not come,
    // the connection is dropped.
    void runTransfer(DataChannel& channel, const Reply& reply, const QString& commandText,
                     const std::function<void()>& dataPhase);
    std::unique_ptr<DataChannel> openDataChannel();
    QTcpSocket* dataSocket(DataChannel& channel);
    QByteArray receive(const QString& commandText);
    void receiveInto(const QString& commandText,
                     const std::function<void(const QByteArray&)>& onBlock);
    // FEAT, asked once per session: whether MLSD may be used.
    bool offersMachineListing();

    QString m_server;
    int m_port = 21;
    QString m_userName;
    QString m_password;
    int m_timeOutSeconds = 6;
    bool m_passive = false;
    TransferType m_transferType = TransferType::Binary;
    qint64 m_maximumListingSize = 64 * 1024 * 1024;
    Site m_site;
    std::optional<bool> m_machineListing;  // known once FEAT was asked this session

    QTcpSocket* m_control;
    State m_state = State::Closed;
    QByteArray m_lineBuffer;
    Reply m_partial;  // lines of a multi-line reply still being read
    QQueue<Reply> m_replies;
    Reply m_lastReply;

    bool m_busy = false;
    int m_callLoopLevel = 0;
    bool m_aborted = false;
    bool m_closing = false;
    bool m_closedDuringCall = false;
    std::optional<QString> m_failure;
    quint64 m_activity = 0;  // bumped by every socket event; restarts the time-out
    QEventLoop* m_loop = nullptr;
};
