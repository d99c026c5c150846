// The two address books: recipients, and payers with the obligated persons.
#include "form/numconvert.h"
#include "parties/addressbook.h"

#include <array>

namespace formelan {

namespace {
using K = FieldKind;
// clang-format off
// In tab order: two columns of four, the check box under the right column.
constexpr std::array<PartyFieldDef, 9> kRecipientFields{{
    //                                                                                max col load  grid
    {u"Recipient_name",         K::PickList, u"Платете на - име на получателя",                   26, 1, 1, 0, 0},
    {u"recipient_iban_number1", K::Edit,     u"IBAN на получателя",                               22, 7, 6, 0, 1},
    {u"rec_bic1",               K::Edit,     u"BIC на банката на получателя",                     11, 8, 7, 0, 2},
    {u"rebank",                 K::Edit,     u"При банка - банка на получателя",                  26, 9, 8, 0, 3},
    {u"recipi_lk",              K::Edit,     u"Документ за самоличност № на упълномощеното лице",  9, 3, 3, 1, 0},
    {u"recipi_egn",             K::Edit,     u"ЕГН на упълномощеното лице",                       10, 2, 2, 1, 1},
    {u"recipient_country",      K::Edit,     u"Държава на получателя",                             30, 5, 4, 1, 2},
    {u"recipient_add",          K::Edit,     u"Адрес на получателя",                               30, 6, 5, 1, 3},
    {u"rebg",                   K::Check,    u"получателя е местно лице",                         -1, 4, 0, 1, 4},
}};

const std::array<PartyCheck, 2> kRecipientChecks{{
    {u"recipient_iban_number1", CheckIban, u"Невалиден IBAN, моля проверете го!"},
    {u"recipi_egn",             CheckEgn,  u"Невалиден ЕГН, моля проверете го!"},
}};

// In tab order: the bank at the left, the payer in the middle with the check box
// under it, the obligated person at the right.
constexpr std::array<PartyFieldDef, 13> kPayerFields{{
    //                                                                     max col load grid
    {u"bank_name",              K::Edit,     u"Име на банката на наредителя",  20, 11,  3, 0, 0},
    {u"branch_name",            K::Edit,     u"Клон на банката на наредителя", 20, 13,  8, 0, 1},
    {u"b_add",                  K::Edit,     u"Адрес на клона на наредителя",     20, 12,  9, 0, 2},
    {u"dep_bic1",               K::Edit,     u"BIC на банката на наредителя",   8,  9,  2, 0, 3},
    {u"depositor_name",         K::PickList, u"Име на наредителя",             26,  1,  0, 1, 0},
    {u"depositor_iban_number1", K::Edit,     u"IBAN на наредителя",            22, 10,  1, 1, 1},
    {u"depositor_country",      K::Edit,     u"Държава на наредителя",         30,  7, 10, 1, 2},
    {u"depositor_add",          K::Edit,     u"Адрес на наредителя",           30,  8, 11, 1, 3},
    {u"debg",                   K::Check,    u"наредителя е местно лице",      -1,  6, 12, 1, 4},
    {u"bounder_name",           K::Edit,     u"Име на задълженото лице",       -1,  2,  7, 2, 0},
    {u"boun_egn",               K::Edit,     u"ЕГН на задълженото лице",       10,  3,  5, 2, 1},
    {u"boun_bulstat",           K::Edit,     u"Булстат на задълженото лице",   13,  5,  6, 2, 2},
    {u"boun_lk",                K::Edit,     u"ЛНЧ на задълженото лице",       10,  4,  4, 2, 3},
}};

const std::array<PartyCheck, 4> kPayerChecks{{
    {u"depositor_iban_number1", CheckIban,    u"Невалиден IBAN, моля проверете го!"},
    {u"boun_egn",               CheckEgn,     u"Невалиден ЕГН, моля проверете го!"},
    {u"boun_lk",                CheckLnch,    u"Невалиден ЛНЧ, моля проверете го!"},
    {u"boun_bulstat",           CheckBulstat, u"Невалиден БУЛСТАТ, моля проверете го!"},
}};

const AddressBookDescription kRecipients{
    u"RData", u"Данни за получатели /упълномощени лица/", PartyTable::Recipients, u"Recipient_name",
    u"rec_bic1", kRecipientFields, kRecipientChecks, {572, 496}};

const AddressBookDescription kPayers{
    u"DData", u"Данни за наредители /задължени лица/", PartyTable::Payers, u"depositor_name",
    u"dep_bic1", kPayerFields, kPayerChecks, {726, 504}};
// clang-format on
} // namespace

const AddressBookDescription &recipientsDescription()
{
    return kRecipients;
}

const AddressBookDescription &payersDescription()
{
    return kPayers;
}

} // namespace formelan
