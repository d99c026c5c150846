// Starts Formelan exactly as the program does and saves a picture of the frame.
// Usage: formelan-screenshot OUT.png [KIND-ITEM | DATA-ITEM | choice | settings] [list|check]
// A data item (N8, Dan1) brings that address book to the front; "list" then opens the
// document's recipient name list and saves the whole screen, popup included. "settings"
// shows the settings dialog over the frame, as "Настройки…" does, and saves the screen;
// "check" chooses "на сървър", clicks "Проверка на връзката" and waits for the answer.
#include "app/mainframe.h"
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
    const bool list = argc > 3 && qstrcmp(argv[3], "list") == 0;
    if (list) {
        QTimer::singleShot(100, &app, [&] {
            static_cast<formelan::PickList *>(frame->documentWindow()->control(u"Recipient_name"))
                ->showPopup();
        });
    }
    int status = 1;
    // A connection check gives up on a server that does not answer within 5 seconds.
    QTimer::singleShot(settings ? 6000 : 300, &app, [&] {
        const QPixmap shot = list || settings ? frame->screen()->grabWindow(0) : shown->grab();
        status = shot.save(out) ? 0 : 1;
        app.quit();
    });
    app.exec();
    return status;
}
