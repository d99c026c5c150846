#pragma once

#include "form/formcontent.h"

#include <QByteArray>
#include <QChar>
#include <QDateTime>
#include <QString>

#include <optional>

namespace formelan {

// The form file format: a name line and a value line for each field of the document
// window, in the window's order, then the document kind; Windows-1251, CR LF.
// `formatForm` throws AppError when a value cannot be written in Windows-1251;
// `parseForm` throws AppError with the message the user sees when the bytes are no
// readable form file. Both separators are read in day numbers.
QByteArray formatForm(const FormContent &content, QChar decimalPoint);
FormContent parseForm(const QByteArray &bytes);

// A day number: days since 30 December 1899, the time of day as the fraction.
QString dayNumber(const QDateTime &when, QChar decimalPoint);

// Writes a document to a form file. Answers the message of a failure, or nothing;
// a failure leaves the old file as it was.
std::optional<QString> saveFormFile(const QString &fileName, const FormContent &content,
                                    QChar decimalPoint);

struct LoadedForm {
    std::optional<FormContent> content; // nothing when the file could not be read
    QString error;
};
// Reads and checks the whole file: a file that fails leaves no half-read document.
LoadedForm loadFormFile(const QString &fileName);

} // namespace formelan
