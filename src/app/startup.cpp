#include "app/startup.h"

#include "app/mainframe.h"
#include "base/dialogs.h"
#include "base/version.h"
#include "form/banks.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QFontDatabase>
#include <QIcon>
#include <QLibraryInfo>
#include <QProcess>
#include <QSocketNotifier>
#include <QTranslator>
#if QT_CONFIG(sessionmanager)
#include <QSessionManager>
#endif

#include <array>
#include <cerrno>
#include <csignal>

#include <sys/socket.h>
#include <unistd.h>

namespace formelan {

using namespace Qt::StringLiterals;

namespace {
ProgramCopyStarter g_starter;

constexpr std::array kEndSignals{SIGTERM, SIGHUP, SIGINT};
// The signal handler's end and the event loop's end of a socket pair: a handler may
// do next to nothing, so it only wakes the loop.
int g_signalSocket[2] = {-1, -1};

void onEndSignal(int)
{
    const int saved = errno;
    const char byte = 1;
    (void)!::write(g_signalSocket[0], &byte, 1);
    errno = saved;
}

// Turns the end signals into the frame keeping its document, for as long as it lives.
class EndSignals : public QObject {
public:
    explicit EndSignals(MainFrame &frame)
        : QObject(&frame)
    {
        if (g_signalSocket[0] < 0 &&
            ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0, g_signalSocket) !=
                0)
            return;
        auto *notifier = new QSocketNotifier(g_signalSocket[1], QSocketNotifier::Read, this);
        connect(notifier, &QSocketNotifier::activated, &frame, [&frame] {
            char byte;
            while (::read(g_signalSocket[1], &byte, 1) > 0) {
            }
            frame.keepDocumentForNextStart();
            // Every event loop ends, a modal dialog's too; the program then ends as after
            // its last window.
            QCoreApplication::exit(0);
        });
        struct sigaction action = {};
        action.sa_handler = onEndSignal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        for (const int signal : kEndSignals)
            ::sigaction(signal, &action, nullptr);
    }
    // Without the frame nothing is left to keep: the signals end the program at once.
    ~EndSignals() override
    {
        for (const int signal : kEndSignals)
            std::signal(signal, SIG_DFL);
    }
};

} // namespace

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
    // Bank list lines left out are told once, before the work starts.
    const QStringList bankProblems = takeBankListProblems();
    if (!bankProblems.isEmpty())
        showMessage(frame.get(), u"Някои редове на списъка на банките са пропуснати и тези "
                                 u"банки няма да се попълват от IBAN:\n"_s +
                                     bankProblems.join(u'\n') +
                                     u"\nПоправете редовете във файла и стартирайте отново."_s);
    // A document brought back is not replaced: the files then open in copies of their own.
    if (frame->offerRecovery()) {
        for (const QString &file : files)
            startProgramCopy({file});
    } else {
        frame->openFiles(files);
    }
    return frame;
}

void keepDocumentAtTheEnd(MainFrame &frame)
{
    new EndSignals(frame);
#if QT_CONFIG(sessionmanager)
    QObject::connect(qApp, &QGuiApplication::commitDataRequest, &frame,
                     [&frame](QSessionManager &manager) {
                         const bool mayAsk = manager.allowsInteraction();
                         const bool goOn = frame.endSession(mayAsk);
                         if (mayAsk)
                             manager.release();
                         if (!goOn)
                             manager.cancel();
                     });
#endif
}

namespace {

// Qt's own window-system options (-platform offscreen, -style fusion …) are taken by
// QApplication; the parser, which runs before it, lets them pass instead of refusing them.
QStringList withoutQtOptions(const QStringList &arguments)
{
    static const QStringList withValue{
        u"platform"_s,        u"platformpluginpath"_s, u"platformtheme"_s, u"plugin"_s,
        u"qwindowgeometry"_s, u"qwindowicon"_s,        u"qwindowtitle"_s,  u"session"_s,
        u"display"_s,         u"geometry"_s,           u"style"_s,         u"stylesheet"_s,
        u"qmljsdebugger"_s};
    static const QStringList alone{u"reverse"_s, u"widgetcount"_s, u"nograb"_s, u"dograb"_s,
                                   u"sync"_s};
    QStringList kept;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString &a = arguments.at(i);
        if (a == u"--"_s) {
            kept += arguments.mid(i);
            break;
        }
        QString name = a.startsWith(u"--"_s) ? a.mid(2) : a.startsWith(u'-') ? a.mid(1) : QString();
        const bool joined = name.contains(u'=');
        name = name.section(u'=', 0, 0);
        if (i > 0 && withValue.contains(name)) {
            if (!joined)
                ++i;
            continue;
        }
        if (i > 0 && alone.contains(name))
            continue;
        kept.append(a);
    }
    return kept;
}

} // namespace

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
        // Qt's own help and version options describe themselves in English whatever the
        // translation: these say the same in Bulgarian.
        const QCommandLineOption help({u"h"_s, u"help"_s, u"?"_s},
                                      u"Показва тази помощ и завършва."_s);
        const QCommandLineOption version({u"v"_s, u"version"_s},
                                         u"Показва версията на програмата и завършва."_s);
        parser.addOption(help);
        parser.addOption(version);
        parser.addPositionalArgument(u"файл"_s, u"Формуляр (.frm), който да бъде отворен."_s,
                                     u"[файл...]"_s);
        parser.process(withoutQtOptions(QCoreApplication::arguments()));
        if (parser.isSet(help))
            parser.showHelp(0);
        if (parser.isSet(version))
            parser.showVersion();
        files = parser.positionalArguments();
    }
    QApplication app(argc, argv);
    initApplication(app);
    const auto frame = startFormelan(files);
    if (!frame)
        return 1;
    keepDocumentAtTheEnd(*frame);
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
