#pragma once

#include <QApplication>
#include <QTest>

// Prepares a test process before its application object exists: private,
// temporary XDG folders (settings store, user data, runtime), browser engine
// flags for a headless root run without background networking, and the
// "test mode" in which every service address not overridden in the store
// points at a closed loopback port.
namespace TestEnvironment {

void prepare();

// A loopback port this process holds bound but never listens on: a
// connection to 127.0.0.1 there is refused, and no other program can take it.
// Service defaults map to it in test mode.
quint16 closedPort();

// The temporary XDG folders of this process.
QString configHome();
QString dataHome();

// Removes everything below the config and data homes (a fresh first run).
void wipeUserFiles();

}  // namespace TestEnvironment

// Use instead of QTEST_MAIN in every test executable.
#define CORVANTA_TEST_MAIN(TestObject)                              \
    int main(int argc, char** argv) {                               \
        TestEnvironment::prepare();                                 \
        QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts); \
        QApplication app(argc, argv);                               \
        app.setAttribute(Qt::AA_Use96Dpi, true);                    \
        TestObject test;                                            \
        QTEST_SET_MAIN_SOURCE_PATH                                  \
        return QTest::qExec(&test, argc, argv);                     \
    }
