#pragma once

#include "parties/partywindow.h"

namespace formelan {

// The recipients' address book.
class TRData : public PartyWindow {
    Q_OBJECT
public:
    explicit TRData(QWidget *parent = nullptr);
    ~TRData() override;

    static std::span<const PartyFieldDef> recipientFields();
};

} // namespace formelan
