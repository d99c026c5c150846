#include "testbooks.h"

#include "require.h"

#include "parties/sqlitepartystore.h"
#include "pgcluster.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace formelan;

QString backendName(Backend backend)
{
    return backend == Backend::Sqlite ? u"sqlite"_s : u"postgresql"_s;
}

QStringList bookColumns(PartyTable table)
{
    if (table == PartyTable::Recipients)
        return {u"Име на получателя"_s,
                u"ЕГН на упълномощеното лице"_s,
                u"Документ за самоличност"_s,
                u"Местно лице"_s,
                u"Държава"_s,
                u"Адрес"_s,
                u"IBAN"_s,
                u"BIC"_s,
                u"Банка"_s};
    return {u"Име на наредителя"_s,
            u"Име на задълженото лице"_s,
            u"ЕГН на задълженото лице"_s,
            u"ЛНЧ на задълженото лице"_s,
            u"БУЛСТАТ"_s,
            u"Български гражданин"_s,
            u"Държава"_s,
            u"Адрес"_s,
            u"БИК"_s,
            u"IBAN"_s,
            u"Обслужваща банка"_s,
            u"Адрес на банката"_s,
            u"Банков клон"_s};
}

QString bookTable(PartyTable table)
{
    return table == PartyTable::Recipients ? u"recipient"_s : u"depositor"_s;
}

void addBackendColumn()
{
    QTest::addColumn<Backend>("backend");
}

QByteArray rowName(Backend backend, const char *name)
{
    const QByteArray b = backendName(backend).toLatin1();
    if (!name || !*name)
        return b;
    return QByteArray(name) + " (" + b + ')';
}

StoreResult<std::unique_ptr<PartyStore>> openBookAt(const QString &address)
{
    if (!address.startsWith(u"pg:"_s))
        return openSqliteBook(address);
    ServerBookSettings s;
    for (const QString &part : address.mid(3).split(u';', Qt::SkipEmptyParts)) {
        const qsizetype eq = part.indexOf(u'=');
        const QString key = part.left(eq), value = part.mid(eq + 1);
        if (key == u"host"_s)
            s.host = value;
        else if (key == u"port"_s)
            s.port = value.toInt();
        else if (key == u"dbname"_s)
            s.database = value;
        else if (key == u"user"_s)
            s.user = value;
        else if (key == u"sslmode"_s)
            s.sslMode = value;
        else if (key == u"service"_s)
            s.service = value;
    }
    return openServerBook(s);
}

QString TestBook::unavailable(Backend backend)
{
    if (backend == Backend::Sqlite)
        return {};
    PgCluster &cluster = PgCluster::shared();
    if (cluster.ensureRunning())
        return {};
    // Where the server's tests must run (CI), a server that cannot start fails the test
    // program instead of skipping quietly.
    if (formelan::test::outsideRequired())
        qFatal("FORMELAN_TEST_REQUIRE is set, but PostgreSQL cannot start: %s",
               qPrintable(cluster.skipReason()));
    return cluster.skipReason();
}

std::unique_ptr<TestBook> TestBook::make(Backend backend)
{
    std::unique_ptr<TestBook> book(new TestBook(backend));
    if (backend == Backend::Sqlite) {
        book->m_dir = std::make_unique<QTemporaryDir>();
        book->m_path = book->m_dir->path() + u"/base.mdb"_s;
        return book;
    }
    if (!PgCluster::shared().ensureRunning())
        return nullptr;
    book->m_database = PgCluster::shared().newDatabase();
    if (book->m_database.isEmpty())
        return nullptr;
    return book;
}

QString TestBook::address() const
{
    if (m_backend == Backend::Sqlite)
        return m_path;
    return u"pg:host=127.0.0.1;port=%1;dbname=%2;user=postgres;sslmode=disable"_s
        .arg(PgCluster::shared().port())
        .arg(m_database);
}

ServerBookSettings TestBook::settings(const QString &user) const
{
    return PgCluster::shared().settings(m_database, user);
}

StoreResult<std::unique_ptr<PartyStore>> TestBook::tryOpen(const ServerBookOptions &options) const
{
    if (m_backend == Backend::Sqlite)
        return openSqliteBook(m_path);
    return openServerBook(settings(), options);
}

std::unique_ptr<PartyStore> TestBook::open(const ServerBookOptions &options)
{
    StoreResult<std::unique_ptr<PartyStore>> store = tryOpen(options);
    if (!store.ok()) {
        qWarning("%s", qPrintable(store.error().message()));
        return nullptr;
    }
    return store.take();
}

namespace {
int g_other = 0;
}

OtherConnection::OtherConnection(Backend backend, const QString &pathOrDatabase)
    : m_name(u"testbook-%1"_s.arg(++g_other))
{
    if (backend == Backend::Sqlite) {
        QSqlDatabase db = QSqlDatabase::addDatabase(u"QSQLITE"_s, m_name);
        db.setDatabaseName(pathOrDatabase);
        db.setConnectOptions(u"QSQLITE_BUSY_TIMEOUT=5000"_s);
        db.open();
    } else {
        QSqlDatabase db = QSqlDatabase::addDatabase(u"QPSQL"_s, m_name);
        db.setHostName(PgCluster::shared().host());
        db.setPort(PgCluster::shared().port());
        db.setDatabaseName(pathOrDatabase);
        db.setUserName(u"postgres"_s);
        db.open();
    }
}

OtherConnection::~OtherConnection()
{
    {
        QSqlDatabase db = QSqlDatabase::database(m_name, false);
        db.close();
    }
    QSqlDatabase::removeDatabase(m_name);
}

bool OtherConnection::isOpen() const
{
    return QSqlDatabase::database(m_name, false).isOpen();
}

bool OtherConnection::exec(const QString &sql)
{
    QSqlQuery q(QSqlDatabase::database(m_name, false));
    if (q.exec(sql))
        return true;
    qWarning("%s: %s", qPrintable(sql), qPrintable(q.lastError().text()));
    return false;
}

bool OtherConnection::execAll(const QStringList &sql)
{
    for (const QString &s : sql) {
        if (!exec(s))
            return false;
    }
    return true;
}

QStringList OtherConnection::column(const QString &sql)
{
    QStringList out;
    QSqlQuery q(QSqlDatabase::database(m_name, false));
    if (!q.exec(sql))
        qWarning("%s: %s", qPrintable(sql), qPrintable(q.lastError().text()));
    while (q.next())
        out.append(q.value(0).isNull() ? u"<null>"_s : q.value(0).toString());
    return out;
}

std::unique_ptr<OtherConnection> TestBook::connect() const
{
    return std::make_unique<OtherConnection>(m_backend,
                                             m_backend == Backend::Sqlite ? m_path : m_database);
}

bool TestBook::execAll(const QStringList &sql)
{
    return connect()->execAll(sql);
}

QStringList TestBook::column(const QString &sql)
{
    return connect()->column(sql);
}

QString TestBook::tableSql(PartyTable table, QStringList columns, const QString &extra) const
{
    if (columns.isEmpty())
        columns = bookColumns(table);
    QStringList defs;
    for (const QString &c : columns)
        defs.append(u'"' + c + u"\" TEXT NOT NULL DEFAULT ''"_s);
    if (!extra.isEmpty())
        defs.append(extra);
    if (m_backend == Backend::Postgres)
        defs.append(u"party_id bigint GENERATED ALWAYS AS IDENTITY PRIMARY KEY"_s);
    return u"CREATE TABLE "_s + bookTable(table) + u" ("_s + defs.join(u", "_s) + u')';
}
