// What only a book on a PostgreSQL server has: the tables it makes and those it refuses,
// roles with fewer rights, the server stopping and starting under the program, moving a
// local book to the server, the connection check with real passwords, the office's set-up
// script, and the settings group that chooses the book. The server is a throw-away
// cluster that the test starts; the tests skip, saying why, where PostgreSQL is missing.
#include "base/settings.h"
#include "parties/bookcopy.h"
#include "parties/bookplace.h"
#include "parties/bookplacewidget.h"
#include "parties/partylist.h"
#include "parties/pgpartystore.h"
#include "parties/sqlitepartystore.h"
#include "pgcluster.h"
#include "require.h"
#include "testbooks.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <chrono>
#include <future>

using namespace Qt::StringLiterals;
using namespace formelan;

Q_DECLARE_METATYPE(formelan::ServerCheck::Outcome)

namespace {

#define REQUIRE_SERVER()                                                                           \
    if (const QString why = TestBook::unavailable(Backend::Postgres); !why.isEmpty())              \
    QSKIP(qPrintable(why))

QStringList named(PartyTable table, const QString &name)
{
    QStringList values(partyColumns(table).size(), u""_s);
    values[0] = name;
    return values;
}

QStringList namesIn(PartyStore &store, PartyTable table)
{
    QStringList names;
    StoreResult<std::vector<PartyRow>> rows = store.rows(table, RowRange{});
    if (rows.ok()) {
        for (const PartyRow &r : rows.value())
            names.append(r.values.at(0));
    }
    return names;
}

// Every relation and column of the database's public schema, with types, defaults and
// identity: what "nothing on the server changed" compares.
QString catalogOf(TestBook &book)
{
    return book.one(
        u"SELECT coalesce(string_agg(c.relname || '.' || c.relkind::text || ':' || "
        "coalesce(a.attname || ' ' || format_type(a.atttypid, a.atttypmod) || ' ' || "
        "a.attnotnull || ' ' || a.attidentity::text || ' ' || "
        "coalesce(pg_get_expr(d.adbin, d.adrelid), ''), ''), ' | ' "
        "ORDER BY c.relname, a.attnum), '') "
        "FROM pg_class c JOIN pg_namespace n ON n.oid = c.relnamespace "
        "LEFT JOIN pg_attribute a ON a.attrelid = c.oid AND a.attnum > 0 AND NOT a.attisdropped "
        "LEFT JOIN pg_attrdef d ON d.adrelid = c.oid AND d.adnum = a.attnum "
        "WHERE n.nspname = 'public'"_s);
}

QString tableSql(const QString &name, const QStringList &columns, const QString &extra = {})
{
    QStringList defs;
    for (const QString &c : columns)
        defs.append(u'"' + c + u"\" text NOT NULL DEFAULT ''"_s);
    if (!extra.isEmpty())
        defs.append(extra);
    return u"CREATE TABLE "_s + name + u" ("_s + defs.join(u", "_s) + u')';
}

const QString kKey = u"party_id bigint GENERATED ALWAYS AS IDENTITY PRIMARY KEY"_s;

// Typing as a user does, one key at a time, Cyrillic included.
void typeText(QWidget *widget, const QString &text)
{
    for (const QChar c : text)
        QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString(c), Qt::NoModifier);
}

// A login role of the test's own, unique in the cluster.
QString newRole(TestBook &book, const QString &what, const QString &options = {})
{
    const QString role = book.database() + u'_' + what;
    if (!book.exec(u"CREATE ROLE "_s + role + u" LOGIN "_s + options))
        return {};
    return role;
}

// ~/.pgpass of the test: written by it, mode 0600, found through PGPASSFILE.
class PasswordFile {
public:
    explicit PasswordFile(const QStringList &lines)
    {
        m_path = m_dir.path() + u"/pgpass"_s;
        QFile f(m_path);
        if (f.open(QIODevice::WriteOnly)) {
            f.write((lines.join(u'\n') + u'\n').toUtf8());
            f.close();
        }
        QFile::setPermissions(m_path, QFile::ReadOwner | QFile::WriteOwner);
        qputenv("PGPASSFILE", QFile::encodeName(m_path));
    }
    ~PasswordFile() { qunsetenv("PGPASSFILE"); }

private:
    QTemporaryDir m_dir;
    QString m_path;
};

// A local book with rows, some deleted, for moving to the server.
std::unique_ptr<PartyStore> localBook(const QTemporaryDir &dir, int recipients, int payers)
{
    StoreResult<std::unique_ptr<PartyStore>> store = openSqliteBook(dir.path() + u"/base.mdb"_s);
    if (!store.ok())
        return nullptr;
    std::vector<QStringList> rows;
    for (int i = 0; i < recipients + 1; ++i) {
        QStringList v = named(PartyTable::Recipients, u"Получател %1"_s.arg(i));
        v[3] = i % 2 ? u"да"_s : u"не"_s;
        v[5] = u"ул. „Шипка“ %1, 'ап.' \"2\"\nвход Б"_s.arg(i);
        v[6] = u"BG80BNBG96611020345678"_s;
        rows.push_back(v);
    }
    StoreResult<std::vector<PartyKey>> keys = store.value()->add(PartyTable::Recipients, rows);
    if (!keys.ok())
        return nullptr;
    // A gap in the keys: the order, not the keys, is what is kept.
    if (store.value()->remove(PartyTable::Recipients, keys->at(1)))
        return nullptr;
    for (int i = 0; i < payers; ++i) {
        QStringList v = named(PartyTable::Payers, u"Наредител %1"_s.arg(i));
        v[12] = u"Клон %1"_s.arg(i);
        if (!store.value()->add(PartyTable::Payers, v).ok())
            return nullptr;
    }
    return store.take();
}

std::vector<QStringList> valuesIn(PartyStore &store, PartyTable table)
{
    std::vector<QStringList> out;
    StoreResult<std::vector<PartyRow>> rows = store.rows(table, RowRange{});
    if (rows.ok()) {
        for (PartyRow &r : rows.value())
            out.push_back(std::move(r.values));
    }
    return out;
}

} // namespace

class TestPgBook : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void cleanupTestCase() { PgCluster::shared().stop(); }

    // An empty database gets both tables, as the set-up script makes them; opening again
    // changes nothing.
    void newServerBook()
    {
        REQUIRE_SERVER();
        auto book = TestBook::make(Backend::Postgres);
        QVERIFY(book);
        const QString empty = catalogOf(*book);
        auto store = book->open();
        QVERIFY(store);
        QVERIFY(!store->isReadOnly());
        QVERIFY2(store->location().contains(u"„%1“"_s.arg(book->database())),
                 qPrintable(store->location()));
        QVERIFY(store->location().contains(u"127.0.0.1:%1"_s.arg(PgCluster::shared().port())));
        for (const auto &[t, table] : {std::pair{PartyTable::Recipients, u"recipient"_s},
                                       std::pair{PartyTable::Payers, u"depositor"_s}}) {
            QCOMPARE(book->column(u"SELECT attname FROM pg_attribute WHERE attrelid = '"_s + table +
                                  u"'::regclass AND attnum > 0 AND attname <> 'party_id' "
                                  "ORDER BY attnum"_s),
                     bookColumns(t));
            QCOMPARE(book->one(u"SELECT string_agg(DISTINCT format_type(atttypid, atttypmod) || "
                               "' ' || attnotnull || ' ' || pg_get_expr(adbin, adrelid), ',') "
                               "FROM pg_attribute JOIN pg_attrdef ON adrelid = attrelid AND "
                               "adnum = attnum WHERE attrelid = '"_s +
                               table + u"'::regclass AND attname <> 'party_id'"_s),
                     u"text true ''::text"_s);
            QCOMPARE(
                book->one(u"SELECT format_type(atttypid, atttypmod) || ' ' || attidentity::text "
                          "FROM pg_attribute WHERE attrelid = '"_s +
                          table + u"'::regclass AND attname = 'party_id'"_s),
                u"bigint a"_s);
            QCOMPARE(
                book->one(u"SELECT count(*) FROM pg_index WHERE indisprimary AND indrelid = '"_s +
                          table + u"'::regclass"_s),
                u"1"_s);
        }
        QVERIFY(catalogOf(*book) != empty);
        const QString made = catalogOf(*book);
        store.reset();
        QVERIFY(book->open());
        QCOMPARE(catalogOf(*book), made);
    }

    void refusedTables_data()
    {
        QTest::addColumn<QStringList>("sql");
        QTest::addColumn<QString>("named");
        const QStringList recipients = partyColumns(PartyTable::Recipients);
        const QStringList payers = partyColumns(PartyTable::Payers);
        const QString depositor = tableSql(u"depositor"_s, payers, kKey);
        QStringList noIban = payers;
        noIban.removeAll(u"IBAN"_s);
        QTest::newRow("no IBAN column") << QStringList{tableSql(u"recipient"_s, recipients, kKey),
                                                       tableSql(u"depositor"_s, noIban, kKey)}
                                        << u"в таблицата „depositor“ липсва колоната „IBAN“"_s;
        QTest::newRow("three columns missing")
            << QStringList{tableSql(u"recipient"_s, recipients.mid(0, 6), kKey), depositor}
            << u"липсват колоните „IBAN“, „BIC“, „Банка“"_s;
        QTest::newRow("no key column")
            << QStringList{tableSql(u"recipient"_s, recipients), depositor}
            << u"липсва ключовата колона „party_id“"_s;
        QTest::newRow("party_id that the server does not fill")
            << QStringList{tableSql(u"recipient"_s, recipients, u"party_id bigint PRIMARY KEY"_s),
                           depositor}
            << u"„party_id“ на таблицата „recipient“ не е ключ"_s;
        QTest::newRow("a number where text belongs")
            << QStringList{tableSql(u"recipient"_s, recipients.mid(0, 6),
                                    u"\"IBAN\" integer, \"BIC\" text, \"Банка\" text, "_s + kKey),
                           depositor}
            << u"колоната „IBAN“ на таблицата „recipient“ е от вида „integer“"_s;
        QTest::newRow("a view in place of a table")
            << QStringList{tableSql(u"r"_s, recipients, kKey),
                           u"CREATE VIEW recipient AS SELECT * FROM r"_s, depositor}
            << u"„recipient“ не е таблица"_s;
    }
    // Tables that are not an address book refuse the book, say what is wrong, and are
    // left as they were; a missing table is not made beside them.
    void refusedTables()
    {
        QFETCH(QStringList, sql);
        QFETCH(QString, named);
        REQUIRE_SERVER();
        auto book = TestBook::make(Backend::Postgres);
        QVERIFY(book);
        QVERIFY(book->execAll(sql));
        const QString before = catalogOf(*book);
        QVERIFY(before.contains(u"depositor.r:"_s));
        StoreResult<std::unique_ptr<PartyStore>> store = book->tryOpen();
        QVERIFY(!store.ok());
        QCOMPARE(store.error().kind(), StoreError::Kind::Refused);
        const QString message = store.error().message();
        QVERIFY2(message.contains(named), qPrintable(message));
        QVERIFY2(message.contains(book->database()), qPrintable(message));
        QVERIFY(message.contains(u"не ги е променила"_s));
        QCOMPARE(catalogOf(*book), before);

        const ServerCheck check = checkServerBook(book->settings());
        QCOMPARE(check.outcome, ServerCheck::Outcome::Refused);
        QVERIFY2(check.message.contains(named), qPrintable(check.message));
    }

    // Tables made without quotes have their ASCII names in lower case ("iban"): they are
    // found all the same.
    void namesMadeWithoutQuotes()
    {
        REQUIRE_SERVER();
        auto book = TestBook::make(Backend::Postgres);
        QVERIFY(book);
        QStringList recipients = partyColumns(PartyTable::Recipients);
        QVERIFY(book->execAll(
            {u"CREATE TABLE recipient (\"Име на получателя\" text, \"ЕГН на упълномощеното "
             "лице\" text, \"Документ за самоличност\" text, \"Местно лице\" text, \"Държава\" "
             "text, \"Адрес\" text, IBAN varchar(34), BIC varchar(11), \"Банка\" text, "
             "PARTY_ID serial PRIMARY KEY)"_s,
             tableSql(u"depositor"_s, partyColumns(PartyTable::Payers), kKey)}));
        auto store = book->open();
        QVERIFY(store);
        QStringList values = named(PartyTable::Recipients, u"Без кавички"_s);
        values[6] = u"BG80BNBG96611020345678"_s;
        values[7] = u"BNBGBGSD"_s;
        std::vector<QStringList> two{values, values};
        QVERIFY(store->add(PartyTable::Recipients, two).ok());
        QCOMPARE(book->column(u"SELECT iban || ' ' || bic FROM recipient"_s),
                 QStringList(2, u"BG80BNBG96611020345678 BNBGBGSD"_s));
        QCOMPARE(store->rows(PartyTable::Recipients, RowRange{}).value().at(1).values, values);
        // A value longer than a column allows is refused, and says so; with it, the rows
        // added at the same time are not added either.
        QStringList tooLong = values;
        tooLong[7] = u"BNBGBGSDXXXX"_s;
        const StoreResult<PartyKey> one = store->add(PartyTable::Recipients, tooLong);
        QCOMPARE(one.error().kind(), StoreError::Kind::Failed);
        QVERIFY2(one.error().message().contains(u"по-дълга"_s), qPrintable(one.error().message()));
        std::vector<QStringList> three{values, values, tooLong};
        QCOMPARE(store->add(PartyTable::Recipients, three).error().kind(),
                 StoreError::Kind::Failed);
        QCOMPARE(store->summary(PartyTable::Recipients).value().count, 2);
        QVERIFY(store->add(PartyTable::Recipients, values).ok()); // the connection is fine
    }

    void tablesMissingAndNotCreatable_data()
    {
        QTest::addColumn<bool>("oneThere");
        QTest::addColumn<bool>("refusedOnCreate"); // the schema allows it, the server not
        QTest::newRow("both missing") << false << false;
        QTest::newRow("depositor missing") << true << false;
        QTest::newRow("refused as they are made") << false << true;
    }
    // A role that may not create tables, in a database without them: refused with a
    // message that says so and what to do; nothing is made.
    void tablesMissingAndNotCreatable()
    {
        QFETCH(bool, oneThere);
        QFETCH(bool, refusedOnCreate);
        REQUIRE_SERVER();
        auto book = TestBook::make(Backend::Postgres);
        QVERIFY(book);
        const QString clerk = newRole(*book, u"clerk"_s);
        QVERIFY(!clerk.isEmpty());
        // A site's own rule against tables made by clerks, met only when the CREATE runs.
        if (refusedOnCreate)
            QVERIFY(book->execAll(
                {u"GRANT CREATE ON SCHEMA public TO "_s + clerk,
                 u"CREATE FUNCTION no_tables() RETURNS event_trigger LANGUAGE plpgsql AS $$ "
                 "BEGIN IF current_user = '%1' THEN RAISE EXCEPTION 'no' USING ERRCODE = "
                 "'42501'; END IF; END $$"_s.arg(clerk),
                 u"CREATE EVENT TRIGGER no_tables ON ddl_command_start "
                 "EXECUTE FUNCTION no_tables()"_s}));
        if (oneThere)
            QVERIFY(
                book->execAll({tableSql(u"recipient"_s, partyColumns(PartyTable::Recipients), kKey),
                               u"GRANT SELECT, INSERT, DELETE ON recipient TO "_s + clerk}));
        const QString before = catalogOf(*book);
        StoreResult<std::unique_ptr<PartyStore>> store = openServerBook(book->settings(clerk));
        QVERIFY(!store.ok());
        QCOMPARE(store.error().kind(), StoreError::Kind::Refused);
        const QString message = store.error().message();
        QVERIFY2(message.contains(
                     oneThere ? u"липсва таблицата „depositor“, а потребителят „%1“ няма право да "
                                "я създаде"_s.arg(clerk)
                              : u"липсват таблиците „recipient“, „depositor“, а потребителят „%1“ "
                                "няма право да ги създаде"_s.arg(clerk)),
                 qPrintable(message));
        QVERIFY(message.contains(u"postgresql-setup.sql"_s));
        QVERIFY(message.contains(clerk));
        QCOMPARE(catalogOf(*book), before);
        if (refusedOnCreate)
            return;
        const ServerCheck check = checkServerBook(book->settings(clerk));
        QCOMPARE(check.outcome, ServerCheck::Outcome::TablesMissing);
        QCOMPARE(check.message, message);
    }

    // A role that may read and add but not delete: adding works, deleting says why and
    // deletes nothing.
    void roleWithoutDeleteRights()
    {
        REQUIRE_SERVER();
        auto book = TestBook::make(Backend::Postgres);
        QVERIFY(book);
        QVERIFY(book->open());
        const QString clerk = newRole(*book, u"nodelete"_s);
        QVERIFY(book->execAll(
            {u"GRANT SELECT, INSERT ON recipient, depositor TO "_s + clerk,
             u"GRANT USAGE ON SEQUENCE recipient_party_id_seq, depositor_party_id_seq TO "_s +
                 clerk}));
        auto store = openServerBook(book->settings(clerk)).take();
        QVERIFY(store);
        QVERIFY(!store->isReadOnly());
        const PartyTable t = PartyTable::Payers;
        const PartyKey key = store->add(t, named(t, u"Остава"_s)).value();
        std::vector<QStringList> two{named(t, u"Втори"_s), named(t, u"Трети"_s)};
        QVERIFY(store->add(t, two).ok());
        auto list = PartyList::open(*store, t).take();
        QCOMPARE(list->count(), 3);

        const StoreError e = list->removeAt(0);
        QCOMPARE(e.kind(), StoreError::Kind::ReadOnly);
        QVERIFY2(e.message().contains(u"няма право да изтрива"_s), qPrintable(e.message()));
        QVERIFY(e.message().contains(clerk));
        QVERIFY(e.message().contains(u"Записът не е изтрит."_s));
        QVERIFY(e.message().contains(u"Съобщение от PostgreSQL: ERROR:  permission denied"_s));
        QCOMPARE(list->count(), 3);
        QCOMPARE(list->keyAt(0), key);
        QCOMPARE(namesIn(*store, t), (QStringList{u"Остава"_s, u"Втори"_s, u"Трети"_s}));
    }

    void roleWithoutSequenceRights_data()
    {
        QTest::addColumn<QString>("rights");
        QTest::addColumn<bool>("readOnly");
        QTest::newRow("may add and delete") << u"SELECT, INSERT, DELETE"_s << false;
        QTest::newRow("may only add") << u"SELECT, INSERT"_s << true;
    }
    // A role that may insert into the tables but not take keys from their sequences is
    // told so when the book opens, with the right the administrator must grant: adding
    // is refused before the server is asked, by one row or many; deleting, when
    // allowed, goes on. Without it the book is read-only and says why.
    void roleWithoutSequenceRights()
    {
        QFETCH(QString, rights);
        QFETCH(bool, readOnly);
        REQUIRE_SERVER();
        auto book = TestBook::make(Backend::Postgres);
        QVERIFY(book);
        auto owner = book->open();
        QVERIFY(owner);
        const PartyTable t = PartyTable::Recipients;
        const PartyKey key = owner->add(t, named(t, u"Стар"_s)).value();
        const QString clerk = newRole(*book, u"noseq"_s);
        QVERIFY(book->exec(u"GRANT "_s + rights + u" ON recipient, depositor TO "_s + clerk));
        auto store = openServerBook(book->settings(clerk)).take();
        QVERIFY(store);
        QCOMPARE(store->isReadOnly(), readOnly);
        QCOMPARE(checkServerBook(book->settings(clerk)).readOnly, readOnly);
        const QString grant = u"GRANT USAGE ON SEQUENCE public.recipient_party_id_seq"_s;
        if (readOnly)
            QVERIFY2(store->readOnlyReason().contains(u"няма право USAGE върху "
                                                      "последователностите"_s) &&
                         store->readOnlyReason().contains(grant),
                     qPrintable(store->readOnlyReason()));
        std::vector<QStringList> two{named(t, u"А"_s), named(t, u"Б"_s)};
        for (const StoreError &e :
             {store->add(t, named(t, u"Нов"_s)).error(), store->add(t, two).error()}) {
            QCOMPARE(e.kind(), StoreError::Kind::ReadOnly);
            QVERIFY2(e.message().contains(readOnly ? u"USAGE"_s : grant) &&
                         e.message().contains(clerk),
                     qPrintable(e.message()));
        }
        QCOMPARE(!store->remove(t, key), !readOnly);
        QCOMPARE(book->one(u"SELECT count(*) FROM recipient"_s), readOnly ? u"1"_s : u"0"_s);
    }

    // Two clerks add at the same moment while a third opens its list: the list shows the
    // rows that were there when it opened, never a row that commits later in their midst.
    // Here the first clerk's add is slow (a trigger sleeps before its commit): the second
    // clerk's add, which came later, waits for it rather than commit a newer key first.
    void listOpenedWhileOthersAdd()
    {
        REQUIRE_SERVER();
        auto book = TestBook::make(Backend::Postgres);
        QVERIFY(book);
        auto store = book->open();
        QVERIFY(store);
        const PartyTable t = PartyTable::Recipients;
        for (const QString &name : {u"А"_s, u"Б"_s, u"В"_s})
            QVERIFY(store->add(t, named(t, name)).ok());
        QVERIFY(book->execAll(
            {u"CREATE FUNCTION slow() RETURNS trigger LANGUAGE plpgsql AS $$ BEGIN IF "
             "NEW.\"Име на получателя\" = 'Бавен' THEN PERFORM pg_sleep(2); END IF; RETURN "
             "NEW; END $$"_s,
             u"CREATE TRIGGER slow AFTER INSERT ON recipient FOR EACH ROW EXECUTE FUNCTION "
             "slow()"_s}));
        auto addElsewhere = [settings = book->settings(), t](const QString &name) {
            return std::async(std::launch::async, [settings, t, name] {
                StoreResult<std::unique_ptr<PartyStore>> other = openServerBook(settings);
                if (!other.ok())
                    return other.error();
                const StoreResult<PartyKey> key = other.value()->add(t, named(t, name));
                return key.ok() ? StoreError() : key.error();
            });
        };
        auto activity = [&](const QString &condition) {
            return book->one(u"SELECT count(*) FROM pg_stat_activity WHERE datname = '"_s +
                             book->database() + u"' AND "_s + condition);
        };
        std::future<StoreError> slow = addElsewhere(u"Бавен"_s);
        QTRY_COMPARE_WITH_TIMEOUT(activity(u"wait_event = 'PgSleep'"_s), u"1"_s, 10000);
        std::future<StoreError> fast = addElsewhere(u"Бърз"_s);
        // The second add either waits for the first, or is done.
        QTRY_VERIFY_WITH_TIMEOUT(activity(u"wait_event_type = 'Lock'"_s) == u"1"_s ||
                                     fast.wait_for(std::chrono::seconds(0)) ==
                                         std::future_status::ready,
                                 10000);
        auto list = PartyList::open(*store, t).take();
        QVERIFY(!slow.get());
        QVERIFY(!fast.get());
        QStringList shown;
        for (int p = 0; p < list->count(); ++p)
            shown.append(list->nameAt(p));
        QCOMPARE(shown, (QStringList{u"А"_s, u"Б"_s, u"В"_s}));
        QCOMPARE(namesIn(*store, t), (QStringList{u"А"_s, u"Б"_s, u"В"_s, u"Бавен"_s, u"Бърз"_s}));
    }

    // The server stops while a batch of rows waits for a lock: the batch is rolled back
    // with the connection. While it is down, add and delete say so and change nothing,
    // reads say so, and what a list has read stays shown and loads. Started again, the next command
    // connects again, without opening the book anew.
    void serverStoppedMidWork()
    {
        REQUIRE_SERVER();
        PgCluster &cluster = PgCluster::shared();
        auto book = TestBook::make(Backend::Postgres);
        QVERIFY(book);
        auto store = book->open();
        QVERIFY(store);
        const PartyTable t = PartyTable::Recipients;
        for (const QString &name : {u"Алфа"_s, u"Бета"_s, u"Гама"_s})
            QVERIFY(store->add(t, named(t, name)).ok());
        auto list = PartyList::open(*store, t).take();
        QCOMPARE(list->nameAt(0), u"Алфа"_s);

        // Another program holds the table; a second copy's batch waits for it.
        auto holder = book->connect();
        QVERIFY(holder->execAll({u"BEGIN"_s, u"LOCK TABLE recipient IN ACCESS EXCLUSIVE MODE"_s}));
        ServerBookOptions patient;
        patient.lockTimeoutMs = 60000;
        std::future<StoreError> batch =
            std::async(std::launch::async, [settings = book->settings(), patient, t] {
                StoreResult<std::unique_ptr<PartyStore>> other = openServerBook(settings, patient);
                if (!other.ok())
                    return other.error();
                std::vector<QStringList> rows;
                for (int i = 0; i < 1200; ++i)
                    rows.push_back(named(t, u"Пакет %1"_s.arg(i)));
                StoreResult<std::vector<PartyKey>> keys = other.value()->add(t, rows);
                return keys.ok() ? StoreError() : keys.error();
            });
        QTRY_COMPARE_WITH_TIMEOUT(book->one(u"SELECT count(*) FROM pg_stat_activity WHERE "
                                            "wait_event_type = 'Lock' AND datname = '"_s +
                                            book->database() + u'\''),
                                  u"1"_s, 20000);
        QVERIFY(cluster.stop());
        const StoreError batchError = batch.get();
        QCOMPARE(batchError.kind(), StoreError::Kind::Unavailable);
        // Many rows are not "the record": none of them is added.
        QVERIFY2(batchError.message().contains(u"Нито един от записите не е добавен"_s),
                 qPrintable(batchError.message()));
        holder.reset();

        const StoreResult<PartyKey> added = store->add(t, named(t, u"Делта"_s));
        QCOMPARE(added.error().kind(), StoreError::Kind::Unavailable);
        QVERIFY2(added.error().message().contains(u"не отговаря"_s),
                 qPrintable(added.error().message()));
        QVERIFY(added.error().message().contains(u"Записът не е добавен."_s));
        QVERIFY(added.error().message().contains(book->database()));
        QVERIFY(added.error().message().contains(u"Съобщение от PostgreSQL:"_s));
        const StoreError removed = list->removeAt(1);
        QCOMPARE(removed.kind(), StoreError::Kind::Unavailable);
        QVERIFY(removed.message().contains(u"Записът не е изтрит."_s));
        QCOMPARE(list->count(), 3);
        QCOMPARE(store->summary(t).error().kind(), StoreError::Kind::Unavailable);
        // A row read before loads as it was read, so that the lookup goes on.
        const StoreResult<PartyRow> loaded = list->load(0);
        QVERIFY2(loaded.ok(), qPrintable(loaded.error().message()));
        QCOMPARE(loaded->values.at(0), u"Алфа"_s);
        QCOMPARE(list->nameAt(2), u"Гама"_s); // read before: still shown

        QVERIFY(cluster.start());
        QCOMPARE(store->summary(t).value().count, 3); // nothing half-done
        QVERIFY(list->append(named(t, u"Делта"_s)).ok());
        QVERIFY(!list->removeAt(1));
        QCOMPARE(namesIn(*store, t), (QStringList{u"Алфа"_s, u"Гама"_s, u"Делта"_s}));
    }

    // The administrator drops the payers' table under an open book: every read, add and
    // delete of payers after it is refused with a message that says a table or column is
    // missing and what was not done; no table is made anew in its place, and the
    // recipients go on.
    void tablesGoneWhileOpen()
    {
        REQUIRE_SERVER();
        auto book = TestBook::make(Backend::Postgres);
        QVERIFY(book);
        auto store = book->open();
        QVERIFY(store);
        const PartyTable t = PartyTable::Payers;
        const PartyKey key = store->add(t, named(t, u"Алфа"_s)).value();
        QVERIFY(store->add(PartyTable::Recipients, named(PartyTable::Recipients, u"Бета"_s)).ok());
        QVERIFY(book->exec(u"DROP TABLE depositor"_s));
        const QString after = catalogOf(*book);

        const StoreError errors[] = {
            store->summary(t).error(),
            store->rows(t, RowRange{}).error(),
            store->rowsWithKeys(t, std::span(&key, 1)).error(),
            store->add(t, named(t, u"Бета"_s)).error(),
            store->remove(t, key),
        };
        const QString notDone[] = {u"Адресната книга не е прочетена."_s,
                                   u"Адресната книга не е прочетена."_s,
                                   u"Адресната книга не е прочетена."_s, u"Записът не е добавен."_s,
                                   u"Записът не е изтрит."_s};
        for (size_t i = 0; i < std::size(errors); ++i) {
            const StoreError &e = errors[i];
            QCOMPARE(e.kind(), StoreError::Kind::Refused);
            QVERIFY2(e.message().contains(u"Таблица или колона на адресната книга вече липсва"_s),
                     qPrintable(e.message()));
            QVERIFY2(e.message().contains(notDone[i]), qPrintable(e.message()));
            QVERIFY(e.message().contains(book->database()));
        }
        QCOMPARE(catalogOf(*book), after);
        QVERIFY(!after.contains(u"depositor"_s));
        QCOMPARE(namesIn(*store, PartyTable::Recipients), QStringList{u"Бета"_s});
    }

    void connectionEndedBetweenCommands_data()
    {
        QTest::addColumn<bool>("restart");
        QTest::newRow("server restarted") << true;
        QTest::newRow("session ended by the administrator") << false;
    }
    // A connection that the server ended while the program was idle is found broken by
    // the next command, which connects again and does its work once, without an error.
    void connectionEndedBetweenCommands()
    {
        QFETCH(bool, restart);
        REQUIRE_SERVER();
        auto book = TestBook::make(Backend::Postgres);
        QVERIFY(book);
        auto store = book->open();
        QVERIFY(store);
        const PartyTable t = PartyTable::Payers;
        const PartyKey first = store->add(t, named(t, u"Първи"_s)).value();
        auto end = [&] {
            if (restart)
                return PgCluster::shared().stop() && PgCluster::shared().start();
            return book->exec(u"SELECT pg_terminate_backend(pid) FROM pg_stat_activity WHERE "
                              "datname = '"_s +
                              book->database() + u"' AND pid <> pg_backend_pid()"_s);
        };
        QVERIFY(end());
        QVERIFY(store->add(t, named(t, u"Втори"_s)).ok());
        QVERIFY(end());
        QVERIFY(!store->remove(t, first));
        QVERIFY(end());
        QCOMPARE(namesIn(*store, t), QStringList{u"Втори"_s});
        QVERIFY(end());
        QCOMPARE(store->summary(t).value().count, 1);
    }

    // An add that fails (here: another program holds the table longer than we wait) is
    // logged by the server with its statement, as the server does by default, but the
    // party's values travel beside it and are not in the log. A NUL, which no server
    // column can hold, is refused before the server is asked, naming the field.
    void failedAddLeavesNoValuesInServerLog()
    {
        REQUIRE_SERVER();
        auto book = TestBook::make(Backend::Postgres);
        QVERIFY(book);
        ServerBookOptions quick;
        quick.lockTimeoutMs = 200;
        auto store = book->open(quick);
        QVERIFY(store);
        QVERIFY(book->exec(u"ALTER SYSTEM SET log_min_error_statement = error"_s) &&
                book->exec(u"ALTER SYSTEM SET log_statement = none"_s) &&
                book->exec(u"SELECT pg_reload_conf()"_s));
        const PartyTable t = PartyTable::Recipients;
        QStringList secret = named(t, u"Тайнов_%1"_s.arg(book->database()));
        secret[1] = u"8001017%1"_s.arg(book->database().size(), 3, 10, QChar(u'0'));
        secret[6] = u"BG18RZBB91550123456789"_s;
        auto holder = book->connect();
        QVERIFY(holder->execAll({u"BEGIN"_s, u"LOCK TABLE recipient IN ACCESS EXCLUSIVE MODE"_s}));
        const std::vector<QStringList> one{secret}, two{secret, named(t, u"Втори"_s)};
        for (const std::vector<QStringList> *rows : {&one, &two}) {
            const StoreResult<std::vector<PartyKey>> added = store->add(t, *rows);
            QCOMPARE(added.error().kind(), StoreError::Kind::Busy);
        }
        holder.reset();
        QStringList withNul = secret;
        withNul[5] = u"ул. Първа"_s + QChar(0) + u"7"_s;
        const StoreResult<PartyKey> nul = store->add(t, withNul);
        QCOMPARE(nul.error().kind(), StoreError::Kind::Failed);
        QVERIFY2(nul.error().message().contains(u"Полето „Адрес“"_s) &&
                     nul.error().message().contains(u"код 0000"_s),
                 qPrintable(nul.error().message()));
        QCOMPARE(store->summary(t).value().count, 0);

        QFile log(PgCluster::shared().folder() + u"/server.log"_s);
        QVERIFY(log.open(QIODevice::ReadOnly));
        const QString text = QString::fromUtf8(log.readAll());
        // The failed statements are there, so the values would have been.
        QVERIFY2(text.count(u"canceling statement due to lock timeout"_s) >= 2, qPrintable(text));
        QVERIFY(text.contains(u"STATEMENT:  INSERT INTO"_s));
        for (const QString &value : {secret[0], secret[1], secret[6]})
            QVERIFY2(!text.contains(value), qPrintable(value));
    }

    // Two copies on one book: each hears of the other's adds and deletes, with the table,
    // within moments, and not of its own. After a server restart while both are idle,
    // each says that both tables may have changed, and goes on hearing.
    void copiesHearOfEachOthersChanges()
    {
        REQUIRE_SERVER();
        auto book = TestBook::make(Backend::Postgres);
        QVERIFY(book);
        auto a = book->open();
        auto b = book->open();
        QVERIFY(a && b);
        std::vector<PartyTable> heardByA, heardByB;
        a->watchChanges([&](PartyTable t) { heardByA.push_back(t); });
        b->watchChanges([&](PartyTable t) { heardByB.push_back(t); });
        using T = PartyTable;
        const PartyKey key = a->add(T::Payers, named(T::Payers, u"Нов"_s)).value();
        QTRY_VERIFY_WITH_TIMEOUT(heardByB == std::vector{T::Payers}, 2000);
        std::vector<QStringList> two{named(T::Recipients, u"Р1"_s), named(T::Recipients, u"Р2"_s)};
        QVERIFY(a->add(T::Recipients, two).ok());
        QVERIFY(!a->remove(T::Payers, key));
        QTRY_VERIFY_WITH_TIMEOUT(heardByB == (std::vector{T::Payers, T::Recipients, T::Payers}),
                                 2000);
        QVERIFY(!b->remove(T::Payers, b->add(T::Payers, named(T::Payers, u"От Б"_s)).value()));
        QTRY_COMPARE_WITH_TIMEOUT(heardByA.size(), size_t(2), 2000);
        QVERIFY(heardByA == (std::vector{T::Payers, T::Payers}));
        QTest::qWait(200);
        QCOMPARE(heardByB.size(), size_t(3)); // B's own two changes were not told to B

        heardByA.clear();
        heardByB.clear();
        QVERIFY(PgCluster::shared().stop() && PgCluster::shared().start());
        for (auto *heard : {&heardByA, &heardByB})
            QTRY_VERIFY_WITH_TIMEOUT(std::is_permutation(heard->begin(), heard->end(),
                                                         std::begin(kPartyTables),
                                                         std::end(kPartyTables)),
                                     5000);
        heardByB.clear();
        QVERIFY(a->add(T::Recipients, named(T::Recipients, u"След"_s)).ok());
        QTRY_VERIFY_WITH_TIMEOUT(heardByB == std::vector{T::Recipients}, 2000);
        b->watchChanges({});
        QVERIFY(a->add(T::Recipients, named(T::Recipients, u"Без слушател"_s)).ok());
        QTest::qWait(300);
        QCOMPARE(heardByB.size(), size_t(1));
    }

    // Moving one clerk's book to the server: the counts first, then every row in its
    // order; a second copy into a book that has rows is refused unless asked to append.
    void copyLocalBookToServer()
    {
        REQUIRE_SERVER();
        QTemporaryDir dir;
        auto local = localBook(dir, 2500, 3);
        QVERIFY(local);
        auto book = TestBook::make(Backend::Postgres);
        QVERIFY(book);
        auto server = book->open();
        QVERIFY(server);

        const BookCopyPreview preview = previewBookCopy(*local, *server).value();
        QCOMPARE(preview.fromRecipients, 2500);
        QCOMPARE(preview.fromPayers, 3);
        QVERIFY(preview.targetEmpty());

        std::vector<qint64> progress;
        const BookCopyReport report =
            copyBook(*local, *server, BookCopyMode::IntoEmpty, [&](qint64 done, qint64 total) {
                progress.push_back(done);
                return total == 2503;
            });
        QVERIFY2(report.error.ok(), qPrintable(report.error.message()));
        QCOMPARE(report.recipients, 2500);
        QCOMPARE(report.payers, 3);
        // Told after each step, of the rows copied so far.
        QCOMPARE(progress, (std::vector<qint64>{2500, 2503}));
        for (PartyTable t : kPartyTables)
            QCOMPARE(valuesIn(*server, t), valuesIn(*local, t));
        // The server's own order: by its keys.
        QCOMPARE(book->one(u"SELECT string_agg(\"Име на наредителя\", '|' ORDER BY party_id) "
                           "FROM depositor"_s),
                 u"Наредител 0|Наредител 1|Наредител 2"_s);

        const BookCopyReport again = copyBook(*local, *server, BookCopyMode::IntoEmpty);
        QCOMPARE(again.error.kind(), StoreError::Kind::Refused);
        QVERIFY2(again.error.message().contains(u"вече има 2500 получатели и 3 наредители"_s),
                 qPrintable(again.error.message()));
        QCOMPARE(again.recipients + again.payers, 0);
        QCOMPARE(server->summary(PartyTable::Recipients).value().count, 2500);

        QVERIFY(local->add(PartyTable::Payers, named(PartyTable::Payers, u"Нов"_s)).ok());
        const BookCopyReport appended = copyBook(*local, *server, BookCopyMode::Append);
        QVERIFY(appended.error.ok());
        QCOMPARE(appended.payers, 4);
        QCOMPARE(namesIn(*server, PartyTable::Payers),
                 (QStringList{u"Наредител 0"_s, u"Наредител 1"_s, u"Наредител 2"_s,
                              u"Наредител 0"_s, u"Наредител 1"_s, u"Наредител 2"_s, u"Нов"_s}));
    }

    void failedCopyLeavesNothing_data()
    {
        QTest::addColumn<QString>("afterOpen");
        QTest::addColumn<StoreError::Kind>("kind");
        QTest::addColumn<QString>("says");
        QTest::newRow("may add recipients, not payers")
            << QString() << StoreError::Kind::ReadOnly << u"няма право да добавя"_s;
        QTest::newRow("payers' table gone before the copy")
            << u"DROP TABLE depositor"_s << StoreError::Kind::Refused << u"вече липсва"_s;
    }
    // A copy that fails, half-way or before it begins, takes back what it added, says
    // why, and leaves the server as it was.
    void failedCopyLeavesNothing()
    {
        QFETCH(QString, afterOpen);
        QFETCH(StoreError::Kind, kind);
        QFETCH(QString, says);
        REQUIRE_SERVER();
        QTemporaryDir dir;
        auto local = localBook(dir, 1500, 2);
        QVERIFY(local);
        auto book = TestBook::make(Backend::Postgres);
        QVERIFY(book);
        QVERIFY(book->open());
        const QString clerk = newRole(*book, u"halfway"_s);
        QVERIFY(book->execAll({u"GRANT SELECT, INSERT, DELETE ON recipient TO "_s + clerk,
                               u"GRANT SELECT ON depositor TO "_s + clerk,
                               u"GRANT USAGE ON SEQUENCE recipient_party_id_seq TO "_s + clerk}));
        StoreResult<std::unique_ptr<PartyStore>> opened = openServerBook(book->settings(clerk));
        QVERIFY2(opened.ok(), qPrintable(opened.error().message()));
        auto server = opened.take();
        if (!afterOpen.isEmpty())
            QVERIFY(book->exec(afterOpen));
        const BookCopyReport report = copyBook(*local, *server, BookCopyMode::IntoEmpty);
        QCOMPARE(report.error.kind(), kind);
        QVERIFY2(report.error.message().contains(says), qPrintable(report.error.message()));
        QCOMPARE(report.recipients + report.payers, 0);
        QCOMPARE(book->one(u"SELECT count(*) FROM recipient"_s), u"0"_s);
    }

    void interruptedCopyLeavesServerAsItWas_data()
    {
        QTest::addColumn<bool>("endConnection");
        QTest::newRow("cancelled by the clerk") << false;
        QTest::newRow("connection ended by the administrator") << true;
    }
    // A copy stopped half-way, after whole batches are in the server's transaction,
    // leaves the server's book with exactly the rows it had; the next copy goes through.
    void interruptedCopyLeavesServerAsItWas()
    {
        QFETCH(bool, endConnection);
        REQUIRE_SERVER();
        QTemporaryDir dir;
        auto local = localBook(dir, 12000, 2);
        QVERIFY(local);
        auto book = TestBook::make(Backend::Postgres);
        QVERIFY(book);
        auto server = book->open();
        QVERIFY(server);
        std::vector<QStringList> had{named(PartyTable::Recipients, u"Стар"_s),
                                     named(PartyTable::Recipients, u"Стар 2"_s)};
        QVERIFY(server->add(PartyTable::Recipients, had).ok());
        QVERIFY(server->add(PartyTable::Payers, named(PartyTable::Payers, u"Стар"_s)).ok());
        auto counts = [&] {
            return book->one(u"SELECT (SELECT count(*) FROM recipient) || '/' || "
                             "(SELECT count(*) FROM depositor)"_s);
        };
        qint64 stoppedAt = 0;
        const BookCopyReport report =
            copyBook(*local, *server, BookCopyMode::Append, [&](qint64 done, qint64) {
                if (done < 10000)
                    return true;
                stoppedAt = done;
                if (!endConnection)
                    return false;
                return book->exec(u"SELECT pg_terminate_backend(pid) FROM pg_stat_activity "
                                  "WHERE datname = current_database() AND pid <> "
                                  "pg_backend_pid()"_s);
            });
        QCOMPARE(stoppedAt, 10000);
        QCOMPARE(report.error.kind(),
                 endConnection ? StoreError::Kind::Unavailable : StoreError::Kind::Failed);
        QVERIFY2(report.error.message().contains(endConnection ? u"не е добавен"_s
                                                               : u"нищо не е копирано"_s),
                 qPrintable(report.error.message()));
        QCOMPARE(report.recipients + report.payers, 0);
        QCOMPARE(counts(), u"2/1"_s);
        const BookCopyReport again = copyBook(*local, *server, BookCopyMode::Append);
        QVERIFY2(again.error.ok(), qPrintable(again.error.message()));
        QCOMPARE(counts(), u"12002/3"_s);
    }

    void serverRefusesAnAdd_data()
    {
        QTest::addColumn<QString>("setup"); // run on the book's database before it is opened
        QTest::addColumn<QStringList>("says");
        QTest::newRow("a database that only reads")
            << u"ALTER DATABASE %1 SET default_transaction_read_only = on"_s
            << QStringList{u"приема само четене"_s, u"Добавяне и изтриване не са възможни"_s};
        QTest::newRow("a column shorter than the name")
            << u"ALTER TABLE recipient ALTER COLUMN \"Име на получателя\" TYPE varchar(5)"_s
            << QStringList{u"по-дълга"_s, u"Записът не е добавен."_s};
        QTest::newRow("a rule of the office's")
            << u"ALTER TABLE recipient ADD CHECK (length(\"Име на получателя\") < 5)"_s
            << QStringList{u"отказа"_s, u"Записът не е добавен."_s};
    }
    // What the server refuses an add for is told in the clerk's words, and nothing is added.
    void serverRefusesAnAdd()
    {
        QFETCH(QString, setup);
        QFETCH(QStringList, says);
        REQUIRE_SERVER();
        auto book = TestBook::make(Backend::Postgres);
        QVERIFY(book && book->open());
        QVERIFY(book->exec(setup.arg(book->database())));
        auto store = book->open();
        QVERIFY(store);
        const PartyTable t = PartyTable::Recipients;
        const QString message = store->add(t, named(t, u"Дълго име"_s)).error().message();
        for (const QString &part : says)
            QVERIFY2(message.contains(part), qPrintable(message));
        QCOMPARE(book->one(u"SELECT count(*) FROM recipient"_s), u"0"_s);
    }

    void connectionCheck_data()
    {
        QTest::addColumn<QString>("setup");
        QTest::addColumn<ServerCheck::Outcome>("outcome");
        QTest::addColumn<QString>("says");
        using O = ServerCheck::Outcome;
        QTest::newRow("trusted, with rows")
            << u"rows"_s << O::Ok << u"получатели: 2, наредители: 1"_s;
        QTest::newRow("password from .pgpass")
            << u"password"_s << O::Ok << u"получатели: 0, наредители: 0"_s;
        QTest::newRow("wrong password in .pgpass")
            << u"wrong password"_s << O::BadPassword << u"не прие паролата на потребителя"_s;
        QTest::newRow("no password anywhere")
            << u"no password"_s << O::NoPassword << u"~/.pgpass"_s;
        QTest::newRow("server not reachable")
            << u"unreachable"_s << O::Unreachable << u"не отговаря"_s;
        QTest::newRow("no such database")
            << u"no database"_s << O::NoDatabase << u"няма база данни „няма_такава“"_s;
        QTest::newRow("no such role") << u"no role"_s << O::NoRights << u"не допуска"_s;
        QTest::newRow("no connection left for the role")
            << u"connection limit"_s << O::Failed << u"не приема повече връзки"_s;
        QTest::newRow("no right to read")
            << u"no select"_s << O::NoRights << u"няма право да чете"_s;
        QTest::newRow("tables missing, not creatable")
            << u"no create"_s << O::TablesMissing << u"няма право да ги създаде"_s;
        QTest::newRow("one table missing, the other unreadable")
            << u"half"_s << O::NoRights << u"няма право да чете"_s;
        QTest::newRow("tables missing, to be made")
            << u"empty"_s << O::Ok << u"ще ги създаде при първото отваряне"_s;
        QTest::newRow("a role that may only read")
            << u"read only"_s << O::Ok << u"може само да чете"_s;
        QTest::newRow("through a service of pg_service.conf")
            << u"service"_s << O::Ok << u"получатели: 0, наредители: 0"_s;
        QTest::newRow("unknown service")
            << u"no service"_s << O::Unreachable << u"Услугата „няма“ не е описана"_s;
        QTest::newRow("a rule of the office's that refuses reading")
            << u"policy"_s << O::NoRights << u"няма право да чете"_s;
        QTest::newRow("a table held by another program")
            << u"locked"_s << O::Failed << u"е заета от друга програма"_s;
    }
    // "Проверка на връзката" says in Bulgarian what it found; it changes nothing.
    void connectionCheck()
    {
        QFETCH(QString, setup);
        QFETCH(ServerCheck::Outcome, outcome);
        QFETCH(QString, says);
        REQUIRE_SERVER();
        auto book = TestBook::make(Backend::Postgres);
        QVERIFY(book);
        if (setup != u"empty"_s && setup != u"no create"_s)
            QVERIFY(book->open());
        ServerBookSettings settings = book->settings();
        std::unique_ptr<PasswordFile> passwords;
        std::unique_ptr<OtherConnection> holder;
        QTemporaryDir services;
        const QString line =
            u"127.0.0.1:%1:%2:"_s.arg(PgCluster::shared().port()).arg(book->database());
        if (setup == u"rows"_s) {
            auto store = book->open();
            QVERIFY(store->add(PartyTable::Recipients, named(PartyTable::Recipients, u"a"_s)).ok());
            QVERIFY(store->add(PartyTable::Recipients, named(PartyTable::Recipients, u"b"_s)).ok());
            QVERIFY(store->add(PartyTable::Payers, named(PartyTable::Payers, u"c"_s)).ok());
        } else if (setup.endsWith(u"password"_s)) {
            settings.user = newRole(*book, u"pw"_s, u"PASSWORD 'тайна:1' IN ROLE needs_password"_s);
            QVERIFY(book->exec(u"GRANT SELECT, INSERT, DELETE ON recipient, depositor TO "_s +
                               settings.user));
            if (setup == u"password"_s)
                passwords = std::make_unique<PasswordFile>(
                    QStringList{line + settings.user + u":тайна\\:1"_s});
            else if (setup == u"wrong password"_s)
                passwords =
                    std::make_unique<PasswordFile>(QStringList{line + settings.user + u":друга"_s});
            else
                passwords = std::make_unique<PasswordFile>(QStringList{});
        } else if (setup == u"unreachable"_s) {
            settings.port = PgCluster::freePort();
        } else if (setup == u"no database"_s) {
            settings.database = u"няма_такава"_s;
        } else if (setup == u"no role"_s) {
            settings.user = u"nobody_here"_s;
        } else if (setup == u"connection limit"_s) {
            settings.user = newRole(*book, u"limited"_s, u"CONNECTION LIMIT 0"_s);
        } else if (setup == u"no select"_s) {
            settings.user = newRole(*book, u"noselect"_s);
        } else if (setup == u"half"_s) {
            settings.user = newRole(*book, u"half"_s);
            QVERIFY(book->exec(u"DROP TABLE depositor"_s));
            QVERIFY(book->exec(u"GRANT CREATE ON SCHEMA public TO "_s + settings.user));
        } else if (setup == u"no create"_s) {
            settings.user = newRole(*book, u"nocreate"_s);
        } else if (setup == u"read only"_s) {
            settings.user = newRole(*book, u"reader"_s);
            QVERIFY(book->exec(u"GRANT SELECT ON recipient, depositor TO "_s + settings.user));
        } else if (setup == u"policy"_s) {
            // Allowed to read the table, refused each row by a rule of the office's.
            settings.user = newRole(*book, u"ruled"_s);
            QVERIFY(book->execAll({u"GRANT SELECT ON recipient, depositor TO "_s + settings.user,
                                   u"CREATE FUNCTION refuse() RETURNS boolean LANGUAGE plpgsql AS "
                                   "'BEGIN RAISE insufficient_privilege; END'"_s,
                                   u"ALTER TABLE depositor ENABLE ROW LEVEL SECURITY"_s,
                                   u"CREATE POLICY office ON depositor USING (refuse())"_s}));
            auto store = book->open();
            QVERIFY(store->add(PartyTable::Payers, named(PartyTable::Payers, u"c"_s)).ok());
        } else if (setup.endsWith(u"service"_s)) {
            QFile file(services.path() + u"/pg_service.conf"_s);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(u"[офис]\nhost=127.0.0.1\nport=%1\ndbname=%2\nuser=postgres\n"
                       "sslmode=disable\n"_s.arg(PgCluster::shared().port())
                           .arg(book->database())
                           .toUtf8());
            file.close();
            qputenv("PGSERVICEFILE", QFile::encodeName(file.fileName()));
            settings = ServerBookSettings{};
            settings.service = setup == u"service"_s ? u"офис"_s : u"няма"_s;
        }
        const QString before = catalogOf(*book);
        if (setup == u"locked"_s) {
            holder = book->connect();
            QVERIFY(
                holder->execAll({u"BEGIN"_s, u"LOCK TABLE depositor IN ACCESS EXCLUSIVE MODE"_s}));
        }
        ServerBookOptions quick;
        quick.connectTimeoutS = 2;
        quick.lockTimeoutMs = 300;
        const ServerCheck check = checkServerBook(settings, quick);
        qunsetenv("PGSERVICEFILE");
        holder.reset();
        QVERIFY2(check.message.contains(says), qPrintable(check.message));
        QCOMPARE(check.outcome, outcome);
        QCOMPARE(catalogOf(*book), before);
        if (outcome == ServerCheck::Outcome::Ok) {
            QCOMPARE(check.readOnly, setup == u"read only"_s);
            QCOMPARE(check.tablesToCreate, setup == u"empty"_s);
            QVERIFY(check.message.startsWith(u"Връзката е наред"_s));
            QVERIFY(check.message.contains(book->database()));
        } else if (!check.message.contains(u"няма право да ги създаде"_s)) {
            // The server's or libpq's own words follow ours, except where we found it.
            QVERIFY2(check.message.contains(u"\nСъобщение от PostgreSQL: "_s) ||
                         outcome == ServerCheck::Outcome::NoRights,
                     qPrintable(check.message));
        }
    }

    // The office's set-up script makes what the program would make, and a role with
    // just the rights it needs: a clerk in its group reads, adds and deletes, with the
    // password from .pgpass, and can neither change rows nor make tables.
    void setupScript()
    {
        REQUIRE_SERVER();
        PgCluster &cluster = PgCluster::shared();
        const QString psql = cluster.binaries() + u"/psql"_s;
        FORMELAN_NEED(QFile::exists(psql), "psql (Debian: postgresql-client) is not installed");
        auto reference = TestBook::make(Backend::Postgres);
        QVERIFY(reference && reference->open());
        const QString database = reference->database() + u"_script"_s;
        const QString group = reference->database() + u"_clerks"_s;
        QProcess run;
        run.setProcessChannelMode(QProcess::MergedChannels);
        const QStringList args{
            u"-X"_s, u"-q"_s,
            u"-h"_s, cluster.host(),
            u"-p"_s, QString::number(cluster.port()),
            u"-U"_s, u"postgres"_s,
            u"-d"_s, u"postgres"_s,
            u"-v"_s, u"book_db="_s + database,
            u"-v"_s, u"book_group="_s + group,
            u"-f"_s, QStringLiteral(FORMELAN_SOURCE_DIR) + u"/docs/postgresql-setup.sql"_s};
        for (int round = 0; round < 2; ++round) { // and once more: nothing changes
            run.start(psql, args);
            QVERIFY(run.waitForFinished(60000));
            QVERIFY2(run.exitCode() == 0, run.readAll().constData());
        }
        const QString clerk = database + u"_ivana"_s;
        QVERIFY(cluster.exec(database,
                             {u"CREATE ROLE "_s + clerk + u" LOGIN PASSWORD 'парола' IN ROLE "_s +
                              group + u", needs_password"_s}));
        PasswordFile passwords(
            {u"127.0.0.1:%1:%2:%3:парола"_s.arg(cluster.port()).arg(database, clerk)});

        // The same tables as the program makes.
        auto shape = [&](const QString &db) {
            return cluster.one(db, u"SELECT string_agg(c.relname || '.' || a.attname || ' ' || "
                                   "format_type(a.atttypid, a.atttypmod) || ' ' || "
                                   "a.attnotnull || ' ' || a.attidentity::text || ' ' || "
                                   "coalesce(pg_get_expr(d.adbin, d.adrelid), ''), ' | ' "
                                   "ORDER BY c.relname, a.attnum) FROM pg_class c JOIN "
                                   "pg_attribute a ON a.attrelid = c.oid AND a.attnum > 0 "
                                   "LEFT JOIN pg_attrdef d ON d.adrelid = c.oid AND d.adnum = "
                                   "a.attnum WHERE c.relname IN ('recipient', 'depositor')"_s);
        };
        QCOMPARE(shape(database), shape(reference->database()));

        ServerBookSettings settings = cluster.settings(database, clerk);
        const ServerCheck check = checkServerBook(settings);
        QCOMPARE(check.outcome, ServerCheck::Outcome::Ok);
        QVERIFY(!check.readOnly);
        auto store = openServerBook(settings).take();
        QVERIFY(store);
        QVERIFY(!store->isReadOnly());
        const PartyTable t = PartyTable::Recipients;
        const PartyKey key = store->add(t, named(t, u"От скрипта"_s)).value();
        std::vector<QStringList> two{named(t, u"Две"_s), named(t, u"Три"_s)};
        QVERIFY(store->add(t, two).ok());
        QVERIFY(!store->remove(t, key));
        QCOMPARE(namesIn(*store, t), (QStringList{u"Две"_s, u"Три"_s}));
        // No more than that.
        const QString rights = cluster.one(
            database, u"SELECT string_agg(t || ':' || r, ',' ORDER BY t, r) FROM "
                      "unnest(ARRAY['recipient', 'depositor']) t, unnest(ARRAY['SELECT', 'INSERT', "
                      "'DELETE', 'UPDATE', 'TRUNCATE', 'REFERENCES', 'TRIGGER']) r WHERE "
                      "has_table_privilege('"_s +
                          clerk + u"', t, r)"_s);
        QCOMPARE(rights, u"depositor:DELETE,depositor:INSERT,depositor:SELECT,recipient:DELETE,"
                         "recipient:INSERT,recipient:SELECT"_s);
        QCOMPARE(cluster.one(database, u"SELECT has_schema_privilege('"_s + clerk +
                                           u"', 'public', 'CREATE') OR "
                                           "has_database_privilege('"_s +
                                           clerk + u"', current_database(), 'CREATE')"_s),
                 u"false"_s);
        QCOMPARE(cluster.one(u"postgres"_s, u"SELECT has_database_privilege('"_s + clerk +
                                                u"', '"_s + database + u"', 'CONNECT')"_s),
                 u"true"_s);
        QCOMPARE(cluster.one(u"postgres"_s, u"SELECT has_database_privilege('public', '"_s +
                                                database + u"', 'CONNECT')"_s),
                 u"false"_s);
    }

    // The choice of book and the server's fields are kept in the user's settings, under
    // "addressBook", and never a password.
    void settingsAreKept()
    {
        QTemporaryDir dir;
        const QString file = dir.path() + u"/Formelan.conf"_s;
        setSettingsFileForTesting(file);
        QCOMPARE(loadBookPlace(), BookPlaceSettings{}); // the local book unless chosen
        BookPlaceSettings s;
        s.place = BookPlace::Server;
        s.server.service = u"офис"_s;
        s.server.host = u"db.office.lan"_s;
        s.server.port = 5433;
        s.server.database = u"formelan"_s;
        s.server.user = u"ivana"_s;
        s.server.sslMode = u"verify-full"_s;
        saveBookPlace(s);
        QCOMPARE(loadBookPlace(), s);
        {
            QSettings raw(file, QSettings::IniFormat);
            raw.beginGroup(u"addressBook"_s);
            QCOMPARE(raw.value(u"place"_s).toString(), u"server"_s);
            for (const QString &key : raw.allKeys())
                QVERIFY2(!key.contains(u"pass"_s, Qt::CaseInsensitive), qPrintable(key));
        }
        s.server.port = 1; // the lowest port is one like any other
        saveBookPlace(s);
        QCOMPARE(loadBookPlace(), s);
        s.place = BookPlace::Local;
        s.server.port = 0;
        s.server.service.clear();
        saveBookPlace(s);
        QCOMPARE(loadBookPlace(), s);
        setSettingsFileForTesting({});
    }

    // The settings group: the server's fields are there only for "на сървър"; what the
    // user types is what settings() gives.
    void placeWidgetFields()
    {
        BookPlaceWidget w;
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        auto *local = w.findChild<QRadioButton *>(u"bookOnThisComputer"_s);
        auto *server = w.findChild<QRadioButton *>(u"bookOnServer"_s);
        auto *service = w.findChild<QLineEdit *>(u"serverService"_s);
        auto *serverPart = w.findChild<QWidget *>(u"serverFields"_s);
        auto *host = w.findChild<QLineEdit *>(u"serverHost"_s);
        auto *port = w.findChild<QLineEdit *>(u"serverPort"_s);
        auto *database = w.findChild<QLineEdit *>(u"serverDatabase"_s);
        auto *user = w.findChild<QLineEdit *>(u"serverUser"_s);
        auto *ssl = w.findChild<QComboBox *>(u"serverSslMode"_s);
        auto *check = w.findChild<QPushButton *>(u"checkConnection"_s);
        QVERIFY(local && server && service && serverPart && host && port && database && user &&
                ssl && check);
        // The choice, the server's fields, the button and the answer, one below the other.
        const QList<QWidget *> parts{local, server, serverPart, check,
                                     w.findChild<QWidget *>(u"checkResultArea"_s)};
        for (QWidget *a : parts) {
            for (QWidget *b : parts)
                QVERIFY2(a == b || !a->geometry().intersects(b->geometry()),
                         qPrintable(a->objectName() + u" / "_s + b->objectName()));
        }
        // The server's fields one below the other, in their order.
        const QList<QWidget *> fields{service, host, port, database, user, ssl};
        for (qsizetype i = 1; i < fields.size(); ++i)
            QVERIFY2(fields[i]->geometry().top() > fields[i - 1]->geometry().bottom(),
                     qPrintable(fields[i]->objectName()));
        // However small the dialog, the answer of a check has room for several lines.
        w.resize(w.minimumSizeHint());
        QApplication::processEvents();
        QCOMPARE_GE(w.findChild<QWidget *>(u"checkResultArea"_s)->height(),
                    5 * w.fontMetrics().lineSpacing());
        w.adjustSize();
        // The note on passwords below the last field.
        auto *note = w.findChild<QLabel *>(u"passwordNote"_s);
        QVERIFY(note && note->isVisible());
        QVERIFY(note->geometry().top() > ssl->geometry().bottom());
        // The server's part has no margin of its own: it stands in line with the rest.
        QCOMPARE(service->y(), 0);
        QCOMPARE(note->x(), 0);
        QCOMPARE(note->geometry().right(), serverPart->width() - 1);
        QCOMPARE(note->geometry().bottom(), serverPart->height() - 1);
        QCOMPARE(check->text(), u"Проверка на връзката"_s);
        QCOMPARE(local->text(), u"на този компютър"_s);
        QCOMPARE(server->text(), u"на сървър"_s);
        QCOMPARE(port->placeholderText(), u"5432"_s); // what an empty port stands for
        QVERIFY(local->isChecked());
        QVERIFY(!host->isEnabled());
        QVERIFY(!check->isEnabled());

        QTest::mouseClick(server, Qt::LeftButton);
        QVERIFY(host->isEnabled());
        QVERIFY(check->isEnabled());
        typeText(host, u"db.office.lan"_s);
        typeText(port, u"54x32"_s); // the letter is not taken
        typeText(database, u"книга"_s);
        typeText(user, u"ivana"_s);
        ssl->setFocus();
        typeText(ssl, u"require"_s);
        BookPlaceSettings s = w.settings();
        QCOMPARE(s.place, BookPlace::Server);
        QCOMPARE(s.server.host, u"db.office.lan"_s);
        QCOMPARE(s.server.port, 5432);
        QCOMPARE(s.server.database, u"книга"_s);
        QCOMPARE(s.server.user, u"ivana"_s);
        QCOMPARE(s.server.sslMode, u"require"_s);
        QVERIFY(s.server.service.isEmpty());

        BookPlaceWidget other;
        other.setSettings(s);
        QCOMPARE(other.settings(), s);
        QTest::mouseClick(local, Qt::LeftButton);
        QCOMPARE(w.settings().place, BookPlace::Local);
        QCOMPARE(w.settings().server, s.server); // kept for switching back
    }

    // "Проверка на връзката" tries what is typed, without freezing the window, and shows
    // what it found.
    void placeWidgetCheck()
    {
        REQUIRE_SERVER();
        auto book = TestBook::make(Backend::Postgres);
        QVERIFY(book);
        {
            auto store = book->open();
            QVERIFY(store);
            QVERIFY(store->add(PartyTable::Payers, named(PartyTable::Payers, u"x"_s)).ok());
        }
        BookPlaceWidget w;
        ServerBookOptions quick;
        quick.connectTimeoutS = 2;
        w.setCheckOptions(quick);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QTest::mouseClick(w.findChild<QRadioButton *>(u"bookOnServer"_s), Qt::LeftButton);
        auto *port = w.findChild<QLineEdit *>(u"serverPort"_s);
        auto *check = w.findChild<QPushButton *>(u"checkConnection"_s);
        auto *result = w.findChild<QLabel *>(u"checkResult"_s);
        typeText(w.findChild<QLineEdit *>(u"serverHost"_s), u"127.0.0.1"_s);
        typeText(port, QString::number(PgCluster::freePort()));
        typeText(w.findChild<QLineEdit *>(u"serverDatabase"_s), book->database());
        typeText(w.findChild<QLineEdit *>(u"serverUser"_s), u"postgres"_s);

        QTest::mouseClick(check, Qt::LeftButton);
        QVERIFY(!check->isEnabled()); // one check at a time
        QCOMPARE(result->text(), u"Проверява се…"_s);
        QTRY_VERIFY_WITH_TIMEOUT(!w.isChecking(), 10000);
        QCOMPARE(w.lastCheck().outcome, ServerCheck::Outcome::Unreachable);
        QVERIFY2(result->text().contains(u"не отговаря"_s), qPrintable(result->text()));
        // The answer, longer than a line, wraps within the window: none of it is cut off.
        const auto *area = w.findChild<QScrollArea *>(u"checkResultArea"_s);
        QCOMPARE_GT(result->fontMetrics().horizontalAdvance(result->text()),
                    area->viewport()->width());
        QCOMPARE_LE(result->width(), area->viewport()->width());
        QVERIFY(check->isEnabled());

        port->selectAll();
        typeText(port, QString::number(PgCluster::shared().port()));
        QTest::mouseClick(check, Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(!w.isChecking(), 10000);
        QCOMPARE(w.lastCheck().outcome, ServerCheck::Outcome::Ok);
        QVERIFY2(result->text().contains(u"получатели: 0, наредители: 1"_s),
                 qPrintable(result->text()));
    }
};

QTEST_MAIN(TestPgBook)
#include "tst_pgbook.moc"
