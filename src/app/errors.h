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

// Shows the general error box: the program's name as title, a stop icon, OK.
void showErrorBox(const QString &message);

// Runs a command; an error that escapes it is shown and the program goes on.
template <typename F> void guarded(F &&command)
{
    try {
        std::forward<F>(command)();
    } catch (const AppError &e) {
        showErrorBox(e.message());
    } catch (const std::exception &e) {
        showErrorBox(QString::fromLocal8Bit(e.what()));
    }
}

} // namespace formelan
