#include "parties/ddata.h"

#include "app/windows.h"

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
    {u"bank_name",              K::Edit,     u"Име на банката на наредителя",  20, 11, 0, 0},
    {u"branch_name",            K::Edit,     u"Клон на банката на наредителя", 20, 13, 0, 1},
    {u"b_add",                  K::Edit,     u"Адрес на клона наредителя",     20, 12, 0, 2},
    {u"dep_bic1",               K::Edit,     u"BIC на банката на наредителя",   8,  9, 0, 3},
    {u"depositor_name",         K::PickList, u"Име на наредителя",             26,  1, 1, 0},
    {u"depositor_iban_number1", K::Edit,     u"IBAN на наредителя",            22, 10, 1, 1},
    {u"depositor_country",      K::Edit,     u"Държава на наредителя",         30,  7, 1, 2},
    {u"depositor_add",          K::Edit,     u"Адрес на наредителя",           30,  8, 1, 3},
    {u"debg",                   K::Check,    u"наредителя е местно лице",      -1,  6, 1, 4},
    {u"bounder_name",           K::Edit,     u"Име на задълженото лице",       -1,  2, 2, 0},
    {u"boun_egn",               K::Edit,     u"ЕГН на задълженото лице",       10,  3, 2, 1},
    {u"boun_bulstat",           K::Edit,     u"Булстат на задълженото лице",   13,  5, 2, 2},
    {u"boun_lk",                K::Edit,     u"ЛНЧ на задълженото лице",       10,  4, 2, 3},
}};
// clang-format on
} // namespace

std::span<const PartyFieldDef> TDData::depositorFields() {
    return kDepositorFields;
}

TDData::TDData(QWidget *parent)
    : PartyWindow(u"DData"_s, u"Данни за наредители /задължени лица/"_s, kDepositorFields, parent) {
    resize(726, 504);
    DData = this;
}

TDData::~TDData() {
    if (DData == this)
        DData = nullptr;
}

} // namespace formelan
