#include "app/startup.h"

#include "app/mainframe.h"
#include "base/dialogs.h"
#include "base/version.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QFontDatabase>
#include <QIcon>
#include <QLibraryInfo>
#include <QProcess>
#include <QTranslator>

namespace formelan {

using namespace Qt::StringLiterals;

namespace {
ProgramCopyStarter g_starter;
}

QFont programFont(const QFont &desktop)
{
    QFont font = desktop;
    if (QFontDatabase::hasFamily(u"Tahoma"_s))
        font.setFamily(u"Tahoma"_s);
    // The windows are drawn for 8 points. Desktops start at 9 to 11; a desktop font
    // above that is the user's choice for legibility, and the windows grow with it.
    if (desktop.pointSizeF() <= 11.0)
        font.setPointSizeF(8.0);
    return font;
}

void initApplication(QApplication &app)
{
    app.setApplicationName(u"Formelan"_s);
    app.setApplicationVersion(QStringLiteral(FORMELAN_VERSION));
    app.setDesktopFileName(u"formelan"_s);
    app.setWindowIcon(QIcon(u":/icons/formelan.png"_s));
    QApplication::setFont(programFont(QApplication::font()));
    // Qt's own texts (standard dialogs, context menus, its messages) in Bulgarian,
    // whatever the desktop's language: the whole program speaks Bulgarian.
    static QTranslator *qtTexts = [&app] {
        auto *translator = new QTranslator(&app);
        const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
        if (translator->load(u"qtbase_bg"_s, folder))
            QCoreApplication::installTranslator(translator);
        return translator;
    }();
    Q_UNUSED(qtTexts);
}

std::unique_ptr<MainFrame> startFormelan(const QStringList &files)
{
    std::unique_ptr<MainFrame> frame;
    try {
        frame = std::make_unique<MainFrame>();
    } catch (const AppError &e) {
        // The address book cannot be opened: say why and show no window.
        showErrorBox(e.message());
        return nullptr;
    }
    frame->showMaximized();
    // A document brought back is not replaced: the files then open in copies of their own.
    if (frame->offerRecovery()) {
        for (const QString &file : files)
            startProgramCopy({file});
    } else {
        frame->openFiles(files);
    }
    return frame;
}

int runFormelan(int argc, char *argv[])
{
    // The command line is read before any window system is asked for: --help and
    // --version answer in a terminal without a display.
    QStringList files;
    {
        QCoreApplication plain(argc, argv);
        QTranslator qtTexts;
        if (qtTexts.load(u"qtbase_bg"_s, QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
            QCoreApplication::installTranslator(&qtTexts);
        plain.setApplicationName(u"Formelan"_s);
        plain.setApplicationVersion(QStringLiteral(FORMELAN_VERSION));
        QCommandLineParser parser;
        parser.setApplicationDescription(u"Редактор на платежни документи"_s);
        parser.addHelpOption();
        parser.addVersionOption();
        parser.addPositionalArgument(u"файл"_s, u"Формуляр (.frm), който да бъде отворен."_s,
                                     u"[файл...]"_s);
        parser.process(plain);
        files = parser.positionalArguments();
    }
    QApplication app(argc, argv);
    initApplication(app);
    const auto frame = startFormelan(files);
    if (!frame)
        return 1;
    return app.exec();
}

void startProgramCopy(const QStringList &arguments)
{
    if (g_starter) {
        g_starter(arguments);
        return;
    }
    QProcess::startDetached(QCoreApplication::applicationFilePath(), arguments);
}

void setProgramCopyStarter(ProgramCopyStarter starter)
{
    g_starter = std::move(starter);
}

} // namespace formelan
