#pragma once

// The file operations whose calls differ between POSIX and Windows, behind one interface:
// native_file_unix.cpp and native_file_win.cpp. Everything above them (fileio.h) is written
// once. Names are taken as given, relative names relative to the working directory, and are
// never turned into absolute paths, so that a shop folder whose name the locale cannot decode
// works as well as any.
//
// Every writer refuses a name that is there and is not a regular file (a folder, a pipe, a
// device) without blocking on it, and reports a failure as the reason, for the caller's
// "Could not write" message.

#include <QByteArray>
#include <QString>

namespace pos::native {

// What the program's temporary files are called: "<name>" + kTemporaryInfix + six random
// characters + kTemporarySuffix, beside the file they stand in for. Only the program makes
// names of this shape, so its start can remove the ones a crash left.
inline constexpr char kTemporaryInfix[] = ".corvalane-";
inline constexpr char kTemporarySuffix[] = ".tmp";

// The failure of an operation: empty when it went well, otherwise the reason ("No space left
// on device", "a folder has that name").
using Failure = QString;

// Appends the bytes in one write, synced before it returns; a write that fails part way is cut
// back to the old length. The name is created when absent. `synced` (when given) is set once the
// bytes are on disk: a failure after that (closing the file) leaves them appended.
Failure append(const QString &path, const QByteArray &bytes, bool *synced = nullptr);

// The last bytes of a regular file that exists, at most `most` of them, and its size.
Failure readTail(const QString &path, qint64 most, QByteArray &tail, qint64 &size);

// Creates the file holding the bytes, synced, and never replaces one: *nameTaken is set when
// a file (or anything else) has the name. The name shows nothing or the whole content, even
// after a crash.
Failure createNew(const QString &path, const QByteArray &bytes, bool *nameTaken);

// Sets the length of a regular file that exists (shorter: its end is cut off) and syncs it.
// A name that is absent is created empty.
Failure resize(const QString &path, qint64 length);

// Whether the two names lead to one file (links, "." and ".." resolved; on Windows, case
// ignored), also when the file does not exist yet.
bool sameFile(const QString &a, const QString &b);

// The file's size and the time of its last change, or size -1 when it cannot be asked.
struct Stamp
{
    qint64 size = -1;
    qint64 changed = 0; // in the system's own unit
    bool operator==(const Stamp &) const = default;
};
Stamp stamp(const QString &path);

// Makes a new folder, never taking a name that is there; the reason when it cannot.
Failure makeFolder(const QString &path);

// Gives a folder a new name, never replacing anything that has that name, and makes the change
// durable: the name shows the folder whole or not at all, even after a crash.
Failure renameFolder(const QString &from, const QString &to);

// Drops what the system keeps in memory of a synced file, so that the next read of it comes
// from the disk (where the system lets a program ask so; elsewhere it does nothing).
void forgetCached(const QString &path);

// A file written whole under a temporary name beside the file it stands in for, synced, and
// put in that file's place in one step at commit(): the file holds its old or its new content,
// never a part. A file not committed is removed when the object goes.
class Replacement
{
public:
    explicit Replacement(const QString &path);
    ~Replacement();
    Replacement(const Replacement &) = delete;
    Replacement &operator=(const Replacement &) = delete;

    Failure open();
    Failure write(const char *data, qint64 size);
    // Syncs what is written; done before commit().
    Failure sync();
    // Puts the temporary file in the file's place.
    Failure commit();
    // Removes the temporary file.
    void cancel();

private:
    QString m_path;
    QByteArray m_target;    // the system's name of the file replaced (a link followed)
    QByteArray m_temporary; // the system's name of the temporary file
    qintptr m_handle = -1;
};

// A file held open by the program for one piece of work on it, through one handle: read from
// its start, asked about, emptied. While it is held no other program can write it: on Windows
// it is shared for reading only; on POSIX the system's lock on it is held, which programs that
// lock the file before they write it (as the program's tests do) wait for, and the file's
// stamp tells of any other change.
class HeldFile
{
public:
    explicit HeldFile(const QString &path);
    ~HeldFile();
    HeldFile(const HeldFile &) = delete;
    HeldFile &operator=(const HeldFile &) = delete;

    // Opens the file (created empty when absent), waiting a moment for another holder.
    Failure open();
    // The next bytes, as many as there are up to `size`; 0 at the end, -1 on a failure.
    qint64 read(char *into, qint64 size);
    // Back to the first byte, for reading it again; false on a failure.
    bool rewind();
    Stamp stamp() const;
    // Sets its length to zero and syncs it.
    Failure empty();

private:
    QString m_path;
    qintptr m_handle = -1;
};

// An exclusive lock on a file, held by the system for this process while the object lives
// (and released by the system when the process ends, however it ends). Deleting or renaming
// the file while it is held frees nothing: on Windows the file cannot be deleted or renamed
// while it is held, and on POSIX the folder the file is in is held locked too.
class FileLock
{
public:
    enum Result
    {
        Locked,
        HeldElsewhere, // another process holds it
        NotAFile,      // the name is a folder, a link, a pipe or a device
        Failed,        // no lock file can be made there (a read-only folder)
    };

    FileLock() = default;
    ~FileLock();
    FileLock(const FileLock &) = delete;
    FileLock &operator=(const FileLock &) = delete;

    // Opens the file (created when absent) and takes the lock without waiting. `reason` gets
    // the system's reason for NotAFile and Failed.
    Result lock(const QString &path, QString *reason = nullptr);

private:
    qintptr m_handle = -1;
    qintptr m_folder = -1; // POSIX: the folder's lock
};

} // namespace pos::native
