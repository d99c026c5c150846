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
        return chosenFile(createFileDialog(parent, QFileDialog::AcceptOpen, filter, initial));
    }

    QString saveFileName(QWidget *parent, const QString &filter, const QString &initial) override
    {
        return chosenFile(createFileDialog(parent, QFileDialog::AcceptSave, filter, initial));
    }

private:
    static QString chosenFile(const std::unique_ptr<QFileDialog> &dialog)
    {
        if (dialog->exec() != QDialog::Accepted || dialog->selectedFiles().isEmpty())
            return {};
        return dialog->selectedFiles().constFirst();
    }

    int runDialog(QDialog &dialog) override { return dialog.exec(); }
};

Dialogs *g_replacement = nullptr;

} // namespace

std::unique_ptr<QFileDialog> createFileDialog(QWidget *parent, QFileDialog::AcceptMode mode,
                                              const QString &filter, const QString &initial)
{
    auto dialog = std::make_unique<QFileDialog>(parent, QString(), initial, filter);
    dialog->setAcceptMode(mode);
    dialog->setFileMode(mode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile
                                                        : QFileDialog::AnyFile);
    // Qt's own dialog, which speaks the program's Bulgarian; the desktop's would speak
    // the desktop's language. Replacing a file is not asked about: saving a form always
    // overwrites.
    dialog->setOption(QFileDialog::DontUseNativeDialog);
    dialog->setOption(QFileDialog::DontConfirmOverwrite);
    if (!initial.isEmpty())
        dialog->selectFile(initial);
    return dialog;
}

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
