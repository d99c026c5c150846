#pragma once

#include "parties/partystore.h"

#include <QByteArray>

namespace formelan {

class PartyList;

// A table as CSV: the column names (Bulgarian) as the header, then every row in the
// book's order, values exactly as stored but for one thing: a value that a spreadsheet
// would run as a formula (one that starts with "=", "+", "-" or "@", a tab or a CR, after
// any apostrophes) gets one apostrophe in front, which spreadsheets take as "text", and
// which import takes off again. No keys: a file imported into another book gets that
// book's keys, and exporting it again gives the same bytes.
StoreResult<QByteArray> exportPartiesCsv(PartyStore &store, PartyTable table);
// The same into a file, replaced whole or not at all.
StoreError exportPartiesCsvFile(PartyStore &store, PartyTable table, const QString &path);

struct ImportRow {
    enum class Flag {
        None,
        BadIban,   // the IBAN is not empty and fails the IBAN check: added unless asked not to
        Malformed, // not as many fields as the header: never added
    };
    int line = 0;       // where the record begins in the file, from 1
    QStringList values; // in partyColumns() order
    Flag flag = Flag::None;
    QString note; // in Bulgarian, for a flagged row
};

// What an import would add, read from a CSV file before anything is written.
struct ImportPreview {
    PartyTable table = PartyTable::Recipients;
    QString error;       // in Bulgarian: the file cannot be imported at all
    QStringList ignored; // columns of the file that the table does not have
    std::vector<ImportRow> rows;

    bool ok() const { return error.isEmpty(); }
    int count(ImportRow::Flag flag) const;
};

struct ImportOptions {
    bool skipBadIban = false;
};

struct ImportReport {
    int added = 0;
    int skipped = 0;
    StoreError error; // when set, nothing was added
};

// A value as export writes it, and back (see above).
QString guardedForSpreadsheet(const QString &value);
QString unguardedFromSpreadsheet(const QString &value);

// Reads a CSV file for a table: the header names the columns, in any order; each of the
// table's columns must be there, others are listed as ignored. Fields are separated by
// commas, or by semicolons when the header holds no comma but a semicolon.
ImportPreview previewPartiesCsv(PartyTable table, QByteArrayView data);

// The rows the preview would add, in file order, and how many it leaves out.
std::vector<QStringList> rowsToImport(const ImportPreview &preview, const ImportOptions &options,
                                      int *skipped = nullptr);

// Appends the preview's rows at the end of the book, all of them or none.
ImportReport importParties(PartyStore &store, const ImportPreview &preview,
                           const ImportOptions &options = {});
// The same through a window's list, which shows them at once.
ImportReport importParties(PartyList &list, const ImportPreview &preview,
                           const ImportOptions &options = {});

} // namespace formelan
