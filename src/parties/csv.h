#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QStringList>

namespace formelan {

// CSV as RFC 4180 has it: fields separated by commas, records ended by CR LF, a field
// in double quotes when it holds a comma, a quote, a CR or an LF, with its quotes
// doubled. Written as UTF-8 with a byte-order mark, which spreadsheets need to see it
// as UTF-8.
class CsvWriter {
public:
    CsvWriter();
    void writeRecord(const QStringList &fields);
    const QByteArray &data() const { return m_data; }
    QByteArray take() { return std::move(m_data); }

private:
    QByteArray m_data;
};

struct CsvRecord {
    QStringList fields;
    int line = 0; // where the record begins, from 1
};

struct CsvParse {
    QList<CsvRecord> records; // blank lines left out
    QString error;            // in Bulgarian; empty when the whole text was read
    int errorLine = 0;
};

// Reads CSV text: UTF-8 with or without a byte-order mark, or Windows-1251 when it is not
// valid UTF-8. Records may end with CR LF, LF or CR; a quoted field keeps its line breaks
// exactly as they are. A quote inside an unquoted field is taken as it is. Fields are
// separated by `separator`: spreadsheets set to Bulgarian save ';' in their "CSV".
CsvParse parseCsv(QByteArrayView data, QChar separator = u',');

} // namespace formelan
