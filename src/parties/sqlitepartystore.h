#pragma once

#include "parties/partystore.h"

namespace formelan {

struct SqliteBookOptions {
    // How a write reaches base.mdb alone before it returns: a rollback journal, or the
    // write-ahead log folded back into the file after every write. A book that another
    // copy keeps in write-ahead-log mode is checkpointed whatever is chosen here.
    enum class Journal { Rollback, WalWithCheckpoint };
    Journal journal = Journal::Rollback;
    int busyTimeoutMs = 5000;
};

// Opens the address book in the single file `path`.
// - A file that does not exist, or has no bytes, is a new book: its folder, the file and
//   both tables are made. Two programs doing so at once both succeed.
// - A book of an earlier version (tables without a key) is upgraded in place, in one
//   transaction, keeping every row, its values and their order.
// - A book that can be read but not written opens read-only; add and delete then answer
//   with the reason.
// - A file that is no book (not a database, a table or a column missing) is refused
//   without a single byte of it changed: it is inspected through a read-only
//   connection before anything is written.
StoreResult<std::unique_ptr<PartyStore>> openSqliteBook(const QString &path,
                                                        const SqliteBookOptions &options = {});

// The key column that this version adds to each table, after the columns it had.
inline constexpr QStringView kPartyKeyColumn = u"party_id";

} // namespace formelan
