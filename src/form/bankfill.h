#pragma once

#include <QStringView>

namespace formelan {

class FieldWindow;

// After the IBAN field `ibanField` of `window` was left or changed: when it holds a valid
// Bulgarian IBAN of a bank in the shipped list, fills the BIC field beside it, and the
// bank's name field, each when it is empty or still holds what this filled before: a
// new IBAN of another bank brings its bank, and what the user typed stays. The fields
// are set by name, so that their changes are told like any other. Nothing for a field
// that is no IBAN field or a window without the fields beside it.
void fillBankFromIban(FieldWindow &window, QStringView ibanField);

} // namespace formelan
