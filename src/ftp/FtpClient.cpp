#include "FtpClient.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileDevice>
#include <QIODevice>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <cctype>

#include "AppError.h"
#include "ServerText.h"

namespace {

// A reply line longer than this is not FTP; it would only fill memory.
constexpr qsizetype kMaximumLineLength = 64 * 1024;
// Real multi-line replies (FEAT, HELP, STAT) run to dozens of lines; a reply
// that never ends is a server feeding the client until memory runs out.
constexpr qsizetype kMaximumReplyLines = 10000;
constexpr qint64 kBlockSize = 64 * 1024;

bool startsWithCode(const QByteArray& line) {
    return line.size() >= 3 && std::isdigit(uchar(line[0])) && std::isdigit(uchar(line[1])) &&
           std::isdigit(uchar(line[2])) && (line.size() == 3 || line[3] == ' ' || line[3] == '-');
}

// A reply as the user sees it: its lines without the server's control bytes.
QString shownReply(const FtpClient::Reply& reply) {
    QStringList lines;
    for (const QString& line : reply.lines) {
        lines.append(printableText(line));
    }
    return lines.join('\n');
}

}  // namespace

// Marks a call: refuses a second one, reports failures through
// errorOccurred and delivers a connection loss once the call is over.
class FtpClient::Call {
public:
    explicit Call(FtpClient& client) : m_client(client) {
        if (client.m_busy) {
            throw AppError("Another FTP command is still running. Please wait or stop it.");
        }
        client.m_busy = true;
        client.m_aborted = false;
        client.m_failure.reset();
    }
    ~Call() {
        m_client.m_busy = false;
        if (m_client.m_closedDuringCall) {
            m_client.m_closedDuringCall = false;
            QMetaObject::invokeMethod(&m_client, &FtpClient::connectionClosed,
                                      Qt::QueuedConnection);
        }
    }
    template <class Function>
    auto run(Function function) -> decltype(function()) {
        try {
            return function();
        } catch (const AppError& error) {
            if (m_client.m_state != State::Closed) {
                m_client.setState(State::UnexpectedReply);
            }
            emit m_client.errorOccurred(error.message());
            throw;
        }
    }

private:
    FtpClient& m_client;
};

struct FtpClient::DataChannel {
    std::unique_ptr<QTcpSocket> socket;  // passive: connected at once; active: accepted later
    std::unique_ptr<QTcpServer> listener;
};

FtpClient::FtpClient(QObject* parent) : QObject(parent), m_control(new QTcpSocket(this)) {
    connect(m_control, &QTcpSocket::readyRead, this, &FtpClient::onControlReadyRead);
    connect(m_control, &QTcpSocket::disconnected, this, &FtpClient::onControlDisconnected);
    connect(m_control, &QTcpSocket::connected, this, &FtpClient::wake);
    connect(m_control, &QTcpSocket::bytesWritten, this, &FtpClient::wake);
    connect(m_control, &QTcpSocket::errorOccurred, this,
            [this](QAbstractSocket::SocketError error) {
                if (error != QAbstractSocket::RemoteHostClosedError && !m_failure) {
                    m_failure = m_control->errorString();
                }
                wake();
            });
}

FtpClient::~FtpClient() {
    m_closing = true;
    if (m_loop) {
        m_aborted = true;
        m_loop->quit();
    }
    m_control->abort();
}

bool FtpClient::isConnected() const {
    return m_state != State::Closed && m_control->state() == QAbstractSocket::ConnectedState;
}

bool FtpClient::isReady() const {
    return !m_busy && isConnected() &&
           (m_state == State::Idle || m_state == State::UnexpectedReply);
}

void FtpClient::setState(State state) {
    if (m_state != state) {
        m_state = state;
        emit statusChanged(state);
    }
}

void FtpClient::wake() {
    ++m_activity;
    if (m_loop) {
        m_loop->quit();
    }
}

void FtpClient::waitUntil(const std::function<bool()>& done, const QString& what) {
    QElapsedTimer idle;
    idle.start();
    quint64 seen = m_activity;
    const qint64 timeOut = qint64(qMax(1, m_timeOutSeconds)) * 1000;
    // A stop drops the connection, which ends most waits by itself: the stop
    // is what the caller learns of, not a connection the server closed.
    while (m_aborted || !done()) {
        if (m_aborted) {
            throw AppError("The FTP operation was stopped.");
        }
        if (m_failure) {
            throw AppError(*m_failure);
        }
        if (m_activity != seen) {
            seen = m_activity;
            idle.restart();
        }
        const qint64 left = timeOut - idle.elapsed();
        if (left <= 0) {
            dropConnection();
            throw AppError(QString("The server did not answer within %1 seconds while %2; "
                                   "the connection was closed.")
                               .arg(m_timeOutSeconds)
                               .arg(what));
        }
        QEventLoop loop;
        QTimer::singleShot(left, &loop, &QEventLoop::quit);
        m_loop = &loop;
        loop.exec();
        m_loop = nullptr;
    }
}

void FtpClient::onControlReadyRead() {
    m_lineBuffer += m_control->readAll();
    qsizetype end;
    while ((end = m_lineBuffer.indexOf('\n')) >= 0) {
        QByteArray line = m_lineBuffer.left(end);
        m_lineBuffer.remove(0, end + 1);
        if (line.endsWith('\r')) {
            line.chop(1);
        }
        const QString text = textFromServerBytes(line);
        if (m_partial.lines.isEmpty()) {
            if (!startsWithCode(line)) {
                protocolFailure("The server's reply is not an FTP reply: " +
                                printableText(text.left(200)));
                return;
            }
            m_partial.code = line.left(3).toInt();
            m_partial.lines.append(text);
            emit replyTextRead(printableText(text));
            if (line.size() > 3 && line[3] == '-') {
                continue;  // multi-line: ends with the same code and a blank
            }
        } else {
            if (m_partial.lines.size() >= kMaximumReplyLines) {
                protocolFailure("The server's reply does not end.");
                return;
            }
            m_partial.lines.append(text);
            emit replyTextRead(printableText(text));
            if (!(line.size() >= 4 && line.left(3).toInt() == m_partial.code && line[3] == ' ' &&
                  startsWithCode(line))) {
                continue;
            }
        }
        m_replies.enqueue(m_partial);
        m_partial = Reply();
    }
    if (m_lineBuffer.size() > kMaximumLineLength) {
        protocolFailure("The server sent a reply line that is too long to be FTP.");
        return;
    }
    wake();
}

void FtpClient::protocolFailure(const QString& message) {
    m_failure = message;
    dropConnection();
    wake();
}

void FtpClient::dropConnection() {
    m_control->abort();
    m_lineBuffer.clear();
    m_partial = Reply();
    m_replies.clear();
    setState(State::Closed);
}

void FtpClient::onControlDisconnected() {
    const bool requested = m_closing;
    setState(State::Closed);
    wake();
    if (requested) {
        return;
    }
    if (m_busy) {
        m_closedDuringCall = true;
    } else {
        emit connectionClosed();
    }
}

void FtpClient::send(const QString& command) {
    if (!isConnected()) {
        throw AppError("Not connected to an FTP server.");
    }
    // A name with a line break would smuggle a second command to the server.
    if (command.contains('\r') || command.contains('\n')) {
        throw AppError("A name sent to the FTP server may not contain a line break.");
    }
    // Every command reads its replies to the end or drops the connection, so
    // a reply still queued here was sent unasked: it answers nothing of ours.
    m_replies.clear();
    emit commandSent(command.startsWith("PASS ") ? QStringLiteral("PASS ****")
                                                 : printableText(command));
    m_control->write(serverBytes(command) + "\r\n");
    setState(State::WaitingForReply);
}

FtpClient::Reply FtpClient::awaitReply(const QString& what) {
    waitUntil(
        [this] {
            return !m_replies.isEmpty() || m_control->state() != QAbstractSocket::ConnectedState;
        },
        what);
    if (m_replies.isEmpty()) {
        throw AppError(m_failure.value_or("The FTP server closed the connection."));
    }
    m_lastReply = m_replies.dequeue();
    return m_lastReply;
}

namespace {
QString replyWaitText(const QString& commandText) {
    return "waiting for the reply to " + commandText.section(' ', 0, 0);
}
}  // namespace

FtpClient::Reply FtpClient::command(const QString& text) {
    send(text);
    const QString what = replyWaitText(text);
    Reply reply = awaitReply(what);
    while (reply.code < 200) {
        reply = awaitReply(what);
    }
    setState(State::Idle);
    return reply;
}

FtpClient::Reply FtpClient::startTransfer(const QString& commandText) {
    send(commandText);
    Reply reply = awaitReply(replyWaitText(commandText));
    if (reply.code >= 300) {
        setState(State::UnexpectedReply);
        throw AppError(shownReply(reply));
    }
    return reply;
}

void FtpClient::finishTransfer(Reply reply, const QString& commandText) {
    while (reply.code < 200) {
        reply = awaitReply(replyWaitText(commandText));
    }
    if (reply.code >= 300) {
        setState(State::UnexpectedReply);
        throw AppError(shownReply(reply));
    }
    setState(State::Idle);
}

FtpClient::Reply FtpClient::expect(const QString& text, std::initializer_list<int> codes) {
    Reply reply = command(text);
    for (int code : codes) {
        if (reply.code == code) {
            return reply;
        }
    }
    setState(State::UnexpectedReply);
    throw AppError(shownReply(reply));
}

void FtpClient::sendType() {
    expect(m_transferType == TransferType::Ascii ? "TYPE A" : "TYPE I", {200});
}

void FtpClient::open() {
    Call call(*this);
    call.run([&] {
        if (isConnected()) {
            throw AppError("Already connected to an FTP server.");
        }
        if (m_server.trimmed().isEmpty()) {
            throw AppError("No FTP server was given.");
        }
        if (m_port < 1 || m_port > 65535) {
            throw AppError(QString("%1 is not a valid port.").arg(m_port));
        }
        // Bound now: the window keeps running while this waits, and settings
        // made meanwhile (another site's log-in) are for the next open only.
        const QString server = m_server.trimmed();
        const QString userName = m_userName;
        const QString password = m_password;
        m_lineBuffer.clear();
        m_partial = Reply();
        m_replies.clear();
        m_closing = false;
        m_machineListing.reset();
        m_control->abort();
        m_control->connectToHost(server, quint16(m_port));
        try {
            waitUntil([this] { return m_control->state() == QAbstractSocket::ConnectedState; },
                      "connecting to " + server);
            setState(State::WaitingForReply);
            Reply greeting = awaitReply("waiting for the greeting");
            while (greeting.code < 200) {
                greeting = awaitReply("waiting for the greeting");
            }
            if (greeting.code != 220) {
                throw AppError(shownReply(greeting));
            }
            Reply reply = command("USER " + userName);
            if (reply.code == 331) {
                reply = command("PASS " + password);
            }
            if (reply.code != 230 && reply.code != 202) {
                throw AppError(shownReply(reply));
            }
            setState(State::Idle);
        } catch (const AppError&) {
            m_closing = true;
            dropConnection();
            throw;
        }
    });
}

void FtpClient::close() {
    if (m_busy) {
        abort();
    }
    m_closing = true;
    if (isConnected()) {
        setState(State::Closing);
        emit commandSent("QUIT");
        m_control->write("QUIT\r\n");
        // A short grace for the goodbye; the socket goes either way.
        m_control->waitForBytesWritten(500);
        m_control->disconnectFromHost();
        if (m_control->state() != QAbstractSocket::UnconnectedState) {
            m_control->waitForDisconnected(500);
        }
    }
    m_control->abort();
    m_lineBuffer.clear();
    m_partial = Reply();
    m_replies.clear();
    setState(State::Closed);
}

void FtpClient::abort() {
    if (!m_busy) {
        return;
    }
    m_aborted = true;
    m_closing = true;
    dropConnection();
    setState(State::Aborted);
    setState(State::Closed);
    m_closedDuringCall = true;
    wake();
}

QString FtpClient::lastReplyText() const {
    return printableText(m_lastReply.text());
}

void FtpClient::changeFolder(const QString& path) {
    Call call(*this);
    call.run([&] { expect("CWD " + path, {200, 250}); });
}

QString FtpClient::currentFolder() {
    Call call(*this);
    return call.run([&] {
        const QString text = expect("PWD", {257}).lines.join(QChar('\n'));
        const qsizetype first = text.indexOf('"');
        const qsizetype second = text.indexOf('"', first + 1);
        if (first < 0 || second < 0) {
            return QString();
        }
        // A doubled quote inside the name stands for one quote.
        qsizetype end = second;
        while (end + 1 < text.size() && text[end + 1] == '"') {
            end = text.indexOf('"', end + 2);
            if (end < 0) {
                end = text.size();
                break;
            }
        }
        return text.mid(first + 1, end - first - 1).replace("\"\"", "\"");
    });
}

void FtpClient::makeFolder(const QString& name) {
    Call call(*this);
    call.run([&] { expect("MKD " + name, {257}); });
}

void FtpClient::removeFolder(const QString& path) {
    Call call(*this);
    call.run([&] { expect("RMD " + path, {250}); });
}

void FtpClient::deleteFile(const QString& name) {
    Call call(*this);
    call.run([&] { expect("DELE " + name, {250}); });
}

void FtpClient::rename(const QString& from, const QString& to) {
    Call call(*this);
    call.run([&] {
        expect("RNFR " + from, {350});
        expect("RNTO " + to, {250});
    });
}

qint64 FtpClient::fileSize(const QString& name) {
    Call call(*this);
    return call.run([&] {
        sendType();
        const Reply reply = expect("SIZE " + name, {213});
        bool ok = false;
        const qint64 size = reply.text().mid(4).trimmed().toLongLong(&ok);
        return ok ? size : qint64(-1);
    });
}

std::unique_ptr<FtpClient::DataChannel> FtpClient::openDataChannel() {
    auto channel = std::make_unique<DataChannel>();
    QHostAddress peer = m_control->peerAddress();
    bool isV4 = false;
    const quint32 peerV4 = peer.toIPv4Address(&isV4);
    if (isV4) {
        peer = QHostAddress(peerV4);
    }
    if (m_passive) {
        quint16 port = 0;
        if (isV4) {
            const Reply reply = expect("PASV", {227});
            static const QRegularExpression numbers(
                R"((\d{1,3}),(\d{1,3}),(\d{1,3}),(\d{1,3}),(\d{1,3}),(\d{1,3}))");
            const QRegularExpressionMatch match = numbers.match(reply.text().mid(4));
            if (!match.hasMatch()) {
                throw AppError("The server's passive reply names no address: " + shownReply(reply));
            }
            port = quint16(match.captured(5).toUInt() * 256 + match.captured(6).toUInt());
        } else {
            const Reply reply = expect("EPSV", {229});
            static const QRegularExpression extended(R"(\(\|\|\|(\d{1,5})\|\))");
            const QRegularExpressionMatch match = extended.match(reply.text());
            if (!match.hasMatch()) {
                throw AppError("The server's passive reply names no port: " + shownReply(reply));
            }
            port = quint16(match.captured(1).toUInt());
        }
        // The data goes to the host we are talking to, whatever address the
        // reply named: a hostile server must not aim us at a third party.
        channel->socket = std::make_unique<QTcpSocket>();
        QTcpSocket* socket = channel->socket.get();
        connect(socket, &QTcpSocket::connected, this, &FtpClient::wake);
        connect(socket, &QTcpSocket::errorOccurred, this, &FtpClient::wake);
        socket->connectToHost(peer, port);
        waitUntil(
            [socket] {
                return socket->state() == QAbstractSocket::ConnectedState ||
                       socket->state() == QAbstractSocket::UnconnectedState;
            },
            "opening the data connection");
        if (socket->state() != QAbstractSocket::ConnectedState) {
            throw AppError("The data connection failed: " + socket->errorString());
        }
        return channel;
    }
    channel->listener = std::make_unique<QTcpServer>();
    DataChannel* accepting = channel.get();
    connect(channel->listener.get(), &QTcpServer::newConnection, this, [this, accepting] {
        // Taken and checked at once: a socket forgets its peer's address when
        // it sees the peer close, and a server may send a short listing and
        // close the connection before its preliminary reply has been read.
        const QHostAddress peer = m_control->peerAddress();
        while (accepting->listener->hasPendingConnections()) {
            std::unique_ptr<QTcpSocket> incoming(accepting->listener->nextPendingConnection());
            incoming->setParent(nullptr);
            // Only the server itself may deliver the data.
            if (!accepting->socket &&
                incoming->peerAddress().isEqual(peer, QHostAddress::TolerantConversion)) {
                accepting->socket = std::move(incoming);
            }
        }
        wake();
    });
    if (!channel->listener->listen(m_control->localAddress(), 0)) {
        throw AppError("Cannot listen for the data connection: " +
                       channel->listener->errorString());
    }
    const quint16 port = channel->listener->serverPort();
    bool localIsV4 = false;
    const quint32 local = m_control->localAddress().toIPv4Address(&localIsV4);
    if (localIsV4) {
        expect(QString("PORT %1,%2,%3,%4,%5,%6")
                   .arg(local >> 24)
                   .arg((local >> 16) & 255)
                   .arg((local >> 8) & 255)
                   .arg(local & 255)
                   .arg(port >> 8)
                   .arg(port & 255),
               {200});
    } else {
        expect(QString("EPRT |2|%1|%2|").arg(m_control->localAddress().toString()).arg(port),
               {200});
    }
    return channel;
}

QTcpSocket* FtpClient::dataSocket(DataChannel& channel) {
    if (!channel.socket) {
        waitUntil([&channel] { return channel.socket != nullptr; },
                  "waiting for the server's data connection");
    }
    if (channel.listener) {
        channel.listener->close();
    }
    return channel.socket.get();
}

void FtpClient::runTransfer(DataChannel& channel, const Reply& reply, const QString& commandText,
                            const std::function<void()>& dataPhase) {
    try {
        dataPhase();
    } catch (const AppError&) {
        if (channel.socket) {
            channel.socket->abort();
        }
        if (channel.listener) {
            channel.listener->close();
        }
        if (isConnected()) {
            try {
                Reply last = reply;
                while (last.code < 200) {
                    last = awaitReply(replyWaitText(commandText));
                }
            } catch (const AppError&) {
                dropConnection();
            }
        }
        throw;
    }
    finishTransfer(reply, commandText);
}

void FtpClient::receiveInto(const QString& commandText,
                            const std::function<void(const QByteArray&)>& onBlock) {
    std::unique_ptr<DataChannel> channel = openDataChannel();
    const Reply reply = startTransfer(commandText);
    runTransfer(*channel, reply, commandText, [&] {
        QTcpSocket* socket = dataSocket(*channel);
        connect(socket, &QTcpSocket::readyRead, this, &FtpClient::wake);
        connect(socket, &QTcpSocket::disconnected, this, &FtpClient::wake);
        setState(State::ReceivingData);
        for (;;) {
            if (socket->bytesAvailable() > 0) {
                const QByteArray block = socket->readAll();
                ++m_activity;
                onBlock(block);
                emit dataProceeded(block.size());
                continue;
            }
            if (socket->state() == QAbstractSocket::UnconnectedState) {
                break;
            }
            waitUntil(
                [socket] {
                    return socket->bytesAvailable() > 0 ||
                           socket->state() == QAbstractSocket::UnconnectedState;
                },
                "receiving data");
        }
    });
}

QByteArray FtpClient::receive(const QString& commandText) {
    QByteArray data;
    receiveInto(commandText, [this, &data](const QByteArray& block) {
        if (data.size() + block.size() > m_maximumListingSize) {
            throw AppError(QString("The server's listing is larger than %1 bytes; it was not read.")
                               .arg(m_maximumListingSize));
        }
        data += block;
    });
    return data;
}

namespace {
QList<QByteArray> listingLines(const QByteArray& data) {
    QList<QByteArray> lines;
    for (QByteArray line : data.split('\n')) {
        if (line.endsWith('\r')) {
            line.chop(1);
        }
        if (!line.isEmpty()) {
            lines.append(line);
        }
    }
    return lines;
}
}  // namespace

bool FtpClient::offersMachineListing() {
    if (!m_machineListing) {
        const Reply reply = command("FEAT");
        bool offered = false;
        if (reply.code == 211) {
            for (const QString& line : reply.lines.mid(1)) {
                const QString feature = line.trimmed().section(' ', 0, 0).toUpper();
                offered = offered || feature == "MLST" || feature == "MLSD";
            }
        }
        m_machineListing = offered;
    }
    return *m_machineListing;
}

void FtpClient::list(const std::function<void(const FtpListEntry&)>& onEntry) {
    Call call(*this);
    bool machine = false;
    const QByteArray data = call.run([&] {
        machine = offersMachineListing();
        if (machine) {
            try {
                return receive("MLSD");
            } catch (const AppError&) {
                // Offered but not understood: LIST for the rest of the session.
                const int code = m_lastReply.code;
                if (!isConnected() || code < 500 || code > 504) {
                    throw;
                }
                m_machineListing = false;
                machine = false;
            }
        }
        return receive("LIST");
    });
    for (const QByteArray& line : listingLines(data)) {
        const std::optional<FtpListEntry> entry =
            machine ? parseMlsdLine(line) : parseFtpListLine(line);
        if (entry) {
            onEntry(*entry);
        }
    }
}

QList<QByteArray> FtpClient::detailedList() {
    Call call(*this);
    const QByteArray data = call.run([&] { return receive("LIST"); });
    return listingLines(data);
}

bool FtpClient::fileExists(const QString& name) {
    Call call(*this);
    QByteArray data;
    try {
        data = receive("NLST " + name);
    } catch (const AppError&) {
        // A refusal ("no such file") is the usual answer for a new name.
        if (m_state != State::Closed) {
            setState(State::UnexpectedReply);
        }
        return false;
    }
    QString listed = textFromServerBytes(data).trimmed();
    listed = listed.mid(listed.lastIndexOf('/') + 1);
    return listed.compare(name.mid(name.lastIndexOf('/') + 1), Qt::CaseInsensitive) == 0;
}

void FtpClient::retrieve(const QString& name, QIODevice& local, qint64 offset) {
    Call call(*this);
    call.run([&] {
        if (!local.seek(qMax<qint64>(0, offset))) {
            throw AppError("Cannot move to byte " + QString::number(offset) +
                           " of the local file: " + local.errorString());
        }
        sendType();
        if (offset > 0) {
            expect(QString("REST %1").arg(offset), {350});
        }
        receiveInto("RETR " + name, [&local](const QByteArray& block) {
            if (local.write(block) != block.size()) {
                throw AppError("Cannot write the local file: " + local.errorString());
            }
        });
        // What a file still buffers reaches the disk now, so a full disk is
        // an error here rather than a silent loss at closing.
        auto* file = qobject_cast<QFileDevice*>(&local);
        if (file && !file->flush()) {
            throw AppError("Cannot write the local file: " + file->errorString());
        }
    });
}

void FtpClient::store(const QString& name, QIODevice& local, qint64 offset) {
    Call call(*this);
    call.run([&] {
        const qint64 start = offset < 1 ? 0 : offset;
        if (!local.seek(start)) {
            throw AppError("Cannot move to byte " + QString::number(start) +
                           " of the local file: " + local.errorString());
        }
        sendType();
        std::unique_ptr<DataChannel> channel = openDataChannel();
        const QString commandText = (start == 0 ? "STOR " : "APPE ") + name;
        const Reply reply = startTransfer(commandText);
        runTransfer(*channel, reply, commandText, [&] {
            QTcpSocket* socket = dataSocket(*channel);
            connect(socket, &QTcpSocket::bytesWritten, this, &FtpClient::wake);
            connect(socket, &QTcpSocket::disconnected, this, &FtpClient::wake);
            setState(State::SendingData);
            for (;;) {
                const QByteArray block = local.read(kBlockSize);
                if (block.isEmpty()) {
                    if (!local.atEnd()) {
                        throw AppError("Cannot read the local file: " + local.errorString());
                    }
                    break;
                }
                socket->write(block);
                waitUntil(
                    [socket] {
                        return socket->bytesToWrite() == 0 ||
                               socket->state() != QAbstractSocket::ConnectedState;
                    },
                    "sending data");
                if (socket->state() != QAbstractSocket::ConnectedState) {
                    throw AppError("The server closed the data connection during the upload.");
                }
                emit dataProceeded(block.size());
            }
            socket->disconnectFromHost();
            waitUntil([socket] { return socket->state() == QAbstractSocket::UnconnectedState; },
                      "closing the data connection");
        });
    });
}
