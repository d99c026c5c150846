#include "base/dialogs.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFileDialog>
#include <QPointer>
#include <QTimer>

namespace formelan {

using namespace Qt::StringLiterals;

namespace {

// Without a window manager nobody gives the focus back when a box closes: it goes to
// the screen's root and keys are lost until a click. It goes back to the widget that had
// it, if that is still shown, and its window is made active.
class FocusReturn {
public:
    FocusReturn()
        : m_widget(QApplication::focusWidget())
    {}
    FocusReturn(const FocusReturn &) = delete;
    FocusReturn &operator=(const FocusReturn &) = delete;
    ~FocusReturn()
    {
        // After the closing window's own events, which would take the focus again; the
        // window gives it back to the widget that had it there.
        if (m_widget)
            QTimer::singleShot(0, m_widget, [w = m_widget] {
                if (w->isVisible())
                    w->window()->activateWindow();
            });
    }

private:
    QPointer<QWidget> m_widget;
};

class RealDialogs final : public Dialogs {
public:
    QMessageBox::StandardButton message(QWidget *parent, QMessageBox::Icon icon,
                                        const QString &title, const QString &text,
                                        QMessageBox::StandardButtons buttons) override
    {
        const FocusReturn focus;
        return QMessageBox::StandardButton(
            createMessageBox(parent, icon, title, text, buttons)->exec());
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
        const FocusReturn focus;
        if (dialog->exec() != QDialog::Accepted || dialog->selectedFiles().isEmpty())
            return {};
        return dialog->selectedFiles().constFirst();
    }

    int runDialog(QDialog &dialog) override
    {
        const FocusReturn focus;
        return dialog.exec();
    }
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
    // the desktop's language. Replacing a file is asked about by the command, once it
    // has added the extension to the name chosen.
    dialog->setOption(QFileDialog::DontUseNativeDialog);
    dialog->setOption(QFileDialog::DontConfirmOverwrite);
    return dialog;
}

std::unique_ptr<QMessageBox> createMessageBox(QWidget *parent, QMessageBox::Icon icon,
                                              const QString &title, const QString &text,
                                              QMessageBox::StandardButtons buttons)
{
    auto box = std::make_unique<QMessageBox>(icon, title, text, buttons, parent);
    // Messages name files and official addresses: the clerk copies them from here.
    box->setTextInteractionFlags(Qt::TextSelectableByMouse);
    // Qt's Bulgarian says "Запазване" and "Отхвърляне"; the program's question before
    // leaving a document speaks as Bulgarian desktop programs do.
    const std::pair<QMessageBox::StandardButton, QString> captions[]{
        {QMessageBox::Save, u"&Запис"_s},
        {QMessageBox::Discard, u"&Без запис"_s},
        {QMessageBox::Cancel, u"Отказ"_s},
    };
    for (const auto &[button, caption] : captions) {
        if (QAbstractButton *b = box->button(button))
            b->setText(caption);
    }
    if (buttons.testFlag(QMessageBox::Save))
        box->setDefaultButton(QMessageBox::Save);
    return box;
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
