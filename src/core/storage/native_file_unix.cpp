// The POSIX half of native_file.h.

#include "core/storage/native_file.h"

#include "core/storage/fault_points.h"

#include <QFile>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <utility>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace pos::native {

namespace {

QString reasonOf(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

const QString kFolderThere = QStringLiteral("a folder has that name");
const QString kNotRegular = QStringLiteral("it is not a regular file (a pipe or a device has that name)");
const QString kNameTaken = QStringLiteral("a file or folder of that name is there already");

QByteArray systemName(const QString &path)
{
    return QFile::encodeName(path);
}

const QString kLink = QStringLiteral("it is a link");
const QString kSecondName = QStringLiteral("it has a second name (a hard link)");

// The reason a name that is there cannot take a write as a file; empty when it can or is absent.
// A kept file's name is looked at itself, not followed.
QString notARegularFile(const QByteArray &name, Names names = Names::Followed)
{
    struct stat status
    {
    };
    const int rc = names == Names::Kept ? ::lstat(name.constData(), &status) : ::stat(name.constData(), &status);
    if (rc != 0)
        return {};
    if (S_ISLNK(status.st_mode))
        return kLink;
    if (S_ISDIR(status.st_mode))
        return kFolderThere;
    if (!S_ISREG(status.st_mode))
        return kNotRegular;
    if (names == Names::Kept && status.st_nlink > 1)
        return kSecondName;
    return {};
}

// The reason an open file cannot be worked on as the name asks; empty when it can.
QString openedProblem(const struct stat &status, Names names)
{
    if (S_ISDIR(status.st_mode))
        return kFolderThere;
    if (!S_ISREG(status.st_mode))
        return kNotRegular;
    if (names == Names::Kept && status.st_nlink > 1)
        return kSecondName;
    return {};
}

// The calls a failing disk fails, failed on purpose when the crash tests ask (failsNow): each
// returns -1 with errno EIO then. A close closes the handle in any case.
ssize_t readSome(int handle, void *into, size_t size)
{
    return failsNow() ? (errno = EIO, -1) : ::read(handle, into, size);
}

ssize_t readSomeAt(int handle, void *into, size_t size, off_t offset)
{
    return failsNow() ? (errno = EIO, -1) : ::pread(handle, into, size, offset);
}

ssize_t writeSome(int handle, const void *data, size_t size)
{
    return failsNow() ? (errno = EIO, -1) : ::write(handle, data, size);
}

int truncateFile(int handle, off_t length)
{
    return failsNow() ? (errno = EIO, -1) : ::ftruncate(handle, length);
}

int renameFile(const char *from, const char *to)
{
    return failsNow() ? (errno = EIO, -1) : ::rename(from, to);
}

int closeFile(int handle)
{
    const int rc = ::close(handle);
    return rc == 0 && failsNow() ? (errno = EIO, -1) : rc;
}

int retryingSync(int handle)
{
    int rc;
    do {
        rc = failsNow() ? (errno = EIO, -1) : ::fsync(handle);
    } while (rc != 0 && errno == EINTR);
    return rc;
}

QByteArray folderOf(const QByteArray &name)
{
    const qsizetype slash = name.lastIndexOf('/');
    if (slash < 0)
        return QByteArrayLiteral(".");
    return slash == 0 ? QByteArrayLiteral("/") : name.left(slash);
}

// Makes the folder's entries (a new or renamed file) durable. Best effort: some file systems
// do not sync folders.
void syncFolderOf(const QByteArray &name)
{
    const int handle = ::open(folderOf(name).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (handle < 0)
        return;
    retryingSync(handle);
    ::close(handle);
}

// Opens the name with the flags (O_NONBLOCK among them, so that a pipe put in the file's place
// after a check cannot block the open; a kept file's never through a link) and refuses anything
// but a regular file (under one name, kept) once open. The handle, or -1 with the reason;
// *missing is set when nothing has the name.
int openRegularFile(const QByteArray &name, int flags, QString &failure, struct stat *status,
                    Names names = Names::Followed, bool *missing = nullptr)
{
    if (names == Names::Kept)
        flags |= O_NOFOLLOW;
    int handle = ::open(name.constData(), flags | O_NONBLOCK | O_CLOEXEC, 0666);
    if (handle < 0 && errno == EACCES && (flags & O_ACCMODE) == O_RDWR)
        handle = ::open(name.constData(), (flags & ~O_ACCMODE) | O_WRONLY | O_NONBLOCK | O_CLOEXEC, 0666);
    if (handle < 0) {
        const int error = errno;
        if (missing)
            *missing = error == ENOENT;
        // A socket cannot be opened (ENXIO): no file either.
        failure = error == EISDIR                          ? kFolderThere
                  : error == ENXIO                         ? kNotRegular
                  : error == ELOOP && names == Names::Kept ? kLink
                                                           : reasonOf(error);
        return -1;
    }
    QString problem = ::fstat(handle, status) != 0 ? reasonOf(errno) : openedProblem(*status, names);
    if (!problem.isEmpty()) {
        ::close(handle);
        failure = problem;
        return -1;
    }
    return handle;
}

// Refuses a name that is there and is no regular file, then opens it like openRegularFile (with
// O_CREAT among the flags); `existed` tells whether the name was there before.
int openToWrite(const QByteArray &name, int flags, QString &failure, bool &existed, struct stat *status,
                Names names = Names::Followed)
{
    if (const QString refused = notARegularFile(name, names); !refused.isEmpty()) {
        failure = refused;
        return -1;
    }
    struct stat before
    {
    };
    existed = ::lstat(name.constData(), &before) == 0;
    return openRegularFile(name, flags, failure, status, names);
}

// Reads `size` bytes at the offset into `into`: 0, or the error that stopped it (EIO for a file
// that ends sooner).
int readAllAt(int handle, char *into, qint64 size, qint64 offset)
{
    qint64 done = 0;
    while (done < size) {
        const ssize_t n = readSomeAt(handle, into + done, size_t(size - done), off_t(offset + done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return n < 0 ? errno : EIO;
        done += n;
    }
    return 0;
}

// The last bytes of the open file, at most `most`, and its size.
Failure tailOf(int handle, qint64 most, QByteArray &tail, qint64 &size)
{
    struct stat status
    {
    };
    if (::fstat(handle, &status) != 0)
        return reasonOf(errno);
    size = qint64(status.st_size);
    const qint64 from = qMax<qint64>(0, size - most);
    tail.resize(size - from);
    if (const int error = readAllAt(handle, tail.data(), tail.size(), from))
        return reasonOf(error);
    return {};
}

Stamp stampOf(const struct stat &status)
{
    return {qint64(status.st_size), qint64(status.st_mtim.tv_sec) * 1000000000 + status.st_mtim.tv_nsec};
}

// Sets the open file's length and syncs it: 0, or the error that stopped it.
int truncateSynced(int handle, qint64 length)
{
    faultPoint("truncate: before");
    int rc;
    do {
        rc = truncateFile(handle, off_t(length));
    } while (rc != 0 && errno == EINTR);
    faultPoint("truncate: after");
    if (rc != 0 || retryingSync(handle) != 0)
        return errno;
    faultPoint("truncate: after sync");
    return 0;
}

// Writes the bytes; under the crash tests in two writes, so that a kill can fall between them
// as a power cut can fall in the middle of one. 0, or the error that stopped it.
int writeAll(int handle, const char *data, qint64 size, const char *halfPoint)
{
    qint64 stop = halfPoint && faultPointsActive() ? size / 2 : size;
    qint64 done = 0;
    while (done < size) {
        const ssize_t n = writeSome(handle, data + done, size_t(stop - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return errno;
        if (n == 0 && stop > done)
            return ENOSPC;
        done += n;
        if (done == stop && stop < size) {
            faultPoint(halfPoint);
            stop = size;
        }
    }
    return 0;
}

// Closes a written file; a file that did not exist before gets its folder synced, so that its
// name lasts too.
Failure closeWritten(int handle, const QByteArray &name, bool existed)
{
    if (closeFile(handle) != 0)
        return reasonOf(errno);
    if (!existed) {
        syncFolderOf(name);
        faultPoint("after folder sync");
    }
    return {};
}

// Writes the bytes into a new file opened with O_EXCL, removed again when the write fails: for
// file systems without hard links.
Failure createInPlace(const QByteArray &name, const QByteArray &bytes, bool *nameTaken)
{
    const int handle = ::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (handle < 0) {
        if (errno == EEXIST)
            *nameTaken = true;
        return errno == EEXIST ? kNameTaken : reasonOf(errno);
    }
    int error = writeAll(handle, bytes.constData(), bytes.size(), nullptr);
    if (error == 0 && retryingSync(handle) != 0)
        error = errno;
    if (closeFile(handle) != 0 && error == 0)
        error = errno;
    if (error != 0) {
        ::unlink(name.constData());
        return reasonOf(error);
    }
    syncFolderOf(name);
    return {};
}

// A temporary name beside the file, opened: its handle, or -1 with errno set.
int openTemporary(const QByteArray &name, QByteArray &temporary)
{
    temporary = name + kTemporaryInfix + "XXXXXX" + kTemporarySuffix;
    return ::mkostemps(temporary.data(), int(std::strlen(kTemporarySuffix)), O_CLOEXEC);
}

// The rights a new file gets, as open() with 0666 would give them.
mode_t newFileMode()
{
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

} // namespace

Failure append(const QString &path, const QByteArray &bytes, Names names, bool *synced)
{
    const QByteArray name = systemName(path);
    QString failure;
    bool existed = false;
    struct stat status
    {
    };
    const int handle = openToWrite(name, O_WRONLY | O_APPEND | O_CREAT, failure, existed, &status, names);
    if (handle < 0)
        return failure;
    const off_t oldSize = status.st_size;
    const auto cutBack = [&](int error) {
        if (truncateFile(handle, oldSize) == 0)
            retryingSync(handle);
        ::close(handle);
        return reasonOf(error);
    };
    faultPoint("append: before write");
    if (const int error = writeAll(handle, bytes.constData(), bytes.size(), "append: half written"))
        return cutBack(error);
    faultPoint("append: after write");
    if (retryingSync(handle) != 0)
        return cutBack(errno);
    faultPoint("append: after sync");
    if (synced)
        *synced = true;
    if (failsAt("append: close")) {
        ::close(handle);
        return reasonOf(EIO);
    }
    return closeWritten(handle, name, existed);
}

Failure readTail(const QString &path, qint64 most, QByteArray &tail, qint64 &size, Names names)
{
    QString failure;
    struct stat status
    {
    };
    const int handle = openRegularFile(systemName(path), O_RDONLY, failure, &status, names);
    if (handle < 0)
        return failure;
    failure = tailOf(handle, most, tail, size);
    ::close(handle);
    return failure;
}

Failure readWhole(const QString &path, qint64 limit, QByteArray &content, bool *missing, Names names, bool *refused)
{
    if (refused)
        *refused = false;
    bool absent = false;
    QString failure;
    struct stat status
    {
    };
    content.clear();
    const int handle = openRegularFile(systemName(path), O_RDONLY, failure, &status, names, &absent);
    if (missing)
        *missing = absent;
    if (handle < 0) {
        if (refused)
            *refused =
                !absent
                && (failure == kLink || failure == kSecondName || failure == kNotRegular || failure == kFolderThere);
        return absent && missing ? Failure() : failure;
    }
    // Read to its end, not to the size asked: a file that grows meanwhile is bounded too.
    QByteArray bytes(qMin<qint64>(qint64(status.st_size), limit) + 1, Qt::Uninitialized);
    qint64 done = 0;
    for (;;) {
        if (done == bytes.size()) {
            if (done > limit)
                break;
            bytes.resize(qMin<qint64>(limit + 1, done * 2 + 4096));
        }
        const ssize_t n = readSome(handle, bytes.data() + done, size_t(bytes.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            const int error = errno;
            ::close(handle);
            return reasonOf(error);
        }
        if (n == 0)
            break;
        done += n;
    }
    ::close(handle);
    if (done > limit) {
        if (refused)
            *refused = true;
        return QStringLiteral("it is larger than the program ever makes it (more than %1 bytes)").arg(limit);
    }
    bytes.truncate(done);
    content = std::move(bytes);
    return {};
}

Failure createNew(const QString &path, const QByteArray &bytes, bool *nameTaken)
{
    // Written and synced under a temporary name beside it, then linked to its name, which fails
    // rather than replace a file that has taken the name meanwhile.
    const QByteArray name = systemName(path);
    QByteArray temporary;
    const int handle = openTemporary(name, temporary);
    if (handle < 0)
        return reasonOf(errno);
    int error = ::fchmod(handle, newFileMode()) == 0 ? 0 : errno;
    faultPoint("create: before write");
    if (error == 0)
        error = writeAll(handle, bytes.constData(), bytes.size(), nullptr);
    if (error == 0 && retryingSync(handle) != 0)
        error = errno;
    faultPoint("create: after write and sync");
    if (closeFile(handle) != 0 && error == 0)
        error = errno;
    if (error != 0) {
        ::unlink(temporary.constData());
        return reasonOf(error);
    }
    const int linked = ::link(temporary.constData(), name.constData());
    const int linkError = errno;
    faultPoint("create: after link");
    ::unlink(temporary.constData());
    if (linked == 0) {
        syncFolderOf(name);
        faultPoint("create: after folder sync");
        return {};
    }
    if (linkError == EEXIST) {
        *nameTaken = true;
        return kNameTaken;
    }
    // A file system without links (FAT, some network shares): the file is made in place.
    if (linkError == EPERM || linkError == ENOTSUP || linkError == EOPNOTSUPP || linkError == ENOSYS)
        return createInPlace(name, bytes, nameTaken);
    return reasonOf(linkError);
}

Failure resize(const QString &path, qint64 length, Names names)
{
    const QByteArray name = systemName(path);
    QString failure;
    bool existed = false;
    struct stat status
    {
    };
    const int handle = openToWrite(name, O_WRONLY | O_CREAT, failure, existed, &status, names);
    if (handle < 0)
        return failure;
    if (const int error = truncateSynced(handle, length)) {
        ::close(handle);
        return reasonOf(error);
    }
    return closeWritten(handle, name, existed);
}

namespace {

// The name a link leads to, read once; empty when the name is not a link.
QByteArray linkTarget(const QByteArray &name)
{
    QByteArray target(4096, Qt::Uninitialized);
    const ssize_t n = ::readlink(name.constData(), target.data(), size_t(target.size()));
    if (n <= 0 || n >= target.size())
        return {};
    target.truncate(n);
    if (!target.startsWith('/') && name.contains('/'))
        target.prepend(folderOf(name) + '/');
    return target;
}

// The name at the end of a chain of links (a loop of links ends after a few steps).
QByteArray followLinks(QByteArray name)
{
    for (int step = 0; step < 40; ++step) {
        QByteArray target = linkTarget(name);
        if (target.isEmpty())
            break;
        name = std::move(target);
    }
    return name;
}

// The path a name leads to: links and "." / ".." resolved as far as the file system has them
// (so also for a file that does not exist yet), the rest of the name taken as written.
QByteArray resolved(const QByteArray &link)
{
    const QByteArray name = followLinks(link);
    char *real = ::realpath(name.constData(), nullptr);
    if (real) {
        const QByteArray whole(real);
        std::free(real);
        return whole;
    }
    const qsizetype slash = name.lastIndexOf('/');
    const QByteArray base = slash < 0 ? name : name.mid(slash + 1);
    real = ::realpath(folderOf(name).constData(), nullptr);
    if (!real)
        return name;
    QByteArray folder(real);
    std::free(real);
    return folder + (folder.endsWith('/') ? "" : "/") + base;
}

} // namespace

bool sameFile(const QString &a, const QString &b)
{
    const QByteArray first = systemName(a);
    const QByteArray second = systemName(b);
    struct stat one
    {
    };
    struct stat other
    {
    };
    if (::stat(first.constData(), &one) == 0 && ::stat(second.constData(), &other) == 0)
        return one.st_dev == other.st_dev && one.st_ino == other.st_ino;
    return resolved(first) == resolved(second);
}

Stamp stamp(const QString &path)
{
    struct stat status
    {
    };
    return ::stat(systemName(path).constData(), &status) == 0 ? stampOf(status) : Stamp();
}

Failure Replacement::open()
{
    cancel();
    // A link is followed: the file it leads to takes the new content, the link stays. A kept
    // file's name is never followed, and only a regular file of one name is replaced.
    const QByteArray name = m_names == Names::Kept ? systemName(m_path) : followLinks(systemName(m_path));
    if (const QString refused = notARegularFile(name, m_names); !refused.isEmpty())
        return refused;
    m_target = name;
    const int handle = openTemporary(name, m_temporary);
    if (handle < 0) {
        const int error = errno;
        m_temporary.clear();
        return reasonOf(error);
    }
    m_handle = handle;
    // The new content keeps the rights of the file it replaces, or gets a new file's.
    struct stat status
    {
    };
    const mode_t mode = ::stat(name.constData(), &status) == 0 ? (status.st_mode & 07777) : newFileMode();
    if (::fchmod(handle, mode) != 0) {
        const int error = errno;
        cancel();
        return reasonOf(error);
    }
    return {};
}

Failure Replacement::write(const char *data, qint64 size)
{
    if (m_handle < 0)
        return QStringLiteral("the file is not open");
    if (const int error = writeAll(int(m_handle), data, size, "whole: half written"))
        return reasonOf(error);
    return {};
}

Failure Replacement::sync()
{
    if (m_handle < 0)
        return QStringLiteral("the file is not open");
    return retryingSync(int(m_handle)) == 0 ? Failure() : reasonOf(errno);
}

Failure Replacement::commit()
{
    if (m_handle < 0)
        return QStringLiteral("nothing was made ready to write");
    const int closed = closeFile(int(m_handle));
    m_handle = -1;
    if (closed != 0) {
        const int error = errno;
        cancel();
        return reasonOf(error);
    }
    if (renameFile(m_temporary.constData(), m_target.constData()) != 0) {
        const int error = errno;
        cancel();
        return reasonOf(error);
    }
    m_temporary.clear();
    faultPoint("whole: after rename");
    syncFolderOf(m_target);
    faultPoint("whole: after folder sync");
    return {};
}

void Replacement::cancel()
{
    if (m_handle >= 0)
        ::close(int(m_handle));
    m_handle = -1;
    if (!m_temporary.isEmpty())
        ::unlink(m_temporary.constData());
    m_temporary.clear();
}

HeldFile::~HeldFile()
{
    if (m_handle >= 0)
        ::close(int(m_handle));
}

Failure HeldFile::open()
{
    const QByteArray name = systemName(m_path);
    QString failure;
    bool existed = false;
    struct stat status
    {
    };
    const int handle = openToWrite(name, O_RDWR | O_CREAT, failure, existed, &status, m_names);
    if (handle < 0)
        return failure;
    if (!existed)
        syncFolderOf(name);
    // Another holder is given two seconds to finish.
    for (int attempt = 0;; ++attempt) {
        if (::flock(handle, LOCK_EX | LOCK_NB) == 0)
            break;
        if ((errno != EWOULDBLOCK && errno != EINTR) || attempt == 200) {
            const int error = errno;
            ::close(handle);
            return error == EWOULDBLOCK ? QStringLiteral("another program keeps it locked") : reasonOf(error);
        }
        ::usleep(10000);
    }
    m_handle = handle;
    m_position = 0;
    return {};
}

qint64 HeldFile::read(char *into, qint64 size)
{
    for (;;) {
        const ssize_t n = readSomeAt(int(m_handle), into, size_t(size), off_t(m_position));
        if (n >= 0)
            m_position += n;
        if (n >= 0 || errno != EINTR)
            return n;
    }
}

Failure HeldFile::readTail(qint64 most, QByteArray &tail, qint64 &size)
{
    return tailOf(int(m_handle), most, tail, size);
}

Stamp HeldFile::stamp() const
{
    struct stat status
    {
    };
    return m_handle >= 0 && ::fstat(int(m_handle), &status) == 0 ? stampOf(status) : Stamp();
}

Failure HeldFile::append(const QByteArray &bytes, bool *left)
{
    const int handle = int(m_handle);
    const off_t oldSize = ::lseek(handle, 0, SEEK_END);
    if (oldSize < 0)
        return reasonOf(errno);
    const auto cutBack = [&](int error) {
        if (truncateFile(handle, oldSize) == 0) {
            retryingSync(handle);
        } else if (left) {
            struct stat status
            {
            };
            *left = ::fstat(handle, &status) != 0 || status.st_size > oldSize;
        }
        return reasonOf(error);
    };
    faultPoint("append: before write");
    if (const int error = writeAll(handle, bytes.constData(), bytes.size(), "append: half written"))
        return cutBack(error);
    faultPoint("append: after write");
    if (retryingSync(handle) != 0)
        return cutBack(errno);
    faultPoint("append: after sync");
    return {};
}

Failure HeldFile::resize(qint64 length)
{
    const int error = truncateSynced(int(m_handle), length);
    return error ? reasonOf(error) : Failure();
}

ReadFile::~ReadFile()
{
    if (m_handle >= 0)
        ::close(int(m_handle));
}

Failure ReadFile::open(bool *missing)
{
    QString failure;
    struct stat status
    {
    };
    bool absent = false;
    const int handle = openRegularFile(systemName(m_path), O_RDONLY, failure, &status, m_names, &absent);
    if (missing)
        *missing = absent;
    if (handle < 0)
        return absent && missing ? Failure() : failure;
    m_handle = handle;
    return {};
}

qint64 ReadFile::read(char *into, qint64 size)
{
    if (m_handle < 0)
        return -1;
    for (;;) {
        const ssize_t n = readSome(int(m_handle), into, size_t(size));
        if (n >= 0 || errno != EINTR)
            return n;
    }
}

qint64 ReadFile::size() const
{
    struct stat status
    {
    };
    return m_handle >= 0 && ::fstat(int(m_handle), &status) == 0 ? qint64(status.st_size) : -1;
}

FileLock::~FileLock()
{
    if (m_handle >= 0)
        ::close(int(m_handle));
    if (m_folder >= 0)
        ::close(int(m_folder));
}

namespace {

// Takes the system's lock on the open file without waiting: 0, or the reason it could not.
int lockNow(int handle)
{
    int rc;
    do {
        rc = ::flock(handle, LOCK_EX | LOCK_NB);
    } while (rc != 0 && errno == EINTR);
    return rc == 0 ? 0 : errno;
}

} // namespace

FileLock::Result FileLock::lock(const QString &path, QString *reason)
{
    const QByteArray name = systemName(path);
    // A kept file: never through a link, never a second name, and never blocking on a pipe.
    // Only a regular file holds the lock.
    if (const QString refused = notARegularFile(name, Names::Kept); !refused.isEmpty()) {
        if (reason)
            *reason = refused;
        return NotAFile;
    }
    int handle = ::open(name.constData(), O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0666);
    if (handle < 0 && errno == EACCES)
        handle = ::open(name.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (handle < 0) {
        const int error = errno;
        struct stat there
        {
        };
        const bool absent = ::lstat(name.constData(), &there) != 0;
        if (reason)
            *reason = error == ELOOP ? kLink : error == EISDIR ? kFolderThere : reasonOf(error);
        if (error == ELOOP || error == EISDIR)
            return NotAFile;
        // Nothing there and nothing can be made: a folder no copy can write in.
        return absent ? NoLockFile : Failed;
    }
    struct stat status
    {
    };
    if (const QString problem = ::fstat(handle, &status) != 0 ? reasonOf(errno) : openedProblem(status, Names::Kept);
        !problem.isEmpty()) {
        ::close(handle);
        if (reason)
            *reason = problem;
        return NotAFile;
    }
    // The folder is locked as well: a lock file deleted or renamed while the program runs lets
    // no second copy in. A folder that cannot be opened leaves the file's lock alone to hold.
    const qsizetype slash = name.lastIndexOf('/');
    const QByteArray folderName = slash < 0 ? QByteArray(".") : slash == 0 ? QByteArray("/") : name.left(slash);
    const int folder = ::open(folderName.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    int error = folder >= 0 ? lockNow(folder) : 0;
    if (error == 0)
        error = lockNow(handle);
    if (error != 0) {
        ::close(handle);
        if (folder >= 0)
            ::close(folder);
        if (error == EWOULDBLOCK)
            return HeldElsewhere;
        if (reason)
            *reason = reasonOf(error);
        return Failed;
    }
    m_handle = handle;
    m_folder = folder;
    return Locked;
}

} // namespace pos::native

namespace pos::native {

Failure makeFolder(const QString &path)
{
    if (::mkdir(systemName(path).constData(), 0777) != 0)
        return errno == EEXIST ? kNameTaken : reasonOf(errno);
    return {};
}

Failure renameFolder(const QString &from, const QString &to)
{
    const QByteArray target = systemName(to);
    // rename() would put an empty folder's name to use: anything there keeps its name.
    struct stat status
    {
    };
    if (::lstat(target.constData(), &status) == 0)
        return kNameTaken;
    faultPoint("folder: before rename");
    if (renameFile(systemName(from).constData(), target.constData()) != 0)
        return reasonOf(errno);
    faultPoint("folder: after rename");
    syncFolderOf(target);
    return {};
}

void syncFolder(const QString &path)
{
    syncFolderOf(systemName(path) + "/.");
}

NewFile::NewFile(const QString &path)
    : m_path(path)
{
}

NewFile::~NewFile()
{
    if (m_handle >= 0)
        ::close(int(m_handle));
    if (m_made && !m_kept)
        ::unlink(systemName(m_path).constData());
}

Failure NewFile::open()
{
    const int handle = ::open(systemName(m_path).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (handle < 0)
        return errno == EEXIST ? kNameTaken : reasonOf(errno);
    m_handle = handle;
    m_made = true;
    return {};
}

Failure NewFile::write(const char *data, qint64 size)
{
    if (m_handle < 0)
        return QStringLiteral("the file is not open");
    if (const int error = writeAll(int(m_handle), data, size, "new: half written"))
        return reasonOf(error);
    m_written += size;
#ifdef SYNC_FILE_RANGE_WRITE
    // The disk starts on what is written while the rest is copied, so the sync at the end has
    // little left to wait for.
    constexpr qint64 kWriteBehind = 8 << 20;
    if (m_written - m_started >= kWriteBehind) {
        ::sync_file_range(int(m_handle), m_started, m_written - m_started, SYNC_FILE_RANGE_WRITE);
        m_started = m_written;
    }
#endif
    return {};
}

Failure NewFile::finish()
{
    if (m_handle < 0)
        return QStringLiteral("the file is not open");
    int error = retryingSync(int(m_handle)) == 0 ? 0 : errno;
    faultPoint("new: after sync");
    if (closeFile(int(m_handle)) != 0 && error == 0)
        error = errno;
    m_handle = -1;
    if (error != 0)
        return reasonOf(error);
    m_kept = true;
    return {};
}

} // namespace pos::native
