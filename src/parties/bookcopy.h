#pragma once

#include "parties/partystore.h"

#include <functional>

namespace formelan {

// Copying one address book into another: an office starts its server's book from one
// clerk's file. Works between any two stores.

struct BookCopyPreview {
    qint64 fromRecipients = 0, fromPayers = 0; // what would be copied
    qint64 toRecipients = 0, toPayers = 0;     // what the target holds already
    bool targetEmpty() const { return toRecipients == 0 && toPayers == 0; }
};

// The counts on both sides, for the question before copying.
StoreResult<BookCopyPreview> previewBookCopy(PartyStore &from, PartyStore &to);

enum class BookCopyMode {
    IntoEmpty, // refused when the target holds any row: a second copy would double the book
    Append,    // after the rows the target holds
};

struct BookCopyReport {
    qint64 recipients = 0, payers = 0; // rows added to the target and left there
    StoreError error;                  // why the copy stopped; what it added is taken back
};

// Copies every row of both tables, recipients first, in the source's order, to the end of
// the target, so that the target lists them in the same order. All or nothing, through
// the target's addBatches(): when a step fails (or `progress` returns false), the target
// is left as it was, and the report says so if even that fails. `progress` gets the rows
// copied and the total, the last time before the copy is made final.
BookCopyReport copyBook(PartyStore &from, PartyStore &to, BookCopyMode mode,
                        const std::function<bool(qint64 done, qint64 total)> &progress = {});

} // namespace formelan
