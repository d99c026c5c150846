#include "form/numconvert.h"

#include <QDate>

#include <algorithm>
#include <array>
#include <limits>

namespace formelan {

using namespace Qt::StringLiterals;

namespace {

constexpr bool isDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

constexpr int digit(QChar c)
{
    return c.unicode() - u'0';
}

// Weighted sum of the digits text[from], text[from+1], … with the given weights.
template <size_t N> int weighted(QStringView text, qsizetype from, const std::array<int, N> &w)
{
    int s = 0;
    for (size_t i = 0; i < N; ++i)
        s += w[i] * digit(text[from + qsizetype(i)]);
    return s;
}

// A check digit with a second set of weights when the first remainder is 10, and 0
// when the second is 10 as well.
template <size_t N>
int checkDigit(QStringView text, qsizetype from, const std::array<int, N> &first,
               const std::array<int, N> &second)
{
    int r = weighted(text, from, first) % 11;
    if (r != 10)
        return r;
    r = weighted(text, from, second) % 11;
    return r != 10 ? r : 0;
}

bool nineDigitRule(QStringView text)
{
    return checkDigit(text, 0, std::array{1, 2, 3, 4, 5, 6, 7, 8},
                      std::array{3, 4, 5, 6, 7, 8, 9, 10}) == digit(text[8]);
}

bool thirteenDigitRule(QStringView text)
{
    return checkDigit(text, 8, std::array{2, 7, 3, 5}, std::array{4, 9, 5, 7}) == digit(text[12]);
}

// clang-format off
const std::array<QStringView, 11> kUnits{
    u"", u"един", u"два", u"три", u"четири", u"пет", u"шест", u"седем", u"осем", u"девет",
    u"десет"};
// clang-format on

// The gender that a final one or two agrees with: "един лв", "една хил", "едно евро".
enum class Gender { Masculine, Feminine, Neuter };

void appendUnit(QString &out, int n, Gender gender)
{
    if (n == 1 && gender == Gender::Feminine)
        out += u"една";
    else if (n == 1 && gender == Gender::Neuter)
        out += u"едно";
    else if (n == 2 && gender != Gender::Masculine)
        out += u"две";
    else if (n <= 10)
        out += kUnits[size_t(n)];
    else if (n == 11)
        out += u"единадесет";
    else
        out += kUnits[size_t(n - 10)] + u"надесет"_s;
}

void appendTens(QString &out, int tens)
{
    out += kUnits[size_t(tens)];
    out += u"десет";
}

// 1 to 999; a final one or two agrees with `gender`, 11 and 12 never change.
void appendGroup(QString &out, int n, Gender gender)
{
    const int h = n / 100;
    const int t = n % 100;
    switch (h) {
    case 0:
        break;
    case 1:
        out += u"сто";
        break;
    case 2:
        out += u"двеста";
        break;
    case 3:
        out += u"триста";
        break;
    default:
        out += kUnits[size_t(h)];
        out += u"стотин";
    }
    if (t == 0)
        return;
    if (t < 20 || t % 10 == 0) {
        if (h)
            out += u" и ";
        if (t < 20)
            appendUnit(out, t, gender);
        else
            appendTens(out, t / 10);
        return;
    }
    if (h)
        out += u' ';
    appendTens(out, t / 10);
    out += u" и ";
    appendUnit(out, t % 10, gender);
}

bool plain(int group)
{
    return group < 20 || group % 10 == 0;
}

QString withoutSpaces(QStringView text)
{
    QString out;
    out.reserve(text.size());
    for (QChar c : text) {
        if (c != u' ')
            out += c;
    }
    return out;
}

} // namespace

std::optional<qint32> wholeNumber(QStringView text)
{
    qsizetype i = 0;
    while (i < text.size() && text[i] == u' ')
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) {
        negative = text[i] == u'-';
        ++i;
    }
    if (i == text.size())
        return std::nullopt;
    qint64 value = 0;
    constexpr qint64 limit = qint64(std::numeric_limits<qint32>::max()) + 1;
    for (; i < text.size(); ++i) {
        if (!isDigit(text[i]))
            return std::nullopt;
        value = value * 10 + digit(text[i]);
        if (value > limit)
            return std::nullopt;
    }
    if (negative)
        value = -value;
    if (value > std::numeric_limits<qint32>::max())
        return std::nullopt;
    return qint32(value);
}

bool CheckIban(QStringView text)
{
    if (text.size() != 22)
        return false;
    // Characters 5 to 22, then 1 to 4; letters count 10 to 35. The remainder is
    // carried digit by digit, which gives the same result as taking it piecewise.
    int r = 0;
    for (qsizetype k = 0; k < 22; ++k) {
        const QChar c = text[(k + 4) % 22];
        if (isDigit(c)) {
            r = (r * 10 + digit(c)) % 97;
        } else if (c >= u'A' && c <= u'Z') {
            const int v = c.unicode() - u'A' + 10;
            r = (r * 100 + v) % 97;
        } else {
            return false;
        }
    }
    return r == 1;
}

bool CheckEgn(QStringView text)
{
    if (text.size() != 10 || !allDigits(text))
        return false;
    const int r = weighted(text, 0, std::array{2, 4, 8, 5, 10, 9, 7, 3, 6}) % 11;
    const int d10 = digit(text[9]);
    if (r != d10 && !(r == 10 && d10 == 0))
        return false;
    // The first six digits are the birth date; the month carries the century: 1–12 for
    // the 1900s, 21–32 for the 1800s, 41–52 for the 2000s.
    const int year = digit(text[0]) * 10 + digit(text[1]);
    const int month = digit(text[2]) * 10 + digit(text[3]);
    const int day = digit(text[4]) * 10 + digit(text[5]);
    const int century = month > 40 ? 2000 : month > 20 ? 1800 : 1900;
    return QDate(century + year, month % 20, day).isValid() && month % 20 != 0;
}

bool CheckLnch(QStringView text)
{
    if (text.size() != 10 || !allDigits(text))
        return false;
    return weighted(text, 0, std::array{21, 19, 17, 13, 11, 9, 7, 3, 1}) % 10 == digit(text[9]);
}

bool CheckBulstat(QStringView text)
{
    switch (text.size()) {
    case 9:
        return allDigits(text) && nineDigitRule(text);
    case 10: // the tenth character is not examined
        return allDigits(text.first(9)) && nineDigitRule(text);
    case 13:
        return allDigits(text) && nineDigitRule(text) && thirteenDigitRule(text);
    default:
        return false;
    }
}

QString AmountInWords(QStringView amount, QStringView currency)
{
    const QString code = currency.trimmed().toString().toUpper();
    const bool euro = code == u"EUR";
    // Any currency but leva and euro is named by its code, its hundredths as a fraction.
    const bool leva = code.isEmpty() || code == u"BGN" || code == u"BGL";
    const bool other = !euro && !leva;
    qsizetype sep = -1;
    for (qsizetype i = 0; i < amount.size(); ++i) {
        if (amount[i] == u'.' || amount[i] == u',') {
            sep = i;
            break;
        }
    }
    const std::optional<qint32> whole =
        wholeNumber(withoutSpaces(sep < 0 ? amount : amount.first(sep)));
    if (!whole || *whole < 0)
        return {};
    std::optional<qint32> cents;
    QString centsText;
    if (sep >= 0) {
        centsText = withoutSpaces(
            amount.sliced(sep + 1).first(std::min<qsizetype>(2, amount.size() - sep - 1)));
        cents = wholeNumber(centsText);
        if (cents && *cents < 0)
            return {};
    }

    const int v = *whole;
    const int b = v / 1000000000;
    const int m = (v / 1000000) % 1000;
    const int t = (v / 1000) % 1000;
    const int u = v % 1000;
    // Where the conjunction "и" goes: before the last non-zero group of the lower
    // three, when that group is a plain number.
    int p = 1;
    if (u != 0)
        p = plain(u) ? 4 : 1;
    else if (t != 0)
        p = plain(t) ? 3 : 1;
    else if (m != 0)
        p = plain(m) ? 2 : 1;

    QString r;
    r.reserve(128);
    if (b != 0) {
        appendGroup(r, b, Gender::Masculine);
        r += b == 1 ? u" милиард "_s : u" милиарда "_s;
        if (p == 2)
            r += u"и ";
    }
    if (m != 0) {
        appendGroup(r, m, Gender::Masculine);
        r += u" мил ";
        if (p == 3)
            r += u"и ";
    }
    if (t != 0) {
        if (t == 1) {
            r += u" хиляда ";
        } else {
            appendGroup(r, t, Gender::Feminine);
            r += u" хил ";
        }
        if (p == 4)
            r += u"и ";
    }
    // "евро" is neuter: only the units group agrees with it ("едно евро", "две евро").
    if (u != 0)
        appendGroup(r, u, euro ? Gender::Neuter : Gender::Masculine);
    if (other) {
        const bool hasCents = cents && *cents != 0;
        if (r.isEmpty())
            return hasCents ? centsText + u"/100 "_s + code : QString();
        r += u' ' + code;
        if (hasCents)
            r += u" и "_s + centsText + u"/100"_s;
        return r;
    }
    if (!r.isEmpty())
        r += euro ? QStringView(u" евро") : QStringView(u" лв");

    if (cents && *cents != 0) {
        if (!r.isEmpty())
            r += u" и ";
        r += centsText;
        if (!euro)
            r += u" ст";
        else
            r += *cents == 1 ? QStringView(u" цент") : QStringView(u" цента");
    }
    return r;
}

bool allDigits(QStringView text)
{
    return std::all_of(text.begin(), text.end(), isDigit);
}

} // namespace formelan
