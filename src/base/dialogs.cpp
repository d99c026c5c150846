#include "base/dialogs.h"

#include <QFileDialog>

namespace formelan {

using namespace Qt::StringLiterals;

namespace {

class RealDialogs final : public Dialogs {
public:
    QMessageBox::StandardButton message(QWidget *parent, QMessageBox::Icon icon,
                                        const QString &title, const QString &text,
                                        QMessageBox::StandardButtons buttons) override
    {
        QMessageBox box(icon, title, text, buttons, parent);
        return QMessageBox::StandardButton(box.exec());
    }

    QString openFileName(QWidget *parent, const QString &filter, const QString &initial) override
    {
        return QFileDialog::getOpenFileName(parent, QString(), initial, filter);
    }

    QString saveFileName(QWidget *parent, const QString &filter, const QString &initial) override
    {
        // Replacing a file is not asked about: saving a form always overwrites.
        return QFileDialog::getSaveFileName(parent, QString(), initial, filter, nullptr,
                                            QFileDialog::DontConfirmOverwrite);
    }

    int runDialog(QDialog &dialog) override { return dialog.exec(); }
};

Dialogs *g_replacement = nullptr;

} // namespace

Dialogs &dialogs()
{
    static RealDialogs real;
    return g_replacement ? *g_replacement : real;
}

void setDialogs(Dialogs *replacement)
{
    g_replacement = replacement;
}

QString programTitle()
{
    return u"Formelan"_s;
}

void showMessage(QWidget *parent, const QString &text)
{
    dialogs().message(parent, QMessageBox::NoIcon, programTitle(), text, QMessageBox::Ok);
}

void showErrorBox(const QString &message)
{
    dialogs().message(nullptr, QMessageBox::Critical, programTitle(), errorBoxText(message),
                      QMessageBox::Ok);
}

} // namespace formelan
