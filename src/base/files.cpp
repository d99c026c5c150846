#include "base/files.h"

#include "base/paths.h"

#include <QFile>
#include <QSaveFile>

namespace formelan {

using namespace Qt::StringLiterals;

std::optional<QString> writeFileAtomically(const QString &path, const QByteArray &bytes)
{
    QSaveFile file(path);
    // Where the folder forbids new files but the file itself may be written, write it
    // in place: the bytes are all at hand, so the window for a half-written file is short.
    file.setDirectWriteFallback(true);
    if (file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit())
        return std::nullopt;
    return u"Cannot create file \"%1\". %2"_s.arg(displayPath(path), file.errorString());
}

FileRead readWholeFile(const QString &path, qint64 maxSize)
{
    const auto failed = [&](const QString &reason) {
        return FileRead{{}, u"Cannot open file \"%1\". %2"_s.arg(displayPath(path), reason)};
    };
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return failed(file.errorString());
    if (file.size() > maxSize)
        return failed(u"Файлът е твърде голям"_s);
    FileRead read{file.readAll(), {}};
    if (file.error() != QFile::NoError)
        return failed(file.errorString());
    return read;
}

} // namespace formelan
