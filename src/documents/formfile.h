#pragma once

#include <QByteArray>
#include <QChar>
#include <QDate>
#include <QDateTime>
#include <QString>

#include <vector>

namespace formelan {

class TMainView;

// One filled document as a form file holds it: an entry for each field of the
// document window, in the window's order, and the document kind.
struct FormEntry {
    bool present = true; // false: the file has no entry for this field
    QString text;        // edits, pick-lists, memos
    QDateTime dateTime;  // date fields; a file only carries the day
    bool checked = false;
};

struct FormContent {
    std::vector<FormEntry> entries; // parallel to documentFields()
    QString kind;
};

// The file format. `format` throws AppError when a value cannot be written in
// Windows-1251; `parse` throws AppError with the message the user sees when the
// bytes are no readable form file. Both separators are read in day numbers.
QByteArray formatForm(const FormContent &content, QChar decimalPoint);
FormContent parseForm(const QByteArray &bytes);

// A day number: days since 30 December 1899, the time of day as the fraction.
QString dayNumber(const QDateTime &when, QChar decimalPoint);

// The document window to and from a form file. `loadform` reads and checks the whole
// file before it changes anything; it leaves arranging the window to the caller.
FormContent documentContent(const TMainView &view);
void applyContent(TMainView &view, const FormContent &content);
void saveform(const TMainView &view, const QString &fileName);
void loadform(TMainView &view, const QString &fileName);

} // namespace formelan
