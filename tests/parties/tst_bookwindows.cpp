// The address-book windows on real files, as the user meets them: another copy of the
// program deleting and adding beside this one, a copy of the file taken at any moment,
// files of earlier versions, read-only files and folders, files the program refuses,
// columns in another order, rows deleted elsewhere, search at 100,000 rows, and the CSV
// commands of the data menu.
#include "require.h"
#include "testsupport.h"

#include "form/fieldwidgets.h"
#include "parties/addressbook.h"
#include "parties/partylist.h"
#include "parties/sqlitepartystore.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMdiArea>
#include <QProcess>
#include <QPushButton>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

using namespace Qt::StringLiterals;
using namespace formelan;
using namespace formelan::test;

namespace {

const QByteArray kBom("\xEF\xBB\xBF");

// Runs SQL on the file through a connection of its own, as another program would.
bool sql(const QString &path, const QStringList &statements)
{
    static int count = 0;
    const QString name = u"other-%1"_s.arg(++count);
    bool ok = true;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(u"QSQLITE"_s, name);
        db.setDatabaseName(path);
        ok = db.open();
        for (const QString &s : statements) {
            QSqlQuery q(db);
            if (ok && !q.exec(s)) {
                qWarning("%s: %s", qPrintable(s), qPrintable(q.lastError().text()));
                ok = false;
            }
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
    return ok;
}

// The first column of what a query answers.
QStringList column(const QString &path, const QString &query)
{
    static int count = 0;
    const QString name = u"reader-%1"_s.arg(++count);
    QStringList out;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(u"QSQLITE"_s, name);
        db.setDatabaseName(path);
        if (db.open()) {
            QSqlQuery q(db);
            if (!q.exec(query))
                qWarning("%s: %s", qPrintable(query), qPrintable(q.lastError().text()));
            while (q.next())
                out.append(q.value(0).toString());
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
    return out;
}

const QString kRecipientNames = u"SELECT \"Име на получателя\" FROM recipient ORDER BY rowid"_s;

void writeFile(const QString &path, const QByteArray &data)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(data);
}

QStringList filesIn(const QString &dir)
{
    return QDir(dir).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
}

QStringList recipient(const QString &name, const QString &iban = QString(),
                      const QString &bic = QString())
{
    return {name, u""_s, u""_s, u"да"_s, u""_s, u""_s, iban, bic, u""_s};
}

// A book with these rows, made as this version makes it.
void makeBook(const QString &path, const std::vector<QStringList> &recipients,
              const std::vector<QStringList> &payers = {})
{
    StoreResult<std::unique_ptr<PartyStore>> store = openSqliteBook(path);
    QVERIFY2(store.ok(), qPrintable(store.error().message()));
    if (!recipients.empty())
        QVERIFY(store.value()->add(PartyTable::Recipients, recipients).ok());
    if (!payers.empty())
        QVERIFY(store.value()->add(PartyTable::Payers, payers).ok());
}

// A table as earlier versions made it: text columns, no key of their own.
QString earlierTable(PartyTable table, QStringList columns = {})
{
    if (columns.isEmpty())
        columns = partyColumns(table);
    QStringList defs;
    for (const QString &c : columns)
        defs.append(u'"' + c + u"\" TEXT"_s);
    return u"CREATE TABLE "_s + partyTableName(table) + u" ("_s + defs.join(u", "_s) + u')';
}

QString insertRecipient(const QStringList &values)
{
    QStringList columns, literals;
    for (qsizetype i = 0; i < values.size(); ++i) {
        columns.append(u'"' + partyColumns(PartyTable::Recipients).at(i) + u'"');
        literals.append(u'\'' + QString(values.at(i)).replace(u'\'', u"''"_s) + u'\'');
    }
    return u"INSERT INTO recipient ("_s + columns.join(u',') + u") VALUES ("_s +
           literals.join(u',') + u')';
}

QStringList gridColumn(AddressBook *w, int column = 0)
{
    QStringList out;
    const QAbstractItemModel *m = w->grid()->model();
    for (int r = 0; r < m->rowCount(); ++r)
        out.append(m->index(r, column).data().toString());
    return out;
}

void clickRow(AddressBook *w, int row)
{
    QTableView *grid = w->grid();
    grid->scrollTo(grid->model()->index(row, 0));
    const QRect r = grid->visualRect(grid->model()->index(row, 0));
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, r.center());
}

void clickButton(AddressBook *w, const QString &name)
{
    QTest::mouseClick(w->findChild<QPushButton *>(name), Qt::LeftButton);
}

// Opens a name list as the user does and clicks its item `index`.
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

QStringList listItems(QWidget *field)
{
    auto *list = static_cast<PickList *>(field);
    list->showPopup();
    list->hidePopup();
    return list->items();
}

QString docText(QStringView name)
{
    return fieldText(docWindow()->control(name));
}

QString bookText(AddressBook *w, QStringView name)
{
    return fieldText(w->control(name));
}

// Types into a field of an address book as the user would: clicks it and types.
void typeInto(AddressBook *w, QStringView name, const QString &text)
{
    QWidget *field = w->control(name);
    if (auto *list = qobject_cast<PickList *>(field))
        field = list->lineEdit();
    typeText(field, text);
}

// Types into the search box and answers how many rows the grid then shows.
int search(AddressBook *w, const QString &text)
{
    QLineEdit *box = w->searchBox();
    QTest::mouseClick(box, Qt::LeftButton);
    box->selectAll();
    QTest::keyClick(box, Qt::Key_Backspace);
    typeText(box, text);
    // The first search of a book waits for its search text, read on a thread of its own.
    if (!QTest::qWaitFor([w] { return !w->searchPending(); }, 20000))
        return -1;
    return w->grid()->model()->rowCount();
}

// Empties the book's fields with the clear command, the book being the active window.
void clearBook(Program &p, AddressBook *book)
{
    p.frame()->mdiArea()->setActiveSubWindow(p.frame()->childOf(book));
    p.find<QAction>(u"ToolButton10Action"_s)->trigger();
}

struct HelperRun {
    int exitCode = -1;
    QStringList lines;
    QString value(const QString &key) const
    {
        for (const QString &l : lines) {
            if (l.startsWith(key + u' '))
                return l.mid(key.size() + 1);
        }
        return {};
    }
};

// Another copy of the program on the book, in a process of its own.
HelperRun runHelper(const QStringList &args)
{
    QProcess p;
    p.start(QStringLiteral(PARTYBOOK_HELPER), args);
    HelperRun run;
    if (!p.waitForFinished(60000))
        p.kill();
    run.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    run.lines = QString::fromUtf8(p.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
    return run;
}

// This test program again, running one test function, as another process.
QProcess *startSelf(const QString &function, const QProcessEnvironment &env, bool asOtherUser,
                    QObject *parent)
{
    auto *child = new QProcess(parent);
    child->setProcessEnvironment(env);
    child->setProcessChannelMode(QProcess::MergedChannels);
    const QStringList self{QCoreApplication::applicationFilePath(), function};
    if (asOtherUser)
        child->start(u"setpriv"_s,
                     QStringList{u"--reuid=65534"_s, u"--regid=65534"_s, u"--clear-groups"_s} +
                         self);
    else
        child->start(self.first(), self.mid(1));
    return child;
}

// Waits for the child and checks that its test function passed.
void expectPassed(QProcess *child, const QString &function)
{
    QVERIFY(child->waitForFinished(120000));
    // "function:tag" runs one row of a table, reported as "function(tag)".
    const qsizetype colon = function.indexOf(u':');
    const QString reported =
        colon < 0 ? function : function.left(colon) + u'(' + function.mid(colon + 1) + u')';
    const QByteArray out = child->readAll();
    QVERIFY2(child->exitStatus() == QProcess::NormalExit && child->exitCode() == 0,
             out.constData());
    QVERIFY2(out.contains(QByteArray(QByteArray("PASS   : TestBookWindows::") + reported.toUtf8())),
             out.constData());
}

constexpr QFileDevice::Permissions kEveryoneMayEnter =
    QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadGroup | QFile::ExeGroup |
    QFile::ReadOther | QFile::ExeOther;
constexpr QFileDevice::Permissions kEveryoneMayWrite =
    kEveryoneMayEnter | QFile::WriteGroup | QFile::WriteOther;
constexpr QFileDevice::Permissions kReadOnlyFile =
    QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther;

} // namespace

class TestBookWindows : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    // Another copy deletes "Gamma", which this copy shows, and adds "Delta": within two
    // seconds this copy lists what the book holds, unasked; "Gamma" stays in the fields
    // and nothing is deletable until a party is chosen again. A search stays on.
    void twoCopiesDelete()
    {
        QTemporaryDir dir;
        const QString path = dir.path() + u"/base.mdb"_s;
        makeBook(path, {recipient(u"Alpha"_s), recipient(u"Beta"_s), recipient(u"Gamma"_s)});
        Program p(path);
        QCOMPARE(gridColumn(recipientsBook()), (QStringList{u"Alpha"_s, u"Beta"_s, u"Gamma"_s}));
        QVERIFY(!recipientsBook()
                     ->findChild<QPushButton *>(u"Button2"_s)
                     ->isEnabled()); // none shown yet
        clickRow(recipientsBook(), 2);
        QCOMPARE(recipientsBook()->currentPosition(), 2);

        const QString gamma =
            column(path, u"SELECT party_id FROM recipient WHERE \"Име на получателя\" = 'Gamma'"_s)
                .value(0);
        QCOMPARE(runHelper({u"delete"_s, path, u"recipient"_s, gamma}).value(u"delete"_s), u"ok"_s);
        const HelperRun added = runHelper({u"add"_s, path, u"recipient"_s, u"Delta"_s});
        QCOMPARE(added.exitCode, 0);
        QVERIFY(added.value(u"key"_s) != gamma);

        QTRY_COMPARE_WITH_TIMEOUT(gridColumn(recipientsBook()),
                                  (QStringList{u"Alpha"_s, u"Beta"_s, u"Delta"_s}), 2000);
        QCOMPARE(listItems(recipientsBook()->namePick()),
                 (QStringList{u"Alpha"_s, u"Beta"_s, u"Delta"_s}));
        QCOMPARE(recipientsBook()->currentPosition(), -1);
        QVERIFY(!recipientsBook()->findChild<QPushButton *>(u"Button2"_s)->isEnabled());
        QCOMPARE(bookText(recipientsBook(), u"Recipient_name"), u"Gamma"_s);
        QVERIFY(p.dialogs.messages.isEmpty());

        // A search stays on while the list follows the other copy's adds.
        QCOMPARE(search(recipientsBook(), u"alpha"_s), 1);
        QCOMPARE(runHelper({u"add"_s, path, u"recipient"_s, u"Alpha 2"_s}).exitCode, 0);
        QCOMPARE(runHelper({u"add"_s, path, u"recipient"_s, u"Echo"_s}).exitCode, 0);
        QTRY_COMPARE_WITH_TIMEOUT(gridColumn(recipientsBook()),
                                  (QStringList{u"Alpha"_s, u"Alpha 2"_s}), 2000);

        // The first row, shown, stays shown as it was while the list follows the other
        // copy: choosing another party asks nothing.
        search(recipientsBook(), QString());
        p.dialogs.answers = {QMessageBox::Yes}; // the fields show "Gamma", no longer there
        clickRow(recipientsBook(), 0);
        QCOMPARE(recipientsBook()->currentPosition(), 0);
        p.dialogs.messages.clear();
        QCOMPARE(runHelper({u"add"_s, path, u"recipient"_s, u"Foxtrot"_s}).exitCode, 0);
        QTRY_COMPARE_WITH_TIMEOUT(gridColumn(recipientsBook()).size(), 6, 2000);
        QCOMPARE(recipientsBook()->currentPosition(), 0);
        clickRow(recipientsBook(), 1);
        QCOMPARE(bookText(recipientsBook(), u"Recipient_name"), u"Beta"_s);
        QVERIFY(p.dialogs.messages.isEmpty());
    }

    // When add or delete returns, base.mdb alone holds it: a copy of that one file taken
    // while the program runs has the row, and no journal lies beside it.
    void fileAloneHoldsEveryWrite()
    {
        Program p;
        const QString path = p.databasePath();
        auto copyHas = [&](const QString &name) {
            QTemporaryDir elsewhere;
            const QString copy = elsewhere.path() + u"/base.mdb"_s;
            if (!QFile::copy(path, copy))
                return false;
            return column(copy, kRecipientNames).contains(name);
        };
        typeInto(recipientsBook(), u"Recipient_name", u"Копие на файла"_s);
        typeInto(recipientsBook(), u"recipient_iban_number1", u"BG80BNBG96611020345678"_s);
        clickButton(recipientsBook(), u"Button1"_s);
        QVERIFY(p.dialogs.messages.isEmpty());
        QVERIFY(copyHas(u"Копие на файла"_s));
        QCOMPARE(filesIn(QFileInfo(path).absolutePath()), QStringList{u"base.mdb"_s});
        clickButton(recipientsBook(), u"Button2"_s);
        QVERIFY(!copyHas(u"Копие на файла"_s));
        QCOMPARE(filesIn(QFileInfo(path).absolutePath()), QStringList{u"base.mdb"_s});
    }

    // A file of an earlier version, whose tables have no key and whose rows left gaps, is
    // upgraded: the windows show every row, in its order, and keep it after a restart.
    void upgradeKeepsRowsAndOrder()
    {
        QTemporaryDir dir;
        const QString path = dir.path() + u"/base.mdb"_s;
        QStringList payer;
        for (const QString &c : partyColumns(PartyTable::Payers))
            payer.append(u"„"_s + c + u"“"_s);
        QStringList payerLiterals;
        for (const QString &v : std::as_const(payer))
            payerLiterals.append(u'\'' + v + u'\'');
        QVERIFY(sql(path, {earlierTable(PartyTable::Recipients), earlierTable(PartyTable::Payers),
                           insertRecipient(recipient(u"А"_s, u"BG80BNBG96611020345678"_s)),
                           insertRecipient(recipient(u"Б"_s)),
                           insertRecipient(recipient(u"В"_s, u"BG16UNCR70001519562303"_s)),
                           insertRecipient(recipient(u"Г"_s)),
                           u"DELETE FROM recipient WHERE \"Име на получателя\" = 'Б'"_s,
                           insertRecipient(recipient(u"Д"_s)),
                           u"INSERT INTO depositor VALUES ("_s + payerLiterals.join(u',') + u')'}));
        const QStringList order{u"А"_s, u"В"_s, u"Г"_s, u"Д"_s};
        {
            Program p(path);
            QVERIFY(p.frame());
            QCOMPARE(gridColumn(recipientsBook()), order);
            for (int c = 0; c < payer.size(); ++c)
                QCOMPARE(gridColumn(payersBook(), c), QStringList{payer.at(c)});
            chooseFromList(docWindow()->control(u"Recipient_name"), 1);
            QCOMPARE(docText(u"recipient_iban_number1"), u"BG16UNCR70001519562303"_s);
            clearBook(p, recipientsBook());
            typeInto(recipientsBook(), u"Recipient_name", u"Е"_s);
            clickButton(recipientsBook(), u"Button1"_s);
        }
        QVERIFY(column(path, u"SELECT name FROM pragma_table_info('recipient')"_s)
                    .contains(kPartyKeyColumn.toString()));
        Program again(path);
        QCOMPARE(gridColumn(recipientsBook()), order + QStringList{u"Е"_s});
    }

    void readOnlyBook_data()
    {
        QTest::addColumn<bool>("folderLocked"); // else the file is read-only
        QTest::newRow("read-only file") << false;
        QTest::newRow("read-only folder") << true;
    }
    // A book that can be read but not written: the program starts, the windows show it,
    // the lookup and search work, and add, delete and import say why they cannot; the
    // folder is left exactly as it was. Run as a user other than root, who cannot ignore
    // the file's permissions.
    void readOnlyBook()
    {
        QFETCH(bool, folderLocked);
        const QString function = u"readOnlyBook:"_s + QString::fromUtf8(QTest::currentDataTag());
        QString path = qEnvironmentVariable("FORMELAN_READONLY_BOOK");
        const bool root = ::geteuid() == 0;
        std::unique_ptr<QTemporaryDir> base;
        QString folder;
        if (path.isEmpty()) {
            FORMELAN_NEED(
                !root || !QStandardPaths::findExecutable(u"setpriv"_s).isEmpty(),
                "setpriv (Debian: util-linux) is needed to test as a user other than root");
            base = std::make_unique<QTemporaryDir>(QDir::tempPath() + u"/formelan-ro-XXXXXX"_s);
            QFile::setPermissions(base->path(), kEveryoneMayEnter);
            folder = base->path() + u"/book"_s;
            QVERIFY(QDir().mkpath(folder));
            path = folder + u"/base.mdb"_s;
            makeBook(path, {recipient(u"Алфа"_s, u"BG80BNBG96611020345678"_s),
                            recipient(u"Бета"_s, u"BG16UNCR70001519562303"_s)});
            if (folderLocked) {
                QFile::setPermissions(path,
                                      kEveryoneMayWrite &
                                          ~(QFile::ExeOwner | QFile::ExeGroup | QFile::ExeOther));
                QFile::setPermissions(folder, root ? kEveryoneMayEnter
                                                   : QFile::ReadOwner | QFile::ExeOwner);
            } else {
                QFile::setPermissions(path, kReadOnlyFile);
                QFile::setPermissions(folder, kEveryoneMayWrite);
            }
        } else {
            folder = QFileInfo(path).absolutePath();
        }
        const QByteArray before = bytesOf(path);
        const QStringList files = filesIn(folder);
        auto unlock = qScopeGuard([&] {
            if (base)
                QFile::setPermissions(folder, kEveryoneMayWrite);
        });

        if (root) {
            const QString home = base->path() + u"/home"_s;
            QVERIFY(QDir().mkpath(home));
            QFile::setPermissions(home, kEveryoneMayWrite);
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            env.insert(u"FORMELAN_READONLY_BOOK"_s, path);
            env.insert(u"HOME"_s, home);
            env.insert(u"XDG_RUNTIME_DIR"_s, home);
            env.insert(u"TMPDIR"_s, home);
            QObject owner;
            expectPassed(startSelf(function, env, true, &owner), function);
            QCOMPARE(bytesOf(path), before);
            QCOMPARE(filesIn(folder), files);
            return;
        }

        Program p(path);
        QVERIFY(p.frame());
        QCOMPARE(gridColumn(recipientsBook()), (QStringList{u"Алфа"_s, u"Бета"_s}));
        chooseFromList(docWindow()->control(u"Recipient_name"), 0);
        QCOMPARE(docText(u"recipient_iban_number1"), u"BG80BNBG96611020345678"_s);
        QCOMPARE(search(recipientsBook(), u"бет"_s), 1);
        QCOMPARE(gridColumn(recipientsBook()), QStringList{u"Бета"_s});
        QTest::keyClick(recipientsBook()->searchBox(), Qt::Key_Escape);
        QCOMPARE(recipientsBook()->grid()->model()->rowCount(), 2);

        typeInto(recipientsBook(), u"Recipient_name", u"Нов"_s);
        clickButton(recipientsBook(), u"Button1"_s);
        p.dialogs.answers << QMessageBox::Yes; // "Нов" is not in the book: asked first
        clickRow(recipientsBook(), 0);
        QCOMPARE(p.dialogs.messages.takeAt(1).icon, QMessageBox::Question);
        clickButton(recipientsBook(), u"Button2"_s);
        p.dialogs.fileAnswers << path; // not asked for: the import says why first
        p.find<QAction>(u"ImportRecipients"_s)->trigger();
        QCOMPARE(p.dialogs.messages.size(), 3); // no question before the delete
        for (const auto &m : std::as_const(p.dialogs.messages)) {
            QVERIFY2(m.text.contains(u"само за четене"_s), qPrintable(m.text));
            QVERIFY2(m.text.contains(QDir::toNativeSeparators(path)), qPrintable(m.text));
        }
        QCOMPARE(p.dialogs.fileAnswers.size(), 1);
        QCOMPARE(gridColumn(recipientsBook()), (QStringList{u"Алфа"_s, u"Бета"_s}));
        QCOMPARE(bytesOf(path), before);
        QCOMPARE(filesIn(folder), files);
    }

    // A file of no bytes is a new book: the program starts and stores what is added.
    void zeroByteFile()
    {
        QTemporaryDir dir;
        const QString path = dir.path() + u"/base.mdb"_s;
        writeFile(path, {});
        Program p(path);
        QVERIFY(p.frame());
        QVERIFY(p.dialogs.messages.isEmpty());
        QCOMPARE(recipientsBook()->grid()->model()->rowCount(), 0);
        QCOMPARE(payersBook()->grid()->model()->rowCount(), 0);
        typeInto(payersBook(), u"depositor_name", u"Първи"_s);
        clickButton(payersBook(), u"Button1"_s);
        QCOMPARE(column(path, u"SELECT \"Име на наредителя\" FROM depositor"_s),
                 QStringList{u"Първи"_s});
    }

    void refusedFileIsLeftAlone_data()
    {
        QTest::addColumn<QStringList>("statements");
        QTest::addColumn<QString>("named"); // what the message names
        QStringList noIban = partyColumns(PartyTable::Recipients);
        noIban.removeAll(u"IBAN"_s);
        QTest::newRow("a table missing")
            << QStringList{earlierTable(PartyTable::Recipients),
                           insertRecipient(recipient(u"Стар"_s)), u"PRAGMA journal_mode=DELETE"_s}
            << u"„depositor“"_s;
        QTest::newRow("a column missing")
            << QStringList{earlierTable(PartyTable::Recipients, noIban),
                           earlierTable(PartyTable::Payers)}
            << u"„IBAN“"_s;
    }
    // A file the program cannot use stops the start with a message naming what is
    // missing, and is not changed by a single byte; nothing is made beside it.
    void refusedFileIsLeftAlone()
    {
        QFETCH(QStringList, statements);
        QFETCH(QString, named);
        QTemporaryDir dir;
        const QString path = dir.path() + u"/base.mdb"_s;
        QVERIFY(sql(path, statements));
        const QByteArray before = bytesOf(path);
        Program p(path);
        // The program starts all the same, the book's windows empty, and says why.
        QVERIFY(p.frame());
        QTRY_COMPARE(p.dialogs.messages.size(), 1);
        QVERIFY2(p.dialogs.messages.first().text.contains(named),
                 qPrintable(p.dialogs.messages.first().text));
        QCOMPARE(recipientsBook()->grid()->model()->rowCount(), 0);
        QCOMPARE(bytesOf(path), before);
        QCOMPARE(filesIn(dir.path()), QStringList{u"base.mdb"_s});
    }

    void columnsByName_data()
    {
        QTest::addColumn<QStringList>("columns"); // of the recipients' table, in its order
        QStringList reversed = partyColumns(PartyTable::Recipients);
        std::reverse(reversed.begin(), reversed.end());
        QStringList extra = partyColumns(PartyTable::Recipients);
        extra.insert(3, u"Бележка"_s);
        QTest::newRow("another order") << reversed;
        QTest::newRow("an extra column") << extra;
    }
    // Columns are found by their names wherever they stand; a column the program does not
    // know is neither shown nor filled.
    void columnsByName()
    {
        QFETCH(QStringList, columns);
        QTemporaryDir dir;
        const QString path = dir.path() + u"/base.mdb"_s;
        QVERIFY(sql(
            path,
            {earlierTable(PartyTable::Recipients, columns), earlierTable(PartyTable::Payers),
             insertRecipient(recipient(u"Първи"_s, u"BG80BNBG96611020345678"_s, u"BNBGBGSD"_s))}));
        Program p(path);
        QVERIFY(p.frame());
        const QAbstractItemModel *grid = recipientsBook()->grid()->model();
        QCOMPARE(grid->columnCount(), 9);
        for (int c = 0; c < 9; ++c)
            QCOMPARE(grid->headerData(c, Qt::Horizontal).toString(),
                     partyColumns(PartyTable::Recipients).at(c));
        QCOMPARE(gridColumn(recipientsBook(), 6), QStringList{u"BG80BNBG96611020345678"_s});
        QCOMPARE(gridColumn(recipientsBook(), 7), QStringList{u"BNBGBGSD"_s});
        chooseFromList(docWindow()->control(u"Recipient_name"), 0);
        QCOMPARE(docText(u"Recipient_name"), u"Първи"_s);
        QCOMPARE(docText(u"recipient_iban_number1"), u"BG80BNBG96611020345678"_s);
        QCOMPARE(docText(u"rec_bic1"), u"BNBGBGSD"_s);

        clearBook(p, recipientsBook());
        typeInto(recipientsBook(), u"Recipient_name", u"Втори"_s);
        typeInto(recipientsBook(), u"recipient_iban_number1", u"BG16UNCR70001519562303"_s);
        typeInto(recipientsBook(), u"rebank", u"УниКредит"_s);
        clickButton(recipientsBook(), u"Button1"_s);
        QVERIFY(p.dialogs.messages.isEmpty());
        QCOMPARE(column(path, u"SELECT \"IBAN\" FROM recipient ORDER BY rowid"_s),
                 (QStringList{u"BG80BNBG96611020345678"_s, u"BG16UNCR70001519562303"_s}));
        QCOMPARE(column(path, u"SELECT \"Банка\" FROM recipient ORDER BY rowid"_s).value(1),
                 u"УниКредит"_s);
        QCOMPARE(gridColumn(recipientsBook(), 8).value(1), u"УниКредит"_s);
    }

    // A row another program deleted is not loaded from the grid, the book's name list or
    // the document's: the user is told, and no field changes. Deleting it says so and
    // deletes nothing else.
    void rowDeletedElsewhere()
    {
        QTemporaryDir dir;
        const QString path = dir.path() + u"/base.mdb"_s;
        makeBook(path, {recipient(u"Алфа"_s, u"BG80BNBG96611020345678"_s),
                        recipient(u"Бета"_s, u"BG16UNCR70001519562303"_s), recipient(u"Гама"_s)});
        Program p(path);
        AddressBook *book = recipientsBook();
        clickRow(book, 0);
        QCOMPARE(docText(u"recipient_iban_number1"), u"BG80BNBG96611020345678"_s);
        QVERIFY(sql(path, {u"DELETE FROM recipient WHERE \"Име на получателя\" = 'Бета'"_s}));

        auto unchanged = [&] {
            QCOMPARE(bookText(book, u"Recipient_name"), u"Алфа"_s);
            QCOMPARE(bookText(book, u"recipient_iban_number1"), u"BG80BNBG96611020345678"_s);
            QCOMPARE(docText(u"Recipient_name"), u"Алфа"_s);
            QCOMPARE(docText(u"recipient_iban_number1"), u"BG80BNBG96611020345678"_s);
        };
        auto toldGone = [&] {
            QVERIFY(!p.dialogs.messages.isEmpty());
            const QString text = p.dialogs.messages.takeLast().text;
            QVERIFY2(text.contains(u"вече не е в адресната книга"_s), qPrintable(text));
            QVERIFY(p.dialogs.messages.isEmpty());
        };

        clickRow(book, 1);
        toldGone();
        unchanged();
        QCOMPARE(gridColumn(book), (QStringList{u"Алфа"_s, goneRowText(), u"Гама"_s}));

        chooseFromList(book->namePick(), 1);
        toldGone();
        unchanged();

        chooseFromList(docWindow()->control(u"Recipient_name"), 1);
        toldGone();
        unchanged();

        // The other rows still load.
        chooseFromList(docWindow()->control(u"Recipient_name"), 2);
        QVERIFY(p.dialogs.messages.isEmpty());
        QCOMPARE(docText(u"Recipient_name"), u"Гама"_s);

        // The book tells of the change: the gone row leaves the window unasked, and the
        // party shown stays the current row where it now stands.
        QTRY_COMPARE_WITH_TIMEOUT(gridColumn(book), (QStringList{u"Алфа"_s, u"Гама"_s}), 2000);
        QCOMPARE(book->currentPosition(), 1);
        QCOMPARE(book->grid()->currentIndex().row(), 1);
        QVERIFY(p.dialogs.messages.isEmpty());
    }

    // A book's name list is filled when it is first used: opened, or stepped through
    // with the arrow keys while closed; typing in it leaves it alone.
    void nameListFilledOnFirstUse()
    {
        QTemporaryDir dir;
        const QString path = dir.path() + u"/base.mdb"_s;
        makeBook(path, {recipient(u"Алфа"_s, u"BG80BNBG96611020345678"_s),
                        recipient(u"Бета"_s, u"BG16UNCR70001519562303"_s)});
        Program p(path);
        PickList *names = recipientsBook()->namePick();
        QCOMPARE(names->count(), 0);
        typeInto(recipientsBook(), u"Recipient_name", u"Бе"_s);
        QCOMPARE(names->count(), 0);
        QCOMPARE(docText(u"Recipient_name"), u"Бе"_s);
        QTest::keyClick(names, Qt::Key_Down);
        QCOMPARE(names->count(), 2);
        QCOMPARE(bookText(recipientsBook(), u"Recipient_name"), u"Алфа"_s);
        QCOMPARE(docText(u"recipient_iban_number1"), u"BG80BNBG96611020345678"_s);
        QTest::keyClick(names, Qt::Key_Down);
        QCOMPARE(docText(u"Recipient_name"), u"Бета"_s);
        QCOMPARE(docText(u"recipient_iban_number1"), u"BG16UNCR70001519562303"_s);
        QCOMPARE(recipientsBook()->grid()->currentIndex().row(), 1);
    }

    // Two copies started at the same moment with no book both start, and both keep what
    // they add. Each copy is this test program again, running the windows.
    void twoCopiesCreateTheBook()
    {
        const QString together = qEnvironmentVariable("FORMELAN_BOOK_TOGETHER");
        if (!together.isEmpty()) {
            Program p(together);
            QVERIFY(p.frame());
            typeInto(recipientsBook(), u"Recipient_name",
                     qEnvironmentVariable("FORMELAN_BOOK_NAME"));
            clickButton(recipientsBook(), u"Button1"_s);
            QVERIFY2(p.dialogs.messages.isEmpty(), qPrintable(p.dialogs.texts().join(u'\n')));
            return;
        }
        for (int round = 0; round < 5; ++round) {
            QTemporaryDir dir;
            const QString path = dir.path() + u"/Formelan/base.mdb"_s;
            QObject owner;
            QList<QProcess *> copies;
            for (const QString &name : {u"Първо копие"_s, u"Второ копие"_s}) {
                QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
                env.insert(u"FORMELAN_BOOK_TOGETHER"_s, path);
                env.insert(u"FORMELAN_BOOK_NAME"_s, name);
                copies.append(startSelf(u"twoCopiesCreateTheBook"_s, env, false, &owner));
            }
            for (QProcess *copy : std::as_const(copies))
                expectPassed(copy, u"twoCopiesCreateTheBook"_s);
            QStringList names = column(path, kRecipientNames);
            names.sort();
            QCOMPARE(names, (QStringList{u"Второ копие"_s, u"Първо копие"_s}));
        }
    }

    // The search box at 100,000 rows: every row whose name, EGN or IBAN holds the typed
    // text, in any letter case, in the book's order; Esc shows every row again; Ctrl+F
    // goes to the box. A row added meanwhile shows even when it does not match; delete
    // takes the highlighted row, and a current row the search hides cannot be deleted.
    void searchAt100000Rows()
    {
        QTemporaryDir dir;
        const QString path = dir.path() + u"/base.mdb"_s;
        const QStringList firms{u"ЕТ „ИВАН ПЕТРОВ“"_s, u"Ёлха ООД"_s, u"Acme Ltd"_s,
                                u"Зелен Бор ЕООД"_s, u"иван иванов"_s};
        std::vector<QStringList> rows;
        for (int i = 0; i < 100000; ++i) {
            QStringList v = recipient(
                firms.at(i % firms.size()) + u" №"_s + QString::number(i),
                u"BG%1BNBG9661%2"_s.arg(i % 97, 2, 10, QChar(u'0')).arg(i, 10, 10, QChar(u'0')));
            v[1] = u"%1"_s.arg(7501020018LL + i * 7, 10, 10, QChar(u'0')); // EGN
            v[2] = u"АБ%1"_s.arg(i);                                       // not searched
            rows.push_back(v);
        }
        makeBook(path, rows);
        Program p(path);
        AddressBook *book = recipientsBook();
        QCOMPARE(book->grid()->model()->rowCount(), 100000);

        // Ctrl+F from a field of the book puts the focus in its search box.
        p.frame()->mdiArea()->setActiveSubWindow(p.frame()->childOf(book));
        QApplication::setActiveWindow(p.frame());
        book->control(u"rebank")->setFocus();
        QTest::keyClick(book->control(u"rebank"), Qt::Key_F, Qt::ControlModifier);
        QTRY_VERIFY(book->searchBox()->hasFocus());
        // The box names the columns it looks in.
        QVERIFY(book->searchBox()->toolTip().contains(
            u"в „Име на получателя“, „ЕГН на упълномощеното лице“, „IBAN“, без"_s));

        auto expected = [&](const QString &text) {
            QStringList out;
            for (const QStringList &r : rows) {
                for (int c : {0, 1, 6}) {
                    if (r.at(c).contains(text.trimmed(), Qt::CaseInsensitive)) {
                        out.append(r.at(0));
                        break;
                    }
                }
            }
            return out;
        };
        const QStringList needles{u"петров“ №4242"_s,     u"ЁЛХА ООД №4242"_s, u"acme LTD №99"_s,
                                  u"bg05bnbg96610000"_s,  u"0000012345"_s,     u"7501020"_s,
                                  u"  зелен бор №777 "_s, u"АБ12"_s,           u"няма такъв"_s};
        for (const QString &needle : needles) {
            const QStringList want = expected(needle);
            QCOMPARE(search(book, needle), int(want.size()));
            if (want.size() <= 300)
                QCOMPARE(gridColumn(book), want);
        }
        QCOMPARE(search(book, u"bnbg9661"_s), 100000);

        // Esc shows every row again.
        QCOMPARE(search(book, u"петров“ №4242"_s), 2);
        QTest::keyClick(book->searchBox(), Qt::Key_Escape);
        QCOMPARE(book->searchBox()->text(), QString());
        QCOMPARE(book->grid()->model()->rowCount(), 100000);

        // The current row, the last one, is hidden by a search: nothing to delete.
        const QStringList found = expected(u"ёлха оод №4242"_s);
        QCOMPARE(search(book, u"ёлха оод №4242"_s), int(found.size()));
        QVERIFY(!found.isEmpty());
        QVERIFY(!book->findChild<QPushButton *>(u"Button2"_s)->isEnabled());
        // A new row shows at the end of what the search found, and is current.
        clearBook(p, book);
        typeInto(book, u"Recipient_name", u"Нов без връзка"_s);
        clickButton(book, u"Button1"_s);
        QCOMPARE(gridColumn(book), found + QStringList{u"Нов без връзка"_s});
        QCOMPARE(book->grid()->currentIndex().row(), int(found.size()));
        // Delete takes the highlighted row.
        clickRow(book, 0);
        const QString first = found.first();
        QCOMPARE(bookText(book, u"Recipient_name"), first);
        clickButton(book, u"Button2"_s);
        QCOMPARE(gridColumn(book), found.mid(1) + QStringList{u"Нов без връзка"_s});
        QCOMPARE(column(path, u"SELECT count(*) FROM recipient WHERE \"Име на получателя\" = '"_s +
                                  first + u'\''),
                 QStringList{u"0"_s});
        QTest::keyClick(book->searchBox(), Qt::Key_Escape);
        const QAbstractItemModel *grid = book->grid()->model();
        QCOMPARE(grid->rowCount(), 100000);
        QCOMPARE(grid->index(0, 0).data().toString(), rows.front().at(0));
        QCOMPARE(grid->index(99999, 0).data().toString(), u"Нов без връзка"_s);
    }

    // Export, import into an empty book, export again: the same file, with quotes, commas,
    // line breaks, Cyrillic and formula-like values, all through the data menu.
    void csvRoundTrip_data()
    {
        QTest::addColumn<bool>("payers");
        QTest::newRow("recipients") << false;
        QTest::newRow("payers") << true;
    }
    void csvRoundTrip()
    {
        QFETCH(bool, payers);
        const PartyTable table = payers ? PartyTable::Payers : PartyTable::Recipients;
        const QString exportItem = payers ? u"ExportPayers"_s : u"ExportRecipients"_s;
        const QString importItem = payers ? u"ImportPayers"_s : u"ImportRecipients"_s;
        const QStringList hard{u"ЕТ \"Иван Петров\", София"_s,
                               u"ред 1\r\nред 2"_s,
                               u"ред 1\nред 2"_s,
                               u""_s,
                               u"=HYPERLINK(\"http://example.com\")"_s,
                               u"'@x"_s,
                               u"Ёлха; ъгъл ‘’ „“ €"_s};
        const int width = int(partyColumns(table).size());
        std::vector<QStringList> rows;
        for (int r = 0; r < 5; ++r) {
            QStringList v;
            for (int c = 0; c < width; ++c)
                v.append(hard.at((r + c) % hard.size()));
            v[partyIbanColumn(table)] = r % 2 ? u"BG80BNBG96611020345678"_s : QString(u""_s);
            rows.push_back(v);
        }
        QTemporaryDir dir;
        const QString first = dir.path() + u"/first/base.mdb"_s;
        const QString exported = dir.path() + u"/книга.csv"_s;
        const QString again = dir.path() + u"/отново.csv"_s;
        QVERIFY(QDir().mkpath(dir.path() + u"/first"_s));
        if (payers)
            makeBook(first, {}, rows);
        else
            makeBook(first, rows);
        {
            Program p(first);
            p.dialogs.fileAnswers << exported;
            p.find<QAction>(exportItem)->trigger();
            QVERIFY(p.dialogs.fileFilters.value(0).contains(u"*.csv"_s));
            QCOMPARE(p.dialogs.messages.size(), 1);
            QVERIFY(p.dialogs.messages.first().text.contains(QDir::toNativeSeparators(exported)));
        }
        const QByteArray bytes = bytesOf(exported);
        // The header is the book's table layout, which other programs read: stated here.
        const QString header =
            payers ? u"Име на наредителя,Име на задълженото лице,ЕГН на задълженото лице,"
                     u"ЛНЧ на задълженото лице,БУЛСТАТ,Български гражданин,Държава,Адрес,БИК,"
                     u"IBAN,Обслужваща банка,Адрес на банката,Банков клон"_s
                   : u"Име на получателя,ЕГН на упълномощеното лице,Документ за самоличност,"
                     u"Местно лице,Държава,Адрес,IBAN,BIC,Банка"_s;
        QVERIFY(bytes.startsWith(QByteArray(kBom + header.toUtf8() + "\r\n")));
        QVERIFY(bytes.contains("'=HYPERLINK")); // a spreadsheet takes it for text
        QVERIFY(bytes.contains(",''@x") || bytes.contains("\n''@x"));

        Program p;
        p.dialogs.fileAnswers << exported << again;
        p.dialogs.answers << QMessageBox::Yes;
        p.find<QAction>(importItem)->trigger();
        QCOMPARE(p.dialogs.messages.size(), 2);
        const FakeDialogs::Message preview = p.dialogs.messages.at(0);
        QCOMPARE(preview.icon, QMessageBox::Question);
        QCOMPARE(preview.buttons, QMessageBox::Yes | QMessageBox::No);
        QVERIFY2(preview.text.contains(u"Записи за добавяне в края на книгата: 5"_s),
                 qPrintable(preview.text));
        QCOMPARE(p.dialogs.messages.at(1).text, u"Добавени записа: 5. Пропуснати: 0."_s);
        AddressBook *book = payers ? payersBook() : recipientsBook();
        QCOMPARE(book->grid()->model()->rowCount(), 5);
        QCOMPARE(gridColumn(book, 0).value(1), rows[1].at(0));
        QCOMPARE(gridColumn(book, 1).value(4), rows[4].at(1));
        p.find<QAction>(exportItem)->trigger();
        QCOMPARE(bytesOf(again), bytes);
    }

    // The preview names the rows with a wrong IBAN, the rows that cannot be read and the
    // columns left out; "Не" adds the others, "Отказ" nothing, "Да" all that can be read.
    void importPreviewFlagsBadIban()
    {
        QStringList header = partyColumns(PartyTable::Recipients);
        std::reverse(header.begin(), header.end());
        header.insert(2, u"Бележка"_s);
        auto line = [&](const QString &name, const QString &iban) -> QString {
            QStringList f;
            for (const QString &h : std::as_const(header))
                f.append(h == u"IBAN"_s                ? iban
                         : h == u"Име на получателя"_s ? name
                         : h == u"Бележка"_s           ? u"пропусната"_s
                                                       : u""_s);
            return u"\""_s + f.join(u"\",\""_s) + u"\"\r\n"_s;
        };
        const QString text = u"\""_s + header.join(u"\",\""_s) + u"\"\r\n"_s +
                             line(u"Добър"_s, u"BG80BNBG96611020345678"_s) +
                             line(u"Лош IBAN"_s, u"BG80BNBG96611020345679"_s) +
                             u"къс ред,само две полета\r\n"_s + line(u"Без IBAN"_s, u""_s);
        Program p;
        const QString file = p.dataDir() + u"/внос.csv"_s;
        writeFile(file, kBom + text.toUtf8());

        const QList<std::pair<QMessageBox::StandardButton, QStringList>> answers{
            {QMessageBox::Cancel, {}},
            {QMessageBox::No, {u"Добър"_s, u"Без IBAN"_s}},
            {QMessageBox::Yes,
             {u"Добър"_s, u"Без IBAN"_s, u"Добър"_s, u"Лош IBAN"_s, u"Без IBAN"_s}},
        };
        for (const auto &[answer, names] : answers) {
            p.dialogs.messages.clear();
            p.dialogs.fileAnswers << file;
            p.dialogs.answers << answer;
            p.find<QAction>(u"ImportRecipients"_s)->trigger();
            const FakeDialogs::Message preview = p.dialogs.messages.value(0);
            QCOMPARE(preview.buttons, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
            for (const QString &part :
                 {u"Записи за добавяне в края на книгата: 3"_s, u"От тях с невалиден IBAN: 1"_s,
                  u"Ред 3: невалиден IBAN „BG80BNBG96611020345679“"_s, u"(Лош IBAN)"_s,
                  u"Редове, които няма да бъдат добавени: 1"_s, u"Ред 4"_s,
                  u"пропуска: „Бележка“"_s})
                QVERIFY2(preview.text.contains(part), qPrintable(preview.text));
            QCOMPARE(gridColumn(recipientsBook()), names);
            QCOMPARE(column(p.databasePath(), kRecipientNames), names);
        }
        QCOMPARE(p.dialogs.messages.value(1).text, u"Добавени записа: 3. Пропуснати: 1."_s);
    }

    // Exporting over a file asks first; "Не" leaves the file as it was.
    void exportAsksBeforeReplacing()
    {
        Program p;
        const QString file = p.dataDir() + u"/стар.csv"_s;
        writeFile(file, "old");
        p.dialogs.fileAnswers << file;
        p.dialogs.answers << QMessageBox::No;
        p.find<QAction>(u"ExportPayers"_s)->trigger();
        QCOMPARE(p.dialogs.messages.size(), 1);
        QVERIFY(p.dialogs.messages.first().text.contains(u"вече съществува"_s));
        QCOMPARE(bytesOf(file), QByteArray("old"));
        p.dialogs.fileAnswers << file;
        p.dialogs.answers << QMessageBox::Yes;
        p.find<QAction>(u"ExportPayers"_s)->trigger();
        QVERIFY(bytesOf(file).startsWith(kBom));
    }
};

QTEST_MAIN(TestBookWindows)
#include "tst_bookwindows.moc"
