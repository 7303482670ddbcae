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

// How a name is taken. `Followed`: as the owner may have made it, a link followed (the journal
// itself, which an owner may point elsewhere on purpose, a history, a setting). `Kept`: a file
// the program keeps for itself (the journal's companion files, the lock, the receipt, a
// layaway paid on): only a regular file under this one name, never a link, never a file with a
// second name (a hard link), and opened without blocking, so that a pipe in its place never
// hangs; anything else is refused with the reason. A kept file is named inside the shop folder
// by the caller, so refusing a link in its place keeps every write inside that folder.
enum class Names
{
    Followed,
    Kept,
};

// Appends the bytes in one write, synced before it returns; a write that fails part way is cut
// back to the old length. The name is created when absent. `synced` (when given) is set once the
// bytes are on disk: a failure after that (closing the file) leaves them appended.
Failure append(const QString &path, const QByteArray &bytes, Names names = Names::Followed, bool *synced = nullptr);

// The last bytes of a regular file that exists, at most `most` of them, and its size.
Failure readTail(const QString &path, qint64 most, QByteArray &tail, qint64 &size, Names names = Names::Followed);

// The whole content of a regular file of at most `limit` bytes; *missing is set (and the
// failure is empty) when nothing has the name. A read that fails part way is a failure;
// *refused is set when the name is there and is no file to read as the names ask (a link, a
// second name, a pipe, a folder) or the file is larger than the limit.
Failure readWhole(const QString &path, qint64 limit, QByteArray &content, bool *missing, Names names = Names::Followed,
                  bool *refused = nullptr);

// Creates the file holding the bytes, synced, and never replaces one: *nameTaken is set when
// a file (or anything else) has the name. The name shows nothing or the whole content, even
// after a crash.
Failure createNew(const QString &path, const QByteArray &bytes, bool *nameTaken);

// Sets the length of a regular file that exists (shorter: its end is cut off) and syncs it.
// A name that is absent is created empty.
Failure resize(const QString &path, qint64 length, Names names = Names::Followed);

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

// Makes the entries of the folder itself (the files made in it) durable. Best effort: some file
// systems do not sync folders, and Windows journals them itself.
void syncFolder(const QString &path);

// A new file written from its first byte to its last through one handle, under its own name:
// never replacing anything that has the name, and with no temporary name, for files made
// inside a folder nobody uses yet (a backup's, renamed once it is whole). Removed again when
// the object goes unless finish() succeeded.
class NewFile
{
public:
    explicit NewFile(const QString &path);
    ~NewFile();
    NewFile(const NewFile &) = delete;
    NewFile &operator=(const NewFile &) = delete;

    Failure open();
    Failure write(const char *data, qint64 size);
    // Syncs the file and closes it; it stays.
    Failure finish();

private:
    QString m_path;
    qintptr m_handle = -1;
    bool m_made = false;
    bool m_kept = false;
    qint64 m_written = 0;
    qint64 m_started = 0; // the bytes the disk was asked to start writing (POSIX)
};

// A file written whole under a temporary name beside the file it stands in for, synced, and
// put in that file's place in one step at commit(): the file holds its old or its new content,
// never a part. A file not committed is removed when the object goes.
class Replacement
{
public:
    // A kept file's name is replaced itself, never followed: a link, a second name or anything
    // but a regular file there is refused.
    explicit Replacement(const QString &path, Names names = Names::Followed);
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
    Names m_names;
    QByteArray m_target;    // the system's name of the file replaced (a link followed)
    QByteArray m_temporary; // the system's name of the temporary file
    qintptr m_handle = -1;
};

// A file held open by the program for one piece of work on it, through one handle: read from
// its start, asked about, appended to, cut, emptied. While it is held no other program can
// write it: on Windows it is shared for reading only; on POSIX the system's lock on it is held,
// which programs that lock the file before they write it (as the program's tests do) wait for,
// and the file's stamp tells of any other change. So the end of a record file is judged and
// mended only while it is held: a program appending a record in two writes under the lock has
// finished it by then.
class HeldFile
{
public:
    explicit HeldFile(const QString &path, Names names = Names::Followed);
    ~HeldFile();
    HeldFile(const HeldFile &) = delete;
    HeldFile &operator=(const HeldFile &) = delete;

    const QString &path() const { return m_path; }
    // Opens the file (created empty when absent), waiting a moment for another holder.
    Failure open();
    // The next bytes from where the last read ended (the start at first), as many as there are
    // up to `size`; 0 at the end, -1 on a failure.
    qint64 read(char *into, qint64 size);
    // Back to the first byte, for reading it again; false on a failure.
    bool rewind();
    // The last bytes, at most `most` of them, and the file's size.
    Failure readTail(qint64 most, QByteArray &tail, qint64 &size);
    Stamp stamp() const;
    // Appends the bytes in one write, synced; a write that fails part way is cut back. When
    // the cut back fails too, *left is set: bytes of the write may be in the file.
    Failure append(const QByteArray &bytes, bool *left = nullptr);
    // Sets its length (its end cut off) and syncs it.
    Failure resize(qint64 length);
    Failure empty() { return resize(0); }

private:
    QString m_path;
    Names m_names;
    qintptr m_handle = -1;
    qint64 m_position = 0;
};

// A file opened for reading only, chunk by chunk, without blocking and refused unless it is a
// regular file (and, kept, under this one name).
class ReadFile
{
public:
    explicit ReadFile(const QString &path, Names names = Names::Followed);
    ~ReadFile();
    ReadFile(const ReadFile &) = delete;
    ReadFile &operator=(const ReadFile &) = delete;

    // *missing is set (and the failure is empty) when nothing has the name.
    Failure open(bool *missing = nullptr);
    // The next bytes, as many as there are up to `size`; 0 at the end, -1 on a failure.
    qint64 read(char *into, qint64 size);
    qint64 size() const;

private:
    QString m_path;
    Names m_names;
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
        NotAFile,      // the name is a folder, a link, a second name, a pipe or a device
        NoLockFile,    // nothing has the name and no file can be made there (a read-only folder)
        Failed,        // the lock file is there and cannot be opened or locked
    };

    FileLock() = default;
    ~FileLock();
    FileLock(const FileLock &) = delete;
    FileLock &operator=(const FileLock &) = delete;

    // Opens the file (created when absent) as a kept file and takes the lock without waiting.
    // `reason` gets the system's reason for NotAFile, NoLockFile and Failed.
    Result lock(const QString &path, QString *reason = nullptr);

private:
    qintptr m_handle = -1;
    qintptr m_folder = -1; // POSIX: the folder's lock
};

} // namespace pos::native
