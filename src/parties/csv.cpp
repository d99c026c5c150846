#include "parties/csv.h"

#include <QStringDecoder>

namespace formelan {

using namespace Qt::StringLiterals;

namespace {

constexpr char kBom[] = "\xEF\xBB\xBF";

bool needsQuotes(const QString &field)
{
    for (QChar c : field) {
        if (c == u',' || c == u'"' || c == u'\r' || c == u'\n')
            return true;
    }
    return false;
}

QString decode(QByteArrayView data)
{
    if (data.startsWith(kBom))
        data = data.sliced(3);
    // A zero byte is in no text, but in every spreadsheet's own file format.
    if (data.contains('\0'))
        return {};
    QStringDecoder utf8(QStringDecoder::Utf8);
    QString text = utf8(data);
    if (!utf8.hasError())
        return text;
    // Spreadsheets set to Bulgarian save CSV in the Windows code page.
    QStringDecoder cp1251("windows-1251");
    if (cp1251.isValid()) {
        text = cp1251(data);
        if (!cp1251.hasError())
            return text;
    }
    return {};
}

} // namespace

CsvWriter::CsvWriter()
    : m_data(kBom)
{}

void CsvWriter::writeRecord(const QStringList &fields)
{
    QString line;
    for (qsizetype i = 0; i < fields.size(); ++i) {
        if (i > 0)
            line += u',';
        const QString &f = fields.at(i);
        // A lone empty field is quoted, or the record would read back as a blank line.
        if (needsQuotes(f) || (fields.size() == 1 && f.isEmpty()))
            line += u'"' + QString(f).replace(u'"', u"\"\""_s) + u'"';
        else
            line += f;
    }
    line += u"\r\n"_s;
    m_data += line.toUtf8();
}

CsvParse parseCsv(QByteArrayView data, QChar separator)
{
    CsvParse out;
    const QString text = decode(data);
    if (text.isNull() && !data.isEmpty() && data != QByteArrayView(kBom)) {
        out.error = u"Файлът не е текст в UTF-8 или Windows-1251."_s;
        return out;
    }
    const qsizetype n = text.size();
    int line = 1;
    CsvRecord record{{}, 1};
    QString field;
    bool quoted = false;    // inside quotes
    bool wasQuoted = false; // the current field began with a quote
    bool content = false;   // the record has anything at all
    auto endField = [&] {
        record.fields.append(field);
        field.clear();
        wasQuoted = false;
    };
    auto endRecord = [&] {
        endField();
        if (content)
            out.records.append(record);
        record = CsvRecord{{}, line};
        content = false;
    };
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = text[i];
        if (quoted) {
            if (c == u'"') {
                if (i + 1 < n && text[i + 1] == u'"') {
                    field += u'"';
                    ++i;
                } else {
                    quoted = false;
                }
            } else {
                if (c == u'\n' || (c == u'\r' && !(i + 1 < n && text[i + 1] == u'\n')))
                    ++line;
                field += c;
            }
            continue;
        }
        if (c == u'"' && field.isEmpty() && !wasQuoted) {
            quoted = wasQuoted = content = true;
        } else if (c == separator) {
            content = true;
            endField();
        } else if (c == u'\r' || c == u'\n') {
            if (c == u'\r' && i + 1 < n && text[i + 1] == u'\n')
                ++i;
            ++line;
            endRecord();
        } else {
            content = true;
            field += c;
        }
    }
    if (quoted) {
        out.error =
            u"Кавичките, отворени на ред %1, не са затворени до края на файла."_s.arg(record.line);
        out.errorLine = record.line;
        return out;
    }
    if (content || !field.isEmpty())
        endRecord();
    return out;
}

} // namespace formelan
