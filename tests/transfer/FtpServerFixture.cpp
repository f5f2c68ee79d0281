#include "FtpServerFixture.h"

#include <sys/prctl.h>

#include <csignal>

#include <QFileInfo>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>

FtpServerFixture::FtpServerFixture() : m_dir(QDir::tempPath() + "/corvanta-ftp-XXXXXX") {}

FtpServerFixture::~FtpServerFixture() {
    if (m_process.state() != QProcess::NotRunning) {
        m_process.terminate();
        if (!m_process.waitForFinished(3000)) {
            m_process.kill();
            m_process.waitForFinished(3000);
        }
    }
}

QString FtpServerFixture::url(const QString& path) const {
    return QStringLiteral("ftp://127.0.0.1:%1%2").arg(m_port).arg(path);
}

bool FtpServerFixture::start() {
    // The system interpreter carries the Debian package of the install list.
    const QString python = QStringLiteral("/usr/bin/python3");
    if (!QFileInfo::exists(python)) {
        m_error = "python3 is not installed";
        return false;
    }
    for (int attempt = 0; attempt < 5; ++attempt) {
        {
            QTcpServer probe;
            if (!probe.listen(QHostAddress::LocalHost, 0))
                continue;
            m_port = probe.serverPort();
        }
        m_process.setProcessChannelMode(QProcess::MergedChannels);
        // The server dies with the test, even when the test crashes.
        m_process.setChildProcessModifier([] { prctl(PR_SET_PDEATHSIG, SIGTERM); });
        m_process.start(python,
                        {"-m", "pyftpdlib", "-i", "127.0.0.1", "-p", QString::number(m_port), "-d",
                         m_dir.path(), "-u", user(), "-P", password(), "-w"});
        if (!m_process.waitForStarted(5000)) {
            m_error = "pyftpdlib did not start: " + m_process.errorString();
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
        m_process.kill();
        m_process.waitForFinished(3000);
    }
    return false;
}
