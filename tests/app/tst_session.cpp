// Opening form files from the command line, the list of recent files, and bringing
// back a document left unsaved.
#include "testsupport.h"

#include "app/recovery.h"
#include "documents/formfile.h"
#include "form/fieldwidgets.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QMenu>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

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

    // Exit asks nothing; what was typed comes back at the next start.
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
            p.find<QAction>(u"N14"_s)->trigger();
            QVERIFY(p.dialogs.messages.isEmpty());
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
