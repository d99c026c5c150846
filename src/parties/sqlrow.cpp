#include "parties/sqlrow.h"

#include <QSqlQuery>
#include <QVariant>

namespace formelan {

using namespace Qt::StringLiterals;

PartyRow partyRowFromQuery(const QSqlQuery &q, PartyTable t, std::span<const int> columns)
{
    PartyRow row;
    row.key = q.value(0).toLongLong();
    const qsizetype n = partyColumns(t).size();
    row.values.resize(n);
    auto text = [&](int i) {
        const QVariant v = q.value(i);
        return v.isNull() ? QString(u""_s) : v.toString();
    };
    if (columns.empty()) {
        for (qsizetype c = 0; c < n; ++c)
            row.values[c] = text(int(c) + 1);
    } else {
        for (size_t i = 0; i < columns.size(); ++i)
            row.values[columns[i]] = text(int(i) + 1);
    }
    return row;
}

} // namespace formelan
