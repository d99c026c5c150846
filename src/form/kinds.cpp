#include "form/kinds.h"

#include <array>

namespace formelan {

namespace {
// clang-format off
const std::array<DocumentKind, 8> kKinds{{
    {u"WQ1", u"Вносна бележка",                           0, {400, 580}},
    {u"N1",  u"Нареждане разписка",                       2, {800, 720}},
    {u"N2",  u"Преводно нареждане за кредитен превод",    1, {400, 780}},
    {u"N3",  u"Преводно нареждане за директен дебит",     1, {400, 780}},
    {u"N4",  u"Съгласие за директен дебит",               3, {400, 780}},
    {u"N5",  u"Бюджетно платежно нареждане",              0, {400, 580}},
    {u"N6",  u"Преводно нареждане /Вносна бележка/",      0, {400, 580}},
    {u"N7",  u"Преводно нареждане /Вносна бележка/ м.р.", 4, {800, 720}},
}};
// clang-format on
} // namespace

std::span<const DocumentKind> documentKinds()
{
    return kKinds;
}

const DocumentKind *findKind(QStringView name)
{
    for (const DocumentKind &k : kKinds) {
        if (k.name == name)
            return &k;
    }
    return nullptr;
}

const DocumentKind &defaultKind()
{
    return kKinds.back();
}

} // namespace formelan
