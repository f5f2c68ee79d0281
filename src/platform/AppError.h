#pragma once

#include <QString>
#include <stdexcept>

// The suite's error type: an operation that fails throws it with a message a
// user can act on; the window shows it in the application's error box.
class AppError : public std::runtime_error {
public:
    explicit AppError(const QString& message)
        : std::runtime_error(message.toStdString()), m_message(message) {}
    const QString& message() const { return m_message; }

private:
    QString m_message;
};
