#include "form/banks.h"

#include "base/paths.h"
#include "form/numconvert.h"

#include <QFile>
#include <QStringDecoder>
#include <QStringList>

#include <algorithm>

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

std::optional<BankList> BankList::read(const QString &path, QString *error)
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
        const QString where = path + u':' + QString::number(n + 1) + u": "_s;
        const std::optional<QStringList> cells = splitLine(line);
        if (!cells || cells->size() != 3)
            return fail(where + u"очакват се три клетки: група, име и BIC"_s);
        const QString &group = cells->at(0);
        const QString &name = cells->at(1);
        const QString &bic = cells->at(2);
        if (group.isEmpty() || name.isEmpty())
            return fail(where + u"групата и името не може да са празни"_s);
        if (!isBulgarianBic(bic))
            return fail(where + u'"' + bic + u"\" не е български BIC"_s);

        const QString code = bic.first(4);
        const auto known = list.m_byCode.constFind(code);
        if (known == list.m_byCode.cend())
            list.m_byCode.insert(code, list.m_banks.size());
        else if (*known >= 0 && list.m_banks.at(*known).bic != bic)
            list.m_byCode[code] = -1;
        list.m_banks.append({group, name, bic});
    }
    return list;
}

const BankList &shippedBankList()
{
    // Kept per data folder, which only tests change.
    static QString folder;
    static std::optional<BankList> list;
    const QString dir = dataDir();
    if (!list || folder != dir) {
        folder = dir;
        QString error;
        list = BankList::read(dir + u"/help/banks.csv"_s, &error);
        if (!list) {
            qWarning("%s", qUtf8Printable(error));
            list.emplace();
        }
    }
    return *list;
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
