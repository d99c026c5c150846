#pragma once

#include "parties/partystore.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <future>
#include <map>
#include <memory>
#include <optional>
#include <vector>

namespace formelan {

// What a result set starts from: the table's columns, and the key and name of every
// row, in row order.
struct TableSnapshot {
    QStringList columns;
    std::vector<PartyKey> rows;
    QStringList names;
};

// The address book's file, opened as a PartyStore (see sqlitepartystore.h for what
// opening does), for the windows that still go through ResultSet.
class PartyDatabase {
public:
    // Throws AppError with the Bulgarian message when the file is refused.
    explicit PartyDatabase(const QString &path);
    ~PartyDatabase();
    PartyDatabase(const PartyDatabase &) = delete;
    PartyDatabase &operator=(const PartyDatabase &) = delete;

    const QString &path() const { return m_path; }
    PartyStore &store() const { return *m_store; }

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
    QString m_path;
    std::unique_ptr<PartyStore> m_store;
    mutable std::map<QString, std::future<TableSnapshot>> m_prefetched;
    std::future<void> m_reader;
};

// The windows' former view of a table, kept as a thin adapter over PartyStore until the
// windows use PartyList: a snapshot of every row's key and name taken when opened,
// changed afterwards only by its own inserts and deletes. Rows are read by key when
// asked for. Errors are thrown as AppError with the store's Bulgarian message.
class ResultSet {
public:
    ResultSet(const PartyDatabase &db, const QString &table);

    int rowCount() const { return int(m_rows.size()); }
    // First row, then on p times: past the end the last row stays current.
    void moveTo(int position);
    int current() const { return m_current; } // -1 with no rows
    // Column 1 to n of the current row, read afresh; empty text with no rows. Throws
    // when another program deleted the row, before any value is given.
    QString value(int column) const;
    // For showing: a row deleted elsewhere reads as empty.
    QString valueAt(int row, int column) const;
    // Column 1 of every row, in row order.
    const QStringList &names() const { return m_names; }
    const QStringList &columnNames() const { return partyColumns(m_table); }

    // Appends a row and makes it current; throws AppError when the book refuses.
    void insertRow(const QStringList &values);
    // Deletes the current row by its key; throws AppError when the book refuses, or when
    // another program deleted it first (it then stays in the set, so that positions and
    // the name lists built from them keep meaning the same rows).
    void deleteCurrent();

    // Told of rows added and removed, for a view of the rows.
    std::function<void(int row)> inserted;
    std::function<void(int row)> removed;

private:
    PartyStore *m_store;
    PartyTable m_table;
    std::vector<PartyKey> m_rows;
    QStringList m_names;
    int m_current = -1;
    mutable int m_cachedRow = -1;
    mutable QStringList m_cache;
};

} // namespace formelan
