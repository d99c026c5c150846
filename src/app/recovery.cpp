#include "app/recovery.h"

#include "base/files.h"
#include "base/paths.h"
#include "documents/formfile.h"
#include "form/documentwindow.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QLockFile>

#include <memory>

namespace formelan {

using namespace Qt::StringLiterals;

namespace {

QString lockOf(const QString &file)
{
    return file.chopped(4) + u".lock"_s; // beside NAME.frm: NAME.lock
}

} // namespace

QString RecoveryKeeper::folder()
{
    return userDataDir() + u"/recovery"_s;
}

RecoveryKeeper::RecoveryKeeper(DocumentWindow &document, QObject *parent)
    : QObject(parent)
    , m_document(document)
{
    m_timer.setSingleShot(true);
    m_timer.setInterval(kDelayMs);
    connect(&m_timer, &QTimer::timeout, this, &RecoveryKeeper::writeNow);
    connect(&document, &FieldWindow::fieldEdited, this, &RecoveryKeeper::changed);
    connect(&document, &QWidget::windowTitleChanged, this, &RecoveryKeeper::changed);

    // One file for each run: the process number alone may come round again.
    m_file = folder() +
             u"/document-%1-%2.frm"_s.arg(QString::number(QCoreApplication::applicationPid()),
                                          QString::number(QDateTime::currentMSecsSinceEpoch()));
}

RecoveryKeeper::~RecoveryKeeper() = default;

void RecoveryKeeper::changed()
{
    m_unsaved = true;
    // At most one write every few seconds, however fast the user types.
    if (!m_timer.isActive())
        m_timer.start();
}

void RecoveryKeeper::markSaved()
{
    m_timer.stop();
    m_unsaved = false;
    m_baseline = m_document.content();
    QFile::remove(m_file);
}

namespace {

// The same values in every field, dates by their day; the kind alone is no document
// worth bringing back.
bool sameValues(const FormContent &a, const FormContent &b)
{
    if (a.entries.size() != b.entries.size())
        return false;
    for (size_t k = 0; k < a.entries.size(); ++k) {
        const FormEntry &x = a.entries[k];
        const FormEntry &y = b.entries[k];
        if (x.text != y.text || x.checked != y.checked || x.dateTime.date() != y.dateTime.date())
            return false;
    }
    return true;
}

} // namespace

bool RecoveryKeeper::holdsChanges() const
{
    return m_unsaved && !sameValues(m_document.content(), m_baseline);
}

bool RecoveryKeeper::holdLock()
{
    if (m_lock || m_lockFailed)
        return bool(m_lock);
    // Taken before the first write, not at start: the lock file is written through to
    // the disk, which a start would wait for. Other copies look only at documents
    // written, and none is written without it.
    QDir().mkpath(QFileInfo(m_file).absolutePath());
    auto lock = std::make_unique<QLockFile>(lockOf(m_file));
    lock->setStaleLockTime(0); // stale only when its process is gone
    if (lock->tryLock(0))
        m_lock = std::move(lock);
    else
        m_lockFailed = true;
    return bool(m_lock);
}

void RecoveryKeeper::writeNow()
{
    m_timer.stop();
    if (!m_unsaved)
        return;
    const FormContent content = m_document.content();
    if (sameValues(content, m_baseline)) {
        QFile::remove(m_file);
        return;
    }
    if (!holdLock())
        return;
    // UTF-8, so that every character typed is kept; a failure is silent, the document
    // itself is still on the screen.
    writeFileAtomically(m_file,
                        formatForm(content, QLocale().decimalPoint().at(0), FormEncoding::Utf8));
}

std::optional<RecoveryKeeper::Orphan> RecoveryKeeper::findOrphan() const
{
    // Links are not followed: whatever one points at is no document this program kept.
    const QFileInfoList files =
        QDir(folder()).entryInfoList({u"*.frm"_s}, QDir::Files | QDir::NoSymLinks, QDir::Time);
    for (const QFileInfo &info : files) {
        const QString file = info.absoluteFilePath();
        if (file == QFileInfo(m_file).absoluteFilePath())
            continue;
        // A lock that can be taken belongs to no running copy. It is kept until the
        // document is taken or dropped: another copy starting meanwhile passes it by.
        auto lock = std::make_shared<QLockFile>(lockOf(file));
        lock->setStaleLockTime(0);
        if (!lock->tryLock(0))
            continue;
        // Another copy may have taken it and let go of its lock since the folder was read.
        const QFileInfo now(file);
        if (!now.isFile() || now.isSymLink())
            continue; // the lock goes with `lock`
        return Orphan{file, now.lastModified(), std::move(lock)};
    }
    return std::nullopt;
}

QString RecoveryKeeper::question(const Orphan &orphan)
{
    // Bulgarian like every other text, whatever the desktop's language.
    const QLocale bulgarian(QLocale::Bulgarian, QLocale::Bulgaria);
    return u"При последната работа с програмата остана незаписан документ (запазен на %1). "
           u"Да бъде ли възстановен?"_s.arg(
               bulgarian.toString(orphan.kept, u"d MMMM yyyy, HH:mm"_s));
}

std::optional<FormContent> RecoveryKeeper::takeOrphan(const Orphan &orphan, QString *error)
{
    const LoadedForm loaded = loadFormFile(orphan.file);
    discardOrphan(orphan);
    QString why = loaded.error;
    if (loaded.content && loaded.kindMissing)
        why = u"Файлът „%1“ е непълен."_s.arg(displayPath(orphan.file));
    if (why.isEmpty())
        return loaded.content;
    if (error)
        *error = u"Незаписаният документ не може да бъде възстановен. %1"_s.arg(why);
    return std::nullopt;
}

void RecoveryKeeper::discardOrphan(const Orphan &orphan)
{
    QFile::remove(orphan.file);
    // Let go of the lock only now: a copy that takes it then finds no document.
    if (orphan.lock)
        orphan.lock->unlock();
    else
        QFile::remove(lockOf(orphan.file));
}

} // namespace formelan
