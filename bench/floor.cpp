// The floor for the start-up benchmark: a bare Qt program that shows one empty
// main window and quits the same way the probe does.
#include <QApplication>
#include <QMainWindow>
#include <QTimer>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QMainWindow window;
    window.showMaximized();
    const bool paint = argc > 1 && qstrcmp(argv[1], "--paint") == 0;
    QTimer::singleShot(0, &app, [&] {
        if (paint)
            (void)window.grab();
        app.quit();
    });
    return app.exec();
}
