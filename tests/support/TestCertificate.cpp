#include "TestCertificate.h"

#include <QDir>
#include <QProcess>
#include <QSslCertificate>
#include <QSslConfiguration>

TestCertificate::TestCertificate() : m_dir(QDir::tempPath() + "/corvanta-cert-XXXXXX") {}

bool TestCertificate::create() {
    QProcess openssl;
    openssl.setProcessChannelMode(QProcess::MergedChannels);
    openssl.start("openssl",
                  {"req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1",
                   "-nodes", "-days", "2", "-subj", "/CN=127.0.0.1", "-addext",
                   "subjectAltName=IP:127.0.0.1", "-keyout", keyFile(), "-out", certificateFile()});
    if (!openssl.waitForStarted(5000)) {
        m_error = "openssl did not start (see tools/deps): " + openssl.errorString();
        return false;
    }
    openssl.waitForFinished(30000);
    if (openssl.exitStatus() != QProcess::NormalExit || openssl.exitCode() != 0) {
        m_error = "openssl failed: " + QString::fromLocal8Bit(openssl.readAll());
        return false;
    }
    return true;
}

void TestCertificate::trustInQt() const {
    QSslConfiguration configuration = QSslConfiguration::defaultConfiguration();
    configuration.addCaCertificates(QSslCertificate::fromPath(certificateFile()));
    QSslConfiguration::setDefaultConfiguration(configuration);
}
