// Starts Formelan exactly as the program does and saves a picture of the frame.
// Usage: formelan-screenshot OUT.png
//          [KIND-ITEM | DATA-ITEM | choice | blanks | preview | settings] [list | check | bad]
// A data item (N8, Dan1) brings that address book to the front; "list" then opens the
// document's recipient name list and saves the whole screen, popup included. "blanks"
// saves the screen with the forms menu open; "preview" the print preview of a sample
// document, as if a printer were installed. "settings" shows the settings dialog over
// the frame, as "Настройки…" does; "check" chooses "на сървър", clicks "Проверка на
// връзката" and waits for the answer.
#include "app/mainframe.h"
#include "app/printing.h"
#include "app/settingsdialog.h"
#include "app/startup.h"
#include "form/documentwindow.h"
#include "form/fieldwidgets.h"
#include "parties/bankchooser.h"

#include <QAction>
#include <QApplication>
#include <QPixmap>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTimer>
#include <QToolButton>

#include <memory>

using namespace Qt::StringLiterals;

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    if (argc < 2)
        return 2;
    formelan::initApplication(app);
    const auto frame = formelan::startFormelan();
    // A bare X server has no window manager to maximise the frame.
    frame->setGeometry(frame->screen()->availableGeometry());
    const QString out = QString::fromLocal8Bit(argv[1]);
    QWidget *shown = frame.get();
    std::unique_ptr<formelan::SettingsDialog> settings;
    if (argc > 2 && qstrcmp(argv[2], "settings") == 0) {
        settings = std::make_unique<formelan::SettingsDialog>(
            formelan::loadSettings(), formelan::loadBookPlace(), frame.get());
        settings->show();
        if (argc > 3 && qstrcmp(argv[3], "check") == 0) {
            if (auto *server = settings->findChild<QRadioButton *>(u"bookOnServer"_s))
                server->click();
            if (auto *check = settings->findChild<QPushButton *>(u"checkConnection"_s))
                check->click();
        }
    } else if (argc > 2 && qstrcmp(argv[2], "choice") == 0) {
        // The bank code chooser, as a right click on a bank-code field opens it.
        frame->bankChooser()->open();
        shown = frame->bankChooser();
    } else if (argc > 2) {
        if (auto *item = frame->findChild<QAction *>(QString::fromLocal8Bit(argv[2])))
            item->trigger();
    }
    const bool menu = argc > 2 && qstrcmp(argv[2], "blanks") == 0;
    const bool preview = argc > 2 && qstrcmp(argv[2], "preview") == 0;
    const bool list = argc > 3 && qstrcmp(argv[3], "list") == 0;
    if (argc > 3 && qstrcmp(argv[3], "bad") == 0) {
        formelan::DocumentWindow *view = frame->documentWindow();
        view->setFieldText(u"recipient_iban_number1", u"BG80BNBG96611020345678"_s);
        view->setFieldText(u"rec_bic1", u"STSABGSF"_s);
    }
    if (list) {
        QTimer::singleShot(100, &app, [&] {
            static_cast<formelan::PickList *>(frame->documentWindow()->control(u"Recipient_name"))
                ->showPopup();
        });
    }
    int status = 1;
    // The menu and the preview run event loops of their own until closed: the picture is
    // taken inside them, and closing them ends the program.
    const auto shoot = [&] {
        const bool screen = list || menu || preview || settings;
        const QPixmap shot = screen ? frame->screen()->grabWindow(0) : shown->grab();
        status = shot.save(out) ? 0 : 1;
        if (QWidget *popup = QApplication::activePopupWidget())
            popup->close();
        if (QWidget *dialog = QApplication::activeModalWidget())
            dialog->close();
        app.quit();
    };
    if (menu) {
        QTimer::singleShot(100, &app, [&] {
            QTimer::singleShot(300, &app, shoot);
            frame->findChild<QToolButton *>(u"ToolButton1"_s)->showMenu();
        });
    } else if (preview) {
        formelan::setPrintersForTesting(QStringList{u"Принтер"_s});
        formelan::DocumentWindow *view = frame->documentWindow();
        view->setFieldText(u"Recipient_name", u"ЕТ Иван Петров"_s);
        view->setFieldText(u"recipient_iban_number1", u"BG80BNBG96611020345678"_s);
        view->setFieldText(u"sum", u"1234"_s);
        view->setFieldText(u"reason", u"Наем за март"_s);
        QTimer::singleShot(100, &app, [&] {
            QTimer::singleShot(1500, &app, shoot);
            frame->findChild<QAction *>(u"PrintDocument"_s)->trigger();
        });
    } else {
        // A connection check gives up on a server that does not answer within 5 seconds.
        QTimer::singleShot(settings ? 6000 : 300, &app, shoot);
    }
    app.exec();
    return status;
}
