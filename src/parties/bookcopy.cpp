#include "parties/bookcopy.h"

#include <vector>

namespace formelan {

using namespace Qt::StringLiterals;

namespace {

// Rows read and added at once: one statement's worth on a server, a few MiB in memory.
constexpr qint64 kRowsPerStep = 1000;

struct Added {
    PartyTable table;
    std::vector<PartyKey> keys;
};

// Deletes what the copy added; the rows it could not delete stay counted.
StoreError undo(PartyStore &to, std::vector<Added> &added, BookCopyReport &report)
{
    StoreError failure;
    for (Added &a : added) {
        std::vector<PartyKey> left;
        for (PartyKey key : a.keys) {
            if (failure) {
                left.push_back(key);
                continue;
            }
            const StoreError e = to.remove(a.table, key);
            if (e && e.kind() != StoreError::Kind::Gone) {
                failure = e;
                left.push_back(key);
            }
        }
        a.keys = std::move(left);
    }
    report.recipients = report.payers = 0;
    for (const Added &a : added)
        (a.table == PartyTable::Recipients ? report.recipients : report.payers) +=
            qint64(a.keys.size());
    return failure;
}

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
    std::vector<Added> added;
    auto fail = [&](StoreError error) {
        if (StoreError left = undo(to, added, report)) {
            error = StoreError(error.kind(),
                               error.message() +
                                   u"\nКопираните дотук записи (%1 получатели и %2 наредители) "
                                   "не можаха да бъдат премахнати: %3"_s.arg(report.recipients)
                                       .arg(report.payers)
                                       .arg(left.message()),
                               error.detail());
        }
        report.error = error;
        return report;
    };
    for (PartyTable t : kPartyTables) {
        added.push_back({t, {}});
        // Up to the newest key seen now: rows added to the source meanwhile wait.
        StoreResult<BookSummary> source = from.summary(t);
        if (!source.ok())
            return fail(source.error());
        PartyKey after = 0;
        for (;;) {
            StoreResult<std::vector<PartyRow>> rows =
                from.rows(t, RowRange{after, source->lastKey, 0, kRowsPerStep});
            if (!rows.ok())
                return fail(rows.error());
            if (rows->empty())
                break;
            after = rows->back().key;
            std::vector<QStringList> values;
            values.reserve(rows->size());
            for (PartyRow &row : rows.value())
                values.push_back(std::move(row.values));
            StoreResult<std::vector<PartyKey>> keys = to.add(t, values);
            if (!keys.ok())
                return fail(keys.error());
            std::vector<PartyKey> &mine = added.back().keys;
            mine.insert(mine.end(), keys->begin(), keys->end());
            (t == PartyTable::Recipients ? report.recipients : report.payers) +=
                qint64(keys->size());
            done += qint64(keys->size());
            if (progress && !progress(done, total))
                return fail(
                    {StoreError::Kind::Failed, u"Копирането е прекъснато; нищо не е копирано."_s});
        }
    }
    return report;
}

} // namespace formelan
