#pragma once

#include <QByteArray>
#include <QString>

class QPagedPaintDevice;

namespace formelan {

struct PageRenderResult {
    bool ok = false;
    QString error; // why not, for the user; empty when ok
    int pages = 0;
};

// Paints an RTF document onto the pages of a printer, a PDF writer or any other paged
// device: its paper size and margins, table borders and cell widths as the file gives
// them, at their true size (a point in the file is a point on paper). Sets the
// device's page layout; shows nothing.
PageRenderResult renderPages(const QByteArray &rtf, QPagedPaintDevice &device);

// Writes an RTF document as a PDF file, with the given title and its fonts embedded.
// The file is replaced only when the whole PDF has been written.
PageRenderResult writePdf(const QByteArray &rtf, const QString &path, const QString &title);

} // namespace formelan
