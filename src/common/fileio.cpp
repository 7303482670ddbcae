#include "common/fileio.h"

#include "common/fault_points.h"
#include "common/records.h"

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

const QString kFolderThere = QStringLiteral("a folder has that name");
const QString kNotRegular = QStringLiteral("it is not a regular file (a pipe or a device has that name)");

// The reason a path that exists cannot take a write or a read as a file, or an empty text
// when it can.
QString notARegularFile(const QString &path)
{
    const QFileInfo info(path);
    if (!info.exists())
        return {};
    if (info.isDir())
        return kFolderThere;
    if (!info.isFile())
        return kNotRegular;
    return {};
}

const QString kNameTaken = QStringLiteral("a file or folder of that name is there already");

// Opens the temporary file that takes the path's place at commit; the reason it cannot, or an
// empty text. Never written in place: where no temporary file can be made the write fails and
// the old content stays. Unbuffered: a buffered QSaveFile can lose the tail of a short write
// (full disk) and still commit, leaving a cut-off file; unbuffered, the short count shows.
QString openReplacement(QSaveFile &file, const QString &path)
{
    const QString refused = notARegularFile(path);
    if (!refused.isEmpty())
        return refused;
    file.setDirectWriteFallback(false);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return file.errorString();
    return {};
}

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

// Opens the path with the flags (O_NONBLOCK among them, so that a pipe put in the file's place
// after a check cannot block the open) and refuses anything but a regular file once open.
// The handle, or -1 with the failure told.
int openRegularFile(const QString &path, int flags, WriteResult &failure, struct stat *status)
{
    const QByteArray name = QFile::encodeName(path);
    int handle = ::open(name.constData(), flags, 0666);
    if (handle < 0 && errno == EACCES && (flags & O_ACCMODE) == O_RDWR)
        handle = ::open(name.constData(), (flags & ~O_ACCMODE) | O_WRONLY, 0666);
    if (handle < 0) {
        failure = WriteResult::failure(shownName(path), systemReason(errno));
        return -1;
    }
    if (::fstat(handle, status) != 0 || !S_ISREG(status->st_mode)) {
        ::close(handle);
        failure = WriteResult::failure(shownName(path), kNotRegular);
        return -1;
    }
    return handle;
}

// Closes a file written and synced; a file that did not exist before gets its folder synced,
// so that its name lasts too.
WriteResult closeWritten(int handle, const QString &path, bool existed)
{
    if (::close(handle) != 0)
        return WriteResult::failure(shownName(path), systemReason(errno));
    if (!existed) {
        syncFolderOf(path);
        faultPoint("after folder sync");
    }
    return {};
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
    faultPoint("create: before write");
    if (error == 0)
        error = writeAllSynced(handle, bytes);
    faultPoint("create: after write and sync");
    if (::close(handle) != 0 && error == 0)
        error = errno;
    if (error != 0) {
        ::unlink(temporary.constData());
        return WriteResult::failure(shownName(path), systemReason(error));
    }
    const int linked = ::link(temporary.constData(), name.constData());
    const int linkError = errno;
    faultPoint("create: after link");
    ::unlink(temporary.constData());
    if (linked == 0) {
        syncFolderOf(path);
        faultPoint("create: after folder sync");
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

WriteResult appendPosix(const QString &path, const QByteArray &bytes)
{
    const bool existed = QFileInfo::exists(path);
    // Read and write where allowed, so that the last byte can be looked at; write only otherwise.
    WriteResult failure;
    struct stat status{};
    const int handle =
        openRegularFile(path, O_RDWR | O_APPEND | O_CREAT | O_NONBLOCK | O_CLOEXEC, failure, &status);
    if (handle < 0)
        return failure;
    const off_t oldSize = status.st_size;
    const QByteArray &data = bytes;

    const auto cutBack = [&](int error) {
        if (::ftruncate(handle, oldSize) == 0)
            retryingSync(handle);
        ::close(handle);
        return WriteResult::failure(shownName(path), systemReason(error));
    };

    faultPoint("append: before write");
    // Under the crash tests the bytes go in two writes, so that a kill can fall between them
    // as a power cut can fall in the middle of one.
    qsizetype stop = faultPointsActive() ? data.size() / 2 : data.size();
    qsizetype done = 0;
    while (done < data.size()) {
        const ssize_t n = ::write(handle, data.constData() + done, size_t(stop - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return cutBack(errno);
        if (n == 0 && stop > done)
            return cutBack(ENOSPC);
        done += n;
        if (done == stop && stop < data.size()) {
            faultPoint("append: half written");
            stop = data.size();
        }
    }
    faultPoint("append: after write");
    if (retryingSync(handle) != 0)
        return cutBack(errno);
    faultPoint("append: after sync");
    return closeWritten(handle, path, existed);
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

WriteResult appendWindows(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadWrite | QIODevice::Append | QIODevice::Unbuffered))
        return WriteResult::failure(shownName(path), file.errorString());
    const qint64 oldSize = file.size();
    const QByteArray &data = bytes;
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

WriteResult append(const QString &path, const QByteArray &bytes)
{
    const QString refused = notARegularFile(path);
    if (!refused.isEmpty())
        return WriteResult::failure(shownName(path), refused);
#ifdef Q_OS_WIN
    return appendWindows(path, bytes);
#else
    return appendPosix(path, bytes);
#endif
}

// How far back the last line is looked for.
constexpr qint64 kTailWindow = 1 << 20;

// Sets a last line cut short by a crash aside and cuts it off, or tells that the last line
// needs a line end before the next record.
WriteResult mendLastLine(const QString &path, int fieldsPerRecord, bool &needsLineEnd)
{
    needsLineEnd = false;
    QFile file(path);
    if (!file.exists())
        return {};
    if (!file.open(QIODevice::ReadWrite))
        return WriteResult::failure(shownName(path), file.errorString());
    const qint64 size = file.size();
    if (size == 0)
        return {};
    // Almost always the file ends with its line end: one byte tells, and a journal of years is
    // not read back at every sale.
    char lastByte = 0;
    if (!file.seek(size - 1) || file.read(&lastByte, 1) != 1)
        return WriteResult::failure(shownName(path), file.errorString());
    if (lastByte == '\n' || lastByte == '\r')
        return {};
    const qint64 from = qMax<qint64>(0, size - kTailWindow);
    if (!file.seek(from))
        return WriteResult::failure(shownName(path), file.errorString());
    const QByteArray window = file.read(size - from);
    if (window.size() != size - from)
        return WriteResult::failure(shownName(path), file.errorString());
    qsizetype lineStart = window.size();
    while (lineStart > 0 && window.at(lineStart - 1) != '\n' && window.at(lineStart - 1) != '\r')
        --lineStart;
    // No line end in the whole window: a file of one long hand-made line, taken as it is.
    if (lineStart == 0 && from > 0) {
        needsLineEnd = true;
        return {};
    }
    const QByteArrayView last(window.constData() + lineStart, window.size() - lineStart);
    switch (lastLineState(last, fieldsPerRecord)) {
    case LastLine::Ended:
        return {};
    case LastLine::Unended:
        needsLineEnd = true;
        return {};
    case LastLine::CutShort:
        break;
    }
    // The record of a write that never finished: its bytes are kept beside the file, and the
    // file ends at its last whole record again.
    const QString aside = path + QStringLiteral(".torn");
    const WriteResult kept = appendDurably(aside, last.toByteArray() + "\r\n");
    if (!kept)
        return WriteResult::failure(shownName(path),
                                    QStringLiteral("its last record was cut short by a crash and could not be set "
                                                   "aside (%1)").arg(kept.message));
    faultPoint("append: cut-short record set aside");
    if (!file.resize(from + lineStart))
        return WriteResult::failure(shownName(path), file.errorString());
    faultPoint("append: cut-short record cut off");
#ifndef Q_OS_WIN
    if (retryingSync(file.handle()) != 0)
        return WriteResult::failure(shownName(path), systemReason(errno));
#else
    if (!file.flush() || ::_commit(file.handle()) != 0)
        return WriteResult::failure(shownName(path), systemReason(errno));
#endif
    return {};
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
    if (!info.isFile())
        return FileState::Unreadable;
    // Opened and its first byte read, not the whole file: a journal of years is asked about
    // before it is read in chunks.
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return FileState::Unreadable;
    char first = 0;
    return file.read(&first, 1) < 0 ? FileState::Unreadable : FileState::Read;
}

QString readFailureMessage(const QString &path)
{
    if (fileState(path) != FileState::Unreadable)
        return {};
    const QFileInfo info(path);
    QString reason = notARegularFile(path);
    if (reason.isEmpty()) {
        if (info.isSymLink() && !info.exists())
            reason = QStringLiteral("it is a link to a file that does not exist");
        else if (!info.isReadable())
            reason = QStringLiteral("it may not be read (permission denied)");
        else
            reason = QStringLiteral("it could not be read");
    }
    return QStringLiteral("Could not read \"%1\": %2.").arg(shownName(path), reason);
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
    auto file = std::make_unique<QSaveFile>(m_path);
    faultPoint("whole: before open");
    if (const QString failure = openReplacement(*file, m_path); !failure.isEmpty())
        return WriteResult::failure(shownName(m_path), failure);
    faultPoint("whole: before write");
    // Under the crash tests the bytes go in two writes, so that a kill can fall between them.
    const qint64 half = faultPointsActive() ? bytes.size() / 2 : bytes.size();
    qint64 written = file->write(bytes.constData(), half);
    if (written == half && half < bytes.size()) {
        faultPoint("whole: half written");
        const qint64 rest = file->write(bytes.constData() + half, bytes.size() - half);
        written = rest < 0 ? rest : written + rest;
    }
    if (written != bytes.size()) {
        const QString reason = written < 0 ? file->errorString() : systemReason(errno);
        file->cancelWriting();
        return WriteResult::failure(shownName(m_path), reason);
    }
    faultPoint("whole: after write");
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
    faultPoint("whole: after sync");
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
    faultPoint("whole: after rename");
#ifndef Q_OS_WIN
    syncFolderOf(m_path);
    faultPoint("whole: after folder sync");
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
    return append(path, bytes);
}

LastLine lastLineState(QByteArrayView line, int fieldsPerRecord)
{
    if (line.isEmpty())
        return LastLine::Ended;
    // An open quote runs to the end: the line stops inside a field.
    if (line.count('"') % 2 != 0)
        return LastLine::CutShort;
    // A separator after the last field, or a count of fields that is not a number of whole
    // records: the line stops between fields.
    QByteArrayView trimmed = line;
    while (!trimmed.isEmpty() && (trimmed.back() == ' ' || trimmed.back() == '\t'))
        trimmed.chop(1);
    if (trimmed.isEmpty())
        return LastLine::Unended;
    if (trimmed.back() == ',')
        return LastLine::CutShort;
    const qsizetype fields = FieldReader(line.toByteArray()).readAll().size();
    if (fieldsPerRecord > 1 && fields % fieldsPerRecord != 0)
        return LastLine::CutShort;
    return LastLine::Unended;
}

WriteResult appendRecords(const QString &path, const QByteArray &records, int fieldsPerRecord)
{
    const QString refused = notARegularFile(path);
    if (!refused.isEmpty())
        return WriteResult::failure(shownName(path), refused);
    bool needsLineEnd = false;
    const WriteResult mended = mendLastLine(path, fieldsPerRecord, needsLineEnd);
    if (!mended)
        return mended;
    return append(path, needsLineEnd ? QByteArrayLiteral("\r\n") + records : records);
}

namespace {

constexpr qsizetype kStreamBuffer = 1 << 20;

} // namespace

StreamedFileWriter::StreamedFileWriter(const QString &path)
    : m_path(path)
    , m_file(path)
{
    if (const QString failure = openReplacement(m_file, path); !failure.isEmpty()) {
        fail(failure);
        return;
    }
    m_buffer.reserve(kStreamBuffer);
}

StreamedFileWriter::~StreamedFileWriter()
{
    if (m_file.isOpen())
        m_file.cancelWriting();
}

void StreamedFileWriter::fail(const QString &reason)
{
    if (m_failure.isEmpty())
        m_failure = reason.isEmpty() ? QStringLiteral("the write failed") : reason;
    if (m_file.isOpen())
        m_file.cancelWriting();
    m_buffer.clear();
}

bool StreamedFileWriter::flushBuffer()
{
    if (m_buffer.isEmpty())
        return true;
    const qint64 written = m_file.write(m_buffer);
    if (written != m_buffer.size()) {
        fail(written < 0 ? m_file.errorString() : systemReason(errno));
        return false;
    }
    m_buffer.resize(0);
    return true;
}

bool StreamedFileWriter::write(QByteArrayView bytes)
{
    if (!m_failure.isEmpty() || m_done)
        return false;
    if (m_buffer.size() + bytes.size() > kStreamBuffer && !flushBuffer())
        return false;
    if (bytes.size() >= kStreamBuffer) {
        const qint64 written = m_file.write(bytes.data(), bytes.size());
        if (written != bytes.size()) {
            fail(written < 0 ? m_file.errorString() : systemReason(errno));
            return false;
        }
        return true;
    }
    m_buffer.append(bytes);
    return true;
}

WriteResult StreamedFileWriter::commit()
{
    if (m_done)
        return m_failure.isEmpty() ? WriteResult{} : WriteResult::failure(shownName(m_path), m_failure);
    m_done = true;
    if (m_failure.isEmpty() && flushBuffer()) {
        faultPoint("streamed: written");
        // The temporary file is synced before it takes the file's place.
        if (m_file.commit()) {
            faultPoint("streamed: after sync and rename");
#ifndef Q_OS_WIN
            syncFolderOf(m_path);
            faultPoint("streamed: after folder sync");
#endif
            return {};
        }
        fail(m_file.errorString());
    }
    return WriteResult::failure(shownName(m_path), m_failure);
}

WriteResult emptyFileInPlace(const QString &path)
{
    const QString refused = notARegularFile(path);
    if (!refused.isEmpty())
        return WriteResult::failure(shownName(path), refused);
#ifndef Q_OS_WIN
    const bool existed = QFileInfo::exists(path);
    WriteResult failure;
    struct stat status{};
    const int handle = openRegularFile(path, O_WRONLY | O_CREAT | O_NONBLOCK | O_CLOEXEC, failure, &status);
    if (handle < 0)
        return failure;
    faultPoint("empty: before truncation");
    int rc;
    do {
        rc = ::ftruncate(handle, 0);
    } while (rc != 0 && errno == EINTR);
    faultPoint("empty: after truncation");
    if (rc != 0 || retryingSync(handle) != 0) {
        const int error = errno;
        ::close(handle);
        return WriteResult::failure(shownName(path), systemReason(error));
    }
    faultPoint("empty: after sync");
    return closeWritten(handle, path, existed);
#else
    QFile file(path);
    if (!file.open(QIODevice::ReadWrite | QIODevice::Unbuffered))
        return WriteResult::failure(shownName(path), file.errorString());
    if (!file.resize(0))
        return WriteResult::failure(shownName(path), file.errorString());
    if (::_commit(file.handle()) != 0)
        return WriteResult::failure(shownName(path), systemReason(errno));
    file.close();
    if (file.error() != QFileDevice::NoError)
        return WriteResult::failure(shownName(path), file.errorString());
    return {};
#endif
}

namespace {

// The path a name leads to: symbolic links and "." / ".." resolved as far as the file system
// has them, the rest of the name taken as written.
QString resolvedPath(const QString &path)
{
    QFileInfo info(path);
    const QString canonical = info.canonicalFilePath();
    if (!canonical.isEmpty())
        return canonical;
    // A link to a file that does not exist (yet); a loop of links ends after a few steps.
    for (int step = 0; step < 40 && info.isSymLink(); ++step)
        info = QFileInfo(info.symLinkTarget());
    const QString folder = QFileInfo(info.absolutePath()).canonicalFilePath();
    if (folder.isEmpty())
        return QDir::cleanPath(info.absoluteFilePath());
    return folder + QLatin1Char('/') + info.fileName();
}

} // namespace

bool sameFile(const QString &a, const QString &b)
{
#ifndef Q_OS_WIN
    struct stat first{};
    struct stat second{};
    if (::stat(QFile::encodeName(a).constData(), &first) == 0
        && ::stat(QFile::encodeName(b).constData(), &second) == 0)
        return first.st_dev == second.st_dev && first.st_ino == second.st_ino;
    return resolvedPath(a) == resolvedPath(b);
#else
    return resolvedPath(a).compare(resolvedPath(b), Qt::CaseInsensitive) == 0;
#endif
}

} // namespace pos
