#include "common/fileio.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <cerrno>
#include <cstring>

#ifdef Q_OS_WIN
#include <io.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace pos {

namespace {

QString shownName(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

QString systemReason(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

// The reason a path that exists cannot take a write, or an empty text when it can.
QString notARegularFile(const QString &path)
{
    const QFileInfo info(path);
    if (!info.exists())
        return {};
    if (info.isDir())
        return QStringLiteral("a folder has that name");
    if (!info.isFile())
        return QStringLiteral("it is not a regular file (a pipe or a device has that name)");
    return {};
}

const QString kNameTaken = QStringLiteral("a file or folder of that name is there already");

#ifndef Q_OS_WIN
int retryingSync(int handle)
{
    int rc;
    do {
        rc = ::fsync(handle);
    } while (rc != 0 && errno == EINTR);
    return rc;
}

// Makes the folder's entries (a new or renamed file) durable. Best effort: some file systems
// do not sync folders.
void syncFolderOf(const QString &path)
{
    const QByteArray folder = QFile::encodeName(QFileInfo(path).absolutePath());
    const int handle = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (handle < 0)
        return;
    retryingSync(handle);
    ::close(handle);
}

// Writes all the bytes and syncs them to disk: 0, or the error that stopped it.
int writeAllSynced(int handle, const QByteArray &data)
{
    qsizetype done = 0;
    while (done < data.size()) {
        const ssize_t n = ::write(handle, data.constData() + done, size_t(data.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return errno;
        if (n == 0)
            return ENOSPC;
        done += n;
    }
    return retryingSync(handle) == 0 ? 0 : errno;
}

// Writes the bytes into a new file opened with O_EXCL, removed again when the write fails.
WriteResult createInPlace(const QString &path, const QByteArray &bytes, bool *nameTaken)
{
    const QByteArray name = QFile::encodeName(path);
    const int handle = ::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (handle < 0) {
        if (errno == EEXIST)
            *nameTaken = true;
        return WriteResult::failure(shownName(path), errno == EEXIST ? kNameTaken : systemReason(errno));
    }
    int error = writeAllSynced(handle, bytes);
    if (::close(handle) != 0 && error == 0)
        error = errno;
    if (error != 0) {
        ::unlink(name.constData());
        return WriteResult::failure(shownName(path), systemReason(error));
    }
    syncFolderOf(path);
    return {};
}

// The new file is written and synced under a temporary name beside it, then linked to its
// name, which fails rather than replace a file that has taken the name meanwhile. So the
// name never shows a part of the content, even after a crash.
WriteResult createPosix(const QString &path, const QByteArray &bytes, bool *nameTaken)
{
    const QByteArray name = QFile::encodeName(path);
    QByteArray temporary = name + ".XXXXXX";
    const int handle = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (handle < 0)
        return WriteResult::failure(shownName(path), systemReason(errno));
    // mkostemp makes the file private; the new file gets the rights any new file gets.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    int error = ::fchmod(handle, 0666 & ~mask) == 0 ? 0 : errno;
    if (error == 0)
        error = writeAllSynced(handle, bytes);
    if (::close(handle) != 0 && error == 0)
        error = errno;
    if (error != 0) {
        ::unlink(temporary.constData());
        return WriteResult::failure(shownName(path), systemReason(error));
    }
    const int linked = ::link(temporary.constData(), name.constData());
    const int linkError = errno;
    ::unlink(temporary.constData());
    if (linked == 0) {
        syncFolderOf(path);
        return {};
    }
    if (linkError == EEXIST) {
        *nameTaken = true;
        return WriteResult::failure(shownName(path), kNameTaken);
    }
    // A file system without links (FAT, some network shares): the file is made in place.
    if (linkError == EPERM || linkError == ENOTSUP || linkError == EOPNOTSUPP || linkError == ENOSYS)
        return createInPlace(path, bytes, nameTaken);
    return WriteResult::failure(shownName(path), systemReason(linkError));
}

bool endsWithLineEnd(int handle, off_t size)
{
    if (size == 0)
        return true;
    char last = 0;
    ssize_t got;
    do {
        got = ::pread(handle, &last, 1, size - 1);
    } while (got < 0 && errno == EINTR);
    // A file that cannot be read back is appended to as it is.
    return got != 1 || last == '\n' || last == '\r';
}

WriteResult appendPosix(const QString &path, const QByteArray &bytes, bool completeLastLine)
{
    const QByteArray name = QFile::encodeName(path);
    const bool existed = QFileInfo::exists(path);
    // Non-blocking, so that a pipe put in the file's place after the check above cannot block
    // the open; anything but a regular file is refused once open.
    int flags = O_APPEND | O_CREAT | O_NONBLOCK | O_CLOEXEC;
    int handle = ::open(name.constData(), flags | O_RDWR, 0666);
    if (handle < 0 && errno == EACCES)
        handle = ::open(name.constData(), flags | O_WRONLY, 0666);
    if (handle < 0)
        return WriteResult::failure(shownName(path), systemReason(errno));

    struct stat status{};
    if (::fstat(handle, &status) != 0 || !S_ISREG(status.st_mode)) {
        ::close(handle);
        return WriteResult::failure(shownName(path),
                                    QStringLiteral("it is not a regular file (a pipe or a device has that name)"));
    }
    const off_t oldSize = status.st_size;

    QByteArray data;
    if (completeLastLine && !endsWithLineEnd(handle, oldSize))
        data = QByteArrayLiteral("\r\n") + bytes;
    else
        data = bytes;

    const auto cutBack = [&](int error) {
        if (::ftruncate(handle, oldSize) == 0)
            retryingSync(handle);
        ::close(handle);
        return WriteResult::failure(shownName(path), systemReason(error));
    };

    if (const int error = writeAllSynced(handle, data))
        return cutBack(error);
    if (::close(handle) != 0)
        return WriteResult::failure(shownName(path), systemReason(errno));
    if (!existed)
        syncFolderOf(path);
    return {};
}
#else
WriteResult createWindows(const QString &path, const QByteArray &bytes, bool *nameTaken)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly | QIODevice::Unbuffered)) {
        if (QFileInfo::exists(path)) {
            *nameTaken = true;
            return WriteResult::failure(shownName(path), kNameTaken);
        }
        return WriteResult::failure(shownName(path), file.errorString());
    }
    QString reason;
    if (file.write(bytes) != bytes.size())
        reason = file.errorString();
    else if (::_commit(file.handle()) != 0)
        reason = systemReason(errno);
    file.close();
    if (reason.isEmpty() && file.error() != QFileDevice::NoError)
        reason = file.errorString();
    if (!reason.isEmpty()) {
        file.remove();
        return WriteResult::failure(shownName(path), reason);
    }
    return {};
}

WriteResult appendWindows(const QString &path, const QByteArray &bytes, bool completeLastLine)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadWrite | QIODevice::Append | QIODevice::Unbuffered))
        return WriteResult::failure(shownName(path), file.errorString());
    const qint64 oldSize = file.size();
    QByteArray data = bytes;
    if (completeLastLine && oldSize > 0) {
        QFile reader(path);
        if (reader.open(QIODevice::ReadOnly) && reader.seek(oldSize - 1)) {
            const QByteArray last = reader.read(1);
            if (last.size() == 1 && last != "\n" && last != "\r")
                data.prepend("\r\n");
        }
    }
    const auto cutBack = [&](const QString &reason) {
        file.resize(oldSize);
        file.close();
        return WriteResult::failure(shownName(path), reason);
    };
    const qint64 written = file.write(data);
    if (written != data.size())
        return cutBack(written < 0 ? file.errorString() : systemReason(errno));
    if (!file.flush())
        return cutBack(file.errorString());
    if (::_commit(file.handle()) != 0)
        return cutBack(systemReason(errno));
    file.close();
    if (file.error() != QFileDevice::NoError)
        return WriteResult::failure(shownName(path), file.errorString());
    return {};
}
#endif

WriteResult append(const QString &path, const QByteArray &bytes, bool completeLastLine)
{
    const QString refused = notARegularFile(path);
    if (!refused.isEmpty())
        return WriteResult::failure(shownName(path), refused);
#ifdef Q_OS_WIN
    return appendWindows(path, bytes, completeLastLine);
#else
    return appendPosix(path, bytes, completeLastLine);
#endif
}

} // namespace

WriteResult WriteResult::failure(const QString &fileName, const QString &reason)
{
    WriteResult result;
    result.ok = false;
    result.message = QStringLiteral("Could not write \"%1\": %2").arg(fileName, reason);
    return result;
}

std::optional<QByteArray> readRawFile(const QString &path)
{
    const QFileInfo info(path);
    if (!info.isFile())
        return std::nullopt;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    QByteArray content = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return std::nullopt;
    return content;
}

QByteArray readRawFileOrEmpty(const QString &path)
{
    return readRawFile(path).value_or(QByteArray());
}

FileState fileState(const QString &path)
{
    const QFileInfo info(path);
    if (!info.exists() && !info.isSymLink())
        return FileState::Missing;
    return readRawFile(path) ? FileState::Read : FileState::Unreadable;
}

StagedWrite::StagedWrite(const QString &path)
    : m_path(path)
{
}

// QSaveFile removes its temporary file when destroyed without commit().
StagedWrite::~StagedWrite() = default;

WriteResult StagedWrite::stage(const QByteArray &bytes)
{
    m_file.reset();
    const QString refused = notARegularFile(m_path);
    if (!refused.isEmpty())
        return WriteResult::failure(shownName(m_path), refused);

    auto file = std::make_unique<QSaveFile>(m_path);
    // Never written in place: where no temporary file can be made, the write fails and the
    // old content stays.
    file->setDirectWriteFallback(false);
    // Unbuffered: a buffered QSaveFile can lose the tail of a short write (full disk) and
    // still commit, leaving a cut-off file. Unbuffered, the short count shows here.
    if (!file->open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return WriteResult::failure(shownName(m_path), file->errorString());
    const qint64 written = file->write(bytes);
    if (written != bytes.size()) {
        const QString reason = written < 0 ? file->errorString() : systemReason(errno);
        file->cancelWriting();
        return WriteResult::failure(shownName(m_path), reason);
    }
    // Synced now, so that what is left for commit() is the rename.
#ifdef Q_OS_WIN
    const bool synced = ::_commit(file->handle()) == 0;
#else
    const bool synced = retryingSync(file->handle()) == 0;
#endif
    if (!synced) {
        const QString reason = systemReason(errno);
        file->cancelWriting();
        return WriteResult::failure(shownName(m_path), reason);
    }
    m_file = std::move(file);
    return {};
}

WriteResult StagedWrite::commit()
{
    if (!m_file)
        return WriteResult::failure(shownName(m_path), QStringLiteral("nothing was made ready to write"));
    const std::unique_ptr<QSaveFile> file = std::move(m_file);
    if (!file->commit())
        return WriteResult::failure(shownName(m_path), file->errorString());
#ifndef Q_OS_WIN
    syncFolderOf(m_path);
#endif
    return {};
}

WriteResult writeFileWhole(const QString &path, const QByteArray &bytes)
{
    StagedWrite write(path);
    if (WriteResult staged = write.stage(bytes); !staged)
        return staged;
    return write.commit();
}

WriteResult createFileNew(const QString &path, const QByteArray &bytes, bool *nameTaken)
{
    bool taken = false;
    if (!nameTaken)
        nameTaken = &taken;
    *nameTaken = false;
    const QFileInfo info(path);
    if (info.exists() || info.isSymLink()) {
        *nameTaken = true;
        return WriteResult::failure(shownName(path), kNameTaken);
    }
#ifdef Q_OS_WIN
    return createWindows(path, bytes, nameTaken);
#else
    return createPosix(path, bytes, nameTaken);
#endif
}

WriteResult appendDurably(const QString &path, const QByteArray &bytes)
{
    return append(path, bytes, false);
}

WriteResult appendRecords(const QString &path, const QByteArray &records)
{
    return append(path, records, true);
}

} // namespace pos
