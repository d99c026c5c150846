#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <future>
#include <map>
#include <optional>
#include <vector>

namespace formelan {

// What a result set starts from: the table's columns, and the identity and name of
// every row, in row order.
struct TableSnapshot {
    QStringList columns;
    std::vector<qint64> rows; // rowids
    QStringList names;
};

// The address book's single-file database (SQLite in place of the Jet file the
// format was first made for): one connection, shared by both address books.
class PartyDatabase {
public:
    // Opens the file, creating it with both tables empty when it does not exist.
    // Throws AppError with the data layer's message when it is no usable database.
    explicit PartyDatabase(const QString &path);
    ~PartyDatabase();
    PartyDatabase(const PartyDatabase &) = delete;
    PartyDatabase &operator=(const PartyDatabase &) = delete;

    const QString &connectionName() const { return m_connection; }
    const QString &path() const { return m_path; }

    // base.mdb in the user's application data folder.
    static QString defaultPath();
    // For tests: use this file instead; an empty text restores the default.
    static void setPathForTesting(const QString &path);

    static const QStringList &recipientColumns();
    static const QStringList &depositorColumns();

    // Starts reading the snapshots of both tables on a thread and connection of their
    // own, for the windows built meanwhile.
    void prefetch();
    // The snapshot read ahead for the table, once, waiting for it if need be; nothing
    // when none was started. Rethrows the reading's AppError.
    std::optional<TableSnapshot> takePrefetched(const QString &table) const;

private:
    QString m_connection;
    QString m_path;
    mutable std::map<QString, std::future<TableSnapshot>> m_prefetched;
    std::future<void> m_reader;
};

// A result set over one table: a snapshot of its rows taken when opened, changed
// afterwards only by its own inserts and deletes. Rows are kept by their identity
// and read when asked for, so a large table costs little memory.
class ResultSet {
public:
    ResultSet(const PartyDatabase &db, const QString &table);

    int rowCount() const { return int(m_rows.size()); }
    // First row, then on p times: past the end the last row stays current.
    void moveTo(int position);
    int current() const { return m_current; } // -1 with no rows
    // Column 1 to n of the current row; empty text with no rows.
    QString value(int column) const;
    QString valueAt(int row, int column) const;
    // Column 1 of every row, in row order.
    const QStringList &names() const { return m_names; }
    const QStringList &columnNames() const { return m_columns; }

    // Appends a row and makes it current; throws AppError when the database refuses.
    void insertRow(const QStringList &values);
    // Deletes the current row; throws AppError when the database refuses.
    void deleteCurrent();

    // Told of rows added and removed, for a view of the rows.
    std::function<void(int row)> inserted;
    std::function<void(int row)> removed;

private:
    const QStringList &row(int index) const;

    QString m_connection;
    QString m_table;
    QStringList m_columns;
    std::vector<qint64> m_rows; // rowids
    QStringList m_names;
    int m_current = -1;
    mutable int m_cachedRow = -1;
    mutable QStringList m_cache;
};

} // namespace formelan
