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
