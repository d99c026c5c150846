// Runs the very same start as `formelan` and quits once the frame has been shown
// and the event loop has handled what the showing posted.
#include "app/mainform.h"
#include "app/startup.h"

#include <QApplication>
#include <QTimer>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    formelan::initApplication(app);
    const auto frame = formelan::startFormelan();
    QTimer::singleShot(0, &app, &QApplication::quit);
    return app.exec();
}
