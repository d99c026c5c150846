// The address book's data layer against real books: identity, read-only use, columns by
// name, rows gone elsewhere, the lists read in blocks, search, and several programs at
// once hold for both kinds of book, each test run once on a SQLite file and once on a
// PostgreSQL database (the column "backend"); one file at rest, refused files and
// upgrades are the SQLite file's own.
#include "parties/partylist.h"
#include "parties/sqlitepartystore.h"
#include "require.h"
#include "testbooks.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <functional>
#include <set>
#include <unistd.h>

using namespace Qt::StringLiterals;
using namespace formelan;

namespace {

constexpr uid_t kNobody = 65534;

// A connection of its own, as another program would have.
class OtherProgram {
public:
    explicit OtherProgram(const QString &path)
        : m_name(u"other-%1"_s.arg(++s_count))
    {
        m_db = QSqlDatabase::addDatabase(u"QSQLITE"_s, m_name);
        m_db.setDatabaseName(path);
        m_db.setConnectOptions(u"QSQLITE_BUSY_TIMEOUT=5000"_s);
        m_db.open();
    }
    ~OtherProgram()
    {
        m_db.close();
        m_db = QSqlDatabase();
        QSqlDatabase::removeDatabase(m_name);
    }
    bool exec(const QString &sql)
    {
        QSqlQuery q(m_db);
        if (q.exec(sql))
            return true;
        qWarning("%s: %s", qPrintable(sql), qPrintable(q.lastError().text()));
        return false;
    }
    bool execAll(const QStringList &statements)
    {
        for (const QString &s : statements) {
            if (!exec(s))
                return false;
        }
        return true;
    }
    QStringList column(const QString &sql)
    {
        QStringList out;
        QSqlQuery q(m_db);
        if (!q.exec(sql))
            qWarning("%s: %s", qPrintable(sql), qPrintable(q.lastError().text()));
        while (q.next())
            out.append(q.value(0).isNull() ? u"<null>"_s : q.value(0).toString());
        return out;
    }
    QString one(const QString &sql) { return column(sql).value(0); }

private:
    static inline int s_count = 0;
    QString m_name;
    QSqlDatabase m_db;
};

QString quotedName(const QString &name)
{
    return u'"' + name + u'"';
}

// A table as earlier versions made it: text columns, no key of its own.
QString earlierTable(PartyTable table, QStringList columns = {}, const QString &extra = {})
{
    if (columns.isEmpty())
        columns = bookColumns(table);
    QStringList defs;
    for (const QString &c : columns)
        defs.append(quotedName(c) + u" TEXT NOT NULL DEFAULT ''"_s);
    if (!extra.isEmpty())
        defs.append(extra);
    return u"CREATE TABLE "_s + bookTable(table) + u" ("_s + defs.join(u", "_s) + u')';
}

QStringList earlierBook()
{
    return {earlierTable(PartyTable::Recipients), earlierTable(PartyTable::Payers)};
}

QString insertNamed(PartyTable table, const QStringList &values)
{
    QStringList columns, literals;
    for (qsizetype i = 0; i < values.size(); ++i) {
        columns.append(quotedName(bookColumns(table).at(i)));
        literals.append(u'\'' + QString(values.at(i)).replace(u'\'', u"''"_s) + u'\'');
    }
    return u"INSERT INTO "_s + bookTable(table) + u" ("_s + columns.join(u',') + u") VALUES ("_s +
           literals.join(u',') + u')';
}

QStringList named(PartyTable table, const QString &name)
{
    QStringList values(partyColumns(table).size(), u""_s);
    values[0] = name;
    return values;
}

QByteArray bytesOf(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

QStringList filesIn(const QString &dir)
{
    return QDir(dir).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
}

std::unique_ptr<PartyStore> openOrFail(const QString &path, const SqliteBookOptions &options = {})
{
    StoreResult<std::unique_ptr<PartyStore>> store = openSqliteBook(path, options);
    if (!store.ok()) {
        qWarning("%s", qPrintable(store.error().message()));
        return nullptr;
    }
    return store.take();
}

QStringList namesIn(PartyStore &store, PartyTable table)
{
    QStringList names;
    const int name = partyNameColumn(table);
    StoreResult<std::vector<PartyRow>> rows = store.rows(table, RowRange{}, std::span(&name, 1));
    if (rows.ok()) {
        for (const PartyRow &r : rows.value())
            names.append(r.values.at(name));
    }
    return names;
}

QStringList listNames(PartyList &list)
{
    QStringList out;
    for (int i = 0; i < list.count(); ++i)
        out.append(list.isGone(i) ? u"<gone>"_s : list.nameAt(i));
    return out;
}

// Counts the rows a book hands out, to see how often the list goes back to it.
class CountingStore : public PartyStore {
public:
    explicit CountingStore(PartyStore &inner)
        : m_inner(inner)
    {}
    qint64 rowsRead = 0;
    QString location() const override { return m_inner.location(); }
    QString readOnlyReason() const override { return m_inner.readOnlyReason(); }
    StoreResult<BookSummary> summary(PartyTable t) override { return m_inner.summary(t); }
    StoreError readRows(PartyTable t, const RowRange &range, std::span<const int> columns,
                        const std::function<bool(PartyRow &&)> &sink) override
    {
        return m_inner.readRows(t, range, columns, [&](PartyRow &&row) {
            ++rowsRead;
            return sink(std::move(row));
        });
    }
    StoreResult<std::vector<PartyRow>> rowsWithKeys(PartyTable t,
                                                    std::span<const PartyKey> keys) override
    {
        auto rows = m_inner.rowsWithKeys(t, keys);
        if (rows.ok())
            rowsRead += qint64(rows.value().size());
        return rows;
    }
    StoreResult<std::vector<PartyKey>> add(PartyTable t, std::span<const QStringList> rows) override
    {
        return m_inner.add(t, rows);
    }
    StoreError remove(PartyTable t, PartyKey key) override { return m_inner.remove(t, key); }
    std::function<StoreResult<std::unique_ptr<PartyStore>>()> opener() const override
    {
        return m_inner.opener();
    }

private:
    PartyStore &m_inner;
};

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

bool runningAsRoot()
{
    return geteuid() == 0;
}

QProcess *startHelper(const QStringList &args, bool asOtherUser, QObject *parent)
{
    auto *p = new QProcess(parent);
    QStringList command{QStringLiteral(PARTYBOOK_HELPER)};
    command += args;
    if (asOtherUser && runningAsRoot())
        command =
            QStringList{u"setpriv"_s, u"--reuid=65534"_s, u"--regid=65534"_s, u"--clear-groups"_s} +
            command;
    p->setProgram(command.takeFirst());
    p->setArguments(command);
    p->start();
    return p;
}

HelperRun finish(QProcess *p)
{
    HelperRun run;
    if (!p->waitForFinished(60000))
        p->kill();
    run.exitCode = p->exitStatus() == QProcess::NormalExit ? p->exitCode() : -1;
    run.lines = QString::fromUtf8(p->readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
    const QByteArray err = p->readAllStandardError();
    if (!err.isEmpty())
        qInfo("helper: %s", err.constData());
    return run;
}

HelperRun runHelper(const QStringList &args, bool asOtherUser = false)
{
    QObject owner;
    return finish(startHelper(args, asOtherUser, &owner));
}

// A folder that a user other than root can enter and read.
struct SharedFolder {
    QTemporaryDir dir;
    SharedFolder()
    {
        QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                              QFile::ReadOther | QFile::ExeOther |
                                              QFile::ReadGroup | QFile::ExeGroup);
    }
    ~SharedFolder()
    {
        QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    QString path() const { return dir.path(); }
};

constexpr QFileDevice::Permissions kReadOnly =
    QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther;
constexpr QFileDevice::Permissions kOpenFolder =
    QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadGroup | QFile::WriteGroup |
    QFile::ExeGroup | QFile::ReadOther | QFile::WriteOther | QFile::ExeOther;
constexpr QFileDevice::Permissions kClosedFolder =
    QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadGroup | QFile::ExeGroup |
    QFile::ReadOther | QFile::ExeOther;

// The test's book of the row's backend; skips when that backend cannot run here.
#define FETCH_BOOK(book)                                                                           \
    QFETCH(Backend, backend);                                                                      \
    if (const QString why = TestBook::unavailable(backend); !why.isEmpty())                        \
        QSKIP(qPrintable(why));                                                                    \
    std::unique_ptr<TestBook> book = TestBook::make(backend);                                      \
    QVERIFY(book)

void backendRows()
{
    addBackendColumn();
    for (Backend b : {Backend::Sqlite, Backend::Postgres})
        QTest::newRow(rowName(b).constData()) << b;
}

} // namespace

class TestPartyDb : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    // A store closed leaves no connection behind, on either kind of book.
    void cleanup() { QCOMPARE(QSqlDatabase::connectionNames(), QStringList()); }

    void newBook_data()
    {
        QTest::addColumn<bool>("zeroBytes");
        QTest::newRow("no file, no folder") << false;
        QTest::newRow("zero-byte file") << true;
    }
    void newBook()
    {
        QFETCH(bool, zeroBytes);
        QTemporaryDir dir;
        const QString path = dir.path() + u"/Formelan/base.mdb"_s;
        if (zeroBytes) {
            QDir().mkpath(dir.path() + u"/Formelan"_s);
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
        }
        auto store = openOrFail(path);
        QVERIFY(store);
        QVERIFY(!store->isReadOnly());
        QVERIFY(QFileInfo(path).size() > 0);
        OtherProgram other(path);
        for (const auto &[t, table] : {std::pair{PartyTable::Recipients, u"recipient"_s},
                                       std::pair{PartyTable::Payers, u"depositor"_s}}) {
            QCOMPARE(store->summary(t).value().count, 0);
            const QString sql =
                other.one(u"SELECT sql FROM sqlite_master WHERE name = '"_s + table + u'\'');
            QVERIFY2(sql.contains(u"\"party_id\" INTEGER PRIMARY KEY AUTOINCREMENT"_s),
                     qPrintable(sql));
            QCOMPARE(other.column(u"SELECT name FROM pragma_table_info('"_s + table +
                                  u"') WHERE name <> 'party_id'"_s),
                     bookColumns(t));
        }
        QCOMPARE(other.one(u"PRAGMA journal_mode"_s), u"delete"_s);
    }

    void keysAreNeverReused_data() { backendRows(); }
    // Another copy's deletes and adds never hand a deleted row's key to a new row, and a
    // delete of a row already gone deletes nothing.
    void keysAreNeverReused()
    {
        FETCH_BOOK(book);
        auto store = book->open();
        QVERIFY(store);
        const PartyTable t = PartyTable::Payers;
        const PartyKey a = store->add(t, named(t, u"Алфа"_s)).value();
        const PartyKey b = store->add(t, named(t, u"Бета"_s)).value();
        QVERIFY(!store->remove(t, b));
        const PartyKey c = store->add(t, named(t, u"Гама"_s)).value();
        QVERIFY(c > b && b > a);
        const StoreError again = store->remove(t, b);
        QCOMPARE(again.kind(), StoreError::Kind::Gone);
        QVERIFY(again.message().contains(u"изтрил"_s));
        QCOMPARE(namesIn(*store, t), (QStringList{u"Алфа"_s, u"Гама"_s}));
        QCOMPARE(store->row(t, c).value().values.at(0), u"Гама"_s);
        QCOMPARE(store->row(t, b).error().kind(), StoreError::Kind::Gone);
    }

    void twoCopiesDelete_data() { backendRows(); }
    // The case of two copies: B deletes its last row "Gamma" and adds "Delta"; A, whose
    // list still shows "Gamma", deletes it: A is told it is gone, and "Delta" stays.
    void twoCopiesDelete()
    {
        QFETCH(Backend, backend);
        if (const QString why = TestBook::unavailable(backend); !why.isEmpty())
            QSKIP(qPrintable(why));
        for (int round = 0; round < 3; ++round) {
            std::unique_ptr<TestBook> book = TestBook::make(backend);
            QVERIFY(book);
            const QString path = book->address();
            auto store = book->open();
            QVERIFY(store);
            const PartyTable t = PartyTable::Recipients;
            for (const QString &name : {u"Alpha"_s, u"Beta"_s, u"Gamma"_s})
                QVERIFY(store->add(t, named(t, name)).ok());
            auto list = PartyList::open(*store, t).take();
            QCOMPARE(listNames(*list), (QStringList{u"Alpha"_s, u"Beta"_s, u"Gamma"_s}));
            const PartyKey gamma = list->keyAt(2);

            const HelperRun del =
                runHelper({u"delete"_s, path, u"recipient"_s, QString::number(gamma)});
            QCOMPARE(del.value(u"delete"_s), u"ok"_s);
            const HelperRun add = runHelper({u"add"_s, path, u"recipient"_s, u"Delta"_s});
            QCOMPARE(add.exitCode, 0);
            QVERIFY(add.value(u"key"_s).toLongLong() > gamma);

            QSignalSpy removed(list.get(), &PartyList::rowRemoved);
            const StoreError e = list->removeAt(2);
            QCOMPARE(e.kind(), StoreError::Kind::Gone);
            QCOMPARE(removed.count(), 1);
            QCOMPARE(namesIn(*store, t), (QStringList{u"Alpha"_s, u"Beta"_s, u"Delta"_s}));
            QCOMPARE(listNames(*list), (QStringList{u"Alpha"_s, u"Beta"_s}));
        }
    }

    void refusedFilesAreLeftAlone_data()
    {
        QTest::addColumn<QByteArray>("raw");  // the file's bytes, when not made by SQL
        QTest::addColumn<QStringList>("sql"); // or the statements that make it
        QTest::addColumn<QString>("named");   // what the message must name
        const QStringList earlier = earlierBook();
        QTest::newRow("text") << QByteArray("Име,IBAN\r\nАлфа,BG80BNBG96611020345678\r\n")
                              << QStringList() << u"не е база от данни"_s;
        QTest::newRow("zeros") << QByteArray(4096, '\0') << QStringList()
                               << u"не е база от данни"_s;
        QTest::newRow("damaged header")
            << QByteArray("SQLite format 3\0garbage", 23) + QByteArray(1000, 'x') << QStringList()
            << u"е повредена или непълна"_s;
        QByteArray whole;
        {
            QTemporaryDir dir;
            OtherProgram maker(dir.path() + u"/base.mdb"_s);
            QStringList sql = earlierBook();
            for (int i = 0; i < 300; ++i)
                sql.append(insertNamed(PartyTable::Payers, {u"Наредител с дълго име %1"_s.arg(i)}));
            QVERIFY(maker.execAll(sql));
            whole = bytesOf(dir.path() + u"/base.mdb"_s);
        }
        QVERIFY(whole.size() >= 8 * 4096);
        QTest::newRow("cut short at a page") << whole.left(whole.size() / 8192 * 4096)
                                             << QStringList() << u"е повредена или непълна"_s;
        QTest::newRow("cut short mid-page")
            << whole.left(whole.size() / 2 + 100) << QStringList() << u"е повредена или непълна"_s;
        QTest::newRow("another program's database")
            << QByteArray() << QStringList{u"CREATE TABLE invoices (number INTEGER)"_s}
            << u"база от данни на друга програма: липсват таблиците „recipient“ и „depositor“"_s;
        QTest::newRow("no recipient table")
            << QByteArray() << QStringList{earlierTable(PartyTable::Payers)}
            << u"липсва таблицата „recipient“"_s;
        QTest::newRow("no depositor table, write-ahead log")
            << QByteArray()
            << QStringList{u"PRAGMA journal_mode=WAL"_s, earlierTable(PartyTable::Recipients)}
            << u"липсва таблицата „depositor“"_s;
        QStringList noIban = partyColumns(PartyTable::Payers);
        noIban.removeAll(u"IBAN"_s);
        QTest::newRow("no IBAN column") << QByteArray()
                                        << QStringList{earlierTable(PartyTable::Recipients),
                                                       earlierTable(PartyTable::Payers, noIban)}
                                        << u"липсва колоната „IBAN“"_s;
        QStringList fewer = partyColumns(PartyTable::Recipients).mid(0, 6);
        QTest::newRow("three columns missing")
            << QByteArray()
            << QStringList{earlierTable(PartyTable::Recipients, fewer),
                           earlierTable(PartyTable::Payers)}
            << u"„IBAN“, „BIC“, „Банка“"_s;
        QTest::newRow("party_id that is no key")
            << QByteArray()
            << QStringList{earlierTable(PartyTable::Recipients, {}, u"party_id TEXT"_s),
                           earlierTable(PartyTable::Payers)}
            << u"„party_id“"_s;
        QTest::newRow("a view in place of a table")
            << QByteArray()
            << QStringList{u"CREATE TABLE r (x)"_s, u"CREATE VIEW recipient AS SELECT x FROM r"_s,
                           earlierTable(PartyTable::Payers)}
            << u"„recipient“"_s;
    }
    // A file that is refused keeps every byte, and nothing is made beside it.
    void refusedFilesAreLeftAlone()
    {
        QFETCH(QByteArray, raw);
        QFETCH(QStringList, sql);
        QFETCH(QString, named);
        QTemporaryDir dir;
        const QString path = dir.path() + u"/base.mdb"_s;
        if (sql.isEmpty()) {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(raw);
        } else {
            OtherProgram other(path);
            QVERIFY(other.execAll(sql));
        }
        const QByteArray before = bytesOf(path);
        const QStringList files = filesIn(dir.path());
        QCOMPARE(files, QStringList{u"base.mdb"_s});
        QTest::qWait(20); // a change would show in the time of the last change
        const QDateTime modified = QFileInfo(path).lastModified();

        StoreResult<std::unique_ptr<PartyStore>> store = openSqliteBook(path);
        QVERIFY(!store.ok());
        QCOMPARE(store.error().kind(), StoreError::Kind::Refused);
        const QString message = store.error().message();
        QVERIFY2(message.contains(named), qPrintable(message));
        QVERIFY2(message.contains(QDir::toNativeSeparators(path)), qPrintable(message));
        QVERIFY(message.contains(u"не го е променила"_s));
        QVERIFY(message.contains(u"„Обработване → Настройки…“"_s));
        QCOMPARE(bytesOf(path), before);
        QCOMPARE(filesIn(dir.path()), files);
        QCOMPARE(QFileInfo(path).lastModified(), modified);
    }

    void unusablePlaces_data()
    {
        QTest::addColumn<bool>("folder"); // a folder where the file should be, or a file
        QTest::addColumn<QString>("named");
        QTest::newRow("a folder") << true << u"е папка, а не файл"_s;
        QTest::newRow("a file the clerk may not read") << false << u"няма право за четене"_s;
    }
    // A folder, or a file the user may not read, is told of as what it is, and left
    // alone; tried as a user other than root, whom permissions do not stop.
    void unusablePlaces()
    {
        QFETCH(bool, folder);
        QFETCH(QString, named);
        FORMELAN_NEED(!runningAsRoot() || !QStandardPaths::findExecutable(u"setpriv"_s).isEmpty(),
                      "setpriv (Debian: util-linux) is needed to test as a user other than root");
        SharedFolder shared;
        const QString path = shared.path() + u"/base.mdb"_s;
        if (folder) {
            QVERIFY(QDir().mkdir(path));
        } else {
            QVERIFY(openOrFail(path));
            QVERIFY(QFile::setPermissions(path, QFile::WriteOwner | QFile::WriteOther));
        }
        QTest::qWait(20); // a change would show in the time of the last change
        const QDateTime modified = QFileInfo(path).lastModified();
        const QStringList files = filesIn(shared.path()) + filesIn(path);
        QFile::setPermissions(shared.path(), kOpenFolder);
        const HelperRun run = runHelper({u"open"_s, path}, true);
        QFile::setPermissions(shared.path(), kClosedFolder);
        QCOMPARE(run.exitCode, 1);
        const QString message = run.value(u"message"_s);
        for (const QString &said : {named, QDir::toNativeSeparators(path)})
            QVERIFY2(message.contains(said), qPrintable(message));
        // Something the clerk can do: move the folder aside, or take the server's book.
        QVERIFY2(message.contains(u"преместете я"_s) ||
                     message.contains(u"„Обработване → Настройки…“"_s),
                 qPrintable(message));
        QVERIFY2(!message.contains(u"друг файл"_s), qPrintable(message));
        QCOMPARE(filesIn(shared.path()) + filesIn(path), files);
        QCOMPARE(QFileInfo(path).lastModified(), modified);
    }

    void upgradeKeepsRowsValuesAndOrder_data()
    {
        QTest::addColumn<QStringList>("setup");
        QTest::addColumn<QString>("extra"); // an extra column's name, or empty
        const QStringList rows{
            insertNamed(PartyTable::Payers,
                        {u"Първи"_s, u"Лице"_s, u"7501020018"_s, u""_s, u"111111113"_s, u"да"_s,
                         u"България"_s, u"ул. „Шипка“ 1"_s, u"UNCRBGSF"_s,
                         u"BG16UNCR70001519562303"_s, u"УниКредит"_s, u"пл. Света Неделя 7"_s,
                         u"Централен"_s}),
            insertNamed(PartyTable::Payers, {u"Изтрит"_s}),
            insertNamed(PartyTable::Payers, {u"Трети \"с кавички\", запетая"_s}),
            insertNamed(PartyTable::Payers, {u"Четвърти"_s}),
            u"DELETE FROM depositor WHERE \"Име на наредителя\" = 'Изтрит'"_s,
            u"INSERT INTO depositor (\"Име на наредителя\") VALUES ('Пети')"_s,
            insertNamed(PartyTable::Recipients, {u"Получател"_s, u"7501020018"_s}),
            u"CREATE INDEX by_name ON depositor (\"Име на наредителя\")"_s,
        };
        QStringList reordered = partyColumns(PartyTable::Payers);
        std::reverse(reordered.begin(), reordered.end());
        QTest::newRow("as earlier versions made it, write-ahead log")
            << QStringList{u"PRAGMA journal_mode=WAL"_s} + earlierBook() + rows << QString();
        QTest::newRow("columns in another order")
            << QStringList{earlierTable(PartyTable::Recipients),
                           earlierTable(PartyTable::Payers, reordered)} +
                   rows
            << QString();
        QTest::newRow("an extra column")
            << QStringList{earlierTable(PartyTable::Recipients),
                           earlierTable(PartyTable::Payers, {},
                                        u"\"Бележка\" TEXT NOT NULL DEFAULT 'няма'"_s)} +
                   rows + QStringList{u"UPDATE depositor SET \"Бележка\" = 'б' || rowid"_s}
            << u"Бележка"_s;
    }
    void upgradeKeepsRowsValuesAndOrder()
    {
        QFETCH(QStringList, setup);
        QFETCH(QString, extra);
        QTemporaryDir dir;
        const QString path = dir.path() + u"/base.mdb"_s;
        const PartyTable t = PartyTable::Payers;
        QStringList oldRowids, oldExtras;
        QList<QStringList> oldRows;
        {
            OtherProgram earlier(path);
            QVERIFY(earlier.execAll(setup));
            oldRowids = earlier.column(u"SELECT rowid FROM depositor ORDER BY rowid"_s);
            if (!extra.isEmpty())
                oldExtras = earlier.column(u"SELECT \"Бележка\" FROM depositor ORDER BY rowid"_s);
            for (const QString &rowid : std::as_const(oldRowids)) {
                QStringList values;
                for (const QString &c : partyColumns(t))
                    values.append(earlier.one(u"SELECT "_s + quotedName(c) +
                                              u" FROM depositor WHERE rowid = "_s + rowid));
                oldRows.append(values);
            }
        }
        QCOMPARE(oldRowids, (QStringList{u"1"_s, u"3"_s, u"4"_s, u"5"_s}));

        auto store = openOrFail(path);
        QVERIFY(store);
        QVERIFY(!store->isReadOnly());
        StoreResult<std::vector<PartyRow>> rows = store->rows(t, RowRange{});
        QVERIFY(rows.ok());
        QCOMPARE(int(rows->size()), oldRows.size());
        for (size_t i = 0; i < rows->size(); ++i) {
            QCOMPARE(rows.value()[i].key, oldRowids.at(qsizetype(i)).toLongLong());
            QCOMPARE(rows.value()[i].values, oldRows.at(qsizetype(i)));
        }
        QCOMPARE(namesIn(*store, PartyTable::Recipients), QStringList{u"Получател"_s});
        QCOMPARE(store->summary(t).value().count, oldRows.size());
        {
            OtherProgram other(path);
            QVERIFY(other.one(u"SELECT sql FROM sqlite_master WHERE name = 'depositor'"_s)
                        .contains(u"AUTOINCREMENT"_s));
            QCOMPARE(other.one(u"SELECT count(*) FROM sqlite_master WHERE name = 'by_name'"_s),
                     u"1"_s);
            QCOMPARE(other.one(u"PRAGMA journal_mode"_s), u"delete"_s);
            if (!extra.isEmpty())
                QCOMPARE(other.column(u"SELECT \"Бележка\" FROM depositor ORDER BY party_id"_s),
                         oldExtras);
        }
        QVERIFY(!QFile::exists(path + u"-wal"_s));

        // A new row follows the last one, and the last one's key is not given again.
        const PartyKey last = rows->back().key;
        QVERIFY(!store->remove(t, last));
        const PartyKey next = store->add(t, named(t, u"Нов"_s)).value();
        QVERIFY(next > last);

        // Opening the upgraded book again writes nothing.
        store.reset();
        const QByteArray before = bytesOf(path);
        QVERIFY(openOrFail(path));
        QCOMPARE(bytesOf(path), before);
    }

    // The upgrade is one transaction: when the second table cannot be upgraded, the first
    // is not either, and the file keeps every byte.
    void upgradeIsAllOrNothing()
    {
        QTemporaryDir dir;
        const QString path = dir.path() + u"/base.mdb"_s;
        {
            OtherProgram earlier(path);
            QVERIFY(earlier.execAll(earlierBook() +
                                    QStringList{insertNamed(PartyTable::Recipients, {u"А"_s}),
                                                u"CREATE TABLE depositor_formelan_upgrade (x)"_s}));
        }
        const QByteArray before = bytesOf(path);
        StoreResult<std::unique_ptr<PartyStore>> store = openSqliteBook(path);
        QVERIFY(!store.ok());
        QVERIFY2(store.error().message().contains(u"Съобщение от базата данни"_s),
                 qPrintable(store.error().message()));
        QCOMPARE(bytesOf(path), before);
    }

    void columnsByName_data() { backendRows(); }
    // Values reach the column of their name whatever the column's place; an extra column
    // is neither read nor left without its default.
    void columnsByName()
    {
        FETCH_BOOK(book);
        const PartyTable t = PartyTable::Payers;
        QStringList reordered = partyColumns(t);
        std::rotate(reordered.begin(), reordered.begin() + 9, reordered.end()); // IBAN first
        QVERIFY(book->execAll({book->tableSql(PartyTable::Recipients),
                               book->tableSql(t, reordered, u"\"Бележка\" TEXT DEFAULT 'н'"_s),
                               u"INSERT INTO depositor (\"Бележка\", \"IBAN\", \"БИК\", "
                               "\"Име на наредителя\") VALUES ('x', 'BG16UNCR70001519562303', "
                               "'UNCRBGSF', 'Стар')"_s}));
        auto store = book->open();
        QVERIFY(store);
        QStringList values;
        for (const QString &c : partyColumns(t))
            values.append(u"стойност на "_s + c);
        const PartyKey key = store->add(t, values).value();

        auto other = book->connect();
        for (const QString &c : partyColumns(t))
            QCOMPARE(other->one(u"SELECT "_s + quotedName(c) +
                                u" FROM depositor WHERE party_id = "_s + QString::number(key)),
                     u"стойност на "_s + c);
        QCOMPARE(other->one(u"SELECT \"Бележка\" FROM depositor WHERE party_id = "_s +
                            QString::number(key)),
                 u"н"_s);
        const PartyRow old = store->rows(t, RowRange{0, key - 1}).value().at(0);
        QCOMPARE(old.values.size(), qsizetype(13));
        QCOMPARE(old.values.at(9), u"BG16UNCR70001519562303"_s); // IBAN
        QCOMPARE(old.values.at(8), u"UNCRBGSF"_s);               // БИК
        QCOMPARE(old.values.at(0), u"Стар"_s);
        QCOMPARE(old.values.at(1), u""_s);
        QCOMPARE(store->row(t, key).value().values, values);
    }

    void oneFileAtRest_data()
    {
        QTest::addColumn<bool>("walChosen");
        QTest::addColumn<bool>("walKeptByAnother");
        QTest::newRow("rollback journal") << false << false;
        QTest::newRow("write-ahead log, checkpointed") << true << false;
        QTest::newRow("write-ahead log kept by another copy") << false << true;
    }
    // When add and delete return, a copy of base.mdb alone holds them.
    void oneFileAtRest()
    {
        QFETCH(bool, walChosen);
        QFETCH(bool, walKeptByAnother);
        QTemporaryDir dir;
        const QString path = dir.path() + u"/base.mdb"_s;
        QVERIFY(openOrFail(path));
        std::unique_ptr<OtherProgram> another;
        if (walKeptByAnother) {
            another = std::make_unique<OtherProgram>(path);
            QVERIFY(another->exec(u"PRAGMA journal_mode=WAL"_s));
            QCOMPARE(another->one(u"SELECT count(*) FROM recipient"_s), u"0"_s);
        }
        SqliteBookOptions options;
        if (walChosen)
            options.journal = SqliteBookOptions::Journal::WalWithCheckpoint;
        auto store = openOrFail(path, options);
        QVERIFY(store);
        const PartyTable t = PartyTable::Recipients;
        auto copyHas = [&](const QString &name) {
            QTemporaryDir elsewhere;
            const QString copy = elsewhere.path() + u"/base.mdb"_s;
            QFile::copy(path, copy);
            OtherProgram reader(copy);
            return reader.column(u"SELECT \"Име на получателя\" FROM recipient"_s).contains(name);
        };
        const PartyKey key = store->add(t, named(t, u"Копие"_s)).value();
        if (walKeptByAnother || walChosen)
            QVERIFY(QFile::exists(path + u"-wal"_s)); // the case is what it claims
        QVERIFY(copyHas(u"Копие"_s));
        QVERIFY(!store->remove(t, key));
        QVERIFY(!copyHas(u"Копие"_s));
        if (!walChosen && !walKeptByAnother)
            QCOMPARE(filesIn(dir.path()), QStringList{u"base.mdb"_s});
    }

    void readOnly_data()
    {
        addBackendColumn();
        QTest::addColumn<QString>("journal");   // of the file: "delete", "wal", or "" none
        QTest::addColumn<bool>("earlier");      // made by an earlier version, no keys
        QTest::addColumn<bool>("fileWritable"); // by the other user
        QTest::addColumn<bool>("folderWritable");
        QTest::addColumn<QString>("names"); // recipients the other user reads
        QTest::newRow(rowName(Backend::Sqlite, "read-only file").constData())
            << Backend::Sqlite << u"delete"_s << false << false << true << u"Алфа|Бета"_s;
        QTest::newRow(rowName(Backend::Sqlite, "read-only folder").constData())
            << Backend::Sqlite << u"delete"_s << false << true << false << u"Алфа|Бета"_s;
        QTest::newRow(rowName(Backend::Sqlite, "read-only file, write-ahead log").constData())
            << Backend::Sqlite << u"wal"_s << false << false << true << u"Алфа|Бета"_s;
        QTest::newRow(rowName(Backend::Sqlite, "read-only folder, write-ahead log").constData())
            << Backend::Sqlite << u"wal"_s << false << false << false << u"Алфа|Бета"_s;
        QTest::newRow(rowName(Backend::Sqlite, "read-only file of an earlier version").constData())
            << Backend::Sqlite << u"wal"_s << true << false << false << u"Алфа|Бета"_s;
        QTest::newRow(rowName(Backend::Sqlite, "no file in a read-only folder").constData())
            << Backend::Sqlite << QString() << false << false << false << QString();
        QTest::newRow(rowName(Backend::Sqlite, "read-only zero-byte file").constData())
            << Backend::Sqlite << u"zero"_s << false << false << true << QString();
        // On a server: a role that may only select.
        QTest::newRow(rowName(Backend::Postgres, "role that may only read").constData())
            << Backend::Postgres << QString() << false << false << false << u"Алфа|Бета"_s;
    }
    // A book that can be read but not written opens read-only, lists its rows, and add and
    // delete say why not, in Bulgarian, naming the file or the database; nothing in the
    // folder or on the server changes.
    void readOnly()
    {
        QFETCH(Backend, backend);
        QFETCH(QString, journal);
        QFETCH(bool, earlier);
        QFETCH(bool, fileWritable);
        QFETCH(bool, folderWritable);
        QFETCH(QString, names);
        if (backend == Backend::Postgres) {
            readOnlyRole(names);
            return;
        }
        if (fileWritable && !runningAsRoot())
            QSKIP("handing the file to another user needs root");
        FORMELAN_NEED(!runningAsRoot() || !QStandardPaths::findExecutable(u"setpriv"_s).isEmpty(),
                      "setpriv (Debian: util-linux) is needed to test as a user other than root");
        SharedFolder folder;
        const QString path = folder.path() + u"/base.mdb"_s;
        if (journal == u"zero"_s) {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
        } else if (!journal.isEmpty()) {
            OtherProgram maker(path);
            QStringList sql = earlier ? earlierBook() : QStringList();
            sql += {insertNamed(PartyTable::Recipients, {u"Алфа"_s}),
                    insertNamed(PartyTable::Recipients, {u"Бета"_s})};
            if (!earlier) {
                QVERIFY(openOrFail(path));
                sql.prepend(u"PRAGMA journal_mode="_s + journal);
            } else {
                sql.prepend(u"PRAGMA journal_mode="_s + journal);
            }
            QVERIFY(maker.execAll(sql));
        }
        QVERIFY(!QFile::exists(path + u"-wal"_s));
        if (QFile::exists(path)) {
            if (fileWritable)
                QCOMPARE(::chown(QFile::encodeName(path).constData(), kNobody, kNobody), 0);
            else
                QFile::setPermissions(path, kReadOnly);
        }
        if (folderWritable)
            QFile::setPermissions(folder.path(), kOpenFolder);
        const QByteArray before = bytesOf(path);
        const QStringList files = filesIn(folder.path());

        const HelperRun run = runHelper({u"open"_s, path}, true);
        QFile::setPermissions(folder.path(), kClosedFolder);
        checkReadOnlyRun(run, names, QDir::toNativeSeparators(path));
        if (QTest::currentTestFailed())
            return;
        QCOMPARE(bytesOf(path), before);
        QCOMPARE(filesIn(folder.path()), files);
    }

private:
    static void checkReadOnlyRun(const HelperRun &run, const QString &names, const QString &book)
    {
        QCOMPARE(run.value(u"open"_s), u"ok"_s);
        QCOMPARE(run.value(u"readonly"_s), u"yes"_s);
        QCOMPARE(run.value(u"recipient"_s), names);
        QCOMPARE(run.value(u"second"_s), names.section(u'|', 1, 1));
        QCOMPARE(run.value(u"add"_s), u"readonly"_s);
        QVERIFY2(run.value(u"add message"_s).contains(u"само за четене"_s),
                 qPrintable(run.lines.join(u'\n')));
        QVERIFY2(run.value(u"add message"_s).contains(book), qPrintable(run.lines.join(u'\n')));
        if (!names.isEmpty()) {
            QCOMPARE(run.value(u"delete"_s), u"readonly"_s);
            QCOMPARE(run.value(u"search"_s), u"2"_s); // "Алфа" and "Бета" hold an "а"
        }
    }

    // The server's read-only case: a role with SELECT alone, as another program.
    static void readOnlyRole(const QString &names)
    {
        if (const QString why = TestBook::unavailable(Backend::Postgres); !why.isEmpty())
            QSKIP(qPrintable(why));
        auto book = TestBook::make(Backend::Postgres);
        QVERIFY(book);
        {
            auto store = book->open();
            QVERIFY(store);
            for (const QString &name : {u"Алфа"_s, u"Бета"_s})
                QVERIFY(
                    store->add(PartyTable::Recipients, named(PartyTable::Recipients, name)).ok());
        }
        const QString reader = book->database() + u"_reader"_s;
        QVERIFY(book->execAll({u"CREATE ROLE "_s + reader + u" LOGIN"_s,
                               u"GRANT SELECT ON recipient, depositor TO "_s + reader}));
        const QString everything =
            u"SELECT string_agg(party_id || ':' || \"Име на получателя\", '|' ORDER BY party_id) "
            "FROM recipient"_s;
        const QString before = book->one(everything);
        QString address = book->address();
        address.replace(u"user=postgres"_s, u"user="_s + reader);
        const HelperRun run = runHelper({u"open"_s, address});
        checkReadOnlyRun(run, names, book->database());
        QVERIFY2(run.value(u"add message"_s).contains(reader), qPrintable(run.lines.join(u'\n')));
        QCOMPARE(book->one(everything), before);
        QCOMPARE(book->one(u"SELECT count(*) FROM depositor"_s), u"0"_s);
    }

private Q_SLOTS:

    void rowDeletedElsewhere_data() { backendRows(); }
    // Reading a row that another program deleted answers "gone", not an empty row, and
    // rows deleted before the list read them show as gone at the end of their run.
    void rowDeletedElsewhere()
    {
        FETCH_BOOK(book);
        auto store = book->open();
        QVERIFY(store);
        const PartyTable t = PartyTable::Recipients;
        for (const QString &n : {u"А"_s, u"Б"_s, u"В"_s})
            QVERIFY(store->add(t, named(t, n)).ok());
        auto shown = PartyList::open(*store, t).take();
        QCOMPARE(shown->nameAt(1), u"Б"_s);
        auto unread = PartyList::open(*store, t).take();

        QVERIFY(book->exec(u"DELETE FROM recipient WHERE \"Име на получателя\" = 'Б'"_s));

        QSignalSpy changed(shown.get(), &PartyList::rowsChanged);
        StoreResult<PartyRow> loaded = shown->load(1);
        QCOMPARE(loaded.error().kind(), StoreError::Kind::Gone);
        QCOMPARE(changed.count(), 1);
        QVERIFY(shown->isGone(1));
        QVERIFY(!shown->rowAt(1));
        QCOMPARE(shown->load(2).value().values.at(0), u"В"_s);

        QCOMPARE(unread->count(), 3);
        QCOMPARE(listNames(*unread), (QStringList{u"А"_s, u"В"_s, u"<gone>"_s}));
        QCOMPARE(unread->load(2).error().kind(), StoreError::Kind::Gone);
    }

    void readScatteredPositions_data() { backendRows(); }
    // Scattered positions are read in one go, keys known (after a search) or not; a row
    // whose key is known and that another program deleted reads as gone. 1,500 keys at
    // once, more than one statement takes, bring back exactly those rows.
    void readScatteredPositions()
    {
        FETCH_BOOK(book);
        auto store = book->open();
        QVERIFY(store);
        const PartyTable t = PartyTable::Payers;
        std::vector<QStringList> rows;
        for (int i = 0; i < 3000; ++i)
            rows.push_back(named(t, u"Ред %1"_s.arg(i)));
        StoreResult<std::vector<PartyKey>> added = store->add(t, rows);
        QVERIFY(added.ok());
        const std::vector<PartyKey> keys = added.take();
        const std::vector<int> positions{7, 1500, 2999, 2200};

        auto unsearched = PartyList::open(*store, t).take();
        for (int p : positions)
            QVERIFY(!unsearched->isHeld(p));
        QVERIFY(!unsearched->readPositions(positions));
        for (int p : positions) {
            QVERIFY(unsearched->isHeld(p));
            QCOMPARE(unsearched->nameAt(p), u"Ред %1"_s.arg(p));
        }

        // Every odd position, 1 to 2999; "Ред 2201" deleted by another program.
        std::vector<int> odd;
        std::vector<PartyKey> oddKeys;
        for (int p = 1; p < 3000; p += 2) {
            odd.push_back(p);
            oddKeys.push_back(keys[size_t(p)]);
        }
        QCOMPARE(odd.size(), size_t(1500));
        auto searched = PartyList::open(*store, t).take();
        QVERIFY(!searched->prepareSearch());
        for (int p : odd)
            QVERIFY(!searched->isHeld(p));
        QVERIFY(book->exec(u"DELETE FROM depositor WHERE \"Име на наредителя\" = 'Ред 2201'"_s));
        QVERIFY(!searched->readPositions(odd));
        for (int p = 0; p < 3000; ++p) {
            QCOMPARE(searched->isHeld(p), p % 2 == 1);
            if (p % 2 == 1 && p != 2201)
                QCOMPARE(searched->nameAt(p), u"Ред %1"_s.arg(p));
        }
        QVERIFY(searched->isGone(2201));
        QVERIFY(!searched->isGone(2199));
        QVERIFY(!searched->isGone(2203));

        // The store itself: the rows of those keys still there, in key order.
        StoreResult<std::vector<PartyRow>> read = store->rowsWithKeys(t, oddKeys);
        QVERIFY(read.ok());
        QCOMPARE(read->size(), size_t(1499));
        QStringList names;
        for (const PartyRow &r : read.value()) {
            QCOMPARE(r.values.size(), qsizetype(13));
            names.append(r.values.at(0));
        }
        QCOMPARE(names.first(), u"Ред 1"_s);
        QCOMPARE(names.at(1099), u"Ред 2199"_s);
        QCOMPARE(names.at(1100), u"Ред 2203"_s);
        QCOMPARE(names.last(), u"Ред 2999"_s);
        QStringList expected;
        for (int p = 1; p < 3000; p += 2) {
            if (p != 2201)
                expected.append(u"Ред %1"_s.arg(p));
        }
        QCOMPARE(names, expected);
    }

    void rowCountFollowsEveryWriter_data() { backendRows(); }
    // The row count follows every program's adds and deletes; the file's kept count is
    // counted afresh when its record is gone.
    void rowCountFollowsEveryWriter()
    {
        FETCH_BOOK(book);
        auto store = book->open();
        QVERIFY(store);
        const PartyTable t = PartyTable::Payers;
        for (int i = 0; i < 3; ++i)
            QVERIFY(store->add(t, named(t, u"Наш %1"_s.arg(i))).ok());
        QVERIFY(book->execAll({insertNamed(t, {u"Чужд 1"_s}), insertNamed(t, {u"Чужд 2"_s}),
                               u"DELETE FROM depositor WHERE \"Име на наредителя\" = 'Наш 1'"_s}));
        QCOMPARE(store->summary(t).value().count, 4);
        QCOMPARE(PartyList::open(*store, t).value()->count(), 4);
        QCOMPARE(store->summary(PartyTable::Recipients).value().count, 0);
        QCOMPARE(store->summary(t).value().lastKey, 5);
        if (backend == Backend::Sqlite) {
            QVERIFY(book->exec(u"DELETE FROM party_counts"_s));
            QCOMPARE(store->summary(t).value().count, 4);
            QCOMPARE(store->summary(t).value().lastKey, 5);
        }
    }

    void rangesReadExactly_data() { backendRows(); }
    // A range gives the rows between its keys, in its order, past those it skips and no
    // more than its limit, also where deleted rows leave gaps among the keys.
    void rangesReadExactly()
    {
        FETCH_BOOK(book);
        auto store = book->open();
        QVERIFY(store);
        const PartyTable t = PartyTable::Payers;
        for (int i = 1; i <= 12; ++i)
            QVERIFY(store->add(t, named(t, QString::number(i))).ok());
        QVERIFY(store->remove(t, 4).ok() && store->remove(t, 5).ok());
        const struct {
            RowRange range;
            QStringList names;
        } cases[]{
            {{}, QString(u"1 2 3 6 7 8 9 10 11 12"_s).split(u' ')},
            {{2, 8}, {u"3"_s, u"6"_s, u"7"_s, u"8"_s}},
            {{0, 99, 0, 3}, {u"1"_s, u"2"_s, u"3"_s}},
            {{0, 99, 2, 3}, {u"3"_s, u"6"_s, u"7"_s}},
            {{0, 99, 0, 3, true}, {u"12"_s, u"11"_s, u"10"_s}},
            {{0, 11, 1, 2, true}, {u"10"_s, u"9"_s}},
            {{0, 99, 10}, {}},
        };
        for (const auto &c : cases) {
            const int name = partyNameColumn(t);
            const StoreResult<std::vector<PartyRow>> rows =
                store->rows(t, c.range, std::span(&name, 1));
            QStringList names;
            for (const PartyRow &row : rows.value())
                names.append(row.values.at(name));
            QCOMPARE(names, c.names);
        }
    }

    void listReadsInBlocksAndKeepsPositions_data() { backendRows(); }
    // Positions are read in blocks from wherever the user looks first; rows read stay
    // where they are shown, none shows twice, and rows deleted before they were read show
    // as gone where their run ends.
    void listReadsInBlocksAndKeepsPositions()
    {
        FETCH_BOOK(book);
        auto store = book->open();
        QVERIFY(store);
        const PartyTable t = PartyTable::Recipients;
        std::vector<QStringList> rows;
        for (int i = 0; i < 1000; ++i)
            rows.push_back(named(t, u"Ред %1"_s.arg(i)));
        QVERIFY(store->add(t, rows).ok());
        {
            // Looked at first in the middle: read from the nearer end, skipping rows.
            auto fresh = PartyList::open(*store, t).take();
            for (int at : {500, 200, 700, 1})
                QCOMPARE(fresh->nameAt(at), u"Ред %1"_s.arg(at));
        }
        {
            // Scrolled through from top to bottom, each row comes from the book once.
            CountingStore counting(*store);
            auto walked = PartyList::open(counting, t).take();
            QCOMPARE(listNames(*walked).size(), 1000);
            QCOMPARE(counting.rowsRead, 1000);
        }
        auto list = PartyList::open(*store, t).take();
        QCOMPARE(list->count(), 1000);
        QCOMPARE(list->nameAt(999), u"Ред 999"_s);
        QCOMPARE(list->nameAt(800), u"Ред 800"_s);

        // Ред 999 was read before it went: it stays where it is shown.
        QVERIFY(book->exec(u"DELETE FROM recipient WHERE \"Име на получателя\" IN "
                           "('Ред 100', 'Ред 300', 'Ред 999')"_s));
        QStringList expected;
        for (int i = 0; i < 768; ++i) {
            if (i != 100 && i != 300)
                expected.append(u"Ред %1"_s.arg(i));
        }
        expected += {u"<gone>"_s, u"<gone>"_s};
        for (int i = 768; i < 1000; ++i)
            expected.append(u"Ред %1"_s.arg(i));
        QCOMPARE(list->nameAt(0), u"Ред 0"_s);
        QCOMPARE(listNames(*list), expected);
        QCOMPARE(list->positionOf(list->keyAt(500)), 500);
        // Search finds rows where they are shown, the one gone since it was read too.
        QCOMPARE(list->search(u"ред 99"_s).value(),
                 (std::vector<int>{99, 990, 991, 992, 993, 994, 995, 996, 997, 998, 999}));

        // Searched before most rows are read, after rows went, one read and one not: found
        // where the list then shows them.
        auto partly = PartyList::open(*store, t).take();
        QCOMPARE(partly->nameAt(996), u"Ред 998"_s);
        QVERIFY(book->exec(u"DELETE FROM recipient WHERE \"Име на получателя\" IN "
                           "('Ред 5', 'Ред 998')"_s));
        const std::vector<int> found = partly->search(u"ред 99"_s).value();
        const QStringList shown = listNames(*partly);
        std::vector<int> where;
        for (int i = 0; i < shown.size(); ++i) {
            if (shown.at(i).startsWith(u"Ред 99"_s))
                where.push_back(i);
        }
        QCOMPARE(found, where);
        QCOMPARE(found.size(), size_t(10)); // 99, and 990 to 998
        QCOMPARE(found.back(), 996);
    }

    void searchAt100000Rows_data() { backendRows(); }
    // Search by any part of a name, IBAN or identifier, in any letter case, Cyrillic
    // included, at 100,000 rows; it follows the list's own adds and deletes.
    void searchAt100000Rows()
    {
        FETCH_BOOK(book);
        auto store = book->open();
        QVERIFY(store);
        const PartyTable t = PartyTable::Recipients;
        const QStringList firms{u"ЕТ „ИВАН ПЕТРОВ“"_s, u"Ёлха ООД"_s, u"Acme Ltd"_s,
                                u"Зелен Бор ЕООД"_s, u"иван иванов"_s};
        std::vector<QStringList> rows;
        for (int i = 0; i < 100000; ++i) {
            QStringList v = named(t, firms.at(i % firms.size()) + u" №"_s + QString::number(i));
            v[1] = u"%1"_s.arg(7501020018LL + i * 7, 10, 10, QChar(u'0')); // EGN
            v[2] = u"АБ%1"_s.arg(i);                                       // not searched
            v[6] = u"BG%1BNBG9661%2"_s.arg(i % 97, 2, 10, QChar(u'0')).arg(i, 10, 10, QChar(u'0'));
            rows.push_back(v);
        }
        QVERIFY(store->add(t, rows).ok());
        auto list = PartyList::open(*store, t).take();
        QCOMPARE(list->count(), 100000);

        auto expected = [&](const QString &text) {
            std::vector<int> out;
            const QString needle = text.trimmed();
            for (int p = 0; p < int(rows.size()); ++p) {
                for (int c : {0, 1, 6}) { // name, the authorised person's EGN, IBAN
                    if (rows[size_t(p)].at(c).contains(needle, Qt::CaseInsensitive)) {
                        out.push_back(p);
                        break;
                    }
                }
            }
            return out;
        };
        const QStringList needles{u"петров"_s,
                                  u"ИВАН"_s,
                                  u"ёЛХа ООД №4242"_s,
                                  u"acme LTD №99"_s,
                                  u"bg05bnbg"_s,
                                  u"0000012345"_s,
                                  u"750102"_s,
                                  u"  зелен бор "_s,
                                  u"АБ12"_s,
                                  u"няма такъв"_s,
                                  u""_s};
        for (const QString &needle : needles) {
            StoreResult<std::vector<int>> found = list->search(needle);
            QVERIFY(found.ok());
            QCOMPARE(found.value(), expected(needle));
        }
        QVERIFY(list->search(u"АБ12"_s).value().empty()); // the document number is not searched

        // The list's own changes.
        const int firstPetrov = list->search(u"петров"_s).value().front();
        QVERIFY(!list->removeAt(firstPetrov));
        rows.erase(rows.begin() + firstPetrov);
        QStringList added = named(t, u"Нов Петров"_s);
        QVERIFY(list->append(added).ok());
        rows.push_back(added);
        QCOMPARE(list->search(u"ПЕТРОВ"_s).value(), expected(u"ПЕТРОВ"_s));
        QCOMPARE(list->search(u"нов п"_s).value(), std::vector<int>{int(rows.size()) - 1});
    }

    void searchByEachColumn_data() { backendRows(); }
    // Each list is searched in its name, identifier and IBAN columns and in no other:
    // row N holds a value in one column alone, and its needle finds row N or nothing.
    void searchByEachColumn()
    {
        FETCH_BOOK(book);
        auto store = book->open();
        QVERIFY(store);
        struct Case {
            int column;
            QString value;
            QString needle;
            std::vector<int> found;
        };
        const std::vector<Case> recipients{
            {0, u"Бета ЕООД"_s, u"бета"_s, {0}},                      // name
            {1, u"8001010008"_s, u"8001010"_s, {1}},                  // EGN
            {2, u"АБ1234567"_s, u"аб12345"_s, {}},                    // identity document
            {3, u"Чужденец"_s, u"чужден"_s, {}},                      // resident
            {4, u"Германия"_s, u"герман"_s, {}},                      // country
            {5, u"ул. Шипка 3"_s, u"шипка"_s, {}},                    // address
            {6, u"BG80BNBG96611020345678"_s, u"bnbg96611020"_s, {6}}, // IBAN
            {7, u"STSABGSF"_s, u"stsabg"_s, {}},                      // BIC
            {8, u"Банка ДСК"_s, u"дск"_s, {}},                        // bank
        };
        const std::vector<Case> payers{
            {0, u"Алфа АД"_s, u"алфа"_s, {0}},                    // payer
            {1, u"Мария Петкова"_s, u"ПЕТКОВА"_s, {1}},           // obligated person
            {2, u"7501020018"_s, u"7501020"_s, {2}},              // EGN
            {3, u"4444444444"_s, u"444444"_s, {3}},               // ЛНЧ
            {4, u"831641791"_s, u"8316417"_s, {4}},               // BULSTAT
            {5, u"Поданик"_s, u"поданик"_s, {}},                  // citizen
            {6, u"Ямайка"_s, u"ямайка"_s, {}},                    // country
            {7, u"ул. Иванова 5"_s, u"иванова 5"_s, {}},          // address
            {8, u"UNCRBGSF"_s, u"uncrbg"_s, {}},                  // BIC
            {9, u"BG16UNCR70001519562303"_s, u"uncr7000"_s, {9}}, // IBAN
            {10, u"Уникредит Булбанк"_s, u"булбанк"_s, {}},       // bank
            {11, u"пл. Света Неделя 7"_s, u"неделя"_s, {}},       // bank's address
            {12, u"Клон Витоша"_s, u"витоша"_s, {}},              // branch
        };
        for (const auto &[t, cases] : {std::pair{PartyTable::Recipients, &recipients},
                                       std::pair{PartyTable::Payers, &payers}}) {
            std::vector<QStringList> rows;
            for (const Case &c : *cases) {
                QStringList v = named(t, u"Ред"_s);
                v[c.column] = c.value;
                rows.push_back(v);
            }
            QVERIFY(store->add(t, rows).ok());
            auto list = PartyList::open(*store, t).take();
            for (const Case &c : *cases)
                QCOMPARE(list->search(c.needle).value(), c.found);
            // A row added through the list is searched alike.
            QVERIFY(list->append(named(t, cases->front().value)).ok());
            QCOMPARE(list->search(cases->front().needle).value(),
                     (std::vector<int>{0, int(cases->size())}));
            // So are rows added before the first search, however many came after them.
            auto later = PartyList::open(*store, t).take();
            std::vector<QStringList> added(3000, named(t, u"Друг"_s));
            added.front() = named(t, u"Закъснял"_s);
            QVERIFY(later->appendMany(added).ok());
            QCOMPARE(later->search(u"закъсн"_s).value(), std::vector<int>{int(cases->size()) + 1});
            // Letter case is folded in every script, beyond the first 65,536 characters too.
            const std::pair<QString, QString> scripts[]{
                {u"Ärger GmbH"_s, u"äRGER"_s},
                {u"ЀЛЕНА ЕООД"_s, u"ѐлена"_s},
                {u"ΩΜΕΓΑ ΑΕ"_s, u"ωμεγα"_s},
                {u"Знак \U00010400"_s, u"\U00010428"_s},
            };
            const int first = later->count();
            for (const auto &[name, needle] : scripts)
                QVERIFY(later->append(named(t, name)).ok());
            for (int i = 0; i < int(std::size(scripts)); ++i)
                QCOMPARE(later->search(scripts[i].second).value(), std::vector<int>{first + i});
            QVERIFY(later->search(u"\U00010429"_s).value().empty()); // another letter
        }
    }

    void twoProcessesCreateTheBookTogether_data() { backendRows(); }
    // Two copies started together with no book (no file, or a database without the
    // tables) both start, and both rows are kept.
    void twoProcessesCreateTheBookTogether()
    {
        QFETCH(Backend, backend);
        if (const QString why = TestBook::unavailable(backend); !why.isEmpty())
            QSKIP(qPrintable(why));
        // A fresh database costs more than a fresh folder; five rounds still race often.
        const int rounds = backend == Backend::Sqlite ? 20 : 5;
        for (int round = 0; round < rounds; ++round) {
            std::unique_ptr<TestBook> book = TestBook::make(backend);
            QVERIFY(book);
            QString path = book->address();
            if (backend == Backend::Sqlite)
                path.replace(u"/base.mdb"_s, u"/Formelan/base.mdb"_s);
            QObject owner;
            QProcess *a = startHelper({u"add"_s, path, u"recipient"_s, u"A"_s}, false, &owner);
            QProcess *b = startHelper({u"add"_s, path, u"recipient"_s, u"B"_s}, false, &owner);
            const HelperRun ra = finish(a), rb = finish(b);
            QVERIFY2(ra.exitCode == 0, qPrintable(ra.lines.join(u'\n')));
            QVERIFY2(rb.exitCode == 0, qPrintable(rb.lines.join(u'\n')));
            StoreResult<std::unique_ptr<PartyStore>> check = openBookAt(path);
            QVERIFY(check.ok());
            QStringList got = namesIn(*check.value(), PartyTable::Recipients);
            got.sort();
            QCOMPARE(got, (QStringList{u"A"_s, u"B"_s}));
        }
    }

    void twoProcessesAddAtOnce_data() { backendRows(); }
    // Two copies adding parties one by one at the same time, reading after every add, keep
    // them all, each copy's in its own order, every key once. A file's adds wait for the
    // disk (each is on it before it returns): 150 each; a server's: 1,000 each.
    void twoProcessesAddAtOnce()
    {
        FETCH_BOOK(book);
        QVERIFY(book->open());
        const QString path = book->address();
        const int each = backend == Backend::Sqlite ? 150 : 1000;
        QObject owner;
        QProcess *a = startHelper({u"add"_s, path, u"depositor"_s, u"A"_s, QString::number(each)},
                                  false, &owner);
        QProcess *b = startHelper({u"add"_s, path, u"depositor"_s, u"B"_s, QString::number(each)},
                                  false, &owner);
        const HelperRun ra = finish(a), rb = finish(b);
        QCOMPARE(ra.exitCode, 0);
        QCOMPARE(rb.exitCode, 0);
        auto store = book->open();
        QVERIFY(store);
        QCOMPARE(store->summary(PartyTable::Payers).value().count, 2 * each);
        QStringList fromA, fromB;
        std::set<PartyKey> keys;
        const StoreResult<std::vector<PartyRow>> rows = store->rows(PartyTable::Payers, RowRange{});
        QVERIFY(rows.ok());
        for (const PartyRow &row : rows.value()) {
            keys.insert(row.key);
            (row.values.at(0).startsWith(u"A "_s) ? fromA : fromB).append(row.values.at(0));
        }
        QCOMPARE(int(keys.size()), 2 * each);
        QCOMPARE(fromA.size(), each);
        QCOMPARE(fromA.first(), u"A 0"_s);
        QCOMPARE(fromA.last(), u"A %1"_s.arg(each - 1));
        QCOMPARE(fromB.last(), u"B %1"_s.arg(each - 1));
        if (backend == Backend::Sqlite)
            QCOMPARE(filesIn(QFileInfo(book->path()).path()), QStringList{u"base.mdb"_s});
    }

    void busyBook_data() { backendRows(); }
    // A book held by another program past our wait: the message names the book, says
    // what to do and ends with the database's own text; nothing is added.
    void busyBook()
    {
        FETCH_BOOK(book);
        SqliteBookOptions options;
        options.busyTimeoutMs = 100;
        ServerBookOptions serverOptions;
        serverOptions.lockTimeoutMs = 100;
        QVERIFY(book->open());
        std::unique_ptr<PartyStore> store;
        if (backend == Backend::Sqlite)
            store = openOrFail(book->path(), options);
        else
            store = book->open(serverOptions);
        QVERIFY(store);
        auto other = book->connect();
        if (backend == Backend::Sqlite)
            QVERIFY(other->exec(u"BEGIN EXCLUSIVE"_s));
        else
            QVERIFY(
                other->execAll({u"BEGIN"_s, u"LOCK TABLE recipient IN ACCESS EXCLUSIVE MODE"_s}));
        StoreResult<PartyKey> key =
            store->add(PartyTable::Recipients, named(PartyTable::Recipients, u"Зает"_s));
        QCOMPARE(key.error().kind(), StoreError::Kind::Busy);
        const QString message = key.error().message();
        QVERIFY2(message.contains(backend == Backend::Sqlite
                                      ? QDir::toNativeSeparators(book->path())
                                      : book->database()),
                 qPrintable(message));
        QVERIFY(message.contains(u"Опитайте отново"_s));
        QVERIFY2(message.contains(u"Записът не е добавен."_s), qPrintable(message));
        QVERIFY2(message.contains(backend == Backend::Sqlite
                                      ? u"\nСъобщение от базата данни: database is locked"_s
                                      : u"\nСъобщение от PostgreSQL: ERROR:  canceling statement "
                                        "due to lock timeout"_s),
                 qPrintable(message));
        QVERIFY(other->exec(u"ROLLBACK"_s));
        QVERIFY(
            store->add(PartyTable::Recipients, named(PartyTable::Recipients, u"Свободен"_s)).ok());
        QCOMPARE(namesIn(*store, PartyTable::Recipients), QStringList{u"Свободен"_s});
    }

    void changesOfAnotherCopyAreTold_data()
    {
        QTest::addColumn<bool>("otherProcess"); // the other copy: a process, or a store here
        QTest::addColumn<bool>("wal");
        QTest::newRow("another store") << false << false;
        QTest::newRow("another store, write-ahead log") << false << true;
        QTest::newRow("another process") << true << false;
    }
    // Another copy's adds and deletes reach the watching store within two seconds, for the
    // table written; the store's own do not; a file put in the book's place, or taken
    // away, is told for both tables.
    void changesOfAnotherCopyAreTold()
    {
        QFETCH(bool, otherProcess);
        QFETCH(bool, wal);
        QTemporaryDir dir;
        const QString path = dir.path() + u"/base.mdb"_s;
        SqliteBookOptions options;
        if (wal)
            options.journal = SqliteBookOptions::Journal::WalWithCheckpoint;
        auto watching = openOrFail(path, options);
        auto other = openOrFail(path, options);
        QVERIFY(watching && other);
        QList<PartyTable> told, toldOther;
        watching->watchChanges([&](PartyTable t) { told.append(t); });
        other->watchChanges([&](PartyTable t) { toldOther.append(t); });
        auto add = [&](PartyTable t, const QString &name) -> PartyKey {
            if (!otherProcess)
                return other->add(t, named(t, name)).value();
            return runHelper({u"add"_s, path, partyTableName(t), name})
                .value(u"key"_s)
                .toLongLong();
        };
        auto remove = [&](PartyTable t, PartyKey key) {
            if (!otherProcess)
                return !other->remove(t, key);
            return runHelper({u"delete"_s, path, partyTableName(t), QString::number(key)})
                       .value(u"delete"_s) == u"ok"_s;
        };
        using List = QList<PartyTable>;
        const PartyKey payer = add(PartyTable::Payers, u"Наредител"_s);
        QVERIFY(payer > 0);
        QTRY_COMPARE_WITH_TIMEOUT(told, List{PartyTable::Payers}, 2000);
        told.clear();
        QVERIFY(add(PartyTable::Recipients, u"Получател"_s) > 0);
        QTRY_COMPARE_WITH_TIMEOUT(told, List{PartyTable::Recipients}, 2000);
        told.clear();
        QVERIFY(remove(PartyTable::Payers, payer));
        QTRY_COMPARE_WITH_TIMEOUT(told, List{PartyTable::Payers}, 2000);
        told.clear();
        if (otherProcess) {
            // A third copy, beside the watching one, looks on its own beat: writes that fall
            // between two of its looks come together, told once for each table.
            QTest::qWait(1200);
            QVERIFY(toldOther.contains(PartyTable::Payers));
            QVERIFY(toldOther.contains(PartyTable::Recipients));
            QVERIFY(toldOther.size() <= 3);
        } else // the writer
            QCOMPARE(toldOther, List{});
        toldOther.clear();

        // Its own writes are not told to the store that made them.
        const PartyKey own =
            watching->add(PartyTable::Payers, named(PartyTable::Payers, u"Свой"_s)).value();
        QVERIFY(!watching->remove(PartyTable::Payers, own));
        QTRY_COMPARE_WITH_TIMEOUT(toldOther, List{PartyTable::Payers}, 2000);
        QTest::qWait(1200);
        QCOMPARE(told, List{});
        QCOMPARE(toldOther, List{PartyTable::Payers}); // the delete and add came together
        toldOther.clear();

        // Another file put in the book's place is the book from then on; none in its place
        // stops writes, which would be lost; a file put back is the book again.
        other.reset();
        const List both{PartyTable::Recipients, PartyTable::Payers};
        const QString fresh = dir.path() + u"/fresh.mdb"_s;
        for (int round = 0; round < 2; ++round) {
            QVERIFY(openOrFail(fresh)
                        ->add(PartyTable::Payers, named(PartyTable::Payers, u"Друг файл"_s))
                        .ok());
            if (round == 0)
                QVERIFY(QFile::remove(path));
            QVERIFY(QFile::rename(fresh, path));
            QTRY_COMPARE_WITH_TIMEOUT(told, both, 2000);
            told.clear();
            QCOMPARE(namesIn(*watching, PartyTable::Payers), QStringList{u"Друг файл"_s});
            QVERIFY(QFile::remove(path));
            QTRY_COMPARE_WITH_TIMEOUT(told, both, 2000);
            told.clear();
            const StoreError lost = watching->remove(PartyTable::Recipients, 1);
            QCOMPARE(lost.kind(), StoreError::Kind::Unavailable);
            QVERIFY2(lost.message().contains(u"изтрит или преместен"_s),
                     qPrintable(lost.message()));
            QVERIFY(!QFile::exists(path));
        }
        watching->watchChanges({});
        QVERIFY(openOrFail(path));
        QTest::qWait(1200);
        QCOMPARE(told, List{});
    }

    void columnsOfAnotherProgramAreFilled_data()
    {
        QTest::addColumn<QString>("type");
        QTest::addColumn<QString>("empty"); // the value an add leaves in the column
        QTest::newRow("text") << u"TEXT"_s << u""_s;
        QTest::newRow("varchar") << u"VARCHAR(20)"_s << u""_s;
        QTest::newRow("integer") << u"INTEGER"_s << u"0"_s;
        QTest::newRow("real") << u"REAL"_s << u"0"_s;
        QTest::newRow("no type") << QString() << u""_s;
    }
    // A column of another program's that must be filled and has no default does not
    // stop an add: it gets its type's empty value, before and after the upgrade.
    void columnsOfAnotherProgramAreFilled()
    {
        QFETCH(QString, type);
        QFETCH(QString, empty);
        QTemporaryDir dir;
        const QString path = dir.path() + u"/base.mdb"_s;
        const PartyTable t = PartyTable::Payers;
        {
            OtherProgram earlier(path);
            QVERIFY(earlier.execAll(
                {earlierTable(PartyTable::Recipients),
                 earlierTable(t, {}, QString(u"\"Код\" "_s + type + u" NOT NULL"_s).simplified()),
                 u"INSERT INTO depositor (\"Име на наредителя\", \"Код\") VALUES ('Стар', 7)"_s}));
        }
        for (int opening = 0; opening < 2; ++opening) { // upgrades, then as upgraded
            auto store = openOrFail(path);
            QVERIFY(store);
            QVERIFY(!store->isReadOnly());
            StoreResult<PartyKey> key = store->add(t, named(t, u"Нов %1"_s.arg(opening)));
            QVERIFY2(key.ok(), qPrintable(key.error().message()));
            OtherProgram other(path);
            QCOMPARE(other.column(u"SELECT \"Код\" FROM depositor ORDER BY rowid"_s),
                     opening == 0 ? (QStringList{u"7"_s, empty})
                                  : (QStringList{u"7"_s, empty, empty}));
        }
    }

    void opensWhileAnotherCopyWrites_data()
    {
        QTest::addColumn<QString>("begin");
        QTest::addColumn<bool>("earlier"); // a book the open must upgrade
        QTest::newRow("write begun") << u"BEGIN IMMEDIATE"_s << false;
        QTest::newRow("write being committed") << u"BEGIN EXCLUSIVE"_s << false;
        QTest::newRow("write begun, book to upgrade") << u"BEGIN IMMEDIATE"_s << true;
        QTest::newRow("write being committed, book to upgrade") << u"BEGIN EXCLUSIVE"_s << true;
    }
    // Another copy writing does not keep the book from opening, however long it writes:
    // while it holds the file only the operations that need the file say it is busy, and
    // once it is done they all work.
    void opensWhileAnotherCopyWrites()
    {
        QFETCH(QString, begin);
        QFETCH(bool, earlier);
        QTemporaryDir dir;
        const QString path = dir.path() + u"/base.mdb"_s;
        const PartyTable t = PartyTable::Recipients;
        OtherProgram writer(path);
        if (earlier)
            QVERIFY(writer.execAll(earlierBook()));
        else
            QVERIFY(openOrFail(path));
        QVERIFY(writer.execAll({begin, insertNamed(t, {u"Чужд"_s})}));
        SqliteBookOptions options;
        options.busyTimeoutMs = 300;
        QElapsedTimer clock;
        clock.start();
        StoreResult<std::unique_ptr<PartyStore>> opened = openSqliteBook(path, options);
        QVERIFY2(opened.ok(), qPrintable(opened.error().message()));
        QVERIFY(clock.elapsed() < 3000);
        PartyStore &store = *opened.value();
        const bool readsWait = earlier || begin == u"BEGIN EXCLUSIVE"_s;
        StoreResult<BookSummary> during = store.summary(t);
        if (readsWait) {
            QCOMPARE(during.error().kind(), StoreError::Kind::Busy);
            QVERIFY2(during.error().message().contains(u"заета от друга програма"_s),
                     qPrintable(during.error().message()));
        } else {
            QCOMPARE(during.value().count, 0);
        }
        QCOMPARE(store.add(t, named(t, u"Свой"_s)).error().kind(), StoreError::Kind::Busy);
        QList<PartyTable> told;
        store.watchChanges([&](PartyTable table) { told.append(table); });
        QTest::qWait(700);
        QCOMPARE(told, QList<PartyTable>{});
        QVERIFY(writer.exec(u"COMMIT"_s));
        // Once free, a book that could not be looked at is read anew, both lists.
        QTRY_COMPARE_WITH_TIMEOUT(told,
                                  readsWait ? (QList{PartyTable::Recipients, PartyTable::Payers})
                                            : QList{PartyTable::Recipients},
                                  2000);
        QCOMPARE(namesIn(store, t), QStringList{u"Чужд"_s});
        QVERIFY(store.add(t, named(t, u"Свой"_s)).ok());
        QCOMPARE(namesIn(store, t), (QStringList{u"Чужд"_s, u"Свой"_s}));
    }

    // Batches on a local book count what they added by table; stopped half-way, they take
    // back what they added and count none, or, where another program's trigger keeps the
    // rows, count and name what is left.
    void batchesOnALocalBook()
    {
        enum Ending { Whole, Stopped, StoppedAndKept };
        for (const Ending ending : {Whole, Stopped, StoppedAndKept}) {
            QTemporaryDir dir;
            const QString path = dir.path() + u"/base.mdb"_s;
            auto store = openOrFail(path);
            QVERIFY(store);
            if (ending == StoppedAndKept)
                QVERIFY(OtherProgram(path).execAll(
                    {u"CREATE TRIGGER keep_r BEFORE DELETE ON recipient BEGIN "
                     "SELECT RAISE(ABORT, 'запазен'); END"_s,
                     u"CREATE TRIGGER keep_d BEFORE DELETE ON depositor BEGIN "
                     "SELECT RAISE(ABORT, 'запазен'); END"_s}));
            int step = 0;
            const BatchesAdded report = store->addBatches([&](PartyBatch &batch) -> StoreError {
                batch.table = step == 0 ? PartyTable::Recipients : PartyTable::Payers;
                if (step == 2 && ending != Whole)
                    return {StoreError::Kind::Failed, u"спряно"_s};
                if (step == 0)
                    batch.rows = {named(batch.table, u"А"_s), named(batch.table, u"Б"_s)};
                else if (step == 1)
                    batch.rows = {named(batch.table, u"В"_s)};
                ++step;
                return {};
            });
            const bool taken = ending == Stopped;
            const QString message = report.error.message();
            QCOMPARE(message.section(u'\n', 0, 0), ending == Whole ? QString() : u"спряно"_s);
            QCOMPARE(report.error.kind(),
                     ending == Whole ? StoreError::Kind::None : StoreError::Kind::Failed);
            QCOMPARE(message.contains(u"(2 получатели и 1 наредители) не можаха"_s),
                     ending == StoppedAndKept);
            QCOMPARE(report.recipients, taken ? 0 : 2);
            QCOMPARE(report.payers, taken ? 0 : 1);
            QCOMPARE(namesIn(*store, PartyTable::Recipients),
                     taken ? QStringList() : (QStringList{u"А"_s, u"Б"_s}));
            QCOMPARE(namesIn(*store, PartyTable::Payers),
                     taken ? QStringList() : QStringList{u"В"_s});
        }
    }

    void wrongValueCountIsRefused_data() { backendRows(); }
    // A value list of the wrong length is refused as such, not cut or padded, whatever
    // its values hold.
    void wrongValueCountIsRefused()
    {
        FETCH_BOOK(book);
        auto store = book->open();
        QVERIFY(store);
        QStringList tooLong(14, u"x"_s);
        tooLong.last() = u"\x1b"_s;
        for (const QStringList &values :
             {QStringList{u"Само име"_s, u"BG16UNCR70001519562303"_s}, tooLong}) {
            StoreResult<PartyKey> key = store->add(PartyTable::Payers, values);
            QVERIFY(!key.ok());
            QCOMPARE(key.error().message(),
                     u"Таблицата „depositor“ има 13 колони, а записът носи "
                     u"%1 стойности. Нищо не е записано."_s.arg(values.size()));
        }
        QCOMPARE(store->summary(PartyTable::Payers).value().count, 0);
    }
};

QTEST_GUILESS_MAIN(TestPartyDb)
#include "tst_partydb.moc"
