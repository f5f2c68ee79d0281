#include "UpdateServer.h"

#include <QCryptographicHash>

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
    return true;
}

bool UpdateServer::publishList(const QString& entries) {
    return m_nginx.writeFile(
        QString(kListPath).mid(1),
        ("<?xml version=\"1.0\"?>\n<updateinfo>\n" + entries + "</updateinfo>\n").toUtf8());
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

QString UpdateServer::sha256(const QByteArray& content) {
    return QString::fromLatin1(
        QCryptographicHash::hash(content, QCryptographicHash::Sha256).toHex());
}
