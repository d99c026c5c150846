// The program with its address book on a PostgreSQL server, as clerks meet it: choosing the
// place in the settings dialog and checking the connection there, books opened anew
// without a restart, a server that is down at start or goes away mid-work, another copy
// of the program on the same database, and copying this computer's book to the server.
// Each test starts a throw-away cluster of its own and skips, saying why, where
// PostgreSQL is not installed.
#include "testsupport.h"

#include "parties/addressbook.h"
#include "parties/bookplacewidget.h"
#include "parties/partylist.h"
#include "parties/sqlitepartystore.h"
#include "pgcluster.h"
#include "testbooks.h"

#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace formelan;
using namespace formelan::test;

#define REQUIRE_SERVER()                                                                           \
    if (const QString why = TestBook::unavailable(Backend::Postgres); !why.isEmpty())              \
    QSKIP(qPrintable(why))

namespace {

QStringList named(PartyTable table, const QString &name)
{
    QStringList values(partyColumns(table).size(), u""_s);
    values[0] = name;
    return values;
}

BookPlaceSettings onServer(const ServerBookSettings &server)
{
    BookPlaceSettings place;
    place.place = BookPlace::Server;
    place.server = server;
    return place;
}

Program::Start startOn(const BookPlaceSettings &place, const QString &database = {})
{
    Program::Start start;
    start.database = database;
    start.bookPlace = place;
    return start;
}

QStringList gridColumn(AddressBook *w, int column = 0)
{
    QStringList out;
    const QAbstractItemModel *m = w->grid()->model();
    for (int r = 0; r < m->rowCount(); ++r)
        out.append(m->index(r, column).data().toString());
    return out;
}

void clickButton(QAbstractButton *button)
{
    QVERIFY(button);
    const QPoint at = qobject_cast<QRadioButton *>(button) ? QPoint(8, button->height() / 2)
                                                           : button->rect().center();
    QTest::mouseClick(button, Qt::LeftButton, {}, at);
}

// Types a party's name into the book's name field and clicks "Добавяне".
void addParty(AddressBook *book, const QString &name)
{
    typeInto(book->namePick(), name);
    clickButton(book->findChild<QPushButton *>(u"Button1"_s));
}

// Deletes the book's current row, confirming the question.
void deleteCurrent(Program &p, AddressBook *book)
{
    p.dialogs.answers.prepend(QMessageBox::Ok);
    clickButton(book->findChild<QPushButton *>(u"Button2"_s));
}

// Opens a document name list as the user does and clicks its item `index`.
void chooseFromList(QWidget *field, int index)
{
    auto *list = static_cast<PickList *>(field);
    list->showPopup();
    QAbstractItemView *view = list->view();
    QTRY_VERIFY(view->isVisible());
    view->scrollTo(view->model()->index(index, 0));
    const QRect r = view->visualRect(view->model()->index(index, 0));
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, r.center());
}

QStringList recipientNames(TestBook &book)
{
    return book.column(u"SELECT \"Име на получателя\" FROM recipient ORDER BY party_id"_s);
}

// The settings dialog's group for the book's place, as the user fills it in: the server's
// fields typed, the others emptied.
struct Typed {
    QString host, port, database, user;
};
void fillPlace(QDialog &dialog, const Typed &typed)
{
    auto *widget = dialog.findChild<BookPlaceWidget *>(u"bookPlace"_s);
    QVERIFY(widget);
    clickButton(widget->findChild<QRadioButton *>(u"bookOnServer"_s));
    const std::pair<const char *, QString> fields[] = {{"serverService", QString()},
                                                       {"serverHost", typed.host},
                                                       {"serverPort", typed.port},
                                                       {"serverDatabase", typed.database},
                                                       {"serverUser", typed.user}};
    for (const auto &[name, text] : fields) {
        auto *edit = widget->findChild<QLineEdit *>(QString::fromLatin1(name));
        QVERIFY(edit);
        typeInto(edit, text);
    }
}

void clickOk(QDialog &dialog, bool ok = true)
{
    auto *buttons = dialog.findChild<QDialogButtonBox *>(u"buttons"_s);
    clickButton(buttons->button(ok ? QDialogButtonBox::Ok : QDialogButtonBox::Cancel));
}

Typed typedFor(const TestBook &book, const QString &user = u"postgres"_s)
{
    return {PgCluster::shared().host(), QString::number(PgCluster::shared().port()),
            book.database(), user};
}

// Starts the cluster again when a test stopped it and ended early.
struct RestartAtEnd {
    ~RestartAtEnd()
    {
        if (!PgCluster::shared().isRunning())
            PgCluster::shared().start();
    }
};

// ~/.pgpass of the test, found through PGPASSFILE.
class PasswordFile {
public:
    explicit PasswordFile(const QString &line)
    {
        m_path = m_dir.path() + u"/pgpass"_s;
        QFile f(m_path);
        if (f.open(QIODevice::WriteOnly))
            f.write((line + u'\n').toUtf8());
        f.close();
        QFile::setPermissions(m_path, QFile::ReadOwner | QFile::WriteOwner);
        qputenv("PGPASSFILE", QFile::encodeName(m_path));
    }
    ~PasswordFile() { qunsetenv("PGPASSFILE"); }

private:
    QTemporaryDir m_dir;
    QString m_path;
};

QString newRole(TestBook &book, const QString &what, const QString &options = {})
{
    const QString role = book.database() + u'_' + what;
    if (!book.exec(u"CREATE ROLE "_s + role + u" LOGIN "_s + options))
        return {};
    return role;
}

struct HelperRun {
    int exitCode = -1;
    QStringList lines;
};

HelperRun finishHelper(QProcess &p)
{
    HelperRun run;
    if (!p.waitForFinished(120000))
        p.kill();
    run.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    run.lines = QString::fromUtf8(p.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
    return run;
}

QString bookAddress(const TestBook &book)
{
    return u"pg:host=%1;port=%2;dbname=%3;user=postgres"_s.arg(PgCluster::shared().host())
        .arg(PgCluster::shared().port())
        .arg(book.database());
}

} // namespace

class TestServerBook : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // "на сървър" chosen and typed in the settings dialog: both windows list the server's
    // book at once, adds go there and not to the file; back to "на този компютър", the
    // file's book shows again. Cancel changes nothing.
    void placeChosenInSettings()
    {
        REQUIRE_SERVER();
        auto book = TestBook::make(Backend::Postgres);
        QVERIFY(book);
        {
            auto store = book->open();
            QVERIFY(store);
            QVERIFY(store->add(PartyTable::Recipients, named(PartyTable::Recipients, u"Сървърен"_s))
                        .ok());
            QVERIFY(store->add(PartyTable::Payers, named(PartyTable::Payers, u"Платец"_s)).ok());
        }
        Program p;
        addParty(recipientsBook(), u"Местен"_s);
        QCOMPARE(gridColumn(recipientsBook()), QStringList{u"Местен"_s});

        // Cancel: nothing changes.
        p.dialogs.dialogHandler = [&](QDialog &dialog) {
            fillPlace(dialog, typedFor(*book));
            clickOk(dialog, false);
        };
        p.find<QAction>(u"Settings"_s)->trigger();
        QCOMPARE(gridColumn(recipientsBook()), QStringList{u"Местен"_s});
        QCOMPARE(loadBookPlace().place, BookPlace::Local);

        p.dialogs.dialogHandler = [&](QDialog &dialog) {
            fillPlace(dialog, typedFor(*book));
            clickOk(dialog);
        };
        p.find<QAction>(u"Settings"_s)->trigger();
        QVERIFY2(p.dialogs.messages.isEmpty(), qPrintable(p.dialogs.texts().join(u'\n')));
        QCOMPARE(gridColumn(recipientsBook()), QStringList{u"Сървърен"_s});
        QCOMPARE(gridColumn(payersBook()), QStringList{u"Платец"_s});
        const BookPlaceSettings saved = loadBookPlace();
        QCOMPARE(saved.place, BookPlace::Server);
        QCOMPARE(saved.server.database, book->database());
        QCOMPARE(saved.server.port, PgCluster::shared().port());

        addParty(recipientsBook(), u"Нов"_s);
        QCOMPARE(recipientNames(*book), (QStringList{u"Сървърен"_s, u"Нов"_s}));
        QCOMPARE(gridColumn(recipientsBook()), (QStringList{u"Сървърен"_s, u"Нов"_s}));
        // The document's list offers the server's names.
        chooseFromList(docWindow()->control(u"Recipient_name"), 0);
        QCOMPARE(docWindow()->fieldText(u"Recipient_name"), u"Сървърен"_s);

        p.dialogs.dialogHandler = [&](QDialog &dialog) {
            clickButton(dialog.findChild<QRadioButton *>(u"bookOnThisComputer"_s));
            clickOk(dialog);
        };
        p.find<QAction>(u"Settings"_s)->trigger();
        QCOMPARE(gridColumn(recipientsBook()), QStringList{u"Местен"_s});
        QCOMPARE(loadBookPlace().place, BookPlace::Local);
        QCOMPARE(loadBookPlace().server.database, book->database()); // kept for switching back
        QVERIFY2(p.dialogs.messages.isEmpty(), qPrintable(p.dialogs.texts().join(u'\n')));
    }

    // "Проверка на връзката" in the program's settings dialog, with what the user typed:
    // it names what failed, in Bulgarian, and changes nothing.
    void connectionCheckInSettings_data()
    {
        QTest::addColumn<QString>("setup");
        QTest::addColumn<QString>("says");
        QTest::newRow("wrong password") << u"wrong password"_s << u"не прие паролата"_s;
        QTest::newRow("server not reachable") << u"unreachable"_s << u"не отговаря"_s;
        QTest::newRow("no rights") << u"no rights"_s << u"няма право да чете"_s;
        QTest::newRow("tables missing, not creatable")
            << u"no create"_s << u"няма право да ги създаде"_s;
        QTest::newRow("it works") << u"ok"_s << u"получатели: 1, наредители: 0"_s;
    }
    void connectionCheckInSettings()
    {
        QFETCH(QString, setup);
        QFETCH(QString, says);
        REQUIRE_SERVER();
        auto book = TestBook::make(Backend::Postgres);
        QVERIFY(book);
        Typed typed = typedFor(*book);
        std::unique_ptr<PasswordFile> passwords;
        if (setup != u"no create"_s) {
            auto store = book->open();
            QVERIFY(store);
            QVERIFY(store->add(PartyTable::Recipients, named(PartyTable::Recipients, u"x"_s)).ok());
        }
        if (setup == u"wrong password"_s) {
            typed.user = newRole(*book, u"pw"_s, u"PASSWORD 'вярна' IN ROLE needs_password"_s);
            QVERIFY(book->exec(u"GRANT SELECT, INSERT, DELETE ON recipient, depositor TO "_s +
                               typed.user));
            passwords = std::make_unique<PasswordFile>(
                u"%1:%2:%3:%4:грешна"_s.arg(typed.host, typed.port, typed.database, typed.user));
        } else if (setup == u"unreachable"_s) {
            typed.port = QString::number(PgCluster::freePort());
        } else if (setup == u"no rights"_s) {
            typed.user = newRole(*book, u"noselect"_s);
        } else if (setup == u"no create"_s) {
            typed.user = newRole(*book, u"nocreate"_s);
        }
        QVERIFY(!typed.user.isEmpty());

        Program p;
        QString shown;
        p.dialogs.dialogHandler = [&](QDialog &dialog) {
            fillPlace(dialog, typed);
            auto *widget = dialog.findChild<BookPlaceWidget *>(u"bookPlace"_s);
            clickButton(widget->findChild<QPushButton *>(u"checkConnection"_s));
            QTRY_VERIFY_WITH_TIMEOUT(!widget->isChecking(), 15000);
            shown = widget->findChild<QLabel *>(u"checkResult"_s)->text();
            clickOk(dialog, false);
        };
        p.find<QAction>(u"Settings"_s)->trigger();
        QVERIFY2(shown.contains(says), qPrintable(shown));
        QCOMPARE(loadBookPlace().place, BookPlace::Local);
        const QString tables = book->one(u"SELECT count(*) FROM pg_tables WHERE tablename IN "
                                         "('recipient', 'depositor')"_s);
        QCOMPARE(tables, setup == u"no create"_s ? u"0"_s : u"2"_s);
        if (setup != u"no create"_s)
            QCOMPARE(recipientNames(*book), QStringList{u"x"_s});
    }

    // The server is down when the program starts: the program starts all the same, says
    // why the book is empty, refuses to add (writing nothing anywhere), and the first
    // command after the server is back opens the book.
    void serverDownAtStart()
    {
        REQUIRE_SERVER();
        RestartAtEnd restart;
        auto book = TestBook::make(Backend::Postgres);
        QVERIFY(book);
        {
            auto store = book->open();
            QVERIFY(store);
            QVERIFY(
                store->add(PartyTable::Recipients, named(PartyTable::Recipients, u"Стар"_s)).ok());
        }
        QVERIFY(PgCluster::shared().stop());
        Program p(startOn(onServer(book->settings())));
        QVERIFY(p.frame());
        QTRY_COMPARE(p.dialogs.messages.size(), 1);
        const QString told = p.dialogs.messages.first().text;
        QVERIFY2(told.contains(u"не може да бъде отворена"_s) && told.contains(u"не отговаря"_s),
                 qPrintable(told));
        QCOMPARE(recipientsBook()->grid()->model()->rowCount(), 0);
        QCOMPARE(payersBook()->grid()->model()->rowCount(), 0);

        addParty(recipientsBook(), u"Нов"_s);
        QCOMPARE(p.dialogs.messages.size(), 2);
        QVERIFY2(p.dialogs.messages.at(1).text.contains(u"опитва отново"_s),
                 qPrintable(p.dialogs.messages.at(1).text));
        QCOMPARE(recipientsBook()->grid()->model()->rowCount(), 0);
        QVERIFY2(!QFile::exists(p.databasePath()), "nothing is written to the local file");

        QVERIFY(PgCluster::shared().start());
        addParty(recipientsBook(), u"Нов"_s);
        QCOMPARE(p.dialogs.messages.size(), 2);
        QCOMPARE(gridColumn(recipientsBook()), (QStringList{u"Стар"_s, u"Нов"_s}));
        QCOMPARE(recipientNames(*book), (QStringList{u"Стар"_s, u"Нов"_s}));
        QVERIFY(!QFile::exists(p.databasePath()));
    }

    // Another program holds a lock on "recipient" while the program starts: it starts all
    // the same, says the book is busy, and the first add after the lock is let go works.
    void lockHeldAtStart()
    {
        REQUIRE_SERVER();
        auto book = TestBook::make(Backend::Postgres);
        QVERIFY(book);
        QVERIFY(book->open()); // makes the tables
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(u"QPSQL"_s, u"locker"_s);
            const ServerBookSettings &at = book->settings();
            db.setHostName(at.host);
            db.setPort(at.port);
            db.setDatabaseName(at.database);
            db.setUserName(at.user);
            QVERIFY(db.open());
            QSqlQuery lock(db);
            QVERIFY(db.transaction());
            QVERIFY(lock.exec(u"LOCK TABLE recipient IN ACCESS EXCLUSIVE MODE"_s));
            Program p(startOn(onServer(book->settings())));
            QVERIFY(p.frame());
            QTRY_COMPARE(p.dialogs.messages.size(), 1);
            const QString told = p.dialogs.messages.takeFirst().text;
            QVERIFY2(told.contains(u"заета"_s) && told.contains(u"Настройки…"_s), qPrintable(told));
            QCOMPARE(recipientsBook()->grid()->model()->rowCount(), 0);
            QVERIFY(db.commit());
            addParty(recipientsBook(), u"Нов"_s);
            QVERIFY(p.dialogs.messages.isEmpty());
            QCOMPARE(gridColumn(recipientsBook()), QStringList{u"Нов"_s});
            db.close();
        }
        QSqlDatabase::removeDatabase(u"locker"_s);
    }

    // A server's book not reached at start, then "на този компютър" chosen in the settings:
    // the file's book shows and takes adds at once, and nothing more is said. Needs no
    // server: nothing listens on the port.
    void unreachedServerThenThisComputer()
    {
        QTemporaryDir dir;
        const QString local = dir.path() + u"/base.mdb"_s;
        {
            StoreResult<std::unique_ptr<PartyStore>> store = openSqliteBook(local);
            QVERIFY(store.ok());
            QVERIFY(store.value()
                        ->add(PartyTable::Recipients, named(PartyTable::Recipients, u"Местен"_s))
                        .ok());
        }
        ServerBookSettings nowhere;
        nowhere.host = u"127.0.0.1"_s;
        nowhere.port = PgCluster::freePort();
        nowhere.database = u"formelan"_s;
        nowhere.user = u"postgres"_s;
        Program p(startOn(onServer(nowhere), local));
        QVERIFY(p.frame());
        QTRY_COMPARE(p.dialogs.messages.size(), 1);
        QCOMPARE(recipientsBook()->grid()->model()->rowCount(), 0);
        // The data menu's command tries again, and says so again.
        p.find<QAction>(u"N8"_s)->trigger();
        QCOMPARE(p.dialogs.messages.size(), 2);
        QVERIFY(!p.frame()->bookProblem().ok());

        p.dialogs.dialogHandler = [&](QDialog &dialog) {
            clickButton(dialog.findChild<QRadioButton *>(u"bookOnThisComputer"_s));
            clickOk(dialog);
        };
        p.find<QAction>(u"Settings"_s)->trigger();
        QCOMPARE(p.dialogs.messages.size(), 2);
        QVERIFY(p.frame()->bookProblem().ok());
        QCOMPARE(gridColumn(recipientsBook()), QStringList{u"Местен"_s});
        addParty(recipientsBook(), u"Втори"_s);
        QCOMPARE(p.dialogs.messages.size(), 2);
        QCOMPARE(gridColumn(recipientsBook()), (QStringList{u"Местен"_s, u"Втори"_s}));
        QCOMPARE(loadBookPlace().place, BookPlace::Local);
        QCOMPARE(loadBookPlace().server, nowhere); // kept for switching back
    }

    // The server stops while the program works: add and delete say so and change nothing,
    // the document's lookup loads what was read; once the server is back, the next add
    // works without a restart.
    void serverGoneMidWork()
    {
        REQUIRE_SERVER();
        RestartAtEnd restart;
        auto book = TestBook::make(Backend::Postgres);
        QVERIFY(book);
        {
            auto store = book->open();
            QVERIFY(store);
            QStringList alpha = named(PartyTable::Recipients, u"Алфа"_s);
            alpha[6] = u"BG80BNBG96611020345678"_s;
            QStringList beta = named(PartyTable::Recipients, u"Бета"_s);
            beta[6] = u"BG16UNCR70001519562303"_s;
            QVERIFY(store->add(PartyTable::Recipients, alpha).ok());
            QVERIFY(store->add(PartyTable::Recipients, beta).ok());
        }
        Program p(startOn(onServer(book->settings())));
        QVERIFY(p.frame());
        QCOMPARE(gridColumn(recipientsBook()), (QStringList{u"Алфа"_s, u"Бета"_s}));
        QCOMPARE(gridColumn(recipientsBook(), 6),
                 (QStringList{u"BG80BNBG96611020345678"_s, u"BG16UNCR70001519562303"_s}));
        chooseFromList(recipientsBook()->namePick(), 1);

        QVERIFY(PgCluster::shared().stop());
        addParty(recipientsBook(), u"Гама"_s);
        QCOMPARE(p.dialogs.messages.size(), 1);
        QVERIFY2(p.dialogs.messages.at(0).text.contains(u"не отговаря"_s),
                 qPrintable(p.dialogs.messages.at(0).text));
        QCOMPARE(gridColumn(recipientsBook()), (QStringList{u"Алфа"_s, u"Бета"_s}));

        deleteCurrent(p, recipientsBook()); // "Бета", shown
        QCOMPARE(p.dialogs.messages.size(), 3);
        QVERIFY(p.dialogs.messages.at(1).text.endsWith(u"„Бета, IBAN BG16UNCR70001519562303“"_s));
        QVERIFY2(p.dialogs.messages.at(2).text.contains(u"не отговаря"_s),
                 qPrintable(p.dialogs.messages.at(2).text));
        QCOMPARE(gridColumn(recipientsBook()), (QStringList{u"Алфа"_s, u"Бета"_s}));

        // The lookup goes on with the rows it has read.
        chooseFromList(docWindow()->control(u"Recipient_name"), 0);
        QCOMPARE(docWindow()->fieldText(u"recipient_iban_number1"), u"BG80BNBG96611020345678"_s);
        QCOMPARE(p.dialogs.messages.size(), 3);

        QVERIFY(PgCluster::shared().start());
        QCOMPARE(recipientNames(*book), (QStringList{u"Алфа"_s, u"Бета"_s}));
        addParty(recipientsBook(), u"Гама"_s);
        QCOMPARE(p.dialogs.messages.size(), 3);
        QCOMPARE(gridColumn(recipientsBook()), (QStringList{u"Алфа"_s, u"Бета"_s, u"Гама"_s}));
        QCOMPARE(recipientNames(*book), (QStringList{u"Алфа"_s, u"Бета"_s, u"Гама"_s}));
        deleteCurrent(p, recipientsBook());
        QCOMPARE(recipientNames(*book), (QStringList{u"Алфа"_s, u"Бета"_s}));
    }

    // Another copy of the program, in a process of its own, on the same database: it
    // deletes the party this window shows and adds one, and this window lists both changes
    // within two seconds, unasked; both add at the same time and each lists every row.
    void twoCopiesOnOneDatabase()
    {
        REQUIRE_SERVER();
        auto book = TestBook::make(Backend::Postgres);
        QVERIFY(book);
        {
            auto store = book->open();
            QVERIFY(store);
            for (const QString &name : {u"Alpha"_s, u"Beta"_s, u"Gamma"_s})
                QVERIFY(
                    store->add(PartyTable::Recipients, named(PartyTable::Recipients, name)).ok());
        }
        Program p(startOn(onServer(book->settings())));
        QVERIFY(p.frame());
        QCOMPARE(gridColumn(recipientsBook()), (QStringList{u"Alpha"_s, u"Beta"_s, u"Gamma"_s}));
        chooseFromList(docWindow()->control(u"Recipient_name"), 2);
        QCOMPARE(recipientsBook()->currentPosition(), 2);

        const QString gamma =
            book->one(u"SELECT party_id FROM recipient WHERE \"Име на получателя\" = 'Gamma'"_s);
        QProcess other;
        other.start(QStringLiteral(PARTYBOOK_HELPER),
                    {u"delete"_s, bookAddress(*book), u"recipient"_s, gamma});
        QCOMPARE(finishHelper(other).lines.value(2), u"delete ok"_s);
        other.start(QStringLiteral(PARTYBOOK_HELPER),
                    {u"add"_s, bookAddress(*book), u"recipient"_s, u"Delta"_s});
        QCOMPARE(finishHelper(other).exitCode, 0);

        QTRY_COMPARE_WITH_TIMEOUT(gridColumn(recipientsBook()),
                                  (QStringList{u"Alpha"_s, u"Beta"_s, u"Delta"_s}), 2000);
        QCOMPARE(recipientsBook()->currentPosition(), -1); // "Gamma" was shown: none now
        QVERIFY(!recipientsBook()->findChild<QPushButton *>(u"Button2"_s)->isEnabled());

        // Both add at once: the other copy 300 rows, this window 20 by its button.
        constexpr int kOther = 300, kHere = 20;
        other.start(QStringLiteral(PARTYBOOK_HELPER), {u"add"_s, bookAddress(*book), u"recipient"_s,
                                                       u"Other"_s, QString::number(kOther)});
        QVERIFY(other.waitForStarted());
        for (int i = 0; i < kHere; ++i)
            addParty(recipientsBook(), u"Here %1"_s.arg(i));
        QCOMPARE(finishHelper(other).exitCode, 0);
        QTRY_COMPARE_WITH_TIMEOUT(recipientsBook()->grid()->model()->rowCount(), 3 + kOther + kHere,
                                  2000);
        QVERIFY(p.dialogs.messages.isEmpty());
        QCOMPARE(book->one(u"SELECT count(*) FROM recipient"_s),
                 QString::number(3 + kOther + kHere));
        QCOMPARE(book->one(u"SELECT count(*) FROM recipient WHERE \"Име на получателя\" LIKE "
                           "'Here %'"_s),
                 QString::number(kHere));
        QCOMPARE(book->one(u"SELECT count(*) FROM recipient WHERE \"Име на получателя\" LIKE "
                           "'Other %'"_s),
                 QString::number(kOther));
        // Everybody's rows, in the order the book gave them their keys.
        QCOMPARE(gridColumn(recipientsBook()), recipientNames(*book));
    }

    // "Копиране на адресната книга на сървъра": a preview of the counts, then every row in
    // its order; the server's book already holding rows is said, and "Не" copies nothing.
    void copyToServer_data()
    {
        QTest::addColumn<bool>("fromServerPlace");
        QTest::newRow("the program on the local book") << false;
        QTest::newRow("the program on the server's book") << true;
    }
    void copyToServer()
    {
        QFETCH(bool, fromServerPlace);
        REQUIRE_SERVER();
        auto book = TestBook::make(Backend::Postgres);
        QVERIFY(book);
        QTemporaryDir dir;
        const QString local = dir.path() + u"/base.mdb"_s;
        {
            StoreResult<std::unique_ptr<PartyStore>> store = openSqliteBook(local);
            QVERIFY(store.ok());
            std::vector<QStringList> recipients;
            for (const QString &name : {u"Първи"_s, u"Втори"_s, u"Трети"_s}) {
                QStringList v = named(PartyTable::Recipients, name);
                v[5] = u"ул. „Шипка“ 1, 'ап.' \"2\"\nвход Б"_s;
                recipients.push_back(v);
            }
            QVERIFY(store.value()->add(PartyTable::Recipients, recipients).ok());
            QVERIFY(
                store.value()->add(PartyTable::Payers, named(PartyTable::Payers, u"Пл 1"_s)).ok());
            QVERIFY(
                store.value()->add(PartyTable::Payers, named(PartyTable::Payers, u"Пл 2"_s)).ok());
        }
        BookPlaceSettings place = onServer(book->settings());
        if (!fromServerPlace)
            place.place = BookPlace::Local;
        Program p(startOn(place, local));
        QVERIFY(p.frame());
        QAction *copy = p.find<QAction>(u"CopyBookToServer"_s);
        QVERIFY(copy);
        QVERIFY(p.find<QMenu>(u"data"_s)->actions().contains(copy));

        p.dialogs.answers = {QMessageBox::Yes};
        copy->trigger();
        QCOMPARE(p.dialogs.messages.size(), 2);
        const auto &preview = p.dialogs.messages.at(0);
        QCOMPARE(preview.buttons, QMessageBox::Yes | QMessageBox::No);
        QVERIFY2(preview.text.contains(u"Ще бъдат копирани: получатели – 3, задължени лица – 2."_s),
                 qPrintable(preview.text));
        QVERIFY2(
            preview.text.contains(u"На сървъра вече има: получатели – 0, задължени лица – 0."_s),
            qPrintable(preview.text));
        QVERIFY2(p.dialogs.messages.at(1).text.contains(
                     u"Копирани са получатели: 3 и задължени лица: 2"_s),
                 qPrintable(p.dialogs.messages.at(1).text));
        QCOMPARE(recipientNames(*book), (QStringList{u"Първи"_s, u"Втори"_s, u"Трети"_s}));
        QCOMPARE(book->column(u"SELECT \"Адрес\" FROM recipient ORDER BY party_id"_s).value(1),
                 u"ул. „Шипка“ 1, 'ап.' \"2\"\nвход Б"_s);
        QCOMPARE(book->column(u"SELECT \"Име на наредителя\" FROM depositor ORDER BY party_id"_s),
                 (QStringList{u"Пл 1"_s, u"Пл 2"_s}));
        // The windows show the server's book with its new rows, or still the file's.
        QCOMPARE(gridColumn(recipientsBook()), (QStringList{u"Първи"_s, u"Втори"_s, u"Трети"_s}));
        QCOMPARE(gridColumn(payersBook()), (QStringList{u"Пл 1"_s, u"Пл 2"_s}));

        // Again: the server's book is not empty, which the preview says; "Не" copies nothing.
        p.dialogs.messages.clear();
        p.dialogs.answers = {QMessageBox::No};
        copy->trigger();
        QCOMPARE(p.dialogs.messages.size(), 1);
        QVERIFY2(p.dialogs.messages.at(0).text.contains(
                     u"На сървъра вече има: получатели – 3, задължени лица – 2."_s) &&
                     p.dialogs.messages.at(0).text.contains(u"ще се повторят"_s),
                 qPrintable(p.dialogs.messages.at(0).text));
        QCOMPARE(book->one(u"SELECT count(*) FROM recipient"_s), u"3"_s);
        QCOMPARE(book->one(u"SELECT count(*) FROM depositor"_s), u"2"_s);
    }
};

QTEST_MAIN(TestServerBook)
#include "tst_serverbook.moc"
