#include "form/fieldset.h"

#include <array>

namespace formelan {

using namespace Qt::StringLiterals;

namespace {

using K = FieldKind;
using I = ItemList;

constexpr FieldPlace at(int panel, int row, int x, int w, int labelLines = 1, int textLines = 1)
{
    return {panel, row, x, w, labelLines, textLines};
}

// Panel 4: four blocks of five rows each.
constexpr FieldPlace block(int k, int row, int x, int w)
{
    return {4, (k - 1) * 5 + row, x, w, 1, 1};
}

// clang-format off
constexpr std::array<FieldDef, 84> kFields{{
    // name                      kind        max  initial  label                                          items          place                 tab mirrored
    {u"Recipient_name",          K::PickList, 26, u"",    u"Платете на - име на получателя",             I::None,       at(0, 2, 7, 185),           4, true},
    {u"recipient_iban_number1",  K::Edit,     22, u"",    u"IBAN на получателя",                         I::None,       at(0, 2, 205, 185),           5, true},
    {u"rec_bic1",                K::Edit,      8, u"",    u"BIC на банката на получателя",               I::None,       at(0, 3, 205, 185),           7, true},
    {u"rebank",                  K::Edit,     26, u"",    u"При банка - банка на получателя",            I::None,       at(0, 3, 7, 185),           6, true},
    {u"of_date",                 K::Date,     -1, u"",    u"От дата",                                    I::None,       at(0, 9, 103, 142),  18, false},
    {u"depositor_iban_number1",  K::Edit,     22, u"",    u"IBAN на наредителя",                         I::None,       at(0, 12, 205, 185),         25, true},
    {u"dep_bic1",                K::Edit,      8, u"",    u"BIC на банката на наредителя",               I::None,       at(0, 13, 205, 185),         27, true},
    {u"bank_name",               K::Edit,     20, u"",    u"Име на банката на наредителя",               I::None,       at(0, 0, 7, 185),           1, true},
    {u"boun_lk",                 K::Edit,     10, u"",    u"ЛНЧ на задълженото лице",                    I::None,       at(0, 11, 205, 185),         23, true},
    {u"boun_egn",                K::Edit,     10, u"",    u"ЕГН на задълженото лице",                    I::None,       at(0, 11, 7, 185),         22, true},
    {u"boun_bulstat",            K::Edit,     13, u"",    u"Булстат на задълженото лице",                I::None,       at(0, 10, 205, 185),         21, true},
    {u"bounder_name",            K::Edit,     26, u"",    u"Задължено лице - име",                       I::None,       at(0, 10, 7, 185),         20, true},
    {u"branch_name",             K::Edit,     20, u"",    u"Клон на банката",                            I::None,       at(0, 1, 7, 185),           2, true},
    {u"b_add",                   K::Edit,     20, u"",    u"Адрес на клона",                             I::None,       at(0, 1, 205, 185),           3, true},
    {u"sum",                     K::Edit,     10, u"0",   u"Сума (Обща сума)",                           I::None,       at(0, 4, 64, 95),   9, false},
    {u"dr",                      K::Edit,      2, u"00",  u"",                                           I::None,       at(0, 4, 161, 31),   10, false},
    {u"with_words",              K::Edit,    100, u"",    u"Сума с думи",                                I::None,       at(0, 5, 7, 383),  12, false},
    {u"to_date",                 K::Date,     -1, u"",    u"До дата",                                    I::None,       at(0, 9, 249, 141),          19, false},
    {u"vid",                     K::PickList,  3, u"EUR", u"Вид",                                        I::Currencies, at(0, 4, 7, 55),    8, false},
    {u"reason",                  K::PickList, 26, u"",    u"Основание",                                  I::None,       at(0, 6, 7, 383),  13, false},
    {u"description",             K::PickList, 26, u"",    u"Още пояснения",                              I::None,       at(0, 7, 7, 383),  14, false},
    {u"doc_number",              K::Edit,     11, u"",    u"",                                           I::None,       at(0, 8, 52, 121),  16, false},
    {u"vd",                      K::PickList,  1, u"",    u"Вид и номер на документа",                   I::Digits,     at(0, 8, 7, 43),   15, false},
    {u"d_date",                  K::Date,     -1, u"",    u"Дата на документа",                          I::None,       at(0, 8, 177, 213),          17, false},
    {u"tac",                     K::PickList,  1, u"",    u"Такси",                                      I::Fees,       at(0, 14, 121, 54),  29, false},
    {u"pay_system",              K::PickList, 12, u"",    u"Платежна система",                           I::PaySystems, at(0, 14, 7, 109), 28, false},
    {u"dateiz",                  K::Date,     -1, u"",    u"Дата за изпълнение",                         I::None,       at(0, 14, 177, 213),         30, false},
    {u"code_br",                 K::Edit,     10, u"",    u"Код на бюдж. разпоредител",                  I::None,       at(0, 15, 7, 170),         31, false},
    {u"kind_p",                  K::Edit,      6, u"",    u"Вид плащане",                                I::None,       at(0, 4, 205, 125),          11, false},
    {u"sebra",                   K::Edit,      6, u"",    u"Вид плащане в СЕБРА",                        I::None,       at(0, 15, 182, 130), 32, false},
    {u"cact",                    K::Edit,      4, u"",    u"Код дейност",                                I::None,       at(0, 15, 316, 74),  33, false},
    {u"kindpe",                  K::Edit,      6, u"",    u"Вид плащане",                                I::None,       at(0, 13, 7, 185),         26, false},

    {u"recipient_country",       K::Edit,     14, u"",    u"Държава на получателя",                       I::None,       at(1, 0, 4, 185),          34, true},
    {u"recipient_add",           K::Edit,     30, u"",    u"Адрес на получателя",                         I::None,       at(1, 1, 4, 185),          35, false},
    {u"rebg",                    K::Check,    -1, u"да",  u"получателя е местно лице",                   I::None,       at(1, 2, 4, 185, 0),          36, true},
    {u"depositor_country",       K::Edit,     14, u"",    u"Държава на наредителя",                      I::None,       at(1, 0, 196, 185),          37, true},
    {u"depositor_add",           K::Edit,     30, u"",    u"Адрес на наредителя",                        I::None,       at(1, 1, 196, 185),          38, false},
    {u"debg",                    K::Check,    -1, u"да",  u"наредителя е местно лице",                   I::None,       at(1, 2, 196, 185, 0),          39, true},
    {u"econ_descript",           K::Memo,    230, u"",    u"Описание на икономическата същност на превода", I::None,    at(1, 3, 4, 377, 1, 3),  40, false},
    {u"bnb_number",              K::Edit,     10, u"",    u"Номер на БНБ",                               I::None,       at(1, 4, 196, 185),          41, false},

    {u"recipi_lk",               K::Edit,      9, u"",    u"Документ за самоличност № на упълномощеното лице", I::None, at(2, 0, 4, 185, 2),          42, false},
    {u"recipi_egn",              K::Edit,     10, u"",    u"ЕГН на упълномощеното лице",                 I::None,       at(2, 0, 196, 185),          43, true},

    {u"condition",               K::Memo,    230, u"",    u"Условия",                                    I::None,       at(3, 0, 4, 379, 1, 4),  44, false},

    {u"ium1",       K::Edit,     10, u"0",  u"Сума 1",                   I::None,   block(1, 0, 4, 150), 45, false},
    {u"ium2",       K::Edit,     10, u"0",  u"Сума 2",                   I::None,   block(2, 0, 4, 150), 55, false},
    {u"ium3",       K::Edit,     10, u"0",  u"Сума 3",                   I::None,   block(3, 0, 4, 150), 65, false},
    {u"ium4",       K::Edit,     10, u"0",  u"Сума 4",                   I::None,   block(4, 0, 4, 150), 75, false},
    {u"d1",         K::Edit,      2, u"00", u"",                         I::None,   block(1, 0, 156, 32),  46, false},
    {u"d2",         K::Edit,      2, u"00", u"",                         I::None,   block(2, 0, 156, 32),  56, false},
    {u"d3",         K::Edit,      2, u"00", u"",                         I::None,   block(3, 0, 156, 32),  66, false},
    {u"d4",         K::Edit,      2, u"00", u"",                         I::None,   block(4, 0, 156, 32),  76, false},
    {u"kindp1",     K::Edit,      6, u"",   u"Вид плащане",              I::None,   block(1, 4, 4, 80),  52, false},
    {u"reaso1",     K::PickList, 26, u"",   u"Основание",                I::None,   block(1, 1, 4, 385),      47, false},
    {u"descript1",  K::PickList, 26, u"",   u"Още пояснения",            I::None,   block(1, 2, 4, 385),      48, false},
    {u"v1",         K::PickList,  1, u"",   u"Вид и номер на документа", I::Digits, block(1, 3, 4, 50),  49, false},
    {u"doc_numbe1", K::Edit,     11, u"",   u"",                         I::None,   block(1, 3, 56, 121), 50, false},
    {u"ddat1",      K::Date,     -1, u"",   u"Дата на документа",        I::None,   block(1, 3, 180, 209),         51, false},
    {u"of_dat1",    K::Date,     -1, u"",   u"От дата",                  I::None,   block(1, 4, 86, 145), 53, false},
    {u"to_dat1",    K::Date,     -1, u"",   u"До дата",                  I::None,   block(1, 4, 235, 154),         54, false},
    {u"kindp2",     K::Edit,      6, u"",   u"Вид плащане",              I::None,   block(2, 4, 4, 80),  62, false},
    {u"reaso2",     K::PickList, 26, u"",   u"Основание",                I::None,   block(2, 1, 4, 385),      57, false},
    {u"descript2",  K::PickList, 26, u"",   u"Още пояснения",            I::None,   block(2, 2, 4, 385),      58, false},
    {u"v2",         K::PickList,  1, u"",   u"Вид и номер на документа", I::Digits, block(2, 3, 4, 50),  59, false},
    {u"doc_numbe2", K::Edit,     11, u"",   u"",                         I::None,   block(2, 3, 56, 121), 60, false},
    {u"ddat2",      K::Date,     -1, u"",   u"Дата на документа",        I::None,   block(2, 3, 180, 209),         61, false},
    {u"of_dat2",    K::Date,     -1, u"",   u"От дата",                  I::None,   block(2, 4, 86, 145), 63, false},
    {u"to_dat2",    K::Date,     -1, u"",   u"До дата",                  I::None,   block(2, 4, 235, 154),         64, false},
    {u"kindp3",     K::Edit,      6, u"",   u"Вид плащане",              I::None,   block(3, 4, 4, 80),  72, false},
    {u"reaso3",     K::PickList, 26, u"",   u"Основание",                I::None,   block(3, 1, 4, 385),      67, false},
    {u"descript3",  K::PickList, 26, u"",   u"Още пояснения",            I::None,   block(3, 2, 4, 385),      68, false},
    {u"v3",         K::PickList,  1, u"",   u"Вид и номер на документа", I::Digits, block(3, 3, 4, 50),  69, false},
    {u"doc_numbe3", K::Edit,     11, u"",   u"",                         I::None,   block(3, 3, 56, 121), 70, false},
    {u"ddat3",      K::Date,     -1, u"",   u"Дата на документа",        I::None,   block(3, 3, 180, 209),         71, false},
    {u"of_dat3",    K::Date,     -1, u"",   u"От дата",                  I::None,   block(3, 4, 86, 145), 73, false},
    {u"to_dat3",    K::Date,     -1, u"",   u"До дата",                  I::None,   block(3, 4, 235, 154),         74, false},
    {u"reaso4",     K::PickList, 26, u"",   u"Основание",                I::None,   block(4, 1, 4, 385),      77, false},
    {u"descript4",  K::PickList, 26, u"",   u"Още пояснения",            I::None,   block(4, 2, 4, 385),      78, false},
    {u"v4",         K::PickList,  1, u"",   u"Вид и номер на документа", I::Digits, block(4, 3, 4, 50),  79, false},
    {u"doc_numbe4", K::Edit,     11, u"",   u"",                         I::None,   block(4, 3, 56, 121), 80, false},
    {u"ddat4",      K::Date,     -1, u"",   u"Дата на документа",        I::None,   block(4, 3, 180, 209),         81, false},
    {u"kindp4",     K::Edit,      6, u"",   u"Вид плащане",              I::None,   block(4, 4, 4, 80),  82, false},
    {u"of_dat4",    K::Date,     -1, u"",   u"От дата",                  I::None,   block(4, 4, 86, 145), 83, false},
    {u"to_dat4",    K::Date,     -1, u"",   u"До дата",                  I::None,   block(4, 4, 235, 154),         84, false},

    {u"depositor_name",          K::PickList, 26, u"",    u"Име на наредителя",                          I::None,       at(0, 12, 7, 185),         24, true},
}};

constexpr std::array<FreeLabel, 1> kFreeLabels{{
    {u"Label_period", u"Период за който се плаща", at(0, 9, 7, 92, 2)},
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
