#pragma once

#include "core/storage/native_file.h"
#include "core/storage/write_result.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <memory>
#include <optional>

class QFile;

namespace pos {

using native::Names;

// Why the name cannot be a file's on Windows, where the shop's files live or go; empty when it
// can. Only the file's own name is looked at: a device's name (CON, PRN, AUX, NUL, CONIN$,
// CONOUT$, COM0 to COM9 and LPT0 to LPT9, superscript digits too, with or without an extension,
// in any case), a name that ends in a dot or a blank, a character Windows refuses (< > : " / \ | ? * and control characters). Every writer
// below refuses such a name before the system sees it.
QString fileNameProblem(const QString &path);

// The whole content of a file, every byte included; nullopt when the file is missing,
// is not a regular file or cannot be read.
std::optional<QByteArray> readRawFile(const QString &path);

// The whole content of a file, or an empty content when it cannot be read.
QByteArray readRawFileOrEmpty(const QString &path);

// How a file the program reads came out: missing (the shop has not made it yet), read, or
// there but not readable as a file (a folder, a pipe or device, no permission, a read error).
enum class FileState
{
    Missing,
    Read,
    Unreadable,
};
FileState fileState(const QString &path);

// For a file that is there and cannot be read: Could not read "tax.txt": <why>. An empty text
// for a file that is missing or reads.
QString readFailureMessage(const QString &path);

// A file the program keeps for itself read whole (native::Names::Kept: a regular file under
// this one name, not a link, opened without blocking) of at most `limit` bytes: Missing, Read
// with its content, or Unreadable with the reason (a link, a second name, a pipe, a folder,
// larger than the limit, a read that failed part way; never taken for an empty file).
struct KeptRead
{
    FileState state = FileState::Missing;
    QByteArray content;
    QString failure;
    // Unreadable because the name is no file the program keeps (or too large), not because a
    // read failed.
    bool refused = false;
};
KeptRead readKeptFile(const QString &path, qint64 limit);

// Replaces the file whole with the bytes, through a temporary file beside it that is synced
// and then put in the file's place, so that the file holds its old or its new content, never
// a part. Where no temporary file can be made (a read-only folder), the write fails and the
// old content stays. A path that exists and is not a regular file (a folder, a pipe, a
// device) is refused without being opened.
WriteResult writeFileWhole(const QString &path, const QByteArray &bytes, Names names = Names::Followed);

// Creates a new file holding the bytes, synced to disk, and never replaces one: when a file (or
// a folder, or anything else) has the name, it fails and sets *nameTaken. The name shows
// either nothing or the whole content, even after a crash (the content is written under a
// temporary name beside it first). A failed write leaves nothing under the name.
WriteResult createFileNew(const QString &path, const QByteArray &bytes, bool *nameTaken = nullptr);

// A whole-file rewrite in two steps, for a file that must change only once other writes have
// landed: stage() writes the new content to a temporary file beside the file and syncs it to
// disk; commit() then puts it in the file's place. Until commit() the file keeps its old
// content; content staged and not committed is removed when the object goes. The refusals
// and failures are those of writeFileWhole, which is stage() and commit() in one.
class StagedWrite
{
public:
    explicit StagedWrite(const QString &path, Names names = Names::Followed);
    ~StagedWrite();
    StagedWrite(const StagedWrite &) = delete;
    StagedWrite &operator=(const StagedWrite &) = delete;

    WriteResult stage(const QByteArray &bytes);
    // Fails when nothing was staged.
    WriteResult commit();

private:
    QString m_path;
    Names m_names;
    std::unique_ptr<native::Replacement> m_file;
};

// Appends the bytes to the file (created when absent) in one write, flushed and synced to
// disk before it returns. When the write fails part way, the file is cut back to its old
// length, so an append either lands whole or not at all. A path that exists and is not a
// regular file is refused without being opened, so a pipe in the file's place never blocks.
// `landed` (when given) tells a failure after the bytes were synced (closing the file failed):
// they are appended all the same.
WriteResult appendDurably(const QString &path, const QByteArray &bytes, Names names = Names::Followed,
                          bool *landed = nullptr);

// The last bytes of the file, `most` of them at most, and its size.
WriteResult readFileTail(const QString &path, qint64 most, QByteArray &tail, qint64 &size,
                         Names names = Names::Followed);

// Cuts the file off at the length, synced to disk.
WriteResult cutFileAt(const QString &path, qint64 length, Names names = Names::Followed);

// Why nothing can be appended at the path: a name no file can have on Windows, or a folder,
// pipe or device there (a kept file's: a link or a second name too); ok when the file can
// take an append (it may be absent).
WriteResult appendablePlace(const QString &path, Names names = Names::Followed);

// Writes a file whole from pieces handed over one after another, so that a large file is never
// held in memory: the pieces go to a temporary file in the file's folder, which is synced and
// takes the file's place only at commit(), once every piece has been written. Until then, and
// whenever anything fails (no temporary file can be made, a full disk, a folder of that name),
// the file keeps its old content, or stays absent. A writer destroyed uncommitted leaves no
// trace.
class StreamedFileWriter
{
public:
    explicit StreamedFileWriter(const QString &path);
    ~StreamedFileWriter();
    StreamedFileWriter(const StreamedFileWriter &) = delete;
    StreamedFileWriter &operator=(const StreamedFileWriter &) = delete;

    // Queues the bytes; false once anything has failed (commit() then tells why).
    bool write(QByteArrayView bytes);
    // Puts the file in place. Only the first call does anything.
    WriteResult commit();

private:
    bool flushBuffer();
    void fail(const QString &reason);

    QString m_path;
    std::unique_ptr<native::Replacement> m_file;
    QByteArray m_buffer;
    QString m_failure;
    bool m_done = false;
};

// Where the bytes of a copy come from: read() gives the next ones (0 at the end, -1 on a
// failure), rewind() starts again at the first, for the read-back.
class CopySource
{
public:
    virtual ~CopySource() = default;
    virtual qint64 read(char *into, qint64 size) = 0;
    virtual bool rewind() = 0;
};

// A regular file as the source of a copy, opened for reading only.
class FileCopySource final : public CopySource
{
public:
    explicit FileCopySource(const QString &path);
    ~FileCopySource() override;
    FileCopySource(const FileCopySource &) = delete;
    FileCopySource &operator=(const FileCopySource &) = delete;
    // Empty when the file is open; otherwise why not.
    QString open();
    qint64 read(char *into, qint64 size) override;
    bool rewind() override;

private:
    std::unique_ptr<QFile> m_file;
};

// What a copy holds: its length and the SHA-256 of its bytes.
struct CopiedFile
{
    qint64 size = 0;
    QByteArray sha256;
};

// Copies the source's bytes into a new file at `to`, made under that name (never replacing
// anything there: for a folder nobody uses yet) and synced, then reads the copy back and
// compares it with the source, byte for byte. A failed copy leaves nothing at `to`, and names
// `sourceName` when the source failed.
WriteResult copyVerified(CopySource &source, const QString &sourceName, const QString &to, CopiedFile &copied);

// Empties the file in place (created when absent, its length set to zero) and syncs it to disk.
// A path that exists and is not a regular file is refused without being opened.
WriteResult emptyFileInPlace(const QString &path, Names names = Names::Followed);

// Whether the two names lead to one file: the same path once ".", ".." and symbolic links are
// resolved (a link to a file that does not exist yet included), or one file under two names
// (a hard link).
bool sameFile(const QString &a, const QString &b);

// Whether the file's name has the shape of the program's temporary files ("<name>" +
// native::kTemporaryInfix + six characters + native::kTemporarySuffix), which a start removes:
// no file the owner keeps may be named so.
bool isTemporaryName(const QString &path);

// Removes the temporary files that writes cut short by a crash left in the folder (only names
// of the shape the program gives them); the number removed. Only for a folder no running copy
// of the program writes in.
int removeStaleTemporaries(const QString &folder);

} // namespace pos
