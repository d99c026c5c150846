#include "parties/partydb.h"

#include "base/errors.h"
#include "parties/sqlitepartystore.h"

#include <QStandardPaths>

#include <exception>

namespace formelan {

using namespace Qt::StringLiterals;

namespace {

QString g_pathOverride;

PartyTable tableNamed(const QString &name)
{
    return name == partyTableName(PartyTable::Payers) ? PartyTable::Payers : PartyTable::Recipients;
}

TableSnapshot readSnapshot(PartyStore &store, PartyTable table)
{
    TableSnapshot snapshot;
    snapshot.columns = partyColumns(table);
    const int name = partyNameColumn(table);
    const StoreError error =
        store.readRows(table, RowRange{}, std::span(&name, 1), [&](PartyRow &&row) {
            snapshot.rows.push_back(row.key);
            snapshot.names.append(row.values.at(name));
            return true;
        });
    if (error)
        throw AppError(error.message());
    return snapshot;
}

} // namespace

const QStringList &PartyDatabase::recipientColumns()
{
    return partyColumns(PartyTable::Recipients);
}

const QStringList &PartyDatabase::depositorColumns()
{
    return partyColumns(PartyTable::Payers);
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
    : m_path(path)
{
    StoreResult<std::unique_ptr<PartyStore>> store = openSqliteBook(path);
    if (!store.ok())
        throw AppError(store.error().message());
    m_store = store.take();
}

PartyDatabase::~PartyDatabase()
{
    if (m_reader.valid())
        m_reader.wait(); // the reading may still run
}

void PartyDatabase::prefetch()
{
    // One thread reads both tables, in the order the windows are built, while they are
    // built, through a connection of its own.
    std::vector<std::packaged_task<TableSnapshot(PartyStore *)>> readings;
    for (PartyTable table : {PartyTable::Payers, PartyTable::Recipients}) {
        readings.emplace_back([table](PartyStore *store) {
            if (!store)
                throw AppError(u"Адресната книга не може да бъде прочетена."_s);
            return readSnapshot(*store, table);
        });
        m_prefetched[partyTableName(table)] = readings.back().get_future();
    }
    m_reader = std::async(std::launch::async,
                          [open = m_store->opener(), readings = std::move(readings)]() mutable {
                              StoreResult<std::unique_ptr<PartyStore>> store = open();
                              for (auto &reading : readings)
                                  reading(store.ok() ? store.value().get() : nullptr);
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
    : m_store(&db.store())
    , m_table(tableNamed(table))
{
    std::optional<TableSnapshot> snapshot = db.takePrefetched(table);
    if (!snapshot)
        snapshot = readSnapshot(*m_store, m_table);
    m_rows = std::move(snapshot->rows);
    m_names = std::move(snapshot->names);
    m_current = m_rows.empty() ? -1 : 0;
}

void ResultSet::moveTo(int position)
{
    m_current = m_rows.empty() ? -1 : std::clamp(position, 0, rowCount() - 1);
}

QString ResultSet::valueAt(int rowIndex, int column) const
{
    if (rowIndex < 0 || rowIndex >= rowCount())
        return {};
    if (rowIndex != m_cachedRow) {
        m_cachedRow = rowIndex;
        StoreResult<PartyRow> row = m_store->row(m_table, m_rows[size_t(rowIndex)]);
        m_cache = row.ok() ? row->values : QStringList();
    }
    return m_cache.value(column - 1);
}

QString ResultSet::value(int column) const
{
    if (m_current < 0)
        return {};
    StoreResult<PartyRow> row = m_store->row(m_table, m_rows[size_t(m_current)]);
    if (!row.ok())
        throw AppError(row.error().message());
    return row->values.value(column - 1);
}

void ResultSet::insertRow(const QStringList &values)
{
    StoreResult<PartyKey> key = m_store->add(m_table, values);
    if (!key.ok())
        throw AppError(key.error().message());
    m_rows.push_back(key.value());
    m_names.append(values.value(partyNameColumn(m_table)));
    m_current = rowCount() - 1;
    if (inserted)
        inserted(m_current);
}

void ResultSet::deleteCurrent()
{
    if (m_current < 0)
        return;
    if (StoreError e = m_store->remove(m_table, m_rows[size_t(m_current)]))
        throw AppError(e.message());
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
