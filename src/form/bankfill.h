#pragma once

#include <QStringView>

namespace formelan {

class FieldWindow;

// After the IBAN field `ibanField` of `window` was left: when it holds a valid Bulgarian
// IBAN of a bank in the shipped list and the BIC field beside it is empty, fills the
// BIC, and the bank's name field too when that is empty. The fields are set by name,
// so that their changes are told like any other. Nothing for a field that is no IBAN
// field or a window without the fields beside it.
void fillBankFromIban(FieldWindow &window, QStringView ibanField);

} // namespace formelan
