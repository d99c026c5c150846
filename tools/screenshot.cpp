// Starts Formelan exactly as the program does and saves a picture of the frame.
// Usage: formelan-screenshot OUT.png [KIND-ITEM | choice]
#include "app/mainframe.h"
#include "app/startup.h"
#include "parties/bankchooser.h"

#include <QAction>
#include <QApplication>
#include <QPixmap>
#include <QScreen>
#include <QTimer>

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
    if (argc > 2 && qstrcmp(argv[2], "choice") == 0) {
        // The bank code chooser, as a right click on a bank-code field opens it.
        frame->bankChooser()->open();
        shown = frame->bankChooser();
    } else if (argc > 2) {
        if (auto *item = frame->findChild<QAction *>(QString::fromLocal8Bit(argv[2])))
            item->trigger();
    }
    int status = 1;
    QTimer::singleShot(200, &app, [&] {
        status = shown->grab().save(out) ? 0 : 1;
        app.quit();
    });
    app.exec();
    return status;
}
