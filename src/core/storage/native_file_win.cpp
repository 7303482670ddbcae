// The Windows half of native_file.h: the Win32 API, with wide-character names throughout.
//
// Files are opened only for as long as one operation takes, and shared for reading, writing
// and deleting, so that Notepad (which the menus start on "inventory.dat" and "sales.txt")
// can open, read and save them while the program runs. A file that another program holds
// locked fails the operation with a message, and the caller keeps what it was writing.

#include "core/storage/native_file.h"

#include "core/storage/fault_points.h"

#include <QDir>
#include <QRandomGenerator>

#include <string>

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

namespace pos::native {

namespace {

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

const QString kFolderThere = QStringLiteral("a folder has that name");
const QString kNotRegular = QStringLiteral("it is not a regular file (a device has that name)");
const QString kNameTaken = QStringLiteral("a file or folder of that name is there already");

std::wstring wide(const QString &path)
{
    return QDir::toNativeSeparators(path).toStdWString();
}

QString reasonOf(DWORD error)
{
    if (error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION)
        return QStringLiteral("another program has the file open and locked; close it there and try again");
    wchar_t *buffer = nullptr;
    const DWORD length =
        ::FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                         nullptr, error, 0, reinterpret_cast<LPWSTR>(&buffer), 0, nullptr);
    QString text = length && buffer ? QString::fromWCharArray(buffer, int(length)).trimmed()
                                    : QStringLiteral("system error %1").arg(error);
    if (buffer)
        ::LocalFree(buffer);
    while (text.endsWith(QLatin1Char('.')))
        text.chop(1);
    return text;
}

const QString kLink = QStringLiteral("it is a link");
const QString kSecondName = QStringLiteral("it has a second name (a hard link)");

// The reason a name that is there cannot take a write as a file; empty when it can or is absent.
// A kept file's name is looked at itself: a link (a reparse point) is refused.
QString notARegularFile(const std::wstring &name, Names names = Names::Followed)
{
    const DWORD attributes = ::GetFileAttributesW(name.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return {};
    if (names == Names::Kept && (attributes & FILE_ATTRIBUTE_REPARSE_POINT))
        return kLink;
    if (attributes & FILE_ATTRIBUTE_DIRECTORY)
        return kFolderThere;
    if (attributes & FILE_ATTRIBUTE_DEVICE)
        return kNotRegular;
    return {};
}

// The reason an open handle cannot be worked on as the name asks; empty when it can.
QString openedProblem(HANDLE handle, Names names)
{
    if (::GetFileType(handle) != FILE_TYPE_DISK)
        return kNotRegular;
    BY_HANDLE_FILE_INFORMATION info{};
    if (!::GetFileInformationByHandle(handle, &info))
        return reasonOf(::GetLastError());
    if (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        return kFolderThere;
    if (names == Names::Kept && (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
        return kLink;
    if (names == Names::Kept && info.nNumberOfLinks > 1)
        return kSecondName;
    return {};
}

// Opens the name, shared with every other program unless `share` says otherwise, and refuses
// anything but a file on a disk (a kept file: not a link, one name) once open. The handle, or
// INVALID_HANDLE_VALUE with the reason; *missing is set when nothing has the name.
HANDLE openRegularFile(const std::wstring &name, DWORD access, DWORD disposition, QString &failure,
                       Names names = Names::Followed, bool *missing = nullptr, DWORD share = kShareAll)
{
    const DWORD flags = FILE_ATTRIBUTE_NORMAL | (names == Names::Kept ? FILE_FLAG_OPEN_REPARSE_POINT : 0);
    const HANDLE handle = ::CreateFileW(name.c_str(), access, share, nullptr, disposition, flags, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        const DWORD error = ::GetLastError();
        if (missing)
            *missing = error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
        const QString refused = notARegularFile(name, names);
        failure = error == ERROR_ACCESS_DENIED && !refused.isEmpty() ? refused : reasonOf(error);
        ::SetLastError(error);
        return INVALID_HANDLE_VALUE;
    }
    if (const QString problem = openedProblem(handle, names); !problem.isEmpty()) {
        ::CloseHandle(handle);
        failure = problem;
        return INVALID_HANDLE_VALUE;
    }
    return handle;
}

// The calls a failing disk fails, failed on purpose when the crash tests ask (failsNow): each
// returns FALSE with ERROR_IO_DEVICE then. A close closes the handle in any case.
BOOL failedCall()
{
    ::SetLastError(ERROR_IO_DEVICE);
    return FALSE;
}

BOOL readSome(HANDLE handle, void *into, DWORD size, DWORD *got, OVERLAPPED *at)
{
    return failsNow() ? failedCall() : ::ReadFile(handle, into, size, got, at);
}

BOOL writeSome(HANDLE handle, const void *data, DWORD size, DWORD *written, OVERLAPPED *at)
{
    return failsNow() ? failedCall() : ::WriteFile(handle, data, size, written, at);
}

BOOL flushFile(HANDLE handle)
{
    return failsNow() ? failedCall() : ::FlushFileBuffers(handle);
}

BOOL closeFile(HANDLE handle)
{
    const BOOL closed = ::CloseHandle(handle);
    return closed && failsNow() ? failedCall() : closed;
}

BOOL moveFile(const std::wstring &from, const std::wstring &to, DWORD flags)
{
    return failsNow() ? failedCall() : ::MoveFileExW(from.c_str(), to.c_str(), flags);
}

// Reads `size` bytes at the offset: 0, or the error that stopped it.
DWORD readAllAt(HANDLE handle, char *into, qint64 size, qint64 offset)
{
    qint64 done = 0;
    while (done < size) {
        OVERLAPPED at{};
        at.Offset = DWORD(quint64(offset + done) & 0xFFFFFFFF);
        at.OffsetHigh = DWORD(quint64(offset + done) >> 32);
        DWORD got = 0;
        if (!readSome(handle, into + done, DWORD(qMin<qint64>(size - done, 1 << 30)), &got, &at))
            return ::GetLastError();
        if (got == 0)
            return ERROR_HANDLE_EOF;
        done += got;
    }
    return 0;
}

// The last bytes of the open file, at most `most`, and its size.
QString tailOf(HANDLE handle, qint64 most, QByteArray &tail, qint64 &size)
{
    LARGE_INTEGER length{};
    if (!::GetFileSizeEx(handle, &length))
        return reasonOf(::GetLastError());
    size = length.QuadPart;
    const qint64 from = qMax<qint64>(0, size - most);
    tail.resize(size - from);
    if (const DWORD error = readAllAt(handle, tail.data(), tail.size(), from))
        return reasonOf(error);
    return {};
}

// Writes the bytes at the end of the file (offset, or the end when `atEnd`); under the crash
// tests in two writes, so that a kill can fall between them as a power cut can fall in the
// middle of one. 0, or the error that stopped it.
DWORD writeAll(HANDLE handle, const char *data, qint64 size, bool atEnd, const char *halfPoint)
{
    qint64 stop = halfPoint && faultPointsActive() ? size / 2 : size;
    qint64 done = 0;
    while (done < size) {
        const DWORD chunk = DWORD(qMin<qint64>(stop - done, 1 << 30));
        DWORD written = 0;
        OVERLAPPED at{};
        if (atEnd) {
            at.Offset = 0xFFFFFFFF;
            at.OffsetHigh = 0xFFFFFFFF;
        }
        if (!writeSome(handle, data + done, chunk, &written, atEnd ? &at : nullptr))
            return ::GetLastError();
        if (written == 0 && chunk > 0)
            return ERROR_DISK_FULL;
        done += written;
        if (done == stop && stop < size) {
            faultPoint(halfPoint);
            stop = size;
        }
    }
    return 0;
}

bool setLength(HANDLE handle, qint64 length)
{
    FILE_END_OF_FILE_INFO end{};
    end.EndOfFile.QuadPart = length;
    return failsNow() ? failedCall() : ::SetFileInformationByHandle(handle, FileEndOfFileInfo, &end, sizeof end);
}

// Sets the open file's length and flushes it: 0, or the error that stopped it.
DWORD truncateFlushed(HANDLE handle, qint64 length)
{
    faultPoint("truncate: before");
    const bool cut = setLength(handle, length);
    faultPoint("truncate: after");
    if (!cut || !flushFile(handle))
        return ::GetLastError();
    faultPoint("truncate: after sync");
    return 0;
}

Stamp stampOf(DWORD sizeHigh, DWORD sizeLow, const FILETIME &written)
{
    return {qint64((quint64(sizeHigh) << 32) | sizeLow),
            qint64((quint64(written.dwHighDateTime) << 32) | written.dwLowDateTime)};
}

// Renames over an existing file, waiting a little while a scanner or indexer has it open.
bool moveRetrying(const std::wstring &from, const std::wstring &to, DWORD flags)
{
    for (int attempt = 0;; ++attempt) {
        if (moveFile(from, to, flags))
            return true;
        const DWORD error = ::GetLastError();
        if (attempt >= 10 || (error != ERROR_SHARING_VIOLATION && error != ERROR_ACCESS_DENIED))
            return false;
        ::Sleep(50);
    }
}

// A new temporary name beside the file, opened: its handle, or INVALID_HANDLE_VALUE.
HANDLE openTemporary(const std::wstring &name, std::wstring &temporary)
{
    static const char kLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::wstring random;
        for (int i = 0; i < 6; ++i)
            random += wchar_t(kLetters[QRandomGenerator::global()->bounded(62)]);
        temporary = name + QString::fromLatin1(kTemporaryInfix).toStdWString() + random
                    + QString::fromLatin1(kTemporarySuffix).toStdWString();
        const HANDLE handle = ::CreateFileW(temporary.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE,
                                            nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (handle != INVALID_HANDLE_VALUE || ::GetLastError() != ERROR_FILE_EXISTS)
            return handle;
    }
    ::SetLastError(ERROR_FILE_EXISTS);
    return INVALID_HANDLE_VALUE;
}

} // namespace

Failure append(const QString &path, const QByteArray &bytes, Names names, bool *synced)
{
    const std::wstring name = wide(path);
    if (const QString refused = notARegularFile(name, names); !refused.isEmpty())
        return refused;
    QString failure;
    // Append data, and write data for cutting back a write that failed part way.
    const HANDLE handle = openRegularFile(name, FILE_APPEND_DATA | FILE_WRITE_DATA | FILE_READ_ATTRIBUTES | SYNCHRONIZE,
                                          OPEN_ALWAYS, failure, names);
    if (handle == INVALID_HANDLE_VALUE)
        return failure;
    LARGE_INTEGER oldSize{};
    if (!::GetFileSizeEx(handle, &oldSize)) {
        const DWORD error = ::GetLastError();
        ::CloseHandle(handle);
        return reasonOf(error);
    }
    const auto cutBack = [&](DWORD error) {
        if (setLength(handle, oldSize.QuadPart))
            ::FlushFileBuffers(handle);
        ::CloseHandle(handle);
        return reasonOf(error);
    };
    faultPoint("append: before write");
    if (const DWORD error = writeAll(handle, bytes.constData(), bytes.size(), true, "append: half written"))
        return cutBack(error);
    faultPoint("append: after write");
    if (!flushFile(handle))
        return cutBack(::GetLastError());
    faultPoint("append: after sync");
    if (synced)
        *synced = true;
    if (failsAt("append: close")) {
        ::CloseHandle(handle);
        return reasonOf(ERROR_WRITE_FAULT);
    }
    if (!closeFile(handle))
        return reasonOf(::GetLastError());
    return {};
}

Failure readTail(const QString &path, qint64 most, QByteArray &tail, qint64 &size, Names names)
{
    QString failure;
    const HANDLE handle = openRegularFile(wide(path), GENERIC_READ, OPEN_EXISTING, failure, names);
    if (handle == INVALID_HANDLE_VALUE)
        return failure;
    failure = tailOf(handle, most, tail, size);
    ::CloseHandle(handle);
    return failure;
}

Failure readWhole(const QString &path, qint64 limit, QByteArray &content, bool *missing, Names names, bool *refused)
{
    if (refused)
        *refused = false;
    bool absent = false;
    QString failure;
    content.clear();
    const HANDLE handle = openRegularFile(wide(path), GENERIC_READ, OPEN_EXISTING, failure, names, &absent);
    if (missing)
        *missing = absent;
    if (handle == INVALID_HANDLE_VALUE) {
        if (refused)
            *refused =
                !absent
                && (failure == kLink || failure == kSecondName || failure == kNotRegular || failure == kFolderThere);
        return absent && missing ? Failure() : failure;
    }
    QByteArray bytes;
    qint64 done = 0;
    for (;;) {
        if (done == bytes.size()) {
            if (done > limit)
                break;
            bytes.resize(qMin<qint64>(limit + 1, done * 2 + 4096));
        }
        DWORD got = 0;
        if (!readSome(handle, bytes.data() + done, DWORD(qMin<qint64>(bytes.size() - done, 1 << 30)), &got, nullptr)) {
            const DWORD error = ::GetLastError();
            ::CloseHandle(handle);
            return reasonOf(error);
        }
        if (got == 0)
            break;
        done += got;
    }
    ::CloseHandle(handle);
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
    // Written and flushed under a temporary name beside it, then moved to its name without
    // replacing anything, which fails when a file has taken the name meanwhile.
    const std::wstring name = wide(path);
    std::wstring temporary;
    const HANDLE handle = openTemporary(name, temporary);
    if (handle == INVALID_HANDLE_VALUE)
        return reasonOf(::GetLastError());
    faultPoint("create: before write");
    DWORD error = writeAll(handle, bytes.constData(), bytes.size(), false, nullptr);
    if (error == 0 && !flushFile(handle))
        error = ::GetLastError();
    faultPoint("create: after write and sync");
    if (!closeFile(handle) && error == 0)
        error = ::GetLastError();
    if (error != 0) {
        ::DeleteFileW(temporary.c_str());
        return reasonOf(error);
    }
    if (moveFile(temporary, name, MOVEFILE_WRITE_THROUGH)) {
        faultPoint("create: after link");
        return {};
    }
    error = ::GetLastError();
    ::DeleteFileW(temporary.c_str());
    if (error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS) {
        *nameTaken = true;
        return kNameTaken;
    }
    return reasonOf(error);
}

Failure resize(const QString &path, qint64 length, Names names)
{
    const std::wstring name = wide(path);
    if (const QString refused = notARegularFile(name, names); !refused.isEmpty())
        return refused;
    QString failure;
    const HANDLE handle = openRegularFile(name, GENERIC_WRITE, OPEN_ALWAYS, failure, names);
    if (handle == INVALID_HANDLE_VALUE)
        return failure;
    if (const DWORD error = truncateFlushed(handle, length)) {
        ::CloseHandle(handle);
        return reasonOf(error);
    }
    if (!closeFile(handle))
        return reasonOf(::GetLastError());
    return {};
}

namespace {

std::wstring fullPath(const std::wstring &name)
{
    const DWORD size = ::GetFullPathNameW(name.c_str(), 0, nullptr, nullptr);
    if (size == 0)
        return name;
    std::wstring full(size, L'\0');
    const DWORD used = ::GetFullPathNameW(name.c_str(), size, full.data(), nullptr);
    full.resize(used);
    return full;
}

} // namespace

bool sameFile(const QString &a, const QString &b)
{
    const std::wstring first = wide(a);
    const std::wstring second = wide(b);
    const auto identity = [](const std::wstring &name, BY_HANDLE_FILE_INFORMATION &info) {
        const HANDLE handle =
            ::CreateFileW(name.c_str(), 0, kShareAll, nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
        if (handle == INVALID_HANDLE_VALUE)
            return false;
        const bool known = ::GetFileInformationByHandle(handle, &info);
        ::CloseHandle(handle);
        return known;
    };
    BY_HANDLE_FILE_INFORMATION one{};
    BY_HANDLE_FILE_INFORMATION other{};
    if (identity(first, one) && identity(second, other))
        return one.dwVolumeSerialNumber == other.dwVolumeSerialNumber && one.nFileIndexHigh == other.nFileIndexHigh
               && one.nFileIndexLow == other.nFileIndexLow;
    const std::wstring x = fullPath(first);
    const std::wstring y = fullPath(second);
    return ::CompareStringOrdinal(x.c_str(), int(x.size()), y.c_str(), int(y.size()), TRUE) == CSTR_EQUAL;
}

Stamp stamp(const QString &path)
{
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!::GetFileAttributesExW(wide(path).c_str(), GetFileExInfoStandard, &data))
        return {};
    return stampOf(data.nFileSizeHigh, data.nFileSizeLow, data.ftLastWriteTime);
}

Failure Replacement::open()
{
    cancel();
    const std::wstring name = wide(m_path);
    if (const QString refused = notARegularFile(name, m_names); !refused.isEmpty())
        return refused;
    if (m_names == Names::Kept) {
        // A second name is seen only on the open file.
        QString failure;
        bool missing = false;
        const HANDLE there = openRegularFile(name, FILE_READ_ATTRIBUTES, OPEN_EXISTING, failure, m_names, &missing);
        if (there == INVALID_HANDLE_VALUE && !missing)
            return failure;
        if (there != INVALID_HANDLE_VALUE)
            ::CloseHandle(there);
    }
    std::wstring temporary;
    const HANDLE handle = openTemporary(name, temporary);
    if (handle == INVALID_HANDLE_VALUE)
        return reasonOf(::GetLastError());
    m_handle = reinterpret_cast<qintptr>(handle);
    m_target = QString::fromStdWString(name).toUtf8();
    m_temporary = QString::fromStdWString(temporary).toUtf8();
    return {};
}

Failure Replacement::write(const char *data, qint64 size)
{
    if (m_handle == -1)
        return QStringLiteral("the file is not open");
    if (const DWORD error = writeAll(reinterpret_cast<HANDLE>(m_handle), data, size, false, "whole: half written"))
        return reasonOf(error);
    return {};
}

Failure Replacement::sync()
{
    if (m_handle == -1)
        return QStringLiteral("the file is not open");
    return flushFile(reinterpret_cast<HANDLE>(m_handle)) ? Failure() : reasonOf(::GetLastError());
}

Failure Replacement::commit()
{
    if (m_handle == -1)
        return QStringLiteral("nothing was made ready to write");
    const HANDLE handle = reinterpret_cast<HANDLE>(m_handle);
    m_handle = -1;
    DWORD error = closeFile(handle) ? 0 : ::GetLastError();
    if (error != 0) {
        cancel();
        return reasonOf(error);
    }
    const std::wstring temporary = QString::fromUtf8(m_temporary).toStdWString();
    const std::wstring target = QString::fromUtf8(m_target).toStdWString();
    if (!moveRetrying(temporary, target, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        error = ::GetLastError();
        cancel();
        // A file another program holds open cannot be replaced; nor can a read-only one.
        if (error == ERROR_ACCESS_DENIED) {
            const DWORD attributes = ::GetFileAttributesW(target.c_str());
            if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
                return QStringLiteral("the file is read-only");
            return QStringLiteral("another program has the file open, or it may not be changed (access denied); "
                                  "close it there and try again");
        }
        return reasonOf(error);
    }
    m_temporary.clear();
    faultPoint("whole: after rename");
    return {};
}

void Replacement::cancel()
{
    if (m_handle != -1)
        ::CloseHandle(reinterpret_cast<HANDLE>(m_handle));
    m_handle = -1;
    if (!m_temporary.isEmpty())
        ::DeleteFileW(QString::fromUtf8(m_temporary).toStdWString().c_str());
    m_temporary.clear();
}

HeldFile::~HeldFile()
{
    if (m_handle != -1)
        ::CloseHandle(reinterpret_cast<HANDLE>(m_handle));
}

Failure HeldFile::open()
{
    const std::wstring name = wide(m_path);
    if (const QString refused = notARegularFile(name, m_names); !refused.isEmpty())
        return refused;
    // Shared for reading only, so that no other program writes it while it is held. A program
    // that has it open for writing now is given two seconds to finish.
    for (int attempt = 0;; ++attempt) {
        QString failure;
        const HANDLE handle = openRegularFile(name, GENERIC_READ | GENERIC_WRITE, OPEN_ALWAYS, failure, m_names,
                                              nullptr, FILE_SHARE_READ | FILE_SHARE_DELETE);
        if (handle != INVALID_HANDLE_VALUE) {
            m_handle = reinterpret_cast<qintptr>(handle);
            m_position = 0;
            return {};
        }
        const DWORD error = ::GetLastError();
        if (error != ERROR_SHARING_VIOLATION || attempt == 200)
            return failure;
        ::Sleep(10);
    }
}

qint64 HeldFile::read(char *into, qint64 size)
{
    OVERLAPPED at{};
    at.Offset = DWORD(quint64(m_position) & 0xFFFFFFFF);
    at.OffsetHigh = DWORD(quint64(m_position) >> 32);
    DWORD got = 0;
    if (!readSome(reinterpret_cast<HANDLE>(m_handle), into, DWORD(qMin<qint64>(size, 1 << 30)), &got, &at))
        return ::GetLastError() == ERROR_HANDLE_EOF ? 0 : -1;
    m_position += got;
    return qint64(got);
}

Failure HeldFile::readTail(qint64 most, QByteArray &tail, qint64 &size)
{
    return tailOf(reinterpret_cast<HANDLE>(m_handle), most, tail, size);
}

Stamp HeldFile::stamp() const
{
    BY_HANDLE_FILE_INFORMATION info{};
    if (m_handle == -1 || !::GetFileInformationByHandle(reinterpret_cast<HANDLE>(m_handle), &info))
        return {};
    return stampOf(info.nFileSizeHigh, info.nFileSizeLow, info.ftLastWriteTime);
}

Failure HeldFile::append(const QByteArray &bytes, bool *left)
{
    const HANDLE handle = reinterpret_cast<HANDLE>(m_handle);
    LARGE_INTEGER oldSize{};
    if (!::GetFileSizeEx(handle, &oldSize))
        return reasonOf(::GetLastError());
    const auto cutBack = [&](DWORD error) {
        if (setLength(handle, oldSize.QuadPart)) {
            ::FlushFileBuffers(handle);
        } else if (left) {
            LARGE_INTEGER size{};
            *left = !::GetFileSizeEx(handle, &size) || size.QuadPart > oldSize.QuadPart;
        }
        return reasonOf(error);
    };
    faultPoint("append: before write");
    if (const DWORD error = writeAll(handle, bytes.constData(), bytes.size(), true, "append: half written"))
        return cutBack(error);
    faultPoint("append: after write");
    if (!flushFile(handle))
        return cutBack(::GetLastError());
    faultPoint("append: after sync");
    return {};
}

Failure HeldFile::resize(qint64 length)
{
    const DWORD error = truncateFlushed(reinterpret_cast<HANDLE>(m_handle), length);
    return error ? reasonOf(error) : Failure();
}

ReadFile::~ReadFile()
{
    if (m_handle != -1)
        ::CloseHandle(reinterpret_cast<HANDLE>(m_handle));
}

Failure ReadFile::open(bool *missing)
{
    QString failure;
    bool absent = false;
    const HANDLE handle = openRegularFile(wide(m_path), GENERIC_READ, OPEN_EXISTING, failure, m_names, &absent);
    if (missing)
        *missing = absent;
    if (handle == INVALID_HANDLE_VALUE)
        return absent && missing ? Failure() : failure;
    m_handle = reinterpret_cast<qintptr>(handle);
    return {};
}

qint64 ReadFile::read(char *into, qint64 size)
{
    if (m_handle == -1)
        return -1;
    DWORD got = 0;
    if (!readSome(reinterpret_cast<HANDLE>(m_handle), into, DWORD(qMin<qint64>(size, 1 << 30)), &got, nullptr))
        return ::GetLastError() == ERROR_HANDLE_EOF ? 0 : -1;
    return qint64(got);
}

qint64 ReadFile::size() const
{
    LARGE_INTEGER length{};
    return m_handle != -1 && ::GetFileSizeEx(reinterpret_cast<HANDLE>(m_handle), &length) ? length.QuadPart : -1;
}

FileLock::~FileLock()
{
    if (m_handle != -1)
        ::CloseHandle(reinterpret_cast<HANDLE>(m_handle));
}

FileLock::Result FileLock::lock(const QString &path, QString *reason)
{
    const std::wstring name = wide(path);
    const DWORD attributes = ::GetFileAttributesW(name.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES
        && (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DEVICE))) {
        if (reason)
            *reason = attributes & FILE_ATTRIBUTE_DIRECTORY ? kFolderThere : QStringLiteral("it is a link or a device");
        return NotAFile;
    }
    // Not shared for deleting: the lock file cannot be deleted or renamed while it is held, so
    // no second copy finds the name free.
    const HANDLE handle =
        ::CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                      OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        const DWORD error = ::GetLastError();
        if (reason)
            *reason = reasonOf(error);
        // Nothing there and nothing can be made: a folder no copy can write in.
        return ::GetFileAttributesW(name.c_str()) == INVALID_FILE_ATTRIBUTES ? NoLockFile : Failed;
    }
    if (const QString problem = openedProblem(handle, Names::Kept); !problem.isEmpty()) {
        ::CloseHandle(handle);
        if (reason)
            *reason = problem;
        return NotAFile;
    }
    OVERLAPPED whole{};
    if (!::LockFileEx(handle, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, MAXDWORD, MAXDWORD, &whole)) {
        const DWORD error = ::GetLastError();
        ::CloseHandle(handle);
        if (error == ERROR_LOCK_VIOLATION || error == ERROR_SHARING_VIOLATION || error == ERROR_IO_PENDING)
            return HeldElsewhere;
        if (reason)
            *reason = reasonOf(error);
        return Failed;
    }
    m_handle = reinterpret_cast<qintptr>(handle);
    return Locked;
}

} // namespace pos::native

namespace pos::native {

Failure makeFolder(const QString &path)
{
    if (!::CreateDirectoryW(wide(path).c_str(), nullptr)) {
        const DWORD error = ::GetLastError();
        return error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS ? kNameTaken : reasonOf(error);
    }
    return {};
}

Failure renameFolder(const QString &from, const QString &to)
{
    faultPoint("folder: before rename");
    // Without MOVEFILE_REPLACE_EXISTING nothing that has the name is replaced.
    if (!moveRetrying(wide(from), wide(to), MOVEFILE_WRITE_THROUGH)) {
        const DWORD error = ::GetLastError();
        return error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS ? kNameTaken : reasonOf(error);
    }
    faultPoint("folder: after rename");
    return {};
}

void syncFolder(const QString &)
{
    // NTFS keeps its folders in its own journal; a name made there lasts without asking.
}

NewFile::NewFile(const QString &path)
    : m_path(path)
{
}

NewFile::~NewFile()
{
    if (m_handle != -1)
        ::CloseHandle(reinterpret_cast<HANDLE>(m_handle));
    if (m_made && !m_kept)
        ::DeleteFileW(wide(m_path).c_str());
}

Failure NewFile::open()
{
    const HANDLE handle = ::CreateFileW(wide(m_path).c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE,
                                        nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        const DWORD error = ::GetLastError();
        return error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS ? kNameTaken : reasonOf(error);
    }
    m_handle = reinterpret_cast<qintptr>(handle);
    m_made = true;
    return {};
}

Failure NewFile::write(const char *data, qint64 size)
{
    if (m_handle == -1)
        return QStringLiteral("the file is not open");
    if (const DWORD error = writeAll(reinterpret_cast<HANDLE>(m_handle), data, size, false, "new: half written"))
        return reasonOf(error);
    m_written += size;
    return {};
}

Failure NewFile::finish()
{
    if (m_handle == -1)
        return QStringLiteral("the file is not open");
    const HANDLE handle = reinterpret_cast<HANDLE>(m_handle);
    m_handle = -1;
    DWORD error = flushFile(handle) ? 0 : ::GetLastError();
    faultPoint("new: after sync");
    if (!closeFile(handle) && error == 0)
        error = ::GetLastError();
    if (error != 0)
        return reasonOf(error);
    m_kept = true;
    return {};
}

} // namespace pos::native
