#pragma once

#include "parties/partystore.h"

#include <span>

class QSqlQuery;

namespace formelan {

// A party's row from a query that selected its key first and then either every column
// of the table (`columns` empty) or the listed ones; a NULL reads as empty text.
PartyRow partyRowFromQuery(const QSqlQuery &q, PartyTable t, std::span<const int> columns);

} // namespace formelan
