#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace formelan {

// The printers that the desktop's print system offers.
QStringList availablePrinters();
// For tests: answer these instead; nothing restores the print system's own list.
void setPrintersForTesting(std::optional<QStringList> printers);

// The file name offered for a PDF of a document of the kind: its caption, without
// the characters that a file name cannot hold, and ".pdf".
QString pdfFileName(const QString &kind);

} // namespace formelan
