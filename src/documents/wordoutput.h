#pragma once

#include <QString>

#include <memory>

namespace formelan {

class DocumentEngine;
class TMainView;

// The template file of a document kind; for the eighth kind the length of the amount
// in words chooses between two. Empty for a caption that names no kind.
QString templateFor(const QString &kind, qsizetype wordsLength);

// Where project.doc goes: Documents/Formelan/Projects, made when missing.
QString outputDir();
void setOutputDirForTesting(const QString &dir);

// Fills the template of the document window's kind with its fields, saves it as
// project.doc and shows it. `wordApp` is the engine of the last send, replaced by a
// new one. Throws AppError when a step fails.
void sendToWordProcessor(TMainView &view, std::unique_ptr<DocumentEngine> &wordApp);

} // namespace formelan
