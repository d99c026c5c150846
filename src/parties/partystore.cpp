#include "parties/partystore.h"

namespace formelan {

using namespace Qt::StringLiterals;

QString partyTableName(PartyTable table)
{
    return table == PartyTable::Recipients ? u"recipient"_s : u"depositor"_s;
}

const QStringList &partyColumns(PartyTable table)
{
    // The payers' names are those the address book has always had; the recipients'
    // were never fixed, these are ours.
    static const QStringList recipients{u"Име на получателя"_s,
                                        u"ЕГН на упълномощеното лице"_s,
                                        u"Документ за самоличност"_s,
                                        u"Местно лице"_s,
                                        u"Държава"_s,
                                        u"Адрес"_s,
                                        u"IBAN"_s,
                                        u"BIC"_s,
                                        u"Банка"_s};
    static const QStringList payers{u"Име на наредителя"_s,
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
    return table == PartyTable::Recipients ? recipients : payers;
}

int partyNameColumn(PartyTable)
{
    return 0;
}

int partyIbanColumn(PartyTable table)
{
    return table == PartyTable::Recipients ? 6 : 9;
}

std::span<const int> partySearchColumns(PartyTable table)
{
    static constexpr int recipients[] = {0, 1, 6};
    static constexpr int payers[] = {0, 1, 2, 3, 4, 9};
    if (table == PartyTable::Recipients)
        return recipients;
    return payers;
}

PartyStore::~PartyStore() = default;

void PartyStore::watchChanges(std::function<void(PartyTable)>) {}

BatchesAdded PartyStore::addBatches(const std::function<StoreError(PartyBatch &)> &next)
{
    BatchesAdded report;
    struct Added {
        PartyTable table;
        std::vector<PartyKey> keys;
    };
    std::vector<Added> added;
    // Deletes what was added; the rows it could not delete stay counted.
    auto fail = [&](StoreError error) {
        StoreError left;
        report.recipients = report.payers = 0;
        for (Added &a : added) {
            qint64 kept = 0;
            for (PartyKey key : a.keys) {
                const StoreError e = left ? left : remove(a.table, key);
                if (e && e.kind() != StoreError::Kind::Gone) {
                    left = e;
                    ++kept;
                }
            }
            (a.table == PartyTable::Recipients ? report.recipients : report.payers) += kept;
        }
        if (left)
            error = StoreError(error.kind(),
                               error.message() +
                                   u"\nДобавените дотук записи (%1 получатели и %2 наредители) "
                                   "не можаха да бъдат премахнати: %3"_s.arg(report.recipients)
                                       .arg(report.payers)
                                       .arg(left.message()),
                               error.detail());
        report.error = error;
        return report;
    };
    PartyBatch batch;
    for (;;) {
        batch.rows.clear();
        if (StoreError e = next(batch))
            return fail(e);
        if (batch.rows.empty())
            return report;
        StoreResult<std::vector<PartyKey>> keys = add(batch.table, batch.rows);
        if (!keys.ok())
            return fail(keys.error());
        if (added.empty() || added.back().table != batch.table)
            added.push_back({batch.table, {}});
        added.back().keys.insert(added.back().keys.end(), keys->begin(), keys->end());
        (batch.table == PartyTable::Recipients ? report.recipients : report.payers) +=
            qint64(keys->size());
    }
}

StoreResult<PartyRow> PartyStore::row(PartyTable table, PartyKey key)
{
    StoreResult<std::vector<PartyRow>> found = rowsWithKeys(table, std::span(&key, 1));
    if (!found.ok())
        return found.error();
    if (found->empty())
        return storetext::gone();
    return std::move(found->front());
}

StoreResult<PartyKey> PartyStore::add(PartyTable table, const QStringList &values)
{
    StoreResult<std::vector<PartyKey>> keys = add(table, std::span(&values, 1));
    if (!keys.ok())
        return keys.error();
    return keys->front();
}

StoreResult<std::vector<PartyRow>> PartyStore::rows(PartyTable table, const RowRange &range,
                                                    std::span<const int> columns)
{
    std::vector<PartyRow> out;
    const StoreError error = readRows(table, range, columns, [&](PartyRow &&row) {
        out.push_back(std::move(row));
        return true;
    });
    if (error)
        return error;
    return out;
}

namespace storetext {

StoreError gone()
{
    return {StoreError::Kind::Gone,
            u"Записът вече не е в адресната книга: друга програма или друго копие на Formelan "
            "го е изтрило. Нищо не е променено."_s};
}

StoreError wrongValueCount(PartyTable table, qsizetype given)
{
    return {StoreError::Kind::Failed,
            u"Таблицата „%1“ има %2 колони, а записът носи %3 стойности. Нищо не е записано."_s
                .arg(partyTableName(table))
                .arg(partyColumns(table).size())
                .arg(given)};
}

StoreError controlCharacters(PartyTable table, std::span<const QStringList> rows)
{
    for (const QStringList &values : rows) {
        for (qsizetype c = 0; c < values.size(); ++c) {
            for (const QChar ch : values[c]) {
                // Line breaks and tabs come in through CSV files and travel back out.
                if (ch.category() != QChar::Other_Control || ch == u'\t' || ch == u'\n' ||
                    ch == u'\r')
                    continue;
                QString name = values.front().left(60);
                for (QChar &n : name)
                    if (n.category() == QChar::Other_Control)
                        n = u' ';
                return {StoreError::Kind::Failed,
                        u"Полето „%1“ на „%2“ съдържа управляващ знак (код %3), който не може "
                        "да бъде записан в адресната книга. Премахнете го и опитайте отново. "
                        "Нищо не е записано."_s
                            .arg(c < partyColumns(table).size() ? partyColumns(table)[c]
                                                                : QString::number(c + 1),
                                 name.left(60))
                            .arg(uint(ch.unicode()), 4, 16, QChar(u'0'))};
            }
        }
    }
    return {};
}

} // namespace storetext

} // namespace formelan
