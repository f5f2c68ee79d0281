#include "UpdateServer.h"

#include <QCryptographicHash>
#include <QFile>
#include <QProcess>

bool UpdateServer::start() {
    if (!m_certificate.create()) {
        m_error = m_certificate.errorText();
        return false;
    }
    NginxFixture::Options options;
    options.certificateFile = m_certificate.certificateFile();
    options.keyFile = m_certificate.keyFile();
    options.extraServerConfig =
        "location /slow/ { limit_rate 100k; } "
        "location /to-plain/ { return 302 http://127.0.0.1:9/; }";
    if (!m_nginx.start(options)) {
        m_error = m_nginx.errorText();
        return false;
    }
    QByteArray printed;
    if (!runSignTool({"keygen", m_keys.filePath("run.key")}, &printed) ||
        !runSignTool({"keygen", m_keys.filePath("other.key")}))
        return false;
    m_publicKey = QByteArray::fromBase64(printed.trimmed());
    return true;
}

bool UpdateServer::runSignTool(const QStringList& arguments, QByteArray* output) {
    QProcess tool;
    tool.start(QStringLiteral(CORVANTA_SIGN_UPDATE_TOOL), arguments);
    if (!tool.waitForFinished(30000) || tool.exitStatus() != QProcess::NormalExit ||
        tool.exitCode() != 0) {
        m_error = "tools/sign-update " + arguments.join(' ') + ": " +
                  QString::fromLocal8Bit(tool.readAllStandardError()) + tool.errorString();
        return false;
    }
    if (output)
        *output = tool.readAllStandardOutput();
    return true;
}

bool UpdateServer::publishList(const QString& entries, Signature signature) {
    const QString list = m_nginx.root() + kListPath;
    QFile::remove(list + ".sig");
    if (!m_nginx.writeFile(
            QString(kListPath).mid(1),
            ("<?xml version=\"1.0\"?>\n<updateinfo>\n" + entries + "</updateinfo>\n").toUtf8()))
        return false;
    switch (signature) {
        case Signature::Missing:
            return true;
        case Signature::Valid:
            return runSignTool({"sign", m_keys.filePath("run.key"), list});
        case Signature::OtherKey:
            return runSignTool({"sign", m_keys.filePath("other.key"), list});
        case Signature::Damaged: {
            if (!runSignTool({"sign", m_keys.filePath("run.key"), list}))
                return false;
            QFile file(list + ".sig");
            if (!file.open(QIODevice::ReadWrite))
                return false;
            QByteArray bytes = file.readAll();
            bytes[10] = char(bytes[10] ^ 0x01);
            return file.seek(0) && file.write(bytes) == bytes.size();
        }
    }
    return false;
}

bool UpdateServer::publishFile(const QString& path, const QByteArray& content) {
    return m_nginx.writeFile(path.startsWith('/') ? path.mid(1) : path, content);
}

QString UpdateServer::entry(const QString& version, const QString& url, const QString& script,
                            const QString& extra) {
    return QStringLiteral(
               "  <update version=\"%1\" url=\"%2\" size=\"1 KB\" %3>"
               "<script><![CDATA[%4]]></script></update>\n")
        .arg(version, url, extra, script);
}

QString UpdateServer::digestOf(const QByteArray& content) {
    return "sha256=\"" + sha256(content) + "\"";
}

QString UpdateServer::sha256(const QByteArray& content) {
    return QString::fromLatin1(
        QCryptographicHash::hash(content, QCryptographicHash::Sha256).toHex());
}
