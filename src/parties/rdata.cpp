#include "parties/rdata.h"

#include "app/windows.h"
#include "form/numconvert.h"

#include <array>

namespace formelan {

using namespace Qt::StringLiterals;

TRData *RData = nullptr;

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
    {u"recipient_country",      K::Edit,     u"Държава на получтеля",                             30, 5, 4, 1, 2},
    {u"recipient_add",          K::Edit,     u"Адрес на получтеля",                               30, 6, 5, 1, 3},
    {u"rebg",                   K::Check,    u"получателя е местно лице",                         -1, 4, 0, 1, 4},
}};

const std::array<PartyCheck, 2> kRecipientChecks{{
    {u"recipient_iban_number1", CheckIban, u"Невалиден IBAN, моля проверете го!"},
    {u"recipi_egn",             CheckEgn,  u"Невалиден ЕГН, моля проверете го!"},
}};
// clang-format on
} // namespace

std::span<const PartyFieldDef> TRData::recipientFields()
{
    return kRecipientFields;
}

TRData::TRData(const PartyDatabase &db, QWidget *parent)
    : PartyWindow({u"RData"_s, u"Данни за получатели /упъномощени лица/"_s, u"recipient"_s,
                   u"Recipient_name", kRecipientFields, kRecipientChecks, QSize(572, 496)},
                  db, parent)
{
    RData = this;
}

TRData::~TRData()
{
    if (RData == this)
        RData = nullptr;
}

} // namespace formelan
