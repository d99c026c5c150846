// Runs the very same start as `formelan` and quits once the frame has been shown
// and the event loop has handled what the showing posted. With "--paint" it also
// paints the whole frame once before quitting.
#include "app/mainframe.h"
#include "app/startup.h"

#include <QApplication>
#include <QTimer>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    formelan::initApplication(app);
    const auto frame = formelan::startFormelan();
    if (!frame)
        return 1;
    const bool paint = argc > 1 && qstrcmp(argv[1], "--paint") == 0;
    QTimer::singleShot(0, &app, [&] {
        if (paint)
            (void)frame->grab();
        app.quit();
    });
    return app.exec();
}
