#pragma once

#include <QString>
#include <QStringView>

#include <optional>

namespace formelan {

// Identifier checks: yes when the text is a well-formed identifier. Any text gets an
// answer; none is changed, trimmed or upper-cased first.
bool CheckIban(QStringView text);    // Bulgarian IBAN, 22 characters, MOD 97-10
bool CheckEgn(QStringView text);     // ЕГН, personal number of a citizen
bool CheckLnch(QStringView text);    // ЛНЧ, personal number of a foreigner
bool CheckBulstat(QStringView text); // БУЛСТАТ, 9, 10 or 13 characters

// The amount written out in Bulgarian words: the whole units before the first "." or
// ",", the hundredths (at most two characters, written as digits) after it. The
// currency is read as a code in any case, spaces around it aside: in euro and cents
// for "EUR"; in leva and stotinki ("лв", "ст") for "BGN", "BGL" and no currency; any
// other is named by its code after the words, its hundredths as "и 05/100" ("двадесет
// и един USD и 05/100", hundredths alone "50/100 USD"). Empty when the whole part is
// not a whole number from 0 to 2147483647, or when either part is negative.
QString AmountInWords(QStringView amount, QStringView currency = {});

// Decimal digits "0" to "9" and nothing else; yes for an empty text.
bool allDigits(QStringView text);

// A whole number: optional leading spaces, an optional sign and decimal digits,
// nothing else, within the signed 32-bit range.
std::optional<qint32> wholeNumber(QStringView text);

} // namespace formelan
