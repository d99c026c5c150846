#include "base/files.h"

#include "base/paths.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStorageInfo>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace formelan {

using namespace Qt::StringLiterals;

QString byteCount(qint64 bytes)
{
    // Groups of three digits apart, as Bulgarian writes numbers, whatever the desktop's
    // language (Qt's Bulgarian leaves the first four digits of a million together).
    QString n = QString::number(bytes);
    for (qsizetype at = n.size() - 3; at > (bytes < 0 ? 1 : 0); at -= 3)
        n.insert(at, QChar(0x00A0));
    QString text = (bytes == 1 ? u"%1 байт"_s : u"%1 байта"_s).arg(n);
    constexpr qint64 kKiB = 1024;
    constexpr qint64 kMiB = kKiB * kKiB;
    if (bytes >= kMiB && bytes % kMiB == 0)
        text += u" (%1 МБ)"_s.arg(bytes / kMiB);
    else if (bytes >= kKiB && bytes % kKiB == 0)
        text += u" (%1 КБ)"_s.arg(bytes / kKiB);
    return text;
}

namespace {

// The system's own texts follow the desktop's language: the reasons are said here.
QString systemReason(int error)
{
    switch (error) {
    case ENOENT:
        return u"такъв файл няма"_s;
    case EACCES:
    case EPERM:
        return u"нямате право да го четете"_s;
    case EISDIR:
        return u"това е папка, а не файл"_s;
    case ENAMETOOLONG:
        return u"името му е твърде дълго"_s;
    case ELOOP:
        return u"символните връзки към него се въртят в кръг"_s;
    case EMFILE:
    case ENFILE:
        return u"отворени са твърде много файлове"_s;
    case EIO:
        return u"дискът не може да бъде прочетен (входно-изходна грешка)"_s;
    case ENXIO:
    case ENODEV:
        return u"устройството, на което е, не е достъпно"_s;
    default:
        return u"системна грешка № %1"_s.arg(error);
    }
}

QString readFailure(const QString &path, const QString &reason)
{
    return u"Файлът „%1“ не може да бъде отворен: %2."_s.arg(displayPath(path), reason);
}

QString writeFailure(const QString &path, const QString &reason, bool oldKept)
{
    QString text = u"Файлът „%1“ не е записан: %2."_s.arg(displayPath(path), reason);
    if (oldKept)
        text += u" Старият файл е останал какъвто беше."_s;
    return text;
}

bool diskFull(const QString &folder, qint64 size, QFileDevice::FileError error)
{
    return error == QFileDevice::ResourceError || QStorageInfo(folder).bytesAvailable() < size;
}

} // namespace

// Told from the folder and the file as they are now: the system's own texts follow the
// desktop's language.
QString writeFailureReason(const QString &path, qint64 size, QFileDevice::FileError error)
{
    const QFileInfo info(path);
    const QFileInfo folder(info.absolutePath());
    if (!folder.isDir())
        return u"папката „%1“ не съществува"_s.arg(displayPath(folder.filePath()));
    if (info.isDir())
        return u"на това място има папка"_s;
    if (QStorageInfo(folder.absoluteFilePath()).isReadOnly())
        return u"дискът е само за четене"_s;
    if (info.exists() && !info.isWritable())
        return u"файлът е само за четене или нямате право да го променяте"_s;
    if (!info.exists() && !folder.isWritable())
        return u"нямате право да създавате файлове в папката „%1“"_s.arg(
            displayPath(folder.filePath()));
    if (diskFull(folder.absoluteFilePath(), size, error))
        return u"на диска няма достатъчно място"_s;
    return u"грешка при запис на диска"_s;
}

QString readFailureReason(const QString &path)
{
    const QFileInfo info(path);
    if (!info.exists())
        return systemReason(ENOENT);
    if (info.isDir())
        return systemReason(EISDIR);
    if (!info.isReadable())
        return systemReason(EACCES);
    return systemReason(EIO);
}

namespace {

bool syncedWrite(QFile &file, const QByteArray &bytes)
{
    return file.seek(0) && file.write(bytes) == bytes.size() && file.resize(bytes.size()) &&
           file.flush() && ::fsync(file.handle()) == 0;
}

// A copy of the old content in the user's data folder, kept while the file is
// rewritten in place; empty with `why` set when it cannot be kept.
QString keepCopy(const QString &path, const QByteArray &old, QString &why)
{
    const QString folder = userDataDir() + u"/copies"_s;
    const QString copy = folder + u'/' +
                         QDateTime::currentDateTime().toString(u"yyyyMMdd-HHmmss-zzz-"_s) +
                         QFileInfo(path).fileName();
    QSaveFile file(copy);
    if (QDir().mkpath(folder) && file.open(QIODevice::WriteOnly | QIODevice::Unbuffered) &&
        file.write(old) == old.size() && file.commit())
        return copy;
    why = writeFailureReason(copy, old.size(), file.error());
    return {};
}

// The folder takes no new file, so no temporary file can be made beside the old one:
// the new content goes over the old, with the old kept aside until it is in.
std::optional<QString> writeInPlace(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadWrite)) // no Truncate: nothing changes yet
        return writeFailure(path, writeFailureReason(path, bytes.size(), file.error()), true);
    const QByteArray old = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return writeFailure(path, u"старото му съдържание не може да бъде прочетено"_s, true);
    QString why;
    const QString copy = keepCopy(path, old, why);
    if (copy.isEmpty())
        return writeFailure(
            path,
            u"в папката му не може да се създаде временен файл, а копие на "
            u"старото съдържание не може да бъде запазено в „%1“ (%2), "
            u"затова файлът не е презаписан"_s.arg(displayPath(userDataDir() + u"/copies"_s), why),
            true);
    // Room for the whole new content first, so that a full disk refuses before a byte of
    // the old content is overwritten.
    if (bytes.size() > old.size()) {
        const int reserved = ::posix_fallocate(file.handle(), 0, off_t(bytes.size()));
        if (reserved == ENOSPC || reserved == EDQUOT || reserved == EFBIG) {
            (void)file.resize(old.size());
            file.close();
            QFile::remove(copy);
            return writeFailure(path, u"на диска няма достатъчно място"_s, true);
        }
    }
    if (syncedWrite(file, bytes)) {
        file.close();
        QFile::remove(copy);
        return std::nullopt;
    }
    const QString reason = writeFailureReason(path, bytes.size(), file.error());
    file.unsetError();
    if (syncedWrite(file, old)) {
        file.close();
        QFile::remove(copy);
        return writeFailure(path, reason, true);
    }
    return writeFailure(path, reason, false) +
           u" Старото му съдържание е запазено в „%1“."_s.arg(displayPath(copy));
}

} // namespace

std::optional<QString> writeFileAtomically(const QString &path, const QByteArray &bytes)
{
    const QFileInfo info(path);
    const bool existed = info.isFile();
    QSaveFile file(path);
    // Unbuffered: QSaveFile notices a failed write (a full disk) only in a write of its
    // own; one left to the buffer fails unseen at commit, which then puts a cut file in
    // place of the old one.
    if (file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        if (file.write(bytes) == bytes.size() && file.commit())
            return std::nullopt;
        // QSaveFile drops its temporary file: the old one is untouched.
        const QFileDevice::FileError error = file.error();
        file.cancelWriting();
        return writeFailure(path, writeFailureReason(path, bytes.size(), error), existed);
    }
    if (info.isFile() && info.isWritable())
        return writeInPlace(path, bytes);
    return writeFailure(path, writeFailureReason(path, bytes.size(), file.error()), existed);
}

FileRead readWholeFile(const QString &path, qint64 maxSize)
{
    const auto failed = [&](const QString &reason) {
        return FileRead{{}, readFailure(path, reason)};
    };
    // Not blocking: a pipe opened for reading would wait for a writer. Its type is told
    // from what was opened, so nothing can be swapped in between.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return failed(systemReason(errno));
    struct stat st = {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        const bool folder = S_ISDIR(st.st_mode);
        ::close(fd);
        return failed(folder ? u"това е папка, а не файл"_s
                             : u"това не е обикновен файл, а устройство, канал или друг "
                               u"особен файл"_s);
    }
    const auto tooLarge = [&](qint64 size) {
        return failed(u"размерът му е %1, а допустимият е най-много %2"_s.arg(byteCount(size),
                                                                              byteCount(maxSize)));
    };
    if (st.st_size > maxSize) {
        ::close(fd);
        return tooLarge(st.st_size);
    }
    QFile file;
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return failed(systemReason(EIO));
    }
    // As much as it measured, then on to one byte more than allowed, which tells a file
    // that grew since it was measured.
    FileRead read{file.read(qint64(st.st_size) + 1), {}};
    while (read.bytes.size() <= maxSize && file.error() == QFileDevice::NoError) {
        const QByteArray more = file.read(qMin(qint64(64 * 1024), maxSize + 1 - read.bytes.size()));
        if (more.isEmpty())
            break;
        read.bytes += more;
    }
    if (file.error() != QFileDevice::NoError)
        return failed(systemReason(EIO));
    if (read.bytes.size() > maxSize) {
        // A file that grew tells its size now; one whose size the system does not know
        // was read only up to the limit, so its size is not known either.
        if (file.size() > maxSize)
            return tooLarge(file.size());
        return failed(u"размерът му е над допустимите %1"_s.arg(byteCount(maxSize)));
    }
    return read;
}

} // namespace formelan
