#pragma once

#include "form/formcontent.h"

#include <QString>
#include <QStringList>

#include <optional>

namespace formelan {

// The printers that the desktop's print system offers.
QStringList availablePrinters();
// For tests: answer these instead; nothing restores the print system's own list.
void setPrintersForTesting(std::optional<QStringList> printers);

// The file name offered for a PDF or a form file of the document: its kind, its
// recipient and the document's date ("Вносна бележка – ЕТ Иван Петров – 2026-12-09.pdf"),
// without the characters that a file name cannot hold; `extension` without the dot.
QString documentFileName(const FormContent &content, const QString &extension);
// `name` in `folder`, or, where a file of that name is there already, the first of
// "name (2).ext", "name (3).ext"… that is not: a name offered is never one taken.
QString unusedFileName(const QString &folder, const QString &name);

} // namespace formelan
