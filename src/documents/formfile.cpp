#include "documents/formfile.h"

#include "base/errors.h"
#include "base/files.h"
#include "form/fieldset.h"

#include <QHash>
#include <QLocale>
#include <QRegularExpression>
#include <QStringDecoder>
#include <QStringEncoder>

#include <algorithm>
#include <cmath>

namespace formelan {

using namespace Qt::StringLiterals;

namespace {

// Starts each further line of a value that holds line breaks. A reader that takes
// only the line after the name gets the first line, and never mistakes a further
// line for a name, since no name starts with it.
constexpr QChar kContinuation = u'¶';
const QDate kEpoch(1899, 12, 30);
const char *const kCodePage = "windows-1251";

// A form file is a few kilobytes; anything larger is refused before it is read.
constexpr qint64 kMaxFileSize = 1024 * 1024;

AppError outOfBounds(qsizetype index)
{
    return AppError(u"List index out of bounds (%1)"_s.arg(index));
}

QStringList splitLines(const QString &text)
{
    QStringList lines;
    qsizetype start = 0;
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = text[i];
        if (c != u'\r' && c != u'\n')
            continue;
        lines.append(text.mid(start, i - start));
        if (c == u'\r' && i + 1 < n && text[i + 1] == u'\n')
            ++i;
        start = i + 1;
    }
    if (start < n)
        lines.append(text.mid(start));
    return lines;
}

bool sameName(const QString &line, QStringView name)
{
    return line.size() == name.size() && QStringView(line).compare(name, Qt::CaseInsensitive) == 0;
}

// The field whose name the line is, letter case aside, or -1.
qsizetype fieldNamed(const QString &line)
{
    static const QHash<QString, qsizetype> byName = [] {
        QHash<QString, qsizetype> names;
        const auto defs = documentFields();
        for (size_t k = 0; k < defs.size(); ++k)
            names.insert(defs[k].name.toString().toCaseFolded(), qsizetype(k));
        return names;
    }();
    if (line.size() > 22) // no name is longer
        return -1;
    return byName.value(line.toCaseFolded(), -1);
}

// Windows-1251 as the format has it, except that a file marked as UTF-8, or one that is
// valid UTF-8 with letters beyond ASCII, is UTF-8: no Windows-1251 file of Cyrillic
// text is valid UTF-8.
QString decodeForm(const QByteArray &bytes)
{
    if (bytes.startsWith("\xEF\xBB\xBF")) {
        QStringDecoder utf8(QStringDecoder::Utf8);
        return utf8.decode(QByteArrayView(bytes).sliced(3));
    }
    const bool ascii =
        std::all_of(bytes.begin(), bytes.end(), [](char c) { return uchar(c) < 0x80; });
    if (!ascii) {
        QStringDecoder utf8(QStringDecoder::Utf8);
        QString text = utf8.decode(bytes);
        if (!utf8.hasError())
            return text;
    }
    QStringDecoder decoder(kCodePage);
    return decoder.decode(bytes);
}

double parseDayNumber(const QString &value)
{
    static const QRegularExpression number(
        u"^\\s*[+-]?(\\d+\\.?\\d*|\\.\\d+)([eE][+-]?\\d+)?\\s*$"_s);
    QString text = value;
    // Either separator reads, so a file moves between comma and point settings.
    if (!text.contains(u'.'))
        text.replace(u',', u'.');
    bool ok = false;
    const double v = number.match(text).hasMatch() ? QLocale::c().toDouble(text, &ok) : 0.0;
    if (!ok || !std::isfinite(v))
        throw AppError(u"'%1' is not a valid floating point value"_s.arg(value));
    return v;
}

QDate dayOf(double number)
{
    const double days = std::trunc(number);
    const qint64 earliest = kEpoch.daysTo(earliestDate());
    const qint64 latest = kEpoch.daysTo(latestDate());
    if (days < double(earliest) || days > double(latest))
        throw AppError(u"Failed to set calendar date or time"_s);
    return kEpoch.addDays(qint64(days));
}

void appendLine(QString &out, const QString &line)
{
    out += line;
    out += u"\r\n";
}

void appendValue(QString &out, const QString &value)
{
    const QStringList parts = splitLines(value);
    if (parts.isEmpty()) {
        appendLine(out, QString());
        return;
    }
    appendLine(out, parts.first());
    for (qsizetype i = 1; i < parts.size(); ++i)
        appendLine(out, kContinuation + parts.at(i));
    // A value that ends with a line break keeps it as an empty further line.
    if (value.endsWith(u'\n') || value.endsWith(u'\r'))
        appendLine(out, QString(kContinuation));
}

// The first character of `text` that Windows-1251 has no place for.
QString unwritable(const QString &text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        const qsizetype len = text[i].isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
        const QString c = text.mid(i, len);
        QStringEncoder enc(kCodePage);
        const QByteArray encoded = enc.encode(c);
        if (enc.hasError())
            return c;
        i += len - 1;
    }
    return {};
}

} // namespace

QString dayNumber(const QDateTime &when, QChar decimalPoint)
{
    const qint64 days = kEpoch.daysTo(when.date());
    const double fraction = when.time().msecsSinceStartOfDay() / 86400000.0;
    const double value = days >= 0 ? double(days) + fraction : double(days) - fraction;
    QString s = QString::number(value, 'g', 15);
    if (s.contains(u'e')) {
        // Only a tiny time of day on the epoch itself gets here: write it out in full.
        const int exponent = int(std::floor(std::log10(std::fabs(value))));
        s = QString::number(value, 'f', 14 - exponent);
        while (s.endsWith(u'0'))
            s.chop(1);
        if (s.endsWith(u'.'))
            s.chop(1);
    }
    s.replace(u'.', decimalPoint);
    return s;
}

QByteArray formatForm(const FormContent &content, QChar decimalPoint, FormEncoding encoding)
{
    const auto defs = documentFields();
    QString text;
    text.reserve(4096);
    for (size_t k = 0; k < defs.size(); ++k) {
        const FieldDef &def = defs[k];
        const FormEntry &entry = content.entries.at(k);
        appendLine(text, def.name.toString());
        switch (def.kind) {
        case FieldKind::Date:
            appendLine(text, dayNumber(entry.dateTime, decimalPoint));
            break;
        case FieldKind::Check:
            appendLine(text, yesNo(entry.checked));
            break;
        default:
            appendValue(text, entry.text);
        }
    }
    appendLine(text, content.kind);

    if (encoding == FormEncoding::Utf8)
        return "\xEF\xBB\xBF" + text.toUtf8();
    QStringEncoder encoder(kCodePage);
    QByteArray bytes = encoder.encode(text);
    if (!encoder.hasError())
        return bytes;
    for (size_t k = 0; k < defs.size(); ++k) {
        const QString c = unwritable(content.entries.at(k).text);
        if (c.isEmpty())
            continue;
        const FieldDef &def = defs[k];
        const QString field = def.label.isEmpty() ? def.name.toString()
                                                  : u"„"_s + def.label + u"“ ("_s + def.name + u')';
        throw AppError(
            u"Полето %1 съдържа знака „%2“, който не може да бъде записан във "
            u"формуляр (кодова таблица Windows-1251). Формулярът не е записан."_s.arg(field, c));
    }
    throw AppError(u"Видът на документа съдържа знак, който не може да бъде записан във "
                   u"формуляр (кодова таблица Windows-1251). Формулярът не е записан."_s);
}

ParsedForm parseFormFile(const QByteArray &bytes)
{
    const QStringList lines = splitLines(decodeForm(bytes));
    const qsizetype n = lines.size();
    if (n == 0)
        throw outOfBounds(0);

    const auto defs = documentFields();
    // Where each field's name stands in the file, top to bottom.
    std::vector<std::vector<qsizetype>> nameLines(defs.size());
    std::vector<bool> isName(size_t(n), false);
    for (qsizetype i = 0; i < n; ++i) {
        const qsizetype k = fieldNamed(lines[i]);
        if (k >= 0) {
            nameLines[size_t(k)].push_back(i);
            isName[size_t(i)] = true;
        }
    }

    ParsedForm parsed;
    FormContent &content = parsed.content;
    content.entries.resize(defs.size());
    std::vector<bool> used(size_t(n), false);
    qsizetype pos = 0;
    for (size_t k = 0; k < defs.size(); ++k) {
        const FieldDef &def = defs[k];
        FormEntry &entry = content.entries[k];
        // Where the file follows the window's order, the name stands where the last
        // entry ended; otherwise the first of its name lines that no entry has taken.
        qsizetype at = -1;
        if (pos < n && isName[size_t(pos)] && sameName(lines[pos], def.name)) {
            at = pos;
        } else {
            for (qsizetype i : nameLines[k]) {
                if (!used[size_t(i)]) {
                    at = i;
                    break;
                }
            }
        }
        if (at < 0) {
            entry.present = false;
            ++parsed.missingFields;
            continue;
        }
        if (at + 1 >= n)
            throw outOfBounds(n);
        used[size_t(at)] = true;
        QString value = lines[at + 1];
        used[size_t(at + 1)] = true;
        qsizetype next = at + 2;
        while (next < n - 1 && lines[next].startsWith(kContinuation)) {
            value += u'\n' + lines[next].mid(1);
            used[size_t(next)] = true;
            ++next;
        }
        // Older files write a memo's further lines as they are: they run up to the
        // next field's name, with no other name between.
        if (def.kind == FieldKind::Memo && k + 1 < defs.size() && next < n - 1 &&
            !sameName(lines[next], defs[k + 1].name)) {
            qsizetype q = next;
            while (q < n - 1 && !isName[size_t(q)])
                ++q;
            if (q < n - 1 && sameName(lines[q], defs[k + 1].name)) {
                for (; next < q; ++next) {
                    value += u'\n' + lines[next];
                    used[size_t(next)] = true;
                }
            }
        }
        pos = next;

        switch (def.kind) {
        case FieldKind::Date:
            entry.dateTime = QDateTime(dayOf(parseDayNumber(value)), QTime(0, 0));
            break;
        case FieldKind::Check:
            entry.checked = value == kYes;
            break;
        default:
            entry.text = value;
        }
    }
    // A last line that an entry took is no kind line: the file was cut short.
    parsed.kindMissing = used[size_t(n - 1)];
    if (!parsed.kindMissing)
        content.kind = lines.last();
    return parsed;
}

FormContent parseForm(const QByteArray &bytes)
{
    return parseFormFile(bytes).content;
}

std::optional<QString> saveFormFile(const QString &fileName, const FormContent &content,
                                    QChar decimalPoint, FormEncoding encoding)
{
    try {
        return writeFileAtomically(fileName, formatForm(content, decimalPoint, encoding));
    } catch (const AppError &e) {
        return e.message();
    }
}

LoadedForm loadFormFile(const QString &fileName)
{
    const FileRead file = readWholeFile(fileName, kMaxFileSize);
    if (!file.error.isEmpty())
        return {std::nullopt, file.error};
    try {
        ParsedForm parsed = parseFormFile(file.bytes);
        return {std::move(parsed.content), {}, parsed.missingFields, parsed.kindMissing};
    } catch (const AppError &e) {
        return {std::nullopt, e.message()};
    }
}

} // namespace formelan
