#pragma once

#include <QFileDialog>
#include <QMessageBox>
#include <QString>

#include <exception>
#include <memory>
#include <utility>

#include "base/errors.h"

class QDialog;

namespace formelan {

// Every message box and file dialog of the program goes through here, so that tests
// can answer them without a modal window.
class Dialogs {
public:
    virtual ~Dialogs() = default;
    virtual QMessageBox::StandardButton message(QWidget *parent, QMessageBox::Icon icon,
                                                const QString &title, const QString &text,
                                                QMessageBox::StandardButtons buttons) = 0;
    // An empty result means the user cancelled.
    virtual QString openFileName(QWidget *parent, const QString &filter,
                                 const QString &initial) = 0;
    virtual QString saveFileName(QWidget *parent, const QString &filter,
                                 const QString &initial) = 0;
    // Runs one of the program's own modal dialogs; answers QDialog::Accepted or
    // QDialog::Rejected.
    virtual int runDialog(QDialog &dialog) = 0;
};

// The open or save dialog the real dialogs show.
std::unique_ptr<QFileDialog> createFileDialog(QWidget *parent, QFileDialog::AcceptMode mode,
                                              const QString &filter, const QString &initial);
// The message box the real dialogs show, its buttons captioned as the program says them.
std::unique_ptr<QMessageBox> createMessageBox(QWidget *parent, QMessageBox::Icon icon,
                                              const QString &title, const QString &text,
                                              QMessageBox::StandardButtons buttons);

Dialogs &dialogs();
// Replaces the dialogs; nullptr restores the real ones. The caller keeps ownership.
void setDialogs(Dialogs *replacement);

// The program's name, the title of its message boxes.
QString programTitle();

// A plain message box with an OK button and no icon.
void showMessage(QWidget *parent, const QString &text);

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
