#pragma once

#include <QStringList>

#include <functional>
#include <memory>

class QApplication;
class QFont;

namespace formelan {

class MainFrame;

// Names the application, sets its icon and font, and speaks Bulgarian; call after
// creating QApplication.
void initApplication(QApplication &app);
// The font the windows are drawn with, given the desktop's.
QFont programFont(const QFont &desktop);

// Creates the window set as the program does (frame, payers, document, recipients;
// the bank code chooser waits for its first use) and shows the frame maximised, which
// prepares the document window; then offers a document left unsaved last time, and
// opens `files`. When the address book cannot be opened, says so and answers nullptr.
std::unique_ptr<MainFrame> startFormelan(const QStringList &files = {});

// The program ended from outside keeps the document for the next start before it ends:
// on SIGTERM, SIGHUP or SIGINT it keeps the document and leaves its event loops; at the
// end of the desktop session it keeps it, then asks as on leaving it where the session
// lets it ask.
void keepDocumentAtTheEnd(MainFrame &frame);

// The program: reads the command line (`formelan [FILE...]`, --help, --version),
// starts, and runs until the frame closes.
int runFormelan(int argc, char *argv[]);

// Starts another copy of the program with these arguments, on its own.
void startProgramCopy(const QStringList &arguments);
using ProgramCopyStarter = std::function<void(const QStringList &arguments)>;
// For tests: replace the starting of copies; an empty function restores it.
void setProgramCopyStarter(ProgramCopyStarter starter);

} // namespace formelan
