// Another copy of the whole program, for the tests that need two processes on one user
// folder. Starts the program on USERDIR, answers each question asked at start with yes or
// no, prints each question as "asked: TEXT", then the document's reason as "reason: TEXT",
// and exits.
//   programcopy_helper USERDIR yes|no
#include "testsupport.h"

#include <QApplication>

#include <cstdio>

using namespace Qt::StringLiterals;
using namespace formelan;

namespace {

void say(const QString &line)
{
    QString text = line;
    std::fputs(text.replace(u'\n', u' ').toUtf8().constData(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 3) {
        std::fputs("usage: programcopy_helper USERDIR yes|no\n", stderr);
        return 2;
    }
    const QMessageBox::StandardButton answer =
        args.at(2) == u"yes"_s ? QMessageBox::Yes : QMessageBox::No;
    test::Program::Start start;
    start.userDir = args.at(1);
    start.answers = {answer, answer, answer};
    test::Program program(start);
    for (const test::FakeDialogs::Message &m : program.dialogs.messages)
        say(u"asked: "_s + m.text);
    say(u"reason: "_s + program.view()->fieldText(u"reason"));
    return 0;
}
