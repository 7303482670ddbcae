#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace pos {

// Outcome of a write. A failed write carries a message for the clerk that names the file:
// Could not write "sales.txt": <reason>. The writers below name it by the path they were given.
struct WriteResult
{
    bool ok = true;
    QString message;

    explicit operator bool() const { return ok; }
    static WriteResult failure(const QString &fileName, const QString &reason);
};

// The whole content of a file, every byte included; nullopt when the file is missing,
// is not a regular file or cannot be read.
std::optional<QByteArray> readRawFile(const QString &path);

// The whole content of a file, or an empty content when it cannot be read.
QByteArray readRawFileOrEmpty(const QString &path);

// Replaces the file whole with the bytes. The old content stays in place until the new one
// is completely on disk, so a failed write never leaves a half-written file.
WriteResult writeFileWhole(const QString &path, const QByteArray &bytes);

// Appends the bytes to the file (created when absent) in one write, flushed and synced to
// disk before it returns. When the write fails part way, the file is cut back to its old
// length, so an append either lands whole or not at all.
WriteResult appendDurably(const QString &path, const QByteArray &bytes);

} // namespace pos
