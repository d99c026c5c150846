// Printing, print preview and PDF: the document filled as the send command fills it,
// laid out into pages by our own RTF reader, without a word processor.
#include "app/printing.h"

#include "app/mainframe.h"
#include "base/dialogs.h"
#include "base/paths.h"
#include "documents/output.h"
#include "documents/pagerender.h"
#include "form/documentwindow.h"

#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QRegularExpression>
#include <QScreen>
#include <QStandardPaths>

#include <optional>

namespace formelan {

using namespace Qt::StringLiterals;

namespace {

std::optional<QStringList> g_printers;

const QString kPdfFilter = u"PDF документи (*.pdf)"_s;

} // namespace

QStringList availablePrinters()
{
    return g_printers ? *g_printers : QPrinterInfo::availablePrinterNames();
}

void setPrintersForTesting(std::optional<QStringList> printers)
{
    g_printers = std::move(printers);
}

// The document as the send command fills it, the window's cents completed as the send
// completes them, once it has passed the whole check or the clerk goes on all the same.
// Nothing when the user has been told why not.
std::optional<QByteArray> MainFrame::documentForOutput(const QString &goOn)
{
    if (!documentPasses(goOn))
        return std::nullopt;
    DocumentWindow *view = m_view;
    FormContent content = view->content();
    const QString formsDir = dataDir() + u"/forms"_s;
    const QString path = templatePath(content, formsDir);
    if (path.isEmpty() || !QFileInfo(path).isFile()) {
        showMessage(view, missingTemplateMessage(view->kind()));
        return std::nullopt;
    }
    for (const auto &[field, text] : centsCompletions(content))
        view->setFieldText(field, text);
    QString error;
    const QByteArray rtf = filledDocument(content, formsDir, &error);
    if (rtf.isEmpty()) {
        showErrorBox(error);
        return std::nullopt;
    }
    return rtf;
}

namespace {

// Text fit for a file name: no characters that a file system or a file manager
// refuses, one space between words, no dot or space at the end.
QString fileNamePiece(const QString &text, qsizetype most)
{
    static const QRegularExpression unsafe(u"[/\\\\:*?\"<>|\\x00-\\x1f]"_s);
    QString piece = QString(text).replace(unsafe, u" "_s).simplified().left(most);
    // "м.р." would end in a dot before the extension.
    while (piece.endsWith(u'.') || piece.endsWith(u' '))
        piece.chop(1);
    return piece;
}

} // namespace

QString documentFileName(const FormContent &content, const QString &extension)
{
    // Each document a name of its own: two payments of a kind on a day differ by
    // their recipients.
    QStringList pieces;
    for (const QString &piece :
         {fileNamePiece(content.kind, 60), fileNamePiece(content.text(u"Recipient_name"), 60)}) {
        if (!piece.isEmpty())
            pieces.append(piece);
    }
    if (pieces.isEmpty())
        pieces.append(u"документ"_s);
    // The document's date, else, when none is given, the day the file is made.
    const FormEntry &dated = content.entry(u"d_date");
    const QDate day = dateGiven(dated) ? dated.dateTime.date() : QDate::currentDate();
    if (day.isValid())
        pieces.append(day.toString(u"yyyy-MM-dd"_s));
    return pieces.join(u" – "_s) + u'.' + extension;
}

QString unusedFileName(const QString &folder, const QString &name)
{
    const QFileInfo info(name);
    const QString base = info.completeBaseName();
    const QString suffix = info.suffix().isEmpty() ? QString() : u'.' + info.suffix();
    QString candidate = folder + u'/' + name;
    for (int n = 2; QFileInfo::exists(candidate); ++n)
        candidate = folder + u'/' + base + u" (%1)"_s.arg(n) + suffix;
    return candidate;
}

void MainFrame::saveDocumentAsPdf()
{
    if (const std::optional<QByteArray> rtf = documentForOutput(u"Запис в PDF въпреки това"_s))
        writeDocumentPdf(*rtf);
}

void MainFrame::writeDocumentPdf(const QByteArray &rtf)
{
    // The folder chosen last, else the user's documents, else home: the first that exists,
    // since a file dialog offering a missing folder fails only when the user saves.
    QString folder = QDir::homePath();
    for (const QString &candidate :
         {m_pdfName.isEmpty() ? QString() : QFileInfo(m_pdfName).absolutePath(),
          QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation)}) {
        if (!candidate.isEmpty() && QFileInfo(candidate).isDir()) {
            folder = candidate;
            break;
        }
    }
    QString name = dialogs().saveFileName(
        this, kPdfFilter, unusedFileName(folder, documentFileName(m_view->content(), u"pdf"_s)));
    if (name.isEmpty())
        return;
    if (!name.endsWith(u".pdf"_s, Qt::CaseInsensitive))
        name += u".pdf"_s;
    m_pdfName = name;
    if (!mayReplace(name))
        return;
    const PageRenderResult result = writePdf(rtf, name, m_view->kind());
    if (!result.ok)
        showErrorBox(result.error);
    else
        warnOfMissingFaces(result.missingFaces);
}

void MainFrame::warnOfMissingFaces(const QStringList &faces)
{
    if (m_facesWarned || faces.isEmpty())
        return;
    m_facesWarned = true;
    dialogs().message(m_view, QMessageBox::Warning, programTitle(), missingFacesMessage(faces),
                      QMessageBox::Ok);
}

void MainFrame::printDocument()
{
    const std::optional<QByteArray> rtf = documentForOutput(u"Печат въпреки това"_s);
    if (!rtf)
        return;
    if (availablePrinters().isEmpty()) {
        const auto answer = dialogs().message(
            m_view, QMessageBox::Question, programTitle(),
            u"Няма инсталиран принтер. Да бъде ли документът записан като PDF файл?"_s,
            QMessageBox::Yes | QMessageBox::No);
        if (answer == QMessageBox::Yes)
            writeDocumentPdf(*rtf);
        return;
    }
    // Said before the preview, which shows the pages as they will print.
    if (!m_facesWarned)
        warnOfMissingFaces(missingFaces(*rtf));
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(m_view->kind());
    printer.setCreator(u"Formelan"_s);
    QPrintPreviewDialog preview(&printer, this);
    preview.setObjectName(u"PrintPreview"_s);
    preview.setWindowTitle(u"Печат – "_s + m_view->kind());
    // A whole A4 page in view where the screen allows it.
    if (const QScreen *screen = this->screen()) {
        const QSize room = screen->availableGeometry().size();
        preview.resize(std::min(room.width() * 9 / 10, 900), room.height() * 9 / 10);
    }
    // Each form has its own paper and orientation, which every draw sets again: buttons to
    // turn the page or set it up would seem to do nothing, so the preview offers none.
    for (QAction *action : preview.findChildren<QAction *>()) {
        const QString text = action->text();
        for (const char *source : {"Portrait", "Landscape", "Page setup"}) {
            if (text == QCoreApplication::translate("QPrintPreviewDialog", source))
                action->setVisible(false);
        }
    }
    QString error;
    connect(&preview, &QPrintPreviewDialog::paintRequested, this, [&](QPrinter *device) {
        const PageRenderResult result = renderPages(*rtf, *device);
        if (!result.ok)
            error = result.error;
    });
    dialogs().runDialog(preview);
    if (!error.isEmpty())
        showErrorBox(error);
}

} // namespace formelan
