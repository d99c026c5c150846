#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace formelan {

// Writes the file whole: beside the old one first, put in its place only when
// complete, so that a failure leaves the old file as it was; in place when the folder
// allows no new file. Answers the message of a failure ("Cannot create file ..."), or
// nothing.
std::optional<QString> writeFileAtomically(const QString &path, const QByteArray &bytes);

struct FileRead {
    QByteArray bytes;
    QString error; // "Cannot open file ..." when the file could not be read whole
};
// Reads a whole file of at most `maxSize` bytes.
FileRead readWholeFile(const QString &path, qint64 maxSize);

} // namespace formelan
