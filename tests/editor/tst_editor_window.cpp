#include <QTest>

#include "TestEnvironment.h"

class TestEditorWindow : public QObject {
    Q_OBJECT
};

CORVANTA_TEST_MAIN(TestEditorWindow)
#include "tst_editor_window.moc"
