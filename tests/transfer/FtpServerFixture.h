#pragma once

#include <QProcess>
#include <QString>
#include <QTemporaryDir>

// An FTP server (pyftpdlib from the install list) on 127.0.0.1 serving a
// temporary folder with one user who may read and write. The user's log-in
// folder is /home/tester, not the served root.
class FtpServerFixture {
public:
    FtpServerFixture();
    ~FtpServerFixture();

    bool start();
    QString errorText() const { return m_error; }
    QString root() const { return m_dir.path(); }
    // The address of a path from the served root, as the engine's owners
    // build it ("ftp://127.0.0.1:<port>/%2F/<path>").
    QString url(const QString& path) const;
    static QString loginFolder() { return QStringLiteral("/home/tester"); }
    static QString user() { return QStringLiteral("tester"); }
    static QString password() { return QStringLiteral("secret"); }

private:
    QTemporaryDir m_dir;
    QProcess m_process;
    quint16 m_port = 0;
    QString m_error;
    QString m_script;
};
