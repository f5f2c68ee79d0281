// The peer of bench/startup.sh: a bare Qt Widgets program, a main window
// holding an MDI area with one child window, that logs the time of its first
// paint as the suite does (CORVANTA_STARTUP_LOG).
#include <QApplication>
#include <QEvent>
#include <QFile>
#include <QMainWindow>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPlainTextEdit>
#include <QTimer>
#include <QWindow>
#include <chrono>

namespace {

// Logs once the window's first expose has been painted, as the suite does.
class FirstPaint : public QObject {
public:
    explicit FirstPaint(QString path) : m_path(std::move(path)) {}
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Expose && static_cast<QWindow*>(watched)->isExposed()) {
            watched->removeEventFilter(this);
            QTimer::singleShot(0, this, [this] {
                const auto now = std::chrono::system_clock::now().time_since_epoch();
                QFile log(m_path);
                if (log.open(QIODevice::Append)) {
                    log.write(
                        "first-paint-us " +
                        QByteArray::number(qint64(
                            std::chrono::duration_cast<std::chrono::microseconds>(now).count())) +
                        "\n");
                }
            });
        }
        return false;
    }

private:
    QString m_path;
};

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QMainWindow window;
    window.setWindowTitle(QStringLiteral("Bare MDI"));
    auto* area = new QMdiArea(&window);
    window.setCentralWidget(area);
    QMdiSubWindow* child = area->addSubWindow(new QPlainTextEdit);
    child->setWindowTitle(QStringLiteral("Child"));
    child->showMaximized();
    window.resize(824, 543);
    FirstPaint firstPaint(qEnvironmentVariable("CORVANTA_STARTUP_LOG"));
    if (qEnvironmentVariableIsSet("CORVANTA_STARTUP_LOG")) {
        window.winId();
        window.windowHandle()->installEventFilter(&firstPaint);
    }
    window.show();
    return app.exec();
}
