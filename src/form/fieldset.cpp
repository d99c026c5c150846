#include "form/fieldset.h"

#include <array>

namespace formelan {

using namespace Qt::StringLiterals;

namespace {

using K = FieldKind;
using I = ItemList;

constexpr FieldPlace at(int panel, int row, int col, int span = 1, int width = 185)
{
    return {panel, row, col, span, width};
}

// Panel 4: four blocks of five rows each.
constexpr FieldPlace block(int k, int row, int col, int span = 1, int width = 185)
{
    return {4, (k - 1) * 5 + row, col, span, width};
}

// clang-format off
constexpr std::array<FieldDef, 84> kFields{{
    // name                      kind        max  initial  label                                          items          place                 tab mirrored
    {u"Recipient_name",          K::PickList, 26, u"",    u"Платете на - име на получателя",             I::None,       at(0, 2, 0),           4, true},
    {u"recipient_iban_number1",  K::Edit,     22, u"",    u"IBAN на получателя",                         I::None,       at(0, 2, 1),           5, true},
    {u"rec_bic1",                K::Edit,      8, u"",    u"BIC на банката на получателя",               I::None,       at(0, 3, 1),           7, true},
    {u"rebank",                  K::Edit,     26, u"",    u"При банка - банка на получателя",            I::None,       at(0, 3, 0),           6, true},
    {u"of_date",                 K::Date,     -1, u"",    u"От дата",                                    I::None,       at(0, 9, 0, 1, 120),  18, false},
    {u"depositor_iban_number1",  K::Edit,     22, u"",    u"IBAN на наредителя",                         I::None,       at(0, 12, 1),         24, true},
    {u"dep_bic1",                K::Edit,      8, u"",    u"BIC на банката на наредителя",               I::None,       at(0, 13, 1),         26, true},
    {u"bank_name",               K::Edit,     20, u"",    u"Име на банката на наредителя",               I::None,       at(0, 0, 0),           1, true},
    {u"boun_lk",                 K::Edit,     10, u"",    u"ЛНЧ на задълженото лице",                    I::None,       at(0, 11, 1),         23, true},
    {u"boun_egn",                K::Edit,     10, u"",    u"ЕГН на задълженото лице",                    I::None,       at(0, 11, 0),         22, true},
    {u"boun_bulstat",            K::Edit,     13, u"",    u"Булстат на задълженото лице",                I::None,       at(0, 10, 1),         21, true},
    {u"bounder_name",            K::Edit,     26, u"",    u"Задължено лице - име",                       I::None,       at(0, 10, 0),         20, true},
    {u"branch_name",             K::Edit,     20, u"",    u"Клон на банката",                            I::None,       at(0, 1, 0),           2, true},
    {u"b_add",                   K::Edit,     20, u"",    u"Адрес на клона",                             I::None,       at(0, 1, 1),           3, true},
    {u"sum",                     K::Edit,     10, u"0",   u"Сума (Обща сума)",                           I::None,       at(0, 4, 0, 1, 100),   9, false},
    {u"dr",                      K::Edit,      2, u"00",  u"",                                           I::None,       at(0, 4, 0, 1, 27),   10, false},
    {u"with_words",              K::Edit,    100, u"",    u"Сума с думи",                                I::None,       at(0, 5, 0, 2, 379),  12, false},
    {u"to_date",                 K::Date,     -1, u"",    u"До дата",                                    I::None,       at(0, 9, 1),          19, false},
    {u"vid",                     K::PickList,  3, u"BGN", u"Вид",                                        I::Currencies, at(0, 4, 0, 1, 49),    8, false},
    {u"reason",                  K::PickList, 26, u"",    u"Основание",                                  I::None,       at(0, 6, 0, 2, 379),  13, false},
    {u"description",             K::PickList, 26, u"",    u"Още пояснения",                              I::None,       at(0, 7, 0, 2, 379),  14, false},
    {u"doc_number",              K::Edit,     11, u"",    u"",                                           I::None,       at(0, 8, 0, 1, 121),  16, false},
    {u"vd",                      K::PickList,  1, u"",    u"Вид и номер на документа",                   I::Digits,     at(0, 8, 0, 1, 43),   15, false},
    {u"d_date",                  K::Date,     -1, u"",    u"Дата на документа",                          I::None,       at(0, 8, 1),          17, false},
    {u"tac",                     K::PickList,  3, u"",    u"Такси",                                      I::Fees,       at(0, 14, 0, 1, 53),  28, false},
    {u"pay_system",              K::PickList, 15, u"",    u"Платежна система",                           I::PaySystems, at(0, 14, 0, 1, 109), 27, false},
    {u"dateiz",                  K::Date,     -1, u"",    u"Дата за изпълнение",                         I::None,       at(0, 14, 1),         29, false},
    {u"code_br",                 K::Edit,     10, u"",    u"Код на бюдж. разпоредител",                  I::None,       at(0, 15, 0),         30, false},
    {u"kind_p",                  K::Edit,      6, u"",    u"Вид плащане",                                I::None,       at(0, 4, 1),          11, false},
    {u"sebra",                   K::Edit,      6, u"",    u"Вид плащане в СЕБРА",                        I::None,       at(0, 15, 1, 1, 121), 31, false},
    {u"cact",                    K::Edit,      4, u"",    u"Код дейност",                                I::None,       at(0, 15, 1, 1, 73),  32, false},
    {u"kindpe",                  K::Edit,      6, u"",    u"Вид плащане",                                I::None,       at(0, 13, 0),         25, false},

    {u"recipient_country",       K::Edit,     30, u"",    u"Държава на получтеля",                       I::None,       at(1, 0, 0),          33, true},
    {u"recipient_add",           K::Edit,     30, u"",    u"Адрес на получтеля",                         I::None,       at(1, 1, 0),          34, false},
    {u"rebg",                    K::Check,    -1, u"да",  u"получателя е местно лице",                   I::None,       at(1, 2, 0),          35, true},
    {u"depositor_country",       K::Edit,     30, u"",    u"Държава на наредителя",                      I::None,       at(1, 0, 1),          36, true},
    {u"depositor_add",           K::Edit,     30, u"",    u"Адрес на наредителя",                        I::None,       at(1, 1, 1),          37, false},
    {u"debg",                    K::Check,    -1, u"да",  u"наредителя е местно лице",                   I::None,       at(1, 2, 1),          38, true},
    {u"econ_descript",           K::Memo,    230, u"",    u"Описание на икономическата същност на превода", I::None,    at(1, 3, 0, 2, 379),  39, false},
    {u"bnb_number",              K::Edit,     10, u"",    u"Номер на БНБ",                               I::None,       at(1, 4, 1),          40, false},

    {u"recipi_lk",               K::Edit,      9, u"",    u"Документ за самоличност № на упълномощеното лице", I::None, at(2, 0, 0),          41, false},
    {u"recipi_egn",              K::Edit,     10, u"",    u"ЕГН на упълномощеното лице",                 I::None,       at(2, 0, 1),          42, true},

    {u"condition",               K::Memo,    230, u"",    u"Условия",                                    I::None,       at(3, 0, 0, 2, 379),  43, false},

    {u"ium1",       K::Edit,     10, u"0",  u"Сума 1",                   I::None,   block(1, 0, 0, 1, 150), 44, false},
    {u"ium2",       K::Edit,     10, u"0",  u"Сума 2",                   I::None,   block(2, 0, 0, 1, 150), 54, false},
    {u"ium3",       K::Edit,     10, u"0",  u"Сума 3",                   I::None,   block(3, 0, 0, 1, 150), 64, false},
    {u"ium4",       K::Edit,     10, u"0",  u"Сума 4",                   I::None,   block(4, 0, 0, 1, 150), 74, false},
    {u"d1",         K::Edit,      2, u"00", u"",                         I::None,   block(1, 0, 0, 1, 35),  45, false},
    {u"d2",         K::Edit,      2, u"00", u"",                         I::None,   block(2, 0, 0, 1, 35),  55, false},
    {u"d3",         K::Edit,      2, u"00", u"",                         I::None,   block(3, 0, 0, 1, 35),  65, false},
    {u"d4",         K::Edit,      2, u"00", u"",                         I::None,   block(4, 0, 0, 1, 35),  75, false},
    {u"kindp1",     K::Edit,      6, u"",   u"Вид плащане",              I::None,   block(1, 4, 0, 1, 60),  51, false},
    {u"reaso1",     K::PickList, 26, u"",   u"Основание",                I::None,   block(1, 1, 0, 2),      46, false},
    {u"descript1",  K::PickList, 26, u"",   u"Още пояснения",            I::None,   block(1, 2, 0, 2),      47, false},
    {u"v1",         K::PickList, -1, u"",   u"Вид и номер на документа", I::Digits, block(1, 3, 0, 1, 50),  48, false},
    {u"doc_numbe1", K::Edit,     11, u"",   u"",                         I::None,   block(1, 3, 0, 1, 121), 49, false},
    {u"ddat1",      K::Date,     -1, u"",   u"Дата на документа",        I::None,   block(1, 3, 1),         50, false},
    {u"of_dat1",    K::Date,     -1, u"",   u"От дата",                  I::None,   block(1, 4, 0, 1, 125), 52, false},
    {u"to_dat1",    K::Date,     -1, u"",   u"До дата",                  I::None,   block(1, 4, 1),         53, false},
    {u"kindp2",     K::Edit,      6, u"",   u"Вид плащане",              I::None,   block(2, 4, 0, 1, 60),  61, false},
    {u"reaso2",     K::PickList, 26, u"",   u"Основание",                I::None,   block(2, 1, 0, 2),      56, false},
    {u"descript2",  K::PickList, 26, u"",   u"Още пояснения",            I::None,   block(2, 2, 0, 2),      57, false},
    {u"v2",         K::PickList, -1, u"",   u"Вид и номер на документа", I::Digits, block(2, 3, 0, 1, 50),  58, false},
    {u"doc_numbe2", K::Edit,     11, u"",   u"",                         I::None,   block(2, 3, 0, 1, 121), 59, false},
    {u"ddat2",      K::Date,     -1, u"",   u"Дата на документа",        I::None,   block(2, 3, 1),         60, false},
    {u"of_dat2",    K::Date,     -1, u"",   u"От дата",                  I::None,   block(2, 4, 0, 1, 125), 62, false},
    {u"to_dat2",    K::Date,     -1, u"",   u"До дата",                  I::None,   block(2, 4, 1),         63, false},
    {u"kindp3",     K::Edit,      6, u"",   u"Вид плащане",              I::None,   block(3, 4, 0, 1, 60),  71, false},
    {u"reaso3",     K::PickList, 26, u"",   u"Основание",                I::None,   block(3, 1, 0, 2),      66, false},
    {u"descript3",  K::PickList, 26, u"",   u"Още пояснения",            I::None,   block(3, 2, 0, 2),      67, false},
    {u"v3",         K::PickList, -1, u"",   u"Вид и номер на документа", I::Digits, block(3, 3, 0, 1, 50),  68, false},
    {u"doc_numbe3", K::Edit,     11, u"",   u"",                         I::None,   block(3, 3, 0, 1, 121), 69, false},
    {u"ddat3",      K::Date,     -1, u"",   u"Дата на документа",        I::None,   block(3, 3, 1),         70, false},
    {u"of_dat3",    K::Date,     -1, u"",   u"От дата",                  I::None,   block(3, 4, 0, 1, 125), 72, false},
    {u"to_dat3",    K::Date,     -1, u"",   u"До дата",                  I::None,   block(3, 4, 1),         73, false},
    {u"reaso4",     K::PickList, 26, u"",   u"Основание",                I::None,   block(4, 1, 0, 2),      76, false},
    {u"descript4",  K::PickList, 26, u"",   u"Още пояснения",            I::None,   block(4, 2, 0, 2),      77, false},
    {u"v4",         K::PickList, -1, u"",   u"Вид и номер на документа", I::Digits, block(4, 3, 0, 1, 50),  78, false},
    {u"doc_numbe4", K::Edit,     11, u"",   u"",                         I::None,   block(4, 3, 0, 1, 121), 79, false},
    {u"ddat4",      K::Date,     -1, u"",   u"Дата на документа",        I::None,   block(4, 3, 1),         80, false},
    {u"kindp4",     K::Edit,      6, u"",   u"Вид плащане",              I::None,   block(4, 4, 0, 1, 60),  81, false},
    {u"of_dat4",    K::Date,     -1, u"",   u"От дата",                  I::None,   block(4, 4, 0, 1, 125), 82, false},
    {u"to_dat4",    K::Date,     -1, u"",   u"До дата",                  I::None,   block(4, 4, 1),         83, false},

    {u"depositor_name",          K::PickList, 26, u"",    u"Име на наредителя",                          I::None,       at(0, 12, 0),         84, true},
}};

constexpr std::array<FreeLabel, 1> kFreeLabels{{
    {u"Label_period", u"Период за който се плаща", at(0, 9, 0, 1, 70)},
}};
// clang-format on

} // namespace

std::span<const FieldDef> documentFields()
{
    return kFields;
}

const FieldDef *findDocumentField(QStringView name)
{
    const qsizetype i = documentFieldIndex(name);
    return i < 0 ? nullptr : &kFields[size_t(i)];
}

qsizetype documentFieldIndex(QStringView name)
{
    for (size_t i = 0; i < kFields.size(); ++i) {
        if (kFields[i].name == name)
            return qsizetype(i);
    }
    return -1;
}

std::span<const FreeLabel> documentFreeLabels()
{
    return kFreeLabels;
}

QStringList itemsOf(ItemList list)
{
    switch (list) {
    case ItemList::None:
        return {};
    case ItemList::Currencies:
        return {u"BGN"_s, u"BGL"_s, u"USD"_s, u"EUR"_s, u"CHF"_s, u"CAD"_s,
                u"GBP"_s, u"SEK"_s, u"NOK"_s, u"JPY"_s, u"AUD"_s};
    case ItemList::Digits:
        return {u"1"_s, u"2"_s, u"3"_s, u"4"_s, u"5"_s, u"6"_s, u"7"_s, u"8"_s, u"9"_s};
    case ItemList::PaySystems:
        return {u"БИСЕРА"_s, u"БОРИКА"_s, u"РИНГС"_s};
    case ItemList::Fees:
        return {u"1"_s, u"2"_s, u"3"_s};
    }
    return {};
}

} // namespace formelan
