#pragma once

#include "form/formcontent.h"

#include <QDateTime>
#include <QObject>
#include <QTimer>

#include <memory>
#include <optional>

class QLockFile;

namespace formelan {

class DocumentWindow;

// Keeps the document being typed in a recovery file in the user's data folder, so that
// a crash or a power cut loses nothing: written a few seconds after a change, and when
// the program ends with the document unsaved; removed once the document is saved.
// Each running copy of the program keeps its own file, held by a lock.
class RecoveryKeeper : public QObject {
    Q_OBJECT
public:
    // How long after a change the document is written at the latest.
    static constexpr int kDelayMs = 3000;

    RecoveryKeeper(DocumentWindow &document, QObject *parent = nullptr);
    ~RecoveryKeeper() override;

    // The document now matches a file (saved, or opened): nothing to keep.
    void markSaved();
    // The document holds what no file does (a document brought back, say).
    void markUnsaved() { changed(); }
    // The document changed since it was last saved.
    bool unsaved() const { return m_unsaved; }
    // Unsaved, and the values differ from the document last saved or opened: what the
    // recovery file would keep, and what leaving the document asks about.
    bool holdsChanges() const;
    // Writes the document now if it is unsaved. The frame calls it as the program ends,
    // while the document window still exists.
    void writeNow();

    // A document that a copy of the program no longer running left unsaved, and the
    // time it was kept. It is found under its lock, which the orphan holds until it is
    // taken or dropped, so that no other copy offers it meanwhile; taking it removes its
    // file. Only regular files are offered: no link, device or pipe.
    struct Orphan {
        QString file;
        QDateTime kept;
        std::shared_ptr<QLockFile> lock;
    };
    std::optional<Orphan> findOrphan() const;
    // The question whether to bring it back, its time in Bulgarian.
    static QString question(const Orphan &orphan);
    // Nothing, with `error` set, when the file cannot be read as a document.
    std::optional<FormContent> takeOrphan(const Orphan &orphan, QString *error = nullptr);
    void discardOrphan(const Orphan &orphan);

    static QString folder();

private:
    void changed();
    // The lock on this run's file, taken when first needed; false when it cannot be.
    bool holdLock();

    DocumentWindow &m_document;
    QTimer m_timer;
    std::unique_ptr<QLockFile> m_lock;
    bool m_lockFailed = false;
    QString m_file;
    FormContent m_baseline; // the document as last saved or opened
    bool m_unsaved = false;
};

} // namespace formelan
