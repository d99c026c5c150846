// Opening form files from the command line, the list of recent files, and bringing
// back a document left unsaved.
#include "testsupport.h"

#include "app/recovery.h"
#include "app/startup.h"
#include "documents/formfile.h"
#include "form/fieldwidgets.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QMenu>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <csignal>
#include <cstdio>

#include <sys/stat.h>

using namespace Qt::StringLiterals;
using namespace formelan;
using namespace formelan::test;

namespace {

// A form file as the program writes it, holding `reason` and the kind.
QString writeForm(const QString &path, const QString &reason,
                  const QString &kind = u"Вносна бележка"_s)
{
    FormContent content = docWindow()->content();
    content.entry(u"reason").text = reason;
    content.kind = kind;
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        qFatal("cannot write %s", qPrintable(path));
    f.write(formatForm(content, u','));
    return path;
}

// A document that a copy of the program, no longer running, left in the user folder
// `user`: as the program keeps it, with no lock beside it.
QString plantOrphan(const QString &user, const QString &reasonText, const QString &name)
{
    QDir().mkpath(user + u"/recovery"_s);
    return writeForm(user + u"/recovery/"_s + name, reasonText);
}

QString reason()
{
    return docWindow()->fieldText(u"reason");
}

QStringList visibleRecentItems(const Program &p)
{
    QStringList out;
    for (int i = 1; i <= 8; ++i) {
        auto *a = p.find<QAction>(u"Recent%1"_s.arg(i));
        if (a && a->isVisible())
            out.append(a->data().toString());
    }
    return out;
}

void typeInto(const QString &field, const QString &text)
{
    QWidget *w = docWindow()->control(field);
    QApplication::setActiveWindow(mainFrame());
    w->setFocus(Qt::MouseFocusReason);
    typeText(w, text);
}

QStringList recoveryFiles(const QString &userDir)
{
    return QDir(userDir + u"/recovery"_s).entryList({u"*.frm"_s}, QDir::Files);
}

// Waits for the document typed to be kept, as it is a few seconds after typing.
bool documentKept(const QString &userDir)
{
    return QTest::qWaitFor([&] { return !recoveryFiles(userDir).isEmpty(); },
                           RecoveryKeeper::kDelayMs + 2000);
}

QString savedReason(const QString &path)
{
    const LoadedForm loaded = loadFormFile(path);
    return loaded.content ? loaded.content->text(u"reason") : u"(unreadable)"_s;
}

QString documentsFolder()
{
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return QFileInfo(documents).isDir() ? documents : QDir::homePath();
}

// The key sequence pressed where the focus is, as the user presses it.
void pressKeys(const QString &keys)
{
    const QKeyCombination key = QKeySequence(keys)[0];
    QTest::keyClick(QApplication::focusWidget(), key.key(), key.keyboardModifiers());
}

} // namespace

class TestSession : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void commandLineOpensTheFirstFileHereAndTheOthersInCopies()
    {
        QTemporaryDir dir;
        QStringList files;
        {
            Program maker;
            for (const QString &name : {u"a"_s, u"b"_s, u"c"_s})
                files << writeForm(dir.path() + u'/' + name + u".frm"_s, u"файл "_s + name,
                                   u"Бюджетно платежно нареждане"_s);
        }
        Program p(Program::Start{{}, {}, files, {}, {}});
        QCOMPARE(reason(), u"файл a"_s);
        QCOMPARE(docWindow()->kind(), u"Бюджетно платежно нареждане"_s);
        QVERIFY(p.dialogs.messages.isEmpty());
        QCOMPARE(p.copiesStarted, (QList<QStringList>{{files.at(1)}, {files.at(2)}}));
        QCOMPARE(visibleRecentItems(p), QStringList{files.first()});
    }

    void commandLineWithAMissingFileSaysSo()
    {
        QTemporaryDir dir;
        const QString missing = dir.path() + u"/няма.frm"_s;
        Program p(Program::Start{{}, {}, {missing}, {}, {}});
        QCOMPARE(p.dialogs.messages.size(), 1);
        QVERIFY(p.dialogs.messages.first().text.contains(QDir::toNativeSeparators(missing)));
        QCOMPARE(docWindow()->kind(), u"Преводно нареждане /Вносна бележка/ м.р."_s);
    }

    void recentFiles()
    {
        QTemporaryDir user;
        QTemporaryDir dir;
        QStringList files;
        {
            Program p(Program::Start{{}, user.path(), {}, {}, {}});
            QVERIFY(visibleRecentItems(p).isEmpty());
            // Ten files saved: the list keeps the last eight, newest first.
            for (int i = 0; i < 10; ++i) {
                files << dir.path() + u"/doc%1.frm"_s.arg(i);
                p.dialogs.fileAnswers << files.last();
                p.find<QAction>(u"N12"_s)->trigger();
            }
            QStringList expected;
            for (int i = 9; i >= 2; --i)
                expected << files.at(i);
            QCOMPARE(visibleRecentItems(p), expected);
            QCOMPARE(p.find<QAction>(u"Recent1"_s)->text(), u"&1 doc9.frm"_s);
            // Opening one moves it to the top.
            writeForm(files.at(5), u"пети"_s);
            p.dialogs.fileAnswers << files.at(5);
            p.find<QAction>(u"N11"_s)->trigger();
            QCOMPARE(visibleRecentItems(p).first(), files.at(5));
            QCOMPARE(visibleRecentItems(p).size(), 8);
        }
        // Kept across a restart; choosing one opens it.
        Program p(Program::Start{{}, user.path(), {}, {}, {}});
        QCOMPARE(visibleRecentItems(p).first(), files.at(5));
        writeForm(files.at(9), u"девети"_s);
        p.find<QAction>(u"Recent2"_s)->trigger();
        QCOMPARE(reason(), u"девети"_s);
        QCOMPARE(visibleRecentItems(p).first(), files.at(9));
        // A file gone meanwhile is dropped when chosen, with a message.
        QVERIFY(QFile::remove(files.at(5)));
        p.find<QAction>(u"Recent2"_s)->trigger();
        QCOMPARE(p.dialogs.messages.size(), 1);
        QVERIFY(p.dialogs.messages.first().text.contains(u"doc5.frm"_s));
        QVERIFY(!visibleRecentItems(p).contains(files.at(5)));
        QCOMPARE(visibleRecentItems(p).size(), 7);
        QCOMPARE(reason(), u"девети"_s);
    }

    // The document is kept while the user types; a copy that broke off leaves it for the
    // next start, which offers to bring it back.
    void recoveryAfterACrash()
    {
        QTemporaryDir user;
        QTemporaryDir kept;
        const QString folder = user.path() + u"/recovery"_s;
        {
            Program p(Program::Start{{}, user.path(), {}, {}, {}});
            typeInto(u"reason"_s, u"Дълго бюджетно нареждане"_s);
            QVERIFY(p.frame()->recovery().unsaved());
            // Written within a few seconds of typing, without waiting for the end.
            QTRY_VERIFY_WITH_TIMEOUT(!QDir(folder).entryList({u"*.frm"_s}).isEmpty(),
                                     RecoveryKeeper::kDelayMs + 2000);
            for (const QString &f : QDir(folder).entryList({u"*.frm"_s}))
                QVERIFY(QFile::copy(folder + u'/' + f, kept.path() + u'/' + f));
        }
        // What a crash leaves: the file as it was written, and no process holding it.
        const auto crashLeftovers = [&] {
            for (const QString &f : QDir(folder).entryList(QDir::Files))
                QFile::remove(folder + u'/' + f);
            for (const QString &f : QDir(kept.path()).entryList({u"*.frm"_s}))
                QVERIFY(QFile::copy(kept.path() + u'/' + f, folder + u'/' + f));
        };
        crashLeftovers();
        {
            Program p(Program::Start{{}, user.path(), {}, {QMessageBox::No}, {}});
            QCOMPARE(p.dialogs.messages.size(), 1);
            QCOMPARE(p.dialogs.messages.first().icon, QMessageBox::Question);
            QVERIFY(p.dialogs.messages.first().text.contains(u"незаписан документ"_s));
            QCOMPARE(reason(), QString());
        }
        QVERIFY(QDir(folder).entryList({u"*.frm"_s}).isEmpty()); // declined: gone

        crashLeftovers();
        Program p(Program::Start{{}, user.path(), {}, {QMessageBox::Yes}, {}});
        QCOMPARE(p.dialogs.messages.size(), 1);
        QCOMPARE(reason(), u"Дълго бюджетно нареждане"_s);
        QVERIFY(p.frame()->recovery().unsaved()); // still never saved
    }

    // Exit asks; the desktop session ending where nothing may be asked keeps the
    // document at once, and what was typed comes back at the next start.
    void recoveryAfterExitWithoutSaving()
    {
        QTemporaryDir user;
        {
            Program p(Program::Start{{}, user.path(), {}, {}, {}});
            p.find<QAction>(u"N4"_s)->trigger();
            typeInto(u"reason"_s, u"Незаписано"_s);
            typeInto(u"condition"_s, u"ред 1"_s);
            QTest::keyClick(docWindow()->control(u"condition"), Qt::Key_Return);
            typeText(docWindow()->control(u"condition"), u"ред 2 ✓"_s);
            p.dialogs.answers = {QMessageBox::Cancel};
            p.find<QAction>(u"N14"_s)->trigger();
            QCOMPARE(p.dialogs.messages.size(), 1);
            QVERIFY(p.frame()->isVisible());
            QVERIFY(p.frame()->endSession(false));
            QCOMPARE(recoveryFiles(user.path()).size(), 1); // kept before any delay
            p.find<QAction>(u"N14"_s)->trigger();
            QCOMPARE(p.dialogs.messages.size(), 1); // ending: nothing more asked
            QVERIFY(!p.frame()->isVisible());
        }
        Program p(Program::Start{{}, user.path(), {}, {QMessageBox::Yes}, {}});
        QCOMPARE(p.dialogs.messages.size(), 1);
        QCOMPARE(reason(), u"Незаписано"_s);
        QCOMPARE(docWindow()->fieldText(u"condition"), u"ред 1\nред 2 ✓"_s);
        QCOMPARE(docWindow()->kind(), u"Съгласие за директен дебит"_s);
        QVERIFY(docWindow()->panel(3)->isVisible());
    }

    void noRecoveryAfterASaveOrAnUntouchedDocument()
    {
        QTemporaryDir user;
        QTemporaryDir dir;
        {
            Program p(Program::Start{{}, user.path(), {}, {}, {}});
            typeInto(u"reason"_s, u"Записано"_s);
            p.dialogs.fileAnswers << dir.path() + u"/saved.frm"_s;
            p.find<QAction>(u"N12"_s)->trigger();
            QVERIFY(!p.frame()->recovery().unsaved());
        }
        {
            Program p(Program::Start{{}, user.path(), {}, {}, {}});
            QVERIFY(p.dialogs.messages.isEmpty());
            // Opening a file is no change either.
            p.dialogs.fileAnswers << dir.path() + u"/saved.frm"_s;
            p.find<QAction>(u"N11"_s)->trigger();
            QVERIFY(!p.frame()->recovery().unsaved());
            // Another kind alone is no change worth asking about.
            p.find<QAction>(u"N4"_s)->trigger();
            p.find<QAction>(u"N14"_s)->trigger();
            QVERIFY(p.dialogs.messages.isEmpty());
            QVERIFY(!p.frame()->isVisible());
        }
        Program p(Program::Start{{}, user.path(), {}, {}, {}});
        QVERIFY(p.dialogs.messages.isEmpty());
        QVERIFY(QDir(user.path() + u"/recovery"_s).entryList({u"*.frm"_s}).isEmpty());
    }

    // A second copy running at the same time is not offered the first one's document.
    void aRunningCopyKeepsItsOwnDocument()
    {
        QTemporaryDir user;
        Program first(Program::Start{{}, user.path(), {}, {}, {}});
        typeInto(u"reason"_s, u"Първо копие"_s);
        QTRY_VERIFY_WITH_TIMEOUT(
            !QDir(user.path() + u"/recovery"_s).entryList({u"*.frm"_s}).isEmpty(),
            RecoveryKeeper::kDelayMs + 2000);
        const std::optional<RecoveryKeeper::Orphan> orphan = first.frame()->recovery().findOrphan();
        QVERIFY(!orphan);
        // Another copy started now finds the document held: nothing asked, nothing removed.
        Program second(Program::Start{{}, user.path(), {}, {QMessageBox::No}, {}});
        QVERIFY(second.dialogs.messages.isEmpty());
        QCOMPARE(QDir(user.path() + u"/recovery"_s).entryList({u"*.frm"_s}).size(), 1);
    }

    // Leaving a document with changes not saved asks first, however it is left; its
    // recovery file goes only once it is saved or the clerk says not to save it.
    void leavingAsks_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<QMessageBox::StandardButton>("answer");
        QTest::addColumn<QString>("before"); // how the question ends
        const QString open = u"да бъде отворен друг формуляр?"_s;
        const QString exit = u"програмата да бъде затворена?"_s;
        const QString session = u"излизането от системата?"_s;
        QTest::newRow("open, cancelled") << u"N11"_s << QMessageBox::Cancel << open;
        QTest::newRow("open by keys, not saved") << u"Ctrl+O"_s << QMessageBox::Discard << open;
        QTest::newRow("open button, saved") << u"ToolButton5"_s << QMessageBox::Save << open;
        QTest::newRow("recent entry, cancelled") << u"Recent1"_s << QMessageBox::Cancel << open;
        QTest::newRow("recent entry, not saved") << u"Recent1"_s << QMessageBox::Discard << open;
        QTest::newRow("exit by keys, cancelled") << u"Ctrl+Q"_s << QMessageBox::Cancel << exit;
        QTest::newRow("exit, not saved") << u"N14"_s << QMessageBox::Discard << exit;
        QTest::newRow("frame closed, saved") << u"close"_s << QMessageBox::Save << exit;
        QTest::newRow("session end, cancelled") << u"session"_s << QMessageBox::Cancel << session;
        QTest::newRow("session end, not saved") << u"session"_s << QMessageBox::Discard << session;
    }

    void leavingAsks()
    {
        QFETCH(QString, how);
        QFETCH(QMessageBox::StandardButton, answer);
        QFETCH(QString, before);
        QTemporaryDir user;
        QTemporaryDir dir;
        Program p(Program::Start{{}, user.path(), {}, {}, {}});
        const QString file = writeForm(dir.path() + u"/платеж.frm"_s, u"от файла"_s);
        p.dialogs.fileAnswers = {file};
        p.find<QAction>(u"N11"_s)->trigger(); // nothing typed: nothing asked
        QVERIFY(p.dialogs.messages.isEmpty());
        test::typeInto(docWindow()->control(u"reason"), u"Набрано"_s);
        QVERIFY(documentKept(user.path()));

        p.dialogs.answers = {answer};
        if (answer == QMessageBox::Save)
            p.dialogs.fileAnswers << file; // the save dialog, offering the file itself
        const bool opens = before.contains(u"отворен"_s) && answer != QMessageBox::Cancel;
        if (opens && how != u"Recent1"_s)
            p.dialogs.fileAnswers << file;
        p.dialogs.fileInitials.clear();
        bool sessionGoesOn = true;
        if (how == u"close"_s)
            p.frame()->close();
        else if (how == u"session"_s)
            sessionGoesOn = p.frame()->endSession(true);
        else if (how.startsWith(u"Ctrl"_s))
            pressKeys(how);
        else if (how.startsWith(u"ToolButton"_s))
            p.find<QToolButton>(how)->click();
        else
            p.find<QAction>(how)->trigger();

        QCOMPARE(p.dialogs.messages.size(), 1);
        const FakeDialogs::Message &asked = p.dialogs.messages.first();
        QCOMPARE(asked.icon, QMessageBox::Warning);
        QCOMPARE(asked.buttons, QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel);
        QCOMPARE(asked.text, u"Промените във формуляра „платеж.frm“ не са записани. Да бъдат ли "
                             u"записани, преди "_s +
                                 before);
        QVERIFY(p.dialogs.fileAnswers.isEmpty());
        const bool leaves = before != u"да бъде отворен друг формуляр?"_s;
        if (answer == QMessageBox::Cancel) {
            QVERIFY(p.dialogs.fileInitials.isEmpty());
            QCOMPARE(reason(), u"Набрано"_s);
            QVERIFY(p.frame()->isVisible());
            QCOMPARE(sessionGoesOn, how != u"session"_s);
            QCOMPARE(recoveryFiles(user.path()).size(), 1);
            return;
        }
        QVERIFY(sessionGoesOn);
        QVERIFY(recoveryFiles(user.path()).isEmpty());
        QCOMPARE(savedReason(file), answer == QMessageBox::Save ? u"Набрано"_s : u"от файла"_s);
        if (answer == QMessageBox::Save)
            QCOMPARE(p.dialogs.fileInitials.first(), file);
        if (!leaves)
            QCOMPARE(reason(), savedReason(file)); // opened
        else if (how != u"session"_s)
            QVERIFY(!p.frame()->isVisible());
    }

    // Ended by a signal (the system shutting down, the desktop session ending) sooner
    // than the recovery file's delay: what was typed comes back at the next start. The
    // test runs itself as the program that the signal ends.
    void endedBySignalKeepsTheTyping()
    {
        const QString childUser = qEnvironmentVariable("FORMELAN_SIGNALLED_USER");
        if (!childUser.isEmpty()) {
            Program p(Program::Start{{}, childUser, {}, {}, {}});
            keepDocumentAtTheEnd(*p.frame());
            typeInto(u"reason"_s, u"Набрано преди края"_s);
            QVERIFY(recoveryFiles(childUser).isEmpty()); // not kept yet
            std::puts("typed");
            std::fflush(stdout);
            QEventLoop loop; // the program's loop, which the signal ends
            QTimer::singleShot(30000, &loop, [&loop] { loop.exit(1); });
            QCOMPARE(loop.exec(), 0);
            QCOMPARE(recoveryFiles(childUser).size(), 1);
            return;
        }
        QTemporaryDir user;
        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(u"FORMELAN_SIGNALLED_USER"_s, user.path());
        child.setProcessEnvironment(env);
        child.start(QCoreApplication::applicationFilePath(), {u"endedBySignalKeepsTheTyping"_s});
        QVERIFY(child.waitForStarted());
        QByteArray out;
        while (!out.contains("typed\n") && child.waitForReadyRead(30000))
            out += child.readAllStandardOutput();
        QVERIFY2(out.contains("typed\n"), out.constData());
        QVERIFY(::kill(pid_t(child.processId()), SIGTERM) == 0);
        QVERIFY(child.waitForFinished(30000));
        out += child.readAllStandardOutput() + child.readAllStandardError();
        QCOMPARE(child.exitStatus(), QProcess::NormalExit);
        QVERIFY2(out.contains("PASS   : TestSession::endedBySignalKeepsTheTyping()"),
                 out.constData());

        Program p(Program::Start{{}, user.path(), {}, {QMessageBox::Yes}, {}});
        QCOMPARE(p.dialogs.messages.size(), 1);
        QCOMPARE(reason(), u"Набрано преди края"_s);
    }

    // Open and save start in the documents folder on a new account, then where the clerk
    // worked last, at this run or the one before; after opening, save offers the file.
    void formDialogsStartWhereTheClerkWorked()
    {
        QTemporaryDir user;
        QTemporaryDir dir;
        const QString today = QDate::currentDate().toString(u"yyyy-MM-dd"_s);
        const QString kind = u"Преводно нареждане Вносна бележка м.р"_s;
        const QString file = dir.path() + u"/a.frm"_s;
        {
            Program p(Program::Start{{}, user.path(), {}, {}, {}});
            p.find<QAction>(u"N11"_s)->trigger();
            QCOMPARE(p.dialogs.fileInitials, QStringList{documentsFolder()});
            test::typeInto(docWindow()->control(u"Recipient_name"), u"ЕТ Иван: \"Север\""_s);
            p.find<QAction>(u"N12"_s)->trigger();
            QCOMPARE(p.dialogs.fileInitials.last(), documentsFolder() + u'/' + kind +
                                                        u" – ЕТ Иван Север – "_s + today +
                                                        u".frm"_s);
            writeForm(file, u"първи"_s);
            p.dialogs.fileAnswers << file;
            p.dialogs.answers << QMessageBox::Discard;
            p.find<QAction>(u"N11"_s)->trigger();
            QCOMPARE(reason(), u"първи"_s);
            p.find<QAction>(u"N12"_s)->trigger();
            QCOMPARE(p.dialogs.fileInitials.last(), file);
            p.find<QAction>(u"N11"_s)->trigger();
            QCOMPARE(p.dialogs.fileInitials.last(), file);
            QCOMPARE(p.dialogs.messages.size(), 1);
            // Cleared, the document is a new one, with a name of its own in that folder.
            test::typeInto(docWindow()->control(u"reason"), u"изчистено"_s);
            p.dialogs.answers << QMessageBox::Yes;
            p.find<QAction>(u"ClearFields"_s)->trigger();
            QCOMPARE(p.dialogs.messages.size(), 2);
            QVERIFY(!p.frame()->recovery().holdsChanges());
            p.find<QAction>(u"N12"_s)->trigger();
            QCOMPARE(p.dialogs.fileInitials.last(),
                     dir.path() + u"/Вносна бележка – "_s + today + u".frm"_s); // the file's kind
        }
        Program p(Program::Start{{}, user.path(), {}, {}, {}});
        p.find<QAction>(u"N11"_s)->trigger();
        QCOMPARE(p.dialogs.fileInitials.last(), dir.path());
        // A name taken in that folder is not offered again.
        QVERIFY(QFile::copy(file, dir.path() + u'/' + kind + u" – "_s + today + u".frm"_s));
        p.find<QAction>(u"N12"_s)->trigger();
        QCOMPARE(p.dialogs.fileInitials.last(),
                 dir.path() + u'/' + kind + u" – "_s + today + u" (2).frm"_s);
    }

    // Saving over a file asks first, unless the file is the document's own.
    void savingOverAnotherFileAsks()
    {
        QTemporaryDir dir;
        Program p;
        const QString taken = writeForm(dir.path() + u"/зает.frm"_s, u"стар"_s);
        typeInto(u"reason"_s, u"нов"_s);
        const QString question = u"Файлът „%1“ вече съществува. Да бъде ли заменен?"_s.arg(
            QDir::toNativeSeparators(taken));
        p.dialogs.fileAnswers = {taken, taken};
        p.dialogs.answers = {QMessageBox::No, QMessageBox::Yes};
        p.find<QAction>(u"N12"_s)->trigger();
        QCOMPARE(p.dialogs.texts(), QStringList{question});
        QCOMPARE(savedReason(taken), u"стар"_s);
        QVERIFY(p.frame()->recovery().holdsChanges());
        p.find<QAction>(u"N12"_s)->trigger();
        QCOMPARE(p.dialogs.texts(), (QStringList{question, question}));
        QCOMPARE(savedReason(taken), u"нов"_s);
        QVERIFY(!p.frame()->recovery().holdsChanges());
        // Now the document's own file: saved again without a word.
        typeInto(u"reason"_s, u" и по-нов"_s);
        p.dialogs.fileAnswers = {taken};
        p.find<QAction>(u"N12"_s)->trigger();
        QCOMPARE(p.dialogs.messages.size(), 2);
        QCOMPARE(savedReason(taken), u"нов и по-нов"_s);
    }

    // Typing undone back to what the file holds leaves nothing to bring back at the next
    // start, where an older copy of the typing would be offered in vain.
    void typingUndoneLeavesNoCopy()
    {
        QTemporaryDir user;
        QTemporaryDir dir;
        Program p(Program::Start{{}, user.path(), {}, {}, {}});
        p.dialogs.fileAnswers = {writeForm(dir.path() + u"/платеж.frm"_s, u"от файла"_s)};
        p.find<QAction>(u"N11"_s)->trigger();
        QWidget *field = docWindow()->control(u"reason");
        typeInto(u"reason"_s, u"!"_s);
        QVERIFY(documentKept(user.path()));
        QTest::keyClick(field, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(reason(), u"от файла"_s);
        QVERIFY(QTest::qWaitFor([&] { return recoveryFiles(user.path()).isEmpty(); },
                                RecoveryKeeper::kDelayMs + 2000));
    }

    // Another kind makes another document: its save does not go over the file of the
    // kind it was without asking.
    void anotherKindIsAnotherDocument()
    {
        QTemporaryDir dir;
        Program p;
        const QString file = writeForm(dir.path() + u"/платеж.frm"_s, u"от файла"_s);
        p.dialogs.fileAnswers = {file};
        p.find<QAction>(u"N11"_s)->trigger();
        p.find<QAction>(u"N3"_s)->trigger();
        p.dialogs.fileAnswers = {file};
        p.dialogs.answers = {QMessageBox::No};
        p.find<QAction>(u"N12"_s)->trigger();
        QVERIFY(p.dialogs.fileInitials.last() != file);
        QCOMPARE(p.dialogs.texts(),
                 QStringList{u"Файлът „%1“ вече съществува. Да бъде ли заменен?"_s.arg(
                     QDir::toNativeSeparators(file))});
        QCOMPARE(savedReason(file), u"от файла"_s);
    }

    // Two copies starting together: the one that finds the document first holds it while
    // it asks. The other, a process of its own started meanwhile and answering no, is
    // asked nothing and leaves it; the first, answered yes, brings it back.
    void anOrphanGoesToOneCopy()
    {
        QTemporaryDir user;
        QTemporaryDir elsewhere;
        QString orphan;
        {
            Program maker(Program::Start{{}, elsewhere.path(), {}, {}, {}});
            orphan = plantOrphan(user.path(), u"Забравено"_s, u"document-1-1.frm"_s);
        }
        QStringList other;
        bool keptMeanwhile = false;
        Program::Start start{{}, user.path(), {}, {QMessageBox::Yes}, {}};
        start.whileAsked = [&](const FakeDialogs::Message &) {
            if (!other.isEmpty())
                return; // the other copy runs while the first question is open
            QProcess copy;
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            env.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
            copy.setProcessEnvironment(env);
            copy.start(QStringLiteral(PROGRAMCOPY_HELPER), {user.path(), u"no"_s});
            if (!copy.waitForFinished(60000))
                copy.kill();
            other =
                QString::fromUtf8(copy.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
            keptMeanwhile = QFile::exists(orphan);
        };
        Program p(start);
        QCOMPARE(other, QStringList{u"reason: "_s});
        QVERIFY(keptMeanwhile);
        QCOMPARE(p.dialogs.messages.size(), 1);
        QCOMPARE(reason(), u"Забравено"_s);
        QVERIFY(!QFile::exists(orphan));
        // Answered, it is gone for every copy.
        QProcess later;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
        later.setProcessEnvironment(env);
        later.start(QStringLiteral(PROGRAMCOPY_HELPER), {user.path(), u"yes"_s});
        QVERIFY(later.waitForFinished(60000));
        QCOMPARE(QString::fromUtf8(later.readAllStandardOutput()), u"reason: \n"_s);
    }

    // The question names the day in Bulgarian, whatever the desktop's language.
    void recoveryDateInBulgarian()
    {
        QTemporaryDir user;
        QTemporaryDir elsewhere;
        {
            Program maker(Program::Start{{}, elsewhere.path(), {}, {}, {}});
            const QString orphan = plantOrphan(user.path(), u"Стар"_s, u"document-2-2.frm"_s);
            QFile f(orphan);
            QVERIFY(f.open(QIODevice::ReadWrite));
            QVERIFY(f.setFileTime(QDateTime(QDate(2026, 12, 9), QTime(14, 5)),
                                  QFileDevice::FileModificationTime));
        }
        const QLocale desktop;
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        Program p(Program::Start{{}, user.path(), {}, {QMessageBox::No}, {}});
        QLocale::setDefault(desktop);
        QCOMPARE(p.dialogs.texts(),
                 QStringList{u"При последната работа с програмата остана незаписан документ "
                             u"(запазен на 9 декември 2026, 14:05). Да бъде ли възстановен?"_s});
    }

    // The recovery folder may hold what no copy of the program put there: only regular
    // files are offered, none is read past the size of a form, and nothing there can
    // stop the start.
    void oddFilesInTheRecoveryFolder_data()
    {
        QTest::addColumn<QString>("what");
        QTest::addColumn<QString>("error"); // after "Да"; empty: nothing is offered
        QTest::newRow("link to /dev/zero") << u"zero"_s << QString();
        QTest::newRow("pipe") << u"fifo"_s << QString();
        QTest::newRow("link to a document") << u"link"_s << QString();
        QTest::newRow("folder") << u"folder"_s << QString();
        QTest::newRow("larger than a form")
            << u"large"_s
            << u"Незаписаният документ не може да бъде възстановен. Файлът „%1“ не може да "
               u"бъде отворен: размерът му е 1\u00a0048\u00a0577 байта, а допустимият е "
               u"най-много 1\u00a0048\u00a0576 байта (1 МБ)."_s;
        QTest::newRow("no document") << u"letter"_s
                                     << u"Незаписаният документ не може да бъде възстановен. "
                                        u"Файлът „%1“ не е формуляр: в него няма нито едно от "
                                        u"полетата на документа."_s;
    }

    void oddFilesInTheRecoveryFolder()
    {
        QFETCH(QString, what);
        QFETCH(QString, error);
        QTemporaryDir user;
        QTemporaryDir elsewhere;
        const QString folder = user.path() + u"/recovery"_s;
        QVERIFY(QDir().mkpath(folder));
        const QString odd = folder + u"/document-3-3.frm"_s;
        if (what == u"zero"_s) {
            QVERIFY(QFile::link(u"/dev/zero"_s, odd));
        } else if (what == u"fifo"_s) {
            QCOMPARE(::mkfifo(QFile::encodeName(odd).constData(), 0600), 0);
        } else if (what == u"link"_s) {
            Program maker(Program::Start{{}, elsewhere.path(), {}, {}, {}});
            QVERIFY(QFile::link(writeForm(elsewhere.path() + u"/real.frm"_s, u"Чужд"_s), odd));
        } else if (what == u"folder"_s) {
            QVERIFY(QDir().mkpath(odd));
        } else {
            QFile f(odd);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(what == u"large"_s ? QByteArray(1024 * 1024 + 1, ' ')
                                       : QByteArray("Dear clerk,\r\nthis is a letter.\r\n"));
        }
        QElapsedTimer timer;
        timer.start();
        Program p(Program::Start{{}, user.path(), {}, {QMessageBox::Yes}, {}});
        QVERIFY2(timer.elapsed() < 20000, "the start waited on the file");
        QCOMPARE(reason(), QString());
        if (error.isEmpty()) {
            QVERIFY2(p.dialogs.messages.isEmpty(), qPrintable(p.dialogs.texts().join(u'\n')));
            QVERIFY(QFileInfo(odd).exists() || QFileInfo(odd).isSymLink()); // left alone
            return;
        }
        QCOMPARE(p.dialogs.messages.size(), 2);
        QCOMPARE(p.dialogs.messages.at(1).text, error.arg(QDir::toNativeSeparators(odd)));
        QCOMPARE(p.dialogs.messages.at(1).icon, QMessageBox::Critical);
    }
};

QTEST_MAIN(TestSession)
#include "tst_session.moc"
