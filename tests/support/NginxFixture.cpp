#include "NginxFixture.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>

namespace {

quint16 freePort() {
    QTcpServer probe;
    if (!probe.listen(QHostAddress::LocalHost, 0))
        return 0;
    return probe.serverPort();
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
        config.write(QStringLiteral(
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
                         "  server { listen 127.0.0.1:%2%6 root %3; autoindex on; %5 }\n"
                         "}\n")
                         .arg(base)
                         .arg(m_port)
                         .arg(root(), gzip, options.extraServerConfig, tls, options.extraHttpConfig)
                         .toUtf8());
        config.close();
        m_process.setProcessChannelMode(QProcess::MergedChannels);
        m_process.start(binary, {"-p", base, "-c", base + "/nginx.conf"});
        if (!m_process.waitForStarted(5000)) {
            m_error = "nginx did not start: " + m_process.errorString();
            return false;
        }
        for (int wait = 0; wait < 100; ++wait) {
            QTcpSocket socket;
            socket.connectToHost(QHostAddress::LocalHost, m_port);
            if (socket.waitForConnected(100))
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
