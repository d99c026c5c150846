#include "documents/formfile.h"

#include "base/errors.h"
#include "base/files.h"
#include "base/paths.h"
#include "form/fieldset.h"
#include "form/kinds.h"

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

// How a message names the file: by its path where it is known.
QString theFile(const QString &fileName)
{
    return fileName.isEmpty() ? u"Файлът"_s : u"Файлът „%1“"_s.arg(displayPath(fileName));
}

AppError notAForm(const QString &fileName, const QString &why)
{
    return AppError(u"%1 не е формуляр: %2."_s.arg(theFile(fileName), why));
}

AppError damaged(const QString &fileName, const QString &why)
{
    return AppError(u"%1 е повреден: %2."_s.arg(theFile(fileName), why));
}

// A line of the file as a message quotes it: short enough to read, control characters
// shown as such.
QString quoted(const QString &line)
{
    constexpr qsizetype kShown = 50;
    QString shown = line.size() > kShown ? line.left(kShown) + u'…' : line;
    for (QChar &c : shown) {
        if (c.category() == QChar::Other_Control)
            c = QChar(QChar::ReplacementCharacter);
    }
    return u"„"_s + shown + u'“';
}

QString fieldTitle(const FieldDef &def)
{
    return def.label.isEmpty() ? def.name.toString()
                               : u"„"_s + def.label + u"“ ("_s + def.name + u')';
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

// What no text holds: a NUL, the mark of binary data and of UTF-16 read bytewise, and
// halves of a character. Other control characters may have come in with a paste, and
// this program writes them as they are: they stay readable.
bool holdsNoText(QStringView text)
{
    return !text.isValidUtf16() || text.contains(QChar(0));
}

std::optional<QString> decoded(QByteArrayView bytes, QStringDecoder::Encoding encoding)
{
    QStringDecoder decoder(encoding);
    QString text = decoder.decode(bytes);
    if (decoder.hasError() || holdsNoText(text))
        return std::nullopt;
    return text;
}

// Windows-1251 as the format has it, except that a file marked as UTF-8 or UTF-16, or
// one that is valid UTF-8 with letters beyond ASCII, is read as such: no Windows-1251
// file of Cyrillic text is valid UTF-8. Bytes that are no text are refused.
QString decodeForm(const QByteArray &bytes, const QString &fileName)
{
    const auto marked = [&](qsizetype bom, QStringDecoder::Encoding encoding, QStringView name) {
        if (std::optional<QString> text = decoded(QByteArrayView(bytes).sliced(bom), encoding))
            return *text;
        throw notAForm(fileName, u"по знака в началото му е текст в %1, но съдържанието му "
                                 u"не е такъв текст"_s.arg(name));
    };
    if (bytes.startsWith("\xEF\xBB\xBF"))
        return marked(3, QStringDecoder::Utf8, u"UTF-8");
    if (bytes.startsWith("\xFF\xFE"))
        return marked(2, QStringDecoder::Utf16LE, u"UTF-16");
    if (bytes.startsWith("\xFE\xFF"))
        return marked(2, QStringDecoder::Utf16BE, u"UTF-16");
    if (bytes.contains('\0')) {
        if (bytes.size() % 2 == 0 &&
            (decoded(bytes, QStringDecoder::Utf16LE) || decoded(bytes, QStringDecoder::Utf16BE)))
            throw notAForm(fileName, u"текстът му е в UTF-16 без знака за реда на байтовете в "
                                     u"началото; запишете го в Windows-1251 или UTF-8"_s);
        throw notAForm(fileName, u"съдържанието му не е текст"_s);
    }
    const bool ascii =
        std::all_of(bytes.begin(), bytes.end(), [](char c) { return uchar(c) < 0x80; });
    if (!ascii) {
        if (std::optional<QString> text = decoded(bytes, QStringDecoder::Utf8))
            return *text;
    }
    QStringDecoder decoder(kCodePage);
    QString text = decoder.decode(bytes);
    if (decoder.hasError() || holdsNoText(text))
        throw notAForm(fileName, u"съдържанието му не е текст"_s);
    return text;
}

// A day number of the field's value line; nothing when it is none.
std::optional<double> parseDayNumber(const QString &value)
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
        return std::nullopt;
    return v;
}

QDate dayOf(const QString &value, const FieldDef &def, const QString &fileName)
{
    const std::optional<double> number = parseDayNumber(value);
    if (!number)
        throw damaged(fileName,
                      u"в полето %1 вместо дата стои %2"_s.arg(fieldTitle(def), quoted(value)));
    const double days = std::trunc(*number);
    const qint64 earliest = kEpoch.daysTo(earliestDate());
    const qint64 latest = kEpoch.daysTo(latestDate());
    if (days < double(earliest) || days > double(latest)) {
        const QLocale bulgarian(QLocale::Bulgarian, QLocale::Bulgaria);
        throw damaged(fileName, u"в полето %1 датата (%2) е извън допустимите, от %3 до %4"_s.arg(
                                    fieldTitle(def), quoted(value),
                                    bulgarian.toString(earliestDate(), u"d MMMM yyyy"_s),
                                    bulgarian.toString(latestDate(), u"d MMMM yyyy"_s)));
    }
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
        throw AppError(u"Полето %1 съдържа знака „%2“, който не може да бъде записан във "
                       u"формуляр (кодова таблица Windows-1251). Формулярът не е записан."_s.arg(
                           fieldTitle(defs[k]), c));
    }
    throw AppError(u"Видът на документа съдържа знак, който не може да бъде записан във "
                   u"формуляр (кодова таблица Windows-1251). Формулярът не е записан."_s);
}

ParsedForm parseFormFile(const QByteArray &bytes, const QString &fileName)
{
    if (bytes.isEmpty())
        throw AppError(u"%1 е празен, а не формуляр."_s.arg(theFile(fileName)));
    const QStringList lines = splitLines(decodeForm(bytes, fileName));
    const qsizetype n = lines.size();

    const auto defs = documentFields();
    // Where each field's name stands in the file, top to bottom.
    std::vector<std::vector<qsizetype>> nameLines(defs.size());
    std::vector<bool> isName(size_t(n), false);
    bool anyName = false;
    for (qsizetype i = 0; i < n; ++i) {
        const qsizetype k = fieldNamed(lines[i]);
        if (k >= 0) {
            nameLines[size_t(k)].push_back(i);
            isName[size_t(i)] = true;
            anyName = true;
        }
    }
    if (!anyName)
        throw notAForm(fileName, u"в него няма нито едно от полетата на документа"_s);

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
            throw damaged(fileName, u"прекъсва в полето %1"_s.arg(fieldTitle(def)));
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
            entry.dateTime = QDateTime(dayOf(value, def, fileName), QTime(0, 0));
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
    if (parsed.kindMissing)
        return parsed;
    // The kind becomes the window's title and goes into the next save: a line that names
    // no kind is no form of this program's, whatever else the file holds.
    const QString kind = lines.last().trimmed();
    if (!findKind(kind))
        throw notAForm(fileName,
                       lines.last().trimmed().isEmpty()
                           ? u"последният му ред, където стои видът на документа, е празен"_s
                           : u"на последния му ред, където стои видът на документа, пише %1, "
                             u"а такъв вид документ няма"_s.arg(quoted(lines.last())));
    content.kind = kind;
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
        ParsedForm parsed = parseFormFile(file.bytes, fileName);
        return {std::move(parsed.content), {}, parsed.missingFields, parsed.kindMissing};
    } catch (const AppError &e) {
        return {std::nullopt, e.message()};
    }
}

} // namespace formelan
