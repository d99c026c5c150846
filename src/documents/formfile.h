#pragma once

#include "form/formcontent.h"

#include <QByteArray>
#include <QChar>
#include <QDateTime>
#include <QString>

#include <optional>

namespace formelan {

// The form file format: a name line and a value line for each field of the document
// window, in the window's order, then the document kind; Windows-1251, CR LF. Files
// marked as UTF-8, or valid UTF-8 beyond ASCII, read as UTF-8.
enum class FormEncoding { Windows1251, Utf8 };
// Throws AppError when a value cannot be written in Windows-1251.
QByteArray formatForm(const FormContent &content, QChar decimalPoint,
                      FormEncoding encoding = FormEncoding::Windows1251);

struct ParsedForm {
    FormContent content;
    int missingFields = 0;    // fields the file has no entry for: they keep their start values
    bool kindMissing = false; // the file ends inside an entry: there is no kind line
};
// Throws AppError with the message the user sees, naming the file when its name is
// given, when the bytes are no form file: no text, no field's name, a last line that
// names no kind; or a damaged one: cut inside an entry, a date that is none. Both
// separators are read in day numbers. A file marked as UTF-16 reads too.
ParsedForm parseFormFile(const QByteArray &bytes, const QString &fileName = QString());
FormContent parseForm(const QByteArray &bytes);

// A day number: days since 30 December 1899, the time of day as the fraction.
QString dayNumber(const QDateTime &when, QChar decimalPoint);

// Writes a document to a form file. Answers the message of a failure, or nothing;
// a failure leaves the old file as it was.
std::optional<QString> saveFormFile(const QString &fileName, const FormContent &content,
                                    QChar decimalPoint,
                                    FormEncoding encoding = FormEncoding::Windows1251);

struct LoadedForm {
    std::optional<FormContent> content; // nothing when the file could not be read
    QString error;
    int missingFields = 0;
    bool kindMissing = false; // then the content's kind is empty
};
// Reads and checks the whole file: a file that fails leaves no half-read document. A
// file over 1 MiB is refused unread. The error names the file.
LoadedForm loadFormFile(const QString &fileName);

} // namespace formelan
