#pragma once

#include "form/formcontent.h"

#include <QByteArray>
#include <QString>

#include <utility>
#include <vector>

namespace formelan {

// The template file of a document kind; for the eighth kind the length of the amount
// in words chooses between two. Empty for a caption that names no kind.
QString templateFor(const QString &kind, qsizetype wordsLength);

// The template file of a document in `formsDir`, whether it exists or not; empty when
// its kind has none.
QString templatePath(const FormContent &content, const QString &formsDir);

// What the user is told when a document's template is missing.
QString missingTemplateMessage(const QString &kind);

// The cents fields (`dr`, `d1` … `d4`) that the document completes as leaving them
// would: "5" becomes "05", an empty one "00". Field name and completed text.
std::vector<std::pair<QString, QString>> centsCompletions(const FormContent &content);

// The document filled in: the template of its kind with every placeholder replaced by
// its value, the cents completed. Empty, with the reason for the user in `error`, when
// the template is missing, is not RTF or cannot be read.
QByteArray filledDocument(const FormContent &content, const QString &formsDir, QString *error);

// How sending a document to the word processor ended.
struct OutputResult {
    enum Status {
        Done,            // the document written and handed to the desktop
        TemplateMissing, // the kind has no template, or its file is missing
        Failed,          // a step failed; `message` says which and why
        NoOpener,        // the document written, but nothing on the desktop opened it
    };
    Status status = Failed;
    QString path;     // the document written: project.doc, or the file beside it
    QString heldOpen; // project.doc when a word processor held it open, so that the
                      // document went to `path` instead
    QString message;  // Failed: the error as the user sees it
    // Fields whose text the document window shows completed, as the send completed
    // them (the cents), whatever the outcome after that.
    std::vector<std::pair<QString, QString>> completedFields;
};

// Whether a word processor holds the file open, by the lock file it leaves beside it
// (".~lock.NAME#" from LibreOffice, "~$…" from Word).
bool isHeldOpen(const QString &path);

// Fills the template of the document's kind from the forms folder with the
// document's values, saves it as project.doc in `outputDir` (made when missing) and
// hands it to the desktop. A project.doc that a word processor holds open is left
// alone: the document goes beside it, as project-2.doc or the first further number
// not held open.
OutputResult sendToWordProcessor(const FormContent &content, const QString &formsDir,
                                 const QString &outputDir);

} // namespace formelan
