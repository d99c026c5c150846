#include "parties/ddata.h"

#include "app/windows.h"
#include "form/numconvert.h"

#include <array>

namespace formelan {

using namespace Qt::StringLiterals;

TDData *DData = nullptr;

namespace {
using K = FieldKind;
// clang-format off
// In tab order: the bank at the left, the payer in the middle with the check box
// under it, the obligated person at the right.
constexpr std::array<PartyFieldDef, 13> kDepositorFields{{
    //                                                                     max col load grid
    {u"bank_name",              K::Edit,     u"Име на банката на наредителя",  20, 11,  3, 0, 0},
    {u"branch_name",            K::Edit,     u"Клон на банката на наредителя", 20, 13,  8, 0, 1},
    {u"b_add",                  K::Edit,     u"Адрес на клона наредителя",     20, 12,  9, 0, 2},
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

const std::array<PartyCheck, 4> kDepositorChecks{{
    {u"depositor_iban_number1", CheckIban,    u"Невалиден IBAN, моля проверете го!"},
    {u"boun_egn",               CheckEgn,     u"Невалиден ЕГН, моля проверете го!"},
    {u"boun_lk",                CheckLnch,    u"Невалиден ЛНЧ, моля проверете го!"},
    {u"boun_bulstat",           CheckBulstat, u"Невалиден БУЛСТАТ, моля проверете го!"},
}};
// clang-format on
} // namespace

std::span<const PartyFieldDef> TDData::depositorFields()
{
    return kDepositorFields;
}

TDData::TDData(const PartyDatabase &db, QWidget *parent)
    : PartyWindow({u"DData"_s, u"Данни за наредители /задължени лица/"_s, u"depositor"_s,
                   u"depositor_name", kDepositorFields, kDepositorChecks, QSize(726, 504)},
                  db, parent)
{
    DData = this;
}

TDData::~TDData()
{
    if (DData == this)
        DData = nullptr;
}

} // namespace formelan
