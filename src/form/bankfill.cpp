#include "form/bankfill.h"

#include "form/banks.h"
#include "form/fieldwindow.h"

#include <algorithm>
#include <array>

namespace formelan {

namespace {

struct BankFields {
    QStringView iban;
    QStringView bic;
    QStringView bankName;
};

// The same names in the document window and in the address books.
constexpr std::array<BankFields, 2> kBankFields{{
    {u"recipient_iban_number1", u"rec_bic1", u"rebank"},
    {u"depositor_iban_number1", u"dep_bic1", u"bank_name"},
}};

} // namespace

void fillBankFromIban(FieldWindow &window, QStringView ibanField)
{
    const auto fields = std::find_if(kBankFields.begin(), kBankFields.end(),
                                     [&](const BankFields &f) { return f.iban == ibanField; });
    if (fields == kBankFields.end() || !window.hasField(fields->bic) ||
        !window.fieldText(fields->bic).isEmpty())
        return;
    const std::optional<Bank> bank = shippedBankList().bankForIban(window.fieldText(ibanField));
    if (!bank)
        return;
    // Kept whole, like any text the program sets, even where the field's typing limit
    // is shorter than the bank's name.
    window.setFieldText(fields->bic, bank->bic);
    if (window.hasField(fields->bankName) && window.fieldText(fields->bankName).isEmpty())
        window.setFieldText(fields->bankName, bank->name);
}

} // namespace formelan
