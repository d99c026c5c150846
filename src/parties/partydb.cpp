#include "parties/partydb.h"

#include "base/errors.h"

#include <QDir>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QStandardPaths>

#include <atomic>
#include <exception>

namespace formelan {

using namespace Qt::StringLiterals;

namespace {

QString g_pathOverride;
std::atomic<int> g_connections = 0;

QString newConnectionName()
{
    return u"formelan-%1"_s.arg(++g_connections);
}

// A connection to the file, not yet open. Another program, or a second Formelan, may
// write the same file meanwhile.
QSqlDatabase addConnection(const QString &name, const QString &path)
{
    QSqlDatabase db = QSqlDatabase::addDatabase(u"QSQLITE"_s, name);
    db.setDatabaseName(path);
    db.setConnectOptions(u"QSQLITE_BUSY_TIMEOUT=5000"_s);
    return db;
}

QString quoted(const QString &identifier)
{
    return u'"' + QString(identifier).replace(u'"', u"\"\""_s) + u'"';
}

[[noreturn]] void fail(const QSqlError &error)
{
    throw AppError(error.text().trimmed());
}

QSqlQuery run(const QSqlDatabase &db, const QString &sql)
{
    QSqlQuery q(db);
    if (!q.exec(sql))
        fail(q.lastError());
    return q;
}

QString createTable(const QString &table, const QStringList &columns)
{
    QStringList defs;
    for (const QString &c : columns)
        defs.append(quoted(c) + u" TEXT NOT NULL DEFAULT ''"_s);
    return u"CREATE TABLE "_s + table + u" ("_s + defs.join(u", "_s) + u')';
}

TableSnapshot readSnapshot(const QSqlDatabase &sql, const QString &table)
{
    TableSnapshot snapshot;
    const QSqlRecord record = sql.record(table);
    for (int i = 0; i < record.count(); ++i)
        snapshot.columns.append(record.fieldName(i));
    if (snapshot.columns.isEmpty())
        throw AppError(u"The table '%1' cannot be read."_s.arg(table));
    QSqlQuery q(sql);
    q.setForwardOnly(true);
    if (!q.exec(u"SELECT rowid, "_s + quoted(snapshot.columns.first()) + u" FROM "_s +
                quoted(table) + u" ORDER BY rowid"_s))
        fail(q.lastError());
    while (q.next()) {
        snapshot.rows.push_back(q.value(0).toLongLong());
        snapshot.names.append(q.value(1).toString());
    }
    return snapshot;
}

// The same through a connection of the calling thread's own, closed before it returns.
TableSnapshot readSnapshot(const QString &path, const QString &table)
{
    const QString name = newConnectionName();
    TableSnapshot snapshot;
    std::exception_ptr error;
    {
        QSqlDatabase db = addConnection(name, path);
        try {
            if (!db.open())
                fail(db.lastError());
            snapshot = readSnapshot(db, table);
        } catch (...) {
            error = std::current_exception();
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
    if (error)
        std::rethrow_exception(error);
    return snapshot;
}

} // namespace

const QStringList &PartyDatabase::recipientColumns()
{
    static const QStringList columns{u"Име на получателя"_s,
                                     u"ЕГН на упълномощеното лице"_s,
                                     u"Документ за самоличност"_s,
                                     u"Местно лице"_s,
                                     u"Държава"_s,
                                     u"Адрес"_s,
                                     u"IBAN"_s,
                                     u"BIC"_s,
                                     u"Банка"_s};
    return columns;
}

const QStringList &PartyDatabase::depositorColumns()
{
    static const QStringList columns{u"Име на наредителя"_s,
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
    return columns;
}

QString PartyDatabase::defaultPath()
{
    if (!g_pathOverride.isEmpty())
        return g_pathOverride;
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) + u"/base.mdb"_s;
}

void PartyDatabase::setPathForTesting(const QString &path)
{
    g_pathOverride = path;
}

PartyDatabase::PartyDatabase(const QString &path)
    : m_connection(newConnectionName())
    , m_path(path)
{
    const bool fresh = !QFileInfo::exists(path);
    if (fresh)
        QDir().mkpath(QFileInfo(path).absolutePath());
    QSqlDatabase db = addConnection(m_connection, path);
    try {
        if (!db.open())
            fail(db.lastError());
        run(db, u"PRAGMA journal_mode=WAL"_s);
        if (fresh) {
            run(db, createTable(u"recipient"_s, recipientColumns()));
            run(db, createTable(u"depositor"_s, depositorColumns()));
        }
        for (const QString &table : {u"recipient"_s, u"depositor"_s}) {
            if (!db.tables().contains(table))
                throw AppError(u"The table '%1' is missing from the database \"%2\"."_s.arg(
                    table, QDir::toNativeSeparators(path)));
        }
    } catch (...) {
        db.close();
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(m_connection);
        throw;
    }
}

PartyDatabase::~PartyDatabase()
{
    if (m_reader.valid())
        m_reader.wait(); // the reading may still run
    {
        QSqlDatabase db = QSqlDatabase::database(m_connection, false);
        db.close();
    }
    QSqlDatabase::removeDatabase(m_connection);
}

void PartyDatabase::prefetch()
{
    // One thread reads both tables, in the order the windows are built, while they are
    // built. Reading the two side by side costs twice the processor for no gain: SQLite's
    // allocator is shared.
    std::vector<std::packaged_task<TableSnapshot()>> readings;
    for (const QString &table : {u"depositor"_s, u"recipient"_s}) {
        readings.emplace_back([path = m_path, table] { return readSnapshot(path, table); });
        m_prefetched[table] = readings.back().get_future();
    }
    m_reader = std::async(std::launch::async, [readings = std::move(readings)]() mutable {
        for (auto &reading : readings)
            reading();
    });
}

std::optional<TableSnapshot> PartyDatabase::takePrefetched(const QString &table) const
{
    const auto it = m_prefetched.find(table);
    if (it == m_prefetched.end())
        return std::nullopt;
    std::future<TableSnapshot> reading = std::move(it->second);
    m_prefetched.erase(it);
    return reading.get();
}

ResultSet::ResultSet(const PartyDatabase &db, const QString &table)
    : m_connection(db.connectionName())
    , m_table(table)
{
    std::optional<TableSnapshot> snapshot = db.takePrefetched(table);
    if (!snapshot)
        snapshot = readSnapshot(QSqlDatabase::database(m_connection, false), table);
    m_columns = std::move(snapshot->columns);
    m_rows = std::move(snapshot->rows);
    m_names = std::move(snapshot->names);
    m_current = m_rows.empty() ? -1 : 0;
}

void ResultSet::moveTo(int position)
{
    if (m_rows.empty()) {
        m_current = -1;
        return;
    }
    m_current = std::clamp(position, 0, rowCount() - 1);
}

const QStringList &ResultSet::row(int index) const
{
    if (index != m_cachedRow) {
        m_cache.clear();
        m_cachedRow = index;
        QSqlQuery q(QSqlDatabase::database(m_connection, false));
        q.setForwardOnly(true);
        q.prepare(u"SELECT * FROM "_s + quoted(m_table) + u" WHERE rowid = ?"_s);
        q.addBindValue(m_rows[size_t(index)]);
        // A row that another program removed meanwhile reads as empty.
        if (q.exec() && q.next()) {
            for (int i = 0; i < m_columns.size(); ++i)
                m_cache.append(q.value(i).toString());
        }
    }
    return m_cache;
}

QString ResultSet::valueAt(int rowIndex, int column) const
{
    if (rowIndex < 0 || rowIndex >= rowCount())
        return {};
    const QStringList &values = row(rowIndex);
    return column >= 1 && column <= values.size() ? values.at(column - 1) : QString();
}

QString ResultSet::value(int column) const
{
    return valueAt(m_current, column);
}

void ResultSet::insertRow(const QStringList &values)
{
    QSqlQuery q(QSqlDatabase::database(m_connection, false));
    QStringList marks;
    for (qsizetype i = 0; i < values.size(); ++i)
        marks.append(u"?"_s);
    QStringList columns;
    for (qsizetype i = 0; i < values.size() && i < m_columns.size(); ++i)
        columns.append(quoted(m_columns.at(i)));
    q.prepare(u"INSERT INTO "_s + quoted(m_table) + u" ("_s + columns.join(u", "_s) +
              u") VALUES ("_s + marks.mid(0, columns.size()).join(u", "_s) + u')');
    for (qsizetype i = 0; i < columns.size(); ++i)
        q.addBindValue(values.at(i));
    if (!q.exec())
        fail(q.lastError());
    m_rows.push_back(q.lastInsertId().toLongLong());
    m_names.append(values.value(0));
    m_current = rowCount() - 1;
    if (inserted)
        inserted(m_current);
}

void ResultSet::deleteCurrent()
{
    if (m_current < 0)
        return;
    QSqlQuery q(QSqlDatabase::database(m_connection, false));
    q.prepare(u"DELETE FROM "_s + quoted(m_table) + u" WHERE rowid = ?"_s);
    q.addBindValue(m_rows[size_t(m_current)]);
    if (!q.exec())
        fail(q.lastError());
    const int gone = m_current;
    m_rows.erase(m_rows.begin() + gone);
    m_names.removeAt(gone);
    m_cachedRow = -1;
    // The row that followed becomes current, or the new last one.
    if (gone >= rowCount())
        m_current = rowCount() - 1;
    if (removed)
        removed(gone);
}

} // namespace formelan
