#pragma once

// Converting a document's amounts from leva to euro at the fixed rate, in whole cents
// and integer arithmetic only: the law fixes the rate to five decimals and the
// rounding to the cent, and a double gets neither exactly.

#include <QHash>
#include <QString>
#include <QStringView>

namespace formelan {

// 1 EUR = 1.95583 BGN, in hundred-thousandths of a lev.
inline constexpr qint64 kLevaPerEuro = 195583;

// Why an amount's two texts are not an amount.
enum class AmountProblem {
    None,
    NotANumber, // the whole part is not a whole number
    TooLarge,   // the whole part has only digits, but more than 2147483647
    Negative,   // either part has a minus sign and is not zero
    CentsNotANumber,
    CentsOutOfRange, // the cents are a number, but not 0 to 99
};

struct ParsedAmount {
    qint64 cents = 0; // the whole amount in hundredths; 0 unless `problem` is None
    AmountProblem problem = AmountProblem::None;
    bool ok() const { return problem == AmountProblem::None; }
};

// An amount from the texts of its whole part (`sum`, `ium1` …) and its cents (`dr`,
// `d1` …). Each part is a whole number as the program reads one (leading spaces and a
// sign allowed), the whole part at most 2147483647, the cents 0 to 99 ("5" is five
// cents, as the amount in words reads it). An empty part reads as 0, as leaving the
// field would make it.
ParsedAmount parseAmount(QStringView whole, QStringView cents);

// Lev cents to euro cents: levCents × 100000 / 195583, rounded half up to the cent.
// Exact for every levCents from 0 to the largest qint64.
qint64 levToEuroCents(qint64 levCents);

struct AmountTexts {
    QString whole; // "0", "51", no leading zeros
    QString cents; // always two digits: "00", "05", "13"
};

// cents ≥ 0 as the texts of a whole part and two-digit cents.
AmountTexts formatAmount(qint64 cents);

struct EuroConversion {
    // The new texts of the amount fields by name: `sum` and `dr`, and for the eighth
    // kind also `ium1` … `ium4` and `d1` … `d4`. Empty when refused.
    QHash<QString, QString> fields;
    // Why nothing was converted, as a message for the user; empty when converted.
    QString refusal;
    bool ok() const { return refusal.isEmpty(); }
};

// Converts a document's amounts, given as field name → text, from leva to euro. Any
// amount that is not an amount refuses the whole conversion, so that a document is
// never left half in leva.
//
// The eighth kind converts each of the four sub-amounts on its own (each rounded to
// the cent) and then totals them as leaving a sub-amount field does: `sum` = L + C div
// 100 and `dr` = C mod 100 without a leading zero, where L and C are the sums of the
// converted whole parts and cents. When all four sub-amounts are zero the document
// holds its amount in `sum` and `dr` alone, and those are converted instead, since
// totalling would turn them into 0.
EuroConversion convertToEuro(const QHash<QString, QString> &fields, bool eighthKind);

// Whether `words` holds what clicking the words field made of the amount `sum`.`dr` in
// `currency`: the amount in words, cut to the field's 100 characters as the field cuts
// it. Tells whether the words field may be filled anew after a conversion.
bool holdsWordsOf(QStringView words, QStringView sum, QStringView dr, QStringView currency);

// Whether `words` read as the amount `sum`.`dr` in `currency`, however the clerk wrote
// them: the program's words, or the same words spelt out in full ("две хиляди евро" for
// "две хил  евро"), with or without "и", in any letter case and spacing.
bool wordsMatchAmount(QStringView words, QStringView sum, QStringView dr, QStringView currency);

} // namespace formelan
