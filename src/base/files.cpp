#include "base/files.h"

#include "base/paths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStorageInfo>

namespace formelan {

using namespace Qt::StringLiterals;

namespace {

// Why a file could not be read, in Bulgarian: the system's own texts follow the
// desktop's language. Qt's text is kept where no plainer reason is found.
QString readProblem(const QString &path, const QString &qtText)
{
    const QFileInfo info(path);
    if (!info.exists())
        return u"Файлът не съществува"_s;
    if (info.isDir())
        return u"Това е папка, а не файл"_s;
    if (!info.isReadable())
        return u"Нямате право да четете този файл"_s;
    return u"Файлът не може да бъде прочетен (%1)"_s.arg(qtText);
}

QString writeProblem(const QString &path, qint64 size, const QString &qtText)
{
    const QFileInfo info(path);
    const QFileInfo folder(info.absolutePath());
    if (!folder.isDir())
        return u"Папката „%1“ не съществува"_s.arg(displayPath(folder.filePath()));
    if (info.isDir())
        return u"На това място има папка"_s;
    if (info.exists() && !info.isWritable())
        return u"Файлът е само за четене или нямате право да го променяте"_s;
    if (!info.exists() && !folder.isWritable())
        return u"Нямате право да създавате файлове в папката „%1“"_s.arg(
            displayPath(folder.filePath()));
    if (QStorageInfo(folder.absoluteFilePath()).bytesAvailable() < size)
        return u"На диска няма достатъчно място"_s;
    return u"Записът не успя (%1)"_s.arg(qtText);
}

} // namespace

std::optional<QString> writeFileAtomically(const QString &path, const QByteArray &bytes)
{
    QSaveFile file(path);
    // Where the folder forbids new files but the file itself may be written, write it
    // in place: the bytes are all at hand, so the window for a half-written file is short.
    file.setDirectWriteFallback(true);
    if (file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit())
        return std::nullopt;
    return u"Cannot create file \"%1\". %2"_s.arg(
        displayPath(path), writeProblem(path, bytes.size(), file.errorString()));
}

FileRead readWholeFile(const QString &path, qint64 maxSize)
{
    const auto failed = [&](const QString &reason) {
        return FileRead{{}, u"Cannot open file \"%1\". %2"_s.arg(displayPath(path), reason)};
    };
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return failed(readProblem(path, file.errorString()));
    if (file.size() > maxSize)
        return failed(u"Файлът е твърде голям (%1 KB; допустими са до %2 KB)"_s.arg(
            QString::number(file.size() / 1024), QString::number(maxSize / 1024)));
    FileRead read{file.readAll(), {}};
    if (file.error() != QFile::NoError)
        return failed(readProblem(path, file.errorString()));
    return read;
}

} // namespace formelan
