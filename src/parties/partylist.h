#pragma once

#include "parties/partystore.h"

#include <QByteArray>
#include <QObject>

#include <cstdlib>
#include <deque>
#include <future>
#include <new>
#include <unordered_map>
#include <unordered_set>

namespace formelan {

// What search needs of a table, read in one pass: for every row up to a key, its key and
// its searchable values, case-folded. Reading it may run on a thread of its own with a
// store of its own (PartyStore::opener()); PartyList::useSearchSource() takes it.
struct SearchSource {
    PartyKey upTo = 0;
    std::vector<PartyKey> keys;
    QByteArray text;             // each row's values, folded, UTF-8, each ended by '\0'
    std::vector<quint32> starts; // row i's text begins at starts[i]; one more at the end
};
StoreResult<SearchSource> readSearchSource(PartyStore &store, PartyTable table, PartyKey upTo);
// The same on a thread of its own, through a connection of its own, so that a window can
// read it while the user starts typing (about a third of a second at 100,000 rows).
std::future<StoreResult<SearchSource>> readSearchSourceAsync(const PartyStore &store,
                                                             PartyTable table, PartyKey upTo);

// The search box's form of a text: case-folded (Cyrillic and Latin alike) UTF-8.
QByteArray foldForSearch(QStringView text);

// Zeroed memory that is not written when handed out: the pages of a long list are made
// only when a position on them is first used.
template <typename T> struct ZeroedAllocator {
    using value_type = T;
    ZeroedAllocator() = default;
    template <typename U> ZeroedAllocator(const ZeroedAllocator<U> &) {}
    T *allocate(size_t n)
    {
        if (void *p = std::calloc(n, sizeof(T)))
            return static_cast<T *>(p);
        throw std::bad_alloc();
    }
    void deallocate(T *p, size_t) { std::free(p); }
    template <typename U> void construct(U *) noexcept {} // already zero
    template <typename U, typename... A> void construct(U *p, A &&...args)
    {
        ::new (static_cast<void *>(p)) U(std::forward<A>(args)...);
    }
    bool operator==(const ZeroedAllocator &) const = default;
};

// One table's rows as a window lists them: a snapshot taken when the list is opened, in
// the book's order, changed afterwards by its own append and removeAt, and brought up to
// date with other programs' changes by replaceWith(). Opening costs
// the same at any size: rows are read in blocks when a position is first asked for, and
// only a few blocks are held. Rows added by other programs meanwhile are not in it; a
// row that another program deletes stays in it and reads as gone.
//
// Positions are what the grid's rows and the name lists' items are; keys are what add,
// delete and loading go by.
class PartyList : public QObject {
    Q_OBJECT
public:
    static StoreResult<std::unique_ptr<PartyList>> open(PartyStore &store, PartyTable table);
    ~PartyList() override;

    PartyTable table() const { return m_table; }
    int count() const { return int(m_keys.size()); }
    bool isEmpty() const { return m_keys.empty(); }

    // The row at a position as last read, for showing it; nullptr when it is gone, or
    // when it cannot be read (lastError() says why). Reads its block when needed.
    const PartyRow *rowAt(int position);
    // Reads, in one go, the rows at these positions that are not held: the scattered rows
    // a search shows, which reading block by block would read many times over.
    StoreError readPositions(std::span<const int> positions);
    // Whether the row at a position is held, or known to be gone: showing it reads nothing.
    bool isHeld(int position) const;
    // The key at a position; 0 when the row was deleted elsewhere before it was read.
    PartyKey keyAt(int position);
    // Column 1 (the name) at a position; empty when gone.
    QString nameAt(int position);
    // The position of a key in the list, or -1.
    int positionOf(PartyKey key) const;
    // Whether the row at a position is known to be gone.
    bool isGone(int position);

    // The row read afresh from the book, for loading into fields: Gone when another
    // program deleted it (the list then shows it as gone). While the book cannot be
    // reached, the row as last read, when it was read.
    StoreResult<PartyRow> load(int position);

    // Stores a row and puts it last; its position.
    StoreResult<int> append(const QStringList &values);
    // Stores rows, all or none, and puts them last in the same order; the first one's
    // position.
    StoreResult<int> appendMany(std::span<const QStringList> rows);
    // Deletes the row at a position from the book and from the list, by its key, and
    // nothing else. Gone when another program deleted it first; it leaves the list then
    // too.
    StoreError removeAt(int position);

    // The positions, ascending, whose searchable values contain `text` (trimmed) in any
    // letter case; every position for an empty text. Reads the search source first when
    // it has not been read (prepareSearch()).
    StoreResult<std::vector<int>> search(QStringView text);
    StoreError prepareSearch();
    bool searchPrepared() const { return m_searchReady; }
    // The newest key of the snapshot, for reading a search source elsewhere.
    PartyKey snapshotKey() const { return m_upTo; }
    // Takes a search source read up to snapshotKey(); also fixes every position's key.
    void useSearchSource(SearchSource &&source);

    // Becomes the table as `fresh` found it: every row of the book, the other programs'
    // adds and deletes included, all up to fresh.upTo (read with readSearchSourceAsync()
    // after this list last changed by its own append or removeAt). Positions move; keys and
    // the rows held stay. Tells listReplaced.
    void replaceWith(SearchSource &&fresh);

    // The error of the last block that could not be read.
    const StoreError &lastError() const { return m_lastError; }

Q_SIGNALS:
    void rowsInserted(int first, int last);
    void rowRemoved(int position);
    // Rows between these positions were found gone, or their values read.
    void rowsChanged(int first, int last);
    // replaceWith() changed every position at once.
    void listReplaced();

private:
    PartyList(PartyStore &store, PartyTable table, const BookSummary &summary);
    bool ensure(int position);
    void setKey(int position, PartyKey key);
    std::pair<PartyKey, qint64> anchorBefore(int position) const;
    std::pair<PartyKey, qint64> anchorFrom(int position) const;
    StoreError fillKeys(int from, int to);
    StoreError fetchRows(int from, int to);
    StoreError readKeys(const std::vector<PartyKey> &wanted);
    void keep(PartyRow &&row);
    void appendSearchText(const PartyRow &row);

    PartyStore &m_store;
    PartyTable m_table;
    PartyKey m_upTo = 0;
    int m_snapshotEnd = 0; // positions before it come from the snapshot, after it are ours
    // Per position: the key; 0 while not read; kPhantom for a row deleted before read.
    std::vector<PartyKey, ZeroedAllocator<PartyKey>> m_keys;
    // Per segment of positions, how many have been read: unread segments are passed over
    // whole when looking for the nearest row read.
    std::vector<int> m_read;
    std::unordered_map<PartyKey, PartyRow> m_rows;
    std::deque<PartyKey> m_rowOrder; // oldest first, to let rows go
    std::unordered_set<PartyKey> m_gone;
    StoreError m_lastError;

    bool m_searchReady = false;
    QByteArray m_searchText;
    std::vector<quint32> m_searchStarts; // one per position, and one more at the end
};

} // namespace formelan
