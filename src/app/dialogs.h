#pragma once

#include <QMessageBox>
#include <QString>

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
};

Dialogs &dialogs();
// Replaces the dialogs; nullptr restores the real ones. The caller keeps ownership.
void setDialogs(Dialogs *replacement);

// The program's name, the title of its message boxes.
QString programTitle();

// A plain message box with an OK button and no icon.
void showMessage(QWidget *parent, const QString &text);

} // namespace formelan
