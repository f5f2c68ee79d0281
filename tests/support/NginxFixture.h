#pragma once

#include <QProcess>
#include <QString>
#include <QTemporaryDir>

// A real nginx serving a temporary folder on 127.0.0.1 for the life of the
// object (single process, no daemon, everything inside the temporary folder).
// It answers on 127.0.0.2 at the same port too: another host for the tests,
// without a name to resolve.
class NginxFixture {
public:
    struct Options {
        bool gzip = false;          // compress text answers (gzip on for html/plain)
        QString extraServerConfig;  // appended inside the server block
        QString extraHttpConfig;    // appended inside the http block, before the server
        // PEM files: with both set the server speaks https only.
        QString certificateFile;
        QString keyFile;
    };

    NginxFixture();
    ~NginxFixture();

    // Starts nginx; false with errorText() when it cannot.
    bool start(const Options& options);
    bool start() { return start(Options{}); }
    void stop();

    QString root() const;  // the served folder
    quint16 port() const { return m_port; }
    // "http://127.0.0.1:<port><path>" ("https://" when serving https).
    QString url(const QString& path = QString()) const;
    QString errorText() const { return m_error; }

    // Writes a file below the served folder (folders created as needed).
    bool writeFile(const QString& relativePath, const QByteArray& content);

private:
    QTemporaryDir m_dir;
    QProcess m_process;
    quint16 m_port = 0;
    bool m_https = false;
    QString m_error;
};
