#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <limits>
#include <memory>
#include <optional>
#include <span>
#include <utility>
#include <vector>

namespace formelan {

// The two lists of the address book.
enum class PartyTable { Recipients, Payers };

inline constexpr PartyTable kPartyTables[] = {PartyTable::Recipients, PartyTable::Payers};

// The table's name in the book: "recipient" or "depositor".
QString partyTableName(PartyTable table);

// The columns of a table, in the one order in which values travel between the book, the
// windows and CSV files. Each is found in the book by its name, wherever it stands.
const QStringList &partyColumns(PartyTable table);

// Indexes into partyColumns().
int partyNameColumn(PartyTable table);
int partyIbanColumn(PartyTable table);
// What the search box looks in: recipients by name, the authorised person's EGN and
// IBAN; payers by payer's name, obligated person's name, EGN, ЛНЧ, BULSTAT and IBAN.
std::span<const int> partySearchColumns(PartyTable table);

// A party's identity in its table: given by the book when the party is added, never
// given to another party afterwards, whoever adds or deletes meanwhile. Always > 0.
using PartyKey = qint64;

struct PartyRow {
    PartyKey key = 0;
    QStringList values; // in partyColumns() order
};

// Why an operation on the book did not happen. message() is complete, in Bulgarian and
// ready to show: it names the book, says what to do and ends with the database's text.
class StoreError {
public:
    enum class Kind {
        None,
        Gone,        // the row is no longer in the book (another program deleted it)
        ReadOnly,    // the book can be read but not written
        Busy,        // another program kept the book locked for longer than we wait
        Refused,     // not a book we can use: not a database, a table or column missing
        Unavailable, // the book cannot be reached: file vanished, disk error, server away
        Failed,      // the database refused for another reason
    };

    StoreError() = default;
    StoreError(Kind kind, QString message, QString detail = {})
        : m_kind(kind)
        , m_message(std::move(message))
        , m_detail(std::move(detail))
    {}

    bool ok() const { return m_kind == Kind::None; }
    explicit operator bool() const { return !ok(); } // true when there is an error
    Kind kind() const { return m_kind; }
    const QString &message() const { return m_message; }
    const QString &detail() const { return m_detail; } // the database's own text

private:
    Kind m_kind = Kind::None;
    QString m_message;
    QString m_detail;
};

// A value, or the error that stands in its place.
template <typename T> class [[nodiscard]] StoreResult {
public:
    StoreResult(T value)
        : m_value(std::move(value))
    {}
    StoreResult(StoreError error)
        : m_error(std::move(error))
    {}

    bool ok() const { return m_error.ok(); }
    const StoreError &error() const { return m_error; }
    T &value() { return *m_value; }
    const T &value() const { return *m_value; }
    T take() { return std::move(*m_value); }
    T *operator->() { return &*m_value; }
    const T *operator->() const { return &*m_value; }

private:
    std::optional<T> m_value;
    StoreError m_error;
};

struct BookSummary {
    qint64 count = 0;
    PartyKey lastKey = 0; // the newest row's key; 0 for an empty table
};

// Rows for addBatches(): one table's, in their order.
struct PartyBatch {
    PartyTable table = PartyTable::Recipients;
    std::vector<QStringList> rows;
};

struct BatchesAdded {
    qint64 recipients = 0, payers = 0; // rows added and left in the book
    StoreError error;                  // why the add stopped
};

// Rows in key order: keys above `after` and at most `upTo`, leaving out the first
// `skip`, at most `limit` of them (-1: all). Newest first, `skip` counts from the newest.
struct RowRange {
    PartyKey after = 0;
    PartyKey upTo = std::numeric_limits<PartyKey>::max();
    qint64 skip = 0;
    qint64 limit = -1;
    bool newestFirst = false;
};

// The address book's data, whatever holds it. Rows are never changed: only added and
// deleted, each by its key. Rows come back in key order, which is the order they were
// added in. Every operation is complete when it returns; there is no transaction that
// spans calls.
class PartyStore {
public:
    virtual ~PartyStore();

    // The book as messages name it: the file, or the server and database.
    virtual QString location() const = 0;
    // Empty when the book can be written; otherwise why not, in Bulgarian, for the
    // message that add and delete answer with.
    virtual QString readOnlyReason() const = 0;
    bool isReadOnly() const { return !readOnlyReason().isEmpty(); }

    // How many rows the table has and its newest key, read together.
    virtual StoreResult<BookSummary> summary(PartyTable table) = 0;
    // Rows in `range`, in its order; only the values of `columns` are read (all when empty), the
    // others stay null. `sink` gets each row and returns false to stop.
    virtual StoreError readRows(PartyTable table, const RowRange &range,
                                std::span<const int> columns,
                                const std::function<bool(PartyRow &&)> &sink) = 0;
    // The rows among `keys` that are still in the book, in key order; all columns.
    virtual StoreResult<std::vector<PartyRow>> rowsWithKeys(PartyTable table,
                                                            std::span<const PartyKey> keys) = 0;
    // Appends rows at the end, all of them or none; their new keys in the same order.
    virtual StoreResult<std::vector<PartyKey>> add(PartyTable table,
                                                   std::span<const QStringList> rows) = 0;
    // Appends every batch that `next` gives, each at the end of its table, until it gives
    // one without rows; all of them or none. When `next` returns an error (its source
    // failed, the user cancelled) or the book refuses a batch, the rows added so far are
    // taken back and that error is returned. `next` is called again only once the batch
    // before is in the book, so that it can tell progress. This one adds batch by batch
    // and deletes them again on failure; a book that can do it in one transaction does.
    virtual BatchesAdded addBatches(const std::function<StoreError(PartyBatch &)> &next);
    // Deletes the row with this key and nothing else; Gone when there is none.
    virtual StoreError remove(PartyTable table, PartyKey key) = 0;
    // Opens another connection to the same book; call it on the thread that will use
    // the new store (a connection belongs to the thread that opened it).
    virtual std::function<StoreResult<std::unique_ptr<PartyStore>>()> opener() const = 0;
    // From now on calls `changed` with a table whenever another program or another copy may
    // have added or deleted rows of it, from this thread's event loop, until the store is
    // gone or this is called again (an empty function stops it). Changes made through this
    // store are not told. Watching costs next to nothing while nothing changes. A book that
    // cannot tell never calls it.
    virtual void watchChanges(std::function<void(PartyTable)> changed);

    // Built on the above.
    StoreResult<PartyRow> row(PartyTable table, PartyKey key);
    StoreResult<PartyKey> add(PartyTable table, const QStringList &values);
    StoreResult<std::vector<PartyRow>> rows(PartyTable table, const RowRange &range,
                                            std::span<const int> columns = {});
};

// Messages shared by the backends.
namespace storetext {
// "the row was deleted by another program"
StoreError gone();
// Reading a value list of the wrong length is a programming error; adding one is refused.
StoreError wrongValueCount(PartyTable table, qsizetype given);
// Refuses rows holding a control character other than a tab or a line break (a pasted
// NUL, an escape): they break the CSV round trip and a server's add. Ok when there is none.
StoreError controlCharacters(PartyTable table, std::span<const QStringList> rows);
} // namespace storetext

} // namespace formelan
