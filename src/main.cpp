#include "app/mainframe.h"
#include "app/startup.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    formelan::initApplication(app);
    const auto frame = formelan::startFormelan();
    if (!frame)
        return 1;
    return app.exec();
}
