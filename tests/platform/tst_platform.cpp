#include <QtTest>

#include "Registry.h"
#include "TestEnvironment.h"

class PlatformTests : public QObject {
    Q_OBJECT
private slots:
    void placeholder() { QVERIFY(true); }
};

CORVANTA_TEST_MAIN(PlatformTests)
#include "tst_platform.moc"
