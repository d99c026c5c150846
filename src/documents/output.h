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

// How sending a document to the word processor ended.
struct OutputResult {
    enum Status {
        Done,            // project.doc written and handed to the desktop
        TemplateMissing, // the kind has no template, or its file is missing
        Failed,          // a step failed; `message` says which and why
        NoOpener,        // project.doc written, but nothing on the desktop opened it
    };
    Status status = Failed;
    QString path;    // project.doc, once written
    QString message; // Failed: the error as the user sees it
    // Fields whose text the document window shows completed, as the send completed
    // them (the cents), whatever the outcome after that.
    std::vector<std::pair<QString, QString>> completedFields;
};

// Fills the template of the document's kind from the forms folder with the
// document's values, saves it as project.doc in `outputDir` (made when missing) and
// hands it to the desktop.
OutputResult sendToWordProcessor(const FormContent &content, const QString &formsDir,
                                 const QString &outputDir);

// The template of the document's kind from the forms folder, filled with the
// document's values exactly as a send fills it (cents completed, amounts padded,
// dates in their forms), as RTF bytes; nothing is written. Empty, with the reason in
// `error`, when the template is missing or cannot be read.
QByteArray filledDocument(const FormContent &content, const QString &formsDir, QString *error);

} // namespace formelan
