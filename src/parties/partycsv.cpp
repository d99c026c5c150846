#include "parties/partycsv.h"

#include "base/files.h"
#include "form/numconvert.h"
#include "parties/csv.h"
#include "parties/partylist.h"

namespace formelan {

using namespace Qt::StringLiterals;

namespace {

// Whether a spreadsheet would take the value for a formula once the apostrophes that
// begin it are gone.
bool formulaAfterApostrophes(const QString &value)
{
    qsizetype i = 0;
    while (i < value.size() && value[i] == u'\'')
        ++i;
    if (i == value.size())
        return false;
    const QChar c = value[i];
    return c == u'=' || c == u'+' || c == u'-' || c == u'@' || c == u'\t' || c == u'\r';
}

// The first control character among a row's values, as a note for the preview: the book
// refuses such a row, and the clerk learns which line to mend before anything is added.
// Line breaks and tabs are values' own, quoted in the file, and the book keeps them.
QString controlCharacterNote(PartyTable table, int line, const QStringList &values)
{
    for (qsizetype c = 0; c < values.size(); ++c) {
        for (const QChar ch : values[c]) {
            if (ch.category() == QChar::Other_Control && ch != u'\n' && ch != u'\r' && ch != u'\t')
                return u"Ред %1: полето „%2“ съдържа управляващ знак (код %3), който адресната "
                       "книга не приема; няма да бъде добавен."_s.arg(line)
                           .arg(partyColumns(table).value(c))
                           .arg(uint(ch.unicode()), 4, 16, QChar(u'0'));
        }
    }
    return {};
}

} // namespace

QString guardedForSpreadsheet(const QString &value)
{
    return formulaAfterApostrophes(value) ? u'\'' + value : value;
}

QString unguardedFromSpreadsheet(const QString &value)
{
    return value.startsWith(u'\'') && formulaAfterApostrophes(value) ? value.mid(1) : value;
}

StoreResult<QByteArray> exportPartiesCsv(PartyStore &store, PartyTable table)
{
    CsvWriter csv;
    csv.writeRecord(partyColumns(table));
    const StoreError error = store.readRows(table, RowRange{}, {}, [&](PartyRow &&row) {
        for (QString &value : row.values)
            value = guardedForSpreadsheet(value);
        csv.writeRecord(row.values);
        return true;
    });
    if (error)
        return error;
    return csv.take();
}

StoreError exportPartiesCsvFile(PartyStore &store, PartyTable table, const QString &path)
{
    StoreResult<QByteArray> data = exportPartiesCsv(store, table);
    if (!data.ok())
        return data.error();
    if (const std::optional<QString> failure = writeFileAtomically(path, data.value()))
        return {StoreError::Kind::Failed, *failure + u" Изберете друга папка или друго име."_s};
    return {};
}

int ImportPreview::count(ImportRow::Flag flag) const
{
    return int(std::count_if(rows.begin(), rows.end(),
                             [flag](const ImportRow &r) { return r.flag == flag; }));
}

ImportPreview previewPartiesCsv(PartyTable table, QByteArrayView data)
{
    ImportPreview preview;
    preview.table = table;
    CsvParse csv = parseCsv(data);
    // Our headers hold no separator of either kind: a header read as one field that holds
    // a semicolon is a file separated by semicolons.
    if (csv.error.isEmpty() && !csv.records.isEmpty() && csv.records.first().fields.size() == 1 &&
        csv.records.first().fields.first().contains(u';'))
        csv = parseCsv(data, u';');
    if (!csv.error.isEmpty()) {
        preview.error = csv.error;
        return preview;
    }
    if (csv.records.isEmpty()) {
        preview.error = u"Файлът е празен: в него няма ред със заглавията на колоните."_s;
        return preview;
    }
    // Each column of the table is looked for by its name in the header.
    const QStringList &header = csv.records.first().fields;
    const QStringList &columns = partyColumns(table);
    QList<int> from; // for each column of the table, its field in the file
    QStringList missing;
    for (const QString &name : columns) {
        qsizetype at = -1;
        for (qsizetype i = 0; i < header.size() && at < 0; ++i) {
            if (header.at(i).trimmed() == name)
                at = i;
        }
        if (at < 0)
            missing.append(u"„"_s + name + u"“"_s);
        from.append(int(at));
    }
    if (!missing.isEmpty()) {
        preview.error = (missing.size() == 1 ? u"Във файла липсва колоната %1."_s
                                             : u"Във файла липсват колоните %1."_s)
                            .arg(missing.join(u", "_s));
        return preview;
    }
    for (qsizetype i = 0; i < header.size(); ++i) {
        if (!from.contains(int(i)))
            preview.ignored.append(header.at(i));
    }
    const int iban = partyIbanColumn(table);
    for (qsizetype r = 1; r < csv.records.size(); ++r) {
        const CsvRecord &record = csv.records.at(r);
        ImportRow row;
        row.line = record.line;
        if (record.fields.size() != header.size()) {
            row.flag = ImportRow::Flag::Malformed;
            row.note =
                u"Ред %1 има %2 полета, а заглавието – %3; няма да бъде добавен."_s.arg(record.line)
                    .arg(record.fields.size())
                    .arg(header.size());
            row.values = record.fields;
        } else {
            for (int f : std::as_const(from))
                row.values.append(unguardedFromSpreadsheet(record.fields.at(f)));
            const QString &value = row.values.at(iban);
            if (QString note = controlCharacterNote(table, record.line, row.values);
                !note.isEmpty()) {
                row.flag = ImportRow::Flag::Malformed;
                row.note = note;
            } else if (!value.isEmpty() && !CheckIban(value)) {
                row.flag = ImportRow::Flag::BadIban;
                row.note = u"Ред %1: невалиден IBAN „%2“."_s.arg(record.line).arg(value);
            }
        }
        preview.rows.push_back(std::move(row));
    }
    return preview;
}

std::vector<QStringList> rowsToImport(const ImportPreview &preview, const ImportOptions &options,
                                      int *skipped)
{
    std::vector<QStringList> rows;
    int left = 0;
    for (const ImportRow &row : preview.rows) {
        if (row.flag == ImportRow::Flag::Malformed ||
            (row.flag == ImportRow::Flag::BadIban && options.skipBadIban))
            ++left;
        else
            rows.push_back(row.values);
    }
    if (skipped)
        *skipped = left;
    return rows;
}

namespace {

template <typename Add>
ImportReport importWith(const ImportPreview &preview, const ImportOptions &options, Add add)
{
    ImportReport report;
    if (!preview.ok()) {
        report.error = {StoreError::Kind::Failed, preview.error};
        return report;
    }
    const std::vector<QStringList> rows = rowsToImport(preview, options, &report.skipped);
    if (StoreError e = add(rows)) {
        // The book adds them all or none: the clerk must know that none is in it.
        report.error = {e.kind(),
                        u"Файлът не е внесен: записите му се добавят всички заедно или нито "
                        "един, и нито един от %1 не е добавен. Причината:\n%2"_s.arg(rows.size())
                            .arg(e.message()),
                        e.detail()};
        report.skipped = 0;
        return report;
    }
    report.added = int(rows.size());
    return report;
}

} // namespace

ImportReport importParties(PartyStore &store, const ImportPreview &preview,
                           const ImportOptions &options)
{
    return importWith(preview, options, [&](const std::vector<QStringList> &rows) {
        StoreResult<std::vector<PartyKey>> keys = store.add(preview.table, rows);
        return keys.ok() ? StoreError() : keys.error();
    });
}

ImportReport importParties(PartyList &list, const ImportPreview &preview,
                           const ImportOptions &options)
{
    if (list.table() != preview.table) {
        ImportReport report;
        report.error = {StoreError::Kind::Failed, u"Файлът е прочетен за другата таблица."_s};
        return report;
    }
    return importWith(preview, options, [&](const std::vector<QStringList> &rows) {
        StoreResult<int> first = list.appendMany(rows);
        return first.ok() ? StoreError() : first.error();
    });
}

} // namespace formelan
