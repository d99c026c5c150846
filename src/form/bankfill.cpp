#include "form/bankfill.h"

#include "form/banks.h"
#include "form/fieldwidgets.h"
#include "form/fieldwindow.h"
#include "form/numconvert.h"

#include <algorithm>
#include <array>

namespace formelan {

using namespace Qt::StringLiterals;

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
// The IBAN field's property that keeps the last complete IBAN it held: a bank that
// agrees with it was derived from it, whoever typed it, and follows the next IBAN.
constexpr char kLastIban[] = "formelanLastIban";

constexpr QStringView kMismatch = u"bank of the IBAN";
constexpr QStringView kForm = u"form of a BIC";

// Empty, still what the program filled, or the bank of the IBAN before: the user has
// not put his own text there.
bool ours(const FieldWindow &window, QStringView name, const QString &bankBefore)
{
    const QString text = window.fieldText(name);
    return text.isEmpty() || window.control(name)->property(kFilled).toString() == text ||
           (!bankBefore.isEmpty() && text == bankBefore);
}

void fill(FieldWindow &window, QStringView name, const QString &text)
{
    // Marked before it is set, so that whoever hears of the change already finds it so.
    window.control(name)->setProperty(kFilled, text);
    window.setFieldText(name, text);
}

void markBic(FieldWindow &window, const BankFields &fields)
{
    const QString iban = window.fieldText(fields.iban);
    window.setWarning(window.control(fields.bic), kMismatch,
                      bicContradictsIban(window.fieldText(fields.bic), iban)
                          ? u"BIC не отговаря на банката от IBAN (код %1)"_s.arg(iban.mid(4, 4))
                          : QString());
}

bool isSpacing(QChar c)
{
    return c.isSpace() || c.category() == QChar::Punctuation_Dash;
}

} // namespace

void fillBankFromIban(FieldWindow &window, QStringView ibanField)
{
    const auto fields = std::find_if(kBankFields.begin(), kBankFields.end(),
                                     [&](const BankFields &f) { return f.iban == ibanField; });
    if (fields == kBankFields.end() || !window.hasField(fields->bic))
        return;
    QWidget *ibanControl = window.control(ibanField);
    const QString iban = window.fieldText(ibanField);
    const std::optional<Bank> before =
        shippedBankList().bankForIban(ibanControl->property(kLastIban).toString());
    if (CheckIban(iban))
        ibanControl->setProperty(kLastIban, iban);
    if (!ours(window, fields->bic, before ? before->bic : QString()))
        return;
    const std::optional<Bank> bank = shippedBankList().bankForIban(iban);
    if (!bank)
        return;
    // Kept whole, like any text the program sets, even where the field's typing limit
    // is shorter than the bank's name.
    fill(window, fields->bic, bank->bic);
    if (window.hasField(fields->bankName) &&
        ours(window, fields->bankName, before ? before->name : QString()))
        fill(window, fields->bankName, bank->name);
}

void followIbans(FieldWindow &window, std::function<bool()> quiet)
{
    for (const BankFields &fields : kBankFields) {
        if (!window.hasField(fields.iban) || !window.hasField(fields.bic))
            continue;
        FieldEdit *iban = editOf(window.control(fields.iban));
        // IBANs come from papers and mails in groups of four, with dashes, in small
        // letters: the field keeps the compact form in capitals.
        iban->setInputRule([](QString &input, int &pos, QStringView) {
            dropChars(input, pos, isSpacing);
            input = input.toUpper();
            return true;
        });
        QObject::connect(iban, &QLineEdit::textChanged, &window, [&window, fields, quiet] {
            if (quiet && quiet()) {
                // Still the IBAN the bank beside it is judged by from now on.
                const QString text = window.fieldText(fields.iban);
                if (CheckIban(text))
                    window.control(fields.iban)->setProperty(kLastIban, text);
            } else if (CheckIban(window.fieldText(fields.iban))) {
                fillBankFromIban(window, fields.iban);
            }
            markBic(window, fields);
        });
        QWidget *bicField = window.control(fields.bic);
        FieldEdit *bic = editOf(bicField);
        // BICs are written in capitals; one read from a letter may come in small ones.
        bic->setInputRule([](QString &input, int &pos, QStringView) {
            dropChars(input, pos, [](QChar c) { return c.isSpace(); });
            input = input.toUpper();
            return true;
        });
        QObject::connect(bic, &QLineEdit::textChanged, &window, [&window, fields, bicField] {
            window.setWarning(bicField, kForm, QString());
            markBic(window, fields);
        });
        // Judged once the clerk is done with it: a BIC being typed is not yet one.
        window.onLeave(bicField, [&window](QWidget *field) {
            const QString text = formelan::fieldText(field);
            window.setWarning(field, kForm,
                              text.isEmpty() || isBicForm(text)
                                  ? QString()
                                  : u"Невалиден BIC: 8 или 11 главни латински букви и цифри"_s);
        });
    }
}

} // namespace formelan
