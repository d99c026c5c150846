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

// How much of the data is UTF-8: its valid sequences of more than one byte, the bytes
// that are not UTF-8, and where the first of them stands (-1: none).
struct Utf8Scan {
    qsizetype multiByte = 0;
    qsizetype bad = 0;
    qsizetype firstBad = -1;
};

Utf8Scan scanUtf8(QByteArrayView data)
{
    Utf8Scan scan;
    for (qsizetype i = 0; i < data.size();) {
        const quint8 lead = quint8(data[i]);
        const int length = lead < 0x80                    ? 1
                           : lead >= 0xC2 && lead <= 0xDF ? 2
                           : lead >= 0xE0 && lead <= 0xEF ? 3
                           : lead >= 0xF0 && lead <= 0xF4 ? 4
                                                          : 0;
        bool ok = length > 0 && i + length <= data.size();
        for (int k = 1; ok && k < length; ++k)
            ok = (quint8(data[i + k]) & 0xC0) == 0x80;
        if (!ok) {
            if (scan.firstBad < 0)
                scan.firstBad = i;
            ++scan.bad;
            ++i;
            continue;
        }
        if (length > 1)
            ++scan.multiByte;
        i += length;
    }
    return scan;
}

// The line, from 1, on which the byte at `offset` stands.
int lineAt(QByteArrayView data, qsizetype offset)
{
    int line = 1;
    for (qsizetype i = 0; i < offset; ++i) {
        if (data[i] == '\n' || (data[i] == '\r' && (i + 1 >= data.size() || data[i + 1] != '\n')))
            ++line;
    }
    return line;
}

QString decode(QByteArrayView data, QString *error, int *errorLine)
{
    const bool bom = data.startsWith(kBom);
    if (bom)
        data = data.sliced(3);
    // A zero byte is in no text, but in every spreadsheet's own file format.
    if (data.contains('\0'))
        return {};
    QStringDecoder utf8(QStringDecoder::Utf8);
    QString text = utf8(data);
    if (!utf8.hasError())
        return text;
    // A file that is mostly UTF-8 is not Windows-1251 with odd letters: one stray byte
    // (a value pasted from elsewhere) is told of where it stands. Windows-1251 text has
    // a few pairs that happen to be UTF-8 („ФИРМА“ ends in one) among many that are not.
    const Utf8Scan scan = scanUtf8(data);
    if (bom || scan.multiByte > scan.bad) {
        const int line = lineAt(data, scan.firstBad);
        *errorLine = line;
        *error = u"Файлът не е в кодировка UTF-8: ред %1 съдържа байт 0x%2, който не е знак в "
                 "UTF-8. Поправете този ред или запишете файла отново като „CSV UTF-8“ и "
                 "опитайте пак."_s.arg(line)
                     .arg(uint(quint8(data[scan.firstBad])), 2, 16, QChar(u'0'));
        return {};
    }
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
    QString notUtf8;
    const QString text = decode(data, &notUtf8, &out.errorLine);
    if (!notUtf8.isEmpty()) {
        out.error = notUtf8;
        return out;
    }
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
