#pragma once

#include "parties/partywindow.h"

namespace formelan {

// The payers' and obligated persons' address book.
class TDData : public PartyWindow {
    Q_OBJECT
public:
    explicit TDData(const PartyDatabase &db, QWidget *parent = nullptr);
    ~TDData() override;

    static std::span<const PartyFieldDef> depositorFields();

    void Update_depositors_list() { updateNameList(); }
    void depositor_nameSelect(int index) { nameSelect(index); }
    void boun_egnChange(QWidget *field) { passOn(field); }
    void depositor_iban_number1Exit(QWidget *field) { checkOnLeave(field); }
};

} // namespace formelan
