#include "NginxFixture.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSslSocket>
#include <QTcpServer>
#include <QThread>
#include <QUuid>

namespace {

quint16 freePort() {
    QTcpServer probe;
    if (!probe.listen(QHostAddress::LocalHost, 0))
        return 0;
    return probe.serverPort();
}

// Asks the server on `port` for the fixture's probe; true only when the
// answer carries `token`, i.e. it is this fixture's nginx and not a stranger
// that took the port between the probe for a free one and nginx's bind.
bool answersWith(quint16 port, bool https, const QByteArray& token) {
    QSslSocket socket;
    if (https) {
        socket.setPeerVerifyMode(QSslSocket::VerifyNone);
        socket.connectToHostEncrypted(QStringLiteral("127.0.0.1"), port);
        if (!socket.waitForEncrypted(1000))
            return false;
    } else {
        socket.connectToHost(QHostAddress::LocalHost, port);
        if (!socket.waitForConnected(100))
            return false;
    }
    socket.write("GET /.fixture-probe HTTP/1.0\r\nHost: 127.0.0.1\r\n\r\n");
    QByteArray answer;
    while (socket.waitForReadyRead(2000))
        answer += socket.readAll();
    return answer.endsWith(token);
}

QString nginxBinary() {
    for (const char* candidate : {"/usr/sbin/nginx", "/usr/local/sbin/nginx", "/usr/bin/nginx"}) {
        if (QFileInfo::exists(candidate))
            return candidate;
    }
    return {};
}

}  // namespace

NginxFixture::NginxFixture() : m_dir(QDir::tempPath() + "/corvanta-nginx-XXXXXX") {}

NginxFixture::~NginxFixture() {
    stop();
}

QString NginxFixture::root() const {
    return m_dir.path() + "/www";
}

QString NginxFixture::url(const QString& path) const {
    return QStringLiteral("%1://127.0.0.1:%2%3")
        .arg(m_https ? "https" : "http")
        .arg(m_port)
        .arg(path);
}

bool NginxFixture::writeFile(const QString& relativePath, const QByteArray& content) {
    const QString path = root() + "/" + relativePath;
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(content) == content.size();
}

bool NginxFixture::start(const Options& options) {
    stop();
    const QString binary = nginxBinary();
    if (binary.isEmpty()) {
        m_error = "nginx is not installed (see tools/deps)";
        return false;
    }
    const QString base = m_dir.path();
    m_https = !options.certificateFile.isEmpty() && !options.keyFile.isEmpty();
    const QString tls = m_https
                            ? QStringLiteral(" ssl; ssl_certificate %1; ssl_certificate_key %2;")
                                  .arg(options.certificateFile, options.keyFile)
                            : QStringLiteral(";");
    QDir().mkpath(root());
    QDir().mkpath(base + "/temp");
    const QByteArray token = QUuid::createUuid().toByteArray(QUuid::Id128);
    for (int attempt = 0; attempt < 5; ++attempt) {
        m_port = freePort();
        QFile config(base + "/nginx.conf");
        if (!config.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
            m_error = "cannot write the nginx configuration";
            return false;
        }
        const QString gzip = options.gzip
                                 ? "gzip on; gzip_min_length 1; gzip_types text/plain text/css "
                                   "application/octet-stream application/json;"
                                 : "gzip off;";
        config.write(
            QStringLiteral(
                "daemon off; master_process off; worker_processes 1;\n"
                "pid %1/nginx.pid; error_log %1/error.log warn;\n"
                "events { worker_connections 256; }\n"
                "http {\n"
                "  include /etc/nginx/mime.types; default_type application/octet-stream;\n"
                "  access_log %1/access.log;\n"
                "  client_body_temp_path %1/temp/body; proxy_temp_path %1/temp/proxy;\n"
                "  fastcgi_temp_path %1/temp/fastcgi; uwsgi_temp_path %1/temp/uwsgi;\n"
                "  scgi_temp_path %1/temp/scgi;\n"
                "  sendfile on; keepalive_timeout 30;\n"
                "  %4 %7\n"
                "  server { listen 127.0.0.1:%2%6 listen 127.0.0.2:%2%6 root %3; autoindex on;\n"
                "    location = /.fixture-probe { access_log off; return 200 \"%8\"; }\n"
                "    %5 }\n"
                "}\n")
                .arg(base)
                .arg(m_port)
                .arg(root(), gzip, options.extraServerConfig, tls, options.extraHttpConfig,
                     QString::fromLatin1(token))
                .toUtf8());
        config.close();
        m_process.setProcessChannelMode(QProcess::MergedChannels);
        m_process.start(binary, {"-p", base, "-c", base + "/nginx.conf"});
        if (!m_process.waitForStarted(5000)) {
            m_error = "nginx did not start: " + m_process.errorString();
            return false;
        }
        for (int wait = 0; wait < 100; ++wait) {
            if (answersWith(m_port, m_https, token))
                return true;
            if (m_process.state() == QProcess::NotRunning)
                break;
            QThread::msleep(50);
        }
        m_error = QString::fromLocal8Bit(m_process.readAll());
        stop();
    }
    return false;
}

void NginxFixture::stop() {
    if (m_process.state() != QProcess::NotRunning) {
        m_process.terminate();
        if (!m_process.waitForFinished(3000)) {
            m_process.kill();
            m_process.waitForFinished(3000);
        }
    }
}
