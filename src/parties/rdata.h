#pragma once

#include "parties/partywindow.h"

namespace formelan {

// The recipients' address book.
class TRData : public PartyWindow {
    Q_OBJECT
public:
    explicit TRData(const PartyDatabase &db, QWidget *parent = nullptr);
    ~TRData() override;

    static std::span<const PartyFieldDef> recipientFields();

    void Update_recipient_list() { updateNameList(); }
    void Recipient_nameSelect(int index) { nameSelect(index); }
    void recipi_egnChange(QWidget *field) { passOn(field); }
    void recipient_iban_number1Exit(QWidget *field) { checkOnLeave(field); }
};

} // namespace formelan
