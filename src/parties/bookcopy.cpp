#include "parties/bookcopy.h"

#include <iterator>
#include <vector>

namespace formelan {

using namespace Qt::StringLiterals;

namespace {

// Rows read and added at once: one statement's worth on a server, a few MiB in memory.
constexpr qint64 kRowsPerStep = 5000;

} // namespace

StoreResult<BookCopyPreview> previewBookCopy(PartyStore &from, PartyStore &to)
{
    BookCopyPreview p;
    for (PartyTable t : kPartyTables) {
        StoreResult<BookSummary> source = from.summary(t);
        if (!source.ok())
            return source.error();
        StoreResult<BookSummary> target = to.summary(t);
        if (!target.ok())
            return target.error();
        (t == PartyTable::Recipients ? p.fromRecipients : p.fromPayers) = source->count;
        (t == PartyTable::Recipients ? p.toRecipients : p.toPayers) = target->count;
    }
    return p;
}

BookCopyReport copyBook(PartyStore &from, PartyStore &to, BookCopyMode mode,
                        const std::function<bool(qint64, qint64)> &progress)
{
    BookCopyReport report;
    StoreResult<BookCopyPreview> preview = previewBookCopy(from, to);
    if (!preview.ok()) {
        report.error = preview.error();
        return report;
    }
    if (mode == BookCopyMode::IntoEmpty && !preview->targetEmpty()) {
        report.error = {StoreError::Kind::Refused,
                        u"Адресната книга (%1) вече има %2 получатели и %3 наредители. "
                        "Копирането би добавило записите до тях и някои може да се повторят; "
                        "нищо не е копирано. Ако искате да ги добавите все пак, изберете "
                        "добавяне към съществуващите записи."_s.arg(to.location())
                            .arg(preview->toRecipients)
                            .arg(preview->toPayers)};
        return report;
    }
    if (to.isReadOnly()) {
        report.error = {StoreError::Kind::ReadOnly, to.readOnlyReason()};
        return report;
    }
    const qint64 total = preview->fromRecipients + preview->fromPayers;
    qint64 done = 0;
    size_t table = 0;
    PartyKey after = 0, upTo = -1;
    // Recipients, then payers, each up to the newest key seen when it starts: rows added
    // to the source meanwhile wait for the next copy.
    const BatchesAdded added = to.addBatches([&](PartyBatch &batch) -> StoreError {
        if (done > 0 && progress && !progress(done, total))
            return {StoreError::Kind::Failed, u"Копирането е прекъснато; нищо не е копирано."_s};
        while (table < std::size(kPartyTables)) {
            const PartyTable t = kPartyTables[table];
            if (upTo < 0) {
                StoreResult<BookSummary> source = from.summary(t);
                if (!source.ok())
                    return source.error();
                upTo = source->lastKey;
                after = 0;
            }
            StoreResult<std::vector<PartyRow>> rows =
                from.rows(t, RowRange{after, upTo, 0, kRowsPerStep});
            if (!rows.ok())
                return rows.error();
            if (rows->empty()) {
                ++table;
                upTo = -1;
                continue;
            }
            after = rows->back().key;
            batch.table = t;
            batch.rows.reserve(rows->size());
            for (PartyRow &row : rows.value())
                batch.rows.push_back(std::move(row.values));
            done += qint64(batch.rows.size());
            return {};
        }
        return {};
    });
    report.recipients = added.recipients;
    report.payers = added.payers;
    report.error = added.error;
    return report;
}

} // namespace formelan
