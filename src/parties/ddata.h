#pragma once

#include "parties/partywindow.h"

namespace formelan {

// The payers' and obligated persons' address book.
class TDData : public PartyWindow {
    Q_OBJECT
public:
    explicit TDData(QWidget *parent = nullptr);
    ~TDData() override;

    static std::span<const PartyFieldDef> depositorFields();
};

} // namespace formelan
