#pragma once

#include "form/fieldwidgets.h"

#include <span>

class QGridLayout;

namespace formelan {

// A field of an address-book window and the table column it is stored in.
struct PartyFieldDef {
    QStringView name;
    FieldKind kind;
    QStringView label; // caption for the check box
    int max;           // -1: no limit
    int column;        // 1-based column of the party table
    int gridCol;
    int gridRow;
};

// An address-book window: a set of party fields whose every change is passed on to
// the like-named field of the document window.
class PartyWindow : public FieldWindow {
    Q_OBJECT
public:
    PartyWindow(const QString &name, const QString &caption, std::span<const PartyFieldDef> defs,
                QWidget *parent = nullptr);

    std::span<const PartyFieldDef> fieldDefs() const { return m_defs; }

protected:
    // Passes a changed field on to the document window.
    void passOn(QWidget *field);

    QGridLayout *fieldGrid() const { return m_grid; }

private:
    std::span<const PartyFieldDef> m_defs;
    QGridLayout *m_grid = nullptr;
};

} // namespace formelan
