#pragma once

#include <QString>

#include <exception>
#include <utility>

namespace formelan {

// An error that ends a command and reaches the general error box.
class AppError : public std::exception {
public:
    explicit AppError(QString message)
        : m_message(std::move(message))
    {}
    const QString &message() const { return m_message; }
    const char *what() const noexcept override { return "formelan::AppError"; }

private:
    QString m_message;
};

// The message as the error box shows it: a full stop is added after a final
// character that sorts after the full stop in Windows-1251 (a letter, a digit).
QString errorBoxText(const QString &message);

} // namespace formelan
