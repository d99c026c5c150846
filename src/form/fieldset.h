#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>

#include <span>

namespace formelan {

enum class FieldKind { Edit, PickList, Date, Check, Memo };

// The fixed item lists that some pick-lists offer.
enum class ItemList { None, Currencies, Digits, PaySystems, Fees };

// Where a control stands: in the main column (panel 0) or one of the four panels, on
// a row of that area, at `x` with width `w`. Horizontal measures are pixels at the
// 8-point font the windows are designed for; the window scales them with its font.
// Rows are as tall as a label over a field; a label may take two lines, a memo
// `textLines` lines of text.
struct FieldPlace {
    int panel;
    int row;
    int x;
    int w;
    int labelLines = 1;
    int textLines = 1;
};

struct FieldDef {
    QStringView name;
    FieldKind kind;
    int max; // characters the user may type; -1 for no limit
    QStringView initial;
    // The label above the field (a check box's caption); empty: shares the one on its left.
    QStringView label;
    ItemList items;
    FieldPlace place;
    int tab;       // position in the window's tab order
    bool mirrored; // copied into the like-named field of the address-book windows
};

// The 84 fields of the document window, in the window's control order.
std::span<const FieldDef> documentFields();
const FieldDef *findDocumentField(QStringView name);
// The field's position in documentFields(), or -1.
qsizetype documentFieldIndex(QStringView name);

// Yes and no as the address books and form files write them; a stored value reads as
// yes only when it is exactly "да".
inline constexpr QStringView kYes = u"да";
inline constexpr QStringView kNo = u"не";
inline QString yesNo(bool yes)
{
    return (yes ? kYes : kNo).toString();
}

QStringList itemsOf(ItemList list);

// Labels that belong to no single field.
struct FreeLabel {
    QStringView name;
    QStringView text;
    FieldPlace place;
};
std::span<const FreeLabel> documentFreeLabels();

} // namespace formelan
