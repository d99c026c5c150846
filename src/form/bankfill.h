#pragma once

#include <QStringView>

#include <functional>

namespace formelan {

class FieldWindow;

// After the IBAN field `ibanField` of `window` was left or changed: when it holds a valid
// Bulgarian IBAN of a bank in the shipped list, fills the BIC field beside it, and the
// bank's name field, each when it is empty, still holds what this filled before, or holds
// the bank of the IBAN the field last held: a new IBAN of another bank brings its bank,
// and what the user typed against it stays. The fields are set by name, so that their
// changes are told like any other. Nothing for a field that is no IBAN field or a window
// without the fields beside it.
void fillBankFromIban(FieldWindow &window, QStringView ibanField);

// Ties each IBAN field of `window` to the BIC and bank beside it, the same in every
// window: the IBAN keeps its compact form in capitals whatever is typed or pasted (groups
// of four, dashes, small letters); every complete IBAN fills its bank (fillBankFromIban)
// unless `quiet` answers true (a document being read brings its own); a BIC that
// contradicts the IBAN's bank code is marked at the BIC field as long as it does.
void followIbans(FieldWindow &window, std::function<bool()> quiet = {});

} // namespace formelan
