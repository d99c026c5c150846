#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

class QPagedPaintDevice;

namespace formelan {

struct PageRenderResult {
    bool ok = false;
    QString error; // why not, for the user; empty when ok
    int pages = 0;
    // Faces the document names that were set in a face of other widths: neither they
    // nor a face of their widths is installed, so text may not fit its boxes.
    QStringList missingFaces;
};

// The faces an RTF document names that would be set in a face of other widths here.
QStringList missingFaces(const QByteArray &rtf);

// What to tell the user of faces set in other widths: the package that brings faces
// of the same widths. Empty when there are none.
QString missingFacesMessage(const QStringList &faces);

// Paints an RTF document onto the pages of a printer, a PDF writer or any other paged
// device: its paper size and margins, table borders and cell widths as the file gives
// them, at their true size (a point in the file is a point on paper). Sets the
// device's page layout; shows nothing.
PageRenderResult renderPages(const QByteArray &rtf, QPagedPaintDevice &device);

// Writes an RTF document as a PDF file, with the given title and its fonts embedded.
// The file is replaced only when the whole PDF has been written.
PageRenderResult writePdf(const QByteArray &rtf, const QString &path, const QString &title);

} // namespace formelan
