#include "form/banks.h"

#include "base/paths.h"
#include "form/numconvert.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QStringDecoder>
#include <QStringList>

#include <algorithm>
#include <utility>

namespace formelan {

using namespace Qt::StringLiterals;

namespace {

bool isUpper(QChar c)
{
    return c >= u'A' && c <= u'Z';
}

bool isUpperOrDigit(QChar c)
{
    return isUpper(c) || (c >= u'0' && c <= u'9');
}

// Bank code, "BG", location and, in an 11-character BIC, the branch.
bool isBulgarianBic(QStringView bic)
{
    if (bic.size() != 8 && bic.size() != 11)
        return false;
    for (qsizetype i = 0; i < 4; ++i) {
        if (!isUpper(bic[i]))
            return false;
    }
    if (bic.sliced(4, 2) != u"BG")
        return false;
    for (qsizetype i = 6; i < bic.size(); ++i) {
        if (!isUpperOrDigit(bic[i]))
            return false;
    }
    return true;
}

// The cells of one line, quoted ones unquoted ("" inside stands for one quote);
// nothing when a quote is misplaced or left open.
std::optional<QStringList> splitLine(QStringView line)
{
    QStringList cells;
    qsizetype i = 0;
    for (;;) {
        QString cell;
        if (i < line.size() && line[i] == u'"') {
            ++i;
            for (;;) {
                if (i == line.size())
                    return std::nullopt;
                if (line[i] == u'"') {
                    if (i + 1 < line.size() && line[i + 1] == u'"') {
                        cell += u'"';
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                cell += line[i++];
            }
            if (i < line.size() && line[i] != u',')
                return std::nullopt;
        } else {
            while (i < line.size() && line[i] != u',') {
                if (line[i] == u'"')
                    return std::nullopt;
                cell += line[i++];
            }
        }
        cells.append(cell);
        if (i == line.size())
            return cells;
        ++i; // the comma
    }
}

} // namespace

std::optional<BankList> BankList::read(const QString &path, QString *error, QStringList *skipped)
{
    const auto fail = [&](const QString &why) -> std::optional<BankList> {
        if (error)
            *error = why;
        return std::nullopt;
    };
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return fail(path + u": "_s + file.errorString());
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return fail(path + u": "_s + file.errorString());
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString text = utf8(bytes);
    if (utf8.hasError())
        return fail(path + u": не е текст в UTF-8"_s);

    const QStringList lines = text.split(u'\n');
    const auto lineText = [&](qsizetype n) {
        QStringView l = lines[n];
        return l.endsWith(u'\r') ? l.chopped(1) : l;
    };
    if (lineText(0) != u"group,name,bic")
        return fail(path + u": първият ред трябва да е \"group,name,bic\""_s);

    BankList list;
    for (qsizetype n = 1; n < lines.size(); ++n) {
        const QStringView line = lineText(n);
        if (line.isEmpty())
            continue;
        const auto skip = [&](const QString &why) {
            if (skipped)
                skipped->append(path + u':' + QString::number(n + 1) + u": "_s + why);
        };
        const std::optional<QStringList> cells = splitLine(line);
        if (!cells || cells->size() != 3) {
            skip(u"очакват се три клетки: група, име и BIC"_s);
            continue;
        }
        const QString &group = cells->at(0);
        const QString &name = cells->at(1);
        const QString &bic = cells->at(2);
        if (group.isEmpty() || name.isEmpty() || bic.isEmpty()) {
            skip(u"групата, името и BIC не може да са празни"_s);
            continue;
        }
        // A space at an edge cannot be seen, yet makes another BIC or name.
        if (std::any_of(cells->cbegin(), cells->cend(),
                        [](const QString &c) { return c.trimmed() != c; })) {
            skip(u"клетка започва или завършва с интервал"_s);
            continue;
        }
        if (!isBulgarianBic(bic)) {
            skip(u'"' + bic +
                 u"\" не е български BIC: четири главни латински букви за банковия код, "
                 u"BG, две за мястото и три или нито една за клона"_s);
            continue;
        }
        list.m_banks.append({group, name, bic});
    }
    list.index();
    return list;
}

void BankList::index()
{
    m_byCode.clear();
    for (qsizetype i = 0; i < m_banks.size(); ++i) {
        const QString code = m_banks.at(i).bic.first(4);
        const auto known = m_byCode.constFind(code);
        if (known == m_byCode.cend())
            m_byCode.insert(code, i);
        else if (*known >= 0 && m_banks.at(*known).bic != m_banks.at(i).bic)
            m_byCode[code] = -1;
    }
}

void BankList::overrideWith(const BankList &office)
{
    QList<Bank> merged;
    QSet<QString> placed;
    const auto officeRows = [&](const QString &code) {
        for (const Bank &bank : office.m_banks) {
            if (bank.bic.first(4) == code)
                merged.append(bank);
        }
        placed.insert(code);
    };
    for (const Bank &bank : std::as_const(m_banks)) {
        const QString code = bank.bic.first(4);
        if (!office.m_byCode.contains(code))
            merged.append(bank);
        else if (!placed.contains(code))
            officeRows(code);
    }
    for (const Bank &bank : office.m_banks) {
        if (!placed.contains(bank.bic.first(4)))
            officeRows(bank.bic.first(4));
    }
    m_banks = merged;
    index();
}

QString officeBankListPath()
{
    return userDataDir() + u"/banks.csv"_s;
}

namespace {
QStringList g_problems;

// A file's path with its size and time of change, so that an edited list is read again.
QString fileStamp(const QString &path)
{
    const QFileInfo info(path);
    if (!info.exists())
        return path;
    return path + u'|' + QString::number(info.size()) + u'|' +
           QString::number(info.lastModified().toMSecsSinceEpoch());
}
} // namespace

const BankList &shippedBankList()
{
    static QString stamps;
    static std::optional<BankList> list;
    const QString shipped = dataDir() + u"/help/banks.csv"_s;
    const QString office = officeBankListPath();
    const QString now = fileStamp(shipped) + u'\n' + fileStamp(office);
    if (!list || stamps != now) {
        stamps = now;
        g_problems.clear();
        QString error;
        list = BankList::read(shipped, &error, &g_problems);
        if (!list) {
            // Only a broken installation lacks it; the clerk can still type the bank.
            qWarning("%s", qUtf8Printable(error));
            list.emplace();
        }
        if (QFile::exists(office)) {
            const std::optional<BankList> own = BankList::read(office, &error, &g_problems);
            if (own)
                list->overrideWith(*own);
            else
                g_problems.append(error);
        }
    }
    return *list;
}

QStringList takeBankListProblems()
{
    shippedBankList();
    return std::exchange(g_problems, {});
}

namespace {

// Text in RTF: the specials escaped, anything beyond ASCII as a Unicode character.
QByteArray rtfText(const QString &text)
{
    QByteArray out;
    for (const QChar c : text) {
        if (c == u'\\' || c == u'{' || c == u'}')
            out += '\\' + QByteArray(1, char(c.unicode()));
        else if (c.unicode() < 128)
            out += char(c.unicode());
        else
            out += "\\u" + QByteArray::number(qint16(c.unicode())) + '?';
    }
    return out;
}

QByteArray rtfRow(const QString &name, const QString &bic, bool bold)
{
    return "\\trowd\\trgaph70\\trleft0\\clbrdrb\\brdrs\\brdrw5\\cellx5600"
           "\\clbrdrb\\brdrs\\brdrw5\\cellx7800\n\\pard\\intbl\\plain\\f0\\fs20" +
           QByteArray(bold ? "\\b " : " ") + rtfText(name) + "\\cell " + rtfText(bic) +
           "\\cell\\row\n";
}

} // namespace

QByteArray bankListRtf(const BankList &list)
{
    QByteArray rtf = "{\\rtf1\\ansi\\ansicpg1251\\uc1\\deff0\n"
                     "{\\fonttbl{\\f0\\fswiss\\fcharset204 Arial;}}\n"
                     "{\\colortbl;\\red0\\green0\\blue0;\\red0\\green70\\blue140;"
                     "\\red110\\green110\\blue110;}\n";
    rtf += "\\pard\\plain\\f0\\fs28\\b\\cf2 " +
           rtfText(u"Банкови идентификационни кодове (BIC) на банките"_s) + "\\par\n";
    rtf += "\\pard\\plain\\f0\\fs18\\cf3 " +
           rtfText(u"Справочен списък. Меродавен е регистърът на банките, публикуван от "
                   u"Българската народна банка; проверете кода там, ако се съмнявате."_s) +
           "\\par\n";
    rtf += "\\pard\\plain\\f0\\fs18\\cf3 " +
           rtfText(u"Кликнете два пъти върху кода, за да го изберете."_s) + "\\par\\par\n";
    // Each group once, in the order it first appears, however the office's rows fall.
    QStringList groups;
    for (const Bank &bank : list.banks()) {
        if (!groups.contains(bank.group))
            groups.append(bank.group);
    }
    for (const QString &group : std::as_const(groups)) {
        rtf += "\\pard\\plain\\f0\\fs22\\b\\cf2 " + rtfText(group) + "\\par\n";
        rtf += rtfRow(u"Банка"_s, u"BIC"_s, true);
        for (const Bank &bank : list.banks()) {
            if (bank.group == group)
                rtf += rtfRow(bank.name, bank.bic, false);
        }
        rtf += "\\pard\\plain\\f0\\fs20\\par\n";
    }
    return rtf + "}\n";
}

bool bicContradictsIban(QStringView bic, QStringView iban)
{
    if (bic.isEmpty() || !iban.startsWith(u"BG") || !CheckIban(iban))
        return false;
    return bic.first(std::min<qsizetype>(4, bic.size()))
               .compare(iban.sliced(4, 4), Qt::CaseInsensitive) != 0;
}

bool isBicForm(QStringView bic)
{
    if (bic.size() != 8 && bic.size() != 11)
        return false;
    for (qsizetype i = 0; i < bic.size(); ++i) {
        const QChar c = bic[i];
        const bool capital = c >= u'A' && c <= u'Z';
        if (!(capital || (i >= 6 && c >= u'0' && c <= u'9')))
            return false;
    }
    return true;
}

std::optional<Bank> BankList::bankForIban(QStringView iban) const
{
    if (!iban.startsWith(u"BG") || !CheckIban(iban))
        return std::nullopt;
    const qsizetype at = m_byCode.value(iban.sliced(4, 4).toString(), -1);
    if (at < 0)
        return std::nullopt;
    return m_banks.at(at);
}

} // namespace formelan
