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

// The widget property that keeps what the program last filled into a field.
constexpr char kFilled[] = "formelanFilledFromIban";

// Empty, or still what the program filled: the user has not put his own text there.
bool ours(const FieldWindow &window, QStringView name)
{
    const QString text = window.fieldText(name);
    return text.isEmpty() || window.control(name)->property(kFilled).toString() == text;
}

void fill(FieldWindow &window, QStringView name, const QString &text)
{
    // Marked before it is set, so that whoever hears of the change already finds it so.
    window.control(name)->setProperty(kFilled, text);
    window.setFieldText(name, text);
}

} // namespace

void fillBankFromIban(FieldWindow &window, QStringView ibanField)
{
    const auto fields = std::find_if(kBankFields.begin(), kBankFields.end(),
                                     [&](const BankFields &f) { return f.iban == ibanField; });
    if (fields == kBankFields.end() || !window.hasField(fields->bic) || !ours(window, fields->bic))
        return;
    const std::optional<Bank> bank = shippedBankList().bankForIban(window.fieldText(ibanField));
    if (!bank)
        return;
    // Kept whole, like any text the program sets, even where the field's typing limit
    // is shorter than the bank's name.
    fill(window, fields->bic, bank->bic);
    if (window.hasField(fields->bankName) && ours(window, fields->bankName))
        fill(window, fields->bankName, bank->name);
}

} // namespace formelan
