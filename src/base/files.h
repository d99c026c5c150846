#pragma once

#include <QByteArray>
#include <QFileDevice>
#include <QString>

#include <optional>

namespace formelan {

// Writes the file whole: beside the old one first, put in its place only when
// complete. Where the folder takes no new file but the file itself may be written, it
// is written in place, after a copy of the old content is kept in the user's data
// folder and room for the new content is reserved on the disk; a write that fails all
// the same puts the old content back. Either way a failure leaves the old file as it
// was. Answers the message of a failure, in Bulgarian and naming the file, or nothing.
std::optional<QString> writeFileAtomically(const QString &path, const QByteArray &bytes);

struct FileRead {
    QByteArray bytes;
    QString error; // why the file could not be read whole, in Bulgarian, naming it
};
// Reads a whole regular file of at most `maxSize` bytes. Devices, pipes and folders are
// refused unopened, and no more than `maxSize` + 1 bytes are ever read.
FileRead readWholeFile(const QString &path, qint64 maxSize);

// Why a file could not be written where it is, in Bulgarian: "на диска няма достатъчно
// място"; `error` is what the writing device said, `size` what was to be written.
QString writeFailureReason(const QString &path, qint64 size, QFileDevice::FileError error);
// Why a file could not be opened for reading, in Bulgarian: "нямате право да го четете".
QString readFailureReason(const QString &path);

// A number of bytes as a message states it, exactly: "1 048 576 байта".
QString byteCount(qint64 bytes);

} // namespace formelan
