// Starts Formelan exactly as the program does and saves a picture of the frame.
// Usage: formelan-screenshot OUT.png [KIND-ITEM | choice]
#include "app/mainform.h"
#include "app/startup.h"
#include "app/windows.h"
#include "form/mainview.h"
#include "parties/choice.h"

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
        // The bank code chooser, opened from the document's recipient BIC.
        formelan::choice->openFor(
            static_cast<QLineEdit *>(formelan::MainView->control(u"rec_bic1")));
        shown = formelan::choice;
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
