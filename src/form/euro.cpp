#include "form/euro.h"

#include "form/numconvert.h"

#include <QtGlobal>

#include <array>
#include <limits>
#include <optional>

namespace formelan {

using namespace Qt::StringLiterals;

namespace {

constexpr qint64 kMaxWhole = std::numeric_limits<qint32>::max();

// A text that is not a whole number only because it is too long: leading spaces, a
// sign, then digits alone. Tells "too large" from "not a number".
bool onlyDigitsAfterSign(QStringView text, bool *negative)
{
    qsizetype i = 0;
    while (i < text.size() && text[i] == u' ')
        ++i;
    *negative = i < text.size() && text[i] == u'-';
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-'))
        ++i;
    if (i == text.size())
        return false;
    for (; i < text.size(); ++i) {
        if (text[i] < u'0' || text[i] > u'9')
            return false;
    }
    return true;
}

struct Part {
    qint64 value = 0;
    AmountProblem problem = AmountProblem::None;
};

Part readPart(QStringView text, qint64 max, AmountProblem notANumber, AmountProblem tooLarge)
{
    if (text.isEmpty())
        return {};
    if (const std::optional<qint32> v = wholeNumber(text)) {
        if (*v < 0)
            return {0, AmountProblem::Negative};
        if (*v > max)
            return {0, tooLarge};
        return {*v, AmountProblem::None};
    }
    bool negative = false;
    if (!onlyDigitsAfterSign(text, &negative))
        return {0, notANumber};
    return {0, negative ? AmountProblem::Negative : tooLarge};
}

QString quoted(QStringView text)
{
    return u'"' + text.toString() + u'"';
}

// The message for an amount that cannot be converted, naming the amount as its label
// in the document window does.
QString refusalFor(AmountProblem problem, const QString &label, QStringView whole,
                   QStringView cents)
{
    QString why;
    switch (problem) {
    case AmountProblem::None:
        return {};
    case AmountProblem::NotANumber:
        why = u"Сумата в "_s + quoted(label) + u" не е число: "_s + quoted(whole) + u'.';
        break;
    case AmountProblem::TooLarge:
        why = u"Сумата в "_s + quoted(label) + u" е твърде голяма: "_s + quoted(whole) + u'.';
        break;
    case AmountProblem::Negative:
        why = u"Сумата в "_s + quoted(label) + u" е отрицателна: "_s +
              quoted(QString(whole + u'.' + cents)) + u'.';
        break;
    case AmountProblem::CentsNotANumber:
        why = u"Стотинките в "_s + quoted(label) + u" не са число: "_s + quoted(cents) + u'.';
        break;
    case AmountProblem::CentsOutOfRange:
        why = u"Стотинките в "_s + quoted(label) + u" трябва да са от 00 до 99: "_s +
              quoted(cents) + u'.';
        break;
    }
    return why + u" Документът не е превърнат в евро."_s;
}

struct AmountFields {
    QStringView whole;
    QStringView cents;
    QStringView label;
};

// clang-format off
constexpr AmountFields kTotal{u"sum", u"dr", u"Сума (Обща сума)"};
constexpr std::array<AmountFields, 4> kSubAmounts{{
    {u"ium1", u"d1", u"Сума 1"},
    {u"ium2", u"d2", u"Сума 2"},
    {u"ium3", u"d3", u"Сума 3"},
    {u"ium4", u"d4", u"Сума 4"},
}};
// clang-format on

} // namespace

ParsedAmount parseAmount(QStringView whole, QStringView cents)
{
    const Part w = readPart(whole, kMaxWhole, AmountProblem::NotANumber, AmountProblem::TooLarge);
    if (w.problem != AmountProblem::None)
        return {0, w.problem};
    const Part c =
        readPart(cents, 99, AmountProblem::CentsNotANumber, AmountProblem::CentsOutOfRange);
    if (c.problem != AmountProblem::None)
        return {0, c.problem};
    return {w.value * 100 + c.value, AmountProblem::None};
}

qint64 levToEuroCents(qint64 levCents)
{
    Q_ASSERT(levCents >= 0);
    // levCents × 100000 would overflow above 92 233 720 368 547 cents; splitting off
    // whole multiples of the rate first keeps every step in range and stays exact.
    const qint64 q = levCents / kLevaPerEuro;
    const qint64 r = levCents % kLevaPerEuro;
    const qint64 scaled = r * 100000;
    const qint64 rest = scaled % kLevaPerEuro;
    // The rate is odd, so a remainder is never exactly half: "half up" is "above half".
    return q * 100000 + scaled / kLevaPerEuro + (2 * rest >= kLevaPerEuro ? 1 : 0);
}

AmountTexts formatAmount(qint64 cents)
{
    Q_ASSERT(cents >= 0);
    const int c = int(cents % 100);
    const QChar digits[2]{QChar(u'0' + c / 10), QChar(u'0' + c % 10)};
    return {QString::number(cents / 100), QString(digits, 2)};
}

EuroConversion convertToEuro(const QHash<QString, QString> &fields, bool eighthKind)
{
    const auto text = [&](QStringView name) { return fields.value(name.toString()); };
    EuroConversion result;

    const auto convertOne = [&](const AmountFields &amount, qint64 *euroCents) {
        const QString whole = text(amount.whole);
        const QString cents = text(amount.cents);
        const ParsedAmount lev = parseAmount(whole, cents);
        if (!lev.ok()) {
            result.refusal = refusalFor(lev.problem, amount.label.toString(), whole, cents);
            return false;
        }
        *euroCents = levToEuroCents(lev.cents);
        return true;
    };
    const auto refuse = [&] {
        result.fields.clear();
        return result;
    };

    if (eighthKind) {
        qint64 wholeTotal = 0;
        qint64 centsTotal = 0;
        bool allZero = true;
        for (const AmountFields &sub : kSubAmounts) {
            qint64 euro = 0;
            if (!convertOne(sub, &euro))
                return refuse();
            allZero = allZero && euro == 0;
            const AmountTexts t = formatAmount(euro);
            result.fields.insert(sub.whole.toString(), t.whole);
            result.fields.insert(sub.cents.toString(), t.cents);
            wholeTotal += euro / 100;
            centsTotal += euro % 100;
        }
        // Every lev amount of a cent or more converts to a cent or more, so zero euro
        // here means four zero sub-amounts.
        if (!allZero) {
            const qint64 sum = wholeTotal + centsTotal / 100;
            if (sum > kMaxWhole) {
                result.refusal = u"Общата сума в евро е по-голяма от 2147483647. "
                                 u"Документът не е превърнат в евро."_s;
                return refuse();
            }
            result.fields.insert(kTotal.whole.toString(), QString::number(sum));
            result.fields.insert(kTotal.cents.toString(), QString::number(centsTotal % 100));
            return result;
        }
    }

    qint64 euro = 0;
    if (!convertOne(kTotal, &euro))
        return refuse();
    const AmountTexts t = formatAmount(euro);
    result.fields.insert(kTotal.whole.toString(), t.whole);
    result.fields.insert(kTotal.cents.toString(), t.cents);
    return result;
}

namespace {

// The words of an amount as a list of what they say: the short forms of the bank forms
// and the full ones read alike, and "и" and punctuation say nothing of the amount.
QStringList wordsSaid(QStringView words)
{
    static const QHash<QString, QString> same{
        {u"хиляда"_s, u"хил"_s},    {u"хиляди"_s, u"хил"_s},  {u"мил"_s, u"млн"_s},
        {u"милион"_s, u"млн"_s},    {u"милиона"_s, u"млн"_s}, {u"милиард"_s, u"млрд"_s},
        {u"милиарда"_s, u"млрд"_s}, {u"лева"_s, u"лв"_s},     {u"лев"_s, u"лв"_s},
        {u"стотинки"_s, u"ст"_s},   {u"стотинка"_s, u"ст"_s}, {u"цента"_s, u"цент"_s},
    };
    QString text = words.toString().toLower();
    for (QChar &c : text) {
        if (c == u'.' || c == u',')
            c = u' ';
    }
    QStringList said;
    for (const QString &word : text.split(u' ', Qt::SkipEmptyParts)) {
        if (word == u"и")
            continue;
        bool number = false;
        const int cents = word.toInt(&number);
        said.append(number ? QString::number(cents) : same.value(word, word));
    }
    // "и 00 цента" says no more than nothing.
    if (said.size() >= 2 && said.at(said.size() - 2) == u"0" &&
        (said.last() == u"цент" || said.last() == u"ст"))
        said.resize(said.size() - 2);
    return said;
}

} // namespace

bool wordsMatchAmount(QStringView words, QStringView sum, QStringView dr, QStringView currency)
{
    if (holdsWordsOf(words, sum, dr, currency))
        return true;
    const QString amount = sum.toString() + u'.' + dr;
    return wordsSaid(words) == wordsSaid(AmountInWords(amount, currency));
}

bool holdsWordsOf(QStringView words, QStringView sum, QStringView dr, QStringView currency)
{
    const QString amount = sum.toString() + u'.' + dr;
    return words == QStringView(AmountInWords(amount, currency)).left(100);
}

} // namespace formelan
