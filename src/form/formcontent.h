#pragma once

#include <QDateTime>
#include <QString>

#include <vector>

namespace formelan {

// The value of one document field.
struct FormEntry {
    bool present = true; // false: a form file had no entry for this field
    QString text;        // edits, pick-lists, memos
    QDateTime dateTime;  // date fields
    bool checked = false;
};

// The range of days a date field can hold.
inline QDate earliestDate()
{
    return QDate(1601, 1, 1);
}
inline QDate latestDate()
{
    return QDate(9999, 12, 31);
}

// A date field holds its earliest day while the clerk has given no date: the form
// file keeps a day for every date field, and no payment is dated 1601.
inline QDate noDate()
{
    return earliestDate();
}
inline bool dateGiven(const FormEntry &entry)
{
    return entry.dateTime.date().isValid() && entry.dateTime.date() != noDate();
}

// One filled document as plain values: an entry for each field of the document
// window, parallel to documentFields(), and the document kind.
struct FormContent {
    std::vector<FormEntry> entries;
    QString kind;

    // The entry of a field by name; the name must be one of documentFields().
    const FormEntry &entry(QStringView name) const;
    FormEntry &entry(QStringView name);
    QString text(QStringView name) const { return entry(name).text; }
};

} // namespace formelan
