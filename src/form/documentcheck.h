#pragma once

#include "form/formcontent.h"

#include <QDate>
#include <QString>

#include <vector>

namespace formelan {

// Something in a document that the bank would refuse or read wrongly, at one field.
struct Finding {
    QString field;   // the field's name
    QString caption; // the field as the window labels it
    QString message; // what is wrong, for the clerk
};

// The whole document checked as the bank's form of its kind needs it, whatever way its
// values got there: the identifiers the form carries valid, the fields it cannot go
// without filled, each BIC of the bank its IBAN names, the words of the amount and
// currency, the eighth kind's total of its sub-amounts, two-digit cents, dates valid,
// periods in order and the execution date not before `today`. In tab order; empty for
// a sound document.
std::vector<Finding> checkDocument(const FormContent &content, QDate today);

// A field as the document window labels it, for messages: its label, or for a field
// without one (the cents, the document number) its neighbour's; in a sub-payment block
// with the block's number.
QString fieldCaption(QStringView name);

} // namespace formelan
